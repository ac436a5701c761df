#pragma once
#include <string>
#include <string_view>

namespace drovane::plot::test {

// Checks that `text` is a well-formed XML document: one root element, properly nested and
// closed tags, quoted attributes without repeats, known entity references, no stray '<' or '&',
// valid UTF-8. Returns an empty string when it is, else what is wrong and where.
std::string XmlProblem(std::string_view text);

}  // namespace drovane::plot::test

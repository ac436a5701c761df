#pragma once
#include <string>

namespace drovane::xlsx {

// For its lifetime the calling thread formats and reads numbers as the "C" locale does (a decimal
// point), whatever locale the process has set: the workbook's library prints its numbers with
// printf, and a workbook's numbers always have a point. Other threads keep their locale.
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    void* previous_ = nullptr;  // the thread's locale before (POSIX)
    [[maybe_unused]] int previousSetting_ =
        -1;  // whether the thread had a locale of its own before, and its name (Windows)
    [[maybe_unused]] std::string previousName_;
};

}  // namespace drovane::xlsx

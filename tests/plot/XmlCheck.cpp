#include "XmlCheck.h"

#include <cctype>
#include <set>
#include <vector>

namespace drovane::plot::test {
namespace {

class Checker {
public:
    explicit Checker(std::string_view text) : text_(text) {}

    std::string Run() {
        if (!ValidUtf8()) return problem_;
        if (Starts("<?xml")) {
            std::size_t end = text_.find("?>");
            if (end == std::string_view::npos) return Fail("unterminated XML declaration");
            pos_ = end + 2;
        }
        bool rootSeen = false;
        std::vector<std::string> open;
        while (pos_ < text_.size()) {
            if (Starts("<!--")) {
                std::size_t end = text_.find("-->", pos_ + 4);
                if (end == std::string_view::npos) return Fail("unterminated comment");
                pos_ = end + 3;
            } else if (Starts("</")) {
                pos_ += 2;
                std::string name = Name();
                if (name.empty()) return Fail("end tag without a name");
                SkipSpace();
                if (!Starts(">")) return Fail("end tag </" + name + " not closed by '>'");
                ++pos_;
                if (open.empty() || open.back() != name) return Fail("end tag </" + name + "> does not match");
                open.pop_back();
            } else if (Starts("<")) {
                if (open.empty() && rootSeen) return Fail("a second root element");
                ++pos_;
                std::string name = Name();
                if (name.empty()) return Fail("start tag without a name");
                std::set<std::string> attributes;
                while (true) {
                    bool spaced = SkipSpace();
                    if (Starts("/>") || Starts(">")) break;
                    if (!spaced) return Fail("attributes of <" + name + "> not separated by blanks");
                    std::string attribute = Name();
                    if (attribute.empty()) return Fail("bad attribute in <" + name + ">");
                    if (!attributes.insert(attribute).second) return Fail("repeated attribute " + attribute);
                    SkipSpace();
                    if (!Starts("=")) return Fail("attribute " + attribute + " without '='");
                    ++pos_;
                    SkipSpace();
                    if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) {
                        return Fail("attribute " + attribute + " not quoted");
                    }
                    char quote = text_[pos_++];
                    std::size_t end = text_.find(quote, pos_);
                    if (end == std::string_view::npos) return Fail("unterminated attribute " + attribute);
                    std::string_view value = text_.substr(pos_, end - pos_);
                    if (value.find('<') != std::string_view::npos) return Fail("'<' in attribute " + attribute);
                    if (!CharacterData(value)) return problem_;
                    pos_ = end + 1;
                }
                rootSeen = true;
                if (Starts("/>")) {
                    pos_ += 2;
                } else {
                    ++pos_;
                    open.push_back(name);
                }
            } else {
                std::size_t end = text_.find('<', pos_);
                if (end == std::string_view::npos) end = text_.size();
                std::string_view chars = text_.substr(pos_, end - pos_);
                if (open.empty() && chars.find_first_not_of(" \t\r\n") != std::string_view::npos) {
                    return Fail("text outside the root element");
                }
                if (!CharacterData(chars)) return problem_;
                pos_ = end;
            }
        }
        if (!open.empty()) return Fail("element <" + open.back() + "> never closed");
        if (!rootSeen) return Fail("no root element");
        return {};
    }

private:
    bool Starts(std::string_view prefix) const { return text_.substr(pos_).starts_with(prefix); }

    bool SkipSpace() {
        std::size_t start = pos_;
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
        return pos_ > start;
    }

    std::string Name() {
        std::size_t start = pos_;
        while (pos_ < text_.size()) {
            unsigned char c = static_cast<unsigned char>(text_[pos_]);
            bool ok = std::isalpha(c) || c == '_' || c == ':' || c >= 0x80 ||
                      (pos_ > start && (std::isdigit(c) || c == '-' || c == '.'));
            if (!ok) break;
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    // Text or an attribute value: every '&' starts a known entity or a character reference, and
    // no control character other than tab, line feed and carriage return appears.
    bool CharacterData(std::string_view chars) {
        for (std::size_t i = 0; i < chars.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(chars[i]);
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                problem_ = "control character in text near byte " + std::to_string(pos_ + i);
                return false;
            }
            if (c != '&') continue;
            std::size_t semicolon = chars.find(';', i);
            std::string_view entity = chars.substr(i + 1, semicolon == std::string_view::npos ? 0 : semicolon - i - 1);
            bool known = entity == "amp" || entity == "lt" || entity == "gt" || entity == "quot" || entity == "apos";
            bool numeric = entity.size() > 1 && entity[0] == '#';
            if (semicolon == std::string_view::npos || (!known && !numeric)) {
                problem_ = "bare '&' near byte " + std::to_string(pos_ + i);
                return false;
            }
        }
        return true;
    }

    bool ValidUtf8() {
        for (std::size_t i = 0; i < text_.size();) {
            unsigned char c = static_cast<unsigned char>(text_[i]);
            std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
            if (length == 0 || i + length > text_.size()) {
                problem_ = "not UTF-8 at byte " + std::to_string(i);
                return false;
            }
            for (std::size_t k = 1; k < length; ++k) {
                if ((static_cast<unsigned char>(text_[i + k]) >> 6) != 0x2) {
                    problem_ = "not UTF-8 at byte " + std::to_string(i);
                    return false;
                }
            }
            i += length;
        }
        return true;
    }

    std::string Fail(const std::string& what) { return what + " (near byte " + std::to_string(pos_) + ")"; }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string problem_;
};

}  // namespace

std::string XmlProblem(std::string_view text) { return Checker(text).Run(); }

}  // namespace drovane::plot::test

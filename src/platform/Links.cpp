#include "platform/Links.h"

namespace sorvel {

namespace {
bool lower(char c) { return c >= 'a' && c <= 'z'; }

bool startsWithAnyCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}
}  // namespace

size_t linkSchemeLength(std::string_view s, LinkCase rule) {
    if (s.substr(0, 7) == "mailto:") return 6;
    // scheme = lower-case letter *( lower-case letter / digit / "+" / "-" / "." )
    if (!s.empty() && lower(s[0])) {
        size_t i = 1;
        while (i < s.size() && (lower(s[i]) || (s[i] >= '0' && s[i] <= '9') || s[i] == '+' || s[i] == '-' || s[i] == '.'))
            ++i;
        if (s.substr(i, 3) == "://") return i;
    }
    if (rule == LinkCase::CommonSchemesAnyCase) {
        for (std::string_view common : {"http://", "https://", "ftp://", "file://", "mailto:"}) {
            if (startsWithAnyCase(s, common)) return common.find(':');
        }
    }
    return 0;
}

}  // namespace sorvel

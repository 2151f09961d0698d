#include "launcher/SlotRules.h"

#include <algorithm>

namespace sorvel {

size_t urlSchemeLength(const std::string& s) {
    if (s.compare(0, 7, "mailto:") == 0) return 6;
    // scheme = lower-case letter *( lower-case letter / digit / "+" / "-" / "." )
    if (s.empty() || s[0] < 'a' || s[0] > 'z') return 0;
    size_t i = 1;
    while (i < s.size()) {
        const char c = s[i];
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') {
            ++i;
        } else {
            break;
        }
    }
    return s.compare(i, 3, "://") == 0 ? i : 0;
}

bool isUrl(const std::string& s) { return urlSchemeLength(s) > 0; }

char separatorFor(const std::string& s, char pathSep) {
    return isUrl(s) ? '/' : pathSep;
}

namespace {
// Index where the label starts, or npos when there is no cut point.
size_t cutPoint(const std::string& s, char sep) {
    if (s.size() < 2) return std::string::npos;
    // Scan from the end; a separator in the last position is never a cut.
    const size_t p = s.rfind(sep, s.size() - 2);
    return p == std::string::npos ? p : p + 1;
}
}  // namespace

SlotSplit splitSlot(const std::string& s, char pathSep) {
    const size_t cut = cutPoint(s, separatorFor(s, pathSep));
    if (cut == std::string::npos) return {s, s};
    return {s.substr(0, cut), s.substr(cut)};
}

SlotSplit splitSlotForDisplay(const std::string& s, char pathSep, size_t maxBytes) {
    const size_t cut = cutPoint(s, separatorFor(s, pathSep));
    if (cut == std::string::npos) return {s.substr(0, maxBytes), s.substr(0, maxBytes)};
    return {s.substr(0, std::min(cut, maxBytes)), s.substr(cut, maxBytes)};
}

SlotKind slotKind(const std::string& s, char pathSep) {
    if (s.empty()) return SlotKind::Empty;
    if (isUrl(s)) return SlotKind::Url;
    // The label always runs to the end of the text, so it ends with the
    // separator exactly when the text does.
    return s.back() == pathSep ? SlotKind::Folder : SlotKind::File;
}

std::string launchFolder(const std::string& s, char pathSep) {
    const size_t p = s.rfind(pathSep);
    if (p == std::string::npos) return {};
    return s.substr(0, p + 1);
}

}  // namespace sorvel

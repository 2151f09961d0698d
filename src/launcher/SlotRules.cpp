#include "launcher/SlotRules.h"

#include <algorithm>
#include <vector>

#include "platform/Links.h"
#include "platform/WinePaths.h"

namespace sorvel {

bool fitsItemFile(std::string_view text) { return text.find_first_of("\"\r\n") == std::string_view::npos; }

size_t urlSchemeLength(const std::string& s) { return linkSchemeLength(s); }

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

bool isDrivePath(const std::string& s) {
    if (s.size() < 3 || s[1] != ':' || s[2] != '\\') return false;
    const char d = s[0];
    return (d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z');
}

bool isUncPath(const std::string& s) { return s.size() > 2 && s[0] == '\\' && s[1] == '\\' && s[2] != '\\'; }

bool isWindowsPath(const std::string& s) { return isDrivePath(s) || isUncPath(s); }

char pathSepFor(const std::string& s, char localSep) { return isWindowsPath(s) ? '\\' : localSep; }

std::optional<std::string> mapWindowsPath(const std::string& s, WinePaths& wine) {
    if (!isDrivePath(s)) return std::nullopt;
    // Windows takes "/" as a separator too, and drops "." and empty names.
    std::vector<std::string> names;
    size_t start = 3;
    while (start <= s.size()) {
        size_t end = s.find_first_of("\\/", start);
        if (end == std::string::npos) end = s.size();
        const std::string name = s.substr(start, end - start);
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    return wine.resolve(s[0], names);
}

std::optional<std::string> mapWindowsPath(const std::string& s) { return mapWindowsPath(s, defaultWinePaths()); }

std::string uncToSmbUrl(const std::string& s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "smb://";
    for (size_t i = 2; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\\' || c == '/') {
            url += '/';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                   c == '.' || c == '_' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

bool isWindowsProgram(const std::string& s) {
    if (s.size() < 4 || slotKind(s, pathSepFor(s, '/')) != SlotKind::File) return false;
    static const char exe[] = ".exe";
    for (size_t i = 0; i < 4; ++i) {
        char c = s[s.size() - 4 + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != exe[i]) return false;
    }
    return true;
}

}  // namespace sorvel

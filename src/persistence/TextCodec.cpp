#include "persistence/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <map>

#include "platform/FileStore.h"

namespace sorvel {

namespace {
constexpr char kReplacement[] = "\xEF\xBF\xBD";   // U+FFFD

// Converts bytes with glibc's iconv. With lenient, a byte that starts no
// valid sequence becomes U+FFFD (output must then be UTF-8) and *complete
// turns false; without it, nullopt at the first such byte.
std::optional<std::string> convert(const char* to, const char* from, std::string_view in, bool lenient,
                                   bool* complete = nullptr) {
    const iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    out.reserve(in.size() * 3 / 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    bool ok = true;
    for (;;) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        // The final call with no input flushes any shift state.
        const size_t r = srcLeft ? ::iconv(cd, &src, &srcLeft, &dst, &dstLeft)
                                 : ::iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, sizeof buf - dstLeft);
        if (r != static_cast<size_t>(-1)) {
            if (srcLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) continue;
        // EILSEQ, or EINVAL for a sequence cut off by the end.
        if (!lenient) {
            ok = false;
            break;
        }
        if (complete) *complete = false;
        out += kReplacement;
        ++src;
        --srcLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    ::iconv_close(cd);
    if (!ok) return std::nullopt;
    return out;
}

// How each file was read, for writing it back the same way.
struct Remembered {
    TextEncoding encoding = TextEncoding::Utf8;
    std::string bytes;   // as read or last written
    std::string text;    // the same, decoded
};

std::map<std::string, Remembered>& remembered() {
    static std::map<std::string, Remembered> files;
    return files;
}
}  // namespace

bool isUtf8(std::string_view bytes) { return convert("UTF-8", "UTF-8", bytes, false).has_value(); }

DecodedText decodeText(std::string_view bytes) {
    DecodedText d;
    if (isUtf8(bytes)) {
        d.text.assign(bytes);
        return d;
    }
    d.encoding = TextEncoding::Cp932;
    d.text = convert("UTF-8", "CP932", bytes, true, &d.complete).value_or(std::string());
    return d;
}

std::optional<std::string> encodeCp932(std::string_view utf8) { return convert("CP932", "UTF-8", utf8, false); }

DecodedText readTextFile(const std::string& path, std::string_view bytes) {
    DecodedText d = decodeText(bytes);
    // Bytes that CP932 does not accept are no CP932 file: their file is
    // written in UTF-8 (its old bytes are kept as a damaged file's are).
    // Plain ASCII is the same in both: a CP932 file that holds no more than
    // that (after a reset, say) stays a CP932 file.
    const auto known = remembered().find(path);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
    if ((d.encoding == TextEncoding::Cp932 && d.complete) || (ascii && known != remembered().end())) {
        remembered()[path] = {TextEncoding::Cp932, std::string(bytes), d.text};
    } else {
        remembered().erase(path);
    }
    return d;
}

bool saveTextFile(const std::string& path, std::string_view utf8) {
    const auto it = remembered().find(path);
    if (it == remembered().end()) return replaceFile(path, utf8);
    Remembered& r = it->second;
    // Unchanged: the very bytes it was read from (CP932 has a few
    // characters with two codes; the user's choice among them stays).
    if (utf8 == r.text) return replaceFile(path, r.bytes);
    if (auto bytes = encodeCp932(utf8)) {
        if (!replaceFile(path, *bytes)) return false;
        r.bytes = std::move(*bytes);
        r.text.assign(utf8);
        return true;
    }
    // A name CP932 cannot hold: from now on UTF-8, the CP932 version kept.
    std::string kept;
    if (!keepCopyBeside(path, ".sjis", &kept)) {
        std::fprintf(stderr, "sorvel_p: %s must now be written in UTF-8 and no copy of its Shift_JIS version "
                             "could be kept; not saved\n", path.c_str());
        return false;
    }
    if (!replaceFile(path, utf8)) {
        if (!kept.empty()) std::remove(kept.c_str());   // tried again at the next save
        return false;
    }
    if (!kept.empty()) {
        std::fprintf(stderr, "sorvel_p: %s holds a name Shift_JIS cannot store; it is written in UTF-8 from now "
                             "on, its Shift_JIS version is kept as %s\n", path.c_str(), kept.c_str());
    }
    remembered().erase(it);
    return true;
}

}  // namespace sorvel

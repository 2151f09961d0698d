#include "persistence/ItemFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {

namespace {
constexpr size_t kMaxFileBytes = 256u * 1024u * 1024u;

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

std::optional<std::string> readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    data.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
        if (data.size() > kMaxFileBytes) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return data;
}

bool writeFileAtomically(const std::string& path, std::string_view content) {
    std::string tmpl = path + ".tmp-XXXXXX";
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    // Keep the permissions an existing file had, else the usual 0644.
    struct stat st {};
    const mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmpl.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

void ItemReader::skipDelimiter() {
    // Skip blanks after the item, then one comma or one line end (CR LF,
    // CR or LF).
    while (pos_ < d_.size() && (d_[pos_] == ' ' || d_[pos_] == '\t')) ++pos_;
    if (pos_ >= d_.size()) return;
    if (d_[pos_] == ',') {
        ++pos_;
        return;
    }
    if (d_[pos_] == '\r') {
        ++pos_;
        if (pos_ < d_.size() && d_[pos_] == '\n') ++pos_;
        return;
    }
    if (d_[pos_] == '\n') ++pos_;
}

bool ItemReader::readRaw(std::string& out, bool& quoted) {
    out.clear();
    quoted = false;
    while (pos_ < d_.size() && (d_[pos_] == ' ' || d_[pos_] == '\t')) ++pos_;
    if (pos_ >= d_.size()) return false;
    if (d_[pos_] == '"') {
        quoted = true;
        const size_t start = pos_ + 1;
        const size_t close = d_.find('"', start);
        if (close == std::string_view::npos) {
            // An unterminated quote runs to the end of the line.
            size_t e = start;
            while (e < d_.size() && !isLineEnd(d_[e])) ++e;
            out.assign(d_.substr(start, e - start));
            pos_ = e;
        } else {
            out.assign(d_.substr(start, close - start));
            pos_ = close + 1;
            // Anything after a stray closing quote up to the delimiter is dropped.
            while (pos_ < d_.size() && d_[pos_] != ',' && !isLineEnd(d_[pos_])) ++pos_;
        }
    } else {
        const size_t start = pos_;
        while (pos_ < d_.size() && d_[pos_] != ',' && !isLineEnd(d_[pos_])) ++pos_;
        size_t e = pos_;
        while (e > start && (d_[e - 1] == ' ' || d_[e - 1] == '\t')) --e;
        out.assign(d_.substr(start, e - start));
    }
    skipDelimiter();
    return true;
}

bool ItemReader::readText(std::string& out) {
    bool quoted = false;
    return readRaw(out, quoted);
}

bool ItemReader::readNumber(int64_t& out, int64_t lo, int64_t hi) {
    std::string raw;
    bool quoted = false;
    if (!readRaw(raw, quoted)) return false;
    if (raw.empty()) {
        out = 0;
        return lo <= 0 && 0 <= hi;
    }
    // Plain decimal, optionally with a fraction or exponent (rounded half to
    // even); nothing else may follow.
    for (char c : raw) {
        if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) return false;
    }
    const auto v = parseReal(raw);
    if (!v || !std::isfinite(*v)) return false;
    const double r = std::nearbyint(*v);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return false;
    out = static_cast<int64_t>(r);
    return true;
}

std::optional<double> parseReal(std::string_view t) {
    bool neg = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        neg = t[0] == '-';
        t.remove_prefix(1);
    }
    double v = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (t.empty() || res.ptr != t.data() + t.size()) return std::nullopt;
    if (res.ec == std::errc::result_out_of_range) {
        v = t.find("e-") != std::string_view::npos ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (res.ec != std::errc()) {
        return std::nullopt;
    }
    return neg ? -v : v;
}

void appendTextLine(std::string& out, std::string_view text) {
    out += '"';
    out += text;
    out += "\"\r\n";
}

void appendNumberLine(std::string& out, int64_t n) {
    out += std::to_string(n);
    out += "\r\n";
}

}  // namespace sorvel

namespace sorvel {
bool fitsItemFile(std::string_view text) {
    return text.find_first_of("\"\r\n") == std::string_view::npos;
}
}  // namespace sorvel

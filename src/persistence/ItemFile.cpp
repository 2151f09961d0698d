#include "persistence/ItemFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {

namespace {
constexpr size_t kMaxFileBytes = 256u * 1024u * 1024u;

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
}  // namespace

std::optional<std::string> readWholeFile(const std::string& path, ReadStatus* status) {
    auto fail = [&](ReadStatus st) -> std::optional<std::string> {
        if (status) *status = st;
        return std::nullopt;
    };
    // Opened without blocking, so a FIFO or a device under our name cannot
    // hang the start; only a plain file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return fail(errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        return fail(ReadStatus::Failed);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return fail(ReadStatus::Failed);
    }
    std::string data;
    data.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return fail(ReadStatus::Failed);
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
        if (data.size() > kMaxFileBytes) {
            ::close(fd);
            return fail(ReadStatus::Failed);
        }
    }
    ::close(fd);
    if (status) *status = ReadStatus::Ok;
    return data;
}

std::string resolveSymlinks(const std::string& path) {
    std::string p = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return p;
        std::string target(buf, static_cast<size_t>(n));
        if (target[0] != '/') {
            const auto slash = p.rfind('/');
            target = (slash == std::string::npos ? std::string() : p.substr(0, slash + 1)) + target;
        }
        p = std::move(target);
    }
    return p;
}

namespace {
ssize_t plainWrite(int fd, const void* buf, size_t n) { return ::write(fd, buf, n); }
WriteCall g_write = plainWrite;

std::map<std::string, Damage>& damagedFiles() {
    static std::map<std::string, Damage> files;
    return files;
}
}  // namespace

WriteCall setWriteCall(WriteCall call) {
    const WriteCall old = g_write;
    g_write = call ? call : plainWrite;
    return old;
}

namespace {
constexpr char kTempMark[] = ".tmp-";
constexpr size_t kTempMarkLen = sizeof kTempMark - 1;
constexpr size_t kTempSuffixLen = 6;   // what mkostemp puts in place of XXXXXX

bool isTempSuffix(std::string_view s) {
    return s.size() == kTempSuffixLen && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

// Something under the name that is not a plain file (a FIFO, a device, a
// folder) is never renamed over: it is the user's, not a damaged data file.
bool refuseNonRegular(const std::string& path, const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
    std::fprintf(stderr, "sorvel_p: could not save %s: not a regular file; left as it is\n", path.c_str());
    return true;
}

// A save through a link writes its temporary beside the link's target, out
// of reach of the clean-up at start: leftovers of that target's own
// temporaries are removed here. Fresh ones may belong to a save running in
// another program folder that links the same file, so they are left alone.
void removeLeftoverTempsOf(const std::string& target) {
    constexpr time_t kStaleSeconds = 10 * 60;
    namespace fs = std::filesystem;
    const fs::path t(target);
    const std::string base = t.filename().string();
    std::error_code ec;
    fs::directory_iterator it(t.has_parent_path() ? t.parent_path() : fs::path("."), ec), end;
    const time_t now = ::time(nullptr);
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != base.size() + kTempMarkLen + kTempSuffixLen || name.compare(0, base.size(), base) != 0 ||
            name.compare(base.size(), kTempMarkLen, kTempMark) != 0 ||
            !isTempSuffix(std::string_view(name).substr(base.size() + kTempMarkLen)))
            continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || now - st.st_mtime < kStaleSeconds)
            continue;
        std::error_code rec;
        fs::remove(it->path(), rec);
    }
}
}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view content) {
    const std::string target = resolveSymlinks(path);
    if (refuseNonRegular(path, target)) return false;
    if (target != path) removeLeftoverTempsOf(target);
    std::string tmpl = target + kTempMark + "XXXXXX";
    const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "sorvel_p: could not save %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    size_t done = 0;
    int err = 0;
    while (done < content.size()) {
        const ssize_t n = g_write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        if (n == 0) {
            err = ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (!err && ::fsync(fd) != 0) err = errno;
    // Keep the permissions an existing file had, else the usual 0644; the
    // owner can always read and write it, so a file that could not be read
    // (and was kept as NAME.bad) is not replaced by another unreadable one.
    struct stat st {};
    const mode_t mode = ((::stat(target.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644) | S_IRUSR | S_IWUSR;
    ::fchmod(fd, mode);
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(tmpl.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(tmpl.c_str());
        std::fprintf(stderr, "sorvel_p: could not save %s: %s\n", path.c_str(), std::strerror(err));
        return false;
    }
    return true;
}

void removeLeftoverTempFiles(const std::string& folder) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const auto mark = name.rfind(".dat.tmp-");
        if (mark == std::string::npos || mark == 0 || name.size() != mark + 9 + 6) continue;
        // Only what our own saves leave behind.
        const std::string base = name.substr(0, mark);
        if (base != "data" && base != "lot" && base != "midpage" && base.rfind("midlist", 0) != 0) continue;
        std::error_code rec;
        if (it->is_regular_file(rec) && !it->is_symlink(rec)) std::filesystem::remove(it->path(), rec);
    }
}

void noteReadResult(const std::string& path, Damage d) {
    if (d == Damage::None) damagedFiles().erase(path);
    else damagedFiles()[path] = d;
}

Damage damageOf(const std::string& path) {
    const auto it = damagedFiles().find(path);
    return it == damagedFiles().end() ? Damage::None : it->second;
}

namespace {
// Keeps the bytes now at path under a free NAME.bad name: a second name for
// the same file where the file system allows it, else a copy.
bool keepDamagedCopy(const std::string& path) {
    const std::string target = resolveSymlinks(path);
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT;   // nothing left to keep
    std::string bad = path + ".bad";
    for (int i = 2; ::lstat(bad.c_str(), &st) == 0 || errno != ENOENT; ++i) {
        if (i > 1000) return false;
        bad = path + ".bad" + std::to_string(i);
    }
    bool kept = ::link(target.c_str(), bad.c_str()) == 0;
    if (!kept) {
        std::error_code ec;
        kept = std::filesystem::copy_file(target, bad, ec) && !ec;
        if (!kept) std::filesystem::remove(bad, ec);
    }
    if (kept) {
        std::fprintf(stderr, "sorvel_p: %s could not be read completely; its old content is kept as %s\n",
                     path.c_str(), bad.c_str());
    } else {
        std::fprintf(stderr, "sorvel_p: %s could not be read completely and no copy could be kept; not saved\n",
                     path.c_str());
    }
    return kept;
}
}  // namespace

bool replaceFile(const std::string& path, std::string_view content) {
    if (refuseNonRegular(path, resolveSymlinks(path))) return false;
    if (damageOf(path) != Damage::None) {
        if (!keepDamagedCopy(path)) return false;
        noteReadResult(path, Damage::None);
    }
    return writeFileAtomically(path, content);
}

namespace {
// True when text holds any of the few characters in set: one vectorised
// scan a character (find_first_of looks the set up for every byte).
bool holdsAny(std::string_view text, std::string_view set) {
    for (char c : set) {
        if (!text.empty() && std::memchr(text.data(), c, text.size())) return true;
    }
    return false;
}
}  // namespace

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
            lossy_ = true;
        } else {
            out.assign(d_.substr(start, close - start));
            if (holdsAny(out, "\r\n")) lossy_ = true;
            pos_ = close + 1;
            // Anything after a stray closing quote up to the delimiter is dropped.
            while (pos_ < d_.size() && d_[pos_] != ',' && !isLineEnd(d_[pos_])) {
                if (d_[pos_] != ' ' && d_[pos_] != '\t') lossy_ = true;
                ++pos_;
            }
        }
    } else {
        const size_t start = pos_;
        while (pos_ < d_.size() && d_[pos_] != ',' && !isLineEnd(d_[pos_])) ++pos_;
        size_t e = pos_;
        while (e > start && (d_[e - 1] == ' ' || d_[e - 1] == '\t')) --e;
        out.assign(d_.substr(start, e - start));
        if (out.find('"') != std::string::npos) lossy_ = true;
    }
    skipDelimiter();
    return true;
}

bool ItemReader::readText(std::string& out) {
    std::string text;
    bool quoted = false;
    if (!readRaw(text, quoted)) return false;
    out = std::move(text);
    return true;
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

std::vector<std::string> readListEntries(std::string_view data, bool* lossy) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(std::count(data.begin(), data.end(), '\n')) + 1);   // one entry a line
    ItemReader r(data);
    std::string field;
    while (!r.atEnd() && r.readText(field)) entries.push_back(std::move(field));
    if (lossy) *lossy = r.lossy();
    return entries;
}

std::string encodeListEntries(const std::vector<std::string>& entries) {
    std::string out;
    for (const auto& e : entries) {
        if (!e.empty() && fitsItemFile(e)) appendTextLine(out, e);
    }
    return out;
}

void appendTextLine(std::string& out, std::string_view text) {
    out += '"';
    if (fitsItemFile(text)) out += text;
    out += "\"\r\n";
}

void appendNumberLine(std::string& out, int64_t n) {
    out += std::to_string(n);
    out += "\r\n";
}

}  // namespace sorvel

namespace sorvel {
bool fitsItemFile(std::string_view text) { return !holdsAny(text, "\"\r\n"); }
}  // namespace sorvel

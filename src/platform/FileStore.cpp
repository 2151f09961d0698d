#include "platform/FileStore.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvel {

namespace {
constexpr size_t kMaxFileBytes = 256u * 1024u * 1024u;

FileStamp stampFrom(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    return s;
}
}  // namespace

FileStamp stampOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? stampFrom(st) : FileStamp{};
}

std::optional<std::string> readWholeFile(const std::string& path, ReadStatus* status, FileStamp* stamp) {
    auto fail = [&](ReadStatus st) -> std::optional<std::string> {
        if (status) *status = st;
        if (stamp) *stamp = stampOf(path);
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
    if (stamp) *stamp = stampFrom(st);
    return data;
}

std::vector<uint8_t> readOrCreateFile(const std::string& path, size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    std::vector<uint8_t> out;
    if (const auto data = readWholeFile(path)) {
        const size_t n = std::min(data->size(), maxBytes);
        out.assign(data->begin(), data->begin() + static_cast<std::ptrdiff_t>(n));
    }
    return out;
}

bool folderOfFileIsThere(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(folder.c_str(), R_OK | X_OK) == 0;
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

// Whether this user may write the file, as the kernel decides it for the
// effective user (root may write anything on a writable file system).
int plainAccess(const char* path) { return ::faccessat(AT_FDCWD, path, W_OK, AT_EACCESS); }
AccessCall g_access = plainAccess;

std::map<std::string, Damage>& damagedFiles() {
    static std::map<std::string, Damage> files;
    return files;
}

// The version of each file as this launcher last read or wrote it.
std::map<std::string, FileStamp>& seenVersions() {
    static std::map<std::string, FileStamp> files;
    return files;
}
}  // namespace

WriteCall setWriteCall(WriteCall call) {
    const WriteCall old = g_write;
    g_write = call ? call : plainWrite;
    return old;
}

AccessCall setAccessCall(AccessCall call) {
    const AccessCall old = g_access;
    g_access = call ? call : plainAccess;
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

// A file this user may not write is theirs to keep as it is: renaming over
// it needs only the folder's permission, so it is asked here, as an editor
// saving safely asks.
bool refuseReadOnly(const std::string& path, const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || g_access(target.c_str()) == 0) return false;
    std::fprintf(stderr, "sorvel_p: could not save %s: this user may not write it; left as it is\n", path.c_str());
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
    if (refuseNonRegular(path, target) || refuseReadOnly(path, target)) return false;
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
    // Keep the permissions an existing file had, else the usual 0644. The
    // owner can always read it, so a file that could not be read (and was
    // kept as NAME.bad) is not replaced by another unreadable one; write
    // permission is never added.
    struct stat st {};
    const mode_t mode = (::stat(target.c_str(), &st) == 0) ? ((st.st_mode & 07777) | S_IRUSR) : 0644;
    ::fchmod(fd, mode);
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(tmpl.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(tmpl.c_str());
        std::fprintf(stderr, "sorvel_p: could not save %s: %s\n", path.c_str(), std::strerror(err));
        return false;
    }
    seenVersions()[path] = stampOf(target);
    return true;
}

void removeLeftoverTempFiles(const std::string& folder, bool (*saved)(std::string_view name)) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? std::string(".") : folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const auto mark = name.rfind(kTempMark);
        if (mark == std::string::npos || mark == 0 || name.size() != mark + sizeof kTempMark - 1 + 6) continue;
        // Only what our own saves leave behind.
        if (!saved(std::string_view(name).substr(0, mark))) continue;
        std::error_code rec;
        if (it->is_regular_file(rec) && !it->is_symlink(rec)) std::filesystem::remove(it->path(), rec);
    }
}

void noteReadResult(const std::string& path, Damage d, const FileStamp* seen) {
    if (d == Damage::None) damagedFiles().erase(path);
    else damagedFiles()[path] = d;
    seenVersions()[path] = seen ? *seen : stampOf(path);
}

Damage damageOf(const std::string& path) {
    const auto it = damagedFiles().find(path);
    return it == damagedFiles().end() ? Damage::None : it->second;
}

namespace {
// Keeps the bytes now at path under a free name path + suffix (then suffix
// and 2, 3, ...): a second name for the same file where the file system
// allows it, else a copy. True with *kept empty when there is nothing left
// to keep; false when a copy was needed and could not be made.
bool keepCopy(const std::string& path, const char* suffix, std::string* kept) {
    kept->clear();
    const std::string target = resolveSymlinks(path);
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT;   // nothing left to keep
    std::string name = path + suffix;
    for (int i = 2; ::lstat(name.c_str(), &st) == 0 || errno != ENOENT; ++i) {
        if (i > 1000) return false;
        name = path + suffix + std::to_string(i);
    }
    bool ok = ::link(target.c_str(), name.c_str()) == 0;
    if (!ok) {
        std::error_code ec;
        ok = std::filesystem::copy_file(target, name, ec) && !ec;
        if (!ok) std::filesystem::remove(name, ec);
    }
    if (ok) *kept = name;
    return ok;
}

bool keepDamagedCopy(const std::string& path) {
    std::string bad;
    const bool kept = keepCopy(path, ".bad", &bad);
    if (kept && bad.empty()) return true;
    if (kept) {
        std::fprintf(stderr, "sorvel_p: %s could not be read completely; its old content is kept as %s\n",
                     path.c_str(), bad.c_str());
    } else {
        std::fprintf(stderr, "sorvel_p: %s could not be read completely and no copy could be kept; not saved\n",
                     path.c_str());
    }
    return kept;
}

// True when a file is on disk under path that is not the version this
// launcher last read or wrote there (one it never looked at is not asked).
bool changedOutside(const std::string& path) {
    const auto it = seenVersions().find(path);
    if (it == seenVersions().end()) return false;
    const FileStamp now = stampOf(path);
    return now.exists && !(now == it->second);
}

bool keepOutsideCopy(const std::string& path) {
    std::string copy;
    const bool kept = keepCopy(path, ".outside", &copy);
    if (kept && copy.empty()) return true;
    if (kept) {
        std::fprintf(stderr, "sorvel_p: %s was changed by another program; that version is kept as %s\n",
                     path.c_str(), copy.c_str());
    } else {
        std::fprintf(stderr, "sorvel_p: %s was changed by another program and no copy could be kept; not saved\n",
                     path.c_str());
    }
    return kept;
}
}  // namespace

bool keepCopyBeside(const std::string& path, const char* suffix, std::string* kept) {
    return keepCopy(path, suffix, kept);
}

bool replaceFile(const std::string& path, std::string_view content) {
    const std::string target = resolveSymlinks(path);
    if (refuseNonRegular(path, target) || refuseReadOnly(path, target)) return false;
    if (changedOutside(path)) {
        // The outside version is what the user last put there; the damaged
        // bytes read earlier are gone with it.
        if (!keepOutsideCopy(path)) return false;
        damagedFiles().erase(path);
        seenVersions()[path] = stampOf(path);   // kept: not copied again if this save fails
    } else if (damageOf(path) != Damage::None) {
        if (!keepDamagedCopy(path)) return false;
        damagedFiles().erase(path);
    }
    return writeFileAtomically(path, content);
}

}  // namespace sorvel

// The program's own files on disk: whole-file reading, atomic replacement,
// clean-up of temporaries a crash left, and the bookkeeping that keeps a
// file's old bytes before a save replaces them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <cstdint>
#include <sys/types.h>

namespace sorvel {

// How a whole-file read ended: read, not there at all, or there but not
// readable (no permission, not a plain file, larger than the cap).
enum class ReadStatus { Ok, Missing, Failed };

// Which version of a file is on disk: enough to tell that it was replaced
// or edited since it was last seen.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file a path names now (through links).
FileStamp stampOf(const std::string& path);

// Reads a whole file (up to a sane cap). nullopt when it cannot be read;
// anything but a plain file (a FIFO, a device, a folder) counts as not
// readable and is never waited on. stamp, when given, receives the version
// that was read (or the one on disk when it could not be read).
std::optional<std::string> readWholeFile(const std::string& path, ReadStatus* status = nullptr,
                                         FileStamp* stamp = nullptr);

// Reads up to maxBytes of a file, creating it empty when it is missing (a
// file the user is meant to find and fill); nothing when it cannot be read.
std::vector<uint8_t> readOrCreateFile(const std::string& path, size_t maxBytes);

// Whether the folder a file would be in is there to look in now: the path
// is absolute and its folder exists, is a folder, and may be read and
// searched. When it is, a missing file is really gone; when it is not (a
// stick not plugged in, a share not mounted, a path from another system),
// the file may well come back.
bool folderOfFileIsThere(const std::string& path);

// Writes content to a temporary file beside the file (beside a symlink's
// final target, so the link stays), flushes it and renames it over the
// file, so the old content survives any failure. The new file keeps the
// old one's permissions, adding only owner read (never write); a new file
// gets 0644. A name holding anything but a plain file, or a file this user
// may not write, is left as it is and not saved. Saving through a link also
// removes stale temporaries of the target left by a crash. Returns false
// (leaving the old file untouched, one line on stderr naming it) on any
// error. The version written becomes the one last seen (see replaceFile).
bool writeFileAtomically(const std::string& path, std::string_view content);

// Removes the temporary files ("NAME.tmp-" and six characters) that a save
// of a file NAME cut short by a crash or a power loss left in the folder,
// for the names `saved` says the program saves there.
void removeLeftoverTempFiles(const std::string& folder, bool (*saved)(std::string_view name));

// The path a chain of symlinks ends at (path itself when it is no link).
// A dangling link gives the path it points to.
std::string resolveSymlinks(const std::string& path);

// The write(2) the atomic writer uses for the content. Tests put a failing
// one in place to stand for a full disk; returns the one replaced.
using WriteCall = ssize_t (*)(int fd, const void* buf, size_t n);
WriteCall setWriteCall(WriteCall call);

// The access(2)-like check of whether this user may write an existing file
// (0 when allowed). Tests put one in place that answers as a normal user
// would where the suite runs as root; returns the one replaced.
using AccessCall = int (*)(const char* path);
AccessCall setAccessCall(AccessCall call);

// Files that exist but could not be read completely are remembered; the
// first save that replaces one keeps its old bytes beside it as NAME.bad.
// The version read is remembered too (seen, or the file on disk now when
// not given), so that a later save can tell an outside edit.
enum class Damage { None, Partial, Unreadable };
void noteReadResult(const std::string& path, Damage d, const FileStamp* seen = nullptr);
Damage damageOf(const std::string& path);

// writeFileAtomically, with the old bytes kept first when they would be
// lost: when the file on disk is no longer the version last read or written
// here (edited or replaced by another program), that version is kept as
// path + ".outside" (or ".outside2", ...); else when path was noted as
// damaged, its bytes are kept as path + ".bad" (or ".bad2", ...). One
// stderr line names each copy. When a copy cannot be kept, nothing is
// written and the result is false. A file this user may not write is not
// replaced and nothing is copied.
bool replaceFile(const std::string& path, std::string_view content);

// Keeps the bytes now at path under the first free name of path + suffix,
// then path + suffix + "2", "3" ... (*kept names it). True with *kept empty
// when no file is there; false when no copy could be made.
bool keepCopyBeside(const std::string& path, const char* suffix, std::string* kept);

}  // namespace sorvel

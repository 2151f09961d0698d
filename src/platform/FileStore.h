// The program's own files on disk: whole-file reading, atomic replacement,
// clean-up of temporaries a crash left, and the bookkeeping that keeps a
// file's old bytes before a save replaces them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace sorvel {

// How a whole-file read ended: read, not there at all, or there but not
// readable (no permission, not a plain file, larger than the cap).
enum class ReadStatus { Ok, Missing, Failed };

// Reads a whole file (up to a sane cap). nullopt when it cannot be read;
// anything but a plain file (a FIFO, a device, a folder) counts as not
// readable and is never waited on.
std::optional<std::string> readWholeFile(const std::string& path, ReadStatus* status = nullptr);

// Writes content to a temporary file beside the file (beside a symlink's
// final target, so the link stays), flushes it and renames it over the
// file, so the old content survives any failure. The new file keeps the
// old one's permissions, always with owner read and write. A name holding
// anything but a plain file is left as it is and not saved. Saving through
// a link also removes stale temporaries of the target left by a crash.
// Returns false (leaving the old file untouched, one line on stderr naming
// it) on any error.
bool writeFileAtomically(const std::string& path, std::string_view content);

// Removes the temporary files ("NAME.dat.tmp-" and six characters) that a
// save cut short by a crash or a power loss left in the folder.
void removeLeftoverTempFiles(const std::string& folder);

// The path a chain of symlinks ends at (path itself when it is no link).
// A dangling link gives the path it points to.
std::string resolveSymlinks(const std::string& path);

// The write(2) the atomic writer uses for the content. Tests put a failing
// one in place to stand for a full disk; returns the one replaced.
using WriteCall = ssize_t (*)(int fd, const void* buf, size_t n);
WriteCall setWriteCall(WriteCall call);

// Files that exist but could not be read completely are remembered; the
// first save that replaces one keeps its old bytes beside it as NAME.bad.
enum class Damage { None, Partial, Unreadable };
void noteReadResult(const std::string& path, Damage d);
Damage damageOf(const std::string& path);

// writeFileAtomically, but when path was noted as damaged its old bytes
// are kept as path + ".bad" first (or ".bad2", ... when that is taken).
// When they cannot be kept, nothing is written and the result is false.
bool replaceFile(const std::string& path, std::string_view content);

}  // namespace sorvel

// Line-per-item text files: quoted texts and plain decimal numbers, one item
// per CR LF line. Reading is item-based: a comma or a line end ends an item.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <sys/types.h>

#include "platform/AppPaths.h"

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

class ItemReader {
public:
    explicit ItemReader(std::string_view data) : d_(data) {}

    // True when no unread content remains.
    bool atEnd() const { return pos_ >= d_.size(); }

    // Reads one text item. False when there is nothing left to read; out
    // is then left as it was.
    bool readText(std::string& out);
    // Reads one number item that must fit [lo, hi]; false on end of data,
    // on text that is not a number or on a value out of range.
    bool readNumber(int64_t& out, int64_t lo, int64_t hi);

    // True once an item was read that the writer would not give back as it
    // stood: an unclosed quote, text after a closing quote, a quote inside
    // an unquoted item, or a line end inside a quoted one.
    bool lossy() const { return lossy_; }

private:
    bool readRaw(std::string& out, bool& quoted);
    void skipDelimiter();
    std::string_view d_;
    size_t pos_ = 0;
    bool lossy_ = false;
};

// A list file: every field (quoted or not, ended by a comma or a line end)
// is one entry. lossy as for ItemReader.
std::vector<std::string> readListEntries(std::string_view data, bool* lossy = nullptr);
// One quoted line per entry; empty entries and ones the file cannot hold
// are left out.
std::string encodeListEntries(const std::vector<std::string>& entries);

// Locale-independent reading of a whole text as a real number: an optional
// sign, digits, a decimal point and an exponent. Out of range gives +/-inf
// (or 0 for an underflow); nullopt when the text is not such a number.
std::optional<double> parseReal(std::string_view text);

// True when a text can be stored as one quoted item and read back as it
// was: no double quote, CR or LF in it. Targets and music files whose names
// fail this are refused rather than stored.
bool fitsItemFile(std::string_view text);

// Writers for one line each (CR LF ended). A text that does not fit the
// file is not stored: its line holds an empty item.
void appendTextLine(std::string& out, std::string_view text);
void appendNumberLine(std::string& out, int64_t n);

}  // namespace sorvel

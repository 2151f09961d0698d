// Line-per-item text files: quoted texts and plain decimal numbers, one item
// per CR LF line. Reading is item-based: a comma or a line end ends an item.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AppPaths.h"

namespace sorvel {

// Reads a whole file (up to a sane cap). nullopt when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

// Writes content to a temporary file in the same folder, flushes it and
// renames it over path, so the old file survives any failure. Returns
// false (leaving the old file untouched) on any error.
bool writeFileAtomically(const std::string& path, std::string_view content);

class ItemReader {
public:
    explicit ItemReader(std::string_view data) : d_(data) {}

    // True when no unread content remains.
    bool atEnd() const { return pos_ >= d_.size(); }

    // Reads one text item. False when there is nothing left to read.
    bool readText(std::string& out);
    // Reads one number item that must fit [lo, hi]; false on end of data,
    // on text that is not a number or on a value out of range.
    bool readNumber(int64_t& out, int64_t lo, int64_t hi);

private:
    bool readRaw(std::string& out, bool& quoted);
    void skipDelimiter();
    std::string_view d_;
    size_t pos_ = 0;
};

// Locale-independent reading of a whole text as a real number: an optional
// sign, digits, a decimal point and an exponent. Out of range gives +/-inf
// (or 0 for an underflow); nullopt when the text is not such a number.
std::optional<double> parseReal(std::string_view text);

// True when a text can be stored as one quoted item and read back as it
// was: no double quote, CR or LF in it. Targets and music files whose names
// fail this are refused rather than stored.
bool fitsItemFile(std::string_view text);

// Writers for one line each (CR LF ended).
void appendTextLine(std::string& out, std::string_view text);
void appendNumberLine(std::string& out, int64_t n);

}  // namespace sorvel

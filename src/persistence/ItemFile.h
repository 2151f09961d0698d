// Line-per-item text files: quoted texts and plain decimal numbers, one item
// per CR LF line. Reading is item-based: a comma or a line end ends an item.
// Reading and saving the files themselves is platform/FileStore.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AppPaths.h"

namespace sorvel {

class ItemReader {
public:
    // A UTF-8 byte-order mark at the start, as some editors write one, is
    // no part of the first item.
    explicit ItemReader(std::string_view data) : d_(data) {
        if (d_.substr(0, 3) == "\xEF\xBB\xBF") d_.remove_prefix(3);
    }

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

// Writers for one line each (CR LF ended). A text that does not fit the
// file is not stored: its line holds an empty item.
void appendTextLine(std::string& out, std::string_view text);
void appendNumberLine(std::string& out, int64_t n);

}  // namespace sorvel

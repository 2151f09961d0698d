#include "persistence/ItemFile.h"

#include "launcher/SlotRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace sorvel {

namespace {
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

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

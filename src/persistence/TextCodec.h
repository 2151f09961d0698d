// The character encoding of the data and list files. In memory every text
// is UTF-8; files copied from Windows hold CP932 (Shift_JIS as Windows
// writes it). The rule for writing:
//  - a file read as CP932 is written back in CP932 while every item can be
//    encoded there; one the user did not change comes out byte for byte;
//  - once it must hold a name CP932 has no code for, it is written in UTF-8
//    from then on, and its CP932 version is kept once beside it as
//    NAME.sjis (one stderr line);
//  - every other file (new, UTF-8, or plain ASCII) is written in UTF-8.
// So no file ever holds two encodings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvel {

enum class TextEncoding { Utf8, Cp932 };

struct DecodedText {
    std::string text;                            // UTF-8
    TextEncoding encoding = TextEncoding::Utf8;  // how the bytes were taken
    bool complete = true;   // false: bytes neither encoding accepts became U+FFFD
};

bool isUtf8(std::string_view bytes);

// Valid UTF-8 (plain ASCII included) is taken as it stands, anything else
// as CP932.
DecodedText decodeText(std::string_view bytes);

// The CP932 bytes of a UTF-8 text; nullopt when a character has no code.
std::optional<std::string> encodeCp932(std::string_view utf8);

// decodeText, remembering for path how the file was stored and what it
// held, so that saveTextFile writes it back the same way.
DecodedText readTextFile(const std::string& path, std::string_view bytes);

// Writes a UTF-8 text to path in the encoding the rule above gives,
// through replaceFile. False when nothing was written.
bool saveTextFile(const std::string& path, std::string_view utf8);

}  // namespace sorvel

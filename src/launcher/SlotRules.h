// Slot kind, label and folder part of a slot's stored text, and the folder a
// path target is launched in. Plain functions so that the rules can be used
// with the Linux separator "/" and with "\" alike.
#pragma once

#include <string>

namespace sorvel {

enum class SlotKind { Empty, File, Folder, Url };

struct SlotSplit {
    std::string folderPart;
    std::string label;
};

// A link: a scheme in lower case followed by "://" ("https://",
// "ftp://", "file://", "sftp://" ...), or "mailto:". Letter case counts:
// "HTTP://" is no link here. Returns the scheme's length (without the
// colon), 0 for anything else.
size_t urlSchemeLength(const std::string& s);
bool isUrl(const std::string& s);

// Separator used for the split: "/" for a URL, otherwise pathSep.
char separatorFor(const std::string& s, char pathSep);

// Split at the last separator that is not the last character.
SlotSplit splitSlot(const std::string& s, char pathSep);

SlotKind slotKind(const std::string& s, char pathSep);

// The same split for display: folder part and label each cut to their first
// maxBytes bytes, so that a huge hand-edited entry costs little to draw.
SlotSplit splitSlotForDisplay(const std::string& s, char pathSep, size_t maxBytes);

// Text up to and including the last separator (a trailing one counts);
// empty when the text holds none.
std::string launchFolder(const std::string& s, char pathSep);

// Slot number shown on button i of page p.
inline int slotNumber(int page, int index) { return page * 10 + index; }

}  // namespace sorvel

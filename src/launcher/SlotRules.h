// Slot kind, label and folder part of a slot's stored text, and the folder a
// path target is launched in. Plain functions so that the rules can be used
// with the Linux separator "/" and with "\" alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvel {

// The separator of this system's paths; Windows paths have their own
// (pathSepFor).
constexpr char kPathSep = '/';

// True when a text can be stored as one quoted item of the data and list
// files and read back as it was: no double quote, CR or LF in it. Targets
// and music files whose names fail this are refused rather than stored.
bool fitsItemFile(std::string_view text);

class WinePaths;

enum class SlotKind { Empty, File, Folder, Url };

struct SlotSplit {
    std::string folderPart;
    std::string label;
};

// A link, as platform/Links.h says (LinkCase::AsWritten): the scheme's
// length (without the colon), 0 for anything else.
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

// Windows paths, as files copied from Windows hold them: a drive path
// X:\... (any drive letter, either case; X:\ alone is the drive's root
// folder) or a UNC path \\server\share\... . Their separator is "\".
bool isDrivePath(const std::string& s);
bool isUncPath(const std::string& s);
bool isWindowsPath(const std::string& s);

// The separator the kind, label and launch-folder rules use for a slot's
// text: "\" for a Windows path, localSep for everything else.
char pathSepFor(const std::string& s, char localSep);

// The local path a drive path leads to through the Wine drive map (names
// matched without regard to letter case, "." and ".." taken as Windows
// takes them). nullopt when it leads nowhere, and for every text that is no
// drive path (a UNC path, a URL, a local path). The one-argument form asks
// the drive map of $WINEPREFIX, else ~/.wine.
std::optional<std::string> mapWindowsPath(const std::string& s, WinePaths& wine);
std::optional<std::string> mapWindowsPath(const std::string& s);

// The address the desktop opens a UNC path \\server\share\rest at:
// smb://server/share/rest, every byte but letters, digits, "-._~" and "/"
// percent-encoded.
std::string uncToSmbUrl(const std::string& s);

// A program Wine starts: a file target whose name ends in ".exe" (any case).
bool isWindowsProgram(const std::string& s);

// Slot number shown on button i of page p.
inline int slotNumber(int page, int index) { return page * 10 + index; }

}  // namespace sorvel

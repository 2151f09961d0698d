// data.dat (slot targets and window position), lot.dat (use counts) and
// midpage.dat (music page), kept in the program folder.
#pragma once

#include <string>
#include <string_view>

#include "launcher/LauncherState.h"

namespace sorvel {

// What loading and saving the data files hand over to the rest of the
// program; each step does nothing unless overridden.
class DataFileHost {
public:
    virtual ~DataFileHost() = default;
    // Last step of SaveData: the shown music list goes to its own file.
    virtual void saveMusicList() {}
    // After midpage.dat: the page menu's "keep the page" entry.
    virtual void keepMusicPage() {}
    // After that: fill the music list of the loaded page.
    virtual void loadMusicList() {}
    // Always last: move the window to windowPosition (twips).
    virtual void placeWindow(int32_t left, int32_t top) {
        (void)left;
        (void)top;
    }
};

// Readers of one file's content, in passes; false at the first failure
// (the items read before it keep their new values, the others what they
// held). lossy, when given, tells whether an item was read that the writer
// would not give back as it stood.
bool parseDataDat(std::string_view data, LauncherState& s, bool* lossy = nullptr);
bool parseLotDat(std::string_view data, LauncherState& s, bool* lossy = nullptr);
bool parseMidpageDat(std::string_view data, LauncherState& s, bool* lossy = nullptr);

std::string encodeDataDat(const LauncherState& s);
std::string encodeLotDat(const LauncherState& s);
std::string encodeMidpageDat(const LauncherState& s);

// Writes data.dat, lot.dat and midpage.dat, each in the encoding the rule
// of persistence/TextCodec.h gives and through a temporary file that
// replaces the old one (a damaged one is first kept as NAME.bad), then
// the music list through the host's saveMusicList. A file that cannot be written keeps
// its old content and one stderr line names it. When data.dat fails, the
// targets on disk stay, and lot.dat gets the counts that go with them:
// today's for a slot whose target is unchanged, the stored one for a slot
// registered anew (not written at all when the targets on disk cannot be
// read); midpage.dat and the music list are written whatever failed.
// Returns false when any of the three files was not written.
bool SaveData(const std::string& folder, const LauncherState& s, DataFileHost& host);

// Writes lot.dat alone, as SaveData does when data.dat cannot be written:
// today's count for every slot whose target on disk is the one held now,
// the stored count for the others (nothing when the targets on disk cannot
// be read). A use is counted on disk at once this way, without writing the
// targets. Returns false when lot.dat was not written.
bool SaveCounts(const std::string& folder, const LauncherState& s);

// Reads the three files in passes, each as UTF-8 or CP932 (whichever it
// is, persistence/TextCodec.h). A failure ends the reading of that file
// only, keeping what was read; the later files, the page menu step and the
// music list of the page are still read, and the window is always placed.
// Temporary files left by an interrupted save are removed first.
void LoadData(const std::string& folder, LauncherState& s, DataFileHost& host);

}  // namespace sorvel

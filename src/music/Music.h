// Background music: the music list with its selection rule, the list files,
// pages and favourites, the player with its play patterns, and the sliding
// list panel. Plain C++; the controls around the list are reached through
// MusicPanelView.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "launcher/LauncherState.h"
#include "platform/Services.h"
#include "platform/WinePaths.h"

namespace sorvel {

// Told of every change to a music list, in the order a list model needs:
// begin before the change, end after it.
class MusicListObserver {
public:
    virtual ~MusicListObserver() = default;
    virtual void beginReset() = 0;
    virtual void endReset() = 0;
    virtual void beginInsert(int row) = 0;
    virtual void endInsert() = 0;
    virtual void beginRemove(int row) = 0;
    virtual void endRemove() = 0;
    virtual void selectionChanged() = 0;
};

// The music list: entries, and a selection whose change runs the click
// reaction exactly as a user's click does.
class MusicList {
public:
    std::function<void()> onClick;           // the click reaction
    MusicListObserver* observer = nullptr;   // the view's model, if any

    int count() const { return static_cast<int>(items_.size()); }
    int selected() const { return selected_; }
    const std::string& at(int i) const { return items_[static_cast<size_t>(i)]; }
    std::string selectedText() const { return selected_ >= 0 ? items_[static_cast<size_t>(selected_)] : std::string(); }
    const std::vector<std::string>& items() const { return items_; }

    // Selecting a different entry runs the click reaction; -1 clears the
    // selection without it. force runs it even when nothing changes.
    void select(int i, bool force = false);
    void insertTop(const std::string& text);
    void append(const std::string& text);
    void removeAt(int i);
    void clear();
    // All entries at once (a reset), with the given selection (-1: none).
    void replaceAll(std::vector<std::string> items, int selected);
    // Index of the first entry with exactly this text, -1 when none.
    int find(const std::string& text) const;

    // While a Batch lives, changes are not reported one by one; when the
    // last Batch ends, one reset reports them all (if there were any).
    class Batch {
    public:
        explicit Batch(MusicList& l) : l_(l) { ++l_.batch_; }
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        MusicList& l_;
    };

private:
    bool quiet() const { return batch_ > 0 || !observer; }
    std::vector<std::string> items_;
    int selected_ = -1;
    int batch_ = 0;
    bool batchDirty_ = false;
};

constexpr int kLastMusicPage = 250;

// "midlist" + page part + ".dat" in the folder.
std::string musicListPath(const std::string& folder, int musicPage, int favouritesMode);
bool SaveMusicList(const std::string& folder, const LauncherState& s, const MusicList& list);
void LoadMusicList(const std::string& folder, const LauncherState& s, MusicList& list);

extern const char* const kPatternCaptions[4];   // 単曲 単連 連曲 繰返

// What the music controller asks of the controls around the music list.
// The window's music panel implements it; tests implement it with a fake.
class MusicPanelView {
public:
    virtual ~MusicPanelView() = default;
    virtual void hidePageMenu() = 0;                          // List3
    virtual void hidePatternList() = 0;                       // List2
    virtual void flashFormRed() = 0;                          // the window's background
    virtual bool fileNameOnly() const = 0;                    // Check1
    virtual void setTrackName(const std::string& text) = 0;   // Text2(0)
    virtual void setTrackNumber(const std::string& text) = 0; // Text2(1)
    virtual bool listVisible() const = 0;                     // List1
    virtual void setListVisible(bool visible) = 0;
    virtual int listTop() const = 0;
    virtual void setListTop(int top) = 0;
    virtual void focusList() = 0;
    virtual void setListButtonsVisible(bool visible) = 0;     // Com5 4, 5, 7, 8 and Check1
    virtual void setListUDEnabled(bool enabled) = 0;          // Com5 1
    virtual void focusListUD() = 0;
    virtual void setPageCaption(const std::string& caption) = 0;   // Com5 7
    virtual void setFavouritesLook(bool favourites) = 0;      // colour, Favo disabled
    virtual void showMidiDialog() = 0;                        // modal, "mid" request
    virtual void saveData() = 0;                              // SaveData
    virtual void warnUnstorableName() = 0;                    // a name the list file cannot hold
};

class MusicController {
public:
    MusicController(LauncherState& s, MusicList& list, Mci& mci, std::string folder, MusicPanelView& view);

    std::string pattern = "繰返";
    int32_t mciResult = 0;
    std::string mciReply;

    void play();                 // Com5 2
    void stop();                 // Com5 3
    void poll();                 // PollMusic
    void listClick();            // List1_Click
    void fname();                // Fname
    void choosePattern(const std::string& caption);   // List2_Click
    void selectMid();            // Com5 4
    // refused: how many chosen names the list file cannot hold and were
    // left out.
    void addChosenMusic(int* refused = nullptr);
    bool addMusicEntries(int* refused = nullptr);
    void deleteEntry();          // Com5 5
    void favo();                 // Com5 8
    void pageMenu(int k);        // List3_Click
    void saveList() { SaveMusicList(folder_, s_, list_); }
    void loadList() { LoadMusicList(folder_, s_, list_); }

    void listUD();               // Com5 1
    void slideStep();            // SlideMusicList

    // Where entries holding Windows drive paths play from (the drive map of
    // $WINEPREFIX, else ~/.wine, unless another is given).
    void setWinePaths(WinePaths& wine) { wine_ = &wine; }

private:
    int32_t send(const std::string& cmd);
    // "stop bgm", "close bgm": the device is closed and nothing plays.
    void closeDevice();
    LauncherState& s_;
    MusicList& list_;
    Mci& mci_;
    std::string folder_;
    MusicPanelView& view_;
    WinePaths* wine_ = &defaultWinePaths();
    bool playOnce();             // one round of Play; false when the open failed
    // An entry that cannot be reached now is told of once a run.
    void skipUnreachable(const std::string& path);
    std::unordered_set<std::string> reportedUnreachable_;
    int skippedInChain_ = 0;     // entries out of reach tried in this chain
    bool inPlay_ = false;
    bool playAgain_ = false;
    bool saveDeferred_ = false;
};

}  // namespace sorvel

#include "music/Music.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "launcher/SlotRules.h"
#include "persistence/ItemFile.h"
#include "persistence/TextCodec.h"
#include "platform/FileStore.h"

namespace sorvel {

const char* const kPatternCaptions[4] = {"単曲", "単連", "連曲", "繰返"};

// ---- MusicList -------------------------------------------------------------

void MusicList::select(int i, bool force) {
    if (i < -1 || i >= count()) return;
    if (i == selected_ && !force) return;
    if (i != selected_) {
        selected_ = i;
        if (batch_ > 0) batchDirty_ = true;
        else if (observer) observer->selectionChanged();
    }
    if (i >= 0 && onClick) onClick();
}

void MusicList::insertTop(const std::string& text) {
    const bool q = quiet();
    if (!q) observer->beginInsert(0);
    items_.insert(items_.begin(), text);
    if (selected_ >= 0) ++selected_;
    batchDirty_ = batchDirty_ || batch_ > 0;
    if (!q) observer->endInsert();
}

void MusicList::append(const std::string& text) {
    const bool q = quiet();
    if (!q) observer->beginInsert(count());
    items_.push_back(text);
    batchDirty_ = batchDirty_ || batch_ > 0;
    if (!q) observer->endInsert();
}

void MusicList::removeAt(int i) {
    if (i < 0 || i >= count()) return;
    const bool q = quiet();
    if (!q) observer->beginRemove(i);
    items_.erase(items_.begin() + i);
    const bool lostSelection = selected_ == i;
    if (selected_ == i) selected_ = -1;
    else if (selected_ > i) --selected_;
    batchDirty_ = batchDirty_ || batch_ > 0;
    if (!q) {
        observer->endRemove();
        if (lostSelection) observer->selectionChanged();
    }
}

void MusicList::clear() {
    const bool q = quiet();
    if (!q) observer->beginReset();
    items_.clear();
    selected_ = -1;
    batchDirty_ = batchDirty_ || batch_ > 0;
    if (!q) observer->endReset();
}

void MusicList::replaceAll(std::vector<std::string> items, int selected) {
    const bool q = quiet();
    if (!q) observer->beginReset();
    items_ = std::move(items);
    selected_ = selected >= 0 && selected < count() ? selected : -1;
    batchDirty_ = batchDirty_ || batch_ > 0;
    if (!q) {
        observer->endReset();
        observer->selectionChanged();
    }
}

int MusicList::find(const std::string& text) const {
    const auto it = std::find(items_.begin(), items_.end(), text);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

MusicList::Batch::~Batch() {
    if (--l_.batch_ > 0 || !l_.batchDirty_) return;
    l_.batchDirty_ = false;
    if (!l_.observer) return;
    // The entries are already in place: an empty begin/end pair makes the
    // view read them all again at once.
    l_.observer->beginReset();
    l_.observer->endReset();
    l_.observer->selectionChanged();
}

// ---- list files ------------------------------------------------------------

std::string musicListPath(const std::string& folder, int musicPage, int favouritesMode) {
    std::string part;
    if (favouritesMode == 1) part = "f";
    else if (musicPage > 0) part = std::to_string(musicPage);
    return programFile(folder, "midlist" + part + ".dat");
}

bool SaveMusicList(const std::string& folder, const LauncherState& s, const MusicList& list) {
    const std::string path = musicListPath(folder, s.musicPage, s.favouritesMode);
    // A list file that could not be read at all (over the size cap, no
    // permission) shows empty; it is never replaced by that empty list.
    if (list.count() == 0 && damageOf(path) == Damage::Unreadable) return true;
    // Entries the file cannot hold are left out rather than stored broken
    // (only a damaged, hand-edited file can give one).
    return saveTextFile(path, encodeListEntries(list.items()));
}

void LoadMusicList(const std::string& folder, const LauncherState& s, MusicList& list) {
    list.clear();
    const std::string path = musicListPath(folder, s.musicPage, s.favouritesMode);
    ReadStatus status = ReadStatus::Ok;
    FileStamp seen;
    const auto data = readWholeFile(path, &status, &seen);
    if (!data) {
        noteReadResult(path, status == ReadStatus::Missing ? Damage::None : Damage::Unreadable, &seen);
        return;
    }
    const DecodedText text = readTextFile(path, *data);   // UTF-8 or CP932
    bool lossy = false;
    list.replaceAll(readListEntries(text.text, &lossy), -1);   // one view update for the whole file
    noteReadResult(path, lossy || !text.complete ? Damage::Partial : Damage::None, &seen);
}

// ---- player ----------------------------------------------------------------

MusicController::MusicController(LauncherState& s, MusicList& list, Mci& mci, std::string folder,
                                 MusicPanelView& view)
    : s_(s), list_(list), mci_(mci), folder_(std::move(folder)), view_(view) {}

int32_t MusicController::send(const std::string& cmd) {
    mciResult = mci_.sendString(cmd, nullptr);
    return mciResult;
}

void MusicController::closeDevice() {
    send("stop bgm");
    send("close bgm");
    s_.musicPlaying = 0;
}

void MusicController::play() {
    // Play is re-entered through the selection rule (a selection plays the
    // entry) and through its own failure path. Nested calls only ask for one
    // more round, so a chain of broken entries is a loop, not a recursion.
    if (inPlay_) {
        playAgain_ = true;
        return;
    }
    inPlay_ = true;
    skippedInChain_ = 0;
    {
        // A long run of removed entries reaches the view as one update.
        std::optional<MusicList::Batch> batch;
        do {
            playAgain_ = false;
            if (!playOnce() && !batch) batch.emplace(list_);
        } while (playAgain_);
    }
    inPlay_ = false;
    // Removals made along the chain are saved once, at its end.
    if (saveDeferred_) {
        saveDeferred_ = false;
        view_.saveData();
    }
}

bool MusicController::playOnce() {
    view_.hidePageMenu();
    closeDevice();
    if (list_.count() < 1) return true;
    fname();
    // An entry copied from Windows plays from where the Wine drive map
    // leads; the entry itself stays as written.
    const std::string track = mapWindowsPath(s_.currentMusicPath, *wine_).value_or(s_.currentMusicPath);
    if (send("open \"" + track + "\" alias bgm") != 0) {
        mciReply = mci_.errorString(mciResult);
        const int sel = list_.selected();
        const bool selectedFailed = sel >= 0 && list_.at(sel) == s_.currentMusicPath;
        if (mciResult == kMciPathUnreachable) {
            // Out of reach is not gone: the entry stays, and the next one is
            // tried, once round the list at most.
            skipUnreachable(s_.currentMusicPath);
            if (selectedFailed && ++skippedInChain_ < list_.count()) list_.select((sel + 1) % list_.count());
            else if (!selectedFailed && sel >= 0) listClick();
            return false;
        }
        // A device that cannot sound is no fault of the file: keep the list.
        if (mciResult != kMciFileNotFound && mciResult != kMciNotMidi) return true;
        // Only the entry that failed to open is removed; the chain ends
        // when no entry is selected.
        if (selectedFailed) {
            deleteEntry();
            if (list_.selected() >= 0) listClick();
        } else if (sel >= 0) {
            listClick();
        }
        return false;
    }
    skippedInChain_ = 0;
    if (send("play bgm") != 0) mciReply = mci_.errorString(mciResult);
    s_.musicPlaying = 1;
    if (list_.selected() < 0) list_.select(0);
    return true;
}

void MusicController::skipUnreachable(const std::string& path) {
    if (!reportedUnreachable_.insert(path).second) return;
    std::fprintf(stderr, "sorvel_p: %s cannot be reached now (its folder, drive or share is not there); kept in the list\n",
                 path.c_str());
}

void MusicController::stop() {
    view_.hidePageMenu();
    closeDevice();
}

void MusicController::poll() {
    if (s_.musicPlaying != 1) return;
    mciReply.clear();
    mciResult = mci_.sendString("status bgm mode", &mciReply);
    if (mciReply.compare(0, 7, "stopped") != 0) return;
    const int sel = list_.selected();
    const bool notLast = sel < list_.count() - 1;
    if (pattern == kPatternCaptions[0]) {
        closeDevice();
    } else if (pattern == kPatternCaptions[1]) {
        send("play bgm from 0");
    } else if (pattern == kPatternCaptions[2]) {
        closeDevice();
        if (notLast) list_.select(sel + 1);
        else stop();
    } else if (pattern == kPatternCaptions[3]) {
        closeDevice();
        // Wrapping to the only entry plays it again.
        if (notLast) list_.select(sel + 1);
        else if (list_.count() > 0) list_.select(0, true);
    }
}

void MusicController::listClick() {
    view_.hidePageMenu();
    s_.currentMusicPath = list_.selectedText();
    view_.flashFormRed();
    play();
}

void MusicController::fname() {
    if (view_.fileNameOnly()) {
        const auto p = s_.currentMusicPath.rfind(pathSepFor(s_.currentMusicPath, '/'));
        if (p != std::string::npos) view_.setTrackName(s_.currentMusicPath.substr(p + 1, 1024));
    } else {
        view_.setTrackName(s_.currentMusicPath);
    }
    view_.setTrackNumber(std::to_string(list_.selected() + 1) + "/" + std::to_string(list_.count()));
}

void MusicController::choosePattern(const std::string& caption) {
    pattern = caption;
    view_.hidePatternList();
}

void MusicController::selectMid() {
    view_.hidePageMenu();
    s_.fileDialogValue = "mid";
    view_.showMidiDialog();
    // Names the list file cannot hold are left out; the others are added
    // and everything is saved as after any choice, then the user is told.
    int refused = 0;
    addChosenMusic(&refused);
    view_.saveData();
    if (refused > 0) view_.warnUnstorableName();
}

void MusicController::addChosenMusic(int* refused) {
    const std::string before = s_.currentMusicPath;
    s_.currentMusicPath = s_.fileDialogValue;
    int left = 0;
    const bool added = addMusicEntries(&left);
    // Every chosen name refused: the choice changes nothing.
    if (!added && left > 0) s_.currentMusicPath = before;
    if (refused) *refused = left;
}

namespace {
bool isMidAt(const std::string& s, size_t pos) {
    if (pos + 4 > s.size()) return false;
    return s[pos] == '.' && (s[pos + 1] == 'm' || s[pos + 1] == 'M') && (s[pos + 2] == 'i' || s[pos + 2] == 'I') &&
           (s[pos + 3] == 'd' || s[pos + 3] == 'D');
}
}  // namespace

bool MusicController::addMusicEntries(int* refused) {
    if (refused) *refused = 0;
    const std::string text = s_.fileDialogValue;
    const auto slash = text.rfind(pathSepFor(text, '/'));   // Favo passes entries from Windows on
    if (slash == std::string::npos) return false;
    const std::string folder = text.substr(0, slash + 1);
    const std::string names = text.substr(slash + 1);
    std::vector<std::string> found;
    size_t start = (!names.empty() && names[0] == ' ') ? 1 : 0;
    for (size_t pos = start; pos <= names.size(); ++pos) {
        if (!isMidAt(names, pos)) continue;
        // A ".midi" name is taken whole.
        size_t end = pos + 4;
        if (end < names.size() && (names[end] == 'i' || names[end] == 'I') &&
            (end + 1 == names.size() || names[end + 1] == ' ')) {
            ++end;
        }
        found.push_back(folder + names.substr(start, end - start));
        start = end + 1;
    }
    // An entry the list file cannot hold (a double quote or a line break in
    // its name) is not added.
    const size_t chosen = found.size();
    found.erase(std::remove_if(found.begin(), found.end(), [](const std::string& e) { return !fitsItemFile(e); }),
                found.end());
    if (refused) *refused = static_cast<int>(chosen - found.size());
    if (found.empty() && chosen > 0) return false;
    if (found.size() <= 16) {
        // Each entry moves to the top, without a duplicate.
        for (const auto& entry : found) {
            list_.removeAt(list_.find(entry));
            list_.insertTop(entry);
        }
    } else {
        // Many files at once: the same result in one pass. The new entries
        // stand on top, last chosen first, each once; below them the old
        // list without the first copy of each of them.
        std::vector<std::string> top;
        std::unordered_set<std::string> seen;
        for (auto it = found.rbegin(); it != found.rend(); ++it) {
            if (seen.insert(*it).second) top.push_back(*it);
        }
        std::unordered_set<std::string> toDrop(seen);
        std::vector<std::string> all = std::move(top);
        int sel = -1;
        for (int i = 0; i < list_.count(); ++i) {
            const auto drop = toDrop.find(list_.at(i));
            if (drop != toDrop.end()) {
                toDrop.erase(drop);
                continue;
            }
            if (i == list_.selected()) sel = static_cast<int>(all.size());
            all.push_back(list_.at(i));
        }
        list_.replaceAll(std::move(all), sel);
    }
    list_.select(0);
    return true;
}

void MusicController::deleteEntry() {
    view_.hidePageMenu();
    int i = list_.selected();
    if (i < 0) return;
    list_.removeAt(i);
    if (inPlay_) saveDeferred_ = true;   // Play's failure chain saves at its end
    else view_.saveData();
    if (i + 1 > list_.count()) i = list_.count() - 1;
    list_.select(i);
    if (view_.listVisible()) {
        view_.focusList();
        s_.hoverIndex = kNoHover;
    }
    s_.currentMusicPath.clear();
    stop();
    fname();
}

void MusicController::favo() {
    view_.hidePageMenu();
    const int i = list_.selected();
    if (i < 0 || s_.favouritesMode == 1) return;
    const std::string text = list_.at(i);
    if (!fitsItemFile(text)) {
        view_.warnUnstorableName();
        return;
    }
    s_.favouritesMode = 1;
    loadList();
    s_.fileDialogValue = text;
    addMusicEntries();
    saveList();
    s_.favouritesMode = 0;
    loadList();
    list_.select(i);
}

void MusicController::pageMenu(int k) {
    if (k < 0 || k > 3) return;
    if (k != 2) saveList();
    if (k == 3) s_.favouritesMode = s_.favouritesMode == 1 ? 0 : 1;
    // Each step is bounded on its own side only: a page read from an edited
    // file outside 0..250 moves by one towards or away from the range.
    if (k == 0) {
        s_.musicPage = static_cast<int16_t>(std::max(s_.musicPage - 1, 0));
        s_.favouritesMode = 0;
    } else if (k == 1) {
        s_.musicPage = static_cast<int16_t>(std::min(s_.musicPage + 1, int{kLastMusicPage}));
        s_.favouritesMode = 0;
    } else if (k == 2) {
        view_.hidePageMenu();
        return;
    }
    loadList();
    view_.setPageCaption(std::to_string(s_.musicPage + 1) + "P");
    view_.setFavouritesLook(s_.favouritesMode == 1);
}

// ---- list panel ------------------------------------------------------------

void MusicController::listUD() {
    view_.hidePageMenu();
    view_.setListUDEnabled(false);
    const bool opening = !view_.listVisible();
    s_.listSlideStep = opening ? 1 : 21;
    view_.setListButtonsVisible(opening);
    view_.hidePatternList();
    if (view_.listVisible()) {
        view_.focusList();
        s_.hoverIndex = kNoHover;
    }
}

void MusicController::slideStep() {
    int16_t st = s_.listSlideStep;
    auto top = [&] { return view_.listTop(); };
    auto setTop = [&](int t) { view_.setListTop(t); };
    switch (st) {
        case 1:
            setTop(-88);
            view_.setListVisible(true);
            view_.focusList();
            break;
        case 2: case 3: case 4: case 5: setTop(top() + 22); break;
        case 6: setTop(0); st = 59; break;
        case 21: setTop(0); break;
        case 22: case 23: case 24: case 25: setTop(top() - 22); break;
        case 26:
            setTop(-88);
            st = 59;
            view_.setListVisible(false);
            view_.setListUDEnabled(true);
            view_.focusListUD();
            break;
        case 60:
            st = 59;
            view_.setListUDEnabled(true);
            break;
        default: st = 59; break;
    }
    s_.listSlideStep = static_cast<int16_t>(st + 1);
}

}  // namespace sorvel

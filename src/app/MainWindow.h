// The main window: its controls, start-up and shut-down, the frame tick,
// and the handlers that tie the launcher, music, timer and game together.
#pragma once

#include <QEvent>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/FrameCatchUp.h"
#include "app/MusicListView.h"
#include "game/TypingGame.h"
#include "launcher/LauncherState.h"
#include "launcher/SlotPage.h"
#include "music/Music.h"
#include "platform/AppPaths.h"
#include "platform/Services.h"
#include "platform/SurfaceWidget.h"

class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;

namespace sorvel {

class PlaceWatcher;
class SlotAccessibility;

struct AppServices {
    Clock* clock = nullptr;
    Shell* shell = nullptr;
    Beeper* beeper = nullptr;
    Clipboard* clipboard = nullptr;
    LocalAddress* localAddress = nullptr;
    WavPlayer* wav = nullptr;
    Mci* mci = nullptr;
    // Where the assets, the help file and the executable are; nullptr: all
    // in the program folder given to the window (portable).
    const AppPaths* paths = nullptr;
};

class MainWindow : public QWidget {
public:
    // programFolder: where the data files and assets live (ends with "/").
    MainWindow(std::string programFolder, AppServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: state, icons, slot buttons, data files, first frame, tick.
    void formLoad();
    // Shut-down: stop music, take position, save (45000-twips rule).
    void formUnload();
    // The display went away and the process is ending (from exit()):
    // everything a close saves is saved, touching no window-system call.
    void saveOnLostDisplay();

    // One timer event / one frame.
    void tick();
    void drawFrame();
    // When the next timer event is due on the clock; -1 while the tick
    // sleeps (hidden, with nothing to do).
    int64_t nextTickDue() const { return timer_.isActive() ? nextTickDue_ : -1; }

    // Handlers (public so that tests can press them).
    void command1MouseDown(int index, Qt::MouseButton button);
    void command1MouseMove(int index);
    void command2Click(int index);
    void command3Click();
    void command4Click(int index);
    void com5Click(int index);
    void list2Click(int row);
    void list3Click(int row);
    void picture1MouseDown();
    void formKeyDown(int vkCode);
    void toggleGameMode();
    void saikido();
    void gett();
    void alarmStep();

    // Window position to store, in twips (frame left/top x 15): the normal
    // window's place, or the stored one while the window stands where it
    // was brought into view.
    std::array<int32_t, 2> windowTwips() const;
    void placeWindowTwips(int32_t left, int32_t top);
    // A stored position: placed as it is unless the window would be off
    // every screen, in which case it comes to the nearest visible spot.
    void placeStoredWindow(int32_t left, int32_t top);
    // The shut-down's rule: a window at 45000 twips or beyond in both
    // coordinates is not saved.
    bool placeAllowsSave() const;

    // The registration commit's last step, for a click and a drop alike:
    // the window position is taken and everything saved.
    void takePositionAndSave();
    // Drag and drop onto slot button `index`.
    bool slotDropAllowed(const QMimeData* data) const;
    void slotDrop(int index, const QMimeData* data);

    // Hooks for modal steps (replaced in tests).
    std::function<void()> runFileDialog;
    std::function<bool()> askReset;
    std::function<void()> warnUnstorable;   // a chosen name the files cannot hold
    // Called by the restart once everything is saved, before the new
    // instance starts: lets go of the data folder.
    std::function<void()> releaseFolder;
    std::function<void(int)> endProgram;
    // False where the window system keeps a program from knowing and
    // setting its window's place (Wayland): the stored position is kept.
    bool windowPlaceable = true;

    // Access for tests and the benchmark.
    LauncherState& state() { return st_; }
    GameState& game() { return game_; }
    GameRandom& random() { return rng_; }
    MusicList& musicList() { return musicList_; }
    MusicController& music() { return *music_; }
    Surface& picture() { return picture1_->surface(); }
    SurfaceWidget* pictureWidget() { return picture1_; }
    SurfaceWidget* slotButton(int i) { return command1_[i]; }
    QPushButton* command2(int i) { return command2_[i]; }
    QPushButton* command4(int i) { return command4_[i]; }
    QPushButton* com5(int i) { return com5_[i]; }
    QPushButton* command3() { return command3_; }
    QLineEdit* text1() { return text1_; }
    QLineEdit* text2(int i) { return text2_[i]; }
    QCheckBox* check1() { return check1_; }
    QCheckBox* check2() { return check2_; }
    // Built when first asked for.
    MusicListView* list1();
    QListWidget* list2();
    QListWidget* list3();
    int16_t resetStep() const { return resetStep_; }
    bool launcherMode() const;
    bool ended() const { return ended_; }
    const std::string& programFolder() const { return folder_; }
    const AppPaths& paths() const { return paths_; }
    int slotButtonCount() const;
    // Whether native scan codes tell the key positions (true on X11 and
    // Wayland); tests switch it on to feed such key events.
    void setKeyPositionsKnown(bool known) { keyPositionsKnown_ = known; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    // Wraps a handler that may run while a hidden window leaves frames out
    // (the accessibility bus can press a hidden window's buttons): the
    // frames left out are brought forward first, and afterwards the tick
    // is woken for whatever the handler began.
    class HandlerScope {
    public:
        explicit HandlerScope(MainWindow& w);
        ~HandlerScope();
        HandlerScope(const HandlerScope&) = delete;
        HandlerScope& operator=(const HandlerScope&) = delete;
    private:
        MainWindow& w_;
    };
    void buildControls();
    void loadIcons();
    void scheduleTick();
    FrameFacts frameFacts() const;
    void catchUpSkippedFrames(int64_t now);
    void trackEnded();
    void saveData();
    // A counted use goes to lot.dat shortly after the launch it counts.
    void countsMayHaveChanged();
    void saveCounts();
    void loadData();
    void setFormColor(QRgb c);
    bool frameCanBeSeen() const;
    void setMusicButtonsVisible(bool v);
    void hideList3();
    bool windowKeyPress(const QKeyEvent& k);
    // [restore wake-up] Events that wake a tick sleeping while hidden.
    bool wakesSleepingTick(const QObject* o, QEvent::Type t) const;

    std::string folder_;
    AppServices sv_;
    AppPaths paths_;
    LauncherState st_;
    GameState game_;
    GameRandom rng_;
    MusicList musicList_;
    std::unique_ptr<MusicController> music_;
    IconPictures icons_;
    SlotPageView slotView_;   // built once; the frame only updates mode and buttons
    std::unique_ptr<SlotAccessibility> a11y_;   // the slot page for assistive tools
    int16_t resetStep_ = 0;
    bool ended_ = false;
    bool loaded_ = false;
    bool keyPositionsKnown_ = false;
    QRgb formColor_ = qRgb(0, 0, 0);
    std::vector<QRect> backgroundCovers_;   // opaque controls on the window
    QRegion backgroundShows_;               // the background that shows
    QTimer timer_;
    QTimer countsSave_;   // lot.dat, a moment after a use was counted
    std::array<int32_t, kSlotCount> countsOnDisk_{};
    PlaceWatcher* place_ = nullptr;   // the window's own place, for storing
    int64_t nextTickDue_ = -1;
    bool skippingFrames_ = false;     // frames are left out while hidden
    bool trackEndSignalled_ = false;  // the music device tells when a track ends
    bool trackEndPending_ = false;    // it did, and no frame has polled since
    bool captionSettled_ = false;     // the caption is the idle second mark's

    SurfaceWidget* picture1_ = nullptr;
    std::array<SurfaceWidget*, 10> command1_{};
    std::array<QPushButton*, 5> command2_{};
    std::array<QPushButton*, 3> command4_{};
    std::array<QPushButton*, 9> com5_{};
    QPushButton* command3_ = nullptr;
    QLineEdit* text1_ = nullptr;
    std::array<QLineEdit*, 2> text2_{};
    QCheckBox* check1_ = nullptr;
    QCheckBox* check2_ = nullptr;
    MusicListView* list1_ = nullptr;
    QListWidget* list2_ = nullptr;
    QListWidget* list3_ = nullptr;
    int list1Top_ = 40;               // where the list box stands, built or not
    bool list1Favourites_ = false;    // the favourites' background
    int list3Row_ = -1;               // the page menu's row before it is built
    void showFavouritesLook();
};

// Maps a Qt key press to the virtual key code the key handler expects.
// mainRowDigit: the digit of the main-row key that was pressed, found from
// its position on the keyboard, or -1 when unknown or another key.
// positionLetter: the letter A..Z whose place the key holds, when the
// layout puts a letter of another script there, or -1.
int virtualKeyCode(int qtKey, bool keypad, int mainRowDigit = -1, int positionLetter = -1);

}  // namespace sorvel

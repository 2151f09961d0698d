// The main window: start-up and shut-down, the frame tick, the slot page
// with its buttons, the number entry, and the handlers that tie the
// launcher, timer and game together. The music controls live in the music
// panel (app/MusicPanel.h); the frame tick's timing in app/FrameTick.cpp.
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

#include "app/Controls.h"
#include "app/FrameCatchUp.h"
#include "app/MusicListView.h"
#include "app/MusicPanel.h"
#include "app/SlotAccessible.h"
#include "game/TypingGame.h"
#include "launcher/Commands.h"
#include "launcher/LauncherState.h"
#include "launcher/SlotPage.h"
#include "persistence/DataFiles.h"
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

class MusicListView;
class PlaceWatcher;

// The drawing surface's grey, and the green it flashes to while the alarm rings.
inline constexpr QRgb kPictureGrey = qRgb(192, 192, 192);
inline constexpr QRgb kAlarmGreen = qRgb(0, 255, 0);

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

class MainWindow : public QWidget,
                   private MusicPanelHost,
                   private SlotPageHost,
                   private KeyHost,
                   private SlotTexts,
                   private DataFileHost {
public:
    // programFolder: where the data files and assets live (ends with "/").
    MainWindow(std::string programFolder, AppServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up (the window's load): state, icons, slot buttons, data files,
    // first frame, tick.
    void formLoad();
    // Shut-down (the window's unload): stop music, take position, save
    // (45000-twips rule).
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

    // Handlers, each named after its control array and event; they receive
    // the member's index as the controls' own handler does (public so that
    // tests can press them).
    void command1MouseDown(int index, Qt::MouseButton button);   // slot button pressed
    void command1MouseMove(int index);                           // slot button pointed at
    void command2Click(int index);   // Command2: 前, 次, 登録/上書き, TIMER, FPS
    void command3Click();            // ？: opens readme.txt
    void command4Click(int index);   // Command4: the number entry's OK（分）, 止める, FPS　OK
    void com5Click(int index) { panel_->com5Click(index); }   // Com5: the music and tool buttons
    void com5Click(Com5 which) { panel_->com5Click(which); }
    void list2Click(int row) { panel_->list2Click(row); }     // play pattern chosen
    void list3Click(int row) { panel_->list3Click(row); }     // music page menu
    void picture1MouseDown();        // the drawing surface pressed: silences the alarm
    void formKeyDown(int vkCode);    // a key pressed anywhere in the window
    void toggleGameMode() override;  // F6: into or out of the typing game
    void saikido();                  // restart: save, start a new instance, end this one
    void gett();                     // loads the alarm sound bg.wav (made empty when missing)
    void alarmStep();                // one ring of the alarm

    // Window position to store, in twips (frame left/top x 15): the stored
    // one while the user has not moved the window, else the normal
    // window's frame corner.
    std::array<int32_t, 2> windowTwips() const;
    // Moves the window's frame to the place given in twips (as a user's move).
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

    // Modal steps and the end of the process; replaced in tests.
    std::function<void()> runFileDialog;     // the file dialog for fileDialogValue
    std::function<bool()> askReset;          // the reset question; true = OK
    std::function<void()> warnUnstorable;    // a chosen name the files cannot hold
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
    MusicPanel& musicPanel() { return *panel_; }
    MusicList& musicList() { return panel_->musicList(); }
    MusicController& music() { return panel_->music(); }
    Surface& picture() { return picture1_->surface(); }
    SurfaceWidget* pictureWidget() { return picture1_; }
    SurfaceWidget* slotButton(int i) { return command1_[i]; }
    QPushButton* command2(int i) { return command2_[i]; }
    QPushButton* command4(int i) { return command4_[i]; }
    QPushButton* com5(int i) { return panel_->com5(i); }
    QPushButton* command3() { return command3_; }
    QLineEdit* text1() { return text1_; }
    QLineEdit* text2(int i) { return panel_->text2(i); }
    QCheckBox* check1() { return panel_->check1(); }
    QCheckBox* check2() { return check2_; }
    // Built when first asked for.
    MusicListView* list1() { return panel_->list1(); }
    QListWidget* list2() { return panel_->list2(); }
    QListWidget* list3() { return panel_->list3(); }
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

    // MusicPanelHost
    void handlerBegins() override;
    void handlerEnds() override;
    void flashFormRed() override { setFormColor(qRgb(255, 0, 0)); }
    void saveData() override;
    void runMidiDialog() override { runFileDialog(); }
    void warnUnstorableName() override { warnUnstorable(); }
    // SlotPageHost
    void setMusicButtonsVisible(bool visible) override { panel_->setMusicButtonsVisible(visible); }
    std::string localIp() override { return sv_.localAddress->localIp(); }
    // KeyHost
    bool launcherShown() const override { return launcherMode(); }
    void reseed() override;
    void enterGamePrep() override { panel_->closeForGame(); }
    void startGame() override { StartGame(game_, st_.rowLevel, rng_); }
    void typeLetter(char letter) override { game_.typedKeys += letter; }
    void restart() override { saikido(); }
    void beep() override { sv_.beeper->beep(); }
    bool confirmReset() override { return askReset(); }
    void reset() override;
    // SlotTexts
    QString slotName(int index) const override;
    QString slotDescription(int index) const override;
    QString surfaceText() const override;
    QString surfaceDescription() const override;
    QString pageRange() const override;
    // DataFileHost
    void saveMusicList() override { panel_->music().saveList(); }
    void keepMusicPage() override { panel_->keepPage(); }
    void loadMusicList() override { panel_->music().loadList(); }
    void placeWindow(int32_t left, int32_t top) override { placeStoredWindow(left, top); }

    void buildControls();
    void loadIcons();
    void scheduleTick();
    FrameFacts frameFacts() const;
    void catchUpSkippedFrames(int64_t now);
    void trackEnded();
    void loadData();
    // A counted use goes to lot.dat shortly after the launch it counts.
    void countsMayHaveChanged();
    void saveCounts();
    void setFormColor(QRgb c);
    bool frameCanBeSeen() const;
    // The number entry (Text1 and the Command4 buttons): hidden and off,
    // or shown for the minutes (TIMER) or the rate (FPS).
    void hideNumberEntry();
    bool windowKeyPress(const QKeyEvent& k);
    // Events that wake a tick sleeping while hidden.
    bool wakesSleepingTick(const QObject* o, QEvent::Type t) const;

    std::string folder_;
    AppServices sv_;
    AppPaths paths_;
    LauncherState st_;
    GameState game_;
    GameRandom rng_;
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

    SurfaceWidget* picture1_ = nullptr;              // Picture1: the drawing surface
    std::array<SurfaceWidget*, 10> command1_{};      // Command1: the ten slot buttons
    std::array<QPushButton*, 5> command2_{};         // Command2 (see Command2 in Controls.h)
    std::array<QPushButton*, 3> command4_{};         // Command4 (see Command4 in Controls.h)
    QPushButton* command3_ = nullptr;                // Command3: help
    QLineEdit* text1_ = nullptr;                     // Text1: the number entry
    QCheckBox* check2_ = nullptr;                    // Check2: "MIDI予約", music when the timer ends
    MusicPanel* panel_ = nullptr;                    // Com5, List1..3, Text2, Check1
};

// Maps a Qt key press to the virtual key code the key handler expects.
// mainRowDigit: the digit of the main-row key that was pressed, found from
// its position on the keyboard, or -1 when unknown or another key.
// positionLetter: the letter A..Z whose place the key holds, when the
// layout puts a letter of another script there, or -1.
int virtualKeyCode(int qtKey, bool keypad, int mainRowDigit = -1, int positionLetter = -1);

}  // namespace sorvel

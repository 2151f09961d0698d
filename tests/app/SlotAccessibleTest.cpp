#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <vector>

#include "Seam.h"
#include "TempDir.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "app/SlotAccessible.h"
#include "filedialog/FileDialog.h"
#include "launcher/Commands.h"
#include "timer/TimerRules.h"

using namespace sorvel;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

struct Told {
    QObject* object;
    QAccessible::Event type;
};
std::vector<Told>& told() {
    static std::vector<Told> t;
    return t;
}
void record(QAccessibleEvent* e) { told().push_back({e->object(), e->type()}); }

// Accessibility switched on with every event caught here, for one test.
struct Listening {
    Seam<void (*)(QAccessibleEvent*)> tell{SlotAccessibility::tell, record};
    Seam<bool (*)()> listening{SlotAccessibility::listening, [] { return true; }};
    Listening() { told().clear(); }
    ~Listening() { told().clear(); }
};

int count(QObject* o, QAccessible::Event type) {
    int n = 0;
    for (const Told& t : told()) n += t.object == o && t.type == type;
    return n;
}

struct Access : ::testing::Test, WindowFakes {
    TempDir dir;
    std::unique_ptr<MainWindow> w;

    void start() {
        clock.now = 5'000'000;
        local.ip = "10.1.2.3";
        w = std::make_unique<MainWindow>(dir.path(), services());
        w->endProgram = [](int) {};
        w->runFileDialog = [] {};
        w->formLoad();
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            clock.now += 51;
            w->tick();
        }
    }
    QAccessibleInterface* slot(int i) { return QAccessible::queryAccessibleInterface(w->slotButton(i)); }
    int namesTold() {
        int n = 0;
        for (int i = 0; i < 10; ++i) n += count(w->slotButton(i), QAccessible::NameChanged);
        return n;
    }
    void showAndWait() {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
};
}  // namespace

TEST_F(Access, SlotButtonsArePushButtonsNamedBySlotAndKind) {
    start();
    w->state().slotPath[0] = "/home/me/say hello.sh";
    w->state().slotPath[1] = "/usr/";
    w->state().slotPath[2] = "http://example.org/";
    w->state().slotUseCount[0] = 7;
    for (int i = 0; i < 10; ++i) {
        QAccessibleInterface* a = slot(i);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->role(), QAccessible::Button) << i;
        ASSERT_NE(a->actionInterface(), nullptr);
        const QStringList acts = a->actionInterface()->actionNames();
        ASSERT_GE(acts.size(), 2);
        EXPECT_EQ(acts[0], QAccessibleActionInterface::pressAction());
        EXPECT_EQ(acts[1], QAccessibleActionInterface::showMenuAction());
    }
    EXPECT_EQ(slot(0)->text(QAccessible::Name), u("0番地 say hello.sh（ファイル）"));
    EXPECT_EQ(slot(1)->text(QAccessible::Name), u("1番地 usr/（フォルダ）"));
    EXPECT_EQ(slot(2)->text(QAccessible::Name), u("2番地 example.org/（URL）"));
    EXPECT_EQ(slot(3)->text(QAccessible::Name), u("3番地（未登録）"));
    EXPECT_EQ(slot(0)->text(QAccessible::Description), u("/home/me/say hello.sh 利用回数:7 今回:0"));
    // The other buttons keep the names Qt gives them from their captions.
    QAccessibleInterface* next = QAccessible::queryAccessibleInterface(w->command2(1));
    EXPECT_EQ(next->role(), QAccessible::Button);
    EXPECT_EQ(next->text(QAccessible::Name), u("次"));
}

TEST_F(Access, ActionsPressTheLeftAndTheRightButton) {
    start();
    w->state().slotPath[4] = "/home/me/tools/run.sh";
    QAccessibleActionInterface* act = slot(4)->actionInterface();
    act->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, "/home/me/tools/run.sh");
    EXPECT_EQ(shell.calls[0].directory, std::optional<std::string>("/home/me/tools/"));
    act->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].operation, std::optional<std::string>("open"));
    EXPECT_EQ(shell.calls[1].file, "/home/me/tools/");
    EXPECT_EQ(w->state().slotUseCount[4], 2);

    // A pending registration is stored by "Press" and given up by "ShowMenu".
    w->state().pendingPath = "/srv/a.sh";
    slot(5)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(w->state().slotPath[5], "/srv/a.sh");
    EXPECT_TRUE(w->state().pendingPath.empty());
    w->state().pendingPath = "/srv/b.sh";
    slot(6)->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(w->state().slotPath[6].empty());
    EXPECT_TRUE(w->state().pendingPath.empty());
    EXPECT_EQ(shell.calls.size(), 2u);

    // In the game the hidden buttons cannot be pressed.
    w->formKeyDown(kKeyF6);
    ASSERT_FALSE(w->launcherMode());
    act->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(shell.calls.size(), 2u);
    EXPECT_TRUE(slot(4)->text(QAccessible::Name).isEmpty());
}

TEST_F(Access, SurfaceSaysThePanelAndTheGameFigures) {
    start();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w->pictureWidget());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Graphic);
    EXPECT_EQ(a->text(QAccessible::Name), u("ローカルIP:10.1.2.3"));
    w->state().slotPath[0] = "/a/b.sh";
    w->command1MouseMove(0);
    EXPECT_EQ(a->text(QAccessible::Name), u("/a/\nb.sh\n利用回数:0 今回:0"));
    w->formKeyDown(kKeyF6);
    w->formKeyDown(kKeyF4);
    // The game: the head letters in the name, the figures in the description.
    const GameState& g = w->game();
    QString heads;
    for (const auto& line : g.typingLines) heads += QStringLiteral(" ") + QChar(line[0]);
    EXPECT_EQ(a->text(QAccessible::Name), u("開始") + heads);
    EXPECT_TRUE(a->text(QAccessible::Description).startsWith(u("Lv:01 Point:00000000 Combo:0000\n")));
    // The slot buttons are still there, inside the surface, for a tree walk.
    EXPECT_GE(a->childCount(), 10);
}

TEST_F(Access, NamesAreToldOnlyWhenTheyChange) {
    start();
    Listening on;
    frames(2);   // the first frame with a listener only takes note
    told().clear();
    frames(10);
    EXPECT_EQ(namesTold(), 0);
    EXPECT_EQ(count(w->pictureWidget(), QAccessible::NameChanged), 0);

    w->state().slotPath[10] = "/x/a.sh";
    w->command2Click(1);   // next page: every number changes
    frames(1);
    EXPECT_EQ(namesTold(), 10);
    // Empty slots say the same on either page; only slot 10's target is new.
    EXPECT_EQ(count(w->slotButton(0), QAccessible::DescriptionChanged), 1);
    for (int i = 1; i < 10; ++i) EXPECT_EQ(count(w->slotButton(i), QAccessible::DescriptionChanged), 0) << i;
    told().clear();
    frames(5);
    EXPECT_EQ(namesTold(), 0);

    w->state().pendingPath = "/opt/x.sh";
    frames(1);
    EXPECT_EQ(count(w->pictureWidget(), QAccessible::NameChanged), 1);
    told().clear();
    w->command1MouseDown(3, Qt::LeftButton);   // the registration
    frames(3);
    EXPECT_EQ(namesTold(), 1);
    EXPECT_EQ(count(w->slotButton(3), QAccessible::NameChanged), 1);
    EXPECT_EQ(count(w->pictureWidget(), QAccessible::NameChanged), 1);   // the question went
    told().clear();

    w->command1MouseDown(3, Qt::MiddleButton);   // a use: only the counts change
    frames(2);
    EXPECT_EQ(namesTold(), 0);
    EXPECT_EQ(count(w->slotButton(3), QAccessible::DescriptionChanged), 1);
    told().clear();

    // The game hides the buttons and takes the focus: the tool reads the
    // new texts where the focus lands, and nothing more is told.
    w->formKeyDown(kKeyF6);
    frames(2);
    EXPECT_EQ(namesTold(), 0);
    EXPECT_EQ(count(w->pictureWidget(), QAccessible::NameChanged), 0);
    w->formKeyDown(kKeyF4);
    frames(2);   // the game runs at 10 frames a second
    EXPECT_EQ(count(w->pictureWidget(), QAccessible::NameChanged), 1);
}

TEST(SlotAccessibilityOff, NothingIsComputedWhileNoToolListens) {
    QWidget surface;
    std::array<SurfaceWidget*, 10> buttons{};
    for (auto& b : buttons) b = new SurfaceWidget(60, 20, &surface);
    struct Counting : SlotTexts {
        mutable int asked = 0;
        QString slotName(int) const override { return ++asked, QString(); }
        QString slotDescription(int) const override { return ++asked, QString(); }
        QString surfaceText() const override { return ++asked, QString(); }
        QString surfaceDescription() const override { return {}; }
        QString pageRange() const override { return {}; }
    } texts;
    const int& asked = texts.asked;
    SlotAccessibility a(&surface, buttons, texts);
    ASSERT_FALSE(SlotAccessibility::listening());
    for (int i = 0; i < 100; ++i) a.frameDone();
    EXPECT_EQ(asked, 0);
    {
        Listening on;
        a.frameDone();
        EXPECT_EQ(asked, 21);
        EXPECT_TRUE(told().empty());
    }
    EXPECT_EQ(SlotAccessibility::owning(buttons[7]), &a);
    EXPECT_EQ(a.indexOf(buttons[7]), 7);
    EXPECT_EQ(SlotAccessibility::owning(&surface), &a);
}

TEST_F(Access, TabReachesTheSlotsAfterThePageButtons) {
    start();
    showAndWait();
    EXPECT_EQ(w->command2(1)->nextInFocusChain(), w->slotButton(0));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(w->slotButton(i)->nextInFocusChain(), w->slotButton(i + 1)) << i;
    w->command2(1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->windowHandle(), Qt::Key_Tab);
    EXPECT_TRUE(w->slotButton(0)->hasFocus());
    // The focused slot is pointed at: the panel shows it, as under the mouse.
    EXPECT_EQ(w->state().hoverIndex, 0);
    QTest::keyClick(w->windowHandle(), Qt::Key_Tab);
    EXPECT_TRUE(w->slotButton(1)->hasFocus());
    EXPECT_EQ(w->state().hoverIndex, 1);
    EXPECT_EQ(w->resetStep(), 0);
    w->hide();
}

TEST_F(Access, KeysOnAFocusedSlotPressItsButtons) {
    start();
    w->state().slotPath[0] = "/home/me/go.sh";
    showAndWait();
    w->slotButton(0)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(w->slotButton(0)->hasFocus());
    QTest::keyClick(w->windowHandle(), Qt::Key_Return);
    QTest::keyClick(w->windowHandle(), Qt::Key_Space);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].file, "/home/me/go.sh");
    QTest::keyClick(w->windowHandle(), Qt::Key_F10, Qt::ShiftModifier);
    QTest::keyClick(w->windowHandle(), Qt::Key_Menu);
    ASSERT_EQ(shell.calls.size(), 4u);
    EXPECT_EQ(shell.calls[2].file, "/home/me/");
    EXPECT_EQ(shell.calls[3].operation, std::optional<std::string>("open"));
    EXPECT_EQ(w->state().slotUseCount[0], 4);
    // F10 alone does nothing here; an auto-repeated Return presses no more.
    QTest::keyClick(w->windowHandle(), Qt::Key_F10);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(w->slotButton(0), &repeat);
    EXPECT_EQ(shell.calls.size(), 4u);

    // The key handler sees these keys first: Return breaks the reset sequence.
    QTest::keyClick(w->windowHandle(), Qt::Key_F1);
    EXPECT_EQ(w->resetStep(), 1);
    QTest::keyClick(w->windowHandle(), Qt::Key_Return);
    EXPECT_EQ(w->resetStep(), 0);
    EXPECT_EQ(shell.calls.size(), 5u);

    // In the game the slots are hidden and these keys press no slot.
    QTest::keyClick(w->windowHandle(), Qt::Key_F6);
    ASSERT_FALSE(w->launcherMode());
    EXPECT_FALSE(w->slotButton(0)->hasFocus());
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Menu}) QTest::keyClick(w->windowHandle(), k);
    EXPECT_EQ(w->state().slotUseCount[0], 5);
    size_t slotCalls = 0;
    for (const auto& c : shell.calls) slotCalls += c.file.rfind("/home/me/", 0) == 0;
    EXPECT_EQ(slotCalls, 5u);
    w->hide();
}

TEST_F(Access, FocusFrameLeavesTheSlotColours) {
    start();
    w->state().slotPath[0] = "/usr/";
    showAndWait();
    frames(1);
    QApplication::processEvents();
    const QImage plain = w->slotButton(0)->grab().toImage();
    w->slotButton(0)->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const QImage focused = w->slotButton(0)->grab().toImage();
    ASSERT_EQ(plain.size(), focused.size());
    const int wd = plain.width(), ht = plain.height();
    int frameChanged = 0, elsewhereChanged = 0;
    for (int y = 0; y < ht; ++y) {
        for (int x = 0; x < wd; ++x) {
            const bool onFrame = ((x == 1 || x == wd - 2) && y >= 1 && y <= ht - 2) ||
                                 ((y == 1 || y == ht - 2) && x >= 1 && x <= wd - 2);
            const bool differs = plain.pixel(x, y) != focused.pixel(x, y);
            (onFrame ? frameChanged : elsewhereChanged) += differs;
        }
    }
    EXPECT_GT(frameChanged, 20);
    EXPECT_EQ(elsewhereChanged, 0);
    EXPECT_EQ(QColor(focused.pixel(40, 15)), QColor(255, 224, 192));   // the folder colour
    w->hide();
}

TEST_F(Access, EveryOtherControlHasAName) {
    start();
    auto name = [](QWidget* wdg) { return QAccessible::queryAccessibleInterface(wdg)->text(QAccessible::Name); };
    EXPECT_EQ(name(w->list1()), u("MIDIリスト"));
    EXPECT_EQ(name(w->list2()), u("再生パターン"));
    EXPECT_EQ(name(w->list3()), u("ページの変更"));
    EXPECT_EQ(name(w->text2(0)), u("再生中のファイル名"));
    EXPECT_EQ(name(w->text2(1)), u("MIDIリストの曲数"));
    EXPECT_FALSE(name(w->text1()).isEmpty());

    LauncherState s;
    FileDialog files(s);
    files.load();
    EXPECT_EQ(name(files.pathField()), u("File"));
    // A combo box's name is its text; the label names it by relation.
    const auto labels = QAccessible::queryAccessibleInterface(files.filterBox())->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), u("Filter:"));
    EXPECT_FALSE(name(files.driveBox()).isEmpty());
    EXPECT_FALSE(name(files.dirList()).isEmpty());
    EXPECT_FALSE(name(files.fileList()).isEmpty());
    EXPECT_NE(name(files.dirList()), name(files.fileList()));
    s.fileDialogValue = "mid";
    FileDialog music(s);
    music.load();
    EXPECT_EQ(name(music.pathField()), u("Files"));
}

namespace {
struct ToldText {
    QObject* object;
    QAccessible::Event type;
    QString text;
};
std::vector<ToldText>& toldTexts() {
    static std::vector<ToldText> t;
    return t;
}
// The changes as a screen reader receives them, with their text.
struct HearingText : Listening {
    HearingText() {
        toldTexts().clear();
        SlotAccessibility::tellText = [](QObject* o, QAccessible::Event e, const QString& t) {
            toldTexts().push_back({o, e, t});
        };
    }
    ~HearingText() {
        SlotAccessibility::tellText = saved;
        toldTexts().clear();
    }
    void (*saved)(QObject*, QAccessible::Event, const QString&) = SlotAccessibility::tellText;
};
QStringList heard(QObject* o) {
    QStringList l;
    for (const ToldText& t : toldTexts()) {
        if (t.object == o) l << t.text;
    }
    return l;
}
}  // namespace

TEST_F(Access, ChangesAreToldWithTheirText) {
    start();
    HearingText on;
    frames(2);
    EXPECT_TRUE(toldTexts().empty());
    // The page buttons describe the page; a page turn tells the new range.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w->command2(1))->text(QAccessible::Description), u("0番地～9番地"));
    w->command2Click(1);
    frames(1);
    EXPECT_EQ(heard(w->command2(1)), QStringList{u("10番地～19番地")});
    w->command2Click(0);
    frames(1);
    toldTexts().clear();
    // A registration: the overwrite warning, then the new name.
    w->state().slotPath[2] = "/old/a.sh";
    frames(1);
    toldTexts().clear();
    w->state().pendingPath = "/new/b.sh";
    frames(1);
    EXPECT_EQ(heard(w->slotButton(2)), QStringList{u("/old/a.sh を上書きせなあかんよ")});
    w->command1MouseDown(2, Qt::LeftButton);
    frames(1);
    EXPECT_EQ(heard(w->slotButton(2)), (QStringList{u("/old/a.sh を上書きせなあかんよ"), u("2番地 b.sh（ファイル）"),
                                                    u("/new/b.sh 利用回数:0 今回:0")}));
    // Nothing more while nothing changes.
    toldTexts().clear();
    frames(20);
    EXPECT_TRUE(toldTexts().empty());
}

TEST_F(Access, TheWindowIsAFrameAndTheAlarmStopsByActionOrEscape) {
    start();
    showAndWait();
    QAccessibleInterface* win = QAccessible::queryAccessibleInterface(w.get());
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->role(), QAccessible::Window);
    EXPECT_EQ(win->text(QAccessible::Name), w->windowTitle());
    EXPECT_TRUE(w->windowTitle().endsWith(u("左：ファイル　右：フォルダ")));
    HearingText on;
    QAccessibleInterface* pic = QAccessible::queryAccessibleInterface(w->pictureWidget());
    for (int way = 0; way < 2; ++way) {
        toldTexts().clear();
        w->state().alarmCount = kAlarmRepetitions;
        w->alarmStep();
        EXPECT_EQ(heard(w.get()), QStringList{u("時間だよ！　クリックで止まるよ")}) << way;
        EXPECT_TRUE(pic->text(QAccessible::Name).startsWith(u("時間だよ！　クリックで止まるよ Escで止まるよ\n")));
        w->alarmStep();   // told once, as it starts
        EXPECT_EQ(heard(w.get()).size(), 1);
        if (way == 0) {
            pic->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        } else {
            QTest::keyClick(w->windowHandle(), Qt::Key_Escape);
        }
        EXPECT_EQ(w->state().alarmCount, 0) << way;
        EXPECT_EQ(w->picture().backColor(), qRgb(192, 192, 192)) << way;
    }
}

TEST_F(Access, KeyboardReachesTheEntryAndReturnPressesButtons) {
    start();
    showAndWait();
    // Return presses a focused button as Space does.
    w->command2(1)->setFocus();
    QTest::keyClick(w->command2(1), Qt::Key_Return);
    EXPECT_EQ(w->state().slotPage, 1);
    // TIMER and FPS give the entry the focus; Tab follows the screen.
    QTest::keyClick(w->command2(4), Qt::Key_Space);
    EXPECT_TRUE(w->text1()->hasFocus());
    EXPECT_EQ(w->text1()->nextInFocusChain(), w->command4(0));
    EXPECT_EQ(w->command4(0)->nextInFocusChain(), w->command4(2));
    EXPECT_EQ(w->command4(2)->nextInFocusChain(), w->command4(1));
    QTest::keyClicks(w->text1(), "30");
    w->command4(2)->setFocus();
    QTest::keyClick(w->command4(2), Qt::Key_Return);
    EXPECT_EQ(w->state().framesPerSecond, 30);
    EXPECT_TRUE(w->command2(4)->hasFocus());   // back where the entry was opened
    // The game takes the focus and gives it back; the slots list no keys.
    w->slotButton(3)->setFocus();
    w->formKeyDown(kKeyF6);
    EXPECT_TRUE(w->pictureWidget()->hasFocus());
    w->formKeyDown(kKeyF6);
    EXPECT_TRUE(w->slotButton(3)->hasFocus());
    QAccessibleActionInterface* act = slot(3)->actionInterface();
    EXPECT_TRUE(act->keyBindingsForAction(QAccessibleActionInterface::pressAction()).isEmpty());
}

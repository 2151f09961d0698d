#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "TempDir.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "launcher/Commands.h"
#include "platform/Fakes.h"
#include "platform/KeyPosition.h"

using namespace sorvel;

namespace {
struct Window : ::testing::Test, WindowFakes {
    TempDir dir;
    std::unique_ptr<MainWindow> w;
    int ended = -1;
    std::string dialogAnswer;

    void start() {
        clock.now = 5'000'000;
        w = std::make_unique<MainWindow>(dir.path(), services());
        w->endProgram = [this](int c) { ended = c; };
        w->runFileDialog = [this] { w->state().fileDialogValue = dialogAnswer; };
        w->formLoad();
    }
    // Advances the clock by ms and runs one timer event.
    void tickAfter(int64_t ms) {
        clock.now += ms;
        w->tick();
    }
    int frames(int n) {
        // Runs n frames at the current rate; returns the number drawn.
        int drawn = 0;
        for (int i = 0; i < n; ++i) {
            const int64_t before = w->state().lastFrameTime;
            tickAfter(1000 / w->state().framesPerSecond + 1);
            drawn += w->state().lastFrameTime != before;
        }
        return drawn;
    }
    std::string slotsOf(const std::string& data) {
        return data.substr(0, data.find("\r\n"));
    }
};
}  // namespace

TEST_F(Window, StartUpBuildsTheControlSet) {
    start();
    EXPECT_EQ(w->size(), QSize(316, 146));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ランチャー　左：ファイル　右：フォルダ"));
    ASSERT_EQ(w->slotButtonCount(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(w->slotButton(i)->geometry(), QRect((i % 5) * 60, (i / 5) * 20, 60, 20)) << i;
        EXPECT_FALSE(w->slotButton(i)->isHidden());
    }
    EXPECT_EQ(w->pictureWidget()->geometry(), QRect(8, 0, 300, 126));
    EXPECT_EQ(w->command2(2)->text(), QStringLiteral("登録/上書き"));
    EXPECT_EQ(w->command2(2)->geometry(), QRect(101, 56, 73, 20));
    EXPECT_EQ(w->command2(0)->geometry().left(), 174);
    EXPECT_EQ(w->command2(1)->geometry().left(), 199);
    EXPECT_EQ(w->command2(3)->geometry().left(), 224);
    EXPECT_EQ(w->com5(2)->geometry(), QRect(176, 104, 41, 17));
    EXPECT_EQ(w->com5(6)->text(), QStringLiteral("繰返"));
    for (int i : {4, 5, 7, 8}) EXPECT_TRUE(w->com5(i)->isHidden()) << i;
    for (int i : {0, 1, 2, 3, 6}) EXPECT_FALSE(w->com5(i)->isHidden()) << i;
    EXPECT_TRUE(w->text1()->isHidden());
    EXPECT_FALSE(w->text1()->isEnabled());
    EXPECT_EQ(w->text1()->font().pixelSize(), 12);   // its own font waits until it shows
    EXPECT_TRUE(w->check2()->isHidden());
    EXPECT_EQ(w->command3()->toolTip(), QStringLiteral("ヘルプを表示します"));
    EXPECT_EQ(w->state().fileDialogFolder + "/", dir.path());
    EXPECT_EQ(w->state().alarmSoundPath, dir.path() + "bg.wav");
    // Missing icons: the program still starts.
    EXPECT_EQ(w->state().framesPerSecond, 20);
}

TEST_F(Window, HiddenListsAreBuiltWhenFirstNeeded) {
    dir.write("midlist.dat", "\"/m/a.mid\"\r\n\"/m/b.mid\"\r\n");
    start();
    auto built = [&] { return w->findChildren<QListView*>().size(); };
    // Start-up, frames, the game and back, the reset keys and a music
    // reservation build none of them.
    frames(5);
    w->formKeyDown(kKeyF6);
    w->formKeyDown(kKeyF4);
    frames(5);
    w->formKeyDown(kKeyF6);
    w->askReset = [] { return false; };
    for (int k : {kKeyF1, kKeyF9, kKeyF3, kKeyDelete}) w->formKeyDown(k);
    w->com5Click(2);   // Play: nothing selected, nothing plays
    frames(5);
    EXPECT_EQ(built(), 0);
    // The pattern list when it is asked for, alone.
    w->com5Click(6);
    EXPECT_EQ(built(), 1);
    EXPECT_FALSE(w->list2()->isHidden());
    w->list2Click(1);
    // The list box when the panel opens: where the slide has it, with the
    // list loaded at start, nothing selected.
    w->com5Click(1);
    frames(30);
    EXPECT_EQ(built(), 2);
    EXPECT_FALSE(w->list1()->isHidden());
    EXPECT_EQ(w->list1()->model()->rowCount(), 2);
    EXPECT_TRUE(w->list1()->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(Window, FramePacingAndThePast32BitClock) {
    start();
    w->tick();   // first tick after start-up always draws
    const int64_t first = w->state().lastFrameTime;
    EXPECT_EQ(first, clock.now);
    tickAfter(50);   // exactly one interval: no frame
    EXPECT_EQ(w->state().lastFrameTime, first);
    tickAfter(1);
    EXPECT_EQ(w->state().lastFrameTime, first + 51);
    // Far beyond 2^31 and 2^32 milliseconds the frames go on.
    clock.now = (int64_t{1} << 32) + 12345;
    w->tick();
    EXPECT_EQ(w->state().lastFrameTime, clock.now);
    EXPECT_EQ(frames(5), 5);
}

TEST_F(Window, CaptionAndMeasuredRateOncePerSecond) {
    start();
    w->tick();   // the first drawing tick closes the first second
    EXPECT_EQ(w->windowTitle(), QStringLiteral("FPS:20 左：ファイル　右：フォルダ"));
    w->setWindowTitle("x");
    frames(19);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("x"));
    frames(1);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("FPS:20 左：ファイル　右：フォルダ"));
    EXPECT_EQ(w->state().measuredFps, 20);
}

TEST_F(Window, PageBannerSolidThenStriped) {
    start();
    w->command2Click(0);
    EXPECT_EQ(w->state().slotPage, 24);
    EXPECT_EQ(w->state().pageBannerTicks, 40);
    int solid = 0, striped = 0;
    for (int f = 0; f < 45; ++f) {
        frames(1);
        if (w->state().pageBannerTicks == 0) continue;
        // Rows 42 and 43 of the banner: both white when solid.
        const bool a = w->picture().point(60, 42) == qRgb(255, 255, 255);
        const bool b = w->picture().point(60, 43) == qRgb(255, 255, 255);
        (a && b) ? ++solid : ++striped;
    }
    EXPECT_EQ(solid, 26);
    EXPECT_EQ(striped, 13);
}

TEST_F(Window, AlarmFlashesRingsAndStopsOnClick) {
    start();
    w->tick();
    w->command2Click(3);   // timer entry
    EXPECT_FALSE(w->text1()->isHidden());
    EXPECT_EQ(w->text1()->font().pixelSize(), 15);
    EXPECT_FALSE(w->command4(0)->isHidden());
    EXPECT_FALSE(w->command4(1)->isHidden());
    EXPECT_TRUE(w->command4(2)->isHidden());
    EXPECT_FALSE(w->check2()->isHidden());
    EXPECT_EQ(w->text1()->maxLength(), 4);
    EXPECT_TRUE(dir.exists("bg.wav"));   // created empty
    w->command4Click(0);                 // empty entry: expires at the next mark
    EXPECT_TRUE(w->text1()->isHidden());
    frames(20);   // the 20th frame closes the second: expiry
    EXPECT_EQ(w->state().alarmCount, 500);
    frames(1);    // the next frame flashes green and rings
    EXPECT_EQ(w->state().alarmCount, 500 - 1);
    EXPECT_EQ(w->picture().backColor(), qRgb(0, 255, 0));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("時間だよ！　クリックで止まるよ"));
    frames(20);
    EXPECT_EQ(w->state().alarmCount, 500 - 3);
    EXPECT_EQ(wav.plays, 3);
    EXPECT_GE(beeper.beeps, 3);
    w->picture1MouseDown();
    EXPECT_EQ(w->state().alarmCount, 0);
    EXPECT_EQ(w->picture().backColor(), qRgb(192, 192, 192));
    frames(25);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("FPS:20 左：ファイル　右：フォルダ"));
    EXPECT_EQ(w->picture().backColor(), qRgb(192, 192, 192));
}

TEST_F(Window, AlarmWithoutClickEndsGreen) {
    start();
    w->state().alarmCount = 500;
    int toggles = 0;
    QRgb last = w->picture().backColor();
    for (int f = 0; f < 20 * 260 && (w->state().alarmCount > 0 || toggles < 501); ++f) {
        frames(1);
        if (w->picture().backColor() != last) ++toggles;
        last = w->picture().backColor();
    }
    EXPECT_EQ(toggles, 501);
    EXPECT_EQ(w->picture().backColor(), qRgb(0, 255, 0));
}

TEST_F(Window, MusicReservationStartsPlay) {
    start();
    w->musicList().append("/m/a.mid");
    mci.good["/m/a.mid"] = true;
    w->state().currentMusicPath = "/m/a.mid";
    w->check2()->setChecked(true);
    w->text1()->setText("0");
    w->command4Click(0);
    frames(1);
    EXPECT_EQ(mci.openPath, "/m/a.mid");
    EXPECT_EQ(w->state().musicPlaying, 1);
}

TEST_F(Window, RegistrationCommitSavesWithThePosition) {
    start();
    w->placeWindowTwips(1200, 900);
    dialogAnswer = "/usr/bin/env";
    w->command2Click(2);
    EXPECT_EQ(w->state().pendingPath, "/usr/bin/env");
    w->command1MouseDown(4, Qt::LeftButton);
    EXPECT_EQ(w->state().slotPath[4], "/usr/bin/env");
    const std::string data = dir.read("data.dat");
    EXPECT_NE(data.find("\"/usr/bin/env\"\r\n"), std::string::npos);
    EXPECT_NE(data.find("\r\n1200\r\n900\r\n"), std::string::npos);
    EXPECT_TRUE(shell.calls.empty());
    w->command1MouseDown(4, Qt::LeftButton);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].directory, std::optional<std::string>("/usr/bin/"));
}

TEST_F(Window, NamesDataDatCannotHoldAreNotRegistered) {
    int warnings = 0;
    start();
    w->warnUnstorable = [&warnings] { ++warnings; };
    dialogAnswer = "/usr/bin/env";
    w->command2Click(2);
    w->command1MouseDown(0, Qt::LeftButton);
    const std::string data = dir.read("data.dat");
    dialogAnswer = "/opt/say \"hi\", bye.sh";
    w->command2Click(2);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(w->state().pendingPath, "");
    w->command1MouseDown(1, Qt::LeftButton);   // an ordinary launch, no commit
    EXPECT_EQ(w->state().slotPath[1], "");
    // A refused answer cancels a pending registration as a cancelled
    // dialog does: the next click launches, it stores nothing.
    dialogAnswer = "/usr/bin/true";
    w->command2Click(2);
    dialogAnswer = "/tmp/two\nlines";
    w->command2Click(2);
    EXPECT_EQ(warnings, 2);
    EXPECT_EQ(w->state().pendingPath, "");
    w->command1MouseDown(2, Qt::LeftButton);
    EXPECT_EQ(w->state().slotPath[2], "");
    EXPECT_EQ(dir.read("data.dat"), data);
}

TEST_F(Window, AMissingDataDatCostsNoCountPageOrList) {
    std::string lot = "7\r\n0\r\n";
    for (int i = 0; i < 249; ++i) lot += "2\r\n";
    dir.write("lot.dat", lot);
    dir.write("midpage.dat", "5\r\n");
    dir.write("midlist5.dat", "\"/m/five.mid\"\r\n");
    dir.write("midlist3.dat", "\"/m/three.mid\"\r\n");
    start();
    EXPECT_EQ(w->state().musicPage, 5);
    EXPECT_EQ(w->musicList().items(), (std::vector<std::string>{"/m/five.mid"}));
    EXPECT_EQ(w->state().slotUseCount[0], 7);
    w->formUnload();
    EXPECT_EQ(dir.read("lot.dat"), lot);
    EXPECT_EQ(dir.read("midpage.dat"), "5\r\n");
    EXPECT_EQ(dir.read("midlist5.dat"), "\"/m/five.mid\"\r\n");
    EXPECT_EQ(dir.read("midlist3.dat"), "\"/m/three.mid\"\r\n");
    EXPECT_FALSE(dir.exists("midlist.dat"));
    EXPECT_TRUE(dir.exists("data.dat"));
}

TEST_F(Window, ShutDownSavesUnlessFarAway) {
    start();
    w->state().slotUseCount[3] = 5;
    w->placeWindowTwips(45000, 45000);
    w->formUnload();
    EXPECT_FALSE(dir.exists("data.dat"));
    start();
    w->placeWindowTwips(45000, 1500);
    w->formUnload();
    EXPECT_TRUE(dir.exists("data.dat"));
    EXPECT_NE(dir.read("data.dat").find("\r\n45000\r\n1500\r\n"), std::string::npos);
}

TEST_F(Window, ShutDownStopsTheMusicFirst) {
    start();
    mci.good["/m/a.mid"] = true;
    w->state().fileDialogValue = "/m/a.mid";
    w->music().addMusicEntries();
    EXPECT_TRUE(mci.playing);
    w->formUnload();
    EXPECT_FALSE(mci.open);
    EXPECT_EQ(dir.read("midlist.dat"), "\"/m/a.mid\"\r\n");
}

TEST_F(Window, GameModeSwitchKeepsTheRateAndControls) {
    start();
    w->state().countdownFrames = 1800;
    w->formKeyDown(kKeyF6);
    EXPECT_FALSE(w->launcherMode());
    EXPECT_EQ(w->state().framesPerSecond, 10);
    EXPECT_EQ(w->state().countdownFrames, 900);
    EXPECT_TRUE(w->command2(2)->isHidden());
    EXPECT_TRUE(w->com5(0)->isHidden());
    EXPECT_TRUE(w->text1()->isHidden());
    w->formKeyDown(kKeyF4);
    EXPECT_TRUE(w->game().gameRunning);
    // A letter typed while a button has the focus reaches the game only.
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->text2(0)->setFocus();
    QApplication::processEvents();
    const QString before = w->text2(0)->text();
    QTest::keyClick(w->windowHandle(), Qt::Key_Q);
    EXPECT_EQ(w->text2(0)->text(), before);
    EXPECT_EQ(w->game().typedKeys, "Q");
    const int32_t inGame = w->state().countdownFrames;   // the real timer may have run meanwhile
    w->formKeyDown(kKeyF6);
    EXPECT_TRUE(w->launcherMode());
    EXPECT_EQ(w->state().framesPerSecond, 20);
    EXPECT_EQ(w->state().countdownFrames, inGame * 2);
    EXPECT_FALSE(w->slotButton(9)->isHidden());
    EXPECT_TRUE(w->command4(0)->isHidden());
    w->hide();
}

TEST_F(Window, LeavingTheGameRestoresAFiveDigitRate) {
    start();
    w->command2Click(4);
    EXPECT_EQ(w->text1()->maxLength(), 3);
    EXPECT_EQ(w->text1()->font().pixelSize(), 15);
    w->text1()->setText("9e9");
    w->command4Click(2);
    EXPECT_EQ(w->state().framesPerSecond, 32767);
    w->formKeyDown(kKeyF6);
    EXPECT_EQ(w->state().framesPerSecond, 10);
    w->formKeyDown(kKeyF6);
    EXPECT_EQ(w->state().framesPerSecond, 32767);
}

TEST_F(Window, ResetEmptiesSlotsButKeepsCounts) {
    start();
    w->askReset = [] { return true; };
    w->state().slotPath[7] = "/x";
    w->state().slotUseCount[7] = 11;
    w->placeWindowTwips(3000, 3000);
    for (int k : {kKeyF1, kKeyF9, kKeyF3, kKeyDelete}) w->formKeyDown(k);
    EXPECT_EQ(beeper.beeps, 4);
    EXPECT_EQ(w->state().slotPath[7], "");
    EXPECT_EQ(w->pos(), QPoint(0, 0));
    EXPECT_EQ(w->state().slotUseCount[7], 11);
    EXPECT_EQ(slotsOf(dir.read("data.dat")), "\"\"");
    EXPECT_NE(dir.read("lot.dat").find("11\r\n"), std::string::npos);
}

TEST_F(Window, RestartHelpAndAddressCopy) {
    start();
    w->command3Click();
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].operation, std::optional<std::string>("open"));
    EXPECT_EQ(shell.calls[0].file, dir.path() + "readme.txt");
    w->com5Click(0);
    EXPECT_EQ(clipboard.text, "192.168.1.23");
    w->placeWindowTwips(1200, 900);
    // The folder is let go after the save and before the new instance starts.
    std::string dataWhenReleased;
    size_t startedWhenReleased = 99;
    w->releaseFolder = [&] {
        dataWhenReleased = dir.read("data.dat");
        startedWhenReleased = shell.programs.size();
    };
    w->formKeyDown(kKeyF1);
    w->formKeyDown(kKeyF5);
    EXPECT_NE(dataWhenReleased.find("\r\n1200\r\n900\r\n"), std::string::npos);
    EXPECT_EQ(startedWhenReleased, 0u);
    ASSERT_EQ(shell.programs.size(), 1u);
    EXPECT_EQ(shell.programs[0].first, dir.path() + "sorvel_p");
    EXPECT_EQ(shell.programs[0].second, dir.path());
    EXPECT_EQ(ended, 0);
    EXPECT_NE(dir.read("data.dat").find("\r\n1200\r\n900\r\n"), std::string::npos);
    // The unload after a restart does not save again.
    dir.write("data.dat", "sentinel");
    w->formUnload();
    EXPECT_EQ(dir.read("data.dat"), "sentinel");
}

TEST_F(Window, HoverPanelHidesMusicButtons) {
    start();
    w->command1MouseMove(2);
    frames(7);
    EXPECT_TRUE(w->com5(2)->isHidden());
    w->state().hoverIndex = kNoHover;
    frames(7);
    EXPECT_FALSE(w->com5(2)->isHidden());
}

TEST_F(Window, EachKeyReachesTheHandlerOnce) {
    start();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    int asked = 0;
    // The question takes the focus away, as a closing dialog may.
    w->askReset = [&] {
        ++asked;
        if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
        return false;
    };
    w->com5(0)->setFocus();
    for (Qt::Key k : {Qt::Key_F1, Qt::Key_F9, Qt::Key_F3, Qt::Key_Delete}) QTest::keyClick(w->windowHandle(), k);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w->resetStep(), 4);
    EXPECT_EQ(beeper.beeps, 4);
    // Right after the answer the sequence does not count again.
    for (Qt::Key k : {Qt::Key_F1, Qt::Key_F9, Qt::Key_F3, Qt::Key_Delete}) QTest::keyClick(w->windowHandle(), k);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(w->resetStep(), 0);
    // With nothing focused, keys still arrive once each.
    QTest::keyClick(w->windowHandle(), Qt::Key_X);
    for (Qt::Key k : {Qt::Key_F1, Qt::Key_F9, Qt::Key_F3, Qt::Key_Delete}) QTest::keyClick(w->windowHandle(), k);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(w->resetStep(), 4);
    w->hide();
}

TEST_F(Window, LevelKeysActByTheirPlaceOnTheKeyboard) {
    start();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->setKeyPositionsKnown(true);
    auto press = [&](int key, Qt::KeyboardModifiers mods, quint32 scanCode, const QString& text) {
        QKeyEvent e(QEvent::KeyPress, key, mods, scanCode, 0, 0, text);
        QCoreApplication::sendEvent(w->windowHandle(), &e);
    };
    press(Qt::Key_NumberSign, Qt::ShiftModifier, 12, "#");   // Shift+3 on a US keyboard
    EXPECT_EQ(w->state().rowLevel, 3);
    press(Qt::Key_Ampersand, Qt::NoModifier, 10, "&");       // 1 on AZERTY
    EXPECT_EQ(w->state().rowLevel, 1);
    press(Qt::Key_Agrave, Qt::NoModifier, 19, QStringLiteral("à"));   // 0 on AZERTY
    EXPECT_EQ(w->state().rowLevel, 0);
    press(Qt::Key_4, Qt::ControlModifier | Qt::AltModifier, 13, "");
    EXPECT_EQ(w->state().rowLevel, 4);
    press(Qt::Key_5, Qt::KeypadModifier, 84, "5");           // keypad as before
    EXPECT_EQ(w->state().rowLevel, 5);
    press(Qt::Key_Q, Qt::NoModifier, 24, "q");               // other keys leave it
    EXPECT_EQ(w->state().rowLevel, 5);
    w->hide();
}

TEST_F(Window, SlotButtonsTakeOnePressPerDoubleClickAndIgnoreSideButtons) {
    start();
    w->state().slotPath[2] = "http://example.org/";
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    // What the window system sends for a double-click.
    QTest::mousePress(w->slotButton(2), Qt::LeftButton, {}, QPoint(30, 10));
    QTest::mouseRelease(w->slotButton(2), Qt::LeftButton, {}, QPoint(30, 10));
    QTest::mouseDClick(w->slotButton(2), Qt::LeftButton, {}, QPoint(30, 10));
    QTest::mouseRelease(w->slotButton(2), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(w->state().slotUseCount[2], 1);
    EXPECT_EQ(w->state().slotSessionCount[2], 1);
    for (Qt::MouseButton b : {Qt::BackButton, Qt::ForwardButton, Qt::ExtraButton3}) {
        QTest::mouseClick(w->slotButton(2), b, {}, QPoint(30, 10));
        QTest::mouseClick(w->slotButton(3), b, {}, QPoint(30, 10));
    }
    EXPECT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(w->state().slotUseCount[2], 1);
    EXPECT_EQ(w->state().slotUseCount[3], 0);
    // A side button does not cancel a pending registration either.
    w->state().pendingPath = "/x";
    QTest::mouseClick(w->slotButton(3), Qt::BackButton, {}, QPoint(30, 10));
    EXPECT_EQ(w->state().pendingPath, "/x");
    w->hide();
}

TEST_F(Window, ResetQuestionHasJapaneseButtonsWithoutIcons) {
    start();
    w->state().slotPath[4] = "/keep";
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = true;
        EXPECT_EQ(box->windowTitle(), QStringLiteral("リセット操作"));
        EXPECT_EQ(box->text(), QStringLiteral("リセットします。いいですか？？"));
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        ASSERT_NE(box->button(QMessageBox::Ok), nullptr);
        ASSERT_NE(box->button(QMessageBox::Cancel), nullptr);
        EXPECT_EQ(box->button(QMessageBox::Ok)->text(), QStringLiteral("OK"));
        EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
        EXPECT_TRUE(box->button(QMessageBox::Ok)->icon().isNull());
        EXPECT_TRUE(box->button(QMessageBox::Cancel)->icon().isNull());
        box->button(QMessageBox::Cancel)->click();
    });
    for (int k : {kKeyF1, kKeyF9, kKeyF3, kKeyDelete}) w->formKeyDown(k);
    EXPECT_TRUE(seen);
    EXPECT_EQ(w->state().slotPath[4], "/keep");   // Cancel changes nothing
}

TEST(KeyCodes, QtKeysMapToVirtualKeys) {
    EXPECT_EQ(virtualKeyCode(Qt::Key_F1, false), 112);
    EXPECT_EQ(virtualKeyCode(Qt::Key_F9, false), 120);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Delete, false), 46);
    EXPECT_EQ(virtualKeyCode(Qt::Key_3, false), 51);
    EXPECT_EQ(virtualKeyCode(Qt::Key_3, true), 99);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Q, false), 81);
    EXPECT_EQ(virtualKeyCode(Qt::Key_Exclam, false, 1), 49);
    EXPECT_EQ(virtualKeyCode(Qt::Key_3, true, -1), 99);
    EXPECT_EQ(mainRowDigitAt(19), 0);
    EXPECT_EQ(mainRowDigitAt(10), 1);
    EXPECT_EQ(mainRowDigitAt(15), 6);
    EXPECT_EQ(mainRowDigitAt(20), -1);   // the minus key
    EXPECT_EQ(mainRowDigitAt(84), -1);   // keypad 5
    EXPECT_EQ(mainRowDigitAt(0), -1);
    EXPECT_TRUE(scanCodesAreKeyPositions("xcb"));
    EXPECT_TRUE(scanCodesAreKeyPositions("wayland-egl"));
    EXPECT_FALSE(scanCodesAreKeyPositions("offscreen"));
}

// The music list on screen: what is highlighted is always the list's
// selection; focus, opening and page changes never select or play; every
// change of selection by the user runs the click reaction once.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "TempDir.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "app/MusicListView.h"
#include "platform/Surface.h"
#include "platform/Fakes.h"

using namespace sorvel;

namespace {
struct ListWindow : ::testing::Test, WindowFakes {
    TempDir dir;
    std::unique_ptr<MainWindow> w;

    void start(int entries, int page = 0) {
        std::string list;
        for (int i = 0; i < entries; ++i) list += "\"/m/" + std::to_string(i) + ".mid\"\r\n";
        if (entries >= 0) dir.write(page > 0 ? "midlist" + std::to_string(page) + ".dat" : "midlist.dat", list);
        std::string data, lot;
        for (int i = 0; i < 251; ++i) {
            data += "\"\"\r\n";
            lot += "0\r\n";
        }
        dir.write("data.dat", data + "0\r\n0\r\n");
        dir.write("lot.dat", lot);
        dir.write("midpage.dat", std::to_string(page) + "\r\n");
        mci.openAnything = true;
        clock.now = 5'000'000;
        w = std::make_unique<MainWindow>(dir.path(), services());
        w->runFileDialog = [] {};
        w->formLoad();
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            clock.now += 51;
            w->tick();
        }
    }
    void openList() {
        w->com5Click(1);
        frames(8);
        QCoreApplication::processEvents();
    }
    int opens() const {
        int n = 0;
        for (const auto& c : mci.sent) n += c.rfind("open ", 0) == 0;
        return n;
    }
    int highlighted() const {
        const auto rows = w->list1()->selectionModel()->selectedIndexes();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    QPoint rowCentre(int row) const { return w->list1()->visualRect(w->list1()->model()->index(row, 0)).center(); }
};
}  // namespace

TEST_F(ListWindow, OpeningFocusingAndPagingNeverSelectOrPlay) {
    start(5);
    openList();
    ASSERT_FALSE(w->list1()->isHidden());
    EXPECT_TRUE(w->list1()->hasFocus());
    EXPECT_EQ(w->musicList().selected(), -1);
    EXPECT_EQ(highlighted(), -1);
    EXPECT_EQ(opens(), 0);
    // Tab away and back.
    QTest::keyClick(w->list1(), Qt::Key_Tab);
    w->list1()->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(w->musicList().selected(), -1);
    EXPECT_EQ(opens(), 0);

    // Play one entry, change pages and come back: the old track goes on.
    QTest::mouseClick(w->list1()->viewport(), Qt::LeftButton, {}, rowCentre(2));
    EXPECT_EQ(w->musicList().selected(), 2);
    EXPECT_EQ(mci.openPath, "/m/2.mid");
    const int before = opens();
    w->list3Click(1);
    w->list3Click(0);
    w->com5Click(1);   // close
    frames(8);
    openList();        // and open again
    EXPECT_EQ(w->musicList().selected(), -1);
    EXPECT_EQ(highlighted(), -1);
    EXPECT_EQ(opens(), before);
    EXPECT_EQ(mci.openPath, "/m/2.mid");
    EXPECT_TRUE(mci.playing);
}

TEST_F(ListWindow, EveryChangeOfSelectionRunsTheReactionOnce) {
    start(6);
    openList();
    auto* vp = w->list1()->viewport();
    // Press on one entry, drag to another, release: the second one plays
    // and is what Delete removes.
    QTest::mousePress(vp, Qt::LeftButton, {}, rowCentre(1));
    EXPECT_EQ(mci.openPath, "/m/1.mid");
    QTest::mouseMove(vp, rowCentre(3));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, rowCentre(3));
    EXPECT_EQ(w->musicList().selected(), 3);
    EXPECT_EQ(highlighted(), 3);
    EXPECT_EQ(mci.openPath, "/m/3.mid");
    EXPECT_EQ(opens(), 2);
    w->com5Click(5);
    EXPECT_EQ(w->musicList().count(), 5);
    EXPECT_EQ(w->musicList().find("/m/3.mid"), -1);
    EXPECT_EQ(w->musicList().selected(), 3);   // /m/4.mid took its place
    EXPECT_EQ(highlighted(), 3);

    // The keyboard: one step, one reaction.
    mci.sent.clear();
    QTest::keyClick(w->list1(), Qt::Key_Down);
    EXPECT_EQ(w->musicList().selected(), 4);
    EXPECT_EQ(highlighted(), 4);
    EXPECT_EQ(opens(), 1);
    EXPECT_EQ(mci.openPath, "/m/5.mid");

    // A click on the selected entry plays it again, once; so does a
    // double-click; a Ctrl+click never empties the selection.
    mci.sent.clear();
    QTest::mouseClick(vp, Qt::LeftButton, {}, rowCentre(4));
    EXPECT_EQ(opens(), 1);
    mci.sent.clear();
    QTest::mouseClick(vp, Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(opens(), 1);
    // A double-click on it: the first click replays it, the second is no
    // new click.
    QTest::mouseClick(vp, Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseDClick(vp, Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(opens(), 2);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
    EXPECT_EQ(highlighted(), 0);
    EXPECT_EQ(w->musicList().selected(), 0);
    // Other buttons select nothing.
    mci.sent.clear();
    QTest::mouseClick(vp, Qt::RightButton, {}, rowCentre(2));
    EXPECT_EQ(w->musicList().selected(), 0);
    EXPECT_EQ(opens(), 0);
}

TEST_F(ListWindow, ListBoxesShowWholeRowsWithoutSideways) {
    start(30);
    w->musicList().insertTop("/m/" + std::string(3000, 'x') + ".mid");
    openList();
    auto* l1 = w->list1();
    EXPECT_FALSE(l1->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(l1->verticalScrollBar()->isVisible());
    EXPECT_EQ(l1->visualRect(l1->model()->index(1, 0)).top() - l1->visualRect(l1->model()->index(0, 0)).top(), 12);
    EXPECT_EQ(l1->viewport()->height(), 7 * 12);   // seven whole rows, nothing of an eighth

    // The pattern list and the page menu: four rows of 12 pixels, all
    // visible, no scroll bar, and a click on each row picks that row.
    w->com5Click(6);
    auto* l2 = w->list2();
    ASSERT_FALSE(l2->isHidden());
    EXPECT_EQ(l2->size(), QSize(41, 52));
    EXPECT_FALSE(l2->verticalScrollBar()->isVisible());
    EXPECT_FALSE(l2->horizontalScrollBar()->isVisible());
    EXPECT_EQ(l2->viewport()->height(), 4 * 12);
    for (int row = 0; row < 4; ++row) {
        const QRect r = l2->visualRect(l2->model()->index(row, 0));
        EXPECT_EQ(r.height(), 12);
        EXPECT_LE(r.bottom(), l2->viewport()->height() - 1) << row;
    }
    for (int row : {1, 3, 0, 2}) {
        w->com5Click(6);
        QTest::mouseClick(l2->viewport(), Qt::LeftButton, {}, l2->visualRect(l2->model()->index(row, 0)).center());
        EXPECT_EQ(w->com5(6)->text(), l2->item(row)->text()) << row;
        EXPECT_TRUE(l2->isHidden());
    }
    w->com5Click(7);
    auto* l3 = w->list3();
    ASSERT_FALSE(l3->isHidden());
    EXPECT_EQ(l3->size(), QSize(57, 52));
    EXPECT_FALSE(l3->verticalScrollBar()->isVisible());
    for (int row = 0; row < 4; ++row) {
        EXPECT_LE(l3->visualRect(l3->model()->index(row, 0)).bottom(), l3->viewport()->height() - 1) << row;
    }
    QTest::mouseClick(l3->viewport(), Qt::LeftButton, {}, l3->visualRect(l3->model()->index(1, 0)).center());
    EXPECT_EQ(w->com5(7)->text(), QStringLiteral("2P"));
}

TEST(ShownEntry, CutsHugeEntriesAtACharacterBoundary) {
    EXPECT_EQ(shownEntry("/m/a.mid"), QStringLiteral("/m/a.mid"));
    std::string huge = "/";
    while (huge.size() < 10'000'000) huge += "日本語";
    const QString shown = shownEntry(huge);
    EXPECT_LE(shown.toUtf8().size(), static_cast<qsizetype>(kListShownBytes));
    EXPECT_GE(shown.toUtf8().size(), static_cast<qsizetype>(kListShownBytes) - 3);
    EXPECT_FALSE(shown.contains(QChar::ReplacementCharacter));
}

TEST_F(ListWindow, MissingEntriesArePrunedAndTheViewFollows) {
    std::string file;
    for (int i = 0; i < 10000; ++i) file += "\"/gone/" + std::to_string(i) + ".mid\"\r\n";
    file += "\"/m/ok.mid\"\r\n\"/gone/last.mid\"\r\n";
    dir.write("midlist.dat", file);
    start(-1);
    ASSERT_EQ(w->list1()->model()->rowCount(), 10002);
    openList();
    mci.openAnything = false;
    mci.good["/m/ok.mid"] = true;
    QTest::mouseClick(w->list1()->viewport(), Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(mci.openPath, "/m/ok.mid");
    EXPECT_EQ(w->list1()->model()->rowCount(), 2);
    EXPECT_EQ(highlighted(), 0);
    EXPECT_EQ(dir.read("midlist.dat"), "\"/m/ok.mid\"\r\n\"/gone/last.mid\"\r\n");
}

TEST_F(ListWindow, ATenMegabyteEntryIsShownCut) {
    const std::string huge = "/m/" + std::string(10 * 1024 * 1024, 'x') + ".mid";
    dir.write("midlist.dat", "\"" + huge + "\"\r\n\"/m/short.mid\"\r\n");
    start(-1);
    openList();
    ASSERT_EQ(w->musicList().count(), 2);
    EXPECT_EQ(w->musicList().at(0), huge);   // kept whole in the list and its file
    const QString shown = w->list1()->model()->index(0, 0).data().toString();
    EXPECT_EQ(shown.size(), static_cast<qsizetype>(kListShownBytes));
    EXPECT_FALSE(w->list1()->grab().isNull());
    w->list3Click(1);
    w->list3Click(0);
    EXPECT_EQ(dir.read("midlist.dat"), "\"" + huge + "\"\r\n\"/m/short.mid\"\r\n");
}

TEST_F(ListWindow, PatternListAndPageMenuChooseOnEveryChangeOfSelection) {
    start(3);
    auto* l2 = w->list2();
    auto rowAt = [](QListWidget* l, int row) { return l->visualRect(l->model()->index(row, 0)).center(); };
    // Press on the first pattern, drag to the third, release: the third is
    // chosen, once.
    w->com5Click(6);
    QTest::mousePress(l2->viewport(), Qt::LeftButton, {}, rowAt(l2, 0));
    QTest::mouseMove(l2->viewport(), rowAt(l2, 2));
    QTest::mouseRelease(l2->viewport(), Qt::LeftButton, {}, rowAt(l2, 2));
    EXPECT_EQ(l2->currentRow(), 2);
    EXPECT_EQ(w->com5(6)->text(), l2->item(2)->text());
    EXPECT_TRUE(l2->isHidden());
    // The keyboard: Down chooses the next pattern.
    w->com5Click(6);
    l2->setFocus();
    QTest::keyClick(l2, Qt::Key_Down);
    EXPECT_EQ(w->com5(6)->text(), l2->item(3)->text());
    // The selection set by code chooses nothing.
    w->com5Click(6);
    l2->setCurrentRow(0);
    EXPECT_EQ(w->com5(6)->text(), l2->item(3)->text());
    EXPECT_FALSE(l2->isHidden());
    // A press the box's hiding cut short (the game came up under it): the
    // keys choose at once again.
    QTest::mousePress(l2->viewport(), Qt::LeftButton, {}, rowAt(l2, 1));
    l2->hide();
    w->com5Click(6);
    // Opened, the box shows the pattern in use as its choice.
    EXPECT_EQ(l2->currentRow(), 3);
    EXPECT_TRUE(l2->item(3)->isSelected());
    l2->setFocus();
    QTest::keyClick(l2, Qt::Key_Up);
    EXPECT_EQ(w->com5(6)->text(), l2->item(2)->text());

    // The page menu: a drag from 1つ前 to そのまま only closes it; a key
    // step pages; 1つ後 clicked twice pages twice.
    auto* l3 = w->list3();
    w->com5Click(7);
    QTest::mousePress(l3->viewport(), Qt::LeftButton, {}, rowAt(l3, 0));
    QTest::mouseMove(l3->viewport(), rowAt(l3, 2));
    QTest::mouseRelease(l3->viewport(), Qt::LeftButton, {}, rowAt(l3, 2));
    EXPECT_TRUE(l3->isHidden());
    EXPECT_EQ(w->com5(7)->text(), QStringLiteral("1P"));
    w->com5Click(7);
    l3->setFocus();
    QTest::keyClick(l3, Qt::Key_Down);   // そのまま -> お気に入
    EXPECT_EQ(w->list1()->palette().color(QPalette::Base), QColor(225, 255, 225));
    QTest::keyClick(l3, Qt::Key_Up);     // お気に入 -> そのまま
    EXPECT_TRUE(l3->isHidden());
    w->com5Click(7);
    for (int i = 0; i < 2; ++i) QTest::mouseClick(l3->viewport(), Qt::LeftButton, {}, rowAt(l3, 1));
    EXPECT_EQ(w->com5(7)->text(), QStringLiteral("3P"));
    l3->setCurrentRow(0);   // by code: no page change
    EXPECT_EQ(w->com5(7)->text(), QStringLiteral("3P"));
}

TEST_F(ListWindow, TrackNameShowsTheStartOfALongPath) {
    start(0);
    const std::string path = "/music/start-of-the-path/" + std::string(200, 'x') + "/end.mid";
    w->musicList().insertTop(path);
    w->musicList().select(0);
    ASSERT_EQ(w->text2(0)->text(), QString::fromStdString(path));
    EXPECT_EQ(w->text2(0)->cursorPosition(), 0);
    // The start is what is drawn: the cursor, at the first character, sits
    // at the box's left edge.
    EXPECT_LT(w->text2(0)->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 8);
}

TEST(ListRows, UnderscoresAreDrawnInsideTheirRow) {
    // "a_b" and "a b" differ only in the underscore (the font gives both
    // the same width): their rows must differ inside the row.
    QListWidget l;
    makePlainListBox(&l, false);
    l.setFont(uiFont(12));
    l.addItem(QStringLiteral("a_b"));
    l.addItem(QStringLiteral("a b"));
    l.resize(60, 40);
    l.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&l));
    const QImage img = l.viewport()->grab().toImage();
    const QRect r0 = l.visualRect(l.model()->index(0, 0)), r1 = l.visualRect(l.model()->index(1, 0));
    ASSERT_EQ(r0.height(), 12);
    int differing = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = r0.left(); x <= r0.right(); ++x) differing += img.pixel(x, r0.top() + y) != img.pixel(x, r1.top() + y);
    EXPECT_GT(differing, 2);
}

TEST_F(ListWindow, AChoiceListOpenedByTheUserTakesTheFocusAndHandsItBack) {
    start(3);
    openList();
    w->state().hoverIndex = kNoHover;   // the slot's panel closes off the player buttons
    frames(30);
    // From the keyboard: the page button focused, Space opens the menu.
    QPushButton* page = w->com5(7);
    page->setFocus();
    QTest::keyClick(page, Qt::Key_Space);
    auto* l3 = w->list3();
    ASSERT_FALSE(l3->isHidden());
    EXPECT_TRUE(l3->hasFocus());
    EXPECT_EQ(l3->currentRow(), 2);   // そのまま: the next key tells a row, choosing nothing yet
    QTest::keyClick(l3, Qt::Key_1);   // a digit is the window's, no jump to "1つ前"
    EXPECT_EQ(l3->currentRow(), 2);
    EXPECT_EQ(page->text(), QStringLiteral("1P"));
    QTest::keyClick(l3, Qt::Key_Up);  // 1つ後: pages, the menu stays
    EXPECT_EQ(page->text(), QStringLiteral("2P"));
    EXPECT_TRUE(l3->hasFocus());
    QTest::keyClick(l3, Qt::Key_Down);   // そのまま: closes it
    EXPECT_TRUE(l3->isHidden());
    EXPECT_TRUE(page->hasFocus());

    // Opened while something else holds the focus (not by the user's
    // press on its button): the focus stays where it is.
    QPushButton* pattern = w->com5(6);
    w->com5(5)->setFocus();
    w->com5Click(6);
    EXPECT_FALSE(w->list2()->isHidden());
    EXPECT_TRUE(w->com5(5)->hasFocus());
    // A click on the pattern button: the box takes the focus; a choice
    // hands it back to the button, which shows the new pattern.
    w->list2()->hide();
    QTest::mouseClick(pattern, Qt::LeftButton);
    EXPECT_TRUE(w->list2()->hasFocus());
    QTest::keyClick(w->list2(), Qt::Key_Up);
    EXPECT_TRUE(w->list2()->isHidden());
    EXPECT_TRUE(pattern->hasFocus());
    EXPECT_EQ(pattern->text(), w->list2()->item(2)->text());
}

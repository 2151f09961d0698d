// A stored window position off every screen comes back into view; any
// position that shows part of the window stays as it is.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "TempDir.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "app/WindowPlacement.h"
#include "platform/Fakes.h"

using namespace sorvel;

TEST(WindowPlacement, OnScreenPositionsStay) {
    const std::vector<ScreenRect> one{{0, 0, 1024, 768}};
    EXPECT_EQ(reachablePosition(80, 60, 316, 146, one), std::make_pair(80, 60));
    // Partly visible on any side is reachable: kept.
    EXPECT_EQ(reachablePosition(-300, -100, 316, 146, one), std::make_pair(-300, -100));
    EXPECT_EQ(reachablePosition(1023, 767, 316, 146, one), std::make_pair(1023, 767));
    // No screens known: nothing to decide.
    EXPECT_EQ(reachablePosition(5000, 5000, 316, 146, {}), std::make_pair(5000, 5000));
}

TEST(WindowPlacement, OffEveryScreenComesToTheNearestSpot) {
    const std::vector<ScreenRect> one{{0, 0, 1024, 768}};
    EXPECT_EQ(reachablePosition(3000, 3000, 316, 146, one), std::make_pair(1024 - 316, 768 - 146));
    EXPECT_EQ(reachablePosition(-5000, 200, 316, 146, one), std::make_pair(0, 200));
    EXPECT_EQ(reachablePosition(1024, 100, 316, 146, one), std::make_pair(1024 - 316, 100));
    EXPECT_EQ(reachablePosition(-316, -146, 316, 146, one), std::make_pair(0, 0));
    // Two monitors side by side; the right one was unplugged from a bigger
    // layout: the window goes to the screen nearest to where it was.
    const std::vector<ScreenRect> two{{0, 0, 1920, 1080}, {1920, 200, 1280, 1024}};
    EXPECT_EQ(reachablePosition(3500, 600, 316, 146, two), std::make_pair(3200 - 316, 600));
    EXPECT_EQ(reachablePosition(100, -2000, 316, 146, two), std::make_pair(100, 0));
    // A window larger than the screen starts at its corner.
    EXPECT_EQ(reachablePosition(900, 900, 2000, 2000, {{0, 0, 800, 600}}), std::make_pair(0, 0));
}

TEST(WindowPlacement, LoadedPositionOffScreenIsBroughtBack) {
    TempDir dir;
    WindowFakes fakes;
    std::string data;
    for (int i = 0; i < 251; ++i) data += "\"\"\r\n";
    dir.write("data.dat", data + "900000\r\n-600000\r\n");
    MainWindow w(dir.path(), fakes.services());
    w.formLoad();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(screen.contains(QRect(w.pos(), w.size()))) << w.pos().x() << "," << w.pos().y();
    EXPECT_EQ(w.state().windowPosition[0], 900000) << "the stored value is only read";

    // An on-screen position is kept to the pixel.
    dir.write("data.dat", data + "1200\r\n900\r\n");
    MainWindow w2(dir.path(), fakes.services());
    w2.formLoad();
    EXPECT_EQ(w2.pos(), QPoint(80, 60));
}

TEST(WindowPlacement, WithoutPlacementTheStoredPositionIsKept) {
    // Under Wayland the window's place is unknown: saving keeps the file's.
    TempDir dir;
    WindowFakes fakes;
    std::string data;
    for (int i = 0; i < 251; ++i) data += "\"\"\r\n";
    dir.write("data.dat", data + "1500\r\n3000\r\n");
    MainWindow w(dir.path(), fakes.services());
    w.windowPlaceable = false;
    w.formLoad();
    w.move(0, 0);
    w.formUnload();
    EXPECT_EQ(dir.read("data.dat"), data + "1500\r\n3000\r\n");
}

TEST(WindowPlacement, FullScreenAndMaximisedPlacesAreNotStored) {
    // The window manager's move to the corner may come just before or just
    // after it says the window is full screen; either way the normal place
    // is the one stored, and a later move of the user's counts again.
    for (bool moveFirst : {true, false}) {
        PlaceKeeper k;
        k.moved(300, 200, true, 1000);
        if (moveFirst) k.moved(0, 0, true, 5000);
        k.stateChanged(false, 5100);
        if (!moveFirst) k.moved(0, 0, false, 5150);
        EXPECT_EQ(k.twipsToStore(0, 0, false), (std::array<int32_t, 2>{4500, 3000})) << moveFirst;
        k.stateChanged(true, 9000);
        k.moved(300, 200, true, 9010);
        k.moved(40, 50, true, 12000);
        EXPECT_EQ(k.twipsToStore(40, 50, true), (std::array<int32_t, 2>{600, 750}));
    }
}

TEST(WindowPlacement, TheStoredPlaceGoesBackUnchangedUntilTheUserMovesTheWindow) {
    // Brought into view from off the screen; the window manager then fits
    // the frame onto the screen: no move of the user's.
    PlaceKeeper k;
    k.placed({30000, 15000}, 708, 622);
    k.settling();
    k.moved(706, 600, true, 100);
    EXPECT_EQ(k.twipsToStore(706, 600, true), (std::array<int32_t, 2>{30000, 15000}));
    k.settled(706, 600, true);
    k.moved(100, 90, true, 5000);
    EXPECT_EQ(k.twipsToStore(100, 90, true), (std::array<int32_t, 2>{1500, 1350}));

    // A place that is no whole pixel, or one a compositor overrode with a
    // spot of its own, is written back exactly as it was read.
    PlaceKeeper odd;
    odd.placed({3007, 4501}, 200, 300);
    EXPECT_EQ(odd.twipsToStore(200, 300, true), (std::array<int32_t, 2>{3007, 4501}));
    PlaceKeeper placedByCompositor;
    placedByCompositor.placed({3000, 4500}, 200, 300);
    placedByCompositor.settling();
    placedByCompositor.moved(482, 241, true, 50);
    placedByCompositor.settled(482, 241, true);
    EXPECT_EQ(placedByCompositor.twipsToStore(482, 241, true), (std::array<int32_t, 2>{3000, 4500}));
    // Moved by the user later: the frame's new corner.
    placedByCompositor.moved(10, 0, true, 3000);
    EXPECT_EQ(placedByCompositor.twipsToStore(10, 0, true), (std::array<int32_t, 2>{150, 0}));
}

TEST(WindowPlacement, ClosingFromFullScreenOrOffScreenKeepsTheStoredPlace) {
    TempDir dir;
    WindowFakes fakes;
    std::string data;
    for (int i = 0; i < 251; ++i) data += "\"\"\r\n";
    dir.write("data.dat", data + "4500\r\n3000\r\n");
    {
        MainWindow w(dir.path(), fakes.services());
        w.formLoad();
        w.show();
        QCoreApplication::processEvents();
        w.setWindowState(Qt::WindowFullScreen);
        QCoreApplication::processEvents();
        ASSERT_EQ(w.pos(), QPoint(0, 0)) << "full screen fills the screen from its corner";
        w.formUnload();
    }
    EXPECT_EQ(dir.read("data.dat"), data + "4500\r\n3000\r\n");

    dir.write("data.dat", data + "900000\r\n600000\r\n");
    {
        MainWindow w(dir.path(), fakes.services());
        w.formLoad();
        w.show();
        QCoreApplication::processEvents();
        EXPECT_NE(w.pos(), QPoint(60000, 40000));
        w.state().slotPath[0] = "/usr/bin/env";   // and it is still saved
        w.formUnload();
    }
    EXPECT_EQ(dir.read("data.dat"), "\"/usr/bin/env\"\r\n" + data.substr(4) + "900000\r\n600000\r\n")
        << "the user never moved it";
}

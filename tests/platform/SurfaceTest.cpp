#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QImage>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/FontWarmUp.h"
#include "platform/Surface.h"

using namespace sorvel;

namespace {
constexpr QRgb kWhite = qRgb(255, 255, 255);
}  // namespace

TEST(Surface, PrintContinuesOrEndsTheRow) {
    Surface s(200, 60);
    s.moveTo(10, 5);
    s.print("ab", false);
    EXPECT_GT(s.currentX(), 10);
    EXPECT_EQ(s.currentY(), 5);
    s.print("cd");
    EXPECT_EQ(s.currentX(), 0);
    EXPECT_EQ(s.currentY(), 5 + s.lineHeight());
    // A line break starts the next row at x = 0.
    s.moveTo(50, 0);
    s.print("x\r\ny", false);
    EXPECT_EQ(s.currentY(), s.lineHeight());
    EXPECT_LT(s.currentX(), 50);
}

TEST(Surface, PsetMovesTheTextPositionAndClsResetsIt) {
    Surface s(20, 20);
    s.setBackColor(qRgb(1, 2, 3));
    s.cls();
    EXPECT_EQ(s.point(19, 19), qRgb(1, 2, 3));
    s.pset(4, 7, qRgb(9, 9, 9));
    EXPECT_EQ(s.point(4, 7), qRgb(9, 9, 9));
    EXPECT_EQ(s.currentX(), 4);
    EXPECT_EQ(s.currentY(), 7);
    s.cls();
    EXPECT_EQ(s.currentX(), 0);
    // Out of range reads and writes are harmless.
    s.pset(-5, 100, qRgb(1, 1, 1));
    EXPECT_EQ(s.point(-5, 100), qRgb(0, 0, 0));
}

TEST(Surface, BoxesAreFilledAndClipped) {
    Surface s(30, 30);
    s.cls();
    s.box(25, 25, 40, 40, qRgb(255, 0, 0));
    s.box(2, 2, 6, 6, qRgb(0, 255, 0));
    EXPECT_EQ(s.point(4, 4), qRgb(0, 255, 0));
    EXPECT_EQ(s.point(29, 29), qRgb(255, 0, 0));
    EXPECT_EQ(s.point(7, 7), qRgb(255, 255, 255));
}

TEST(Surface, MaskBlitKeepsBackgroundWhereBlack) {
    QImage pic(4, 1, QImage::Format_RGB32);
    pic.setPixel(0, 0, qRgb(0, 0, 0));
    pic.setPixel(1, 0, qRgb(200, 100, 50));
    pic.setPixel(2, 0, qRgb(0, 0, 0));
    pic.setPixel(3, 0, qRgb(1, 1, 1));
    const QImage mask = makeMask(pic);
    EXPECT_EQ(mask.pixel(0, 0) | 0xff000000u, qRgb(255, 255, 255));
    EXPECT_EQ(mask.pixel(1, 0) | 0xff000000u, qRgb(0, 0, 0));
    Surface s(4, 1);
    s.setBackColor(qRgb(10, 20, 30));
    s.cls();
    s.blitAnd(mask, 0, 0, 4, 1, 0, 0);
    s.blitOr(pic, 0, 0, 4, 1, 0, 0);
    EXPECT_EQ(s.point(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(s.point(1, 0), qRgb(200, 100, 50));
    EXPECT_EQ(s.point(3, 0), qRgb(1, 1, 1));
}

TEST(Surface, ABlitHangingOverAnEdgeDrawsOnlyWhatOverlaps) {
    // A 3 x 3 source whose pixels name their place, blitted in blocks that
    // hang over the edges of the surface or of the source, or miss both.
    QImage src(3, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) src.setPixel(x, y, qRgb(10 * x + 10, 10 * y + 10, 1));
    struct Blit {
        int sx, sy, w, h, dx, dy;
    };
    for (const Blit& k : {Blit{1, 0, 3, 3, -1, 1}, Blit{-1, -1, 3, 3, 2, -1}, Blit{0, 0, 3, 3, 5, 0},
                          Blit{0, 2, 4, 4, 0, 0}, Blit{4, 0, 2, 2, 0, 0}}) {
        Surface s(4, 3);
        s.setBackColor(qRgb(0, 0, 0));
        s.cls();
        s.blitOr(src, k.sx, k.sy, k.w, k.h, k.dx, k.dy);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                // Surface (x, y) takes the source pixel its block puts there,
                // where that is inside the block and inside the source.
                const int bx = x - k.dx, by = y - k.dy, fx = k.sx + bx, fy = k.sy + by;
                const bool in = bx >= 0 && by >= 0 && bx < k.w && by < k.h && fx >= 0 && fy >= 0 && fx < 3 && fy < 3;
                EXPECT_EQ(s.point(x, y), in ? qRgb(10 * fx + 10, 10 * fy + 10, 1) : qRgb(0, 0, 0))
                    << k.sx << "," << k.sy << " at " << x << "," << y;
            }
    }
}

TEST(Surface, ReportsWhatChangedSinceItWasLastAsked) {
    Surface s(100, 50);
    s.setBackColor(qRgb(192, 192, 192));
    s.cls();
    EXPECT_EQ(s.takeChanged(), QRect(0, 0, 100, 50));   // a new colour changes everything
    s.cls();
    EXPECT_TRUE(s.takeChanged().isEmpty());               // the same colour again changes nothing
    s.box(10, 10, 19, 14, qRgb(255, 255, 255));
    s.pset(60, 40, qRgb(1, 2, 3));
    const QRect drawn = s.takeChanged();
    EXPECT_TRUE(drawn.contains(QRect(10, 10, 10, 5)));
    EXPECT_TRUE(drawn.contains(60, 40));
    // The next clear wipes what was drawn, and that is a change too.
    s.cls();
    const QRect wiped = s.takeChanged();
    EXPECT_TRUE(wiped.contains(QRect(10, 10, 10, 5)));
    EXPECT_TRUE(wiped.contains(60, 40));
    s.moveTo(5, 20);
    s.print("Ab");
    const QRect text = s.takeChanged();
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            if (s.point(x, y) != qRgb(192, 192, 192)) {
                ASSERT_TRUE(text.contains(x, y)) << x << "," << y;
            }
}

TEST(Surface, SuspendedDrawingLeavesThePixelsButKeepsThePosition) {
    Surface s(60, 30);
    s.setBackColor(qRgb(10, 20, 30));
    s.cls();
    s.setContentKey(QStringLiteral("shown"));
    const QImage before = s.image().copy();
    s.takeChanged();
    s.setSuspended(true);
    EXPECT_TRUE(s.contentKey().isEmpty());   // the picture no longer matches any key
    s.setBackColor(qRgb(200, 0, 0));
    s.cls();
    s.box(0, 0, 59, 29, qRgb(255, 255, 255));
    s.moveTo(3, 4);
    s.print("xyz", false);
    EXPECT_GT(s.currentX(), 3);
    EXPECT_EQ(s.currentY(), 4);
    s.setContentKey(QStringLiteral("never drawn"));
    EXPECT_TRUE(s.contentKey().isEmpty());
    EXPECT_TRUE(std::as_const(s).image() == before);
    EXPECT_TRUE(s.takeChanged().isEmpty());
    s.setSuspended(false);
    s.cls();
    EXPECT_EQ(s.point(0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(s.takeChanged(), QRect(0, 0, 60, 30));
}

TEST(SurfaceLine, LeavesOutItsEndPoint) {
    Surface pic(80, 80);
    pic.setBackColor(kWhite);
    pic.cls();
    const QRgb c = qRgb(1, 2, 3);
    pic.line(1, 41, 71, 41, c);   // a fade stripe of the banner
    EXPECT_EQ(pic.point(1, 41), c);
    EXPECT_EQ(pic.point(70, 41), c);
    EXPECT_EQ(pic.point(71, 41), kWhite);
    EXPECT_EQ(pic.point(0, 41), kWhite);
    EXPECT_EQ(pic.currentX(), 71);

    pic.line(5, 10, 5, 0, c);     // upwards
    EXPECT_EQ(pic.point(5, 10), c);
    EXPECT_EQ(pic.point(5, 1), c);
    EXPECT_EQ(pic.point(5, 0), kWhite);

    pic.line(10, 10, 20, 20, c);  // diagonal
    EXPECT_EQ(pic.point(15, 15), c);
    EXPECT_EQ(pic.point(19, 19), c);
    EXPECT_EQ(pic.point(20, 20), kWhite);

    pic.line(30, 30, 30, 30, c);  // no length, no point
    EXPECT_EQ(pic.point(30, 30), kWhite);
    pic.line(-5, 60, 200, 60, c); // clipped at the edges
    EXPECT_EQ(pic.point(0, 60), c);
    EXPECT_EQ(pic.point(79, 60), c);
}

TEST(IconHolder, NarrowOrShortPicturesLeaveTheRestWhite) {
    QImage narrow(40, 20, QImage::Format_RGB32);
    narrow.fill(qRgb(0, 0, 0));
    narrow.setPixel(39, 19, qRgb(10, 20, 30));
    const QImage h = iconHolder(narrow, 96, 32);
    ASSERT_EQ(h.size(), QSize(96, 32));
    EXPECT_EQ(h.pixel(0, 0) | 0xff000000u, qRgb(0, 0, 0));
    EXPECT_EQ(h.pixel(39, 19) | 0xff000000u, qRgb(10, 20, 30));
    EXPECT_EQ(h.pixel(40, 0) | 0xff000000u, kWhite);
    EXPECT_EQ(h.pixel(0, 20) | 0xff000000u, kWhite);
    EXPECT_EQ(h.pixel(95, 31) | 0xff000000u, kWhite);
    // White is no transparent colour: the mask keeps it.
    EXPECT_EQ(makeMask(h).pixel(95, 31) | 0xff000000u, qRgb(0, 0, 0));
    // A picture of the full size or larger is left as it is.
    QImage big(100, 40, QImage::Format_RGB32);
    big.fill(qRgb(1, 2, 3));
    EXPECT_EQ(iconHolder(big, 96, 32).size(), QSize(100, 40));
}

// The interface font keeps the families this system has, told from their
// substitutes worked out on the start-up thread. Qt lists a family several
// foundries make once per foundry; the name alone is what matching knows.
TEST(Surface, InstalledFamiliesComeFromTheirSubstitutes) {
    const std::vector<std::string> wishes{"ＭＳ ゴシック", "IPAGothic", "Nimbus Sans", "Monospace"};
    const std::vector<std::string> substitutes{"ＭＳ ゴシック", "ipagothic", "Nimbus Sans", "DejaVu LGC Sans Mono"};
    const QStringList listed{"IPAGothic", "Monospace", "Nimbus Sans [UKWN]", "Nimbus Sans [urw]"};
    EXPECT_EQ(installedFamilies(wishes, substitutes, listed), (QStringList{"IPAGothic", "Nimbus Sans"}));
    EXPECT_EQ(installedFamilies(wishes, substitutes, {"Serif"}), QStringList());
}

// ...and that tells what Qt's own test tells, for every family this system
// lists, the interface font's wishes, aliases, lower case and unknown names.
TEST(Surface, InstalledFamiliesAgreeWithQtsFamilyTest) {
    const QStringList listed = QFontDatabase::families();
    std::vector<std::string> names = uiFamilyWishes();
    for (const char* n : {"Sans", "Serif", "monospace", "ipagothic", "No Such Family 4711"}) names.push_back(n);
    for (const QString& l : listed) names.push_back(l.section(QStringLiteral(" ["), 0, 0).toStdString());
    int there = 0;
    for (const std::string& name : names) {
        const bool qt = QFontDatabase::hasFamily(QString::fromStdString(name));
        const std::string substitute = FontWarmUp::firstSubstitute(name);
        EXPECT_EQ(installedFamilies({name}, {substitute}, listed).size(), qt ? 1 : 0) << name << " -> " << substitute;
        there += qt;
    }
    EXPECT_GT(there, 0);                                  // IPAGothic at least
    EXPECT_LT(there, static_cast<int>(names.size()));     // not the unknown name
}

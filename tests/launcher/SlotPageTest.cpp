#include <gtest/gtest.h>

#include <memory>

#include "launcher/SlotPage.h"
#include "launcher/SlotRules.h"

using namespace sorvel;

namespace {
struct Page {
    LauncherState s;
    Surface pic{300, 126};
    std::array<std::unique_ptr<Surface>, 10> buttons;
    SlotPageView v;
    struct Host : SlotPageHost {
        int musicShown = -1;
        void setMusicButtonsVisible(bool b) override { musicShown = b ? 1 : 0; }
        std::string localIp() override { return "10.1.2.3"; }
    } host;
    int& musicShown = host.musicShown;
    Page() {
        pic.setBackColor(qRgb(192, 192, 192));
        pic.cls();
        v.picture = &pic;
        for (int i = 0; i < 10; ++i) {
            buttons[i] = std::make_unique<Surface>(60, 20);
            v.buttons[i] = buttons[i].get();
        }
        v.host = &host;
    }
    void frame() {
        pic.cls();
        DrawSlotPage(s, v);
    }
    QRgb buttonBack(int i) const { return buttons[i]->point(59, 19); }
};

// Any pixel of the rectangle differs from the background colour.
bool inked(const Surface& s, QRect r, QRgb back) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (s.point(x, y) != back) return true;
    return false;
}
}  // namespace

TEST(SlotPage, ColoursByKind) {
    Page p;
    p.s.slotPage = 3;
    p.s.slotPath[31] = "/usr/bin/gedit";
    p.s.slotPath[32] = "/home/u/Music/";
    p.s.slotPath[33] = "http://example.org/";
    p.s.slotPath[34] = "ftp://h/x";
    p.frame();
    EXPECT_EQ(p.buttonBack(7), kEmptySlotColor);   // slot 37 is empty
    EXPECT_EQ(p.buttonBack(1), kFileSlotColor);
    EXPECT_EQ(p.buttonBack(2), kFolderSlotColor);
    EXPECT_EQ(p.buttonBack(3), kUrlSlotColor);
    EXPECT_EQ(p.buttonBack(4), kUrlSlotColor);
    // Every button carries some text.
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(inked(*p.buttons[i], QRect(0, 0, 40, 12), p.buttonBack(i))) << i;
}

TEST(SlotPage, HugeOrBrokenEntriesDrawQuickly) {
    Page p;
    p.s.slotPath[0] = std::string(10'000'000, 'x');
    p.s.slotPath[1] = "/a/" + std::string(5'000'000, 'y') + "/tail";
    p.s.slotPath[2] = std::string("/bad/\xff\xfe\x80name");
    p.s.hoverIndex = 1;
    for (int f = 0; f < 8; ++f) p.frame();
    EXPECT_EQ(p.buttonBack(0), kFileSlotColor);
    EXPECT_EQ(p.buttonBack(1), kFileSlotColor);
    EXPECT_EQ(p.buttonBack(2), kFileSlotColor);
    EXPECT_EQ(p.s.infoPanelHalfSize[0], 145);
    const auto sp = splitSlotForDisplay(p.s.slotPath[1], '/', 16);
    EXPECT_EQ(sp.label, "tail");
    EXPECT_EQ(sp.folderPart.size(), 16u);
}

TEST(SlotPage, PanelStepTable) {
    EXPECT_EQ(panelSteps(5), std::make_pair(200, 80));
    EXPECT_EQ(panelSteps(6), std::make_pair(100, 40));
    EXPECT_EQ(panelSteps(9), std::make_pair(100, 40));
    EXPECT_EQ(panelSteps(10), std::make_pair(50, 20));
    EXPECT_EQ(panelSteps(19), std::make_pair(50, 20));
    EXPECT_EQ(panelSteps(20), std::make_pair(25, 10));
    EXPECT_EQ(panelSteps(39), std::make_pair(25, 10));
    EXPECT_EQ(panelSteps(40), std::make_pair(13, 5));
    EXPECT_EQ(panelSteps(79), std::make_pair(13, 5));
    EXPECT_EQ(panelSteps(80), std::make_pair(7, 3));
}

TEST(SlotPage, PanelOpensInSixFramesAt20AndHidesMusicButtons) {
    Page p;
    p.frame();
    EXPECT_EQ(p.musicShown, 1);
    p.s.hoverIndex = 2;
    for (int f = 1; f <= 5; ++f) {
        p.frame();
        EXPECT_LT(p.s.infoPanelHalfSize[0], 145) << f;
    }
    p.frame();
    EXPECT_EQ(p.s.infoPanelHalfSize[0], 145);
    EXPECT_EQ(p.s.infoPanelHalfSize[1], 21);
    EXPECT_EQ(p.musicShown, 0);
    // The box is white and, from the next frame on, fully open.
    p.frame();
    EXPECT_EQ(p.pic.point(5, 78), qRgb(255, 255, 255));
    EXPECT_EQ(p.pic.point(295, 120), qRgb(255, 255, 255));
    // Moving away closes it again and the buttons come back.
    p.s.hoverIndex = kNoHover;
    for (int f = 0; f < 7; ++f) p.frame();
    EXPECT_EQ(p.s.infoPanelHalfSize[0], 0);
    EXPECT_EQ(p.musicShown, 1);
}

TEST(SlotPage, FiveFpsOpensAndClosesInOneFrame) {
    Page p;
    p.s.framesPerSecond = 5;
    p.s.hoverIndex = 0;
    p.frame();
    EXPECT_EQ(p.s.infoPanelHalfSize[0], 145);
    p.s.hoverIndex = kNoHover;
    p.frame();
    EXPECT_EQ(p.s.infoPanelHalfSize[0], 0);
}

TEST(SlotPage, MusicButtonsStayHiddenInGameMode) {
    Page p;
    p.v.launcherMode = false;
    p.frame();
    EXPECT_EQ(p.musicShown, -1);
}

TEST(SlotPage, RegistrationOpensPanelWithoutHover) {
    Page p;
    p.s.pendingPath = "/usr/bin/gedit";
    for (int f = 0; f < 6; ++f) p.frame();
    EXPECT_EQ(p.s.infoPanelHalfSize[0], 145);
    // The question is printed inside the open panel.
    p.frame();
    EXPECT_TRUE(inked(p.pic, QRect(9, 81, 100, 10), qRgb(255, 255, 255)));
}

TEST(SlotPage, IconCellsFollowRegistrationState) {
    LauncherState s;
    Surface pic(300, 126);
    pic.setBackColor(qRgb(192, 192, 192));
    IconPictures icons;
    icons.still = QImage(96, 32, QImage::Format_RGB32);
    icons.still.fill(qRgb(0, 0, 0));
    // Cell k has colour (k+1)*50 in its centre pixel.
    for (int k = 0; k < 3; ++k) icons.still.setPixel(32 * k + 16, 16, qRgb((k + 1) * 50, 10, 10));
    icons.stillMask = makeMask(icons.still);
    icons.anim = icons.still;
    icons.animMask = icons.stillMask;
    auto draw = [&] {
        pic.cls();
        int16_t icon = 1;
        DrawIcon(icon, s, pic, icons);
        return qRed(pic.point(72 + 16, 45 + 16));
    };
    EXPECT_EQ(draw(), 100);   // normal
    s.pendingPath = "/x";
    EXPECT_EQ(draw(), 50);    // registration pending, nothing hovered
    s.hoverIndex = 3;
    EXPECT_EQ(draw(), 50);    // over an empty slot
    s.slotPath[3] = "/y";
    EXPECT_EQ(draw(), 150);   // over an occupied slot
    // Transparent (black) parts leave the background alone.
    EXPECT_EQ(pic.point(72, 45), qRgb(192, 192, 192));
}

TEST(SlotPage, IconAnimationFramesAt20And5Fps) {
    LauncherState s;
    s.musicPlaying = 1;
    Surface pic(300, 126);
    IconPictures icons;
    icons.anim = QImage(96, 32, QImage::Format_RGB32);
    icons.anim.fill(qRgb(0, 0, 0));
    for (int k = 0; k < 3; ++k) icons.anim.setPixel(32 * k + 16, 16, qRgb(10, (k + 1) * 60, 10));
    icons.animMask = makeMask(icons.anim);
    icons.still = icons.anim;
    icons.stillMask = icons.animMask;
    auto frameShown = [&] {
        pic.cls();
        int16_t icon = 1;
        DrawIcon(icon, s, pic, icons);
        for (int x = 72 - 10; x <= 72 + 10; ++x) {
            const int g = qGreen(pic.point(x + 16, 45 + 16));
            if (g >= 60 && qRed(pic.point(x + 16, 45 + 16)) == 10) return g / 60 - 1;
        }
        return -1;
    };
    std::vector<int> seen;
    for (int i = 0; i < 9; ++i) seen.push_back(frameShown());
    // Counter 1,2,3,4,3,2,1,0,1 after each call.
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 1, 2, 1, 1, 0, 0, 0}));
    s.framesPerSecond = 5;
    s.iconAnim = {0, 0, 0, 0};
    seen.clear();
    for (int i = 0; i < 4; ++i) seen.push_back(frameShown());
    EXPECT_EQ(seen, (std::vector<int>{2, 0, 2, 0}));
}

TEST(SlotPage, WindowsPathsSplitAtBackslash) {
    Page p;
    p.s.slotPath[0] = "D:\\音楽\\";
    p.s.slotPath[1] = "C:\\";
    p.s.slotPath[2] = "C:\\Users\\山田\\メモ.txt";
    p.s.slotPath[3] = "\\\\server\\共有\\";
    p.frame();
    const auto shown = [&](int i) { return p.buttons[i]->contentKey().section(QLatin1Char('|'), 1); };
    EXPECT_EQ(p.buttonBack(0), kFolderSlotColor);
    EXPECT_EQ(shown(0), QString::fromUtf8("音楽\\"));
    EXPECT_EQ(p.buttonBack(1), kFolderSlotColor);
    EXPECT_EQ(shown(1), QString::fromUtf8("C:\\"));
    EXPECT_EQ(p.buttonBack(2), kFileSlotColor);
    EXPECT_EQ(shown(2), QString::fromUtf8("メモ.txt"));
    EXPECT_EQ(p.buttonBack(3), kFolderSlotColor);
    EXPECT_EQ(shown(3), QString::fromUtf8("共有\\"));
}

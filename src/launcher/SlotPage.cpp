#include "launcher/SlotPage.h"

#include <cmath>

#include "launcher/PanelText.h"
#include "launcher/SlotRules.h"

namespace sorvel {

namespace {
// More than any panel or button line can show (255 characters).
constexpr size_t kShownBytes = 1024;

QString q(const std::string& s) { return QString::fromStdString(s); }

// Moves the text position without a visible mark.
void moveText(Surface& p, int x, int y) { p.pset(x, y, p.point(x, y)); }
}  // namespace

std::pair<int, int> panelSteps(int f) {
    int sx = 25, sy = 10;
    if (f > 39) sx = 13, sy = 5;
    if (f > 79) sx = 7, sy = 3;
    if (f < 20) sx = 50, sy = 20;
    if (f < 10) sx = 100, sy = 40;
    if (f <= 5) sx = 200, sy = 80;
    return {sx, sy};
}

void DrawSlotPage(LauncherState& s, SlotPageView& v) {
    Surface& pic = *v.picture;
    const auto [sx, sy] = panelSteps(s.framesPerSecond);

    // Nothing of the buttons or texts can be seen while the surface is
    // suspended: only the panel's state moves on then.
    const bool drawing = !pic.suspended();
    for (int i = 0; drawing && i < 10; ++i) {
        Surface* b = v.buttons[i];
        if (!b) continue;
        const int n = slotNumber(s.slotPage, i);
        const std::string& path = (n >= 0 && n < kSlotCount) ? s.slotPath[n] : std::string();
        // Still showing what it was drawn from: nothing to work out.
        SlotPageView::DrawnFrom& from = v.drawnFrom[static_cast<size_t>(i)];
        if (from.slot == n && from.path == path && !b->contentKey().isEmpty()) continue;
        QRgb back = kEmptySlotColor;
        QString text;
        if (path.empty()) {
            text = QString::number(n) + QStringLiteral("番地");
        } else {
            switch (slotKind(path, pathSepFor(path, kPathSep))) {
                case SlotKind::Url: back = kUrlSlotColor; break;
                case SlotKind::Folder: back = kFolderSlotColor; break;
                default: back = kFileSlotColor; break;
            }
            text = q(splitSlotForDisplay(path, pathSepFor(path, kPathSep), kShownBytes).label).left(255);
        }
        // A button that would be drawn exactly as it stands is left alone.
        const QString key = QString::number(back) + QLatin1Char('|') + text;
        if (b->contentKey() != key) {
            b->setBackColor(back);
            b->cls();
            b->print(text);
            b->setContentKey(key);
        }
        from.slot = n;
        from.path = path;
    }

    const bool hovered = hoveredButton(s) >= 0;
    int16_t& w = s.infoPanelHalfSize[0];
    int16_t& h = s.infoPanelHalfSize[1];
    if (w <= 0) {
        if (v.launcherMode) v.host->setMusicButtonsVisible(true);
        moveText(pic, 9, 81);
        if (v.launcherMode && drawing) pic.print(localAddressLine(v.host->localIp()));
    } else {
        pic.box(150 - w, 99 - h, 150 + w, 99 + h, qRgb(255, 255, 255));
        v.host->setMusicButtonsVisible(false);
    }

    auto clampGrow = [&] {
        if (w > kPanelHalfWidth) w = kPanelHalfWidth;
        if (h > kPanelHalfHeight) h = kPanelHalfHeight;
    };
    // The words, once the panel is fully open (the address is not needed there).
    auto printPanel = [&] { pic.print(panelPrintText(panelText(s, std::string()), s.lineBreak)); };

    if (!s.pendingPath.empty() || !hovered) {
        w = static_cast<int16_t>(w - sx);
        h = static_cast<int16_t>(h - sy);
        if (w < 0) w = 0;
        if (h < 0) h = 0;
    } else {
        w = static_cast<int16_t>(w + sx);
        h = static_cast<int16_t>(h + sy);
        clampGrow();
        if (panelFullyOpen(s) && drawing) {
            moveText(pic, 9, 81);
            printPanel();
        }
    }

    if (!s.pendingPath.empty()) {
        moveText(pic, 9, 81);
        w = static_cast<int16_t>(w + 2 * sx);
        h = static_cast<int16_t>(h + 2 * sy);
        clampGrow();
        if (panelFullyOpen(s) && drawing) printPanel();
    }
}

void AdvanceIconSway(std::array<int16_t, 4>& a, int framesPerSecond, bool musicPlaying) {
    if (a[1] == 0) wrapAdd(a[0], 1); else wrapAdd(a[0], -1);
    bool turned = false;
    if (a[0] <= 0) {
        a[1] = 0;
        turned = true;
    }
    if (static_cast<double>(a[0]) >= framesPerSecond / 4.0 - 1.0) {
        a[1] = 1;
        turned = true;
    }
    if (turned) {
        if (a[3] == 0) wrapAdd(a[2], 1); else wrapAdd(a[2], -1);
        if (a[2] <= -10) a[3] = 0;
        if (a[2] >= 10) a[3] = 1;
    }
    if (!musicPlaying) a[2] = 0;   // the still icon stands in its place
}

void DrawIcon(int16_t& icon, LauncherState& s, Surface& pic, const IconPictures& pics) {
    if (!s.pendingPath.empty()) icon = 0;
    if (!s.pendingPath.empty() && hoveredSlot(s) >= 0 && !s.slotPath[hoveredSlot(s)].empty()) icon = 2;
    AdvanceIconSway(s.iconAnim, s.framesPerSecond, s.musicPlaying == 1);
    const auto& a = s.iconAnim;
    if (s.musicPlaying == 1) {
        int frame = static_cast<int>(std::floor(a[0] / (s.framesPerSecond / 12.0)));
        if (frame < 0) frame = 0;
        if (frame > 2) frame = 2;
        const int srcX = frame * 32;
        pic.blitAnd(pics.animMask, srcX, 0, 32, 32, 72 + a[2], 45);
        pic.blitOr(pics.anim, srcX, 0, 32, 32, 72 + a[2], 45);
    } else {
        const int srcX = icon * 32;
        pic.blitAnd(pics.stillMask, srcX, 0, 32, 32, 72, 45);
        pic.blitOr(pics.still, srcX, 0, 32, 32, 72, 45);
    }
}

}  // namespace sorvel

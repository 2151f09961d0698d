// Per-frame drawing of the launcher: the ten slot buttons with their kind
// colours and labels, the information panel, and the state icon.
#pragma once

#include <QImage>
#include <array>
#include <string>

#include "launcher/LauncherState.h"
#include "launcher/SlotRules.h"
#include "platform/Surface.h"

namespace sorvel {

constexpr QRgb kEmptySlotColor = qRgb(210, 210, 210);
constexpr QRgb kFileSlotColor = qRgb(192, 192, 255);
constexpr QRgb kFolderSlotColor = qRgb(255, 224, 192);
constexpr QRgb kUrlSlotColor = qRgb(192, 255, 192);

// What the slot page's drawing asks of the window.
class SlotPageHost {
public:
    virtual ~SlotPageHost() = default;
    // Shows or hides the music buttons that lie under the panel.
    virtual void setMusicButtonsVisible(bool visible) = 0;
    virtual std::string localIp() = 0;
};

struct SlotPageView {
    Surface* picture = nullptr;
    std::array<Surface*, 10> buttons{};
    // What each button was last drawn from: its slot and that slot's target.
    struct DrawnFrom {
        int slot = -1;
        std::string path;
    };
    std::array<DrawnFrom, 10> drawnFrom{};
    bool launcherMode = true;
    SlotPageHost* host = nullptr;
};

// Horizontal and vertical panel steps for a frame rate.
std::pair<int, int> panelSteps(int framesPerSecond);

void DrawSlotPage(LauncherState& s, SlotPageView& v);

struct IconPictures {
    QImage still;       // ico.bmp, 96 x 32
    QImage stillMask;
    QImage anim;        // ico1.bmp, 96 x 32
    QImage animMask;
};

// One frame's step of the icon's sway counters (iconAnim).
void AdvanceIconSway(std::array<int16_t, 4>& anim, int framesPerSecond, bool musicPlaying);

// Draws this frame's icon at (72 + offset, 45) and advances the counters.
void DrawIcon(int16_t& icon, LauncherState& s, Surface& picture, const IconPictures& pics);

}  // namespace sorvel

// The launcher's shared state: every process-wide variable of the program,
// with the types and bounds the rest of the code relies on.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvel {

constexpr int kSlotCount = 251;   // slots 0..250; 250 is on no page
constexpr int kNoHover = 10;

// Counters wrap like their 16/32-bit types instead of overflowing.
inline void wrapAdd(int32_t& v, int32_t d) {
    v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(d));
}
inline void wrapAdd(int16_t& v, int d) {
    v = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint16_t>(v) + static_cast<uint16_t>(d)));
}

struct LauncherState {
    // slot table
    std::array<std::string, kSlotCount> slotPath{};
    std::array<int32_t, kSlotCount> slotUseCount{};
    std::array<int32_t, kSlotCount> slotSessionCount{};
    int16_t slotPage = 0;
    int16_t hoverIndex = kNoHover;
    std::string pendingPath;
    std::array<int32_t, 2> windowPosition{};   // Left, Top in twips
    std::string lineBreak = "\r\n";

    // frame timing (64-bit steady milliseconds)
    int16_t framesPerSecond = 20;
    int64_t lastFrameTime = 0;
    int64_t secondStartTime = 0;
    int32_t framesThisSecond = 0;
    int16_t measuredFps = 0;

    // drawing
    std::array<int16_t, 2> infoPanelHalfSize{};
    int16_t pulseLevel = 0;
    int16_t pulseStep = 1;
    std::array<int16_t, 4> iconAnim{};
    // Twice the rate: wider than the rate itself, so that every accepted
    // rate gives a positive count.
    int32_t pageBannerTicks = 0;

    // countdown and alarm
    int32_t countdownFrames = 0;
    int16_t timerArmed = 0;
    int16_t alarmCount = 0;
    int16_t alarmCountSeen = 0;
    std::string alarmSoundPath;
    std::vector<uint8_t> alarmSound;

    // owned by other subsystems, initialised at start-up
    int16_t musicPage = 0;
    int16_t musicPlaying = 0;
    std::string currentMusicPath;
    int16_t listSlideStep = 60;
    std::string fileDialogValue;
    std::string fileDialogFolder;
    int16_t rowLevel = 6;
    int16_t favouritesMode = 0;
};

}  // namespace sorvel

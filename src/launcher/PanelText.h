// The information panel under the slot buttons: when it is open, how far,
// and the words it shows. The drawing and the screen reader both take the
// words from here, so they never say different things.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "launcher/LauncherState.h"

namespace sorvel {

// Half the panel's size when it is fully open (it grows from its centre).
constexpr int kPanelHalfWidth = 145;
constexpr int kPanelHalfHeight = 21;

// The slot button under the mouse (or with the keyboard focus), or -1.
inline int hoveredButton(const LauncherState& s) { return s.hoverIndex >= 0 && s.hoverIndex <= 9 ? s.hoverIndex : -1; }
// The slot shown on that button, or -1 when none is hovered.
int hoveredSlot(const LauncherState& s);
// The panel is wanted open: a slot is hovered or a registration waits.
inline bool panelWanted(const LauncherState& s) { return hoveredButton(s) >= 0 || !s.pendingPath.empty(); }
inline bool panelFullyOpen(const LauncherState& s) {
    return s.infoPanelHalfSize[0] == kPanelHalfWidth && s.infoPanelHalfSize[1] == kPanelHalfHeight;
}

enum class PanelContent {
    LocalAddress,   // "ローカルIP:" and the address, below the closed panel
    Slot,           // the hovered slot's folder, name and counts
    Question,       // where to register the chosen target
    Overwrite,      // the hovered slot would be overwritten
};

struct PanelText {
    PanelContent content = PanelContent::LocalAddress;
    // The lines as drawn, leading blanks included.
    std::vector<QString> lines;
};

// The panel's warning that a registration would replace a slot's target.
extern const char* const kOverwriteWarning;   // "を上書きせなあかんよ"

// The line below the closed panel.
QString localAddressLine(const std::string& localIp);

// What the panel shows now (or, closed, the line below it).
PanelText panelText(const LauncherState& s, const std::string& localIp);

// The lines as one text to print: joined by lineBreak (the question cut to
// the 100 characters the panel holds).
QString panelPrintText(const PanelText& t, const std::string& lineBreak);

// The lines as one text to speak: each without its blanks, empty ones left
// out, joined by "\n".
QString panelSpokenText(const PanelText& t);

}  // namespace sorvel

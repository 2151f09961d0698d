// The choice of Qt's window-system backend. A program cannot place its own
// window under Wayland, so in a Wayland session the launcher runs on
// XWayland when an X server is there, and falls back to Wayland otherwise.
#pragma once

#include <string>

#include "platform/AppPaths.h"

namespace sorvel {

// The value QT_QPA_PLATFORM should take before the application starts, or
// "" to leave Qt's own choice alone (the user set one, or no Wayland).
std::string preferredQtPlatform(const EnvLookup& env);

// True when the backend Qt ended up with lets the program move its window.
bool canPlaceWindows(const std::string& qtPlatformName);

}  // namespace sorvel

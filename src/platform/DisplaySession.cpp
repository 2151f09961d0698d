#include "platform/DisplaySession.h"

namespace sorvel {

namespace {
bool isSet(const EnvLookup& env, const char* name) {
    const char* v = env(name);
    return v && *v;
}
}  // namespace

std::string preferredQtPlatform(const EnvLookup& env) {
    if (isSet(env, "QT_QPA_PLATFORM")) return {};
    if (!isSet(env, "WAYLAND_DISPLAY") || !isSet(env, "DISPLAY")) return {};
    // Qt tries the backends in order: Wayland stays the fallback when the X
    // server named by DISPLAY does not answer.
    return "xcb;wayland";
}

bool canPlaceWindows(const std::string& name) { return name.rfind("wayland", 0) != 0; }

}  // namespace sorvel

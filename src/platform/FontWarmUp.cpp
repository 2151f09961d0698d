#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <clocale>
#include <cstdlib>
#include <system_error>

namespace sorvel {

FontWarmUp::FontWarmUp() {
    // Qt's display connection takes DESKTOP_STARTUP_ID out of the
    // environment as it starts; a thread reading the environment meanwhile
    // could miss a variable. Started with one, Qt reads the fonts itself.
    if (std::getenv("DESKTOP_STARTUP_ID")) return;
    // The locale Qt sets as it starts, set before the thread reads the
    // configuration in it: Qt's own call then changes nothing under it.
    std::setlocale(LC_ALL, "");
    try {
        // FcInit loads the configuration and the font caches into the
        // library's current configuration, which Qt's font database then
        // finds ready.
        thread_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread: Qt reads the fonts itself when it first needs them.
    }
}

FontWarmUp::~FontWarmUp() { wait(); }

void FontWarmUp::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace sorvel

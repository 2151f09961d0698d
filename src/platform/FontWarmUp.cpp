#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <clocale>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace sorvel {

FontWarmUp::FontWarmUp(std::vector<std::string> families) : families_(std::move(families)) {
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
        thread_ = std::thread([this] {
            if (!FcInit()) return;
            std::vector<std::string> found;
            found.reserve(families_.size());
            for (const std::string& f : families_) found.push_back(firstSubstitute(f));
            substitutes_ = std::move(found);
        });
    } catch (const std::system_error&) {
        // No thread: Qt reads the fonts itself when it first needs them.
    }
}

FontWarmUp::~FontWarmUp() { wait(); }

void FontWarmUp::wait() {
    if (thread_.joinable()) thread_.join();
}

std::string FontWarmUp::firstSubstitute(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcChar8* first = nullptr;
    std::string out;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &first) == FcResultMatch && first)
        out = reinterpret_cast<const char*>(first);
    FcPatternDestroy(pattern);
    return out;
}

}  // namespace sorvel

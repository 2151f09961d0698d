#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>
#include <langinfo.h>
#include <strings.h>

#include <clocale>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace sorvel {

namespace {
// Whether the locale the environment asks for reads text as UTF-8, asked
// without changing the program's own locale.
bool environmentLocaleIsUtf8() {
    locale_t wanted = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (!wanted) return false;
    const char* codeset = nl_langinfo_l(CODESET, wanted);
    const bool utf8 = codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0);
    freelocale(wanted);
    return utf8;
}
}  // namespace

FontWarmUp::FontWarmUp(std::vector<std::string> families) : families_(std::move(families)) {
    // Qt changes the environment and the locale as its QApplication starts:
    // it takes DESKTOP_STARTUP_ID out of the environment, sets the locale
    // the environment asks for and, when that does not read UTF-8, switches
    // its character type. A thread reading either meanwhile could miss a
    // variable or read a number in another locale; in those cases Qt reads
    // the fonts itself, as without this. Otherwise the locale is set now,
    // as Qt will set it, so that Qt's own call changes nothing under the
    // thread.
    if (std::getenv("DESKTOP_STARTUP_ID") || !environmentLocaleIsUtf8()) return;
    std::setlocale(LC_ALL, "");
    try {
        thread_ = std::thread([this] {
            // FcInit loads the configuration and the font caches into the
            // library's current configuration, which Qt's font database
            // then finds ready.
            if (!FcInit()) return;
            try {
                std::vector<std::string> found;
                found.reserve(families_.size());
                for (const std::string& f : families_) found.push_back(firstSubstitute(f));
                substitutes_ = std::move(found);
            } catch (...) {
                substitutes_.clear();   // the main thread matches the names itself
            }
        });
    } catch (const std::system_error&) {
        // No thread: Qt reads the fonts itself when it first needs them.
    }
}

FontWarmUp::~FontWarmUp() { wait(); }

void FontWarmUp::wait() {
    if (thread_.joinable()) thread_.join();
}

const std::vector<std::string>& FontWarmUp::substitutes() {
    wait();
    return substitutes_;
}

std::string FontWarmUp::firstSubstitute(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return family;
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

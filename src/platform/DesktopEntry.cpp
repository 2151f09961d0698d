#include "platform/DesktopEntry.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <string_view>

namespace sorvel {

namespace {
constexpr off_t kMaxEntryBytes = 1 << 20;

// GIO is loaded when the first desktop entry starts: a launcher that never
// starts one does not pay for it at start-up.
struct Gio {
    decltype(&g_desktop_app_info_new_from_filename) newFromFilename = nullptr;
    decltype(&g_desktop_app_info_launch_uris_as_manager) launch = nullptr;
    decltype(&g_object_unref) unref = nullptr;
    decltype(&g_error_free) errorFree = nullptr;
    bool ok = false;

    Gio() {
        void* h = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!h) return;
        newFromFilename = reinterpret_cast<decltype(newFromFilename)>(::dlsym(h, "g_desktop_app_info_new_from_filename"));
        launch = reinterpret_cast<decltype(launch)>(::dlsym(h, "g_desktop_app_info_launch_uris_as_manager"));
        unref = reinterpret_cast<decltype(unref)>(::dlsym(h, "g_object_unref"));
        errorFree = reinterpret_cast<decltype(errorFree)>(::dlsym(h, "g_error_free"));
        ok = newFromFilename && launch && unref && errorFree;
    }
};

const Gio& gio() {
    static const Gio g;
    return g;
}

// Why GIO refused an application entry, as far as the entry tells: most
// often its program is not installed.
std::string whyNotLaunchable(const std::string& path) {
    std::string why = "not a launchable desktop entry";
    GKeyFile* kf = g_key_file_new();
    if (g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        auto missing = [&](const char* key) -> bool {
            gchar* v = g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, key, nullptr);
            if (!v) return false;
            gchar** argv = nullptr;
            bool gone = false;
            if (g_shell_parse_argv(v, nullptr, &argv, nullptr) && argv && argv[0]) {
                gchar* found = g_find_program_in_path(argv[0]);
                if (!found) {
                    why = std::string("its program ") + argv[0] + " (" + key + "=) is not installed";
                    gone = true;
                }
                g_free(found);
            } else if (std::string_view(key) == G_KEY_FILE_DESKTOP_KEY_EXEC) {
                why = "its Exec= line cannot be read";
                gone = true;
            }
            g_strfreev(argv);
            g_free(v);
            return gone;
        };
        gchar* exec = g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
        if (!exec) {
            why = "it has no Exec= line";
        } else if (!missing(G_KEY_FILE_DESKTOP_KEY_TRY_EXEC)) {
            missing(G_KEY_FILE_DESKTOP_KEY_EXEC);
        }
        g_free(exec);
    }
    g_key_file_free(kf);
    return why;
}
}  // namespace

bool isDesktopEntry(const std::string& path) {
    static constexpr std::string_view kSuffix = ".desktop";
    return path.size() > kSuffix.size() && path.compare(path.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

DesktopEntryType desktopEntryType(const std::string& path, std::string* url) {
    // A menu entry is a few kilobytes; anything huge is no entry, and is not
    // read on the window's thread.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxEntryBytes)
        return DesktopEntryType::Invalid;
    GKeyFile* kf = g_key_file_new();
    DesktopEntryType type = DesktopEntryType::Invalid;
    if (g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr) &&
        g_key_file_has_group(kf, G_KEY_FILE_DESKTOP_GROUP)) {
        gchar* t = g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TYPE, nullptr);
        const std::string_view tv = t ? t : "";
        if (tv == G_KEY_FILE_DESKTOP_TYPE_APPLICATION) {
            type = DesktopEntryType::Application;
        } else if (tv == G_KEY_FILE_DESKTOP_TYPE_LINK) {
            type = DesktopEntryType::Link;
            gchar* u = g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_URL, nullptr);
            if (url) *url = u ? u : "";
            g_free(u);
        } else {
            type = DesktopEntryType::Other;
        }
        g_free(t);
    }
    g_key_file_free(kf);
    return type;
}

bool launchDesktopEntry(const std::string& path, std::string* error) {
    const Gio& g = gio();
    if (!g.ok) {
        if (error) *error = "GIO (libgio-2.0.so.0) cannot be loaded";
        return false;
    }
    GDesktopAppInfo* info = g.newFromFilename(path.c_str());
    if (!info) {
        if (error) *error = whyNotLaunchable(path);
        return false;
    }
    GError* err = nullptr;
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the application through
    // an intermediate process that it reaps at once: no zombie, no wait.
    const gboolean ok =
        g.launch(info, nullptr, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, &err);
    if (!ok && error) *error = err ? err->message : "the application could not be started";
    if (err) g.errorFree(err);
    g.unref(info);
    return ok;
}

}  // namespace sorvel

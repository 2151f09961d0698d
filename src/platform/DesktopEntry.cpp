#include "platform/DesktopEntry.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace sorvel {

bool isDesktopEntry(const std::string& path) {
    static constexpr std::string_view kSuffix = ".desktop";
    return path.size() > kSuffix.size() && path.compare(path.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

DesktopEntryType desktopEntryType(const std::string& path, std::string* url) {
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
    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(path.c_str());
    if (!info) {
        if (error) *error = path + " is not a launchable desktop entry";
        return false;
    }
    GError* err = nullptr;
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the application through
    // an intermediate process that it reaps at once: no zombie, no wait.
    const gboolean ok = g_desktop_app_info_launch_uris_as_manager(info, nullptr, nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                                                  nullptr, nullptr, nullptr, &err);
    if (!ok && error) *error = err ? err->message : "the application could not be started";
    if (err) g_error_free(err);
    g_object_unref(info);
    return ok;
}

}  // namespace sorvel

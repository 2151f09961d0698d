#include "platform/AppPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#ifndef SORVEL_REL_MODULEDIR
#define SORVEL_REL_MODULEDIR "../lib/sorvel_p"
#endif
#ifndef SORVEL_REL_ASSETDIR
#define SORVEL_REL_ASSETDIR "../share/sorvel_p"
#endif

namespace sorvel {

namespace fs = std::filesystem;

std::string programFile(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

namespace {
std::string withSlash(std::string f) {
    if (f.empty() || f.back() != '/') f += '/';
    return f;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string folderOf(const std::string& file) {
    const auto cut = file.rfind('/');
    if (cut == std::string::npos) return "./";
    return file.substr(0, cut + 1);
}

std::string resolve(const std::string& base, const std::string& dir) {
    const fs::path p = (!dir.empty() && dir[0] == '/') ? fs::path(dir) : fs::path(base) / dir;
    return withSlash(p.lexically_normal().string());
}

std::string homeFolder(const EnvLookup& env) {
    if (const char* h = env("HOME"); h && *h) return h;
    std::vector<char> buf(16384);
    passwd pw {};
    passwd* out = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &out) == 0 && out && out->pw_dir) return out->pw_dir;
    return "/tmp";
}
}  // namespace

AppPaths AppPaths::portableIn(const std::string& folder, const std::string& executableName) {
    AppPaths p;
    p.programFolder = withSlash(folder);
    p.dataFolder = p.assetFolder = p.moduleFolder = p.programFolder;
    p.executable = programFile(p.programFolder, executableName);
    p.portable = true;
    return p;
}

std::string AppPaths::assetFile(const std::string& name) const {
    const std::string own = dataFile(name);
    if (portable || exists(own)) return own;
    return programFile(assetFolder, name);
}

AppPaths detectAppPaths(const std::string& executable, const EnvLookup& env, const std::string& moduleDir,
                        const std::string& assetDir) {
    const std::string folder = folderOf(executable);
    // The assets or the data files beside the executable make it portable;
    // the data files alone are enough, so that a portable folder whose
    // pictures went missing still finds its slots.
    for (const char* marker : {"ico.bmp", "ico1.bmp", "data.dat"}) {
        if (exists(programFile(folder, marker))) {
            AppPaths p = AppPaths::portableIn(folder);
            p.executable = executable;
            return p;
        }
    }
    AppPaths p;
    p.portable = false;
    p.executable = executable;
    p.programFolder = folder;
    p.moduleFolder = resolve(folder, moduleDir);
    p.assetFolder = resolve(folder, assetDir);
    // XDG base directories: an unset, empty or relative XDG_DATA_HOME means
    // ~/.local/share.
    std::string base;
    if (const char* x = env("XDG_DATA_HOME"); x && x[0] == '/') {
        base = x;
    } else {
        base = programFile(homeFolder(env), ".local/share");
    }
    p.dataFolder = withSlash(programFile(base, "sorvel_p"));
    return p;
}

AppPaths detectAppPaths(const std::string& executable) {
    return detectAppPaths(executable, [](const char* n) { return static_cast<const char*>(std::getenv(n)); },
                          SORVEL_REL_MODULEDIR, SORVEL_REL_ASSETDIR);
}

bool prepareDataFolder(const AppPaths& p, std::string* error) {
    auto failed = [error](const std::string& what) {
        if (error) *error = what;
        return false;
    };
    // Parents that have to be made get 0700, as the XDG rules ask for.
    std::string path;
    std::string rest = p.dataFolder;
    size_t pos = 0;
    while (pos < rest.size()) {
        const size_t next = rest.find('/', pos + 1);
        path = rest.substr(0, next == std::string::npos ? rest.size() : next);
        pos = next == std::string::npos ? rest.size() : next;
        if (path.empty() || exists(path)) continue;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            return failed("cannot create " + path + ": " + std::strerror(errno));
        }
    }
    struct stat st {};
    if (::stat(p.dataFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return failed(p.dataFolder + " is not a folder");
    }
    if (::access(p.dataFolder.c_str(), W_OK | X_OK) != 0) {
        return failed("cannot write to " + p.dataFolder + ": " + std::strerror(errno));
    }
    if (!p.portable) {
        const std::string own = p.dataFile("bg.wav");
        const std::string def = programFile(p.assetFolder, "bg.wav");
        if (!exists(own) && exists(def)) {
            std::error_code ec;
            fs::copy_file(def, own, fs::copy_options::skip_existing, ec);
            if (!ec) fs::permissions(own, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                              fs::perms::others_read, ec);
        }
    }
    return true;
}

}  // namespace sorvel

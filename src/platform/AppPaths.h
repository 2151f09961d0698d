// Where the program's files live. Portable mode keeps everything in the
// folder of the executable (a build's dist/ folder, or a copied folder);
// an installed program keeps the user's files in the XDG data folder and
// reads its defaults from the installed share folder.
#pragma once

#include <functional>
#include <string>

namespace sorvel {

// Folder + name, with exactly one "/" between them.
std::string programFile(const std::string& folder, const std::string& name);

struct AppPaths {
    std::string executable;      // the running program (for the restart)
    std::string programFolder;   // folder of the executable, "/"-ended
    std::string dataFolder;      // data files, music lists, the user's bg.wav
    std::string assetFolder;     // default ico.bmp, ico1.bmp, bg.wav, readme.txt
    std::string moduleFolder;    // the audio module
    bool portable = true;

    // Everything in one folder, as a portable program has it.
    static AppPaths portableIn(const std::string& folder, const std::string& executableName = "sorvel_p");

    std::string dataFile(const std::string& name) const { return programFile(dataFolder, name); }
    // The user's own copy in the data folder when there is one, else the
    // installed default.
    std::string assetFile(const std::string& name) const;
    std::string readme() const { return programFile(assetFolder, "readme.txt"); }
};

// Reads one environment variable; nullptr when unset.
using EnvLookup = std::function<const char*(const char*)>;

// Portable when the executable's folder holds the program's assets or data
// files beside it; installed otherwise. moduleDir and assetDir are relative
// to the executable's folder (or absolute).
AppPaths detectAppPaths(const std::string& executable, const EnvLookup& env, const std::string& moduleDir,
                        const std::string& assetDir);

// The same with the process environment and the installed layout.
AppPaths detectAppPaths(const std::string& executable);

// Creates the data folder (and its parents) when missing and gives an
// installed program its own copy of the default alarm sound. False, with
// the reason in *error, when the folder cannot be made or written.
bool prepareDataFolder(const AppPaths& p, std::string* error = nullptr);

}  // namespace sorvel

#include "platform/WinePaths.h"

#include <QStandardPaths>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace sorvel {

namespace fs = std::filesystem;

std::string PrefixWinePaths::prefix() const {
    if (!prefix_.empty()) return prefix_;
    if (const char* p = std::getenv("WINEPREFIX"); p && *p) return p;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : "";
    }
    return std::string(home) + "/.wine";
}

namespace {
// The entry of folder named name: the exact name when it is there, else
// the first (in name order) that differs from it only in letter case.
std::optional<fs::path> findEntry(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    const fs::path exact = folder / name;
    if (fs::exists(fs::symlink_status(exact, ec))) return exact;
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    std::optional<fs::path> found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size()))
                    .compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        if (!found || it->path() < *found) found = it->path();
    }
    return found;
}
}  // namespace

std::optional<std::string> PrefixWinePaths::resolve(char drive, const std::vector<std::string>& components) {
    if (drive >= 'A' && drive <= 'Z') drive = static_cast<char>(drive - 'A' + 'a');
    if (drive < 'a' || drive > 'z') return std::nullopt;
    std::error_code ec;
    // The drive's folder as the link names it, so that the path handed on
    // is the one the user knows (…/.wine/drive_c/…).
    fs::path p = fs::canonical(fs::path(prefix()) / "dosdevices" / (std::string(1, drive) + ":"), ec);
    if (ec || !fs::is_directory(p, ec)) return std::nullopt;
    for (const auto& c : components) {
        const auto next = findEntry(p, c);
        if (!next) return std::nullopt;
        p = *next;
    }
    if (!fs::exists(p, ec)) return std::nullopt;
    return p.string();
}

std::optional<std::string> PrefixWinePaths::wineProgram() {
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty()) return std::nullopt;
    return wine.toStdString();
}

WinePaths& defaultWinePaths() {
    static PrefixWinePaths paths;
    return paths;
}

}  // namespace sorvel

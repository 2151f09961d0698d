#include "persistence/DataFiles.h"

#include <cstdint>
#include <limits>

#include "persistence/ItemFile.h"

namespace sorvel {

namespace {
constexpr int64_t kLongMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kLongMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kIntMin = std::numeric_limits<int16_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int16_t>::max();

}  // namespace

bool parseDataDat(std::string_view data, LauncherState& s) {
    ItemReader r(data);
    while (!r.atEnd()) {
        for (int i = 0; i < kSlotCount; ++i) {
            if (!r.readText(s.slotPath[i])) return false;
        }
        for (int i = 0; i < 2; ++i) {
            int64_t v = 0;
            if (!r.readNumber(v, kLongMin, kLongMax)) return false;
            s.windowPosition[i] = static_cast<int32_t>(v);
        }
    }
    return true;
}

bool parseLotDat(std::string_view data, LauncherState& s) {
    ItemReader r(data);
    while (!r.atEnd()) {
        for (int i = 0; i < kSlotCount; ++i) {
            int64_t v = 0;
            if (!r.readNumber(v, kLongMin, kLongMax)) return false;
            s.slotUseCount[i] = static_cast<int32_t>(v);
        }
    }
    return true;
}

bool parseMidpageDat(std::string_view data, LauncherState& s) {
    ItemReader r(data);
    while (!r.atEnd()) {
        int64_t v = 0;
        if (!r.readNumber(v, kIntMin, kIntMax)) return false;
        s.musicPage = static_cast<int16_t>(v);
    }
    return true;
}

namespace {
bool readFile(const std::string& path, LauncherState& s, bool (*parse)(std::string_view, LauncherState&)) {
    const auto data = readWholeFile(path);
    return data && parse(*data, s);
}
}  // namespace

std::string encodeDataDat(const LauncherState& s) {
    std::string out;
    out.reserve(kSlotCount * 8);
    for (const auto& p : s.slotPath) appendTextLine(out, p);
    appendNumberLine(out, s.windowPosition[0]);
    appendNumberLine(out, s.windowPosition[1]);
    return out;
}

std::string encodeLotDat(const LauncherState& s) {
    std::string out;
    for (int32_t c : s.slotUseCount) appendNumberLine(out, c);
    return out;
}

std::string encodeMidpageDat(const LauncherState& s) {
    std::string out;
    appendNumberLine(out, s.musicPage);
    return out;
}

bool SaveData(const std::string& folder, const LauncherState& s, const DataFileHooks& hooks) {
    if (!writeFileAtomically(programFile(folder, "data.dat"), encodeDataDat(s))) return false;
    if (!writeFileAtomically(programFile(folder, "lot.dat"), encodeLotDat(s))) return false;
    if (!writeFileAtomically(programFile(folder, "midpage.dat"), encodeMidpageDat(s))) return false;
    if (hooks.saveMusicList) hooks.saveMusicList();
    return true;
}

void LoadData(const std::string& folder, LauncherState& s, const DataFileHooks& hooks) {
    [&] {
        if (!readFile(programFile(folder, "data.dat"), s, parseDataDat)) return;
        if (!readFile(programFile(folder, "lot.dat"), s, parseLotDat)) return;
        if (!readFile(programFile(folder, "midpage.dat"), s, parseMidpageDat)) return;
        if (hooks.keepMusicPage) hooks.keepMusicPage();
        if (hooks.loadMusicList) hooks.loadMusicList();
    }();
    if (hooks.placeWindow) hooks.placeWindow(s.windowPosition[0], s.windowPosition[1]);
}

}  // namespace sorvel

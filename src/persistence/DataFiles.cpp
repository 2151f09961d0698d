#include "persistence/DataFiles.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

#include "persistence/ItemFile.h"
#include "persistence/TextCodec.h"
#include "platform/FileStore.h"

namespace sorvel {

namespace {
constexpr int64_t kLongMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kLongMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kIntMin = std::numeric_limits<int16_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int16_t>::max();

}  // namespace

bool parseDataDat(std::string_view data, LauncherState& s, bool* lossy) {
    ItemReader r(data);
    const bool ok = [&] {
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
    }();
    if (lossy) *lossy = r.lossy();
    return ok;
}

bool parseLotDat(std::string_view data, LauncherState& s, bool* lossy) {
    ItemReader r(data);
    const bool ok = [&] {
        while (!r.atEnd()) {
            for (int i = 0; i < kSlotCount; ++i) {
                int64_t v = 0;
                if (!r.readNumber(v, kLongMin, kLongMax)) return false;
                s.slotUseCount[i] = static_cast<int32_t>(v);
            }
        }
        return true;
    }();
    if (lossy) *lossy = r.lossy();
    return ok;
}

bool parseMidpageDat(std::string_view data, LauncherState& s, bool* lossy) {
    ItemReader r(data);
    const bool ok = [&] {
        while (!r.atEnd()) {
            int64_t v = 0;
            if (!r.readNumber(v, kIntMin, kIntMax)) return false;
            s.musicPage = static_cast<int16_t>(v);
        }
        return true;
    }();
    if (lossy) *lossy = r.lossy();
    return ok;
}

namespace {
// Reads one file into s. A missing file reads nothing and is no damage;
// one that is there but cannot be read completely (bytes that are neither
// UTF-8 nor CP932 included) is noted as damaged so that its bytes are kept
// before the next save replaces it.
void readFile(const std::string& path, LauncherState& s,
              bool (*parse)(std::string_view, LauncherState&, bool*)) {
    ReadStatus status = ReadStatus::Ok;
    FileStamp seen;
    const auto data = readWholeFile(path, &status, &seen);
    if (!data) {
        noteReadResult(path, status == ReadStatus::Missing ? Damage::None : Damage::Unreadable, &seen);
        return;
    }
    const DecodedText text = readTextFile(path, *data);
    bool lossy = false;
    const bool ok = parse(text.text, s, &lossy);
    noteReadResult(path, ok && !lossy && text.complete ? Damage::None : Damage::Partial, &seen);
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

namespace {
// The files SaveData and the music lists write: data.dat, lot.dat,
// midpage.dat and midlist*.dat.
bool isSavedDataFile(std::string_view name) {
    if (name == "data.dat" || name == "lot.dat" || name == "midpage.dat") return true;
    return name.size() >= 11 && name.substr(0, 7) == "midlist" && name.substr(name.size() - 4) == ".dat";
}

// The counts to store beside the slot targets that stay on disk when
// data.dat could not be replaced: the count of today for every slot that
// still holds what is on disk, the stored count for one registered anew.
// Nothing when the targets on disk cannot be read.
std::optional<std::string> countsForStoredTargets(const std::string& dataPath, const std::string& lotPath,
                                                   const LauncherState& s) {
    LauncherState disk;
    ReadStatus status = ReadStatus::Ok;
    const auto data = readWholeFile(dataPath, &status);
    if (!data && status != ReadStatus::Missing) return std::nullopt;
    if (data && (!parseDataDat(decodeText(*data).text, disk, nullptr))) return std::nullopt;
    if (const auto lot = readWholeFile(lotPath, &status)) parseLotDat(decodeText(*lot).text, disk, nullptr);
    for (int i = 0; i < kSlotCount; ++i) {
        if (s.slotPath[static_cast<size_t>(i)] == disk.slotPath[static_cast<size_t>(i)])
            disk.slotUseCount[static_cast<size_t>(i)] = s.slotUseCount[static_cast<size_t>(i)];
    }
    return encodeLotDat(disk);
}
}  // namespace

bool SaveData(const std::string& folder, const LauncherState& s, DataFileHost& host) {
    // The counts in lot.dat belong to the slots in data.dat: when data.dat
    // cannot be written, lot.dat gets today's counts only for the slots
    // whose target on disk is unchanged, so no count is paired with a
    // target it was never counted for and no count of an unchanged slot is
    // lost. midpage.dat and the music list do not depend on them and are
    // written all the same.
    const std::string dataPath = programFile(folder, "data.dat");
    const bool dataOk = saveTextFile(dataPath, encodeDataDat(s));
    bool ok = dataOk;
    const std::string lot = programFile(folder, "lot.dat");
    if (dataOk) {
        ok = saveTextFile(lot, encodeLotDat(s));
    } else if (const auto counts = countsForStoredTargets(dataPath, lot, s)) {
        ok = saveTextFile(lot, *counts) && ok;
    } else {
        std::fprintf(stderr, "sorvel_p: %s not saved either: the targets its counts go with cannot be read\n",
                     lot.c_str());
    }
    ok = saveTextFile(programFile(folder, "midpage.dat"), encodeMidpageDat(s)) && ok;
    host.saveMusicList();
    return ok;
}

bool SaveCounts(const std::string& folder, const LauncherState& s) {
    const std::string lot = programFile(folder, "lot.dat");
    const auto counts = countsForStoredTargets(programFile(folder, "data.dat"), lot, s);
    if (!counts) {
        std::fprintf(stderr, "sorvel_p: %s not saved: the targets its counts go with cannot be read\n", lot.c_str());
        return false;
    }
    return saveTextFile(lot, *counts);
}

void LoadData(const std::string& folder, LauncherState& s, DataFileHost& host) {
    // A file that fails keeps the others from nothing: each is read on its
    // own, so a missing data.dat never costs the counts, the page or its list.
    removeLeftoverTempFiles(folder, isSavedDataFile);
    readFile(programFile(folder, "data.dat"), s, parseDataDat);
    readFile(programFile(folder, "lot.dat"), s, parseLotDat);
    readFile(programFile(folder, "midpage.dat"), s, parseMidpageDat);
    host.keepMusicPage();
    host.loadMusicList();
    host.placeWindow(s.windowPosition[0], s.windowPosition[1]);
}

}  // namespace sorvel

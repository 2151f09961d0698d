// libFuzzer target for the data-file and music-list readers: any bytes must
// read without a crash, a hang or a sanitizer report, and whatever was read
// must write back and read again to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "persistence/DataFiles.h"
#include "launcher/SlotRules.h"
#include "persistence/ItemFile.h"

using namespace sorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    LauncherState s;
    parseDataDat(in, s);
    parseLotDat(in, s);
    parseMidpageDat(in, s);

    ItemReader r(in);
    std::string text;
    int64_t n = 0;
    for (int i = 0; i < 64 && !r.atEnd(); ++i) {
        if (i % 2) r.readNumber(n, -2147483648LL, 2147483647LL);
        else r.readText(text);
    }

    // Texts without quotes or line ends survive a save and a load.
    bool plain = true;
    for (const auto& p : s.slotPath)
        for (char c : p) plain = plain && c != '"' && c != '\r' && c != '\n';
    if (plain) {
        LauncherState t;
        if (!parseDataDat(encodeDataDat(s), t) || t.slotPath != s.slotPath || t.windowPosition != s.windowPosition)
            std::abort();
        if (!parseLotDat(encodeLotDat(s), t) || t.slotUseCount != s.slotUseCount) std::abort();
        if (!parseMidpageDat(encodeMidpageDat(s), t) || t.musicPage != s.musicPage) std::abort();
    }

    // Music list: the entries the file can hold come back in order, and a
    // list written by us never reads as lossy.
    const auto entries = readListEntries(in);
    std::vector<std::string> storable;
    for (const auto& e : entries)
        if (!e.empty() && fitsItemFile(e)) storable.push_back(e);
    bool lossy = true;
    if (readListEntries(encodeListEntries(entries), &lossy) != storable || lossy) std::abort();
    return 0;
}

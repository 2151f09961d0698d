// Writes MIDI seed files for the fuzz target into a folder: type 0 and 1,
// RMID, SMPTE time, tempo 0 and 1, a song on many channels.
#include <cstdio>
#include <string>
#include <vector>

#include "MidiFixture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: midi_seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> seeds = {
        {"type0.mid", makeSmf(4, 48)},
        {"type0-tempo.mid", tempoMapFile(0)},
        {"type1-tempo.mid", tempoMapFile(1)},
        {"rmid.rmi", wrapRmid(makeSmf(3, 48))},
        {"rmid-type1.rmi", wrapRmid(tempoMapFile(1))},
        {"smpte25.mid", smpteFile(25, 40, 3, 400)},
        {"smpte2997.mid", smpteFile(29, 80, 2, 1200)},
        {"smpte24.mid", smpteFile(24, 4, 4, 48)},
        {"tempo0.mid", tempoZeroFarEvents()},
        {"tempo0-organ.mid", heldOrganAfterTempoZero()},
        {"tempo1.mid", tempoOne(96, 1200000)},
        {"tempo1-fine.mid", tempoOne(32767, 250000000)},
        {"tracks127.mid", manyTracksFile(127)},
        {"song.mid", gmSong()},
    };
    for (const auto& [name, bytes] : seeds) {
        const std::string path = dir + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "midi_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

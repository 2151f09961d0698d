// Kills a process that saves over and over with SIGKILL at random moments
// and checks that every file is always either the whole old or the whole
// new content. The same executable is the saving child ("--child DIR").
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "music/Music.h"
#include "persistence/DataFiles.h"
#include "persistence/ItemFile.h"
#include "platform/FileStore.h"

using namespace sorvel;

namespace {
// Two set-ups that differ in every file; both keep their list in
// midlist.dat (page 0 and a page below 0 share it).
struct SavedSet {
    LauncherState s;
    MusicList list;
};

void fill(SavedSet& u, char tag) {
    const std::string stem = std::string("/home/user/") + std::string(120, tag) + "/tool";
    for (int i = 0; i < kSlotCount; ++i) u.s.slotPath[i] = stem + std::to_string(i);
    for (int i = 0; i < kSlotCount; ++i) u.s.slotUseCount[i] = tag == 'a' ? i : 1000 + i;
    u.s.windowPosition = {tag == 'a' ? 1200 : 2400, tag == 'a' ? 900 : 1800};
    u.s.musicPage = tag == 'a' ? 0 : -1;
    for (int i = 0; i < 1500; ++i) u.list.append("/music/" + std::string(60, tag) + std::to_string(i) + ".mid");
}

bool save(const std::string& dir, const SavedSet& u) {
    struct ListToo : DataFileHost {
        const std::string& dir;
        const SavedSet& u;
        ListToo(const std::string& d, const SavedSet& set) : dir(d), u(set) {}
        void saveMusicList() override { SaveMusicList(dir, u.s, u.list); }
    } h(dir, u);
    return SaveData(dir, u.s, h);
}

std::string listText(const SavedSet& u) {
    std::string out;
    for (const auto& e : u.list.items()) appendTextLine(out, e);
    return out;
}

std::string g_self;

int runChild(const std::string& dir) {
    SavedSet a, b;
    fill(a, 'a');
    fill(b, 'b');
    const char c = 1;
    if (::write(1, &c, 1) != 1) return 0;
    for (bool flip = true;; flip = !flip) save(dir, flip ? b : a);
}
}  // namespace

TEST(SaveCrash, EveryFileIsAlwaysWholeOldOrWholeNew) {
    char tmpl[] = "/tmp/sorvel_crash_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = std::string(tmpl) + "/";
    SavedSet a, b;
    fill(a, 'a');
    fill(b, 'b');
    ASSERT_TRUE(save(dir, a));
    struct Expect {
        const char* name;
        std::string a, b;
    };
    const std::vector<Expect> files = {
        {"data.dat", encodeDataDat(a.s), encodeDataDat(b.s)},
        {"lot.dat", encodeLotDat(a.s), encodeLotDat(b.s)},
        {"midpage.dat", encodeMidpageDat(a.s), encodeMidpageDat(b.s)},
        {"midlist.dat", listText(a), listText(b)},
    };
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> delayUs(0, 15000);
    int killsDuringAWrite = 0, newSeen = 0;
    constexpr int kKills = 200;
    for (int k = 0; k < kKills; ++k) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            ::execl(g_self.c_str(), g_self.c_str(), "--child", dir.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        char c = 0;
        // Wait until the child runs, then kill it at a random moment of the
        // saves it makes.
        ASSERT_EQ(::read(fds[0], &c, 1), 1) << "the saving child did not start";
        ::usleep(static_cast<useconds_t>(delayUs(rng)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        for (const auto& f : files) {
            const auto got = readWholeFile(dir + f.name);
            ASSERT_TRUE(got.has_value()) << f.name << " after kill " << k;
            ASSERT_TRUE(*got == f.a || *got == f.b) << f.name << " is torn after kill " << k;
            newSeen += *got == f.b;
        }
        bool leftover = false;
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            if (e.path().filename().string().find(".tmp-") == std::string::npos) continue;
            leftover = true;
            std::filesystem::remove(e.path());
        }
        killsDuringAWrite += leftover;
    }
    std::filesystem::remove_all(dir);
    std::printf("%d kills, %d of them inside a write; new content seen %d times\n", kKills, killsDuringAWrite, newSeen);
    EXPECT_GT(killsDuringAWrite, 0);
    EXPECT_GT(newSeen, 0);
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return runChild(argv[2]);
    g_self = argv[0];
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) g_self.assign(buf, static_cast<size_t>(n));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include <gtest/gtest.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <grp.h>
#include <unistd.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "Seam.h"
#include "TempDir.h"
#include "platform/FileStore.h"

using namespace sorvel;

namespace {
// Answers as the kernel answers a normal user who owns every file here:
// the owner's write bit decides (the suite may run as root, who may write
// anything).
int ownerMayWrite(const char* path) {
    struct stat st {};
    if (::stat(path, &st) != 0) return -1;
    if (st.st_mode & S_IWUSR) return 0;
    errno = EACCES;
    return -1;
}
int anyoneMayWrite(const char*) { return 0; }

struct AsNormalUser : SetSeam<AccessCall> {
    AsNormalUser() : SetSeam(setAccessCall, ownerMayWrite) {}
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
}
ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}
int stderrLines(const std::string& err) { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }

// Sets a file's modification time a given number of seconds back, so that
// an edit within the same clock tick still counts as another version.
void age(const std::string& path, int seconds) {
    const struct timespec t[2] = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0) << path;
}
}  // namespace

TEST(FileStore, AFileThisUserMayNotWriteIsLeftAsItIs) {
    AsNormalUser user;
    TempDir d;
    const std::string f = d.file("data.dat");
    d.write("data.dat", "\"mine\"\r\n");
    ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
    const ino_t inode = inodeOf(f);
    noteReadResult(f, Damage::Partial);   // even a damaged one: nothing is copied
    testing::internal::CaptureStderr();
    EXPECT_FALSE(replaceFile(f, "\"other\"\r\n"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat"), "\"mine\"\r\n");
    EXPECT_EQ(modeOf(f), 0444u);
    EXPECT_EQ(inodeOf(f), inode);
    EXPECT_EQ(stderrLines(err), 1) << err;
    EXPECT_NE(err.find(f), std::string::npos) << err;
    EXPECT_EQ(QDir(QString::fromStdString(d.path())).entryList(QDir::Files).size(), 1);   // no temporary, no copy
    // The plain writer refuses it as well.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(writeFileAtomically(f, "x"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat"), "\"mine\"\r\n");

    // Damaged but writable: replaced, the old bytes kept as .bad.
    ASSERT_EQ(::chmod(f.c_str(), 0644), 0);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(replaceFile(f, "\"other\"\r\n"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat.bad"), "\"mine\"\r\n");
    EXPECT_EQ(d.read("data.dat"), "\"other\"\r\n");
}

TEST(FileStore, ARealNormalUserCannotReplaceAReadOnlyFile) {
    // With the privileges of a normal user, in a child: the kernel's own
    // answer, not a stand-in. A folder this user owns, a file at 0444.
    TempDir d;
    const std::string f = d.file("midlist.dat");
    d.write("midlist.dat", "\"/m/a.mid\"\r\n");
    d.write("lot.dat", "1\r\n");
    ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
    const uid_t uid = ::geteuid() == 0 ? 65534 : ::geteuid();
    const gid_t gid = ::geteuid() == 0 ? 65534 : ::getegid();
    if (::geteuid() == 0) {
        for (const std::string& p : {d.path(), f, d.file("lot.dat")}) ASSERT_EQ(::chown(p.c_str(), uid, gid), 0) << p;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)) ::_exit(9);
        if (::geteuid() == 0) ::_exit(8);
        const int wontWrite = replaceFile(f, "\"/m/b.mid\"\r\n") ? 1 : 0;
        const int writes = replaceFile(d.file("lot.dat"), "2\r\n") ? 0 : 2;
        ::_exit(wontWrite | writes);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(d.read("midlist.dat"), "\"/m/a.mid\"\r\n");
    EXPECT_EQ(modeOf(f), 0444u);
    struct stat st {};
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, uid);
    EXPECT_EQ(d.read("lot.dat"), "2\r\n");   // the writable file beside it is saved
}

TEST(FileStore, AReplacedFileKeepsItsModeWithOwnerReadAndNoWriteAdded) {
    // A data file nobody may read is kept as .bad by the caller; the new
    // one must not be unreadable again, or each start would lose the last
    // session. Write permission is the user's to give, never added here.
    const SetSeam<AccessCall> anyone(setAccessCall, anyoneMayWrite);
    TempDir d;
    for (const auto& [name, before, after] : {std::tuple{"a.dat", 0000u, 0400u}, std::tuple{"b.dat", 0640u, 0640u},
                                              std::tuple{"c.dat", 0204u, 0604u}, std::tuple{"d.dat", 0444u, 0444u}}) {
        d.write(name, "old");
        ASSERT_EQ(::chmod(d.file(name).c_str(), before), 0);
        ASSERT_TRUE(writeFileAtomically(d.file(name), "new")) << name;
        EXPECT_EQ(modeOf(d.file(name)), after) << name;
    }
    ASSERT_TRUE(writeFileAtomically(d.file("fresh.dat"), "new"));
    EXPECT_EQ(modeOf(d.file("fresh.dat")), 0644u);
}

TEST(FileStore, OutsideVersionsAreKeptNumberedBeforeASave) {
    TempDir d;
    const std::string f = d.file("lot.dat");
    ASSERT_TRUE(writeFileAtomically(f, "1\r\n"));
    // Edited in place, same size, within the same second as our write.
    d.write("lot.dat", "7\r\n");
    age(f, 5);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(replaceFile(f, "2\r\n"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("lot.dat.outside"), "7\r\n");
    EXPECT_EQ(d.read("lot.dat"), "2\r\n");
    EXPECT_EQ(stderrLines(err), 1) << err;
    // A second outside edit goes beside the first, which stays.
    d.write("lot.dat", "8\r\n");
    age(f, 9);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(replaceFile(f, "3\r\n"));
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("lot.dat.outside"), "7\r\n");
    EXPECT_EQ(d.read("lot.dat.outside2"), "8\r\n");
    EXPECT_NE(err.find(d.file("lot.dat.outside2")), std::string::npos) << err;
    // Removed outside: nothing to keep; unchanged: nothing copied.
    ASSERT_EQ(::unlink(f.c_str()), 0);
    ASSERT_TRUE(replaceFile(f, "4\r\n"));
    ASSERT_TRUE(replaceFile(f, "5\r\n"));
    EXPECT_FALSE(d.exists("lot.dat.outside3"));

    // Missing when read, created by someone else before the save.
    const std::string g = d.file("midpage.dat");
    FileStamp seen;
    ReadStatus status = ReadStatus::Ok;
    EXPECT_FALSE(readWholeFile(g, &status, &seen));
    EXPECT_EQ(status, ReadStatus::Missing);
    noteReadResult(g, Damage::None, &seen);
    d.write("midpage.dat", "9\r\n");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(replaceFile(g, "0\r\n"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("midpage.dat.outside"), "9\r\n");
}

namespace {
ssize_t diskFull(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}
}  // namespace

TEST(FileStore, AnOutsideVersionIsKeptOnceAndThenCountsAsSeen) {
    TempDir d;
    const std::string f = d.file("data.dat");
    ASSERT_TRUE(writeFileAtomically(f, "ours"));
    d.write("data.dat", "theirs, longer");
    // The save after the copy fails: the outside version stays in place
    // and is not copied a second time by the next save.
    {
        const SetSeam<WriteCall> full(setWriteCall, diskFull);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(replaceFile(f, "ours again"));
        testing::internal::GetCapturedStderr();
    }
    EXPECT_EQ(d.read("data.dat"), "theirs, longer");
    EXPECT_EQ(d.read("data.dat.outside"), "theirs, longer");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(replaceFile(f, "ours again"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(d.exists("data.dat.outside2"));
    EXPECT_EQ(d.read("data.dat"), "ours again");

    // Changed outside and damaged when read: the outside version is what
    // is kept; no .bad of bytes that are no longer there.
    noteReadResult(f, Damage::Partial);
    d.write("data.dat", "edited after the read, again");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(replaceFile(f, "mine"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(d.read("data.dat.outside2"), "edited after the read, again");
    EXPECT_FALSE(d.exists("data.dat.bad"));
}

TEST(FileStore, SavingThroughALinkRemovesStaleTemporariesOfItsTarget) {
    TempDir d, synced;
    synced.write("data.dat", "old");
    ASSERT_EQ(::symlink(synced.file("data.dat").c_str(), d.file("data.dat").c_str()), 0);
    for (const char* n : {"data.dat.tmp-a1B2c3", "data.dat.tmp-toolong1", "data.dat.tmp-ab.c12", "lot.dat.tmp-abc123",
                          "xdata.dat.tmp-abc123"}) {
        synced.write(n, "left");
        age(synced.file(n), 3600);
    }
    synced.write("data.dat.tmp-Fresh1", "a save running elsewhere");
    ASSERT_TRUE(replaceFile(d.file("data.dat"), "new"));
    EXPECT_EQ(synced.read("data.dat"), "new");
    EXPECT_FALSE(synced.exists("data.dat.tmp-a1B2c3"));
    for (const char* n : {"data.dat.tmp-toolong1", "data.dat.tmp-ab.c12", "lot.dat.tmp-abc123", "xdata.dat.tmp-abc123",
                          "data.dat.tmp-Fresh1"})
        EXPECT_TRUE(synced.exists(n)) << n;
}

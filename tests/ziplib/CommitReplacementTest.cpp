// Guards the replacement file a commit writes the new archive into: killed at any moment (real
// SIGKILLs of a child process), the commit leaves the old archive or the new one, and after the
// next open or commit nothing else beside it, also where the file system takes no unnamed file;
// a replacement caught between its link and its rename is left alone while its owner runs; and a
// close or a rename that fails makes the commit fail with the old archive kept.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "WriterFixtures.h"
#include "ZipFixtures.h"
#include "archive/ArchiveChanges.h"
#include "platform/SafeFile.h"
#include "ziplib/EZAException.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace writertest;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const Files kOld = {
    {"a.txt", "first item"},
    {"sub/b.txt", zipfixtures::MakeText(200000, 2)},
    {"c.bin", zipfixtures::MakeRandom(5000, 9)},
};

// The system calls of a replacement, one of them made to fail or to stop the process.
struct Calls : platform::ReplacementCalls {
    bool refuseUnnamed = false;  // as a file system without O_TMPFILE
    int closeError = 0;
    int renameError = 0;
    std::function<void()> beforeRename;

    int OpenUnnamed(int dirFd, mode_t mode) override {
        if (!refuseUnnamed) return platform::ReplacementCalls::OpenUnnamed(dirFd, mode);
        errno = EOPNOTSUPP;
        return -1;
    }
    int Close(int fd) override {
        const int r = platform::ReplacementCalls::Close(fd);
        if (closeError == 0) return r;
        errno = closeError;
        return -1;
    }
    int Rename(int fromDir, const char* from, int toDir, const char* to) override {
        if (beforeRename) beforeRename();
        if (renameError == 0) return platform::ReplacementCalls::Rename(fromDir, from, toDir, to);
        errno = renameError;
        return -1;
    }
};

class Installed {
public:
    explicit Installed(platform::ReplacementCalls* calls) : old_(platform::SetReplacementCalls(calls)) {}
    ~Installed() { platform::SetReplacementCalls(old_); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

private:
    platform::ReplacementCalls* old_;
};

// An archive of kOld alone in its folder, and a large file to add in another one.
struct Scene {
    TempDir dir;
    fs::path zip = dir / "archive/a.zip";
    std::string old;

    Scene() {
        fs::create_directories(zip.parent_path());
        WriteNew(zip, dir / "src", kOld);
        old = ReadFile(zip);
        WriteFile(dir / "new/big.bin", zipfixtures::MakeRandom(6 << 20, 5));
    }

    // Everything in the archive's folder but the archive.
    std::vector<std::string> Beside() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(zip.parent_path()))
            if (e.path() != zip) names.push_back(e.path().filename().string());
        return names;
    }

    // The whole archive rewritten: the first item renamed, the large file added.
    void Change(TZipArchiver& a) const {
        a.BaseDir = WinName(dir / "new");
        ArchiveChanges::Begin(a);
        ArchiveChanges::Rename(a, 0, u"renamed.txt");
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/big.bin")), 0);
    }

    std::map<std::string, std::string> Changed() const {
        auto want = Expected(kOld);
        want.erase("a.txt");
        want["renamed.txt"] = "first item";
        want["big.bin"] = ReadFile(dir / "new/big.bin");
        return want;
    }

    // The change committed in a child process; its pid.
    pid_t CommitInChild(const std::function<void()>& arm = {}) const {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int status = 1;
            try {
                if (arm) arm();
                TZipArchiver a;
                a.FileName = WinName(zip);
                a.OpenArchive();
                Change(a);
                ArchiveChanges::Commit(a);
                status = a.BatchSucceeded() ? 0 : 1;
                a.CloseArchive();
            } catch (...) {
            }
            ::_exit(status);
        }
        return pid;
    }
};

int Reap(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

bool Opens(const fs::path& zip) {
    TZipArchiver a;
    a.FileName = WinName(zip);
    a.OpenArchive();
    const bool open = a.IsOpen();
    a.CloseArchive();
    return open;
}

}  // namespace

TEST(CommitReplacement, AKillAtAnyMomentLeavesTheOldOrTheNewArchiveAndAfterTheNextOpenNothingElse) {
    for (const bool refuseUnnamed : {false, true}) {
        SCOPED_TRACE(refuseUnnamed ? "no unnamed files: a named, owned one" : "an unnamed replacement");
        Calls calls;
        calls.refuseUnnamed = refuseUnnamed;
        Installed installed(&calls);
        Scene s;
        // How long a whole commit takes here, in its own process.
        const auto start = std::chrono::steady_clock::now();
        const int status = Reap(s.CommitInChild());
        const auto whole = std::chrono::steady_clock::now() - start;
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const auto changed = s.Changed();
        ASSERT_EQ(ReadBack(s.zip), changed);
        constexpr int kKills = 20;
        int leftovers = 0;
        for (int k = 0; k < kKills; ++k) {
            SCOPED_TRACE("kill " + std::to_string(k));
            WriteFile(s.zip, s.old);
            const pid_t child = s.CommitInChild();
            // From before the open to just after the commit would have ended.
            std::this_thread::sleep_for(whole * k / (kKills - 2));
            ::kill(child, SIGKILL);
            Reap(child);
            const auto beside = s.Beside();
            for (const auto& name : beside) EXPECT_TRUE(name.starts_with(".FC")) << name;
            leftovers += !beside.empty();
            if (ReadFile(s.zip) != s.old) {
                EXPECT_EQ(ReadBack(s.zip), changed);
            }
            EXPECT_TRUE(Opens(s.zip));
            EXPECT_EQ(s.Beside(), std::vector<std::string>{});
        }
        // A named replacement lies beside the archive for most of a commit: kills that never
        // caught one missed the commit and prove nothing.
        if (refuseUnnamed) {
            EXPECT_GT(leftovers, 0);
        }
    }
}

TEST(CommitReplacement, AReplacementIsLeftAloneWhileItsOwnerRunsAndRemovedByTheNextCommitOnceKilled) {
    Scene s;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    // Opened before anything is left beside the archive; it commits after the kill.
    TZipArchiver a;
    a.FileName = WinName(s.zip);
    a.OpenArchive();
    // A child stopped between the link of its replacement and the rename.
    const pid_t stopped = s.CommitInChild([&] {
        static Calls calls;
        calls.beforeRename = [&] {
            const char c = 1;
            (void)::write(ready[1], &c, 1);
            ::pause();
        };
        platform::SetReplacementCalls(&calls);
    });
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_EQ(s.Beside().size(), 1u);
    EXPECT_TRUE(Opens(s.zip));
    EXPECT_EQ(s.Beside().size(), 1u) << "an open took the running commit's replacement";
    ::kill(stopped, SIGKILL);
    Reap(stopped);
    EXPECT_EQ(ReadFile(s.zip), s.old);

    WriteFile(s.dir / "new/d.txt", "d");
    a.BaseDir = WinName(s.dir / "new");
    ArchiveChanges::Begin(a);
    ASSERT_GE(ArchiveChanges::Add(a, WinName(s.dir / "new/d.txt")), 0);
    ArchiveChanges::Commit(a);
    EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
    a.CloseArchive();
    EXPECT_EQ(s.Beside(), std::vector<std::string>{});
    auto want = Expected(kOld);
    want["d.txt"] = "d";
    EXPECT_EQ(ReadBack(s.zip), want);
}

TEST(CommitReplacement, TheReplacementHasANameOnlyWhereTheFileSystemTakesNoUnnamedFile) {
    for (const bool refuseUnnamed : {false, true}) {
        SCOPED_TRACE(refuseUnnamed ? "no unnamed files" : "unnamed files");
        Calls calls;
        calls.refuseUnnamed = refuseUnnamed;
        Installed installed(&calls);
        Scene s;
        std::vector<std::string> seen;
        bool owned = true;
        TZipArchiver a;
        a.FileName = WinName(s.zip);
        a.OpenArchive();
        s.Change(a);
        a.OnFileProgress = [&](TZABaseArchiver&, const std::u16string&, double, TZAProcessOperation,
                               TZAProgressPhase phase, bool&) {
            if (phase != TZAProgressPhase::ppProcess || !seen.empty()) return;
            seen = s.Beside();
            for (const auto& name : seen) {
                const int lock = platform::OpenUnowned(s.zip.parent_path() / name);
                owned = owned && lock < 0;
                if (lock >= 0) ::close(lock);
            }
        };
        ArchiveChanges::Commit(a);
        EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
        a.CloseArchive();
        if (refuseUnnamed) {
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_TRUE(seen[0].starts_with(".FC")) << seen[0];
            EXPECT_TRUE(owned);
        } else {
            EXPECT_EQ(seen, std::vector<std::string>{});
        }
        EXPECT_EQ(s.Beside(), std::vector<std::string>{});
        EXPECT_EQ(ReadBack(s.zip), s.Changed());
    }
}

TEST(CommitReplacement, AFailedCloseOrRenameFailsTheCommitAndKeepsTheOldArchive) {
    struct Failure {
        const char* name;
        int closeError;
        int renameError;
    };
    for (const Failure& f : {Failure{"a delayed write error at the close", EIO, 0},
                             Failure{"a refused rename", 0, EACCES}}) {
        for (const bool refuseUnnamed : {false, true}) {
            SCOPED_TRACE(std::string(f.name) + (refuseUnnamed ? ", named replacement" : ", unnamed replacement"));
            Scene s;
            TZipArchiver a;
            a.FileName = WinName(s.zip);
            a.OpenArchive();
            s.Change(a);
            {
                Calls calls;
                calls.refuseUnnamed = refuseUnnamed;
                calls.closeError = f.closeError;
                calls.renameError = f.renameError;
                Installed installed(&calls);
                try {
                    ArchiveChanges::Commit(a);
                    ADD_FAILURE() << "the commit was taken";
                } catch (const EZAException& e) {
                    EXPECT_EQ(e.NativeError(), ZAError::CannotCreateFile);
                    const std::string message = e.what();
                    EXPECT_NE(message.find(platform::Utf16ToUtf8(a.FileName)), std::string::npos) << message;
                    EXPECT_NE(message.find(std::strerror(f.closeError ? f.closeError : f.renameError)), std::string::npos)
                        << message;
                }
            }
            EXPECT_EQ(ReadFile(s.zip), s.old);
            EXPECT_EQ(s.Beside(), std::vector<std::string>{});
            // The archiver reads the old archive still, and takes the next commit.
            TZAArchiveItem item;
            EXPECT_TRUE(a.FindFirst(u"a.txt", item, u"", kSearchEveryItem));
            EXPECT_FALSE(a.FindFirst(u"big.bin", item, u"", kSearchEveryItem));
            s.Change(a);
            ArchiveChanges::Commit(a);
            EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
            a.CloseArchive();
            EXPECT_EQ(ReadBack(s.zip), s.Changed());
        }
    }
}

// Guards the one way files are replaced: the target changes only on a commit and then in one
// step, a failed write or commit and a discard leave the old file and no temporary behind, a
// short write reports its cause, an unnamed file has a name only from its commit, and a
// clean-up takes only the unowned temporaries of its prefix.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "TempDir.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A file-size limit for the scope: a write past it fails as a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, handler_);
    }

private:
    struct rlimit old_{};
    void (*handler_)(int) = nullptr;
};

}  // namespace

TEST(ReplacementFile, TheTargetChangesOnlyOnCommit) {
    for (const auto flush : {platform::Flush::Full, platform::Flush::None}) {
        TempDir dir;
        WriteFile(dir / "data.txt", "old");
        {
            platform::ReplacementFile file;
            ASSERT_EQ(file.Open(dir / "data.txt", ".data.txt.tmp-"), 0);
            ASSERT_EQ(file.Write("new contents", 12), 0);
            EXPECT_EQ(ReadFile(dir / "data.txt"), "old");
            EXPECT_EQ(Entries(dir.path()).size(), 2u);
            EXPECT_TRUE(file.TemporaryName().starts_with(".data.txt.tmp-"));
            ASSERT_EQ(file.Commit(flush), 0);
        }
        EXPECT_EQ(ReadFile(dir / "data.txt"), "new contents");
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"data.txt"});
    }

    // Discarded, or dropped without a commit: the old file and nothing else.
    TempDir dir;
    WriteFile(dir / "data.txt", "old");
    {
        platform::ReplacementFile dropped;
        ASSERT_EQ(dropped.Open(dir / "data.txt", ".t-"), 0);
        ASSERT_EQ(dropped.Write("x", 1), 0);
        platform::ReplacementFile discarded;
        const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_EQ(discarded.OpenAt(folder, "data.txt", ".t-"), 0);
        discarded.Discard();
        discarded.Discard();
        EXPECT_NE(discarded.Commit(platform::Flush::Full), 0);
        ::close(folder);
    }
    EXPECT_EQ(ReadFile(dir / "data.txt"), "old");
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"data.txt"});
}

TEST(ReplacementFile, FailuresKeepTheOldFileAndSayWhy) {
    TempDir dir;
    WriteFile(dir / "data.txt", "old");
    {
        // A write cut short by the file-size limit: the count that went out and the cause.
        FileSizeLimit limit(16);
        platform::ReplacementFile file;
        ASSERT_EQ(file.Open(dir / "data.txt", ".t-"), 0);
        const std::string big(4096, 'n');
        int err = 0;
        EXPECT_EQ(platform::WriteAll(file.fd(), big.data(), big.size(), &err), 16u);
        EXPECT_EQ(err, EFBIG);
        EXPECT_EQ(file.Write(big.data(), big.size()), EFBIG);
    }
    EXPECT_EQ(ReadFile(dir / "data.txt"), "old");

    // A rename that cannot be done (the target is a folder with something in it).
    WriteFile(dir / "folder/inside.txt", "x");
    platform::ReplacementFile file;
    ASSERT_EQ(file.Open(dir / "folder", ".t-"), 0);
    EXPECT_NE(file.Commit(platform::Flush::Full), 0);
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"data.txt", "folder"}));

    // No folder to make it in.
    EXPECT_EQ(file.Open(dir / "missing/data.txt", ".t-"), ENOENT);
}

TEST(ReplacementFile, AnUnnamedOneHasANameOnlyFromItsCommitAndLeftoversGoOnlyWhenUnowned) {
    TempDir dir;
    WriteFile(dir / "data.txt", "old");
    platform::ReplacementFile file;
    ASSERT_EQ(file.OpenUnnamed(dir / "data.txt", ".t-"), 0);
    ASSERT_TRUE(file.Unnamed()) << "this file system takes no unnamed file";
    ASSERT_EQ(file.Write("new", 3), 0);
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"data.txt"});

    // What a killed run left: files of the prefix and a random tail, one of them still owned.
    // Names that only look alike are someone else's.
    for (const char* name : {".t-0123456789ab", ".t-fedcba987654", ".t-0123456789abc", ".t-0123456789AB", ".t-x"})
        WriteFile(dir / name, "left");
    platform::ReplacementFile running;
    ASSERT_EQ(running.Open(dir / "other.txt", ".t-", true), 0);
    EXPECT_EQ(platform::RemoveUnownedTemporaries(dir.path(), ".t-"), 2u);
    std::vector<std::string> kept = {".t-0123456789AB", ".t-0123456789abc", ".t-x", running.TemporaryName(), "data.txt"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Entries(dir.path()), kept);
    running.Discard();

    ASSERT_EQ(file.Commit(platform::Flush::Full), 0);
    EXPECT_EQ(ReadFile(dir / "data.txt"), "new");
}

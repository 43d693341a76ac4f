// Guards what an unpack that fails says, with the archive library's own extraction: a full
// disk, a file past the file-size limit, a write the disk refuses, an item that needs a
// password or cannot be read, a name that leads out of the installation, a file and a folder
// of one name, an empty, cut or foreign file each name their cause in words with the installed
// name (by what the system said, not by a guess, and without the library's codes), and the
// installation stays as it was.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <map>

#include "FailingWrites.h"
#include "TempDir.h"
#include "UnpackFixtures.h"
#include "ZipTool.h"
#include "platform/Process.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

using unpacktest::Snapshot;

namespace {

std::string UnpackError(const fs::path& archive, const fs::path& base) {
    return unpacktest::UnpackFailure(archive.string(), base.string());
}

// An installation of a few files and the archive `bytes` beside them.
struct Install {
    TempDir dir;
    fs::path archive;
    explicit Install(const std::string& bytes, const fs::path& at = {}) {
        const fs::path base = at.empty() ? dir.path() : at;
        WriteFile(base / "docs/old.doc", "old");
        WriteFile(base / "lang.txt", "old categories");
        archive = base / "docs.zip";
        WriteFile(archive, bytes);
    }
};

// A small tmpfs for the scope, where this machine lets us mount one.
class SmallDisk {
public:
    explicit SmallDisk(size_t kib) {
        ok_ = ::mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, ("size=" + std::to_string(kib) + "k").c_str()) == 0;
    }
    ~SmallDisk() {
        if (ok_) ::umount2(dir_.path().c_str(), MNT_DETACH);
    }
    bool ok() const { return ok_; }
    const fs::path& path() const { return dir_.path(); }

private:
    TempDir dir_;
    bool ok_ = false;
};

const std::string kBig = std::string(512 * 1024, 'b');

}  // namespace

TEST(UnpackMessages, AFullDiskSaysSo) {
    SmallDisk disk(768);  // room for the archive, not for what it unpacks to
    if (!disk.ok()) GTEST_SKIP() << "no tmpfs can be mounted here";
    const testsupport::ZipPackage update({{"docs/big.doc", kBig}}, true);
    Install inst(update.bytes, disk.path());
    const auto before = Snapshot(disk.path());
    const std::string what = UnpackError(inst.archive, disk.path());
    EXPECT_NE(what.find("docs.zip"), std::string::npos) << what;
    EXPECT_NE(what.find("There is no space left on the disk"), std::string::npos) << what;
    EXPECT_EQ(Snapshot(disk.path()), before);
}

TEST(UnpackMessages, AFileSizeLimitSaysSo) {
    platform::IgnoreFileSizeSignal();  // as both programs do; otherwise the process would end
    const testsupport::ZipPackage update({{"docs/big.doc", kBig}}, true);
    Install inst(update.bytes);
    const auto before = Snapshot(inst.dir.path());
    struct rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string what = UnpackError(inst.archive, inst.dir.path());
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_NE(what.find("The file \"docs/big.doc\" is larger than the file-size limit of this process allows "
                        "(65536 bytes)."),
              std::string::npos)
        << what;
    EXPECT_EQ(Snapshot(inst.dir.path()), before);
}

TEST(UnpackMessages, AWriteTheDiskRefusesSaysWhatTheSystemSaid) {
    const testsupport::ZipPackage update({{"docs/big.doc", kBig}}, true);
    const struct {
        const char* name;
        int err;
        const char* says;
    } cases[] = {
        // A file-size limit that is set but not reached is no reason to blame it.
        {"no space, under a file-size limit", ENOSPC, "There is no space left on the disk for the unpacked files."},
        {"the quota", EDQUOT, "There is no space left on the disk for the unpacked files."},
        {"an I/O error", EIO, "The file \"docs/big.doc\" could not be written. Input/output error."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install inst(update.bytes);
        const auto before = Snapshot(inst.dir.path());
        const auto what = testsupport::WithFailingWrites(c.err, [&] {
            struct rlimit limit{};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1 << 30;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return UnpackError(inst.archive, inst.dir.path());
        });
        if (!what) GTEST_SKIP() << "system calls cannot be filtered here";
        EXPECT_NE(what->find("docs.zip"), std::string::npos) << *what;
        EXPECT_NE(what->find(c.says), std::string::npos) << *what;
        EXPECT_EQ(Snapshot(inst.dir.path()), before);  // nor a scratch folder left
    }
}

TEST(UnpackMessages, AnItemThatNeedsAPasswordSaysSo) {
    TempDir src;
    WriteFile(src / "docs/secret.doc", "hidden story");
    WriteFile(src / "docs/open.doc", "open story");
    TempDir out;
    ASSERT_EQ(testsupport::RunTool({"zip", "-q", "-r", "-P", "secret", (out / "a.zip").string(), "docs"}, src.path()), 0);
    Install inst(ReadFile(out / "a.zip"));
    const auto before = Snapshot(inst.dir.path());
    const std::string what = UnpackError(inst.archive, inst.dir.path());
    EXPECT_NE(what.find("is encrypted: it needs a password"), std::string::npos) << what;
    EXPECT_NE(what.find(".doc"), std::string::npos) << what;
    EXPECT_EQ(Snapshot(inst.dir.path()), before);
}

TEST(UnpackMessages, ANameThatLeavesTheInstallationSaysSoWithTheName) {
    // Stored names changed in place after packing, so the records stay whole.
    const testsupport::ZipPackage update({{"docs/new.doc", "new"}, {"xx/evil.txt", "evil"}}, true);
    const std::pair<const char*, const char*> forms[] = {{"xx/evil.txt", "../evil.txt"}, {"xx/evil.txt", "/x/evil.txt"}};
    for (const auto& [from, to] : forms) {
        SCOPED_TRACE(to);
        std::string bytes = update.bytes;
        for (size_t at; (at = bytes.find(from)) != std::string::npos;) bytes.replace(at, std::strlen(from), to);
        Install inst(bytes);
        const auto before = Snapshot(inst.dir.path());
        const std::string what = UnpackError(inst.archive, inst.dir.path());
        EXPECT_NE(what.find("leads out of the installation"), std::string::npos) << what;
        EXPECT_NE(what.find("evil.txt"), std::string::npos) << what;
        EXPECT_EQ(Snapshot(inst.dir.path()), before);
        EXPECT_FALSE(fs::exists(inst.dir.path().parent_path() / "evil.txt"));
    }
}

TEST(UnpackMessages, AnArchiveThatCannotBeInstalledSaysWhyInWords) {
    // Packed with "docX" where "docs" is meant and renamed in place, so the records stay whole.
    const auto packed = [](bool fileFirst, bool link) {
        TempDir src, out;
        WriteFile(src / "docs/a.doc", "new a");
        if (link) fs::create_symlink("docs/a.doc", src / "docX");
        else WriteFile(src / "docX", "a file");
        std::vector<std::string> args = {"zip", "-q", "-y", (out / "a.zip").string()};
        for (const char* name : fileFirst ? std::vector{"docX", "docs/a.doc"} : std::vector{"docs/a.doc", "docX"})
            args.push_back(name);
        if (testsupport::RunTool(args, src.path()) != 0) return std::string();
        std::string bytes = ReadFile(out / "a.zip");
        for (size_t at; (at = bytes.find("docX")) != std::string::npos;) bytes.replace(at, 4, "docs");
        return bytes;
    };
    const std::string whole = testsupport::ZipPackage({{"VantorBooks", std::string(4000, 'p')}}, true).bytes;
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"a file where the archive has a folder", packed(false, false), "It holds a file and a folder both named \"docs\"."},
        {"a folder where the archive has a file", packed(true, false), "It holds a file and a folder both named \"docs\"."},
        {"a link where the archive has a folder", packed(false, true), "It holds a file and a folder both named \"docs\"."},
        {"an empty file", "", "It is empty."},
        // The library rebuilds a directory from the local headers; an update is refused whole.
        {"cut in its directory", whole.substr(0, whole.size() - 40), "It is damaged or cut short."},
        {"cut in its data", whole.substr(0, whole.size() / 2), "It is damaged or cut short."},
        {"a web page", "<html><body>Not Found</body></html>\n", "It is damaged or cut short."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install inst(c.bytes);
        const auto before = Snapshot(inst.dir.path());
        const std::string what = UnpackError(inst.archive, inst.dir.path());
        EXPECT_EQ(what, std::string("The archive \"docs.zip\" could not be unpacked. ") + c.says);
        EXPECT_EQ(Snapshot(inst.dir.path()), before);
    }
}

TEST(UnpackMessages, AnItemTheLibraryCannotReadIsNamedWithTheReason) {
    const testsupport::ZipPackage update({{"docs/story.doc", "stored story " + std::string(2000, 's')}}, true);
    Install inst(update.Damaged("stored story"));
    const std::string what = UnpackError(inst.archive, inst.dir.path());
    EXPECT_EQ(what, "The archive \"docs.zip\" could not be unpacked. The item \"docs/story.doc\" cannot be read: CRC-32 "
                    "mismatch: the data does not match its check sum.");
}

// Guards committing changes to an existing archive: an append keeps every stored byte in front of
// it (behind a stub and after a recovery scan too), a rename reads back under its new name, a
// delete or an update batch is written, a failed add is left out, and a cancel, an abort, a
// failure or a refused archive leave the file byte for byte as it was, while a cancel that comes
// after the archive is complete costs nothing of it (nor a moved source). Rebuilt in place, the
// archive gets its tail back, or the error names the file that keeps it. A split archive refuses
// a commit it can't take before anything is touched. A failed folder flush after the rename does
// not report the written archive as lost.
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "WriterFixtures.h"
#include "ZipFixtures.h"
#include "ZipTool.h"
#include "archive/ArchiveChanges.h"
#include "ziplib/EZAException.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

using namespace ziplib;
using namespace writertest;
using testsupport::HaveTool;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// While set, fsync fails for folders: the folder flush after a replacement's rename.
std::atomic<bool> failFolderFlush{false};

}  // namespace

// Stands in for the C library's fsync in this test program, which links the library statically.
extern "C" int fsync(int fd) {
    struct stat st;
    if (failFolderFlush && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace {

const Files kOld = {
    {"a.txt", "first item"},
    {"sub/b.txt", zipfixtures::MakeText(200000, 2)},
    {"c.bin", zipfixtures::MakeRandom(5000, 9)},
};

// An archive of kOld made by Info-ZIP's zip, with the files left in dir/old.
fs::path MakeForeign(const TempDir& dir, const std::string& name = "a.zip") {
    MakeFiles(dir / "old", kOld);
    const fs::path zip = dir / name;
    EXPECT_EQ(testsupport::RunTool({"zip", "-q", "-X", zip.string(), "a.txt", "sub/b.txt", "c.bin"}, dir / "old"), 0);
    return zip;
}

// The archive opened, a change begun, `change` run on it, committed and closed.
void Change(const fs::path& zip, const std::function<void(TZipArchiver&)>& change, const Configure& configure = {}) {
    TZipArchiver a;
    a.FileName = WinName(zip);
    if (configure) configure(a);
    a.OpenArchive();
    ArchiveChanges::Begin(a);
    change(a);
    a.CloseArchive();
}

// A relative path that makes a source name of 260 characters or more.
std::string LongName() {
    std::string name;
    for (int i = 0; name.size() < 270; ++i) name += "folder" + std::to_string(i) + "/";
    return name + "file.txt";
}

std::map<std::string, std::string> Plus(std::map<std::string, std::string> m, const std::string& name,
                                        const std::string& data) {
    m[name] = data;
    return m;
}

TEST(Commit, AppendKeepsTheBytesInFrontAndToolsAcceptTheResult) {
    if (!HaveTool("zip")) return;
    TempDir dir;
    const fs::path zip = MakeForeign(dir);
    const std::string before = ReadFile(zip);
    WriteFile(dir / "new/d.txt", "appended");
    Change(zip, [&](TZipArchiver& a) {
        a.BaseDir = WinName(dir / "new");
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/d.txt")), 0);
    });
    const std::string after = ReadFile(zip);
    // Everything up to the old directory is where it was.
    const size_t directory = before.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(directory, std::string::npos);
    ASSERT_GT(after.size(), before.size());
    EXPECT_EQ(after.substr(0, directory), before.substr(0, directory));
    ExpectToolsAccept(zip);
    EXPECT_EQ(ReadBack(zip), Plus(Expected(kOld), "d.txt", "appended"));
}

TEST(Commit, AppendBehindAStubAndAfterARecoveryScanGoesAfterTheLastItem) {
    if (!HaveTool("zip")) return;
    struct Damage {
        const char* name;
        std::string stub;
        bool cutEndRecord;  // the directory is then rebuilt from the local headers
    };
    for (const Damage& d : {Damage{"stub written in front", std::string(3000, 'S'), false},
                            Damage{"end record cut off", "", true}}) {
        SCOPED_TRACE(d.name);
        TempDir dir;
        const fs::path plain = MakeForeign(dir);
        std::string bytes = ReadFile(plain);
        if (d.cutEndRecord) bytes.resize(bytes.size() - 22);
        const fs::path zip = dir / "damaged.zip";
        WriteFile(zip, d.stub + bytes);
        {
            TZipArchiver probe;
            probe.FileName = WinName(zip);
            probe.OpenArchive();
            EXPECT_EQ(probe.DirectoryRecovered(), d.cutEndRecord);
        }
        WriteFile(dir / "new/d.txt", "appended");
        Change(zip, [&](TZipArchiver& a) {
            a.BaseDir = WinName(dir / "new");
            ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/d.txt")), 0);
        });
        const std::string after = ReadFile(zip);
        EXPECT_EQ(after.substr(0, d.stub.size()), d.stub);
        // What was left of the old directory is gone: one central header per item.
        size_t headers = 0;
        for (size_t at = after.find("PK\x01\x02"); at != std::string::npos; at = after.find("PK\x01\x02", at + 1)) ++headers;
        EXPECT_EQ(headers, kOld.size() + 1);
        EXPECT_EQ(ReadBack(zip), Plus(Expected(kOld), "d.txt", "appended"));
        if (d.stub.empty()) ExpectToolsAccept(zip);
    }
}

TEST(Commit, ItemsStoredAfterTheCutAreNotCutAway) {
    // The directory lists the items in another order than the file holds them: the first one
    // listed is stored last. Deleting the second one listed must keep the first.
    TempDir dir;
    using ziptest::GenEntry;
    const std::vector<GenEntry> entries = {{.name = "first.txt", .data = "stored first"},
                                           {.name = "second.txt", .data = "stored second"},
                                           {.name = "third.txt", .data = "stored third"}};
    ziptest::GenOptions o;
    o.directoryOrder = {2, 0, 1};
    ziptest::WriteBytes(dir / "a.zip", ziptest::BuildZip(entries, o));
    Change(dir / "a.zip", [&](TZipArchiver& a) {
        a.MarkFilesToProcess(u"first.txt", kSearchEveryItem, u"");
        a.ProcessFiles(TZAProcessOperation::poDelete);
        EXPECT_TRUE(a.BatchSucceeded());
    });
    EXPECT_EQ(ReadBack(dir / "a.zip"),
              (std::map<std::string, std::string>{{"second.txt", "stored second"}, {"third.txt", "stored third"}}));
    ExpectToolsAccept(dir / "a.zip");
}

TEST(Commit, ItemsOfTheSameNameKeepTheirOwnData) {
    // An archive may hold one name twice; each kept item is copied from its own stored bytes.
    TempDir dir;
    ziptest::WriteBytes(dir / "a.zip", ziptest::BuildZip({{.name = "same.txt", .data = "stored first"},
                                                          {.name = "same.txt", .data = "stored second"},
                                                          {.name = "last.txt", .data = "last"}}));
    Change(dir / "a.zip", [&](TZipArchiver& a) {
        ArchiveChanges::Rename(a, 1, u"other.txt");
        a.MarkFilesToProcess(u"last.txt", kSearchEveryItem, u"");
        a.ProcessFiles(TZAProcessOperation::poDelete);
    });
    EXPECT_EQ(ReadBack(dir / "a.zip"),
              (std::map<std::string, std::string>{{"same.txt", "stored first"}, {"other.txt", "stored second"}}));
    ExpectToolsAccept(dir / "a.zip");
}

TEST(Commit, RenameReadsBackUnderTheNewNameWithTheSameData) {
    TempDir dir;
    const fs::path zip = dir / "a.zip";
    // Written by us, so each item carries a Unicode name field that names it.
    WriteNew(zip, dir / "src", kOld);
    Change(zip, [&](TZipArchiver& a) {
        ArchiveChanges::Rename(a, 0, u"Переименован.txt");
    });
    auto want = Expected(kOld);
    want.erase("a.txt");
    want["Переименован.txt"] = "first item";
    EXPECT_EQ(ReadBack(zip), want);
    ExpectToolsAccept(zip);
    if (HaveTool("unzip")) {
        // Other tools see the new 8-bit name in the local header too.
        TempDir out;
        EXPECT_EQ(testsupport::RunTool({"unzip", "-qq", zip.string(), "-d", out.path().string()}, out.path()), 0);
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 3);
    }
}

TEST(Commit, DeleteAndUpdateBatchesAreWritten) {
    if (!HaveTool("zip")) return;
    TempDir dir;
    const fs::path zip = MakeForeign(dir);
    WriteFile(dir / "old/c.bin", "updated contents");
    Change(zip, [&](TZipArchiver& a) {
        a.BaseDir = WinName(dir / "old");
        a.MarkFilesToProcess(u"a.txt", kSearchEveryItem, u"");
        a.ProcessFiles(TZAProcessOperation::poDelete);
        EXPECT_TRUE(a.BatchSucceeded());
        a.MarkFilesToProcess(u"c.bin", kSearchEveryItem, u"");
        a.ProcessFiles(TZAProcessOperation::poUpdate);
        EXPECT_TRUE(a.BatchSucceeded());
    });
    auto want = Expected(kOld);
    want.erase("a.txt");
    want["c.bin"] = "updated contents";
    EXPECT_EQ(ReadBack(zip), want);
    ExpectToolsAccept(zip);
}

TEST(Commit, ChangesDroppedWithTheUpdateLevelLeaveTheDirectoryAsTheFileHasIt) {
    TempDir dir;
    const fs::path zip = dir / "a.zip";
    WriteNew(zip, dir / "src", kOld);
    const std::string before = ReadFile(zip);
    TZipArchiver a;
    a.FileName = WinName(zip);
    a.OpenArchive();
    ArchiveChanges::Begin(a);
    a.MarkFilesToProcess(u"a.txt", kSearchEveryItem, u"");
    a.ProcessFiles(TZAProcessOperation::poDelete);
    TZAArchiveItem f;
    EXPECT_FALSE(a.FindFirst(u"a.txt", f, u"", kSearchEveryItem));
    a.ResetUpdateLevel();
    EXPECT_TRUE(a.FindFirst(u"a.txt", f, u"", kSearchEveryItem));
    a.CloseArchive();
    EXPECT_EQ(ReadFile(zip), before);
}

TEST(Commit, AFailedAddIsLeftOutAndTheRestIsWritten) {
    TempDir dir;
    const fs::path zip = dir / "a.zip";
    WriteNew(zip, dir / "src", kOld);
    WriteFile(dir / "new/good.txt", "good");
    WriteFile(dir / "new/gone.txt", "gone");
    WriteFile(dir / "new/late.txt", "late");
    std::vector<int32_t> codes;
    int retries = 0;
    Change(zip, [&](TZipArchiver& a) {
        a.BaseDir = WinName(dir / "new");
        a.OnProcessFileFailure = [&](TZABaseArchiver&, const std::u16string& name, TZAProcessOperation, int32_t code,
                                     int32_t, const std::u16string&, TZAAction& action) {
            codes.push_back(code);
            // late.txt comes back for the retry; gone.txt stays gone and is ignored.
            if (name.ends_with(u"late.txt") && retries++ == 0) {
                WriteFile(dir / "new/late.txt", "late");
                action = TZAAction::fxaRetry;
            } else {
                action = TZAAction::fxaIgnore;
            }
        };
        for (const char* f : {"gone.txt", "good.txt", "late.txt"}) ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new" / f)), 0);
        fs::remove(dir / "new/gone.txt");
        fs::remove(dir / "new/late.txt");
    });
    EXPECT_EQ(codes, (std::vector<int32_t>{ZAError::CannotOpenSourceFile, ZAError::CannotOpenSourceFile}));
    EXPECT_EQ(ReadBack(zip), Plus(Plus(Expected(kOld), "good.txt", "good"), "late.txt", "late"));
    ExpectToolsAccept(zip);
}

// Ways a commit is stopped before the archive is complete; each must leave the file as it was.
struct Stop {
    const char* name;
    std::function<void(TZipArchiver&)> arm;
    bool raises;
};

TEST(Commit, ACancelAnAbortOrAFailureRestoresTheFileByteForByte) {
    // A cancel, or an exception, from the overall progress event in the given phase.
    const auto overall = [](TZAProgressPhase at, bool raise) {
        return [=](TZipArchiver& a) {
            a.OnOverallProgress = [=](TZABaseArchiver&, double, TZAProcessOperation, TZAProgressPhase phase, bool& cancel) {
                if (phase != at) return;
                if (raise) throw std::runtime_error("handler failed");
                cancel = true;
            };
        };
    };
    const std::vector<Stop> stops = {
        {"cancel before anything is written", overall(TZAProgressPhase::ppStart, false), false},
        {"an exception before anything is written", overall(TZAProgressPhase::ppStart, true), true},
        {"an exception while a file is written", overall(TZAProgressPhase::ppProcess, true), true},
        {"cancel in the first file's progress",
         [](TZipArchiver& a) {
             a.OnFileProgress = [](TZABaseArchiver&, const std::u16string&, double, TZAProcessOperation,
                                   TZAProgressPhase, bool& cancel) { cancel = true; };
         },
         false},
        {"cancel in the middle of a large file",
         [](TZipArchiver& a) {
             a.OnFileProgress = [](TZABaseArchiver&, const std::u16string& name, double progress, TZAProcessOperation,
                                   TZAProgressPhase phase, bool& cancel) {
                 cancel = phase == TZAProgressPhase::ppProcess && progress > 0 && name.ends_with(u"big.txt");
             };
         },
         false},
        {"abort on a failure",
         [](TZipArchiver& a) {
             a.OnProcessFileFailure = [](TZABaseArchiver&, const std::u16string&, TZAProcessOperation, int32_t,
                                         int32_t, const std::u16string&, TZAAction& action) {
                 action = TZAAction::fxaAbort;
             };
         },
         false},
    };
    for (const bool rename : {false, true}) {
        for (const Stop& stop : stops) {
            SCOPED_TRACE(std::string(stop.name) + (rename ? ", with the first item renamed" : ", appending"));
            TempDir dir;
            const fs::path zip = dir / "a.zip";
            WriteNew(zip, dir / "src", kOld);
            const std::string before = ReadFile(zip);
            WriteFile(dir / "new/big.txt", zipfixtures::MakeText(3 << 20, 4));
            TZipArchiver a;
            a.FileName = WinName(zip);
            a.BaseDir = WinName(dir / "new");
            a.OpenArchive();
            ArchiveChanges::Begin(a);
            if (rename) ArchiveChanges::Rename(a, 0, u"renamed.txt");
            ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/big.txt")), 0);
            ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/missing.txt")), 0);
            stop.arm(a);
            if (stop.raises) EXPECT_THROW(ArchiveChanges::Commit(a), std::runtime_error);
            else ArchiveChanges::Commit(a);
            EXPECT_EQ(ReadFile(zip), before);
            EXPECT_FALSE(a.InUpdate());
            // The directory in memory is the file's again.
            TZAArchiveItem f;
            EXPECT_TRUE(a.FindFirst(u"a.txt", f, u"", kSearchEveryItem));
            EXPECT_FALSE(a.FindFirst(u"big.txt", f, u"", kSearchEveryItem));
            a.CloseArchive();
            EXPECT_EQ(ReadFile(zip), before);
            // Nothing is left beside the archive.
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
        }
    }
}

TEST(Commit, ACancelAfterTheArchiveIsCompleteKeepsItAndTheMovedSourceIsGone) {
    TempDir dir;
    const fs::path zip = dir / "a.zip";
    WriteNew(zip, dir / "src", kOld);
    WriteFile(dir / "new/moved.txt", "moved");
    Change(zip, [&](TZipArchiver& a) {
        a.BaseDir = WinName(dir / "new");
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/moved.txt"), TZAProcessOperation::poMove), 0);
        // A move whose source can't be stored (its name is too long) leaves the source alone.
        WriteFile(dir / "new" / LongName(), "too long");
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new" / LongName()), TZAProcessOperation::poMove), 0);
        a.OnProcessFileFailure = [](TZABaseArchiver&, const std::u16string&, TZAProcessOperation, int32_t code, int32_t,
                                    const std::u16string&, TZAAction& action) {
            EXPECT_EQ(code, ZAError::FileNameTooLong);
            action = TZAAction::fxaIgnore;
        };
        a.OnOverallProgress = [](TZABaseArchiver&, double, TZAProcessOperation, TZAProgressPhase phase, bool& cancel) {
            cancel = phase == TZAProgressPhase::ppEnd;
        };
    });
    EXPECT_FALSE(fs::exists(dir / "new/moved.txt"));
    EXPECT_TRUE(fs::exists(dir / "new" / LongName()));
    EXPECT_EQ(ReadBack(zip), Plus(Expected(kOld), "moved.txt", "moved"));
}

TEST(Commit, AnArchiveThatCannotTakeTheChangesRefusesThem) {
    // Every read mode refuses, whatever its sharing bits say; a commit raises, and CloseArchive,
    // which never raises, tells what it could not write.
    for (const uint16_t mode : {TZABaseArchiver::kModeReadOnly, uint16_t(fmOpenRead),
                                uint16_t(fmOpenRead | fmShareDenyWrite), uint16_t(fmOpenRead | fmShareExclusive)})
        for (const bool commit : {true, false}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << (commit ? ", commit" : ", close"));
            TempDir dir;
            const fs::path zip = dir / "a.zip";
            WriteNew(zip, dir / "src", kOld);
            const std::string before = ReadFile(zip);
            WriteFile(dir / "new/d.txt", "d");
            TZipArchiver a;
            a.FileName = WinName(zip);
            a.OpenArchive(mode);
            ArchiveChanges::Begin(a);
            ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/d.txt")), 0);
            if (commit) {
                try {
                    ArchiveChanges::Commit(a);
                    ADD_FAILURE() << "a read-only archive took changes";
                } catch (const EZAException& e) {
                    EXPECT_EQ(e.NativeError(), ZAError::ReadOnlyMode32);
                }
                TZAArchiveItem f;
                EXPECT_FALSE(a.FindFirst(u"d.txt", f, u"", kSearchEveryItem));
            }
            a.CloseArchive();
            if (!commit) {
                EXPECT_NE(a.LastError.find("read-only"), std::string::npos) << a.LastError;
            }
            EXPECT_EQ(ReadFile(zip), before);
        }
}

TEST(Commit, NamesOfAnotherToolsArchiveStayAsTheyWere) {
    // 7-Zip stores Cyrillic names as UTF-8 with the flag set; the rewritten directory must too.
    if (!HaveTool("7z")) return;
    TempDir dir;
    MakeFiles(dir / "old", {{"Папка/Книга.txt", "книга"}, {"plain.txt", "plain"}});
    const fs::path zip = dir / "a.zip";
    testsupport::MakeZip(dir / "old", zip);
    WriteFile(dir / "new/Новый.txt", "новый");
    Change(zip, [&](TZipArchiver& a) {
        a.BaseDir = WinName(dir / "new");
        a.MarkFilesToProcess(u"plain.txt", kSearchEveryItem, u"");
        a.ProcessFiles(TZAProcessOperation::poDelete);
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/Новый.txt")), 0);
    });
    EXPECT_EQ(ReadBack(zip), (std::map<std::string, std::string>{
                                 {"Папка/", ""}, {"Папка/Книга.txt", "книга"}, {"Новый.txt", "новый"}}));
    TempDir out;
    ASSERT_EQ(testsupport::RunTool({"7z", "x", "-o" + out.path().string(), zip.string()}, out.path()), 0);
    EXPECT_EQ(ReadFile(out / "Папка/Книга.txt"), "книга");
}

TEST(Commit, AnArchiveReachedThroughALinkIsChangedWhereItIs) {
    TempDir dir;
    const fs::path zip = dir / "real.zip";
    WriteNew(zip, dir / "src", kOld);
    fs::create_symlink(zip, dir / "link.zip");
    WriteFile(dir / "new/d.txt", "d");
    Change(dir / "link.zip", [&](TZipArchiver& a) {
        a.BaseDir = WinName(dir / "new");
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/d.txt")), 0);
    });
    EXPECT_TRUE(fs::is_symlink(dir / "link.zip"));
    EXPECT_EQ(ReadBack(zip), Plus(Expected(kOld), "d.txt", "d"));
}

TEST(Commit, AnArchiveInMemoryIsWrittenToItsFile) {
    TempDir dir;
    MakeFiles(dir / "src", kOld);
    TZipArchiver a;
    a.FileName = WinName(dir / "mem.zip");
    a.BaseDir = WinName(dir / "src");
    a.SetInMemory(true);
    a.OpenArchive();
    ArchiveChanges::Begin(a);
    for (const auto& [rel, data] : kOld) ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "src" / rel)), 0);
    a.SetInMemory(false);
    a.CloseArchive();
    EXPECT_EQ(ReadBack(dir / "mem.zip"), Expected(kOld));
    ExpectToolsAccept(dir / "mem.zip");
}

// The archive's folder takes no new file while the files in it stay writable, so a commit can't
// make its replacement beside the archive and rebuilds the archive in place. Root creates files
// anywhere: under root, for the scope, files are checked as another user, who is given everything
// below `top` (the file system's user is the calling thread's, and that thread commits).
class FolderWithoutNewFiles {
public:
    FolderWithoutNewFiles(const fs::path& top, const fs::path& folder) : folder_(folder) {
        if (::geteuid() == 0) {
            EXPECT_EQ(::chown(top.c_str(), kUser, kUser), 0);
            for (const auto& e : fs::recursive_directory_iterator(top)) EXPECT_EQ(::lchown(e.path().c_str(), kUser, kUser), 0);
            ::setfsgid(kUser);
            ::setfsuid(kUser);
            switched_ = true;
        }
        EXPECT_EQ(::chmod(folder.c_str(), 0555), 0);
    }
    ~FolderWithoutNewFiles() {
        ::chmod(folder_.c_str(), 0755);
        if (switched_) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    FolderWithoutNewFiles(const FolderWithoutNewFiles&) = delete;
    FolderWithoutNewFiles& operator=(const FolderWithoutNewFiles&) = delete;

    // Whether the folder really refuses a new file; without that a test proves nothing.
    bool Holds() const {
        const fs::path probe = folder_ / "probe";
        const int fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0) return errno == EACCES;
        ::close(fd);
        ::unlink(probe.c_str());
        return false;
    }

private:
    static constexpr uid_t kUser = 65534;
    fs::path folder_;
    bool switched_ = false;
};

// The files of a folder, the archive's or the one for temporary files.
size_t FileCount(const fs::path& folder) { return FolderFiles(folder).size(); }

TEST(Commit, AnArchiveWhoseFolderTakesNoNewFileIsRebuiltInPlace) {
    TempDir dir;
    const fs::path zip = dir / "archive/a.zip";
    fs::create_directories(zip.parent_path());
    WriteNew(zip, dir / "src", kOld);
    WriteFile(dir / "new/d.txt", "appended");
    fs::create_directories(dir / "tmp");
    {
        FolderWithoutNewFiles locked(dir.path(), dir / "archive");
        ASSERT_TRUE(locked.Holds());
        size_t tails = 0;
        Change(zip, [&](TZipArchiver& a) {
            a.BaseDir = WinName(dir / "new");
            a.TempDir = WinName(dir / "tmp");
            a.OnFileProgress = [&](TZABaseArchiver&, const std::u16string&, double, TZAProcessOperation,
                                   TZAProgressPhase, bool&) { tails = std::max(tails, FileCount(dir / "tmp")); };
            ArchiveChanges::Rename(a, 0, u"renamed.txt");
            ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/d.txt")), 0);
        });
        // The tail was kept in a temporary file, and only while the commit ran.
        EXPECT_EQ(tails, 1u);
    }
    EXPECT_EQ(FileCount(dir / "tmp"), 0u);
    EXPECT_EQ(FileCount(dir / "archive"), 1u);
    auto want = Plus(Expected(kOld), "d.txt", "appended");
    want.erase("a.txt");
    want["renamed.txt"] = "first item";
    EXPECT_EQ(ReadBack(zip), want);
    ExpectToolsAccept(zip);
}

TEST(Commit, RebuiltInPlaceARolledBackArchiveGetsItsTailBackOrTheErrorNamesTheFileThatKeepsIt) {
    struct InPlaceStop {
        const char* name;
        // Arms the archiver; its handler calls `stopping` just before it stops the commit.
        std::function<void(TZipArchiver&, std::function<void()> stopping)> arm;
        bool raises;
    };
    const std::vector<InPlaceStop> stops = {
        {"cancel in the first file's progress",
         [](TZipArchiver& a, std::function<void()> stopping) {
             a.OnFileProgress = [=](TZABaseArchiver&, const std::u16string&, double, TZAProcessOperation,
                                    TZAProgressPhase, bool& cancel) {
                 stopping();
                 cancel = true;
             };
         },
         false},
        {"an exception while a file is written",
         [](TZipArchiver& a, std::function<void()> stopping) {
             a.OnOverallProgress = [=](TZABaseArchiver&, double, TZAProcessOperation, TZAProgressPhase phase, bool&) {
                 if (phase != TZAProgressPhase::ppProcess) return;
                 stopping();
                 throw std::runtime_error("handler failed");
             };
         },
         true},
        {"abort on a failure after a large file is written",
         [](TZipArchiver& a, std::function<void()> stopping) {
             a.OnProcessFileFailure = [=](TZABaseArchiver&, const std::u16string&, TZAProcessOperation, int32_t,
                                          int32_t, const std::u16string&, TZAAction& action) {
                 stopping();
                 action = TZAAction::fxaAbort;
             };
         },
         false},
    };
    for (const bool tailFails : {false, true}) {
        for (const bool rename : {false, true}) {
            for (const InPlaceStop& stop : stops) {
                SCOPED_TRACE(std::string(stop.name) + (rename ? ", first item renamed" : ", appending") +
                             (tailFails ? ", the tail can't go back" : ""));
                TempDir dir;
                const fs::path zip = dir / "archive/a.zip";
                fs::create_directories(zip.parent_path());
    fs::create_directories(zip.parent_path());
                WriteNew(zip, dir / "src", kOld);
                const std::string before = ReadFile(zip);
                // Where the rewrite starts: the first item when it is renamed, else the old directory.
                const size_t cut = rename ? 0 : before.find("PK\x01\x02");
                WriteFile(dir / "new/big.txt", zipfixtures::MakeText(3 << 20, 4));
                fs::create_directories(dir / "tmp");
                std::optional<FileSizeLimit> full;
                {
                    FolderWithoutNewFiles locked(dir.path(), dir / "archive");
                    ASSERT_TRUE(locked.Holds());
                    TZipArchiver a;
                    a.FileName = WinName(zip);
                    a.BaseDir = WinName(dir / "new");
                    a.TempDir = WinName(dir / "tmp");
                    a.OpenArchive();
                    ArchiveChanges::Begin(a);
                    if (rename) ArchiveChanges::Rename(a, 0, u"renamed.txt");
                    ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/big.txt")), 0);
                    ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/missing.txt")), 0);
                    stop.arm(a, [&] {
                        // In place: the tail is in the temporary folder, no replacement beside the archive.
                        EXPECT_EQ(FileCount(dir / "tmp"), 1u);
                        EXPECT_EQ(FileCount(dir / "archive"), 1u);
                        // From here on no file grows past the cut: the tail can't be written back.
                        if (tailFails) full.emplace(cut);
                    });
                    std::string error;
                    try {
                        ArchiveChanges::Commit(a);
                    } catch (const std::exception& e) {
                        error = e.what();
                    }
                    full.reset();
                    EXPECT_FALSE(a.InUpdate());
                    TZAArchiveItem f;
                    EXPECT_TRUE(a.FindFirst(u"a.txt", f, u"", kSearchEveryItem));
                    EXPECT_FALSE(a.FindFirst(u"big.txt", f, u"", kSearchEveryItem));
                    a.CloseArchive();
                    if (!tailFails) {
                        EXPECT_EQ(error, stop.raises ? "handler failed" : "");
                        EXPECT_EQ(ReadFile(zip), before);
                        EXPECT_EQ(FileCount(dir / "tmp"), 0u);
                    } else {
                        // The temporary file stays with the only copy of the tail; the error names it
                        // and the offset it goes back to.
                        const auto kept = FolderFiles(dir / "tmp");
                        ASSERT_EQ(kept.size(), 1u);
                        const std::string name = kept.begin()->first;
                        EXPECT_NE(error.find(name), std::string::npos) << error;
                        EXPECT_NE(error.find("offset " + std::to_string(cut) + " "), std::string::npos) << error;
                        EXPECT_EQ(ReadFile(zip).substr(0, cut) + ReadFile(dir / "tmp" / name), before);
                    }
                    EXPECT_EQ(FileCount(dir / "archive"), 1u);
                }
            }
        }
    }
}

// Volumes of 64 KiB, items stored.
void Split(TZipArchiver& a) {
    a.SetSpanningMode(TZASpanningMode::smSplitting);
    a.SpanningOptions.VolumeSize = TZAVolumeSize::vsCustom;
    a.SpanningOptions.SetCustomVolumeSize(65536);
    a.SetCompressionMode(0);
}

const Files kSplit = {{"one.bin", zipfixtures::MakeRandom(150000, 1)}, {"two.txt", "two"}};

TEST(Commit, ASplitArchiveRefusesACommitItCannotTakeBeforeAnythingIsTouched) {
    struct Refusal {
        const char* name;
        int32_t code;
        // Opens the archiver on a split archive of kSplit in dir, ready for a second change.
        std::function<void(TZipArchiver&, const TempDir&)> open;
    };
    const std::vector<Refusal> refusals = {
        {"an existing split archive", ZAError::MultiSpannedModification52,
         [](TZipArchiver& a, const TempDir& dir) {
             WriteNew(dir / "x.zip", dir / "src", kSplit, Split);
             a.FileName = WinName(dir / "x.zip");
             a.OpenArchive();
         }},
        {"a second commit of a new split archive", ZAError::MultipleTransactions62,
         [](TZipArchiver& a, const TempDir& dir) {
             MakeFiles(dir / "src", kSplit);
             a.FileName = WinName(dir / "x.zip");
             a.BaseDir = WinName(dir / "src");
             Split(a);
             a.OpenArchive();
             ArchiveChanges::Begin(a);
             for (const auto& [rel, data] : kSplit) ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "src" / rel)), 0);
             ArchiveChanges::Commit(a);
             EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
         }},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        TempDir dir;
        TZipArchiver a;
        r.open(a, dir);
        ASSERT_TRUE(a.IsOpen());
        const auto volumes = FolderFiles(dir.path());
        ASSERT_GT(volumes.size(), 2u);
        WriteFile(dir / "new/three.txt", "three");
        a.BaseDir = WinName(dir / "new");
        bool events = false;
        a.OnOverallProgress = [&](TZABaseArchiver&, double, TZAProcessOperation, TZAProgressPhase, bool&) { events = true; };
        ArchiveChanges::Begin(a);
        ArchiveChanges::Rename(a, 1, u"renamed.txt");
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/three.txt")), 0);
        try {
            ArchiveChanges::Commit(a);
            ADD_FAILURE() << "the split archive took the changes";
        } catch (const EZAException& e) {
            EXPECT_EQ(e.NativeError(), r.code);
        }
        EXPECT_FALSE(events);
        EXPECT_EQ(FolderFiles(dir.path()), volumes);
        TZAArchiveItem f;
        EXPECT_TRUE(a.FindFirst(u"two.txt", f, u"", kSearchEveryItem));
        EXPECT_FALSE(a.FindFirst(u"renamed.txt", f, u"", kSearchEveryItem));
        EXPECT_FALSE(a.FindFirst(u"three.txt", f, u"", kSearchEveryItem));
        a.CloseArchive();
        EXPECT_EQ(a.LastError, "");
        EXPECT_EQ(FolderFiles(dir.path()), volumes);
        EXPECT_EQ(ReadBack(dir / "x.zip"), Expected(kSplit));
    }
}

TEST(Commit, AFolderFlushThatFailsAfterTheRenameLeavesTheNewArchiveOpenAndReportedAsWritten) {
    TempDir dir;
    const fs::path zip = dir / "archive/a.zip";
    fs::create_directories(zip.parent_path());
    WriteNew(zip, dir / "src", kOld);
    WriteFile(dir / "new/d.txt", "appended");
    TZipArchiver a;
    a.FileName = WinName(zip);
    a.BaseDir = WinName(dir / "new");
    ASSERT_TRUE(a.Options.FlushBuffers);
    a.OpenArchive();
    ArchiveChanges::Begin(a);
    ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/d.txt")), 0);
    failFolderFlush = true;
    EXPECT_NO_THROW(ArchiveChanges::Commit(a));
    failFolderFlush = false;
    EXPECT_TRUE(a.BatchSucceeded());
    EXPECT_NE(a.LastError.find("could not be flushed"), std::string::npos) << a.LastError;
    // The archiver reads the archive that now has the name.
    TZAArchiveItem f;
    ASSERT_TRUE(a.FindFirst(u"d.txt", f, u"", kSearchEveryItem));
    TMemoryStream data;
    a.ExtractItemToStream(f.InternalSearchRec.Index, data);
    EXPECT_EQ(std::string(data.Bytes().begin(), data.Bytes().end()), "appended");
    a.CloseArchive();
    EXPECT_EQ(FileCount(dir / "archive"), 1u);
    EXPECT_EQ(ReadBack(zip), Plus(Expected(kOld), "d.txt", "appended"));

    // An archive named without a folder has its folder flushed as well, and nothing is noted.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir / "archive");
    TZipArchiver b;
    b.FileName = u"a.zip";
    b.BaseDir = WinName(dir / "new");
    b.OpenArchive();
    ArchiveChanges::Begin(b);
    WriteFile(dir / "new/e.txt", "second");
    ASSERT_GE(ArchiveChanges::Add(b, WinName(dir / "new/e.txt")), 0);
    ArchiveChanges::Commit(b);
    b.CloseArchive();
    fs::current_path(cwd);
    EXPECT_EQ(b.LastError, "");
    EXPECT_EQ(ReadBack(zip), Plus(Plus(Expected(kOld), "d.txt", "appended"), "e.txt", "second"));
}

}  // namespace

// Guards what extraction writes: nothing outside the extraction folder (hostile names, links
// on the way), an installed file replaced only by an item that checked out, links never
// created or written through, Unix permissions without set-ID bits, the disk-full retry, and
// a write the system refuses for another reason told as that, not as a full disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "ZipFixtures.h"
#include "engine/ItemDataReader.h"
#include "output/ExtractionFolder.h"
#include "output/ItemFileMode.h"
#include "output/ItemOutput.h"
#include "output/ItemPathGuard.h"
#include "output/SafeOutputFile.h"
#include "output/WriteBufferWithRetry.h"
#include "platform/Unicode.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace zipfixtures;
using ziplib::ItemPathProblem;

std::u16string U16(std::string_view s) { return platform::Utf8ToUtf16(s); }

std::u16string WinForm(const fs::path& p) {
    std::u16string s = U16(p.string());
    for (auto& c : s)
        if (c == u'/') c = u'\\';
    return s;
}

TEST(GuardItemPath, RefusesNamesThatLeaveTheBase) {
    struct Case {
        const char* name;
        const char16_t* stored;
        ItemPathProblem problem;
        const char16_t* target;  // when refused: none
    };
    const Case cases[] = {
        {"folder and file", u"docs/readme.txt", ItemPathProblem::None, u"B\\docs\\readme.txt"},
        {"backslashes", u"docs\\readme.txt", ItemPathProblem::None, u"B\\docs\\readme.txt"},
        {"dot first", u"./x", ItemPathProblem::None, u"B\\x"},
        {"dots and doubled separators", u"a/./b//c", ItemPathProblem::None, u"B\\a\\b\\c"},
        {"down and up again", u"a/../b", ItemPathProblem::None, u"B\\b"},
        {"three dots is a name", u"...", ItemPathProblem::None, u"B\\..."},
        {"colon inside a name", u"notes:2021.txt", ItemPathProblem::None, u"B\\notes:2021.txt"},
        {"one letter and a colon is a drive", u"a:b.txt", ItemPathProblem::Drive, nullptr},
        {"drive-like part further down", u"dir/C:x", ItemPathProblem::None, u"B\\dir\\C:x"},
        {"digit and colon", u"1:x", ItemPathProblem::None, u"B\\1:x"},
        {"folder item", u"dir/", ItemPathProblem::None, u"B\\dir"},
        {"Cyrillic", u"Книги/Повесть.txt", ItemPathProblem::None, u"B\\Книги\\Повесть.txt"},
        {"parent", u"../x", ItemPathProblem::LeavesBase, nullptr},
        {"parent, backslash", u"..\\x", ItemPathProblem::LeavesBase, nullptr},
        {"climbs past the start", u"a/../../x", ItemPathProblem::LeavesBase, nullptr},
        {"climbs past the start, backslash", u"a\\..\\..\\x", ItemPathProblem::LeavesBase, nullptr},
        {"Cyrillic, climbing", u"Книги/../../x", ItemPathProblem::LeavesBase, nullptr},
        {"only parent", u"..", ItemPathProblem::LeavesBase, nullptr},
        {"absolute", u"/etc/passwd", ItemPathProblem::Absolute, nullptr},
        {"absolute, backslash", u"\\x", ItemPathProblem::Absolute, nullptr},
        {"drive-relative", u"C:x", ItemPathProblem::Drive, nullptr},
        {"drive root", u"C:\\x", ItemPathProblem::Drive, nullptr},
        {"drive, slash, lower case", u"c:/x", ItemPathProblem::Drive, nullptr},
        {"UNC", u"\\\\server\\share\\x", ItemPathProblem::Network, nullptr},
        {"UNC with slashes", u"//server/x", ItemPathProblem::Network, nullptr},
        {"device path", u"\\\\?\\C:\\x", ItemPathProblem::Network, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ziplib::ItemPath p = ziplib::GuardItemPath(u"B\\", c.stored);
        EXPECT_EQ(p.problem, c.problem);
        if (c.target) {
            EXPECT_EQ(platform::Utf16ToUtf8(p.target), platform::Utf16ToUtf8(c.target));
            EXPECT_TRUE(p.Message().empty());
        } else {
            EXPECT_NE(p.Message().find(platform::Utf16ToUtf8(c.stored)), std::string::npos) << p.Message();
        }
    }
    EXPECT_EQ(ziplib::GuardItemPath(u"B", u"x").target, u"B\\x") << "a base without its trailing separator";
    EXPECT_EQ(ziplib::GuardItemPath(u"B\\", std::u16string(u"x\0y", 3)).problem, ItemPathProblem::BadCharacter);
    EXPECT_TRUE(ziplib::GuardItemPath(u"B\\", u"a/..").parts.empty()) << "names the base itself";
    EXPECT_EQ(ziplib::GuardItemPath(u"B\\", u"../x").Message(),
              "Item name \"../x\" leads out of the extraction folder; it is not extracted");
}

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> v;
    for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
    std::sort(v.begin(), v.end());
    return v;
}

mode_t ModeOf(const fs::path& p) {
    struct stat st;
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode;
}

// Writes `content` to the item path `stored` under `base` as extraction does and commits it.
void Extract(ziplib::ExtractionFolder& folder, std::u16string_view stored, std::string_view content,
             const ziplib::OutputFileInfo& info = {}) {
    const ziplib::ItemPath p = ziplib::GuardItemPath(folder.BaseDir(), stored);
    ASSERT_TRUE(p.ok()) << p.Message();
    folder.MakeFolders(std::span(p.parts).first(p.parts.size() - 1));
    auto f = folder.CreateFile(p);
    f->WriteBuffer(content.data(), static_cast<std::int64_t>(content.size()));
    f->Commit(info);
}

TEST(ExtractionFolder, WritesUnderTheBaseMatchingNamesWithoutCase) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "base/Книги/Old.txt", "old");
    ziplib::ExtractionFolder folder(WinForm(dir / "base"));
    Extract(folder, u"книги/old.TXT", "new");
    Extract(folder, u"книги/Повесть/часть 1.txt", "story");
    Extract(folder, u"a/b/c/d.txt", "deep");
    EXPECT_EQ(Entries(dir / "base"), (std::vector<std::string>{"a", "Книги"})) << "no second folder by case";
    EXPECT_EQ(Entries(dir / "base/Книги"), (std::vector<std::string>{"Old.txt", "Повесть"}));
    EXPECT_EQ(testsupport::ReadFile(dir / "base/Книги/Old.txt"), "new");
    EXPECT_EQ(testsupport::ReadFile(dir / "base/Книги/Повесть/часть 1.txt"), "story");
    EXPECT_EQ(testsupport::ReadFile(dir / "base/a/b/c/d.txt"), "deep");
    // A name the guard refused never reaches the disk.
    EXPECT_THROW(folder.CreateFile(ziplib::GuardItemPath(folder.BaseDir(), u"../escape.txt")), ziplib::EUnsafePath);
    EXPECT_FALSE(fs::exists(dir / "escape.txt"));
    EXPECT_THROW(folder.CreateFile(ziplib::GuardItemPath(folder.BaseDir(), u"a/b")), ziplib::EFCreateError)
        << "a folder is not replaced by a file";
}

// A bad item leaves the installed file as it was: decoded into the temporary file, refused by
// the CRC check, discarded.
TEST(ExtractionFolder, AnInstalledFileSurvivesABadItem) {
    testsupport::TempDir dir;
    const std::string installed = MakeRandom(100000, 5);
    testsupport::WriteFile(dir / "base/prog.bin", installed);
    const std::string text = MakeText(300000, 6);
    testsupport::WriteFile(dir / "src/prog.bin", text);
    ASSERT_EQ(RunShell(dir / "src", "zip -q -X ../update.zip prog.bin"), 0);
    Archive a = LoadArchive(dir / "update.zip");
    a.items[0].Header.crc32 ^= 0x10000;  // as if the data were damaged

    ziplib::ExtractionFolder folder(WinForm(dir / "base"));
    ziplib::ItemDataReader reader;
    auto out = folder.CreateFile(ziplib::GuardItemPath(folder.BaseDir(), u"prog.bin"));
    ziplib::StreamItemOutput sink(*out);
    ScriptedContext ctx;
    auto s = StreamAt(a.bytes, ziplib::ItemLocalHeaderOffset(a.items[0]));
    const auto r = reader.Extract(*s, sink, a.items[0], ctx);
    EXPECT_EQ(r.status, ziplib::ItemDataStatus::CrcMismatch);
    EXPECT_EQ(r.produced, text.size()) << "the whole item was decoded, beside the target";
    out->Discard();
    EXPECT_TRUE(testsupport::ReadFile(dir / "base/prog.bin") == installed);
    EXPECT_EQ(Entries(dir / "base"), std::vector<std::string>{"prog.bin"}) << "no temporary file left";

    // The same item with its real CRC replaces it.
    a.items[0].Header.crc32 ^= 0x10000;
    {
        auto good = folder.CreateFile(ziplib::GuardItemPath(folder.BaseDir(), u"prog.bin"));
        ziplib::StreamItemOutput goodSink(*good);
        auto s2 = StreamAt(a.bytes, ziplib::ItemLocalHeaderOffset(a.items[0]));
        ASSERT_TRUE(reader.Extract(*s2, goodSink, a.items[0], ctx).ok());
        good->Commit({});
    }
    EXPECT_TRUE(testsupport::ReadFile(dir / "base/prog.bin") == text);
    EXPECT_EQ(Entries(dir / "base"), std::vector<std::string>{"prog.bin"});

    // Dropped without a commit (an exception on the way): the same as a discard.
    { auto dropped = folder.CreateFile(ziplib::GuardItemPath(folder.BaseDir(), u"prog.bin")); }
    EXPECT_EQ(Entries(dir / "base"), std::vector<std::string>{"prog.bin"});
}

TEST(ExtractionFolder, LinksAreReplacedNeverFollowed) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "outside/secret.txt", "outside");
    fs::create_directories(dir / "base");
    fs::create_symlink(dir / "outside/secret.txt", dir / "base/link.txt");
    fs::create_directory_symlink(dir / "outside", dir / "base/linkdir");
    ziplib::ExtractionFolder folder(WinForm(dir / "base"));

    Extract(folder, u"link.txt", "replaced");
    EXPECT_TRUE(S_ISREG(ModeOf(dir / "base/link.txt"))) << "the link itself was replaced";
    EXPECT_EQ(testsupport::ReadFile(dir / "base/link.txt"), "replaced");
    EXPECT_EQ(testsupport::ReadFile(dir / "outside/secret.txt"), "outside");

    const std::vector<std::u16string> viaLink = {u"linkdir", u"sub"};
    EXPECT_THROW(folder.MakeFolders(viaLink), ziplib::EUnsafePath);
    EXPECT_THROW(folder.CreateFile(ziplib::GuardItemPath(folder.BaseDir(), u"LinkDir/secret.txt")), ziplib::EUnsafePath);
    EXPECT_EQ(Entries(dir / "outside"), std::vector<std::string>{"secret.txt"});
    EXPECT_EQ(testsupport::ReadFile(dir / "outside/secret.txt"), "outside");
}

// The overwrite rules look at the target the way it will be written: without case, not
// through links.
TEST(ExtractionFolder, FindsWhatATargetIsNow) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "base/Docs/Plain.txt", "x");
    testsupport::WriteFile(dir / "base/Docs/locked.txt", "x");
    ASSERT_EQ(::chmod((dir / "base/Docs/locked.txt").c_str(), 0444), 0);
    fs::create_symlink("/etc/passwd", dir / "base/Docs/link.txt");
    fs::create_directories(dir / "base/Docs/sub");
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
    std::tm tm{};
    tm.tm_year = 2020 - 1900;
    tm.tm_mon = 4;
    tm.tm_mday = 17;
    tm.tm_hour = 8;
    tm.tm_min = 30;
    tm.tm_sec = 10;
    tm.tm_isdst = -1;
    times[1].tv_sec = std::mktime(&tm);
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "base/Docs/Plain.txt").c_str(), times, 0), 0);
    ziplib::ExtractionFolder folder(WinForm(dir / "base"));
    const auto find = [&](std::u16string_view name) { return folder.Find(ziplib::GuardItemPath(folder.BaseDir(), name)); };
    const auto plain = find(u"docs/plain.TXT");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->attributes, ziplib::faArchive);
    EXPECT_EQ(plain->dosDateTime, static_cast<std::int32_t>((40u << 9 | 5u << 5 | 17u) << 16 | (8u << 11 | 30u << 5 | 5u)));
    EXPECT_EQ(find(u"Docs/locked.txt")->attributes, ziplib::faArchive | ziplib::faReadOnly);
    EXPECT_EQ(find(u"Docs/link.txt")->attributes, ziplib::faArchive) << "the link, not what it points at";
    EXPECT_EQ(find(u"Docs/sub")->attributes, ziplib::faDirectory);
    EXPECT_FALSE(find(u"Docs/new.txt"));
    EXPECT_FALSE(find(u"missing/new.txt"));
}

TEST(ItemFileMode, PermissionsWithoutSetIdBits) {
    struct Case {
        const char* name;
        std::uint16_t madeBy;
        std::uint32_t external;
        std::optional<std::uint32_t> permissions;
        bool symlink;
    };
    const Case cases[] = {
        {"Unix, set-user-ID program", 0x031E, 0104755u << 16, 0755, false},
        {"Unix, set-group-ID and sticky", 0x031E, 0103775u << 16, 0775, false},
        {"Unix, plain file", 0x0314, 0100644u << 16, 0644, false},
        {"Unix, bits without a type", 0x0314, 0755u << 16, 0755, false},
        {"Unix, symbolic link", 0x031E, 0120777u << 16, std::nullopt, true},
        {"Unix, folder", 0x031E, (040755u << 16) | 0x10, std::nullopt, false},
        {"Unix, no mode stored", 0x031E, 0x20, std::nullopt, false},
        {"made on Windows", 0x0B14, 0x20, std::nullopt, false},
        {"made on MS-DOS with high bits", 0x0014, 0100755u << 16, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ziplib::CentralHeader h;
        h.versionMadeBy = c.madeBy;
        h.externalAttributes = c.external;
        EXPECT_EQ(ziplib::ItemFilePermissions(h), c.permissions);
        EXPECT_EQ(ziplib::IsSymlinkItem(h), c.symlink);
    }
}

TEST(ExtractionFolder, ModesOfExtractedFiles) {
    testsupport::TempDir dir;
    const mode_t mask = ::umask(022);
    ::umask(mask);
    struct Case {
        const char* name;
        std::optional<mode_t> existing;
        ziplib::OutputFileInfo info;
        mode_t want;
    };
    const Case cases[] = {
        {"archive mode on a new file", std::nullopt, {std::nullopt, 0755, false}, 0755},
        {"archive mode over an existing file", 0600, {std::nullopt, 0644, false}, 0644},
        {"no archive mode: the program stays executable", 0755, {}, 0755},
        {"no archive mode: set-ID bits of the old file are dropped", 04755, {}, 0755},
        {"no archive mode, new file: the default", std::nullopt, {}, static_cast<mode_t>(0666 & ~mask)},
        {"read-only attribute", std::nullopt, {std::nullopt, 0755, true}, 0555},
    };
    ziplib::ExtractionFolder folder(WinForm(dir.path()));
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "f" + std::to_string(n++);
        if (c.existing) {
            testsupport::WriteFile(dir / name, "old");
            ASSERT_EQ(::chmod((dir / name).c_str(), *c.existing), 0);
        }
        Extract(folder, U16(name), "new", c.info);
        EXPECT_EQ(ModeOf(dir / name) & 07777, c.want);
        EXPECT_EQ(testsupport::ReadFile(dir / name), "new");
    }
    // The item's DOS date-time becomes the modification time (a local time).
    ziplib::OutputFileInfo dated;
    dated.dosDateTime = static_cast<std::int32_t>((((2021 - 1980) << 9 | 3 << 5 | 14) << 16) | (15 << 11 | 9 << 5 | 13));
    Extract(folder, u"dated", "x", dated);
    struct stat st;
    ASSERT_EQ(::stat((dir / "dated").c_str(), &st), 0);
    std::tm tm{};
    ::localtime_r(&st.st_mtime, &tm);
    EXPECT_EQ(tm.tm_year + 1900, 2021);
    EXPECT_EQ(tm.tm_mon + 1, 3);
    EXPECT_EQ(tm.tm_mday, 14);
    EXPECT_EQ(tm.tm_hour, 15);
    EXPECT_EQ(tm.tm_min, 9);
    EXPECT_EQ(tm.tm_sec, 26);
}

// From a real Unix archive: a set-user-ID program comes out without the bit, and a link entry
// comes out as a plain file holding the link's text.
TEST(ExtractionFolder, UnixArchiveWithSetIdProgramAndLink) {
    if (!HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "src/tool", "#!/bin/sh\necho tool\n");
    ASSERT_EQ(::chmod((dir / "src/tool").c_str(), 04755), 0);
    fs::create_symlink("/etc/passwd", dir / "src/link");
    ASSERT_EQ(RunShell(dir / "src", "zip -q -X -y ../unix.zip tool link"), 0);
    const Archive a = LoadArchive(dir / "unix.zip");
    const auto& tool = a.Item(u"tool");
    const auto& link = a.Item(u"link");
    ASSERT_TRUE(ziplib::ItemUnixMode(tool.Header) && (*ziplib::ItemUnixMode(tool.Header) & 04000)) << "zip kept the bit";
    EXPECT_EQ(ziplib::ItemFilePermissions(tool.Header), 0755u);
    ASSERT_TRUE(ziplib::IsSymlinkItem(link.Header));

    // Through the archiver's own steps, as the programs extract.
    ziplib::TZipArchiver zip;
    zip.FileName = WinForm(dir / "unix.zip");
    zip.OpenArchive();
    zip.BaseDir = WinForm(dir / "out");
    zip.ExtractFiles(u"*.*", ziplib::kSearchEveryItem, u"");
    zip.CloseArchive();
    EXPECT_TRUE(zip.BatchSucceeded());
    EXPECT_EQ(ModeOf(dir / "out/tool") & 07777, 0755u);
    EXPECT_TRUE(S_ISREG(ModeOf(dir / "out/link")));
    EXPECT_EQ(testsupport::ReadFile(dir / "out/link"), "/etc/passwd");
}

// A program that is running is replaced by a rename: the new file takes the name while the
// running one keeps its old image (writing into it would fail with "text file busy").
TEST(ExtractionFolder, ReplacesARunningProgram) {
    testsupport::TempDir dir;
    fs::copy_file("/bin/sleep", dir / "prog");
    ASSERT_EQ(::chmod((dir / "prog").c_str(), 0755), 0);
    const std::string prog = (dir / "prog").string();
    char* argv[] = {const_cast<char*>(prog.c_str()), const_cast<char*>("30"), nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, prog.c_str(), nullptr, nullptr, argv, environ), 0);
    ziplib::ExtractionFolder folder(WinForm(dir.path()));
    EXPECT_NO_THROW(Extract(folder, u"prog", "#!/bin/sh\necho new\n"));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(testsupport::ReadFile(dir / "prog"), "#!/bin/sh\necho new\n");
    EXPECT_EQ(ModeOf(dir / "prog") & 0777, 0755u) << "still executable";
}

// A stream whose next writes take only part of the block, and say why as a file does.
class FullDiskStream : public ziplib::TMemoryStream, public ziplib::WriteErrorSource {
public:
    int64_t Write(const void* buffer, int64_t count) override {
        ++writes;
        lastError = 0;
        if (shortWrites > 0) {
            --shortWrites;
            lastError = error;
            return ziplib::TMemoryStream::Write(buffer, count / 2);
        }
        return ziplib::TMemoryStream::Write(buffer, count);
    }
    int LastWriteError() const override { return lastError; }
    int shortWrites = 0;
    int error = 0;  // 0: the stream cannot tell, as a caller's own stream
    int lastError = 0;
    int writes = 0;
};

TEST(WriteBufferWithRetry, RetriesTheWholeBlockOrGivesUp) {
    using ziplib::DiskFullAnswer;
    struct Case {
        const char* name;
        int shortWrites;
        int error;
        std::vector<DiskFullAnswer> answers;  // empty: no prompt at all
        bool throws;
        bool want;
        int asked;
    };
    const Case cases[] = {
        {"room enough", 0, 0, {DiskFullAnswer::Abort}, false, true, 0},
        {"full once, then retried", 1, 0, {DiskFullAnswer::Retry}, false, true, 1},
        {"full twice, retried twice", 2, 0, {DiskFullAnswer::Retry, DiskFullAnswer::Retry}, false, true, 2},
        {"full, then aborted", 1, 0, {DiskFullAnswer::Abort}, false, false, 1},
        {"the prompt fails", 1, 0, {DiskFullAnswer::Retry}, true, false, 1},
        {"no prompt", 1, 0, {}, false, false, 0},
        {"the system says the disk is full", 1, ENOSPC, {DiskFullAnswer::Retry}, false, true, 1},
        {"the quota is used up", 1, EDQUOT, {DiskFullAnswer::Retry}, false, true, 1},
        // Freeing space would not help these: no question, the block fails at once.
        {"an I/O error", 1, EIO, {DiskFullAnswer::Retry}, false, false, 0},
        {"the file-size limit", 1, EFBIG, {DiskFullAnswer::Retry}, false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FullDiskStream s;
        s.WriteBuffer("head-", 5);
        s.shortWrites = c.shortWrites;
        s.error = c.error;
        int asked = 0;
        ziplib::DiskFullPrompt prompt;
        if (!c.answers.empty())
            prompt = [&]() {
                if (c.throws) throw std::runtime_error("handler failed");
                return c.answers[static_cast<std::size_t>(asked++)];
            };
        const std::string block = "0123456789";
        EXPECT_EQ(ziplib::WriteBufferWithRetry(s, block.data(), 10, prompt), c.want);
        if (c.throws) asked = 1;
        EXPECT_EQ(asked, c.asked);
        if (c.want) {
            // Written again from where the block started, not after the part that went out.
            EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().end()), "head-0123456789");
        } else {
            EXPECT_EQ(s.LastWriteError(), c.error);  // the cause stays for the caller
        }
    }
}

}  // namespace

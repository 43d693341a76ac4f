// Guards extraction through the archiver's five steps (file name, open, base folder, extract
// "*.*", close): archives made by other tools come out byte for byte; hostile names, damaged
// data and overlapping entries are refused without a byte written outside the base folder or a
// file lost; the batch tells its caller about every item that failed; and a write the system
// refuses is a full disk only when the system says so.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "FailingWrites.h"
#include "FiveSteps.h"
#include "TempDir.h"
#include "archive/ArchiveChanges.h"
#include "platform/Unicode.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace ziptest;
namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// The paths whose presence or content differ between two trees.
std::vector<std::string> Differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b) {
    std::vector<std::string> d;
    for (const auto& [k, v] : a)
        if (auto it = b.find(k); it == b.end() || it->second != v) d.push_back(k);
    for (const auto& [k, v] : b)
        if (!a.count(k)) d.push_back(k);
    return d;
}

void WriteArchive(const fs::path& p, const std::vector<GenEntry>& entries, const GenOptions& o = {},
                  GenLayout* layout = nullptr) {
    WriteBytes(p, BuildZip(entries, o, layout));
}

// Offset of central header i in an archive BuildZip made without comments or extra fields.
std::size_t CentralHeaderAt(const std::vector<GenEntry>& entries, const GenLayout& l, std::size_t i) {
    std::size_t at = l.directoryAt;
    for (std::size_t k = 0; k < i; ++k) at += 46 + entries[k].name.size();
    return at;
}

class ToolArchives : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("zip") || !HaveTool("7z")) GTEST_SKIP() << "zip and 7z are needed";
        src = dir / "src";
        WriteFile(src / "readme", "no dot in this name\n");
        WriteFile(src / "docs/a.txt", std::string(300000, 'a') + "end");
        WriteFile(src / "docs/sub/b.txt", "b\r\nb\r\n");
        WriteFile(src / "docs/empty.txt", "");
        WriteFile(src / "Рассказы/Пикник.txt", "\xcf\xe8\xea\xed\xe8\xea");  // 1251 bytes inside
        std::string noise(2'500'000, '\0');
        for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
        WriteFile(src / "bin/noise.bin", noise);
        fs::create_directories(src / "empty folder");
    }
    TempDir dir;
    fs::path src;
};

}  // namespace

TEST_F(ToolArchives, FiveStepsUnpackExactlyWhatTheToolsPacked) {
    // This system's zip stores names as they are on disk, UTF-8 without saying so, and such
    // names are read in the OEM code page; so only 7z, which flags them, gets the Cyrillic ones.
    const std::string latinOnly = " -x 'Рассказы/*'";
    const struct {
        const char* name;
        std::string command;
        bool cyrillic;
    } makers[] = {
        {"zip", "zip -q -r -X ../a.zip ." + latinOnly, false},
        {"zip stored", "zip -q -r -0 -X ../a.zip ." + latinOnly, false},
        {"zip forced Zip64", "zip -q -r -fz -X ../a.zip ." + latinOnly, false},
        {"zip streamed", "zip -q -r -X - ." + latinOnly + " > ../a.zip", false},
        {"7z", "7z a -tzip -bd ../a.zip . >/dev/null", true},
    };
    for (const auto& m : makers) {
        SCOPED_TRACE(m.name);
        fs::remove(dir / "a.zip");
        testsupport::ExpectShell(src, m.command);
        const fs::path out = dir / "out" / m.name;
        Extractor x;
        x.Run(dir / "a.zip", out);
        EXPECT_TRUE(x.failures.empty());
        EXPECT_TRUE(x.zip.BatchSucceeded());
        auto expected = Tree(src);
        if (!m.cyrillic) std::erase_if(expected, [](const auto& e) { return e.first.starts_with("Рассказы"); });
        EXPECT_EQ(Differences(Tree(out), expected), std::vector<std::string>{});
    }
}

TEST_F(ToolArchives, TestFilesChecksWithoutWritingAndFindsADamagedItem) {
    testsupport::ExpectShell(src, "zip -q -r -X ../a.zip .");
    Extractor x;
    x.zip.FileName = WinName(dir / "a.zip");
    x.zip.OpenArchive();
    x.zip.BaseDir = WinName(dir / "never");
    x.zip.TestFiles(u"*.*", kSearchEveryItem, u"");
    EXPECT_TRUE(x.zip.BatchSucceeded());
    EXPECT_FALSE(fs::exists(dir / "never"));
    x.zip.CloseArchive();

    // One byte of the large deflated item changed: its data no longer checks out.
    Bytes b = LoadBytes(dir / "a.zip");
    const std::string needle = "docs/a.txt";
    const auto at = std::search(b.begin(), b.end(), needle.begin(), needle.end()) - b.begin();
    b[static_cast<std::size_t>(at) + needle.size() + 200] ^= 0x55;
    WriteBytes(dir / "a.zip", b);
    x.zip.OpenArchive();
    x.zip.TestFiles(u"*.*", kSearchEveryItem, u"");
    x.zip.CloseArchive();
    ASSERT_EQ(x.failures.size(), 1u);
    EXPECT_EQ(x.failures[0].name, "docs\\a.txt");
    EXPECT_EQ(x.failures[0].code, ZAError::BadItemData);
    EXPECT_FALSE(x.zip.BatchSucceeded());
    EXPECT_NE(x.zip.LastError.find("Invalid size or check sum"), std::string::npos);
}

TEST_F(ToolArchives, PasswordsOfToolEncryptedArchives) {
    testsupport::ExpectShell(src, "zip -q -r -X -P 'secret 1' ../a.zip docs");
    struct Case {
        const char* name;
        std::string password;
        std::vector<std::optional<std::string>> asked;  // answers of the password event; nullopt skips
        bool extracted;
    } cases[] = {
        {"right password", "secret 1", {}, true},
        {"asked until right", "wrong", {"still wrong", "secret 1"}, true},
        {"skipped", "", {std::nullopt}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = dir / "out" / c.name;
        Extractor x;
        x.zip.SetPassword(c.password);
        auto answers = c.asked;
        int askedCount = 0;
        x.zip.OnPassword = [&](TZABaseArchiver&, const std::u16string& name, std::string& password, bool& skip) {
            EXPECT_EQ(name.substr(0, 5), u"docs\\");
            ++askedCount;
            if (answers.empty() || !answers.front()) {
                skip = true;
                // One skip answers for this item only; the next item asks again.
                if (!answers.empty()) answers.erase(answers.begin());
                return;
            }
            password = *answers.front();
            answers.erase(answers.begin());
        };
        x.Run(dir / "a.zip", out);
        if (c.extracted) {
            EXPECT_TRUE(x.failures.empty());
            EXPECT_EQ(ReadFile(out / "docs/sub/b.txt"), "b\r\nb\r\n");
            EXPECT_EQ(askedCount, static_cast<int>(c.asked.size()));
        } else {
            EXPECT_FALSE(x.failures.empty());
            EXPECT_FALSE(fs::exists(out / "docs/sub/b.txt"));
        }
    }
}

TEST(ExtractNames, HostileNamesAreRefusedAndNothingLeavesTheBase) {
    TempDir dir;
    const std::vector<GenEntry> entries = {
        {.name = "../escaped.txt", .data = "x"},
        {.name = "a/../../escaped.txt", .data = "x"},
        {.name = "..\\escaped.txt", .data = "x"},
        {.name = "/tmp/absolute.txt", .data = "x"},
        {.name = "C:\\drive.txt", .data = "x"},
        {.name = "c:/drive.txt", .data = "x"},
        {.name = "\\\\server\\share\\unc.txt", .data = "x"},
        {.name = "ok/inner/../fine.txt", .data = "fine"},
        {.name = "name:with colon.txt", .data = "colon"},
    };
    WriteArchive(dir / "bad.zip", entries);
    Extractor x;
    x.Run(dir / "bad.zip", dir / "base");
    // Ignored failures let the batch go on; each refused name was reported by name.
    std::vector<std::string> refused;
    for (const auto& f : x.failures) {
        EXPECT_EQ(f.code, ZAError::CannotCreateFile) << f.name;
        refused.push_back(f.name);
    }
    EXPECT_EQ(refused.size(), 7u);
    EXPECT_EQ(x.zip.FailedCount, 7);
    EXPECT_FALSE(x.zip.BatchSucceeded());
    EXPECT_EQ(Tree(dir / "base"), (std::map<std::string, std::string>{
                                      {"ok", "<dir>"}, {"ok/fine.txt", "fine"}, {"name:with colon.txt", "colon"}}));
    EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
    EXPECT_FALSE(fs::exists("/tmp/absolute.txt"));
}

TEST(ExtractNames, ALinkInTheTreeIsNeverFollowed) {
    TempDir dir;
    fs::create_directories(dir / "base");
    fs::create_directories(dir / "outside");
    fs::create_directory_symlink(dir / "outside", dir / "base/docs");
    WriteFile(dir / "outside/target.txt", "outside");
    fs::create_symlink(dir / "outside/target.txt", dir / "base/link.txt");
    WriteArchive(dir / "a.zip", {{.name = "docs/x.txt", .data = "x"}, {.name = "link.txt", .data = "replaced"}});
    Extractor x;
    x.Run(dir / "a.zip", dir / "base");
    ASSERT_EQ(x.failures.size(), 1u);
    EXPECT_EQ(x.failures[0].name, "docs\\x.txt");
    EXPECT_FALSE(fs::exists(dir / "outside/x.txt"));
    // The link itself is replaced by the file; what it pointed at is untouched.
    EXPECT_FALSE(fs::is_symlink(dir / "base/link.txt"));
    EXPECT_EQ(ReadFile(dir / "base/link.txt"), "replaced");
    EXPECT_EQ(ReadFile(dir / "outside/target.txt"), "outside");
}

TEST(ExtractData, ADamagedItemCostsNoInstalledFile) {
    TempDir dir;
    std::vector<GenEntry> entries = {{.name = "program", .data = "new program"}, {.name = "data.txt", .data = "new data"}};
    GenLayout l;
    Bytes b = BuildZip(entries, {}, &l);
    b[l.localAt[0] + 30 + 7] ^= 0xFF;  // inside the first item's data
    WriteBytes(dir / "a.zip", b);
    WriteFile(dir / "base/program", "old program");
    fs::permissions(dir / "base/program", fs::perms::owner_all);
    for (const TZAAction answer : {TZAAction::fxaIgnore, TZAAction::fxaAbort}) {
        Extractor x;
        x.answer = answer;
        x.Run(dir / "a.zip", dir / "base");
        ASSERT_EQ(x.failures.size(), 1u);
        EXPECT_EQ(x.failures[0].code, ZAError::BadItemData);
        EXPECT_EQ(ReadFile(dir / "base/program"), "old program");
        EXPECT_EQ(fs::status(dir / "base/program").permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
        EXPECT_FALSE(x.zip.BatchSucceeded());
        // Abort ends the batch at the failed item; ignore goes on with the next.
        EXPECT_EQ(x.zip.Aborted, answer == TZAAction::fxaAbort);
        EXPECT_EQ(fs::exists(dir / "base/data.txt"), answer == TZAAction::fxaIgnore);
        fs::remove(dir / "base/data.txt");
    }
    // No temporary file is left beside the target.
    EXPECT_EQ(Tree(dir / "base").size(), 1u);
}

// An archive of one large item, and the file it would replace.
void PrepareInstalledFile(const fs::path& dir) {
    WriteArchive(dir / "a.zip", {{.name = "docs/big.doc", .data = std::string(256 * 1024, 'b')}});
    WriteFile(dir / "base/docs/big.doc", "old");
}

// What the extraction said and left, in a line.
std::string ExtractOverInstalledFile(const fs::path& dir, bool extractCorrupted) {
    Extractor x;
    x.zip.ExtractCorruptedFiles = extractCorrupted;
    int diskFull = 0;
    x.zip.OnDiskFull = [&](TZABaseArchiver&, int32_t, const std::u16string&, bool& cancel) {
        ++diskFull;
        cancel = true;
    };
    x.Run(dir / "a.zip", dir / "base");
    std::string out = "disk full " + std::to_string(diskFull) + (x.zip.Cancelled ? ", cancelled" : "");
    for (const Failure& f : x.failures) out += "; failed " + f.name + " " + std::to_string(f.code) + ": " + f.message;
    out += "; errno " + std::to_string(x.zip.LastSystemError);
    out += "; left " + std::to_string(Tree(dir / "base").size()) + " " + ReadFile(dir / "base/docs/big.doc");
    return out;
}

TEST(ExtractData, AFullDiskAsksAndAnotherWriteErrorNamesTheFileAndItsCause) {
    struct Case {
        const char* name;
        int err;
        bool extractCorrupted;
        std::string want;
    };
    const Case cases[] = {
        {"no space", ENOSPC, false, "disk full 1, cancelled; errno 0; left 2 old"},
        {"the quota", EDQUOT, false, "disk full 1, cancelled; errno 0; left 2 old"},
        {"an I/O error", EIO, false, "disk full 0; failed docs\\big.doc 19: ZipArchiver1: Cannot create file \"%s\". "
                                     "Input/output error - Native error: 00019; errno 5; left 2 old"},
        // Keeping what decoded of a damaged item does not keep what could not be written.
        {"an I/O error, damaged items kept", EIO, true, "disk full 0; failed docs\\big.doc 19: ZipArchiver1: Cannot create "
                                                      "file \"%s\". Input/output error - Native error: 00019; errno 5; left 2 old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        PrepareInstalledFile(dir.path());
        const std::optional<std::string> got =
            testsupport::WithFailingWrites(c.err, [&] { return ExtractOverInstalledFile(dir.path(), c.extractCorrupted); });
        if (!got) GTEST_SKIP() << "system calls cannot be filtered here";
        std::string want = c.want;
        if (const size_t at = want.find("%s"); at != std::string::npos)
            want.replace(at, 2, platform::Utf16ToUtf8(WinName(dir / "base/docs/big.doc")));
        EXPECT_EQ(*got, want);
    }
}

TEST(ExtractData, AFileSizeLimitIsNoFullDisk) {
    TempDir dir;
    PrepareInstalledFile(dir.path());
    struct rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto handler = ::signal(SIGXFSZ, SIG_IGN);  // else the write ends the process
    struct rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string got = ExtractOverInstalledFile(dir.path(), false);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, handler);
    EXPECT_EQ(got, "disk full 0; failed docs\\big.doc 19: ZipArchiver1: Cannot create file \"" +
                       platform::Utf16ToUtf8(WinName(dir / "base/docs/big.doc")) +
                       "\". File too large - Native error: 00019; errno 27; left 2 old");
}

TEST(ExtractData, OverlappingEntriesAreRefused) {
    TempDir dir;
    const std::vector<GenEntry> entries = {{.name = "a", .data = std::string(1000, 'a')},
                                           {.name = "b", .data = std::string(1000, 'b')},
                                           {.name = "c", .data = "c"}};
    GenLayout l;
    Bytes b = BuildZip(entries, {}, &l);
    // b's directory entry quotes a's local header: both would unpack the same bytes.
    Put32(b, CentralHeaderAt(entries, l, 1) + 42, static_cast<std::uint32_t>(l.localAt[0]));
    WriteBytes(dir / "bomb.zip", b);
    Extractor x;
    x.Run(dir / "bomb.zip", dir / "base");
    ASSERT_EQ(x.failures.size(), 2u);
    EXPECT_EQ(x.failures[0].code, ZAError::BadItemData);
    EXPECT_EQ(Tree(dir / "base"), (std::map<std::string, std::string>{{"c", "c"}}));
}

TEST(ExtractData, ACutArchiveSaysItsDirectoryWasRecovered) {
    TempDir dir;
    const std::vector<GenEntry> entries = {{.name = "a.txt", .data = std::string(5000, 'a')},
                                           {.name = "b.txt", .data = std::string(5000, 'b')}};
    GenLayout l;
    const Bytes whole = BuildZip(entries, {}, &l);
    const struct {
        const char* name;
        std::size_t size;
        bool recovered;
        std::vector<std::string> written;
    } cases[] = {
        {"whole", whole.size(), false, {"a.txt", "b.txt"}},
        {"cut in the directory", l.directoryAt + 10, true, {"a.txt", "b.txt"}},
        {"cut in the second item", l.localAt[1] + 100, true, {"a.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir / "a.zip", Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.size)));
        const fs::path out = dir / "out" / c.name;
        Extractor x;
        x.zip.FileName = WinName(dir / "a.zip");
        x.zip.OpenArchive();
        EXPECT_EQ(x.zip.DirectoryRecovered(), c.recovered);
        x.zip.BaseDir = WinName(out);
        x.zip.ExtractFiles(u"*.*", kSearchEveryItem, u"");
        x.zip.CloseArchive();
        // What the local headers still hold comes out whole or not at all.
        std::vector<std::string> written;
        for (const auto& [name, bytes] : Tree(out)) {
            written.push_back(name);
            EXPECT_EQ(bytes, std::string(5000, name[0]));
        }
        EXPECT_EQ(written, c.written);
    }
}

TEST(ExtractRules, ExistingFilesByTheOverwriteRules) {
    TempDir dir;
    // The item's DOS time: 2020-06-15 12:00:00.
    const std::uint16_t date = ((2020 - 1980) << 9) | (6 << 5) | 15, time = 12 << 11;
    WriteArchive(dir / "a.zip", {{.name = "f.txt", .data = "new", .modTime = time, .modDate = date}});
    const auto fileTime = [](int year) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = 5;
        tm.tm_mday = 15;
        tm.tm_hour = 12;
        tm.tm_isdst = -1;
        return std::mktime(&tm);
    };
    struct Case {
        const char* name;
        TZAOverwriteMode mode;
        int fileYear;
        bool readOnly;
        bool replaceReadOnly;
        bool replaced;
    } cases[] = {
        {"always, read-only replaced", TZAOverwriteMode::omAlways, 2020, true, true, true},
        {"read-only kept", TZAOverwriteMode::omAlways, 2020, true, false, false},
        {"never", TZAOverwriteMode::omNever, 2020, false, true, false},
        {"if newer, same time", TZAOverwriteMode::omIfNewer, 2020, false, true, false},
        {"if newer, older file", TZAOverwriteMode::omIfNewer, 2019, false, true, true},
        {"if older, newer file", TZAOverwriteMode::omIfOlder, 2021, false, true, true},
        {"if older, older file", TZAOverwriteMode::omIfOlder, 2019, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path base = dir / "base" / c.name;
        WriteFile(base / "f.txt", "old");
        const std::time_t t = fileTime(c.fileYear);
        const timespec times[2] = {{t, 0}, {t, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (base / "f.txt").c_str(), times, 0), 0);
        if (c.readOnly) fs::permissions(base / "f.txt", fs::perms::owner_read | fs::perms::group_read);
        Extractor x;
        x.zip.Options.OverwriteMode = c.mode;
        x.zip.Options.ReplaceReadOnly = c.replaceReadOnly;
        x.Run(dir / "a.zip", base);
        EXPECT_TRUE(x.failures.empty());
        EXPECT_EQ(ReadFile(base / "f.txt"), c.replaced ? "new" : "old");
        // A skipped item counts as processed.
        EXPECT_EQ(x.zip.ProcessedCount, 1);
    }
}

TEST(ExtractRules, AnOverwriteQuestionCanSendTheFileElsewhere) {
    TempDir dir;
    WriteArchive(dir / "a.zip", {{.name = "f.txt", .data = "new"}, {.name = "g.txt", .data = "new g"}});
    WriteFile(dir / "base/f.txt", "old");
    WriteFile(dir / "base/g.txt", "old g");
    Extractor x;
    x.zip.Options.OverwriteMode = TZAOverwriteMode::omPrompt;
    std::vector<std::u16string> asked;
    x.zip.OnConfirmOverwrite = [&](TZABaseArchiver&, const std::u16string& source, std::u16string& dest, bool& confirm) {
        asked.push_back(source);
        confirm = source == u"f.txt";
        if (confirm) dest = WinName(dir / "elsewhere/f-copy.txt");
    };
    x.Run(dir / "a.zip", dir / "base");
    EXPECT_EQ(asked, (std::vector<std::u16string>{u"f.txt", u"g.txt"}));
    EXPECT_EQ(ReadFile(dir / "base/f.txt"), "old");
    EXPECT_EQ(ReadFile(dir / "elsewhere/f-copy.txt"), "new");
    EXPECT_EQ(ReadFile(dir / "base/g.txt"), "old g");
}

TEST(ExtractRules, FoldersAttributesAndFlatExtraction) {
    TempDir dir;
    const std::vector<GenEntry> entries = {
        {.name = "docs/", .data = "", .externalAttributes = kAttrDirectory},
        {.name = "docs/readme.txt", .data = "read me"},
        {.name = "x/readme.txt", .data = "other read me"},
        {.name = "locked.txt", .data = "locked", .externalAttributes = kAttrArchive | 0x01},
    };
    WriteArchive(dir / "a.zip", entries);
    {
        Extractor x;
        x.Run(dir / "a.zip", dir / "tree");
        EXPECT_TRUE(fs::is_directory(dir / "tree/docs"));
        EXPECT_EQ(ReadFile(dir / "tree/docs/readme.txt"), "read me");
        EXPECT_EQ(fs::status(dir / "tree/locked.txt").permissions() & fs::perms::owner_write, fs::perms::none);
    }
    {
        // Without folders every item lands in the base, the later one over the earlier.
        fs::create_directories(dir / "flat");
        Extractor x;
        x.zip.Options.CreateDirs = false;
        x.zip.Options.SetAttributes = false;
        x.Run(dir / "a.zip", dir / "flat");
        EXPECT_EQ(Tree(dir / "flat"), (std::map<std::string, std::string>{{"readme.txt", "other read me"},
                                                                        {"locked.txt", "locked"}}));
        EXPECT_NE(fs::status(dir / "flat/locked.txt").permissions() & fs::perms::owner_write, fs::perms::none);
        EXPECT_TRUE(x.failures.empty());
    }
    {
        // Nor is the base made: each file fails, naming itself and the missing folder, and
        // nothing is written anywhere.
        Extractor x;
        x.zip.Options.CreateDirs = false;
        const auto before = Tree(dir.path());
        x.Run(dir / "a.zip", dir / "missing/base");
        EXPECT_FALSE(fs::exists(dir / "missing"));
        EXPECT_EQ(Tree(dir.path()), before);
        ASSERT_EQ(x.failures.size(), 3u);
        EXPECT_EQ(x.failures[0].name, "docs\\readme.txt");
        for (const auto& f : x.failures) {
            EXPECT_EQ(f.code, ZAError::CannotCreateFile);
            EXPECT_NE(f.message.find("The folder \"" + platform::Utf16ToUtf8(WinName(dir / "missing/base")) +
                                     "\\\" does not exist"),
                      std::string::npos)
                << f.message;
        }
        EXPECT_NE(x.failures[1].message.find("base\\readme.txt\""), std::string::npos) << x.failures[1].message;
        EXPECT_EQ(x.zip.LastSystemError, ENOENT);
        EXPECT_FALSE(x.zip.BatchSucceeded());
    }
}

TEST(ExtractRules, AnEmptyBaseFolderIsTheCurrentOne) {
    TempDir dir;
    WriteArchive(dir / "a.zip", {{.name = "here.txt", .data = "here"}});
    testsupport::CwdGuard cwd(dir.path());
    Extractor x;
    x.zip.FileName = u"a.zip";
    x.zip.OpenArchive();
    x.zip.ExtractFiles(u"*.*", kSearchEveryItem, u"");
    x.zip.CloseArchive();
    EXPECT_EQ(ReadFile(dir / "here.txt"), "here");
    EXPECT_EQ(x.zip.StartDir, WinName(dir.path()));
}

TEST(ExtractBatch, RetryRunsTheItemAgainFromItsConfirmation) {
    TempDir dir;
    WriteArchive(dir / "a.zip", {{.name = "a.txt", .data = "a"}, {.name = "b.txt", .data = "b"}});
    // The base is a file at first, so the folder can't be made; the failure handler clears the
    // way and asks for a retry.
    WriteFile(dir / "base", "in the way");
    Extractor x;
    std::vector<std::string> events;
    x.zip.OnConfirmProcessFile = [&](TZABaseArchiver&, const std::u16string& name, TZAProcessOperation, bool&) {
        events.push_back("confirm " + platform::Utf16ToUtf8(name));
    };
    x.zip.OnProcessFileFailure = [&](TZABaseArchiver&, const std::u16string& name, TZAProcessOperation, int32_t code,
                                     int32_t, const std::u16string&, TZAAction& action) {
        events.push_back("failed " + platform::Utf16ToUtf8(name) + " " + std::to_string(code));
        fs::remove(dir / "base");
        action = TZAAction::fxaRetry;
    };
    x.Run(dir / "a.zip", dir / "base");
    EXPECT_EQ(events, (std::vector<std::string>{"confirm a.txt", "failed a.txt 20", "confirm a.txt", "confirm b.txt"}));
    EXPECT_TRUE(x.zip.BatchSucceeded());
    EXPECT_EQ(ReadFile(dir / "base/b.txt"), "b");
}

TEST(ExtractBatch, ProgressEventsAndACancelAfterAnItem) {
    TempDir dir;
    WriteArchive(dir / "a.zip", {{.name = "a.txt", .data = std::string(200000, 'a')},
                                 {.name = "b.txt", .data = "b"},
                                 {.name = "c.txt", .data = "c"}});
    Extractor x;
    std::vector<std::string> phases;
    double lastOverall = -1;
    x.zip.OnFileProgress = [&](TZABaseArchiver&, const std::u16string& name, double, TZAProcessOperation op,
                               TZAProgressPhase phase, bool& cancel) {
        EXPECT_EQ(op, TZAProcessOperation::poExtract);
        if (phase == TZAProgressPhase::ppProcess) return;
        phases.push_back(platform::Utf16ToUtf8(name) + (phase == TZAProgressPhase::ppStart ? " start" : " end"));
        if (name == u"b.txt" && phase == TZAProgressPhase::ppEnd) cancel = true;
    };
    x.zip.OnOverallProgress = [&](TZABaseArchiver&, double progress, TZAProcessOperation, TZAProgressPhase,
                                  bool&) {
        EXPECT_GE(progress, lastOverall);
        lastOverall = progress;
    };
    x.Run(dir / "a.zip", dir / "base");
    EXPECT_EQ(phases, (std::vector<std::string>{"a.txt start", "a.txt end", "b.txt start", "b.txt end"}));
    EXPECT_DOUBLE_EQ(lastOverall, 100);
    EXPECT_TRUE(x.zip.Cancelled);
    EXPECT_EQ(x.zip.ProcessedCount, 1);
    EXPECT_FALSE(x.zip.BatchSucceeded());
    // The item whose end was cancelled is complete and stays; nothing after it is written.
    EXPECT_TRUE(fs::exists(dir / "base/b.txt"));
    EXPECT_FALSE(fs::exists(dir / "base/c.txt"));
}

TEST(ExtractBatch, ABatchCannotBeStartedFromItsOwnEvents) {
    TempDir dir;
    WriteArchive(dir / "a.zip", {{.name = "a.txt", .data = "a"}});
    Extractor x;
    bool refused = false;
    x.zip.OnConfirmProcessFile = [&](TZABaseArchiver& a, const std::u16string&, TZAProcessOperation, bool&) {
        try {
            a.ExtractFiles(u"*.*", kSearchEveryItem, u"");
        } catch (const EArchiverBusy&) {
            refused = true;
        }
    };
    x.Run(dir / "a.zip", dir / "base");
    EXPECT_TRUE(refused);
    EXPECT_EQ(ReadFile(dir / "base/a.txt"), "a");
}

TEST(ExtractBatch, NeedsAnOpenArchiveAndNoPendingUpdate) {
    TZipArchiver zip;
    try {
        zip.ExtractFiles(u"*.*", kSearchEveryItem, u"");
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), ZAError::ArchiveNotOpen);
    }
    TempDir dir;
    WriteArchive(dir / "a.zip", {{.name = "a.txt", .data = "a"}});
    zip.FileName = WinName(dir / "a.zip");
    zip.OpenArchive();
    ArchiveChanges::Begin(zip);
    try {
        zip.ExtractFiles(u"*.*", kSearchEveryItem, u"");
        FAIL();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), ZAError::UpdateNotEnded);
    }
    zip.ResetUpdateLevel();
    TMemoryStream out;
    EXPECT_THROW(zip.ExtractItemToStream(1, out), EZAException);
    zip.ExtractItemToStream(0, out);
    EXPECT_EQ(out.Size(), 1);
}

TEST(ExtractBatch, WithoutAHandlerTheFailurePromptDecides) {
    TempDir dir;
    GenLayout l;
    std::vector<GenEntry> entries = {{.name = "bad.txt", .data = "bad data"}, {.name = "good.txt", .data = "good"}};
    Bytes b = BuildZip(entries, {}, &l);
    b[l.localAt[0] + 30 + 8] ^= 0xFF;
    WriteBytes(dir / "a.zip", b);
    for (const auto answer : {TZAModalResult::mrIgnore, TZAModalResult::mrAbort}) {
        ScriptedPrompter prompter;
        prompter.answers = {answer};
        TZipArchiver zip;
        zip.Prompter = &prompter;
        zip.FileName = WinName(dir / "a.zip");
        zip.OpenArchive();
        zip.BaseDir = WinName(dir / "base");
        zip.ExtractFiles(u"*.*", kSearchEveryItem, u"");
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_EQ(prompter.asked[0].text,
                  "Invalid size or check sum of file or unsupported compression format. Item \"bad.txt\": CRC-32 "
                  "mismatch: the data does not match its check sum - Native error: 00008. File processing error, "
                  "possibly disk is full");
        EXPECT_EQ(fs::exists(dir / "base/good.txt"), answer == TZAModalResult::mrIgnore);
        fs::remove_all(dir / "base");
    }
}

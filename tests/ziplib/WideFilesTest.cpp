// Guards the wide file utilities on this platform: Windows-form names reach the right files
// (either separator, any case), folders are made whole for names of any length and success is
// only reported when the folder is there, attributes map to permissions, and searches list a
// folder by mask and attributes.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "TempDir.h"
#include "UniTestHelpers.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"

using namespace ziplib;
using testsupport::CwdGuard;
using testsupport::TempDir;
using testsupport::WriteFile;
using unitest::W;
using unitest::WinName;

namespace fs = std::filesystem;

TEST(WideFiles, ForceDirectoriesMakesEveryMissingFolder) {
    TempDir dir;
    CwdGuard cwd(dir.path());
    fs::create_directories(dir / "Existing");
    struct Case { const char* name; std::u16string ask; fs::path made; };
    const Case cases[] = {
        {"one letter, relative", u"a", dir / "a"},
        {"two letters, relative, trailing backslash", u"bc\\", dir / "bc"},
        {"relative chain", u"r\\s\\t", dir / "r/s/t"},
        {"absolute chain", WinName(dir / "x/y/z/w"), dir / "x/y/z/w"},
        {"forward slashes", W((dir / "p/q").string()), dir / "p/q"},
        {"existing folder in another case", u"EXISTING\\Новая", dir / "Existing/Новая"},
        {"nothing to do", WinName(dir / "Existing"), dir / "Existing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(WideForceDirectories(c.ask));
        EXPECT_TRUE(fs::is_directory(c.made));
    }
    std::string deep = "d";
    for (int i = 0; i < 60; ++i) deep += "\\level" + std::to_string(i);
    EXPECT_TRUE(WideForceDirectories(W(deep)));
    EXPECT_TRUE(WideDirectoryExists(W(deep)));
}

TEST(WideFiles, ForceDirectoriesReportsFailure) {
    TempDir dir;
    WriteFile(dir / "file", "x");
    EXPECT_FALSE(WideForceDirectories(WinName(dir / "file")));         // a file holds the name
    EXPECT_FALSE(WideForceDirectories(WinName(dir / "file/sub/deeper")));
    EXPECT_FALSE(fs::exists(dir / "file/sub"));
    try {
        WideForceDirectories(u"");
        ADD_FAILURE() << "no exception";
    } catch (const EUniGeneralError& e) {
        EXPECT_STREQ(e.what(), "Unable to create directory");
    }
}

TEST(WideFiles, ExistenceAgeAndAttributes) {
    TempDir dir;
    WriteFile(dir / "Docs/Книга.txt", "abc");
    const std::u16string file = WinName(dir / "DOCS/книга.TXT");
    const std::u16string folder = WinName(dir / "docs");
    EXPECT_TRUE(WideFileExists(file));
    EXPECT_FALSE(WideFileExists(folder));
    EXPECT_TRUE(WideDirectoryExists(folder));
    EXPECT_FALSE(WideDirectoryExists(file));
    EXPECT_FALSE(WideFileExists(WinName(dir / "missing")));

    EXPECT_EQ(WideFileAge(folder), -1);
    EXPECT_EQ(WideFileAge(WinName(dir / "missing")), -1);
    struct tm tm {};
    tm.tm_year = 2021 - 1900; tm.tm_mon = 2; tm.tm_mday = 4; tm.tm_hour = 13; tm.tm_min = 7; tm.tm_sec = 10;
    tm.tm_isdst = -1;
    const time_t t = mktime(&tm);
    const fs::path native = dir / "Docs/Книга.txt";
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
    const uint32_t dos = ((2021u - 1980u) << 25) | (3u << 21) | (4u << 16) | (13u << 11) | (7u << 5) | 5u;
    EXPECT_EQ(static_cast<uint32_t>(WideFileAge(file)), dos);
    tm.tm_year = 1975 - 1900;
    const time_t old = mktime(&tm);
    struct timespec oldTimes[2] = {{old, 0}, {old, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, native.c_str(), oldTimes, 0), 0);
    EXPECT_EQ(WideFileAge(file), -1);  // no DOS date before 1980

    EXPECT_EQ(WideFileGetAttr(file), faArchive);
    EXPECT_EQ(WideFileGetAttr(folder), faDirectory);
    EXPECT_EQ(WideFileGetAttr(WinName(dir / "missing")), InvalidFileAttributes);
    EXPECT_TRUE(WideFileSetAttr(file, faReadOnly | faArchive));
    EXPECT_EQ(WideFileGetAttr(file), faReadOnly | faArchive);
    EXPECT_EQ(fs::status(native).permissions() & fs::perms::owner_write, fs::perms::none);
    // Read-only means no writing, for every user.
    EXPECT_EQ(WideFileOpen(file, fmOpenReadWrite), InvalidHandle);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(WideFileCreate(file), InvalidHandle);
    const int fd = WideFileOpen(file, fmOpenRead | fmShareDenyNone);
    EXPECT_GE(fd, 0);
    close(fd);
    EXPECT_TRUE(WideFileSetAttr(file, 0));
    EXPECT_EQ(WideFileGetAttr(file), faArchive);
    EXPECT_FALSE(WideFileSetAttr(WinName(dir / "missing"), 0));
}

TEST(WideFiles, OpenModesOutsideTheTableAreRefused) {
    TempDir dir;
    WriteFile(dir / "f", "x");
    const std::u16string f = WinName(dir / "f");
    for (uint16_t mode : {uint16_t(0x03), uint16_t(0x50), uint16_t(0x73), uint16_t(0xF2), fmCreate}) {
        SCOPED_TRACE(mode);
        errno = 0;
        EXPECT_EQ(WideFileOpen(f, mode), InvalidHandle);
        EXPECT_EQ(errno, EINVAL);
    }
    for (uint16_t mode : {uint16_t(0x00), uint16_t(0x22), uint16_t(0x40), uint16_t(0x41), uint16_t(0x12)}) {
        SCOPED_TRACE(mode);
        const int fd = WideFileOpen(f, mode);
        EXPECT_GE(fd, 0);
        if (fd >= 0) close(fd);
    }
    // The access as named: write-only takes writes and refuses reads, read-only the other way.
    char c = 0;
    const int w = WideFileOpen(f, fmOpenWrite);
    ASSERT_GE(w, 0);
    EXPECT_EQ(read(w, &c, 1), -1);
    EXPECT_EQ(write(w, "y", 1), 1);
    close(w);
    const int r = WideFileOpen(f, fmOpenRead);
    ASSERT_GE(r, 0);
    EXPECT_EQ(write(r, "z", 1), -1);
    EXPECT_EQ(read(r, &c, 1), 1);
    EXPECT_EQ(c, 'y');
    close(r);
    errno = 0;
    EXPECT_EQ(WideFileOpen(WinName(dir.path()), fmOpenRead), InvalidHandle);  // a folder is no file
    EXPECT_EQ(errno, EISDIR);
}

TEST(WideFiles, RenameNeverReplacesAndDeleteRemovesFilesOnly) {
    TempDir dir;
    WriteFile(dir / "a.txt", "a");
    WriteFile(dir / "b.txt", "b");
    fs::create_directories(dir / "sub");
    EXPECT_FALSE(WideRenameFile(WinName(dir / "a.txt"), WinName(dir / "B.TXT")));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(testsupport::ReadFile(dir / "b.txt"), "b");
    EXPECT_TRUE(WideRenameFile(WinName(dir / "A.TXT"), WinName(dir / "sub/c.txt")));
    EXPECT_EQ(testsupport::ReadFile(dir / "sub/c.txt"), "a");
    EXPECT_TRUE(WideRenameFile(WinName(dir / "b.txt"), WinName(dir / "B.txt")));  // a change of case
    EXPECT_TRUE(fs::exists(dir / "B.txt"));
    EXPECT_FALSE(fs::exists(dir / "b.txt"));

    EXPECT_FALSE(WideDeleteFile(WinName(dir / "sub")));
    EXPECT_TRUE(WideDeleteFile(WinName(dir / "SUB/C.TXT")));
    EXPECT_FALSE(fs::exists(dir / "sub/c.txt"));
    EXPECT_FALSE(WideDeleteFile(WinName(dir / "sub/c.txt")));
}

TEST(WideFiles, FindListsAFolderByMaskAndAttributes) {
    TempDir dir;
    WriteFile(dir / "b.txt", "12345");
    WriteFile(dir / "A.TXT", "1");
    WriteFile(dir / "c.dat", "");
    fs::create_directories(dir / "Sub.txt");
    auto list = [&](const std::u16string& path, uint32_t attr) {
        std::vector<std::string> names;
        TWideSearchRec f;
        for (int r = WideFindFirst(path, attr, f); r == 0; r = WideFindNext(f)) names.push_back(unitest::U8(f.Name));
        WideFindClose(f);
        return names;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(list(WinName(dir / "*.txt"), 0), (V{"A.TXT", "b.txt"}));
    EXPECT_EQ(list(WinName(dir / "*.TXT"), faDirectory), (V{"A.TXT", "Sub.txt", "b.txt"}));
    EXPECT_EQ(list(WinName(dir / "*.*"), faDirectory), (V{".", "..", "A.TXT", "Sub.txt", "b.txt", "c.dat"}));
    EXPECT_EQ(list(WinName(dir / "?.dat"), faDirectory), (V{"c.dat"}));

    TWideSearchRec f;
    ASSERT_EQ(WideFindFirst(WinName(dir / "B.*"), 0, f), 0);
    EXPECT_EQ(f.Size, 5);
    EXPECT_EQ(f.Attr, faArchive);
    EXPECT_NE(f.Time, -1);
    EXPECT_EQ(WideFindNext(f), ENOENT);
    WideFindClose(f);
    EXPECT_FALSE(f.FindHandle);

    EXPECT_EQ(WideFindFirst(WinName(dir / "*.none"), faDirectory, f), ENOENT);
    EXPECT_FALSE(f.FindHandle);
    EXPECT_NE(WideFindFirst(WinName(dir / "missing/*.*"), faDirectory, f), 0);
}

TEST(WideFiles, CurrentFolderAndFullNames) {
    TempDir dir;
    fs::create_directories(dir / "work");
    CwdGuard cwd(dir / "work");
    const std::u16string here = WinName(fs::current_path());
    EXPECT_EQ(WideGetCurrentDir(), here);
    struct Case { std::u16string name, expect; };
    const Case cases[] = {
        {u"f.txt", here + u"\\f.txt"},
        {u".\\a\\..\\b\\f.txt", here + u"\\b\\f.txt"},
        {u"..\\f.txt", WinName(dir.path()) + u"\\f.txt"},
        {u"sub/f.txt", here + u"\\sub\\f.txt"},
        {u"sub\\", here + u"\\sub\\"},
        {u"\\x\\.\\y", u"\\x\\y"},
        {u"\\..\\x", u"\\x"},
        {u"C:\\a\\..\\b", u"C:\\b"},
        {u"\\\\srv\\share\\a\\.\\b", u"\\\\srv\\share\\a\\b"},
        {u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(unitest::U8(c.name));
        EXPECT_EQ(WideExpandFileName(c.name), c.expect);
    }
}

TEST(WideFiles, SystemErrorTexts) {
    EXPECT_EQ(WideSysErrorMessage(ENOENT), u"No such file or directory");
    EXPECT_FALSE(WideSysErrorMessage(123456).empty());
}

// Guards how files become stored names and back: every path mode on drive, network and local
// names, the base folder and source path rules, and that no stored name can climb out of the
// folder an archive is extracted into.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "UniTestHelpers.h"
#include "names/StoredPaths.h"
#include "ziplib/WideFiles.h"

using namespace ziplib;
using unitest::U8;
using unitest::WinName;

namespace {

constexpr auto spNoPath = TZAStorePathMode::spNoPath;
constexpr auto spRelativePath = TZAStorePathMode::spRelativePath;
constexpr auto spFullPath = TZAStorePathMode::spFullPath;
constexpr auto spFullPathWithDrive = TZAStorePathMode::spFullPathWithDrive;

}  // namespace

TEST(MakeStoredPath, WindowsFormNamesInEveryMode) {
    struct Case { const char16_t* file; const char16_t* base; TZAStorePathMode mode; const char16_t* stored; };
    const Case cases[] = {
        // The examples with the base folder C:\data\, as they are given.
        {u"C:\\data\\sub\\a.txt", u"C:\\data\\", spRelativePath, u"sub/a.txt"},
        {u"C:\\data\\sub\\a.txt", u"C:\\data\\", spNoPath, u"a.txt"},
        {u"C:\\data\\sub\\a.txt", u"C:\\data\\", spFullPath, u"data/sub/a.txt"},
        {u"C:\\data\\sub\\a.txt", u"C:\\data\\", spFullPathWithDrive, u"C:/data/sub/a.txt"},
        {u"C:\\other\\b.txt", u"C:\\data\\", spRelativePath, u"other/b.txt"},
        // A directory gives its name; the caller appends '/'.
        {u"C:\\data\\sub\\", u"C:\\data\\", spRelativePath, u"sub"},
        {u"C:\\data\\sub\\.", u"C:\\data\\", spRelativePath, u"sub"},
        // Network names lose the server.
        {u"\\\\srv\\share\\x.txt", u"C:\\data\\", spFullPath, u"share/x.txt"},
        {u"\\\\srv\\share\\x.txt", u"C:\\data\\", spRelativePath, u"share/x.txt"},
        {u"\\\\srv\\share\\d\\x.txt", u"\\\\srv\\share\\", spRelativePath, u"d/x.txt"},
        {u"\\\\srv\\share\\x.txt", u"C:\\data\\", spNoPath, u"x.txt"},
        {u"\\\\srv\\share\\x.txt", u"C:\\data\\", spFullPathWithDrive, u"//srv/share/x.txt"},
        // Base folder without its trailing '\', other drive, either separator, any case.
        {u"C:\\data\\sub\\a.txt", u"C:\\data", spRelativePath, u"sub/a.txt"},
        {u"c:\\DATA\\Sub\\a.txt", u"C:\\data\\", spRelativePath, u"Sub/a.txt"},
        {u"D:\\data\\a.txt", u"C:\\data\\", spRelativePath, u"data/a.txt"},
        {u"C:/data/sub/a.txt", u"C:\\data\\", spRelativePath, u"sub/a.txt"},
        {u"C:\\data\\Папка\\Книга.fb2", u"C:\\data\\", spRelativePath, u"Папка/Книга.fb2"},
        // Nothing left after the drive or the server.
        {u"C:\\", u"C:\\data\\", spFullPath, u""},
        {u"\\\\srv", u"C:\\data\\", spFullPath, u""},
        // "." and ".." parts are resolved, so no name starts above the extraction folder.
        {u"C:\\..\\x", u"C:\\data\\", spFullPath, u"x"},
        {u"C:\\data\\..\\..\\etc\\passwd", u"C:\\data\\", spRelativePath, u"etc/passwd"},
        {u"C:\\data\\sub\\..\\..\\data\\a.txt", u"C:\\data\\", spRelativePath, u"a.txt"},
        {u"C:\\data\\.\\sub\\a.txt", u"C:\\data\\", spFullPath, u"data/sub/a.txt"},
        {u"\\\\srv\\share\\..\\..\\x", u"C:\\data\\", spFullPath, u"share/x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(U8(MakeStoredPath(c.file, c.base, c.mode, u"C:\\start")), U8(c.stored))
            << U8(c.file) << " base " << U8(c.base) << " mode " << static_cast<int>(c.mode);
    }
}

TEST(MakeStoredPath, LocalFilesUnderTheBaseOrStartFolder) {
    testsupport::TempDir tmp;
    testsupport::WriteFile(tmp / "data/sub/a.txt", "a");
    const std::u16string root = WinName(tmp.path());
    const std::u16string data = root + u"\\data";
    std::u16string strippedRoot = root.substr(1);  // "tmp/vbtest-..." without the root
    std::replace(strippedRoot.begin(), strippedRoot.end(), u'\\', u'/');
    struct Case { std::u16string file, base, start; TZAStorePathMode mode; std::u16string stored; };
    const Case cases[] = {
        {data + u"\\sub\\a.txt", data, u"", spRelativePath, u"sub/a.txt"},
        {data + u"\\sub\\a.txt", data + u"\\", u"", spNoPath, u"a.txt"},
        {u"sub\\a.txt", data, u"", spRelativePath, u"sub/a.txt"},  // relative to the base
        {u"sub/a.txt", u"", data, spRelativePath, u"sub/a.txt"},   // or to the start folder
        {u"sub\\..\\sub\\a.txt", data, u"", spRelativePath, u"sub/a.txt"},
        {data + u"\\sub\\a.txt", data, u"", spFullPath, strippedRoot + u"/data/sub/a.txt"},
        // A file outside the base folder keeps its full path, without the root.
        {data + u"\\sub\\a.txt", root + u"\\other", u"", spRelativePath, strippedRoot + u"/data/sub/a.txt"},
        {u"..\\..\\sub\\a.txt", data + u"\\sub", u"", spRelativePath, strippedRoot + u"/sub/a.txt"},
        {data + u"\\sub\\a.txt", data, u"", spFullPathWithDrive, u"/" + strippedRoot + u"/data/sub/a.txt"},
        {data + u"\\sub\\", data, u"", spRelativePath, u"sub"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(U8(MakeStoredPath(c.file, c.base, c.mode, c.start)), U8(c.stored)) << U8(c.file) << " base " << U8(c.base);
    }
    // With neither a base nor a start folder, the current folder is the base.
    testsupport::CwdGuard cwd(tmp.path() / "data");
    EXPECT_EQ(U8(MakeStoredPath(u"sub\\a.txt", u"", spRelativePath, u"")), "sub/a.txt");
}

TEST(MakeSourcePath, FullNamesOnDisk) {
    testsupport::TempDir tmp;
    testsupport::WriteFile(tmp / "base/f.txt", "f");
    const std::u16string base = WinName(tmp.path()) + u"\\base";
    const std::u16string missing = WinName(tmp.path()) + u"\\missing";
    testsupport::CwdGuard cwd(tmp.path());
    const std::u16string cwdName = WideGetCurrentDir();
    struct Case { std::u16string baseDir, name, start, full; };
    const Case cases[] = {
        // Names with a drive or a server are taken as they are.
        {u"C:\\data", u"D:\\x\\..\\y.txt", u"", u"D:\\x\\..\\y.txt"},
        {u"C:\\data", u"\\\\srv\\share\\y.txt", u"", u"\\\\srv\\share\\y.txt"},
        // A rooted name is expanded alone, any other under the base or the start folder.
        {u"C:\\data", u"\\top\\.\\y.txt", u"", u"\\top\\y.txt"},
        {u"C:\\data", u"sub\\..\\y.txt", u"", u"C:\\data\\y.txt"},
        {u"", u"sub\\y.txt", u"C:\\start\\", u"C:\\start\\sub\\y.txt"},
        {u"", u"y.txt", u"", cwdName + u"\\y.txt"},
        // No name: the base folder.
        {u"C:\\data", u"", u"", u"C:\\data"},
        {base, u"", u"", base + u"\\"},
        {missing, u"", u"", missing},
        {u"", u"", base, base + u"\\"},
        {u"", u"", u"", cwdName + u"\\"},
        {u"\\", u"", u"", u"\\"},  // the root, not the folder above the current one
        {u"", u"", u"\\", u"\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(U8(MakeSourcePath(c.baseDir, c.name, c.start)), U8(c.full))
            << "base " << U8(c.baseDir) << " name " << U8(c.name) << " start " << U8(c.start);
}

TEST(GetBaseDir, BaseOrStartFolderWithATrailingBackslash) {
    struct Case { const char16_t* base; const char16_t* start; const char16_t* dir; };
    const Case cases[] = {
        {u"C:\\data", u"C:\\start", u"C:\\data\\"},
        {u"C:\\data\\", u"C:\\start", u"C:\\data\\"},
        {u"", u"C:\\start", u"C:\\start\\"},
        {u"", u"", u"\\"},
        {u"\\home\\Пользователь", u"", u"\\home\\Пользователь\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(U8(GetBaseDir(c.base, c.start)), U8(c.dir));
}

TEST(CutStoredDrive, DriveOrServerAndOneSeparator) {
    struct Case { const char16_t* name; const char16_t* rest; };
    const Case cases[] = {
        {u"C:\\data\\a", u"data\\a"}, {u"C:data", u"data"}, {u"C:", u""},
        {u"\\\\srv\\share\\a", u"share\\a"}, {u"\\\\srv\\", u""}, {u"\\\\srv", u""},
        {u"data\\a", u"data\\a"}, {u"\\data\\a", u"data\\a"}, {u"", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(U8(CutStoredDrive(c.name)), U8(c.rest)) << U8(c.name);
}

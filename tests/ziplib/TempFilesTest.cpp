// Guards temporary files for commits (made new in the given folder or the system's, under a
// folder name of any length, never taking over a file) and removal of emptied folder trees,
// which deletes no file and follows no link out of the tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "TempDir.h"
#include "UniTestHelpers.h"
#include "files/TempFiles.h"
#include "ziplib/WideFiles.h"

using namespace ziplib;
using unitest::W;
using unitest::WinName;
namespace fs = std::filesystem;

namespace {

// The file a Windows-form name stands for.
fs::path Native(const std::u16string& name) { return fs::path(WideToNativePath(name)); }

void ExpectNewEmptyTempFile(const std::u16string& name, const std::u16string& folder) {
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.substr(0, folder.size()), folder);
    const std::u16string file = name.substr(folder.size());
    ASSERT_EQ(file.size(), 10u) << unitest::U8(file);
    EXPECT_EQ(file.substr(0, 2), u"FC");
    EXPECT_EQ(file.substr(6), u".TMP");
    for (char16_t c : file.substr(2, 4)) EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
    EXPECT_TRUE(fs::is_regular_file(Native(name)));
    EXPECT_EQ(fs::file_size(Native(name)), 0u);
}

}  // namespace

TEST(MakeTempFileName, NewFilesInTheGivenFolderOrTheSystemOne) {
    testsupport::TempDir tmp;
    const std::u16string folder = WinName(tmp.path()) + u"\\";
    {
        testsupport::EnvGuard env("TMPDIR", tmp.path().string());
        EXPECT_EQ(SystemTempDir(), folder);
        ExpectNewEmptyTempFile(MakeTempFileName(u""), folder);
    }
    {
        testsupport::EnvGuard env("TMPDIR", std::nullopt);
        EXPECT_EQ(SystemTempDir(), u"\\tmp\\");
        testsupport::EnvGuard empty("TMPDIR", "");
        EXPECT_EQ(SystemTempDir(), u"\\tmp\\");
    }
    // The given folder with or without its trailing '\'; every call makes another file, and a
    // file that is there already is never handed out again.
    testsupport::WriteFile(tmp / "keep.txt", "keep");
    std::set<std::u16string> names;
    for (int i = 0; i < 40; ++i) {
        const std::u16string name = MakeTempFileName(i % 2 ? folder : folder.substr(0, folder.size() - 1));
        ExpectNewEmptyTempFile(name, folder);
        EXPECT_TRUE(names.insert(name).second) << unitest::U8(name);
        testsupport::WriteFile(Native(name), "in use");
    }
    for (const auto& name : names) EXPECT_EQ(testsupport::ReadFile(Native(name)), "in use");
    // A folder that is not there gives no name.
    EXPECT_EQ(MakeTempFileName(folder + u"missing"), u"");
}

TEST(MakeTempFileName, FolderNamesOfAnyLength) {
    testsupport::TempDir tmp;
    // Well past 256 and 261 characters, in Cyrillic (two bytes each in the file system).
    fs::path deep = tmp.path();
    for (int i = 0; i < 6; ++i) deep /= "Временная папка номер " + std::to_string(i) + std::string(40, 'x');
    fs::create_directories(deep);
    const std::u16string folder = WinName(deep) + u"\\";
    ASSERT_GT(folder.size(), 300u);
    ExpectNewEmptyTempFile(MakeTempFileName(folder), folder);
    testsupport::EnvGuard env("TMPDIR", deep.string());
    ExpectNewEmptyTempFile(MakeTempFileName(u""), folder);
}

TEST(RemoveDirTree, RemovesEmptyFoldersKeepsFilesAndLinks) {
    testsupport::TempDir tmp;
    const std::u16string root = WinName(tmp.path());

    // A tree of empty folders goes entirely.
    for (const char* d : {"empty/a/b/c", "empty/a/d", "empty/Папка/.hidden", "empty/e"}) fs::create_directories(tmp / d);
    EXPECT_TRUE(RemoveDirTree(root + u"\\empty"));
    EXPECT_FALSE(fs::exists(tmp / "empty"));

    // A file anywhere keeps its folders and the tree's root; nothing is deleted.
    fs::create_directories(tmp / "full/a/b");
    testsupport::WriteFile(tmp / "full/a/b/file.txt", "x");
    EXPECT_FALSE(RemoveDirTree(root + u"\\full"));
    EXPECT_EQ(testsupport::ReadFile(tmp / "full/a/b/file.txt"), "x");

    // A link to a folder elsewhere is left as it is, and so is everything it leads to.
    fs::create_directories(tmp / "outside/empty-sub");
    fs::create_directories(tmp / "linked/own");
    fs::create_directory_symlink(tmp / "outside", tmp / "linked/link");
    EXPECT_FALSE(RemoveDirTree(root + u"\\linked"));
    EXPECT_TRUE(fs::is_directory(tmp / "outside/empty-sub"));
    EXPECT_TRUE(fs::is_symlink(tmp / "linked/link"));

    // A folder that is not there is gone already; an empty name is no folder at all.
    EXPECT_TRUE(RemoveDirTree(root + u"\\never"));
    EXPECT_FALSE(RemoveDirTree(u""));
}

// Guards the data files' line lists and the safe write: lines in code page 1251 with any line
// end, empty lines kept, and a write that fails leaving the old file untouched.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "TempDir.h"
#include "platform/FileError.h"
#include "platform/TextFile.h"

using testsupport::TempDir;
using testsupport::WriteFile;

TEST(TextFile, SplitLinesTable) {
    struct Case { std::string text; std::vector<std::string> lines; };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\n\nb\n", {"a", "", "b"}},
        {"a\rb\r\n\r\nc", {"a", "b", "", "c"}},
        {"\n", {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(platform::SplitLines(c.text), c.lines);
    }
}

TEST(TextFile, LoadsAndSavesCp1251) {
    TempDir dir;
    WriteFile(dir / "l.txt", "\xD1\xEA\xE0\xE7\xEA\xE8\r\n\r\nTail");
    EXPECT_EQ(platform::LoadLines(dir / "l.txt"), (std::vector<std::string>{"Сказки", "", "Tail"}));
    platform::SaveLines(dir / "out.txt", {"Сказки", "", "x"});
    EXPECT_EQ(testsupport::ReadFile(dir / "out.txt"), "\xD1\xEA\xE0\xE7\xEA\xE8\r\n\r\nx\r\n");
}

TEST(TextFile, MissingFileNamesItself) {
    TempDir dir;
    try {
        platform::LoadLines(dir / "lang.txt");
        FAIL() << "no error";
    } catch (const platform::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("lang.txt"), std::string::npos);
        EXPECT_EQ(e.path(), dir / "lang.txt");
    }
}

TEST(TextFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    WriteFile(dir / "ro/options.ini", "old");
    ::chmod((dir / "ro").c_str(), 0555);
    EXPECT_THROW(platform::WriteFileAtomically(dir / "ro/options.ini", "new"), platform::FileError);
    ::chmod((dir / "ro").c_str(), 0755);
    EXPECT_EQ(testsupport::ReadFile(dir / "ro/options.ini"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "ro"), {}), 1);
}

TEST(TextFile, WriteCutShortKeepsTheOldFile) {
    // A file-size limit makes the write fail half-way, as a full disk does.
    TempDir dir;
    WriteFile(dir / "data.txt", "old");
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(platform::WriteFileAtomically(dir / "data.txt", std::string(4096, 'n')), platform::FileError);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(testsupport::ReadFile(dir / "data.txt"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(TextFile, ReplacingKeepsTheFileMode) {
    TempDir dir;
    WriteFile(dir / "prog", "v1");
    ::chmod((dir / "prog").c_str(), 0755);
    platform::WriteFileAtomically(dir / "prog", "v2");
    struct stat st;
    ASSERT_EQ(::stat((dir / "prog").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(testsupport::ReadFile(dir / "prog"), "v2");
}

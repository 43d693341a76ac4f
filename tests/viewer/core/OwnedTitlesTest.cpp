// Guards the file of owned titles of a sub-list: a title is added once and the last equal
// line removed, the file is made by the first "I have it" and never by "I don't have it",
// it is replaced whole (CR LF, code page 1251, every other byte kept), and an unreadable
// file is never written over.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "OwnedTitles.h"
#include "TempDir.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

using namespace viewer;
using testsupport::TempDir;

namespace {

struct Sub {
    TempDir dir;
    CatalogPlace place{dir.path().string() + "\\", "Кат", "Список", "Раздел"};
    std::filesystem::path file = OwnedTitlesFile(place);
    std::string Text() const { return platform::BytesToUtf8(testsupport::ReadFile(file)); }
    void Write(const std::string& utf8) const { testsupport::WriteFile(file, platform::Utf8ToBytes(utf8)); }
};

ino_t Inode(const std::filesystem::path& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

}  // namespace

TEST(OwnedTitles, FileLivesInTheBooksFolderOfTheSubList) {
    Sub s;
    EXPECT_EQ(s.file, s.dir.path() / "Кат/Список/Раздел/Books/_have.txt");
    // Folders made on a file system that ignores case are found whatever their spelling.
    std::filesystem::create_directories(s.dir / "кат/СПИСОК/раздел/books");
    EXPECT_EQ(OwnedTitlesFile(s.place), s.dir.path() / "кат/СПИСОК/раздел/books/_have.txt");
}

TEST(OwnedTitles, AddOnceRemoveTheLastEqualLine) {
    Sub s;
    // No file yet: nothing owned, "I don't have it" writes nothing, "I have it" makes it.
    EXPECT_TRUE(ReadOwnedTitles(s.file).empty());
    EXPECT_FALSE(RemoveOwnedTitle(s.file, "Пикник"));
    EXPECT_FALSE(std::filesystem::exists(s.file.parent_path()));
    EXPECT_TRUE(AddOwnedTitle(s.file, "Пикник"));
    EXPECT_EQ(testsupport::ReadFile(s.file), "\xCF\xE8\xEA\xED\xE8\xEA\r\n");  // cp1251, CR LF

    struct Step {
        const char* action;
        const char* title;
        bool written;
        const char* after;
    };
    const Step steps[] = {
        {"add", "Пикник", false, "Пикник\r\n"},
        {"add", "пикник", true, "Пикник\r\nпикник\r\n"},  // titles compare exactly
        {"add", "Берег", true, "Пикник\r\nпикник\r\nБерег\r\n"},
        {"add", "Пикник", false, "Пикник\r\nпикник\r\nБерег\r\n"},
        {"remove", "Нет такой", false, "Пикник\r\nпикник\r\nБерег\r\n"},
        {"remove", "ПИКНИК", false, "Пикник\r\nпикник\r\nБерег\r\n"},
        {"remove", "пикник", true, "Пикник\r\nБерег\r\n"},
        {"remove", "Пикник", true, "Берег\r\n"},
        {"remove", "Берег", true, ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.action) + " " + step.title);
        const ino_t before = Inode(s.file);
        const bool add = std::string(step.action) == "add";
        EXPECT_EQ(add ? AddOwnedTitle(s.file, step.title) : RemoveOwnedTitle(s.file, step.title), step.written);
        EXPECT_EQ(s.Text(), step.after);
        // Written through a new file renamed over the old one, never rewritten in place.
        if (step.written) EXPECT_NE(Inode(s.file), before);
        else EXPECT_EQ(Inode(s.file), before);
    }
}

TEST(OwnedTitles, RemovingADuplicateDropsTheLaterLineOnly) {
    Sub s;
    s.Write("А\r\nБ\r\nА\r\nВ\r\n");
    EXPECT_TRUE(RemoveOwnedTitle(s.file, "А"));
    EXPECT_EQ(s.Text(), "А\r\nБ\r\nВ\r\n");
    EXPECT_EQ(OwnedRows({"В", "А", "а", "Г"}, ReadOwnedTitles(s.file)), (std::vector<int>{0, 1}));
}

TEST(OwnedTitles, RewriteKeepsEveryOtherLineByteForByte) {
    Sub s;
    // LF and CR line ends, and bytes of 1251 that map outside Cyrillic.
    const std::string bytes = "\x98\xA0\xB9 \x88\nLatin\rEnd";
    testsupport::WriteFile(s.file, bytes);
    EXPECT_TRUE(AddOwnedTitle(s.file, "Новая"));
    EXPECT_EQ(testsupport::ReadFile(s.file), "\x98\xA0\xB9 \x88\r\nLatin\r\nEnd\r\n\xCD\xEE\xE2\xE0\xFF\r\n");
}

TEST(OwnedTitles, UnreadableFileIsAnErrorAndStaysAsItWas) {
    Sub s;
    std::filesystem::create_directories(s.file);  // a folder where the file should be
    EXPECT_THROW(AddOwnedTitle(s.file, "Пикник"), platform::FileError);
    EXPECT_THROW(RemoveOwnedTitle(s.file, "Пикник"), platform::FileError);
    EXPECT_TRUE(std::filesystem::is_directory(s.file));
    EXPECT_TRUE(std::filesystem::is_empty(s.file));
}

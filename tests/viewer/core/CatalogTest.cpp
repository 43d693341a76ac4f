// Guards the merged story index of a list: which files and lines feed it, and that every
// distinct title stands in it exactly once (case variants kept) whatever the order in which
// the sub-lists yield them.
#include <gtest/gtest.h>

#include "Catalog.h"
#include "TempDir.h"
#include "platform/CodePage.h"

using namespace viewer;
using testsupport::TempDir;

namespace {

struct Tree {
    TempDir dir;
    std::string programDir = dir.path().string() + "\\";
    void Write(const std::string& rel, const std::string& utf8) const {
        testsupport::WriteFile(dir / rel, platform::Utf8ToBytes(utf8));
    }
    std::string lst(const std::string& subList) const { return "Кат/Список/" + subList + "/Files/"; }
};

}  // namespace

TEST(StoryIndex, MergesSubListsKeepingEveryDistinctTitleOnce) {
    Tree t;
    // Lines 0-5 are titles; the empty line 2 and the lines from 6 on are not.
    t.Write(t.lst("Первый") + "Книга.txt", "Ночь\r\nday\r\n\r\nУтро\r\nDay\r\nночь\r\nСтрока6\r\nСтрока7\r\n\r\nэпизод\r\n");
    t.Write(t.lst("Первый") + ".скрытый.txt", "Скрытый\r\n");
    t.Write(t.lst("Первый") + "папка/внутри.txt", "Вложенный\r\n");
    t.Write(t.lst("Второй") + "Другая.txt", "Утро\r\nАльфа\r\nday\r\n");
    t.Write(t.lst("Третий") + "любое.dat", "Альфа\r\nбета\r\nБета");
    // "day", "Day", "day": a case-insensitive sort may keep this order, where removing equal
    // neighbours alone would leave "day" twice.
    const StoryIndex index = BuildStoryIndex(t.programDir, "Кат", "Список",
                                             {"Список рассказов", "Первый", "Второй", "Без папки", "Третий",
                                              "Список книг"});
    const std::vector<std::string> expected = {"Day", "day", "Альфа", "Бета", "бета", "Ночь", "ночь", "Утро"};
    EXPECT_EQ(index.titles, expected);
    EXPECT_EQ(index.lastSubList, "Список книг");
}

TEST(StoryIndex, FolderAndCaseOfTheTreeAreMatchedLikeThePlatform) {
    Tree t;
    t.Write("кат/СПИСОК/первый/files/a.txt", "Один\r\n");
    const StoryIndex index = BuildStoryIndex(t.programDir, "Кат", "Список", {"Первый"});
    EXPECT_EQ(index.titles, std::vector<std::string>{"Один"});
}

TEST(StoryIndex, OneStoryOrNone) {
    Tree t;
    t.Write(t.lst("Первый") + "a.txt", "\r\nЕдинственный\r\n");
    EXPECT_EQ(BuildStoryIndex(t.programDir, "Кат", "Список", {"Первый", "Второй"}).titles,
              std::vector<std::string>{"Единственный"});
    const StoryIndex none = BuildStoryIndex(t.programDir, "Кат", "Список", {"Второй"});
    EXPECT_TRUE(none.titles.empty());
    EXPECT_EQ(none.lastSubList, "Второй");
    EXPECT_TRUE(BuildStoryIndex(t.programDir, "Кат", "Список", {}).lastSubList.empty());
}

TEST(StoryIndex, SortIgnoresCaseAndDropsOnlyExactRepeats) {
    struct Case {
        const char* name;
        std::vector<std::string> in, out;
    };
    const Case cases[] = {
        {"empty", {}, {}},
        {"one", {"я"}, {"я"}},
        {"repeats apart", {"б", "Б", "б", "а", "Б"}, {"а", "Б", "б"}},
        {"cyrillic order", {"Яблоко", "арбуз", "Ёж", "ель", "Жук"}, {"арбуз", "Ёж", "ель", "Жук", "Яблоко"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> titles = c.in;
        SortAndDeduplicateTitles(titles);
        EXPECT_EQ(titles, c.out);
    }
}

TEST(StoryIndex, CyrillicOrderAsARussianReaderExpects) {
    // Ё with Е (not after Я), letter case ignored, the exact text deciding between equals:
    // capitals first and Ё right after Е.
    std::vector<std::string> titles = {"Яблоко", "ёлка", "Ёж", "Елка", "Ёлка", "Ель", "ель", "Жук", "Ежевика",
                                       "Ёлка", "елка", "Ёж"};
    SortAndDeduplicateTitles(titles);
    const std::vector<std::string> expected = {"Ёж", "Ежевика", "Елка", "Ёлка", "елка", "ёлка",
                                               "Ель", "ель", "Жук", "Яблоко"};
    EXPECT_EQ(titles, expected);
}

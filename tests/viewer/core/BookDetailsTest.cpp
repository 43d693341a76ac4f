// Guards what the two book views put into the details grid (which line lands in which
// cell, what a short or long file leaves out, that a view starts from a clean grid), the
// format marks and documents found for a story, and the colour of the list marks.
#include <gtest/gtest.h>

#include <chrono>

#include "BookReader.h"
#include "DetailsGrid.h"
#include "FolderIndex.h"
#include "MarkColour.h"
#include "TempDir.h"
#include "platform/CodePage.h"

using namespace viewer;
using testsupport::TempDir;

namespace {

std::vector<std::string> Numbered(const std::string& prefix, size_t count) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; ++i) lines.push_back(prefix + std::to_string(i));
    return lines;
}

BookFiles WithStories(size_t count) {
    BookFiles book;
    book.stories = Numbered("s", count);
    for (size_t i = 0; i < kStoryLines && i < count; ++i) book.marks[i] = "M" + std::to_string(i);
    return book;
}

// The cells of a grid that differ from the set-up state.
std::map<std::pair<int, int>, std::string> Changes(const DetailsGrid& grid) {
    const DetailsGrid base = DetailsGridSetUp();
    std::map<std::pair<int, int>, std::string> changed;
    for (int row = 0; row < DetailsGrid::kRows; ++row)
        for (int col = 0; col < DetailsGrid::kColumns; ++col)
            if (grid.Cell(col, row) != base.Cell(col, row)) changed[{col, row}] = grid.Cell(col, row);
    return changed;
}

struct Tree {
    TempDir dir;
    std::string programDir = dir.path().string() + "\\";
    CatalogPlace place{programDir, "Кат", "Список", "Раздел"};
    void Write(const std::string& rel, const std::string& utf8 = "") const {
        testsupport::WriteFile(dir / rel, platform::Utf8ToBytes(utf8));
    }
};

}  // namespace

TEST(DetailsGrid, SetUpHoldsHeadingsAndLabels) {
    const DetailsGrid grid = DetailsGridSetUp();
    EXPECT_EQ(grid.Cell(1, 1), "Список рассказов");
    EXPECT_EQ(grid.Cell(1, 9), "Переведено с ...");
    EXPECT_EQ(grid.Cell(5, 1), "Соответствие эпизодам");
    EXPECT_EQ(grid.Cell(7, 1), "Автор русской версии");
    EXPECT_EQ(grid.Cell(9, 1), "Дополнительня информация");
    EXPECT_EQ(grid.Cell(9, 3), "Тираж:");
    EXPECT_EQ(grid.Cell(9, 8), "Номер выпуска:");
    EXPECT_EQ(Changes(grid).size(), 0u);
    EXPECT_TRUE(IsDetailsHeading(1, 9));
    EXPECT_FALSE(IsDetailsHeading(9, 3));
}

TEST(DetailsGrid, TwelveStoryLinesInBothViews) {
    const BookFiles book = WithStories(12);
    for (bool quick : {false, true}) {
        SCOPED_TRACE(quick ? "quick-search view" : "book-list view");
        const DetailsGrid grid = quick ? QuickSearchGrid(book) : BookListGrid(book);
        std::map<std::pair<int, int>, std::string> expected;
        for (int i = 0; i < 6; ++i) {
            expected[{1, 3 + i}] = "s" + std::to_string(i);
            expected[{3, 3 + i}] = "M" + std::to_string(i);
        }
        for (int i = 9; i < 12; ++i) expected[{5, i - 6}] = "s" + std::to_string(i);
        // Lines 6 to 8 stand nowhere; the heading of row 9 stays.
        EXPECT_EQ(Changes(grid), expected);
        EXPECT_EQ(grid.Cell(1, 9), "Переведено с ...");
    }
}

TEST(DetailsGrid, StoriesFileLongerThanTheGridStopsAtItsLastRow) {
    const DetailsGrid grid = BookListGrid(WithStories(80));
    EXPECT_EQ(grid.Cell(5, 29), "s35");
    EXPECT_EQ(grid.Cell(5, 30), "");
    EXPECT_EQ(Changes(grid).size(), 12u + 27u);
}

TEST(DetailsGrid, PublicationDataByLength) {
    struct Case {
        size_t lines;
        std::map<std::pair<int, int>, std::string> cells;  // checked cells; "" means left as set up
    };
    const Case cases[] = {
        {9, {{{9, 3}, "Тираж: d0"}, {{9, 6}, "ISBN из-ва АСТ: d4"}, {{9, 8}, "Номер выпуска: d6"}, {{7, 3}, ""}}},
        {10, {{{7, 3}, "d9"}, {{7, 4}, ""}}},
        {21, {{{7, 9}, "d15"}, {{1, 11}, "d19 by d20"}, {{1, 12}, ""}, {{1, 14}, ""}}},
        {27, {{{1, 12}, "d21 by d22"}, {{1, 14}, "d25 by d26"}}},
        {2, {{{9, 4}, "Год издания: d1"}, {{9, 5}, "Количество страниц:"}, {{9, 8}, "Номер выпуска:"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        BookFiles book;
        book.publication = Numbered("d", c.lines);
        const DetailsGrid grid = BookListGrid(book);
        const DetailsGrid base = DetailsGridSetUp();
        for (const auto& [cell, text] : c.cells) {
            SCOPED_TRACE(testing::Message() << "[" << cell.first << "," << cell.second << "]");
            EXPECT_EQ(grid.Cell(cell.first, cell.second), text.empty() ? base.Cell(cell.first, cell.second) : text);
        }
    }
}

TEST(DetailsGrid, QuickSearchViewShowsRowsThreeToSevenOfThePublicationData) {
    BookFiles book;
    book.publication = Numbered("d", 27);
    const std::map<std::pair<int, int>, std::string> expected = {
        {{9, 3}, "Тираж: d0"},           {{9, 4}, "Год издания: d1"}, {{9, 5}, "Количество страниц: d2"},
        {{9, 6}, "ISBN из-ва АСТ: d4"}, {{9, 7}, "ISBN TF: d5"},     {{7, 3}, "d3"},
    };
    EXPECT_EQ(Changes(QuickSearchGrid(book)), expected);
    EXPECT_EQ(Changes(QuickSearchGrid(BookFiles{})).size(), 0u);
}

TEST(BookReader, ReadsTheFilesOfABookAndMarksItsStories) {
    Tree t;
    const std::string s = "Кат/Список/Раздел/";
    t.Write(s + "Files/Книга.txt", "Первый\r\nвторой\r\nТретий\r\n\r\n../вне\r\nПятый\r\nШестой\r\n");
    t.Write(s + "Books/Книга.txt", "1000\r\n");
    t.Write(s + "Books/moreinfo/книга.TXT", "Описание\r\n");
    t.Write(s + "images/noti.jpg");
    t.Write("docs/Первый.doc");
    t.Write("docs/Первый.fb2");
    t.Write("docs/ВТОРОЙ.RTF");  // found ignoring case
    t.Write("docs/Третий.rtf/x");  // a folder, not a document
    t.Write("вне.doc");            // outside docs: never named by a story
    BookReader reader;
    const BookFiles book = reader.Read(t.place, "Книга");
    ASSERT_TRUE(book.stories);
    EXPECT_EQ(book.stories->size(), 7u);
    ASSERT_TRUE(book.publication);
    EXPECT_EQ(*book.publication, std::vector<std::string>{"1000"});
    ASSERT_TRUE(book.description);
    EXPECT_EQ(*book.description, std::vector<std::string>{"Описание"});
    EXPECT_FALSE(book.cover);
    EXPECT_EQ(book.placeholder.filename(), "noti.jpg");
    const std::array<std::string, kStoryLines> marks = {"FB2", "RTF", "", "", "", ""};
    EXPECT_EQ(book.marks, marks);

    const auto documents = reader.StoryDocuments(t.programDir, "Первый");
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_EQ(documents[0].filename(), "Первый.doc");
    EXPECT_EQ(documents[1].filename(), "Первый.fb2");
    EXPECT_TRUE(reader.StoryDocuments(t.programDir, "../вне").empty());
    EXPECT_TRUE(reader.StoryDocuments(t.programDir, "").empty());
}

TEST(BookReader, NothingButTheCoverAndReadableDocuments) {
    Tree t;
    const std::string s = "Кат/Список/Раздел/";
    t.Write(s + "images/Книга.jpg");
    t.Write(s + "Books/Doc/Второй.doc");
    t.Write(s + "Books/Doc/четвёртый.DOC");
    BookReader reader;
    const BookFiles book = reader.Read(t.place, "Книга");
    EXPECT_FALSE(book.stories || book.publication || book.description);
    ASSERT_TRUE(book.cover);
    EXPECT_EQ(book.cover->filename(), "Книга.jpg");
    EXPECT_EQ(reader.ReadMarkRows(t.place, {"Первый", "Второй", "", "Четвёртый", "Второй"}),
              (std::vector<int>{1, 3, 4}));
    EXPECT_TRUE(reader.ReadableDocument(t.place, "Второй"));
    EXPECT_FALSE(reader.ReadableDocument(t.place, "Первый"));
}

TEST(FolderIndex, SeesFilesMadeAfterAnEarlierLook) {
    Tree t;
    t.Write("docs/a.doc");
    const auto docs = t.dir / "docs";
    // An old folder time lets the index keep its listing; a new file changes the time.
    std::filesystem::last_write_time(docs, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    FolderIndex index;
    EXPECT_TRUE(index.FindFile(docs, "A.DOC"));
    EXPECT_FALSE(index.FindFile(docs, "b.doc"));
    t.Write("docs/B.doc");
    EXPECT_TRUE(index.FindFile(docs, "b.doc"));
    std::filesystem::remove(docs / "a.doc");
    EXPECT_FALSE(index.FindFile(docs, "a.doc"));
    EXPECT_FALSE(index.FindFile(t.dir / "missing", "a.doc"));
}

TEST(MarkColour, ReadsTheSkinValue) {
    TempDir dir;
    struct Case {
        const char* content;
        Rgb colour;
    };
    const Case cases[] = {{"[Editor]\r\nColortextRead=32768\r\n", {0, 128, 0}},
                          {"[Editor]\r\nColortextRead=255\r\n", {255, 0, 0}},
                          {"[Editor]\r\nColortextRead=$FF0000\r\n", {0, 0, 255}},
                          {"", {0, 0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        testsupport::WriteFile(dir / "color.ini", c.content);
        const platform::IniFile ini(dir / "color.ini");
        EXPECT_EQ(ReadMarkColour(&ini), c.colour);
    }
    EXPECT_EQ(ReadMarkColour(nullptr), Rgb{});
    testsupport::WriteFile(dir / "color.ini", platform::Utf8ToBytes("[Editor]\r\nColortextRead=зелёный\r\n"));
    const platform::IniFile bad(dir / "color.ini");
    try {
        ReadMarkColour(&bad);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("зелёный"), std::string::npos) << e.what();
    }
}

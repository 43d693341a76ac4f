// Guards the page loader: where each line of a ".texx" file goes (texts and attributes column
// by column, widths, heights), the trailer and the grid mode word, and that a bad page is
// refused before it touches the grids or stops where it went wrong.
#include <gtest/gtest.h>

#include "PageCells.h"
#include "TempDir.h"
#include "TexxLoader.h"
#include "platform/CodePage.h"
#include "platform/FileError.h"

using namespace viewer;
using testsupport::TempDir;

namespace {

using Lines = std::vector<std::string>;

struct PageFile {
    TempDir dir;
    std::string path = (dir / "page.texx").string();
    void Write(const Lines& lines) const {
        std::string text;
        for (const std::string& l : lines) text += l + "\r\n";
        testsupport::WriteFile(path, platform::Utf8ToBytes(text));
    }
};

// A 3 x 2 data page (C = 4, R = 3): texts, attributes, three widths, two heights.
Lines ThreeByTwo(const std::string& mode = "ongrid") {
    return {"4", "3", mode,
            "a11", "a12", "a21", "a22", "a31", "a32",
            "AAAC", "", "!openfile(x.texx)", " blank ", "AB", "AF",
            "10", "20", "30", "15", "25"};
}

// A page file written and loaded into a fresh page.
struct Loaded {
    explicit Loaded(const Lines& lines) {
        file.Write(lines);
        LoadTexxPage(file.path, page, commands);
    }
    PageFile file;
    MemoryPage page;
    CellCommandTable commands;
};

Lines With(Lines lines, const Lines& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

}  // namespace

TEST(TexxLoader, FillsTextsAttributesAndSizesColumnByColumn) {
    const MemoryPage page = Loaded(ThreeByTwo()).page;
    EXPECT_EQ(page.ColCount(), 4);
    EXPECT_EQ(page.RowCount(), 3);
    EXPECT_EQ(page.Text(1, 1), "a11");
    EXPECT_EQ(page.Text(1, 2), "a12");
    EXPECT_EQ(page.Text(3, 2), "a32");
    EXPECT_EQ(page.Attributes(1, 1), "AAAC");
    EXPECT_EQ(page.Attributes(1, 2), "");
    EXPECT_EQ(page.Attributes(2, 1), "!openfile(x.texx)");  // stored as written, command included
    EXPECT_EQ(page.Attributes(2, 2), " blank ");
    EXPECT_EQ(page.colWidths, (std::vector<int>{MemoryPage::kDefaultColWidth, 10, 20, 30}));
    EXPECT_EQ(page.rowHeights, (std::vector<int>{MemoryPage::kDefaultRowHeight, 15, 25}));
    // Header numbers in row 0 and column 0.
    EXPECT_EQ(page.Text(1, 0), "1");
    EXPECT_EQ(page.Text(3, 0), "3");
    EXPECT_EQ(page.Text(0, 2), "2");
    EXPECT_EQ(page.Text(0, 0), "");
}

TEST(TexxLoader, TrailersOfZeroToSevenLinesAndMoreAreIgnored) {
    for (int n = 0; n <= 9; ++n) {
        SCOPED_TRACE(n);
        Lines trailer;
        for (int i = 0; i < n; ++i) trailer.push_back(i % 2 ? "" : "trailer " + std::to_string(i));
        EXPECT_EQ(Loaded(With(ThreeByTwo(), trailer)).page.rowHeights.back(), 25);
    }
}

TEST(TexxLoader, CountsOfOneLeaveOutTheirLines) {
    struct Case {
        const char* name;
        Lines lines;
        std::vector<int> widths, heights;
    } cases[] = {
        // C = 1: no cells, no widths; the heights follow the mode word.
        {"one column", {"1", "3", "offgrid", "11", "12"}, {64}, {24, 11, 12}},
        // R = 1: no cells, no heights; the widths follow the mode word.
        {"one row", {"3", "1", "offgrid", "31", "32"}, {64, 31, 32}, {24}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MemoryPage page = Loaded(c.lines).page;
        EXPECT_EQ(page.colWidths, c.widths);
        EXPECT_EQ(page.rowHeights, c.heights);
    }
}

TEST(TexxLoader, GridModeWords) {
    const struct {
        const char* word;
        GridLines lines;
    } cases[] = {
        {"ongrid", {true, true}},     {"offgrid", {false, false}}, {"vertlines", {true, false}},
        {"horzlines", {false, true}}, {"Ongrid", {false, true}},   {"", {false, true}},
    };
    // Unknown words (the capitalised one too) leave the lines as the page before set them.
    MemoryPage page;
    CellCommandTable commands;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        PageFile f;
        f.Write(ThreeByTwo(c.word));
        LoadTexxPage(f.path, page, commands);
        EXPECT_EQ(page.lines, c.lines);
    }
}

TEST(TexxLoader, MissingTextAndAttributeLinesReadEmptyButMissingSizesFail) {
    PageFile f;
    // The file ends inside the attribute strings: the rest read empty, then the first width
    // is an empty line, which is no number.
    f.Write({"3", "2", "ongrid", "t1", "t2", "AA"});
    MemoryPage page;
    CellCommandTable commands;
    try {
        LoadTexxPage(f.path, page, commands);
        FAIL() << "no error";
    } catch (const PageError& e) {
        EXPECT_NE(std::string(e.what()).find("line 8: '' is not a valid integer value"), std::string::npos) << e.what();
    }
    EXPECT_EQ(page.Text(2, 1), "t2");
    EXPECT_EQ(page.Attributes(1, 1), "AA");
    EXPECT_EQ(page.Attributes(2, 1), "");
}

TEST(TexxLoader, BadWidthStopsThereKeepingWhatWasFilled) {
    Lines lines = ThreeByTwo();
    lines[16] = "2O";  // the second width, with a letter O
    PageFile f;
    f.Write(lines);
    MemoryPage page;
    CellCommandTable commands;
    commands.Set(1, 1, {"openfile", "old.texx"});
    EXPECT_THROW(LoadTexxPage(f.path, page, commands), PageError);
    EXPECT_EQ(page.Text(3, 2), "a32");
    EXPECT_EQ(page.Attributes(3, 2), "AF");
    EXPECT_EQ(page.colWidths[1], 10);
    EXPECT_EQ(page.colWidths[2], MemoryPage::kDefaultColWidth);
    EXPECT_EQ(commands.At(1, 1), CellCommand{});  // cleared with the attributes
}

TEST(TexxLoader, BadCountsAreRefusedBeforeTheGridsChange) {
    const struct {
        const char* name;
        Lines head;
        const char* message;
    } cases[] = {
        {"too many columns", {"502", "3"}, "502 columns"},
        {"too many rows", {"4", "100000"}, "100000 rows"},
        {"no columns", {"0", "3"}, "0 columns"},
        {"negative rows", {"4", "-2"}, "-2 rows"},
        {"not a number", {"four", "3"}, "line 1: invalid numeric input"},
        {"empty count", {"4", ""}, "line 2: invalid numeric input"},
        {"beyond 32 bits", {"99999999999", "3"}, "line 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PageFile f;
        Lines lines = ThreeByTwo();
        lines[0] = c.head[0];
        lines[1] = c.head[1];
        f.Write(lines);
        MemoryPage page;
        page.SetColCount(2);
        page.SetRowCount(2);
        page.SetText(1, 1, "kept");
        CellCommandTable commands;
        commands.Set(1, 1, {"drawimg", "kept.bmp"});
        try {
            LoadTexxPage(f.path, page, commands);
            FAIL() << "no error";
        } catch (const PageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(page.ColCount(), 2);
        EXPECT_EQ(page.Text(1, 1), "kept");
        EXPECT_EQ(commands.At(1, 1).Argument, "kept.bmp");
    }
}

TEST(TexxLoader, LargestPageLoadsAndTheCountLineMayCarryMore) {
    Lines lines = {"501 columns", "2", "offgrid"};
    for (int c = 1; c <= 500; ++c) lines.push_back("t" + std::to_string(c));
    for (int c = 1; c <= 500; ++c) lines.push_back("");
    for (int c = 1; c <= 500; ++c) lines.push_back("5");
    lines.push_back("7");
    const MemoryPage page = Loaded(lines).page;
    EXPECT_EQ(page.ColCount(), 501);
    EXPECT_EQ(page.Text(500, 1), "t500");
    EXPECT_EQ(page.rowHeights[1], 7);
}

TEST(TexxLoader, SecondPageReplacesTheFirstAndClearsItsCommands) {
    Loaded first(ThreeByTwo());
    MemoryPage& page = first.page;
    CellCommandTable& commands = first.commands;
    commands.Set(3, 2, {"openfile", "a.texx"});
    commands.Set(1, 1, {"drawimg", "b.bmp"});
    first.file.Write({"2", "4", "vertlines", "x1", "x2", "x3", "", "", "", "40", "1", "2", "3"});
    LoadTexxPage(first.file.path, page, commands);
    EXPECT_EQ(page.ColCount(), 2);
    EXPECT_EQ(page.RowCount(), 4);
    EXPECT_EQ(page.Text(1, 3), "x3");
    EXPECT_EQ(page.Text(3, 2), "");  // outside the new page
    EXPECT_EQ(page.Attributes(1, 1), "");
    EXPECT_EQ(commands.At(1, 1), CellCommand{});
    EXPECT_EQ(page.colWidths, (std::vector<int>{64, 40}));
}

TEST(TexxLoader, PathInTheProgramsFormAndCodePage1251) {
    TempDir dir;
    testsupport::WriteFile(dir / "Help/Страница.texx",
                           platform::Utf8ToBytes("2\r\n2\r\nongrid\r\nПривет «мир» №1\r\nAA\r\n50\r\n20\r\n"));
    MemoryPage page;
    CellCommandTable commands;
    LoadTexxPage(dir.path().string() + "\\\\help\\страница.TEXX", page, commands);
    EXPECT_EQ(page.Text(1, 1), "Привет «мир» №1");
}

TEST(TexxLoader, MissingFileIsAFileErrorAndChangesNothing) {
    TempDir dir;
    MemoryPage page;
    page.SetText(0, 0, "kept");
    CellCommandTable commands;
    EXPECT_THROW(LoadTexxPage((dir / "none.texx").string(), page, commands), platform::FileError);
    EXPECT_EQ(page.Text(0, 0), "kept");
}

TEST(ParseInteger, AsThePagesWriteNumbers) {
    const struct {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        {"0", 0},           {"42", 42},   {"  7", 7},       {"-15", -15},      {"+3", 3},
        {"2147483647", INT32_MAX},        {"-2147483648", INT32_MIN},          {"2147483648", std::nullopt},
        {"", std::nullopt}, {"-", std::nullopt}, {"7 ", std::nullopt}, {"1e3", std::nullopt}, {"０", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseInteger(c.text), c.value);
    }
}

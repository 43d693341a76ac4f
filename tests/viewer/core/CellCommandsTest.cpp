// Guards the cell commands of a page: formulas over numbers and referenced cells (32-bit
// wrapping), literals into the cell or a referenced one, built-in words, the link and picture
// keywords, and that a command written wrong ends its cell without writing anywhere else.
#include <gtest/gtest.h>

#include <map>

#include "CellCommands.h"
#include "Identity.h"
#include "TexxLoader.h"

using namespace viewer;

namespace {

using Cell = std::pair<int, int>;

// A page of 3 data columns by 4 data rows. Column 1 holds numbers, column 2 texts.
MemoryPage SmallPage() {
    MemoryPage page;
    page.SetColCount(4);
    page.SetRowCount(5);
    const char* numbers[] = {"4", "6", "2147483647", "-2147483648"};
    for (int r = 1; r <= 4; ++r) page.SetText(1, r, numbers[r - 1]);
    page.SetText(2, 1, "abc");
    page.SetText(2, 2, "");
    page.SetText(2, 3, "старый");
    page.SetText(0, 3, "3");  // the header numbers, as the loader writes them
    page.SetText(3, 4, "loaded ");
    return page;
}

struct Case {
    const char* name;
    std::string command;  // attribute string of cell (3, 4)
    std::map<Cell, std::string> texts;  // texts expected afterwards (others unchanged)
    CellCommand stored;                 // CellCommands of cell (3, 4) afterwards
};

void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    MemoryPage page = SmallPage();
    const MemoryPage before = SmallPage();
    page.SetAttributes(3, 4, c.command);
    CellCommandTable commands;
    EvaluateCellCommands(page, commands);
    for (int col = 0; col < page.ColCount(); ++col)
        for (int row = 0; row < page.RowCount(); ++row) {
            const auto expected = c.texts.find({col, row});
            EXPECT_EQ(page.Text(col, row), expected != c.texts.end() ? expected->second : before.Text(col, row))
                << "cell " << col << ", " << row;
        }
    EXPECT_EQ(commands.At(3, 4), c.stored);
}

}  // namespace

TEST(CellCommands, Formulas) {
    const Case cases[] = {
        {"number formula replaces the text", "!2+3=", {{{3, 4}, "5"}}, {}},
        {"codes before the command are not scanned", "AAACAB!7*6=", {{{3, 4}, "42"}}, {}},
        {"blanks and capitals are ignored", "! 1 2 - X 2 0 =", {{{3, 4}, "-8"}}, {}},
        {"numbers stay for a later =", "!2+3=4=", {{{3, 4}, "36"}}, {}},
        {"a number alone is no formula", "!23=", {}, {}},
        {"no second number", "!2+=", {}, {}},
        {"a reference left set ends the cell", "![2,3]:=[1,1]\"x\"2+3=", {{{2, 3}, "x"}}, {}},
        {"number formula wraps", "!2147483647+1=", {{{3, 4}, "-2147483648"}}, {}},
        {"product wraps", "!65536*65536=", {{{3, 4}, "0"}}, {}},
        {"reference formula appends", "![1,1]+[1,2]=", {{{3, 4}, "loaded 10"}}, {}},
        {"reference difference", "![1,2]-[1,1]=", {{{3, 4}, "loaded 2"}}, {}},
        {"reference sum wraps", "![1,3]+[1,3]=", {{{3, 4}, "loaded -2"}}, {}},
        {"reference difference wraps", "![1,4]-[1,2]=", {{{3, 4}, "loaded 2147483642"}}, {}},
        {"reference product wraps", "![1,4]*[1,4]=", {{{3, 4}, "loaded 0"}}, {}},
        {"header cells read their numbers", "![0,3]*[1,2]=", {{{3, 4}, "loaded 18"}}, {}},
        {"two formulas in turn", "![1,1]+[1,2]=[1,1]*[1,2]=", {{{3, 4}, "loaded 1024"}}, {}},
        {"an empty referenced cell ends the cell", "![2,2]+[1,1]=\"x\"", {}, {}},
        {"a reference outside the page reads empty", "![9,9]+[1,1]=", {}, {}},
        {"a reference part that is no number names no cell", "![a,1]+[1,1]=", {}, {}},
        {"no operator writes nothing", "![1,1][1,2]=\"x\"", {{{3, 4}, "loaded x"}}, {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(CellCommands, LiteralsAndBuiltIns) {
    const Case cases[] = {
        {"a literal is appended", "!\"текст\"", {{{3, 4}, "loaded текст"}}, {}},
        {"a literal into a referenced cell", "![2,3]:=\"новый\"", {{{2, 3}, "новый"}}, {}},
        {"the marker goes with the literal", "![2,3]:=\"a\"\"b\"", {{{2, 3}, "a"}, {{3, 4}, "loaded b"}}, {}},
        {"an unterminated literal writes nothing", "!\"open", {}, {}},
        {"xcomp", "!xcomp", {{{3, 4}, "loaded Company Vantor"}}, {}},
        {"xaut", "!xaut", {{{3, 4}, std::string("loaded ") + kAuthorCredit}}, {}},
        {"xmail into a referenced cell", "![2,1]:=xmail", {{{2, 1}, kContactMail}}, {}},
        {"xwebp", "!xwebp", {{{3, 4}, std::string("loaded ") + kWebsite}}, {}},
        {"set before a built-in writes nothing", "!setxaut", {}, {}},
        {"mail, aut and webp are dropped", "!mailxmail", {{{3, 4}, std::string("loaded ") + kContactMail}}, {}},
        {"letters run into one word", "!axcomp", {}, {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(CellCommands, LinksAndPictures) {
    const Case cases[] = {
        {"openfile stores its argument", "AFAAAD!openfile(about.texx)", {}, {"openfile", "about.texx"}},
        {"drawimg with empty parentheses", "!drawimg()", {}, {"drawimg", ""}},
        {"any character opens the argument", "!gotox:12)", {}, {"gotox", "12"}},
        {"a later command overwrites", "!openurl(a)gotoy(b)", {}, {"gotoy", "b"}},
        {"no closing parenthesis stores nothing", "!openfile(a.texx", {}, {}},
        {"a word before the keyword hides it", "!link openfile(a.texx)", {}, {}},
        {"a command after a literal", "!\"Далее\"openfile(next.texx)", {{{3, 4}, "loaded Далее"}},
         {"openfile", "next.texx"}},
        {"a single ! has no command", "!", {}, {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(CellCommands, ReferencesWrittenWrongEndTheCell) {
    // The literal after each broken reference would otherwise land in the cell.
    const Case cases[] = {
        {"no comma", "![12]\"x\"", {}, {}},
        {"no closing bracket", "![1,2\"x\"", {}, {}},
        {"bracket before the comma", "![1]2,3]\"x\"", {}, {}},
        {"empty column", "![,2]\"x\"", {}, {}},
        {"empty row", "![1,]\"x\"", {}, {}},
        {"cut at the end", "![", {}, {}},
        {"a third reference", "![1,1][1,2][1,3]\"x\"", {}, {}},
        {"target outside the page", "![9,1]:=\"x\"\"y\"", {}, {}},
        {"target in the header row", "![1,0]:=\"x\"", {}, {}},
        {"built-in into a target outside the page", "![0,1]:=xmail\"y\"", {}, {}},
    };
    for (const Case& c : cases) Check(c);
}

TEST(CellCommands, ColumnByColumnOrderAndConversionErrors) {
    MemoryPage page = SmallPage();
    // (1, 2) sums the cells below it before (2, 1) changes one of them; (2, 1) then writes
    // into (1, 4), which (3, 4) reads afterwards.
    page.SetAttributes(1, 2, "![1,3]+[1,4]=");
    page.SetAttributes(2, 1, "![1,4]:=\"5\"");
    page.SetAttributes(3, 4, "![1,4]*[1,1]=");
    CellCommandTable commands;
    EvaluateCellCommands(page, commands);
    EXPECT_EQ(page.Text(1, 2), "6-1");
    EXPECT_EQ(page.Text(3, 4), "loaded 20");

    // A referenced text that is no number stops the evaluation there, naming the cell.
    MemoryPage bad = SmallPage();
    bad.SetAttributes(1, 1, "![2,1]+[1,2]=");
    bad.SetAttributes(3, 4, "!\"never\"");
    try {
        EvaluateCellCommands(bad, commands);
        FAIL() << "no error";
    } catch (const PageError& e) {
        EXPECT_NE(std::string(e.what()).find("'abc' in cell [2, 1]"), std::string::npos) << e.what();
    }
    EXPECT_EQ(bad.Text(3, 4), "loaded ");

    MemoryPage tooLong = SmallPage();
    tooLong.SetAttributes(3, 4, "!99999999999+1=");
    EXPECT_THROW(EvaluateCellCommands(tooLong, commands), PageError);
}

// The ".texx" page loader: a page file (code page 1251, one item a line) into the page grid,
// its attribute grid and the cleared command table.
//
// Layout: column count C, row count R (both counting the header column and row), the grid
// mode word, the cell texts column by column, the attribute strings in the same order, C - 1
// column widths, R - 1 row heights, and a trailer of up to seven lines that means nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "PageCells.h"

namespace viewer {

// A page file or a cell command that cannot be taken; the message names the cause.
class PageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A decimal integer as the page's numbers are written: blanks before it, a sign, digits, and
// nothing after; nullopt when the text is no such number or does not fit 32 bits.
std::optional<int32_t> ParseInteger(std::string_view text);

// The grid lines a mode word asks for ("ongrid", "offgrid", "vertlines", "horzlines", exact
// and case-sensitive); nullopt for any other word, which leaves the lines as they were.
std::optional<GridLines> GridModeLines(std::string_view word);

// Loads the page named by a path in the program's form (either separator, any letter case).
// Counts outside 1 .. kMaxPageCount are refused before anything is changed. Otherwise the
// page is filled in file order, and a bad width or height stops there with what was filled
// kept, as a half-read page shows where it went wrong. Missing text or attribute lines read
// as empty. Throws platform::FileError when the file cannot be read, PageError otherwise.
void LoadTexxPage(const std::string& texxFile, PageCells& page, CellCommandTable& commands);

}  // namespace viewer

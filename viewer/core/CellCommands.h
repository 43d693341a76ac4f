// The cell commands of a loaded page: everything after the first "!" of a cell's attribute
// string. A command computes a small formula into the cell's text, writes a quoted or a
// built-in text into its own or another cell, or attaches a link or a picture to the cell.
#pragma once

#include <string>
#include <string_view>

#include "PageCells.h"

namespace viewer {

// Keywords stored in CellCommands. Only "openfile" (a double click opens the page) and
// "drawimg" (the picture is drawn in the cell) are acted on.
inline constexpr std::string_view kOpenFileCommand = "openfile";
inline constexpr std::string_view kDrawImageCommand = "drawimg";

// The texts behind the built-in words "xaut", "xmail", "xwebp" and "xcomp".
std::string BuiltInText(std::string_view word);

// Evaluates the command of every data cell once, column by column, so a formula sees the
// cells after it as loaded. A referenced cell or a number that is no 32-bit integer throws
// PageError naming the cell; the cells after it stay unevaluated. Arithmetic wraps at 32 bits.
// A reference that is not written whole, an unterminated literal or argument, or a ":="
// target that is no data cell of the page ends that cell's command.
void EvaluateCellCommands(PageCells& page, CellCommandTable& commands);

}  // namespace viewer

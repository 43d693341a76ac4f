// How a page cell is drawn from its attribute string: a row of two-letter codes at fixed
// places (font colour, background, font style, font name, font size, alignment, border),
// turned into drawing operations that the window's painter carries out in order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "MarkColour.h"
#include "PageCells.h"

namespace viewer {

// The cell as the grid places it: left, top, and the column's width and row's height. The
// cell's own pixels are L .. L+W-1 and T .. T+H-1; L+W and T+H lie on the grid line after it.
struct CellBox {
    int left = 0, top = 0, width = 0, height = 0;
};

// Pixels filled black, for borders: x .. x+width-1, y .. y+height-1.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

enum FontStyleBits : unsigned { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };
enum class TextAlign { Left, Centre, Right };

struct SetFontColour { Rgb colour; bool operator==(const SetFontColour&) const = default; };
struct SetBrushColour { Rgb colour; bool operator==(const SetBrushColour&) const = default; };
struct AddFontStyles { unsigned styles = 0; bool operator==(const AddFontStyles&) const = default; };
struct ClearFontStyles { bool operator==(const ClearFontStyles&) const = default; };
struct SetFontName { std::string name; bool operator==(const SetFontName&) const = default; };
struct SetFontPoints { int points = 0; bool operator==(const SetFontPoints&) const = default; };
// The cell filled with the brush, the text at (left + 2, top + 2) in the current font, clipped.
struct DrawCellText { bool operator==(const DrawCellText&) const = default; };
// The cell filled with the brush, the text on one line at the top of the whole cell.
struct DrawAlignedText { TextAlign align = TextAlign::Left; bool operator==(const DrawAlignedText&) const = default; };
struct DrawBorder { std::vector<PixelRect> pixels; bool operator==(const DrawBorder&) const = default; };

using CellDrawOp = std::variant<SetFontColour, SetBrushColour, AddFontStyles, ClearFontStyles, SetFontName,
                                SetFontPoints, DrawCellText, DrawAlignedText, DrawBorder>;

struct CellDrawing {
    // A picture of the help folder drawn first, unscaled, at the cell's top-left corner.
    std::optional<std::string> picture;
    std::vector<CellDrawOp> ops;  // after the grid's own drawing, which the painter starts with
};

// What the codes mean, one table per position; nullopt for a pair that matches nothing.
std::optional<Rgb> FontColourCode(std::string_view code);
std::optional<Rgb> BackgroundColourCode(std::string_view code);
// A style code either clears every style or adds some (FontStyleBits).
struct FontStyleChange {
    bool clear = false;
    unsigned add = 0;
    bool operator==(const FontStyleChange&) const = default;
};
std::optional<FontStyleChange> FontStyleCode(std::string_view code);
std::optional<std::string> FontNameCode(std::string_view code);
std::optional<int> FontSizeCode(std::string_view code);  // points; nullopt leaves the size
std::optional<TextAlign> AlignmentCode(std::string_view code);
std::optional<std::vector<PixelRect>> BorderCode(std::string_view code, const CellBox& box);

// The whole plan for one data cell from its attribute string (text of the page's code page,
// held as UTF-8) and its command record.
CellDrawing PlanCellDrawing(std::string_view attributes, const CellCommand& command, const CellBox& box);

}  // namespace viewer

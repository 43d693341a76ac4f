// The painted chrome of the skinned window: where its bitmaps are tiled, the title blend, the
// status text, and the zones of its buttons.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "SkinFiles.h"
#include "WindowLayout.h"

namespace viewer {

// One bitmap of the chrome set (an index into kChromeBitmaps) drawn with its top-left corner
// at (x, y).
struct ChromeBlit {
    int bitmap = 0;
    int x = 0, y = 0;
    bool operator==(const ChromeBlit&) const = default;
};
using ChromeSizes = std::array<Size, std::size(kChromeBitmaps)>;

// Borders tiled down both sides, the title strip across the top and the status strip across
// the bottom, each with its end pieces, in drawing order. A bitmap without width or height is
// not tiled. In a window narrower than the end pieces they overlap.
std::vector<ChromeBlit> ChromeTiles(Size window, const ChromeSizes& sizes);

// The share of the skin picture in the blended title line, in per cent: the sum of the
// option's and the skin's values, bounded to 0..100.
int TitleBlendPercent(int32_t option, int32_t skin);

// Mixes the title pixels with the pixels behind them, byte by byte:
// title := (title * percent + behind * (100 - percent)) div 100. Bytes that have no partner
// in `behind` are left as they are.
void BlendTitle(std::span<uint8_t> title, std::span<const uint8_t> behind, int percent);

// "Last update base: " + day + " " + month name + " " + year + " year".
std::string BaseStatusText(const std::string& day, const std::string& monthName, const std::string& year);
// What the window's status line reads: a notice the user has not yet seen stands in for the
// date of the last database update until the user acts.
std::string StatusLineText(std::string_view notice, const std::string& day, const std::string& monthName,
                           const std::string& year);

// The title line's mouse zones, from the window size, TitleLineHeight and the close button's
// bitmap; a bitmap that is missing has no size, so its zone holds no point.
struct TitleZones {
    Size window;
    int titleLineHeight = 0;
    Size closeButton;  // z_ib_close
};
bool InTitleStrip(const TitleZones& z, int x, int y);
bool InCloseButton(const TitleZones& z, int x, int y);
// The part of the title strip that moves the window: left of the close button.
bool InMoveStrip(const TitleZones& z, int x, int y);
// A button drawn with its top-left corner at `at`: strictly inside its bitmap's rectangle.
bool InButton(Point at, Size bitmap, int x, int y);

}  // namespace viewer

// What the two painted panels (the update panel and the options and help panel) share: the
// skinned frame tiled around the panel's picture, the band of the title line that is mixed
// with the window beneath the panel, and the colours the panels take from color.ini.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "Chrome.h"
#include "MarkColour.h"
#include "WindowLayout.h"
#include "platform/IniFile.h"

namespace viewer {

// The frame bitmaps in drawing order; "w_dr" (the bottom-right corner) is optional and has no
// size when the skin lacks it.
inline constexpr const char* kPanelFrameBitmaps[] = {"w_fon", "w_d", "w_l", "w_r", "w_tl", "w_tr", "w_dr"};
using PanelFrameSizes = std::array<Size, std::size(kPanelFrameBitmaps)>;

// The top tiled across, the bottom across, the left and right sides down, the two top corners
// (the right one a pixel in from the edge) and the optional bottom-right corner inside the
// right and bottom edges. Blits index kPanelFrameBitmaps. A bitmap without size is not drawn.
std::vector<ChromeBlit> PanelFrameTiles(Size panel, const PanelFrameSizes& sizes);

// Whether a pixel of the panel's picture lies in the band around its edge that a title line
// mixes with what lies beneath (30 rows at the top, 24 at the bottom, 15 columns each side).
// A title line up to 30 rows high lies wholly in it.
bool InPanelBorderBand(int x, int y, Size panel);

// One row y of a panel's title line (three bytes a pixel, `panel.width` pixels) mixed with the
// same row of what lies beneath, by the chrome's title blend, in the border band only.
void BlendPanelTitleRow(std::span<uint8_t> title, std::span<const uint8_t> behind, int y, Size panel, int percent);

// The panels' colours from the skin's color.ini, each an integer with its default.
struct PanelColours {
    Rgb dialogFon;        // [Dialog] Fon: the update panel's picture
    Rgb dialogText;       // [Dialog] TextColor: the status line, the menu captions, the update options
    Rgb titleText;        // [Message] ColortextZ: the panels' titles
    Rgb windowFon;        // [Window] ColorFon: the options panel's picture and its controls
    Rgb borderLine;       // [Dialog] BorderlineColor: the options panel's frames
    Rgb selectedMenu;     // [Dialog] SelmenuColor: the chosen entry of its menu
    Rgb editorFon;        // [Editor] ColorFon: the skin list, once "Skins" is clicked
    Rgb editorText;       // [Editor] Colortext: its texts
    bool operator==(const PanelColours&) const = default;
};
inline constexpr int32_t kDefaultDialogFon = 14211288;  // $D8D8D8
PanelColours ReadPanelColours(const platform::IniFile& color);

}  // namespace viewer

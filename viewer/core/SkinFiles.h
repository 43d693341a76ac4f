// The skin files: where a skin's files lie, the bitmaps every skin must hold, and the values
// of color.ini, size.ini, coordinats.ini and options.ini that the layout and the chrome use.
// Everything a repaint needs is read into one value first, so a bad value stops the repaint
// before it has changed anything.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "MarkColour.h"
#include "platform/IniFile.h"

namespace viewer {

// The reserved name: the window keeps its design look and the desktop's frame. Exact case.
inline constexpr const char* kWindowsSkin = "Windows";
inline bool IsWindowsSkin(std::string_view name) { return name == kWindowsSkin; }

// Bitmap sets of a skin folder (names without ".bmp"). The chrome and button sets are drawn
// on the window, the frame and update sets by its panels; only "w_dr" may be missing.
inline constexpr const char* kChromeBitmaps[] = {"leftb_fon", "rightb_fon", "z_fon",   "z_left",
                                                 "z_right",   "ss_fon",     "ss_left", "ss_right"};
inline constexpr const char* kButtonBitmaps[] = {"z_ib_close", "z_ib_close_a", "z_ib_close_p", "z_ib_cf",
                                                 "z_ib_cf_a",  "tb_plus",      "tb_plus_a",    "tb_minus",
                                                 "tb_minus_a", "b_cansel",     "b_cansel_a",   "b_cansel_p"};
inline constexpr const char* kPanelBitmaps[] = {
    "w_fon", "w_l", "w_r", "w_tl", "w_tr", "w_d", "b_update", "b_update_a", "b_update_p", "b_update_f", "b_update_f_a"};
inline constexpr const char* kOptionalPanelBitmap = "w_dr";

// ProgramDir + "\skins\" + skin + "\" + file, resolved for this file system.
std::filesystem::path SkinFile(const std::string& programDir, const std::string& skin, std::string_view file);
std::filesystem::path SkinBitmapFile(const std::string& programDir, const std::string& skin, std::string_view name);

// Colours are Rgb values (MarkColour.h): only the low 24 bits of a stored value are colour,
// so every channel is 0..255 whatever the file holds.
// A colour read as text (default "0", black) and converted; a value that is not an integer
// throws std::runtime_error naming the file, the key and the value.
Rgb ReadTextColour(const platform::IniFile& ini, std::string_view section, std::string_view key);
// A colour read as an integer with a default; a missing or unreadable value gives the default.
Rgb ReadIntColour(const platform::IniFile& ini, std::string_view section, std::string_view key, int32_t def);

inline constexpr int32_t kDefaultPanelColour = 12369084;  // $BCBCBC
inline constexpr int32_t kDefaultTitleColour = 14211288;  // $D8D8D8

// The colours of color.ini that the window and its chrome take.
struct SkinColours {
    Rgb windowFon;    // [Window] Colorfon: window, Panel1, GroupBox1, chrome fill
    Rgb menuText;     // [Menu] Colortext: the menu labels and the status label
    Rgb editorText;   // [Editor] Colortext: lists, search box, text box, skin group
    Rgb editorFon;    // [Editor] Colorfon: lists, search box, page grid, text box, cover box
    Rgb statusText;   // [Dialog] TextColor: the status line on the chrome
    Rgb programName;  // [Form] NameprogColor: the program name on the title line
};
SkinColours ReadSkinColours(const platform::IniFile& color);

// coordinats.ini [Window]: where the chain of controls starts.
struct SkinCoordinates {
    int32_t menuTop = 10;
    int32_t firstCompTop = 50;
    int32_t firstCompLeft = 10;
    bool operator==(const SkinCoordinates&) const = default;
};
SkinCoordinates ReadSkinCoordinates(const platform::IniFile& coordinats);

// size.ini [Form] HeightLine (default 15): the height of the painted title line. A negative
// height is read as 0, as no line can be drawn upwards.
int32_t ReadTitleLineHeight(const platform::IniFile& size);

// What the layout takes from options.ini and the skin.
struct LayoutSettings {
    int32_t windowHeight = 500;
    int32_t windowWidth = 600;
    int32_t blendOption = 0;       // options.ini [Window] TransparencyWin9xme
    int32_t blendSkin = 0;         // color.ini [Window] TransWin9xmeZagCoef
    std::string transparencyMode;  // options.ini [Window] TransparencyOnOff, default "on"
    SkinCoordinates coordinates;
    SkinColours colours;
};
LayoutSettings ReadLayoutSettings(const platform::IniFile& options, const platform::IniFile& color,
                                  const platform::IniFile& coordinats);

}  // namespace viewer

#include "SkinFiles.h"

#include <algorithm>
#include <stdexcept>

#include "Startup.h"
#include "platform/Paths.h"

namespace viewer {

std::filesystem::path SkinFile(const std::string& programDir, const std::string& skin, std::string_view file) {
    return DataPath(programDir, "skins\\" + skin + "\\" + std::string(file));
}

std::filesystem::path SkinBitmapFile(const std::string& programDir, const std::string& skin, std::string_view name) {
    return SkinFile(programDir, skin, std::string(name) + ".bmp");
}

Rgb ReadTextColour(const platform::IniFile& ini, std::string_view section, std::string_view key) {
    const std::string text = ini.ReadString(section, key, "0");
    const auto value = platform::ParseInt32(text);
    if (!value)
        throw std::runtime_error("'" + text + "' is not a valid integer value ([" + std::string(section) + "] " +
                                 std::string(key) + " in \"" + platform::PathText(ini.FileName()) + "\")");
    return ColourFromValue(*value);
}

Rgb ReadIntColour(const platform::IniFile& ini, std::string_view section, std::string_view key, int32_t def) {
    return ColourFromValue(ini.ReadInteger(section, key, def));
}

SkinColours ReadSkinColours(const platform::IniFile& color) {
    SkinColours c;
    c.windowFon = ReadTextColour(color, "Window", "Colorfon");
    c.menuText = ReadTextColour(color, "Menu", "Colortext");
    c.editorText = ReadTextColour(color, "Editor", "Colortext");
    c.editorFon = ReadTextColour(color, "Editor", "Colorfon");
    c.statusText = ReadIntColour(color, "Dialog", "TextColor", kDefaultPanelColour);
    c.programName = ReadIntColour(color, "Form", "NameprogColor", kDefaultTitleColour);
    return c;
}

SkinCoordinates ReadSkinCoordinates(const platform::IniFile& coordinats) {
    SkinCoordinates c;
    c.menuTop = coordinats.ReadInteger("Window", "MenuTop", c.menuTop);
    c.firstCompTop = coordinats.ReadInteger("Window", "FirstCompTop", c.firstCompTop);
    c.firstCompLeft = coordinats.ReadInteger("Window", "FirstCompleft", c.firstCompLeft);
    return c;
}

int32_t ReadTitleLineHeight(const platform::IniFile& size) {
    return std::max<int32_t>(0, size.ReadInteger("Form", "HeightLine", 15));
}

LayoutSettings ReadLayoutSettings(const platform::IniFile& options, const platform::IniFile& color,
                                  const platform::IniFile& coordinats) {
    LayoutSettings s;
    s.windowHeight = options.ReadInteger("Window", "Height", 500);
    s.windowWidth = options.ReadInteger("Window", "Width", 600);
    s.blendOption = options.ReadInteger("Window", "TransparencyWin9xme", 0);
    s.transparencyMode = options.ReadString("Window", "TransparencyOnOff", "on");
    s.blendSkin = color.ReadInteger("Window", "TransWin9xmeZagCoef", 0);
    s.coordinates = ReadSkinCoordinates(coordinats);
    s.colours = ReadSkinColours(color);
    return s;
}

}  // namespace viewer

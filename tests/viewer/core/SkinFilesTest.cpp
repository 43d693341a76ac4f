// Guards the reading of a skin's files: every colour with its reading style and default, a
// key written under both spellings, a colour that is no number, the skin's coordinates and
// title height, and what the layout takes from options.ini.
#include <gtest/gtest.h>

#include "SkinFiles.h"
#include "TempDir.h"

using namespace viewer;
using testsupport::TempDir;

namespace {

platform::IniFile Ini(const TempDir& dir, const char* name, const std::string& text) {
    testsupport::WriteFile(dir / name, text);
    return platform::IniFile(dir / name);
}

Rgb RgbOf(int r, int g, int b) { return {static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)}; }

}  // namespace

TEST(SkinFiles, ColoursOfACompleteColourFile) {
    TempDir dir;
    const auto color = Ini(dir, "color.ini",
                           "[Window]\r\nColorfon=15790320\r\n[Menu]\r\nColortext=255\r\n"
                           "[Editor]\r\nColortext=65280\r\nColorfon=$FF0000\r\n"
                           "[Dialog]\r\nTextColor=4210752\r\n[Form]\r\nNameprogColor=16777215\r\n");
    const SkinColours c = ReadSkinColours(color);
    EXPECT_EQ(c.windowFon, RgbOf(240, 240, 240));
    EXPECT_EQ(c.menuText, RgbOf(255, 0, 0));  // low byte red
    EXPECT_EQ(c.editorText, RgbOf(0, 255, 0));
    EXPECT_EQ(c.editorFon, RgbOf(0, 0, 255));
    EXPECT_EQ(c.statusText, RgbOf(64, 64, 64));
    EXPECT_EQ(c.programName, RgbOf(255, 255, 255));
}

TEST(SkinFiles, MissingColoursTakeTheirReadersDefaults) {
    TempDir dir;
    const SkinColours c = ReadSkinColours(platform::IniFile(dir / "none.ini"));
    // Text reads default to "0", black; integer reads to their greys.
    EXPECT_EQ(c.windowFon, RgbOf(0, 0, 0));
    EXPECT_EQ(c.menuText, RgbOf(0, 0, 0));
    EXPECT_EQ(c.editorText, RgbOf(0, 0, 0));
    EXPECT_EQ(c.editorFon, RgbOf(0, 0, 0));
    EXPECT_EQ(c.statusText, RgbOf(0xBC, 0xBC, 0xBC));
    EXPECT_EQ(c.programName, RgbOf(0xD8, 0xD8, 0xD8));
}

TEST(SkinFiles, KeyNamesIgnoreCaseSoTheFirstSpellingServesBothReaders) {
    TempDir dir;
    const auto both = Ini(dir, "both.ini", "[window]\r\nColorFon=255\r\nColorfon=65280\r\n");
    EXPECT_EQ(ReadTextColour(both, "Window", "Colorfon"), RgbOf(255, 0, 0));
    EXPECT_EQ(ReadIntColour(both, "Window", "ColorFon", kDefaultPanelColour), RgbOf(255, 0, 0));
    // A file with the panel's spelling only still colours the main window.
    const auto one = Ini(dir, "one.ini", "[Window]\r\nColorFon=16711680\r\n");
    EXPECT_EQ(ReadSkinColours(one).windowFon, RgbOf(0, 0, 255));
}

TEST(SkinFiles, ColourThatIsNoNumber) {
    TempDir dir;
    const auto color = Ini(dir, "color.ini", "[Editor]\r\nColorfon=white\r\n[Dialog]\r\nTextColor=grey\r\n");
    try {
        ReadSkinColours(color);
        FAIL() << "a text colour that is no number must stop the reading";
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("'white'"), std::string::npos) << what;
        EXPECT_NE(what.find("Colorfon"), std::string::npos) << what;
        EXPECT_NE(what.find("color.ini"), std::string::npos) << what;
    }
    // Integer reads fall back to their default instead.
    EXPECT_EQ(ReadIntColour(color, "Dialog", "TextColor", kDefaultPanelColour), RgbOf(0xBC, 0xBC, 0xBC));
}

TEST(SkinFiles, ChannelsStayWithinAByteWhateverTheFileHolds) {
    TempDir dir;
    const auto color = Ini(dir, "color.ini", "[Window]\r\nColorfon=-1\r\n[Menu]\r\nColortext=$7FFFFFFF\r\n");
    EXPECT_EQ(ReadTextColour(color, "Window", "Colorfon"), RgbOf(255, 255, 255));
    EXPECT_EQ(ReadTextColour(color, "Menu", "Colortext"), RgbOf(255, 255, 255));
}

TEST(SkinFiles, CoordinatesTitleHeightAndLayoutSettings) {
    TempDir dir;
    const platform::IniFile none(dir / "none.ini");
    EXPECT_EQ(ReadSkinCoordinates(none), (SkinCoordinates{10, 50, 10}));
    EXPECT_EQ(ReadTitleLineHeight(none), 15);
    const auto coords = Ini(dir, "coordinats.ini", "[Window]\r\nMenuTop=31\r\nFirstCompTop=52\r\nFirstCompleft=12\r\n");
    EXPECT_EQ(ReadSkinCoordinates(coords), (SkinCoordinates{31, 52, 12}));
    EXPECT_EQ(ReadTitleLineHeight(Ini(dir, "size.ini", "[Form]\r\nHeightLine=26\r\n")), 26);
    EXPECT_EQ(ReadTitleLineHeight(Ini(dir, "neg.ini", "[Form]\r\nHeightLine=-4\r\n")), 0);

    const LayoutSettings defaults = ReadLayoutSettings(none, none, none);
    EXPECT_EQ(defaults.windowHeight, 500);
    EXPECT_EQ(defaults.windowWidth, 600);
    EXPECT_EQ(defaults.blendOption, 0);
    EXPECT_EQ(defaults.blendSkin, 0);
    EXPECT_EQ(defaults.transparencyMode, "on");

    const auto options = Ini(dir, "options.ini",
                             "[Window]\r\nHeight=700\r\nWidth=1100\r\nTransparencyWin9xme=55\r\n"
                             "TransparencyOnOff=On\r\n");
    const auto color = Ini(dir, "color2.ini", "[Window]\r\nTransWin9xmeZagCoef=10\r\n");
    const LayoutSettings s = ReadLayoutSettings(options, color, coords);
    EXPECT_EQ(s.windowHeight, 700);
    EXPECT_EQ(s.windowWidth, 1100);
    EXPECT_EQ(s.blendOption, 55);
    EXPECT_EQ(s.blendSkin, 10);
    EXPECT_EQ(s.transparencyMode, "On");  // kept as written: only "on" turns the see-through on
    EXPECT_EQ(s.coordinates.firstCompLeft, 12);
}

TEST(SkinFiles, OnlyTheExactNameIsTheWindowsSkin) {
    EXPECT_TRUE(IsWindowsSkin("Windows"));
    EXPECT_FALSE(IsWindowsSkin("windows"));
    EXPECT_FALSE(IsWindowsSkin("Windows "));
}

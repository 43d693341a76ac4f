// Guards the INI rules the options and skin files rely on: names without case, keys with
// spaces, trimmed and quoted values, integers that fall back to the default, writes that
// keep the rest of the file and land on disk at once in code page 1251.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/IniFile.h"

using platform::IniFile;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(IniFile, MissingFileReadsAsEmpty) {
    TempDir dir;
    IniFile ini(dir / "none.ini");
    EXPECT_EQ(ini.ReadString("Window", "Max", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("Window", "Height", 500), 500);
    EXPECT_FALSE(ini.ValueExists("Window", "Height"));
    EXPECT_FALSE(ini.SectionExists("Window"));
    EXPECT_FALSE(std::filesystem::exists(dir / "none.ini"));
}

TEST(IniFile, ReadsWithoutCaseAndTrims) {
    TempDir dir;
    WriteFile(dir / "o.ini",
              "; comment\r\n[Update]\r\n  Automatically check for updates of the database = 0 \r\n"
              "Quoted=\"  x \"\r\n[\xCE\xEA\xED\xEE]\r\n\xD0\xE0\xE7\xEC\xE5\xF0=\xC1\xEE\xEB\xFC\xF8\xEE\xE9\r\n");
    IniFile ini(dir / "o.ini");
    EXPECT_EQ(ini.ReadInteger("UPDATE", "automatically CHECK for updates of the database", 1), 0);
    EXPECT_EQ(ini.ReadString("update", "quoted", ""), "  x ");
    EXPECT_EQ(ini.ReadString("окно", "РАЗМЕР", ""), "Большой");
    EXPECT_TRUE(ini.ValueExists("Окно", "размер"));
}

TEST(IniFile, IntegerParsing) {
    struct Case { const char* text; int32_t expect; };
    const Case cases[] = {
        {"8", 8}, {"-3", -3}, {"+7", 7}, {"$1F", 31}, {"0x10", 16}, {"$FFFFFFFF", -1},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"2147483648", 99}, {"", 99}, {"1.5", 99}, {"12abc", 99}, {"abc", 99}, {"$", 99}, {"- 1", 99},
    };
    TempDir dir;
    IniFile ini(dir / "n.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ini.WriteString("N", "v", c.text);
        EXPECT_EQ(ini.ReadInteger("N", "v", 99), c.expect);
    }
}

TEST(IniFile, WritesKeepTheRestAndReachTheDisk) {
    TempDir dir;
    WriteFile(dir / "o.ini", "[Window]\r\nHeight=500\r\n\r\n[Other]\r\nA=1\r\n");
    IniFile ini(dir / "o.ini");
    ini.WriteInteger("WINDOW", "height", 640);
    ini.WriteString("Window", "Max", "off");
    ini.WriteString("Interface", "Text size", "8");
    ini.WriteString("Текст", "Имя", "Значение");
    EXPECT_EQ(ReadFile(dir / "o.ini"),
              "[Window]\r\nheight=640\r\nMax=off\r\n\r\n[Other]\r\nA=1\r\n\r\n[Interface]\r\nText size=8\r\n"
              "\r\n[\xD2\xE5\xEA\xF1\xF2]\r\n\xC8\xEC\xFF=\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\n");
    // A second object on the same file sees every write at once.
    IniFile other(dir / "o.ini");
    EXPECT_EQ(other.ReadInteger("window", "HEIGHT", 0), 640);
    EXPECT_EQ(other.ReadString("текст", "имя", ""), "Значение");
    // Several keys in one write: each where a single write puts it, a new section made once.
    ini.WriteIntegers("Window", {{"Height", 700}, {"Width", 980}});
    ini.WriteIntegers("Grip", {{"X", 1}, {"Y", -2}});
    EXPECT_EQ(ReadFile(dir / "o.ini"),
              "[Window]\r\nHeight=700\r\nMax=off\r\nWidth=980\r\n\r\n[Other]\r\nA=1\r\n\r\n[Interface]\r\nText size=8\r\n"
              "\r\n[\xD2\xE5\xEA\xF1\xF2]\r\n\xC8\xEC\xFF=\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5\r\n\r\n[Grip]\r\nX=1\r\nY=-2\r\n");
}

TEST(IniFile, SeesChangesMadeByOthers) {
    TempDir dir;
    IniFile ini(dir / "o.ini");
    EXPECT_EQ(ini.ReadInteger("S", "k", 1), 1);
    WriteFile(dir / "o.ini", "[S]\nk=5\n");
    EXPECT_EQ(ini.ReadInteger("S", "k", 1), 5);
    std::filesystem::remove(dir / "o.ini");
    EXPECT_EQ(ini.ReadInteger("S", "k", 1), 1);
}

TEST(IniFile, FirstOfDuplicateKeysWins) {
    TempDir dir;
    WriteFile(dir / "o.ini", "[S]\nk=1\nK=2\n");
    IniFile ini(dir / "o.ini");
    EXPECT_EQ(ini.ReadString("s", "k", ""), "1");
    ini.WriteString("S", "k", "3");
    EXPECT_EQ(ReadFile(dir / "o.ini"), "[S]\r\nk=3\r\nK=2\r\n");
}

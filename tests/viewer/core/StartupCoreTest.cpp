// Guards the start-up decisions that need no window: the registry step in its three cases,
// the defaults writer, the automatic-check table and the base date split.
#include <gtest/gtest.h>

#include "Identity.h"
#include "Options.h"
#include "Startup.h"
#include "TempDir.h"
#include "platform/Registry.h"

using namespace viewer;
using testsupport::TempDir;

namespace {

struct RegistryFixture : testing::Test {
    TempDir dir;
    testsupport::EnvGuard xdg{"XDG_CONFIG_HOME", (dir / "config").string()};
    testsupport::EnvGuard xdgData{"XDG_DATA_HOME", (dir / "data").string()};
    platform::RegIniFile Open() {
        platform::RegIniFile reg("software");
        reg.OpenKey("Vantor Company", true);
        return reg;
    }
};

}  // namespace

TEST_F(RegistryFixture, FirstStartWritesEightValuesAndTheFileType) {
    const std::string install = (dir / "inst").string();
    auto reg = Open();
    const auto result = RunRegistryStep(reg, install);
    EXPECT_TRUE(result.registered);
    EXPECT_EQ(result.programDir, install + "\\");
    const std::pair<const char*, std::string> values[] = {
        {"Name of the program", "VantorBooks"}, {"Version", "1.42"},      {"Build", "x5"},
        {"Path", install},                      {"Full path", install + "/VantorBooks"},
        {"filename", "filename"},               {"paramstr", "paramstr"}, {"Website of the program", kWebsite},
    };
    for (const auto& [name, value] : values) {
        SCOPED_TRACE(name);
        EXPECT_EQ(reg.ReadString("VantorBooks", name, "<none>"), value);
    }
    platform::Registry classes(platform::RegRoot::ClassesRoot);
    ASSERT_TRUE(classes.OpenKey(".nodx", false));
    EXPECT_EQ(classes.ReadString(""), "nodx_auto_file");
    ASSERT_TRUE(classes.OpenKey("ShellNew", false));
    EXPECT_TRUE(classes.ValueExists("NullFile"));
    classes.CloseKey();
    ASSERT_TRUE(classes.OpenKey("nodx_auto_file", false));
    EXPECT_EQ(classes.ReadString(""), "NodX file");
}

TEST_F(RegistryFixture, KnownInstallationWinsAndOnlyChangedIdentityIsWritten) {
    testsupport::WriteFile(dir / "inst/VantorBooks", "");
    auto reg = Open();
    reg.WriteString("VantorBooks", "Path", (dir / "inst").string());
    reg.WriteString("VantorBooks", "Full path", (dir / "inst/VantorBooks").string());
    reg.WriteString("VantorBooks", "Version", "1.30");
    reg.WriteString("VantorBooks", "Build", "x5");
    reg.WriteString("VantorBooks", "filename", "kept");
    const auto result = RunRegistryStep(reg, (dir / "elsewhere").string());
    EXPECT_FALSE(result.registered);
    EXPECT_EQ(result.programDir, (dir / "inst").string() + "\\");
    EXPECT_EQ(reg.ReadString("VantorBooks", "Version", ""), "1.42");
    EXPECT_EQ(reg.ReadString("VantorBooks", "filename", ""), "kept");
    EXPECT_EQ(reg.ReadString("VantorBooks", "Name of the program", "<none>"), "<none>");
}

TEST_F(RegistryFixture, MovedInstallationIsRegisteredAgain) {
    auto reg = Open();
    reg.WriteString("VantorBooks", "Path", (dir / "old").string());
    reg.WriteString("VantorBooks", "Full path", (dir / "old/VantorBooks").string());
    const auto result = RunRegistryStep(reg, (dir / "new").string());
    EXPECT_TRUE(result.registered);
    EXPECT_EQ(result.programDir, (dir / "new").string() + "\\");
    EXPECT_EQ(reg.ReadString("VantorBooks", "Full path", ""), (dir / "new/VantorBooks").string());
}

TEST(Options, DefaultsWriterFillsOnlyWhatIsMissing) {
    TempDir dir;
    testsupport::WriteFile(dir / "options.ini", "[Window]\r\nHeight=640\r\n[Update]\r\nAutomatically check for program updates=0\r\n");
    platform::IniFile ini(dir / "options.ini");
    WriteMissingOptionDefaults(ini);
    EXPECT_EQ(ini.ReadInteger("Window", "Height", 0), 640);
    EXPECT_EQ(ini.ReadInteger("Window", "Width", 0), 600);
    EXPECT_EQ(ini.ReadString("Window", "Max", ""), "off");
    EXPECT_EQ(ini.ReadInteger("Window", "TransparencyWin9xme", 0), 55);
    EXPECT_EQ(ini.ReadString("Window", "TransparencyOnOff", ""), "on");
    EXPECT_EQ(ini.ReadInteger("Update", kKeyCheckBase, 9), 1);
    EXPECT_EQ(ini.ReadInteger("Update", kKeyCheckProgram, 9), 0);
    EXPECT_EQ(ini.ReadInteger("Interface", "Text size", 0), 8);
    const std::string once = testsupport::ReadFile(dir / "options.ini");
    WriteMissingOptionDefaults(ini);
    EXPECT_EQ(testsupport::ReadFile(dir / "options.ini"), once);
}

TEST(Options, AutoCheckTable) {
    struct Case { int d, p; bool base, program; };
    const Case cases[] = {
        {0, 0, false, false}, {2, 1, false, false}, {1, 0, true, false}, {0, 1, false, true},
        {1, 1, true, true},   {1, 2, false, false}, {-1, 1, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.d << "/" << c.p);
        const auto choice = DecideAutoCheck(c.d, c.p);
        EXPECT_EQ(choice.base, c.base);
        EXPECT_EQ(choice.program, c.program);
        EXPECT_EQ(choice.runCheck(), c.base || c.program);
    }
}

TEST(BaseDate, SplitTable) {
    struct Case { const char* text; const char* year; const char* day; const char* month; };
    const Case cases[] = {
        {"20180802", "2018", "02", "August"}, {"20180202", "2018", "02", "Febrary"},
        {"20181231", "2018", "31", "December"}, {"20181301", "2018", "01", ""},
        {"201801", "2018", "", "January"},    {"20", "20", "", ""}, {"", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto date = SplitBaseDate(c.text);
        EXPECT_EQ(date.year, c.year);
        EXPECT_EQ(date.day, c.day);
        EXPECT_EQ(date.monthName, c.month);
    }
}

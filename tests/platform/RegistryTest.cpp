// Guards the file-backed registry: keys and values without case, the current key moving with
// OpenKey, default values, and the file living under $XDG_CONFIG_HOME.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Registry.h"

using namespace platform;
using testsupport::TempDir;

TEST(Registry, FileUnderXdgConfigHome) {
    TempDir dir;
    testsupport::EnvGuard xdg("XDG_CONFIG_HOME", dir.path().string());
    EXPECT_EQ(RegistryFilePath(), dir / "Vantor Company/registry.ini");
    testsupport::EnvGuard noXdg("XDG_CONFIG_HOME", std::nullopt);
    testsupport::EnvGuard home("HOME", "/home/someone");
    EXPECT_EQ(RegistryFilePath(), "/home/someone/.config/Vantor Company/registry.ini");
}

TEST(Registry, RegIniFileSectionsAreSubkeys) {
    TempDir dir;
    testsupport::EnvGuard xdg("XDG_CONFIG_HOME", dir.path().string());
    RegIniFile reg("software");
    ASSERT_TRUE(reg.OpenKey("Vantor Company", true));
    EXPECT_FALSE(reg.KeyExists("VantorBooks"));
    EXPECT_EQ(reg.ReadString("VantorBooks", "Path", "C:"), "C:");
    reg.WriteString("VantorBooks", "Path", "/opt/Книги");
    EXPECT_TRUE(reg.KeyExists("vantorbooks"));

    RegIniFile again("SOFTWARE");
    again.OpenKey("vantor company", false);
    EXPECT_EQ(again.ReadString("VANTORBOOKS", "path", ""), "/opt/Книги");
    EXPECT_EQ(again.ReadString("VantorBooks", "Version", "0.0"), "0.0");

    Registry raw(RegRoot::CurrentUser);
    ASSERT_TRUE(raw.OpenKey("\\software\\Vantor Company\\VantorBooks", false));
    EXPECT_EQ(raw.ReadString("Path"), "/opt/Книги");
}

TEST(Registry, ClassesRootWithDefaultValuesAndRelativeKeys) {
    TempDir dir;
    testsupport::EnvGuard xdg("XDG_CONFIG_HOME", dir.path().string());
    Registry reg(RegRoot::ClassesRoot);
    EXPECT_FALSE(reg.OpenKey(".nodx\\", false));
    ASSERT_TRUE(reg.OpenKey(".nodx\\", true));
    reg.WriteString("", "nodx_auto_file");
    ASSERT_TRUE(reg.OpenKey("ShellNew\\", true));
    reg.WriteString("NullFile", "");
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), "HKEY_CLASSES_ROOT");
    EXPECT_TRUE(reg.KeyExists(".NODX\\shellnew"));

    Registry check(RegRoot::ClassesRoot);
    ASSERT_TRUE(check.OpenKey(".nodx", false));
    EXPECT_EQ(check.ReadString(""), "nodx_auto_file");
    ASSERT_TRUE(check.OpenKey("ShellNew", false));
    EXPECT_TRUE(check.ValueExists("NullFile"));
    EXPECT_EQ(check.ReadString("NullFile"), "");
    // The classes root and the user's tree do not mix.
    Registry user(RegRoot::CurrentUser);
    EXPECT_FALSE(user.KeyExists(".nodx"));
}

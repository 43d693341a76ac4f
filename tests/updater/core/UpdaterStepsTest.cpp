// Guards how the updater finds the installation through the viewer's registry key: the key
// with its program file, the key whose program file is gone (the updater ends), no key (names
// resolve against the current directory), and exactly one backslash after "Path".
#include <gtest/gtest.h>

#include "TempDir.h"
#include "UpdaterSteps.h"

using testsupport::TempDir;

TEST(UpdaterSteps, FindsTheInstallationThroughTheRegistry) {
    TempDir root;
    testsupport::EnvGuard xdg("XDG_CONFIG_HOME", (root / "config").string());
    const std::string dir = (root / "install").string();
    testsupport::WriteFile(root / "install/VantorBooks", "program");
    struct Case {
        const char* name;
        bool key;
        std::string path, fullPath;
        bool end;
        std::string installDir;
    };
    const Case cases[] = {
        {"key with its program", true, dir, dir + "\\VantorBooks", false, dir + "\\"},
        {"key with its program, written with slashes", true, dir, dir + "/VantorBooks", false, dir + "\\"},
        {"program file gone", true, dir, dir + "\\Gone", true, ""},
        {"no key", false, "", "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(root / "config");
        platform::RegIniFile reg("software");
        reg.OpenKey(updater::kCompanyKey, true);
        if (c.key) {
            reg.WriteString("VantorBooks", "Path", c.path);
            reg.WriteString("VantorBooks", "Full path", c.fullPath);
        }
        const auto lookup = updater::FindInstallDir(reg);
        EXPECT_EQ(lookup.end, c.end);
        EXPECT_EQ(lookup.installDir, c.installDir);
    }
    // The installation directory ends with one backslash, so names join without a doubled one;
    // without it they name files of the current directory.
    EXPECT_EQ(updater::InstallFile(dir + "\\", "VantorBooks"), root / "install/VantorBooks");
    EXPECT_EQ(updater::InstallFile("", "updatevnbooks.zip"), std::filesystem::path("updatevnbooks.zip"));
}

// Guards the file type registered with the desktop: the shared-mime-info type under the
// user's data folder, the empty template in a templates folder the user has, the desktop's
// database refreshed where its tool is installed, and nothing fatal where a part cannot be
// written or a tool is missing.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/DesktopFileType.h"
#include "platform/Process.h"
#include "platform/XdgDirs.h"

using namespace platform;
using testsupport::EnvGuard;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const DesktopFileType kNodx{".nodx", "nodx_auto_file", "NodX file", true};

struct Desktop {
    TempDir dir;
    EnvGuard home{"HOME", (dir / "home").string()};
    EnvGuard config{"XDG_CONFIG_HOME", (dir / "home/.config").string()};
    EnvGuard data{"XDG_DATA_HOME", (dir / "home/.local/share").string()};
};

}  // namespace

TEST(DesktopFileType, MimeTypeAndTemplate) {
    Desktop d;
    WriteFile(d.dir / "home/.config/user-dirs.dirs",
              "# written by the desktop\nXDG_TEMPLATES_DIR=\"$HOME/Vorlagen\"\n");
    std::filesystem::create_directories(d.dir / "home/Vorlagen");
    EXPECT_EQ(RegisterDesktopFileType(kNodx), "");

    const std::string xml = ReadFile(d.dir / "home/.local/share/mime/packages/nodx_auto_file.xml");
    EXPECT_NE(xml.find("<mime-type type=\"application/x-nodx\">"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<comment>NodX file</comment>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<glob pattern=\"*.nodx\"/>"), std::string::npos) << xml;
    const auto templ = d.dir / "home/Vorlagen/NodX file.nodx";
    ASSERT_TRUE(std::filesystem::exists(templ));
    EXPECT_EQ(std::filesystem::file_size(templ), 0u);

    // A template the user has filled since is theirs.
    WriteFile(templ, "mine");
    EXPECT_EQ(RegisterDesktopFileType(kNodx), "");
    EXPECT_EQ(ReadFile(templ), "mine");
}

TEST(DesktopFileType, TheDesktopsDatabaseIsRefreshedWhereItsToolIsInstalled) {
    if (!RunTool("update-mime-database", {"-v"})) GTEST_SKIP() << "update-mime-database is not installed";
    Desktop d;
    RegisterDesktopFileType(kNodx);
    const std::string globs = ReadFile(d.dir / "home/.local/share/mime/globs2");
    EXPECT_NE(globs.find("application/x-nodx:*.nodx"), std::string::npos) << globs;
}

TEST(DesktopFileType, WithoutToolsOrTemplatesFolderTheTypeIsStillWritten) {
    Desktop d;
    EnvGuard path("PATH", (d.dir / "no-tools").string());
    EXPECT_FALSE(RunTool("update-mime-database", {}));
    EXPECT_EQ(RegisterDesktopFileType(kNodx), "");
    EXPECT_TRUE(std::filesystem::exists(d.dir / "home/.local/share/mime/packages/nodx_auto_file.xml"));
    EXPECT_FALSE(std::filesystem::exists(d.dir / "home/.local/share/mime/globs2"));
    EXPECT_FALSE(std::filesystem::exists(d.dir / "home/Templates"));
}

TEST(DesktopFileType, WhatCannotBeWrittenIsReportedNotThrown) {
    Desktop d;
    WriteFile(d.dir / "home/.local/share/mime", "a file where the folder should be");
    std::string problem;
    EXPECT_NO_THROW(problem = RegisterDesktopFileType(kNodx));
    EXPECT_NE(problem.find("nodx_auto_file.xml"), std::string::npos) << problem;
}

TEST(XdgDirs, TemplatesFolderFromUserDirs) {
    struct Case {
        const char* line;
        std::optional<std::string> want;  // below the test's home
    };
    const Case cases[] = {
        {"XDG_TEMPLATES_DIR=\"$HOME/Templates\"", "Templates"},
        {"XDG_TEMPLATES_DIR=\"$HOME/\"", std::nullopt},  // the home folder itself: turned off
        {"XDG_TEMPLATES_DIR=\"$HOME\"", std::nullopt},
        {"XDG_TEMPLATES_DIR=\"relative/path\"", std::nullopt},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Desktop d;
        WriteFile(d.dir / "home/.config/user-dirs.dirs", std::string(c.line) + "\n");
        const auto got = UserTemplatesDir();
        if (c.want) {
            ASSERT_TRUE(got);
            EXPECT_EQ(*got, d.dir / "home" / *c.want);
        } else {
            EXPECT_FALSE(got) << *got;
        }
    }
    Desktop none;
    EXPECT_FALSE(UserTemplatesDir());
    WriteFile(none.dir / "home/.config/user-dirs.dirs", "XDG_TEMPLATES_DIR=\"/srv/shared/templates\"\n");
    EXPECT_EQ(UserTemplatesDir(), std::filesystem::path("/srv/shared/templates"));
    EXPECT_EQ(XdgDataHome(), none.dir / "home/.local/share");
}

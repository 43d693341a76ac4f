// Guards the desktop's opener: it hands a file or a web address to the desktop's launcher,
// and a launcher that gives up (no program for the type, no browser, the program failed) or
// cannot be started is told in words, once, after the launcher ended.
#include <gtest/gtest.h>

#include <QTest>

#include <sys/stat.h>

#include <optional>

#include "DesktopShellOpener.h"
#include "TempDir.h"

namespace {

// A launcher that notes what it was given and ends with the status.
std::filesystem::path FakeLauncher(const testsupport::TempDir& dir, int status) {
    const auto script = dir / ("launcher-" + std::to_string(status));
    // The note appears whole or not at all, so the test never reads half of it.
    testsupport::WriteFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.part\" && mv \"$0.part\" \"$0.args\"\nexit " +
                                       std::to_string(status) + "\n");
    ::chmod(script.c_str(), 0755);
    return script;
}

}  // namespace

TEST(DesktopShellOpener, TellsWhyTheLauncherGaveUp) {
    testsupport::TempDir dir;
    const std::filesystem::path document = dir / "Ночь.rtf";
    struct Case {
        int status;
        std::string target;
        std::optional<std::string> cause;
    };
    const Case cases[] = {
        {0, document.string(), std::nullopt},
        {3, document.string(), "no program is set to open files of this type"},
        {4, document.string(), "the program set to open it failed"},
        {3, "http://vantorbooks.example.org/", "no web browser is set up"},
        {2, document.string(), "the file does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target << " " << c.status);
        const auto launcher = FakeLauncher(dir, c.status);
        viewerui::DesktopShellOpener opener(QString::fromStdString(launcher.string()));
        std::vector<std::string> causes;
        opener.Open(c.target, [&](const std::string& cause) { causes.push_back(cause); });
        const auto args = std::filesystem::path(launcher.string() + ".args");
        ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(args); }, 5000)) << "the launcher never ran";
        EXPECT_EQ(testsupport::ReadFile(args), c.target);
        if (c.cause) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !causes.empty(); }, 5000));
            EXPECT_EQ(causes, std::vector<std::string>{*c.cause});
        } else {
            QTest::qWait(200);
            EXPECT_TRUE(causes.empty()) << causes.front();
        }
        std::filesystem::remove(args);
    }
}

TEST(DesktopShellOpener, ALauncherThatCannotStartIsTold) {
    testsupport::TempDir dir;
    const auto launcher = dir / "launcher";
    testsupport::WriteFile(launcher, "not a program");
    ::chmod(launcher.c_str(), 0755);
    viewerui::DesktopShellOpener opener(QString::fromStdString(launcher.string()));
    std::vector<std::string> causes;
    opener.Open(dir / "Ночь.rtf", [&](const std::string& cause) { causes.push_back(cause); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !causes.empty(); }, 5000));
    QTest::qWait(100);
    ASSERT_EQ(causes.size(), 1u);
    EXPECT_TRUE(causes.front().starts_with("the desktop's launcher could not be started")) << causes.front();
}

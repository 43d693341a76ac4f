// Guards the program start of the hand-over: a started program runs in the given folder, and
// a missing or non-executable one is reported as not started.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "TempDir.h"
#include "platform/Process.h"

using testsupport::TempDir;

TEST(Process, StartsInTheGivenFolderWithoutArguments) {
    TempDir dir;
    testsupport::WriteFile(dir / "prog.sh", "#!/bin/sh\npwd > mark.txt\necho \"$#\" >> mark.txt\n");
    ::chmod((dir / "prog.sh").c_str(), 0755);
    std::filesystem::create_directories(dir / "work");
    std::string error;
    ASSERT_TRUE(platform::StartProgram(dir / "prog.sh", dir / "work", &error)) << error;
    auto lines = [&] {
        const std::string text = testsupport::ReadFile(dir / "work/mark.txt");
        return std::count(text.begin(), text.end(), '\n');
    };
    for (int i = 0; i < 500 && lines() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(testsupport::ReadFile(dir / "work/mark.txt"), (dir / "work").string() + "\n0\n");
}

TEST(Process, MissingOrNotExecutableIsNotStarted) {
    TempDir dir;
    testsupport::WriteFile(dir / "plain.txt", "x");
    std::filesystem::create_directories(dir / "folder");
    for (const char* name : {"missing", "plain.txt", "folder"}) {
        SCOPED_TRACE(name);
        std::string error;
        EXPECT_FALSE(platform::StartProgram(dir / name, dir.path(), &error));
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

TEST(Process, ModuleCheckAnswersNotLoadedUnlessReplaced) {
    EXPECT_FALSE(platform::IsModuleLoaded("CALC"));
    platform::SetModuleCheckForTesting([](std::string_view n) { return n == "CALC"; });
    EXPECT_TRUE(platform::IsModuleLoaded("CALC"));
    platform::SetModuleCheckForTesting(nullptr);
    EXPECT_FALSE(platform::IsModuleLoaded("CALC"));
}

// Guards the updater's window and its two timers, offscreen, with the extraction behind the
// unpack seam played by the test and a small program of ours in place of the viewer: the
// normal hand-back (unpacked, then the viewer started from the installation and still
// executable), the cases that end without starting anything, a failed unpack shown once with
// its timer off and tried again on the next tick, no second unpack at once, the old viewer
// started again with the error once the unpack kept failing, the wait while a "CALC"
// module is loaded, and a killed unpack's journal that is damaged told without ending the update.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>

#include "ChildProcesses.h"
#include "Dialogs.h"
#include "Installation.h"
#include "TForm1.h"
#include "UpdaterSteps.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;
using testsupport::Installation;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// A viewer that leaves a mark: its folder, its argument count and which one it was.
std::string MarkProgram(const std::string& which) {
    return "#!/bin/sh\n{ pwd; echo \"$#\"; echo " + which + "; } > \"$PWD/restarted.tmp\"\nmv restarted.tmp restarted.txt\n";
}

void WriteViewer(const fs::path& dir, const std::string& which) {
    WriteFile(dir / "VantorBooks", MarkProgram(which));
    ::chmod((dir / "VantorBooks").c_str(), 0755);
}

void RegisterViewer(const fs::path& dir, const std::string& program = "VantorBooks") {
    platform::RegIniFile reg("software");
    reg.OpenKey("Vantor Company", true);
    reg.WriteString("VantorBooks", "Path", dir.string());  // no trailing backslash, as the viewer writes it
    reg.WriteString("VantorBooks", "Full path", dir.string() + "\\" + program);
}

// The extraction for the test's scope: writes a new viewer (without execute permission, as
// an archive made on Windows would) and a data file, or fails while `failures` lasts.
struct Seam {
    int calls = 0;
    int failures = 0;
    bool writesViewer = true;
    std::function<void()> during;  // runs inside every extraction
    Seam() {
        unpack::SetExtractorForTesting([this](const fs::path&, const fs::path& folder) {
            ++calls;
            if (during) during();
            if (failures > 0) {
                --failures;
                throw std::runtime_error("Invalid size or check sum of file");
            }
            if (writesViewer) {
                WriteFile(folder / "VantorBooks", MarkProgram("new"));
                ::chmod((folder / "VantorBooks").c_str(), 0644);
            }
            WriteFile(folder / "docs/added.doc", "added");
        });
    }
    ~Seam() { unpack::SetExtractorForTesting(nullptr); }
};

// A registered installation with the old viewer and a downloaded program update beside it.
void PrepareUpdate(const Installation& inst) {
    RegisterViewer(inst.dir());
    WriteViewer(inst.dir(), "old");
    WriteFile(inst.dir() / "updatevnbooks.zip", "archive");
}

bool WaitForMark(const fs::path& dir) {
    return QTest::qWaitFor([&] { return fs::exists(dir / "restarted.txt"); }, 5000);
}

}  // namespace

TEST(UpdaterForm, WindowAsDesigned) {
    Installation inst;
    TForm1 form;
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Installing VantorBooks. Please wait"));
    EXPECT_EQ(form.Label1->pos(), QPoint(9, 9));
    EXPECT_EQ(form.Label1->font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(form.Label1->font().pixelSize(), 15);
    EXPECT_EQ(form.size(), QSize(18 + form.Label1->width(), 18 + form.Label1->height()));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0xF0, 0xF0, 0xFA));
    EXPECT_EQ(form.Label1->palette().color(QPalette::WindowText), QColor(0x45, 0x43, 0x97));
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 2000);
    EXPECT_FALSE(form.Timer2->isActive());
    EXPECT_EQ(form.Timer2->interval(), 1000);
}

TEST(UpdaterForm, UnpacksThenStartsTheViewerFromTheInstallation) {
    struct Case {
        const char* name;
        bool registered;  // else the key is missing and the current folder holds everything
    };
    for (const Case c : {Case{"registered installation", true}, Case{"no registry key", false}}) {
        SCOPED_TRACE(c.name);
        Installation inst;
        const fs::path dir = c.registered ? inst.dir() / "elsewhere" : inst.dir();
        if (c.registered) RegisterViewer(dir);
        WriteViewer(dir, "old");
        WriteFile(dir / "updatevnbooks.zip", "archive");
        Seam seam;
        TForm1 form;
        EXPECT_EQ(form.InstallDir, c.registered ? dir.string() + "\\" : "");
        seam.during = [&] {
            EXPECT_FALSE(form.Timer1->isActive());
            form.Timer1Timer();  // a tick meanwhile starts no second unpack
        };
        form.Timer1Timer();
        EXPECT_EQ(seam.calls, 1);
        EXPECT_EQ(ReadFile(dir / "docs/added.doc"), "added");
        EXPECT_FALSE(form.Timer1->isActive());
        EXPECT_TRUE(form.Timer2->isActive());
        EXPECT_FALSE(form.Ended());

        form.Timer2Timer();
        EXPECT_TRUE(form.Ended());
        EXPECT_FALSE(form.Timer2->isActive());
        ASSERT_TRUE(WaitForMark(dir));
        // The new program, started in the installation without arguments.
        EXPECT_EQ(ReadFile(dir / "restarted.txt"), dir.string() + "\n0\nnew\n");
        EXPECT_TRUE(fs::exists(dir / "updatevnbooks.zip"));  // the archive stays
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(UpdaterForm, EndsWithoutStartingAnything) {
    enum class Key { Valid, ProgramGone, Missing };
    struct Case {
        const char* name;
        Key key;
        bool archive;
        bool viewer;            // a viewer in the installation, and one in the archive
        bool viewerExecutable;
        const char* dialog;  // nullptr: none
    };
    const Case cases[] = {
        {"the key's program file is gone", Key::ProgramGone, true, true, true, nullptr},
        {"no archive", Key::Valid, false, true, true, nullptr},
        {"no key and no viewer beside the updater", Key::Missing, true, false, true, nullptr},
        {"a viewer that cannot be started", Key::Valid, true, true, false, "error: Cannot start"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        const fs::path dir = inst.dir();
        if (c.key != Key::Missing) RegisterViewer(dir, c.key == Key::ProgramGone ? "Gone" : "VantorBooks");
        if (c.viewer) WriteViewer(dir, "old");
        if (!c.viewerExecutable) ::chmod((dir / "VantorBooks").c_str(), 0644);
        if (c.archive) WriteFile(dir / "updatevnbooks.zip", "archive");
        Seam seam;
        seam.writesViewer = c.viewer;
        const auto children = testsupport::ChildProcesses();
        TForm1 form;
        if (!form.Ended()) form.Timer1Timer();
        if (!form.Ended()) form.Timer2Timer();
        EXPECT_TRUE(form.Ended());
        EXPECT_FALSE(form.Timer1->isActive());
        EXPECT_FALSE(form.Timer2->isActive());
        EXPECT_EQ(seam.calls, c.key == Key::ProgramGone || !c.archive ? 0 : 1);
        EXPECT_TRUE(testsupport::ChildProcessesSince(children).empty()) << "a program was started";
        EXPECT_FALSE(fs::exists(dir / "restarted.txt"));
        if (c.dialog) {
            ASSERT_EQ(inst.dialogs.size(), 1u);
            EXPECT_TRUE(inst.dialogs[0].starts_with(c.dialog)) << inst.dialogs[0];
        } else {
            EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
        }
    }
}

TEST(UpdaterForm, AFailedUnpackIsShownOnceAndTriedAgainOnTheNextTick) {
    Installation inst;
    PrepareUpdate(inst);
    Seam seam;
    seam.failures = 1;
    TForm1 form;
    std::vector<std::string> shown;
    // The error box: while it is up the timer is off, and a tick that still arrives does nothing.
    viewerui::SetDialogSinkForTesting([&](const QString& kind, const QString& text) {
        shown.push_back((kind + QStringLiteral(": ") + text).toStdString());
        EXPECT_FALSE(form.Timer1->isActive());
        form.Timer1Timer();
    });
    form.Timer1Timer();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("updatevnbooks.zip"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find("Invalid size or check sum of file"), std::string::npos) << shown[0];
    EXPECT_EQ(seam.calls, 1);
    EXPECT_TRUE(form.Timer1->isActive());  // tried again on the next tick
    EXPECT_FALSE(form.Timer2->isActive());
    EXPECT_FALSE(fs::exists(inst.dir() / "docs/added.doc"));
    EXPECT_EQ(ReadFile(inst.dir() / "VantorBooks"), MarkProgram("old"));

    form.Timer1Timer();
    EXPECT_EQ(seam.calls, 2);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_TRUE(form.Timer2->isActive());
    EXPECT_EQ(ReadFile(inst.dir() / "docs/added.doc"), "added");
}

TEST(UpdaterForm, AnUnpackThatKeepsFailingStartsTheOldViewerWithTheError) {
    Installation inst;
    PrepareUpdate(inst);
    Seam seam;
    seam.failures = 100;
    TForm1 form;
    for (int attempt = 1; attempt <= updater::kUnpackAttempts; ++attempt) {
        SCOPED_TRACE(attempt);
        ASSERT_TRUE(form.Timer1->isActive());
        form.Timer1Timer();
        ASSERT_EQ(inst.dialogs.size(), static_cast<size_t>(attempt));
        EXPECT_NE(inst.dialogs.back().find("Invalid size or check sum of file"), std::string::npos);
    }
    EXPECT_EQ(seam.calls, updater::kUnpackAttempts);
    EXPECT_NE(inst.dialogs.back().find("The update was not installed; VantorBooks is started again as it was."),
              std::string::npos)
        << inst.dialogs.back();
    EXPECT_FALSE(form.Timer1->isActive());
    ASSERT_TRUE(form.Timer2->isActive());
    form.Timer2Timer();
    EXPECT_TRUE(form.Ended());
    ASSERT_TRUE(WaitForMark(inst.dir()));
    EXPECT_NE(ReadFile(inst.dir() / "restarted.txt").find("old"), std::string::npos);
    EXPECT_EQ(ReadFile(inst.dir() / "updatevnbooks.zip"), "archive");
}

TEST(UpdaterForm, ADamagedJournalIsToldAndTheUpdateStillInstalled) {
    Installation inst;
    PrepareUpdate(inst);
    WriteFile(inst.dir() / ".unpack-4242-0/journal", "unpack journal 2\nF\t/x/a\t/x/b\t/x/c\t1");
    Seam seam;
    TForm1 form;
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs[0].find(".unpack-4242-0/journal\" is damaged: it is cut short."), std::string::npos)
        << inst.dialogs[0];
    EXPECT_FALSE(form.Ended());
    form.Timer1Timer();
    EXPECT_EQ(ReadFile(inst.dir() / "docs/added.doc"), "added");
    ASSERT_TRUE(form.Timer2->isActive());
    form.Timer2Timer();
    ASSERT_TRUE(WaitForMark(inst.dir()));
    EXPECT_EQ(inst.dialogs.size(), 1u);
    EXPECT_TRUE(fs::exists(inst.dir() / ".unpack-4242-0/journal.damaged"));
}

TEST(UpdaterForm, WaitsWhileACalcModuleIsLoaded) {
    Installation inst;
    PrepareUpdate(inst);
    Seam seam;
    TForm1 form;
    form.Timer1Timer();
    platform::SetModuleCheckForTesting([](std::string_view name) { return name == "CALC"; });
    form.Timer2Timer();
    platform::SetModuleCheckForTesting(nullptr);
    EXPECT_FALSE(form.Ended());
    EXPECT_TRUE(form.Timer2->isActive());  // fires again a second later
    EXPECT_FALSE(fs::exists(inst.dir() / "restarted.txt"));
    form.Timer2Timer();
    EXPECT_TRUE(form.Ended());
    ASSERT_TRUE(WaitForMark(inst.dir()));
}

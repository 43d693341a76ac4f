// Guards the viewer's start-up driven through its window: what the first and later starts
// write and read, the automatic-check boxes, the reset and its command, one clear error for
// each missing data file (and one for a read-only installation) with the window opening in the
// state reached, and what a killed run left cleared before anything is read, off the window's
// thread: an interrupted update undone and told once, a damaged journal told once, start-up
// going on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTest>

#include <map>

#include "Installation.h"
#include "KilledUnpack.h"
#include "Unwritable.h"
#include "TForm1.h"
#include "WindowLayout.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"

using testsupport::Installation;

namespace {

// Start-up undoes what a killed run left off the window's thread; the rest of it follows.
bool StartedUp(const TForm1& form) {
    return QTest::qWaitFor([&] { return !form.Working(); }, 10000);
}

std::string Reg(const char* name) {
    platform::RegIniFile reg("software");
    reg.OpenKey("Vantor Company", false);
    return reg.ReadString("VantorBooks", name, "<none>");
}
}  // namespace

TEST(FormStartup, FirstStartRegistersReadsAndWritesDefaults) {
    Installation inst;
    inst.WriteMinimal();
    TForm1 form;
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(form.Config().ProgramDir, inst.dir().string() + "\\");
    EXPECT_EQ(Reg("Path"), inst.dir().string());
    EXPECT_EQ(Reg("Version"), "1.42");
    EXPECT_EQ(form.Config().SkinName, "Classic");
    ASSERT_EQ(form.ListBox8->count(), 2);
    EXPECT_EQ(form.ListBox8->item(0)->text(), QStringLiteral("Фантастика"));
    // The skin's layout sizes the window from the options' defaults, within what it needs.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const viewer::Size size = viewer::BoundWindowSize({600, 500}, {screen.width(), screen.height()});
    EXPECT_EQ(form.size(), QSize(size.width, size.height));
    // The file type is known to the registry and to the desktop.
    EXPECT_EQ(platform::Registry(platform::RegRoot::ClassesRoot).KeyExists(".nodx"), true);
    EXPECT_TRUE(std::filesystem::exists(inst.dataDir() / "mime/packages/nodx_auto_file.xml"));
    platform::IniFile options(inst.dir() / "options.ini");
    EXPECT_EQ(options.ReadInteger("Window", "Height", 0), 500);
    EXPECT_EQ(options.ReadInteger("Interface", "Text size", 0), 8);
    EXPECT_EQ(form.Config().BaseYear, "2018");
    EXPECT_EQ(form.Config().BaseDay, "02");
    EXPECT_EQ(form.Config().BaseMonthName, "August");
    // No options file: both automatic checks.
    EXPECT_TRUE(form.Config().AutoCheckBase);
    EXPECT_TRUE(form.Config().AutoCheckProgram);
    EXPECT_TRUE(form.CheckBox1->isChecked());
    EXPECT_TRUE(form.CheckBox2->isChecked());
    EXPECT_EQ(form.Config().ColorIni->ReadInteger("Editor", "ColortextRead", 0), 255);
}

TEST(FormStartup, LaterStartFromElsewhereUsesTheRegisteredPath) {
    Installation inst;
    inst.WriteMinimal();
    { TForm1 first; }
    std::filesystem::create_directories(inst.root() / "elsewhere");
    testsupport::CwdGuard away(inst.root() / "elsewhere");
    TForm1 form;
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(form.Config().ProgramDir, inst.dir().string() + "\\");
    EXPECT_EQ(form.Config().SkinName, "Classic");  // read from the installation, not from the current folder
    EXPECT_EQ(form.ListBox8->count(), 2);
    EXPECT_EQ(Reg("Path"), inst.dir().string());
}

TEST(FormStartup, MovedInstallationIsRegisteredAgain) {
    Installation inst;
    inst.WriteMinimal();
    { TForm1 first; }
    const auto moved = inst.root() / "moved";
    std::filesystem::rename(inst.dir(), moved);  // the registered program file is gone with it
    testsupport::CwdGuard there(moved);
    TForm1 form;
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(form.Config().ProgramDir, moved.string() + "\\");
    EXPECT_EQ(Reg("Path"), moved.string());
    EXPECT_EQ(Reg("Full path"), (moved / "VantorBooks").string());
    EXPECT_EQ(form.ListBox8->count(), 2);
}

TEST(FormStartup, ActivationLeavesTheWindowWhereItWas) {
    Installation inst;
    inst.WriteMinimal();
    TForm1 form;
    form.show();
    // The options' default, in which activations repaint the chrome.
    ASSERT_EQ(form.Config().TransparencyMode, "on");
    const QPoint before = form.pos();
    for (int i = 0; i < 3; ++i) form.AppActivate();
    QApplication::processEvents();
    EXPECT_EQ(form.pos(), before);
}

TEST(FormStartup, AutomaticCheckPairsSetFlagsAndBoxes) {
    struct Case { int d, p; int base, program; };
    const Case cases[] = {{0, 0, 0, 0}, {2, 1, 0, 0}, {1, 0, 1, 0}, {0, 1, 0, 1}, {1, 1, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.d << "/" << c.p);
        Installation inst;
        inst.WriteMinimal();
        inst.Write("options.ini", "[Update]\r\nAutomatically check for updates of the database=" + std::to_string(c.d) +
                                      "\r\nAutomatically check for program updates=" + std::to_string(c.p) + "\r\n");
        TForm1 form;
        EXPECT_EQ(form.Config().AutoCheckBase, c.base == 1);
        EXPECT_EQ(form.Config().AutoCheckProgram, c.program == 1);
        EXPECT_EQ(form.CheckBox1->isChecked(), c.base == 1);
        EXPECT_EQ(form.CheckBox2->isChecked(), c.program == 1);
        // The stored pair is left as it was: a box ticked from code writes its own value back.
        platform::IniFile options(inst.dir() / "options.ini");
        EXPECT_EQ(options.ReadInteger("Update", "Automatically check for updates of the database", -9), c.d);
        EXPECT_EQ(options.ReadInteger("Update", "Automatically check for program updates", -9), c.p);
    }
}

TEST(FormStartup, CheckBoxesWriteTheOptionAtOnce) {
    Installation inst;
    inst.WriteMinimal();
    TForm1 form;
    QTest::mouseClick(form.CheckBox1, Qt::LeftButton);
    platform::IniFile options(inst.dir() / "options.ini");
    EXPECT_EQ(options.ReadInteger("Update", "Automatically check for updates of the database", -9), 0);
    form.CheckBox2->setChecked(false);
    EXPECT_EQ(options.ReadInteger("Update", "Automatically check for program updates", -9), 0);
    EXPECT_TRUE(form.Config().AutoCheckBase);  // takes effect at the next start
}

TEST(FormStartup, ResetCommandDeletesOptionsAndEndsTheProgram) {
    struct Case { const char* text; bool resets; };
    const Case cases[] = {{"kqm:purge", true}, {"KQM:PURGE", false}, {"kqm:purge ", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Installation inst;
        inst.WriteMinimal();
        inst.Write("VantorBooks.txt", "not ours to delete");
        TForm1 form;
        form.show();
        ASSERT_TRUE(inst.Exists("options.ini"));
        form.Edit3->setText(QString::fromUtf8(c.text));
        QTest::keyClick(form.Edit3, Qt::Key_Return);
        EXPECT_EQ(inst.Exists("options.ini"), !c.resets);
        EXPECT_EQ(form.isVisible(), !c.resets);
        EXPECT_TRUE(inst.Exists("VantorBooks.txt"));
    }
}

TEST(FormStartup, ResetRoutineWithoutOptionsFileStillCloses) {
    Installation inst;
    inst.WriteMinimal();
    TForm1 form;
    form.show();
    std::filesystem::remove(inst.dir() / "options.ini");
    form.N08011->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(inst.dialogs.empty());
}

TEST(FormStartup, MissingOrShortDataFileGivesOneErrorNamingIt) {
    struct Case { const char* file; const char* content; const char* named; bool categories; bool options; };
    const Case cases[] = {
        {"skins/skin_select.txt", nullptr, "skin_select.txt", false, false},
        {"skins/skin_select.txt", "", "skin_select.txt", false, false},
        {"lang.txt", nullptr, "lang.txt", false, false},
        {"update.lasx", nullptr, "update.lasx", true, true},
        {"update.lasx", "a\r\nb\r\nc\r\n", "update.lasx", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << (c.content ? " short" : " missing"));
        Installation inst;
        inst.WriteMinimal();
        std::filesystem::remove(inst.dir() / c.file);
        if (c.content) inst.Write(c.file, c.content);
        TForm1 form;
        ASSERT_EQ(inst.dialogs.size(), 1u);
        EXPECT_NE(inst.dialogs[0].find(c.named), std::string::npos) << inst.dialogs[0];
        EXPECT_EQ(form.ListBox8->count() > 0, c.categories);
        EXPECT_EQ(inst.Exists("options.ini"), c.options);
        EXPECT_EQ(inst.Exists(c.file), c.content != nullptr);  // nothing written in its place
        EXPECT_TRUE(form.Config().BaseMonthName.empty());
    }
}

TEST(FormStartup, ResetSwitchIsAcceptedAndDefaultsAreWritten) {
    Installation inst;
    inst.WriteMinimal();
    TForm1 form(QStringList{QStringLiteral("VantorBooks"), QStringLiteral("/reset")});
    EXPECT_TRUE(inst.dialogs.empty());
    EXPECT_TRUE(form.Config().ResetSwitchGiven);
    EXPECT_EQ(platform::IniFile(inst.dir() / "options.ini").ReadString("Window", "Max", ""), "off");
    TForm1 other(QStringList{QStringLiteral("VantorBooks"), QStringLiteral("/RESET")});
    EXPECT_FALSE(other.Config().ResetSwitchGiven);
}

TEST(FormStartup, WhatAKilledRunLeftIsClearedFirst) {
    Installation inst;
    inst.WriteMinimal();
    inst.Write("options.ini",
               "[Update]\r\nAutomatically check for updates of the database=0\r\n"
               "Automatically check for program updates=0\r\n");
    // A killed unpack's scratch folder, and partial downloads of a killed transfer.
    testsupport::WriteFile(inst.dir() / ".unpack-4242-0/new/docs/a.doc", "half extracted");
    testsupport::WriteFile(inst.dir() / ".docs.zip.part-0123456789ab", "half downloaded");
    testsupport::WriteFile(inst.dir() / ".update.lasx.part-ba9876543210", "half downloaded");
    testsupport::WriteFile(inst.dir() / "docs.zip.part-is-not-ours", "kept");
    TForm1 form;
    ASSERT_TRUE(StartedUp(form));
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(inst.dir())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"VantorBooks", "docs.zip.part-is-not-ours", "lang.txt", "options.ini",
                                               "skins", "update.lasx"}));
}

TEST(FormStartup, ADamagedJournalOfAKilledRunIsToldOnceAndStartUpGoesOn) {
    const struct {
        const char* name;
        std::string journal;
    } cases[] = {
        {"cut short", "unpack journal 2\nF\t/x/docs/a.doc\t/x/.unpack-4242-0/new/docs/a.doc\t/x/.unpack-4242-0/kept/0\t12"},
        {"garbage", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"an overlong number", "unpack journal 2\nD\t/x/docs\t99999999999999999999999999\nE\t1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        inst.WriteMinimal();
        const auto scratch = inst.dir() / ".unpack-4242-0";
        testsupport::WriteFile(scratch / "journal", c.journal);
        testsupport::WriteFile(scratch / "kept/0", "a replaced file");
        {
            TForm1 form;
            ASSERT_TRUE(StartedUp(form));
            ASSERT_EQ(inst.dialogs.size(), 1u);
            EXPECT_NE(inst.dialogs[0].find("\"" + (scratch / "journal").string() + "\" is damaged"), std::string::npos)
                << inst.dialogs[0];
            // The rest of start-up ran: categories, skin, base date.
            EXPECT_EQ(form.ListBox8->count(), 2);
            EXPECT_EQ(form.Config().SkinName, "Classic");
            EXPECT_EQ(form.Config().BaseMonthName, "August");
        }
        EXPECT_EQ(testsupport::ReadFile(scratch / "kept/0"), "a replaced file");
        EXPECT_EQ(testsupport::ReadFile(scratch / "journal.damaged"), c.journal);
        inst.dialogs.clear();
        TForm1 again;
        ASSERT_TRUE(StartedUp(again));
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
        EXPECT_TRUE(std::filesystem::exists(scratch / "kept/0"));
    }
}

TEST(FormStartup, AnInterruptedUpdateIsUndoneBeforeAnythingIsReadAndToldOnce) {
    Installation inst;
    inst.WriteMinimal();
    inst.Write("options.ini",
               "[Update]\r\nAutomatically check for updates of the database=0\r\n"
               "Automatically check for program updates=0\r\n");
    inst.Write("docs/a.doc", "old a");
    inst.Write("docs.zip", "stands for the archive");
    // The update replaces the categories, so a start-up that read them before the roll-back
    // would show the new ones.
    std::map<std::string, std::string> update = {{"lang.txt", "Новая категория\r\n"}, {"docs/a.doc", "new a"}};
    for (int i = 0; i < 50; ++i) update["docs/new " + std::to_string(i) + ".doc"] = "new";
    const auto extract = [&](const std::filesystem::path&, const std::filesystem::path& folder) {
        for (const auto& [rel, bytes] : update) testsupport::WriteFile(folder / rel, platform::Utf8ToBytes(bytes));
    };
    const std::string lang = inst.Read("lang.txt");
    ASSERT_TRUE(testsupport::UnpackKilledAt((inst.dir() / "docs.zip").string(), inst.dir(), 40, extract));

    TForm1 form;
    // The roll-back runs on its own thread; the window says so and has read nothing yet.
    EXPECT_TRUE(form.Working());
    EXPECT_TRUE(form.Label12->isVisibleTo(&form));
    EXPECT_EQ(form.Label12->text().toStdString(), "Status: Undoing an interrupted update. Please wait");
    EXPECT_EQ(form.ListBox8->count(), 0);
    ASSERT_TRUE(StartedUp(form));
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_FALSE(form.Label12->isVisibleTo(&form));
    EXPECT_EQ(inst.Read("lang.txt"), lang);
    EXPECT_EQ(inst.Read("docs/a.doc"), "old a");
    EXPECT_FALSE(inst.Exists("docs/new 0.doc"));
    ASSERT_EQ(form.ListBox8->count(), 2);
    EXPECT_EQ(form.ListBox8->item(0)->text(), QStringLiteral("Фантастика"));
    EXPECT_EQ(form.Config().SkinName, "Classic");
    const std::string notice = "An interrupted update was undone; the installation is as it was before it.";
    EXPECT_EQ(form.Label15->text().toStdString(), "Status: " + notice);
    ASSERT_EQ(form.ListBox11->count(), 1);
    EXPECT_TRUE(form.ListBox11->item(0)->text().toStdString().ends_with(" - " + notice));
    // The window's own status line says it too, until the user's first press.
    EXPECT_EQ(form.StatusNotice(), notice);
    form.show();
    QTest::keyClick(form.Edit3, Qt::Key_A);
    EXPECT_EQ(form.StatusNotice(), "");

    // Told once: the next start finds nothing to undo.
    TForm1 again;
    EXPECT_FALSE(again.Working());
    EXPECT_EQ(again.ListBox11->count(), 0);
    EXPECT_NE(again.Label15->text().toStdString(), "Status: " + notice);
}

TEST(FormStartup, AReadOnlyInstallationIsToldOnce) {
    Installation inst;
    inst.WriteMinimal();
    { TForm1 first; }  // writes the options' defaults
    testsupport::Unwritable readOnly(inst.dir());
    if (!readOnly.ok()) GTEST_SKIP() << "no folder can be made unwritable here";
    const std::string options = inst.Read("options.ini");
    TForm1 form;
    ASSERT_TRUE(StartedUp(form));
    ASSERT_EQ(inst.dialogs.size(), 1u);
    EXPECT_NE(inst.dialogs[0].find("Cannot create file \"" + (inst.dir() / "options.ini").string() + "\"."),
              std::string::npos)
        << inst.dialogs[0];
    // Start-up went on to its end, the boxes as the options say.
    EXPECT_TRUE(form.CheckBox1->isChecked());
    EXPECT_TRUE(form.CheckBox2->isChecked());
    EXPECT_EQ(form.Config().BaseMonthName, "August");
    EXPECT_EQ(inst.Read("options.ini"), options);
}

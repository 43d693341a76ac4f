// Guards the event dispatchers: what a handler is given and preset with, the silent answers
// without a handler, and every default prompt's text, buttons and the effect of each answer,
// driven through a scripted prompter; and that without an installed prompter every question is
// answered the safe way.
#include <gtest/gtest.h>

#include <string>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace ziptest;
using MR = TZAModalResult;

namespace {

class Events : public testing::Test {
protected:
    Events() {
        a.Prompter = &prompter;
        a.FileName = u"C:\\arc\\data.zip";
    }
    TZipArchiver a;
    ScriptedPrompter prompter;
};

}  // namespace

TEST_F(Events, WithoutHandlersProgressAndConfirmationsAnswerSilently) {
    bool cancel = true;
    a.DoOnOverallProgress(50, TZAProcessOperation::poExtract, TZAProgressPhase::ppProcess, cancel);
    EXPECT_FALSE(cancel);
    cancel = true;
    a.DoOnFileProgress(u"a/b.txt", 50, TZAProcessOperation::poExtract, TZAProgressPhase::ppProcess, cancel);
    EXPECT_FALSE(cancel);
    cancel = true;
    a.DoOnCopyTempFileProgress(10, TZAProgressPhase::ppStart, cancel);
    EXPECT_FALSE(cancel);
    bool confirm = false;
    a.DoOnConfirmProcessFile(u"a.txt", TZAProcessOperation::poExtract, confirm);
    EXPECT_TRUE(confirm);
    a.DoOnReservedEvent(1, 2, 3);

    // Extraction goes on with '\' separators even with no handler; storing leaves the name alone.
    std::u16string name = u"docs/sub/readme.txt";
    uint32_t attr = 0x20;
    a.DoOnExtractFile(name, attr, "comment");
    EXPECT_EQ(name, u"docs\\sub\\readme.txt");
    std::u16string stored = u"docs/x.txt";
    std::string comment = "c";
    a.DoOnStoreFile(stored, attr, comment, u"C:\\docs\\x.txt");
    EXPECT_EQ(stored, u"docs/x.txt");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Events, HandlersSeeBackslashesAndThePresetValues) {
    std::u16string seen;
    a.OnFileProgress = [&](TZABaseArchiver& s, const std::u16string& f, double p, TZAProcessOperation op,
                           TZAProgressPhase ph, bool& cancel) {
        EXPECT_EQ(&s, &a);
        EXPECT_EQ(p, 100);
        EXPECT_EQ(op, TZAProcessOperation::poTest);
        EXPECT_EQ(ph, TZAProgressPhase::ppEnd);
        seen = f;
        cancel = true;
    };
    bool cancel = false;
    a.DoOnFileProgress(u"a/b/c.txt", 100, TZAProcessOperation::poTest, TZAProgressPhase::ppEnd, cancel);
    EXPECT_EQ(seen, u"a\\b\\c.txt");
    EXPECT_TRUE(cancel);

    bool copyPreset = true;
    a.OnCopyTempFileProgress = [&](TZABaseArchiver&, double, TZAProgressPhase, bool& c) { copyPreset = c; };
    cancel = true;
    a.DoOnCopyTempFileProgress(0, TZAProgressPhase::ppStart, cancel);
    EXPECT_FALSE(copyPreset);

    bool confirmPreset = false;
    a.OnConfirmProcessFile = [&](TZABaseArchiver&, const std::u16string&, TZAProcessOperation, bool& c) {
        confirmPreset = c;
        c = false;
    };
    bool confirm = true;
    a.DoOnConfirmProcessFile(u"x", TZAProcessOperation::poExtract, confirm);
    EXPECT_TRUE(confirmPreset);
    EXPECT_FALSE(confirm);

    TZAAction actionPreset = TZAAction::fxaAbort;
    a.OnProcessFileFailure = [&](TZABaseArchiver&, const std::u16string&, TZAProcessOperation, int32_t native,
                                 int32_t code, const std::u16string& message, TZAAction& action) {
        EXPECT_EQ(native, 45);
        EXPECT_EQ(code, 24);
        EXPECT_EQ(message, u"text");
        actionPreset = action;
    };
    TZAAction action = TZAAction::fxaRetry;
    a.DoOnProcessFileFailure(u"x", TZAProcessOperation::poExtract, 45, 24, u"text", action);
    EXPECT_EQ(actionPreset, TZAAction::fxaIgnore);
    EXPECT_EQ(action, TZAAction::fxaIgnore);

    // The name a store handler changes is stored with '/' again.
    a.OnStoreFile = [&](TZABaseArchiver&, std::u16string& f, uint32_t& attr, std::string& comment,
                        const std::u16string& original) {
        EXPECT_EQ(f, u"docs\\x.txt");
        EXPECT_EQ(original, u"C:\\docs\\x.txt");
        f = u"renamed\\y.txt";
        attr = 0x21;
        comment = "new";
    };
    std::u16string stored = u"docs/x.txt";
    uint32_t attr = 0x20;
    std::string comment;
    a.DoOnStoreFile(stored, attr, comment, u"C:\\docs\\x.txt");
    EXPECT_EQ(stored, u"renamed/y.txt");
    EXPECT_EQ(attr, 0x21u);
    EXPECT_EQ(comment, "new");

    int reserved = 0;
    a.OnReservedEvent = [&](TZABaseArchiver&, uint8_t k, int32_t v1, int32_t v2) { reserved = k + v1 + v2; };
    a.DoOnReservedEvent(1, 2, 3);
    EXPECT_EQ(reserved, 6);
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Events, OverwritePromptAndItsAnswersForAllFiles) {
    struct Case {
        const char* name;
        MR answer;
        bool confirm;
        TZAOverwriteMode mode;
    };
    const Case cases[] = {
        {"yes", MR::mrYes, true, TZAOverwriteMode::omPrompt},
        {"no", MR::mrNo, false, TZAOverwriteMode::omPrompt},
        {"no to all", MR::mrNoToAll, false, TZAOverwriteMode::omNever},
        {"yes to all", MR::mrYesToAll, true, TZAOverwriteMode::omAlways},
        {"window closed", MR::mrNone, false, TZAOverwriteMode::omPrompt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        a.Options.OverwriteMode = TZAOverwriteMode::omPrompt;
        prompter.asked.clear();
        prompter.answers = {c.answer};
        std::u16string dest = u"C:\\out\\Файл.txt";
        bool confirm = !c.confirm;
        a.DoOnConfirmOverwrite(u"docs\\Файл.txt", dest, confirm);
        EXPECT_EQ(confirm, c.confirm);
        EXPECT_EQ(a.Options.OverwriteMode, c.mode);
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_EQ(prompter.asked[0].kind, TZAPromptKind::Overwrite);
        EXPECT_EQ(prompter.asked[0].text, "Overwrite file \"C:\\out\\Файл.txt\" with \"docs\\Файл.txt\"");
        EXPECT_EQ(prompter.asked[0].buttons, mbYes | mbNo | mbNoToAll | mbYesToAll);
    }

    // A handler decides alone.
    a.OnConfirmOverwrite = [](TZABaseArchiver&, const std::u16string&, std::u16string& d, bool& c) {
        d = u"elsewhere";
        c = true;
    };
    prompter.asked.clear();
    std::u16string dest = u"x";
    bool confirm = false;
    a.DoOnConfirmOverwrite(u"y", dest, confirm);
    EXPECT_TRUE(confirm);
    EXPECT_EQ(dest, u"elsewhere");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Events, FailurePromptByErrorAndAnswer) {
    struct Case {
        const char* name;
        int32_t native;
        MR answer;
        TZAAction action;
        bool asks;
        std::string text;
        TZAButtons buttons;
    };
    const std::string failure = "Bad data. File processing error, possibly disk is full";
    const Case cases[] = {
        {"volume refused: no question", 45, MR::mrRetry, TZAAction::fxaAbort, false, "", 0},
        {"name too long: ignore", 61, MR::mrIgnore, TZAAction::fxaIgnore, true, "Bad data", mbAbort | mbIgnore},
        {"name too long: abort", 61, MR::mrAbort, TZAAction::fxaAbort, true, "Bad data", mbAbort | mbIgnore},
        {"retry", 8, MR::mrRetry, TZAAction::fxaRetry, true, failure, mbAbort | mbRetry | mbIgnore},
        {"ignore", 8, MR::mrIgnore, TZAAction::fxaIgnore, true, failure, mbAbort | mbRetry | mbIgnore},
        {"abort", 19, MR::mrAbort, TZAAction::fxaAbort, true, failure, mbAbort | mbRetry | mbIgnore},
        {"window closed", 19, MR::mrNone, TZAAction::fxaAbort, true, failure, mbAbort | mbRetry | mbIgnore},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.asked.clear();
        prompter.answers = {c.answer};
        TZAAction action = TZAAction::fxaIgnore;
        a.DoOnProcessFileFailure(u"a.txt", TZAProcessOperation::poExtract, c.native, 0, u"Bad data", action);
        EXPECT_EQ(action, c.action);
        ASSERT_EQ(prompter.asked.size(), c.asks ? 1u : 0u);
        if (!c.asks) continue;
        EXPECT_EQ(prompter.asked[0].kind, TZAPromptKind::Failure);
        EXPECT_EQ(prompter.asked[0].text, c.text);
        EXPECT_EQ(prompter.asked[0].buttons, c.buttons);
    }
}

TEST_F(Events, PasswordWindowSetsThePasswordOrSkipsTheFile) {
    std::string password = "old";
    bool skip = true;
    prompter.passwords = {std::string("Пароль1")};
    a.DoOnPassword(u"docs\\Секрет.txt", password, skip);
    EXPECT_FALSE(skip);
    EXPECT_EQ(password, "Пароль1");
    ASSERT_EQ(prompter.passwordWindows.size(), 1u);
    EXPECT_EQ(prompter.passwordWindows[0].first, "Password for \"docs\\Секрет.txt\"");
    EXPECT_EQ(prompter.passwordWindows[0].second, "Enter password: ");

    prompter.passwords = {std::nullopt};
    skip = false;
    a.DoOnPassword(u"x", password, skip);
    EXPECT_TRUE(skip);
    EXPECT_EQ(password, "Пароль1");

    a.OnPassword = [](TZABaseArchiver&, const std::u16string& f, std::string& p, bool& s) {
        EXPECT_EQ(f, u"y");
        p = "from handler";
        s = false;
    };
    a.DoOnPassword(u"y", password, skip);
    EXPECT_EQ(password, "from handler");
    EXPECT_EQ(prompter.passwordWindows.size(), 2u);
}

TEST_F(Events, VolumePromptsWhenSpanning) {
    a.SetSpanningMode(TZASpanningMode::smSpanning);
    struct Case {
        const char* name;
        std::function<bool(TZipArchiver&)> call;  // returns Cancel
        MR answer;
        bool cancel;
        TZAPromptKind kind;
        std::string text;
    };
    const auto blank = [](int n) {
        return [n](TZipArchiver& x) {
            std::u16string v;
            bool c = false;
            x.DoOnRequestBlankVolume(n, v, c);
            EXPECT_EQ(v, u"C:\\arc\\data.zip");
            return c;
        };
    };
    const auto middle = [](TZipArchiver& x) {
        std::u16string v;
        bool c = false;
        x.DoOnRequestMiddleVolume(2, v, c);
        return c;
    };
    const auto first = [](TZipArchiver& x) {
        std::u16string v;
        bool c = false;
        x.DoOnRequestFirstVolume(v, c);
        return c;
    };
    const auto full = [](TZipArchiver& x) {
        bool c = false;
        x.DoOnDiskFull(0, u"/", c);
        return c;
    };
    const Case cases[] = {
        {"blank disk, OK", blank(1), MR::mrOk, false, TZAPromptKind::BlankVolume, "Please insert a blank disk #2"},
        {"blank disk, cancel", blank(0), MR::mrCancel, true, TZAPromptKind::BlankVolume, "Please insert a blank disk #1"},
        {"blank disk, negative number", blank(-1), MR::mrOk, false, TZAPromptKind::BlankVolume,
         "Please insert a blank disk #1"},
        {"middle disk", middle, MR::mrOk, false, TZAPromptKind::MiddleVolume, "Please insert disk #3"},
        {"middle disk, closed", middle, MR::mrNone, true, TZAPromptKind::MiddleVolume, "Please insert disk #3"},
        {"first disk", first, MR::mrCancel, true, TZAPromptKind::FirstVolume, "Please insert the first disk"},
        {"disk full", full, MR::mrOk, false, TZAPromptKind::DiskFull, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.asked.clear();
        prompter.answers = {c.answer};
        EXPECT_EQ(c.call(a), c.cancel);
        ASSERT_EQ(prompter.asked.size(), 1u);
        EXPECT_EQ(prompter.asked[0].kind, c.kind);
        EXPECT_EQ(prompter.asked[0].buttons, mbOK | mbCancel);
        if (!c.text.empty()) {
            EXPECT_EQ(prompter.asked[0].text, c.text);
        }
    }

    // Disk full names the volume's limit and what the disk has.
    a.SpanningOptions.VolumeSize = TZAVolumeSize::vs1_44MB;
    prompter.asked.clear();
    bool cancel = false;
    a.DoOnDiskFull(3, u"/", cancel);
    const std::string text = prompter.asked.at(0).text;
    const std::string free = std::to_string(TZABaseArchiver::GetFreeDiskSpace(u"/"));
    EXPECT_EQ(text.rfind("Disk is full. Required free space: 1457664 bytes, but available only: ", 0), 0u) << text;
    EXPECT_NE(text.find(" bytes. Clean the disk or find another blank disk"), std::string::npos) << text;
}

TEST_F(Events, LastDiskIsAskedForUntilItsFileIsThere) {
    testsupport::TempDir dir;
    a.FileName = WinName(dir / "last.zip");
    a.SetSpanningMode(TZASpanningMode::smSpanning);
    const std::string missingText = "File '" + platform::Utf16ToUtf8(a.FileName) +
                                    "' not found on inserted disk. Please insert last disk with required file";

    // Two OKs without the file, then a cancel.
    prompter.answers = {MR::mrOk, MR::mrOk, MR::mrCancel};
    std::u16string volume;
    bool cancel = false;
    a.DoOnRequestLastVolume(volume, cancel);
    EXPECT_TRUE(cancel);
    ASSERT_EQ(prompter.asked.size(), 3u);
    EXPECT_EQ(prompter.asked[0].kind, TZAPromptKind::LastVolume);
    EXPECT_EQ(prompter.asked[0].text, "Please insert the last disk");
    EXPECT_EQ(prompter.asked[1].kind, TZAPromptKind::FileNotOnDisk);
    EXPECT_EQ(prompter.asked[1].text, missingText);
    EXPECT_EQ(prompter.asked[2].text, missingText);

    // The disk "inserted" while the first question is open.
    prompter.asked.clear();
    prompter.answers = {MR::mrOk};
    prompter.whileAsking = [&] { WriteBytes(dir / "last.zip", Bytes{1}); };
    a.DoOnRequestLastVolume(volume, cancel);
    EXPECT_FALSE(cancel);
    EXPECT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(volume, a.FileName);
}

TEST_F(Events, VolumeRequestsWithoutSpanningAskNothing) {
    testsupport::TempDir dir;
    a.FileName = WinName(dir / "data.zip");
    a.SetSpanningMode(TZASpanningMode::smSplitting);
    std::u16string v;
    bool cancel = true;
    a.DoOnRequestBlankVolume(0, v, cancel);
    EXPECT_FALSE(cancel);
    EXPECT_EQ(v, WinName(dir / "data.z01"));

    // A missing middle volume cancels, an existing one (in any case) is taken.
    a.DoOnRequestMiddleVolume(1, v, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(v, WinName(dir / "data.z02"));
    WriteBytes(dir / "DATA.Z02", Bytes{1});
    a.DoOnRequestMiddleVolume(1, v, cancel);
    EXPECT_FALSE(cancel);

    a.DoOnRequestLastVolume(v, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(v, WinName(dir / "data.zip"));

    // A missing first volume cancels for an existing archive (OpenMode below 0xFFFF) only.
    a.DoOnRequestFirstVolume(v, cancel);
    EXPECT_TRUE(cancel);
    TZipArchiver fresh;
    fresh.FileName = WinName(dir / "fresh.zip");
    fresh.OpenArchive();  // a new archive
    std::filesystem::remove(dir / "fresh.zip");
    fresh.DoOnRequestFirstVolume(v, cancel);
    EXPECT_FALSE(cancel);
    EXPECT_EQ(v, fresh.FileName);

    a.DoOnDiskFull(0, a.FileName, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(Events, VolumeHandlersGetNumbersFromOne) {
    std::vector<int32_t> numbers;
    a.OnRequestBlankVolume = [&](TZABaseArchiver&, int32_t n, std::u16string& v, bool& c) {
        numbers.push_back(n);
        EXPECT_FALSE(c);
        v = u"chosen";
    };
    a.OnRequestMiddleVolume = [&](TZABaseArchiver&, int32_t n, std::u16string&, bool& c) {
        numbers.push_back(n);
        EXPECT_FALSE(c);
    };
    a.OnDiskFull = [&](TZABaseArchiver&, int32_t n, const std::u16string&, bool& c) {
        numbers.push_back(n);
        EXPECT_FALSE(c);
        c = true;
    };
    std::u16string v;
    bool cancel = true;
    a.DoOnRequestBlankVolume(-5, v, cancel);
    EXPECT_EQ(v, u"chosen");
    cancel = true;
    a.DoOnRequestBlankVolume(2, v, cancel);
    cancel = true;
    a.DoOnRequestMiddleVolume(4, v, cancel);
    cancel = false;
    a.DoOnDiskFull(-1, u"x", cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(numbers, (std::vector<int32_t>{1, 3, 5, 0}));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST(Prompter, WithoutAnInstalledOneEveryQuestionGetsTheSafeAnswer) {
    NonInteractivePrompter p;
    struct Case {
        TZAButtons buttons;
        MR answer;
    };
    const Case cases[] = {
        {mbYes | mbNo | mbNoToAll | mbYesToAll, MR::mrNo},
        {mbAbort | mbRetry | mbIgnore, MR::mrAbort},
        {mbAbort | mbIgnore, MR::mrAbort},
        {mbOK | mbCancel, MR::mrCancel},
        {mbOK, MR::mrNone},
    };
    for (const auto& c : cases) EXPECT_EQ(p.Ask(TZAPromptKind::Failure, "x", c.buttons), c.answer);
    std::string password = "keep";
    EXPECT_FALSE(p.InputPassword("c", "p", password));
    EXPECT_EQ(password, "keep");

    // Through an archiver with no prompter of its own: nothing is overwritten, every failure
    // aborts, no password is given.
    TZipArchiver a;
    a.Options.OverwriteMode = TZAOverwriteMode::omPrompt;
    std::u16string dest = u"d";
    bool confirm = true;
    a.DoOnConfirmOverwrite(u"s", dest, confirm);
    EXPECT_FALSE(confirm);
    EXPECT_EQ(a.Options.OverwriteMode, TZAOverwriteMode::omPrompt);
    TZAAction action = TZAAction::fxaRetry;
    a.DoOnProcessFileFailure(u"s", TZAProcessOperation::poExtract, 8, 4, u"m", action);
    EXPECT_EQ(action, TZAAction::fxaAbort);
    bool skip = false;
    a.DoOnPassword(u"s", password, skip);
    EXPECT_TRUE(skip);
}

TEST(Prompter, AnInstalledOneServesEveryArchiverWithoutItsOwn) {
    ScriptedPrompter installed;
    ScriptedPrompter own;
    SetDefaultPrompter(&installed);
    TZipArchiver a;
    TZipArchiver b;
    b.Prompter = &own;
    TZAAction action;
    a.DoOnProcessFileFailure(u"s", TZAProcessOperation::poExtract, 8, 4, u"m", action);
    b.DoOnProcessFileFailure(u"s", TZAProcessOperation::poExtract, 8, 4, u"m", action);
    SetDefaultPrompter(nullptr);
    EXPECT_EQ(installed.asked.size(), 1u);
    EXPECT_EQ(own.asked.size(), 1u);
    EXPECT_NE(dynamic_cast<NonInteractivePrompter*>(&DefaultPrompter()), nullptr);
}

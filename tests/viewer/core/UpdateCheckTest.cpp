// Guards the update check's decisions: which counters and versions offer which update, the
// log texts they produce, a failed counter stopping the check with what it found before, a
// copy cut short offering no program update, and the address and log-time formats.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "UpdateCheck.h"
#include "UpdateServer.h"

using namespace viewer;

namespace {

// An update.lasx of 16 lines with the given document counter, database counter and version.
std::vector<std::string> Lasx(const std::string& docs, const std::string& base, const std::string& version) {
    std::vector<std::string> lines(16, "0");
    lines[0] = "VantorBooks update information";
    lines[3] = "20180802";
    lines[kLineDocsCounter] = docs;
    lines[kLineBaseCounter] = base;
    lines[kLineProgramVersion] = version;
    return lines;
}

const std::string kAvail = kLogAvailable;
const std::string kNone = kLogNothing;

}  // namespace

TEST(UpdateCheck, OutcomesOfTheComparison) {
    struct Case {
        const char* name;
        std::vector<std::string> server;
        bool docsFolder, checkBase, checkProgram;
        bool docs, base, programNotice;
        std::vector<std::string> log;
    };
    const auto local = Lasx("10", "20", "1.42");
    const Case cases[] = {
        {"equal counters and version", Lasx("10", "20", "1.42"), true, true, true, false, false, false, {kNone}},
        {"smaller counters", Lasx("9", "19", "1.42"), true, true, true, false, false, false, {kNone}},
        {"documents greater with Docs folder", Lasx("11", "20", "1.42"), true, true, true, true, false, false, {kAvail}},
        {"documents greater without Docs folder", Lasx("11", "20", "1.42"), false, true, true, false, false, false,
         {kNone}},
        {"database greater", Lasx("10", "21", "1.42"), false, true, true, false, true, false, {kAvail}},
        {"both greater", Lasx("11", "21", "1.42"), true, true, true, true, true, false, {kAvail, kAvail}},
        {"newer version", Lasx("10", "20", "1.43"), true, true, true, false, false, true, {kAvail}},
        {"older version differs too", Lasx("10", "20", "1.30"), true, true, true, false, false, true, {kAvail}},
        {"version with a trailing blank differs", Lasx("10", "20", "1.42 "), true, true, true, false, false, true,
         {kAvail}},
        {"documents found: no program notice", Lasx("11", "20", "1.43"), true, true, true, true, false, false,
         {kAvail}},
        {"database and version", Lasx("10", "21", "1.43"), true, true, true, false, true, true, {kAvail, kAvail}},
        {"counters not compared without the database option", Lasx("11", "21", "1.42"), true, false, true, false,
         false, false, {kNone}},
        {"version not compared without the program option", Lasx("10", "20", "1.43"), true, true, false, false, false,
         false, {kNone}},
        {"one line holds nothing", {"just one line"}, true, true, true, false, false, false, {kNone}},
        {"empty copy holds nothing", {}, true, true, true, false, false, false, {kNone}},
        {"copy cut before the version: no program update", {"a", "b", "c", "d", "e", "f", "g", "h", "10", "", "", "",
                                                              "20"},
         true, true, true, false, false, false, {kNone}},
        {"empty version line: no program update", Lasx("10", "20", ""), true, true, true, false, false, false,
         {kNone}},
        {"short copy, program option only", {"a", "b", "c"}, true, false, true, false, false, false, {kNone}},
        {"non-numbers ignored without the database option", Lasx("x", "y", "1.42"), true, false, true, false, false,
         false, {kNone}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateCheckInput in;
        in.serverLines = c.server;
        in.localLines = local;
        in.docsFolderExists = c.docsFolder;
        in.checkBase = c.checkBase;
        in.checkProgram = c.checkProgram;
        in.programVersion = "1.42";
        const auto out = RunUpdateCheck(in);
        EXPECT_FALSE(out.failed()) << out.failure;
        EXPECT_EQ(out.docsUpdateAvailable, c.docs);
        EXPECT_EQ(out.baseUpdateAvailable, c.base);
        EXPECT_EQ(out.showBaseNotice, c.docs || c.base);
        EXPECT_EQ(out.showProgramNotice, c.programNotice);
        EXPECT_EQ(out.logTexts, c.log);
    }
}

TEST(UpdateCheck, EarlierFindingsOfTheRunStay) {
    UpdateCheckInput in;
    in.serverLines = Lasx("10", "20", "1.43");
    in.localLines = Lasx("10", "20", "1.42");
    in.checkBase = in.checkProgram = true;
    in.programVersion = "1.42";

    // Documents found earlier: a new version is not announced, nothing is taken back.
    in.docsUpdateAvailable = true;
    auto out = RunUpdateCheck(in);
    EXPECT_TRUE(out.docsUpdateAvailable);
    EXPECT_FALSE(out.showProgramNotice);
    EXPECT_TRUE(out.logTexts.empty());

    // A version announced earlier: a check that finds nothing logs no "No updates found".
    in.docsUpdateAvailable = false;
    in.programNoticeShown = true;
    in.serverLines = Lasx("10", "20", "1.42");
    out = RunUpdateCheck(in);
    EXPECT_TRUE(out.logTexts.empty());
}

TEST(UpdateCheck, CounterThatIsNoNumberStopsTheCheck) {
    struct Case {
        const char* name;
        std::vector<std::string> server, local;
        const char* named;
        bool docsFound;
    };
    const Case cases[] = {
        {"server document counter", Lasx("ten", "21", "1.43"), Lasx("10", "20", "1.42"), "server's document", false},
        {"local document counter", Lasx("11", "21", "1.43"), Lasx("", "20", "1.42"), "local document", false},
        {"server database counter after documents were found", Lasx("11", "2x", "1.43"), Lasx("10", "20", "1.42"),
         "server's database", true},
        {"local database counter", Lasx("10", "21", "1.43"), Lasx("10", "", "1.42"), "local database", false},
        {"server copy of a few lines", {"a", "b", "c", "d"}, Lasx("10", "20", "1.42"), "server's document", false},
        {"local copy missing its lines", Lasx("10", "20", "1.42"), {}, "local document", false},
        {"counter beyond 32 bits", Lasx("4294967296", "20", "1.42"), Lasx("10", "20", "1.42"), "server's document",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateCheckInput in;
        in.serverLines = c.server;
        in.localLines = c.local;
        in.checkBase = in.checkProgram = true;
        in.docsFolderExists = true;
        in.programVersion = "1.42";
        const auto out = RunUpdateCheck(in);
        ASSERT_TRUE(out.failed());
        EXPECT_NE(out.failure.find(c.named), std::string::npos) << out.failure;
        EXPECT_EQ(out.docsUpdateAvailable, c.docsFound);
        EXPECT_EQ(out.showBaseNotice, c.docsFound);
        EXPECT_FALSE(out.showProgramNotice);  // the version is never reached
        for (const auto& text : out.logTexts) EXPECT_NE(text, kNone);
    }
}

TEST(UpdateCheck, CountersReadAsThePlatformReadsIntegers) {
    UpdateCheckInput in;
    in.localLines = Lasx("10", "-5", "1.42");
    in.serverLines = Lasx("+11", "$10", "1.42");
    in.checkBase = true;
    in.docsFolderExists = true;
    const auto out = RunUpdateCheck(in);
    EXPECT_FALSE(out.failed()) << out.failure;
    EXPECT_TRUE(out.docsUpdateAvailable);
    EXPECT_TRUE(out.baseUpdateAvailable);  // $10 is 16, greater than -5
}

TEST(UpdateCheck, LogTimeHasNoLeadingZeros) {
    EXPECT_EQ(LogTime(9, 5, 7), "9:5:7");
    EXPECT_EQ(LogTime(0, 0, 0), "0:0:0");
    EXPECT_EQ(LogTime(23, 59, 10), "23:59:10");
    EXPECT_EQ(std::string(LogTime(9, 5, 7)) + kLogStart, "9:5:7 - Start checking for updates");
}

TEST(UpdateServer, AddressOfAServerFile) {
    EXPECT_EQ(UpdateUrl("http://127.0.0.1:8080", "update.lasx"),
              "http://127.0.0.1:8080/vncsoft/vantorbooks/update/update.lasx");
    EXPECT_EQ(UpdateUrl("https://example.test/", "docs.zip"), "https://example.test/vncsoft/vantorbooks/update/docs.zip");
    {
        testsupport::EnvGuard env(kUpdateServerVariable, "http://127.0.0.1:9/");
        EXPECT_EQ(UpdateServerBase(), "http://127.0.0.1:9");
        EXPECT_EQ(UpdateUrl("update.lasx"), "http://127.0.0.1:9/vncsoft/vantorbooks/update/update.lasx");
    }
    {
        testsupport::EnvGuard env(kUpdateServerVariable, std::nullopt);
        EXPECT_TRUE(UpdateServerBase().starts_with("http")) << UpdateServerBase();
    }
}

TEST(UpdateServer, OnlyArchivesMoveTheGauge) {
    for (const char* name : {kDocsArchiveName, kBaseArchiveName, kProgramArchiveName}) EXPECT_TRUE(MovesGauge(name));
    for (const char* name : {kUpdateTempName, kUpdateInfoName, kDataWhatsNewName, kProgramWhatsNewName, "DOCS.ZIP"})
        EXPECT_FALSE(MovesGauge(name)) << name;
}

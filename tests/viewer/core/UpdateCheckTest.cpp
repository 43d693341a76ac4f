// Guards the update check's decisions: which counters and versions offer which update, the
// log texts they produce, a failed counter stopping the check with what it found before, a
// copy cut short offering no program update, what may replace the local update.lasx, and the
// address, size-limit and log-time formats.
#include <climits>
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

TEST(UpdateServer, GaugeShowsLargeFilesScaledWithinItsRange) {
    constexpr int64_t kMax = INT_MAX;
    struct Case { int64_t size; int shift; };
    const Case cases[] = {{0, 0}, {1000, 0}, {kMax, 0}, {kMax + 1, 1}, {2 * kMax + 1, 1},
                          {2 * kMax + 2, 2}, {int64_t{1} << 40, 10}, {INT64_MAX, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(GaugeShift(c.size), c.shift);
        EXPECT_LE(c.size >> GaugeShift(c.size), kMax);
    }
    struct Value { int64_t bytes; int shift, maximum, value; };
    const Value values[] = {
        {-5, 0, 100, 0},           // a count below nothing shows nothing
        {50, 0, 100, 50},
        {150, 0, 100, 100},        // more than announced stops at the end
        {kMax + 1, 1, INT_MAX / 2 + 1, INT_MAX / 2 + 1},
        {(int64_t{1} << 40) - 1, 10, 1 << 30, (1 << 30) - 1},
        {INT64_MAX, 0, 100, 100},  // unscaled, a huge count is still held at the maximum
    };
    for (const Value& v : values) {
        SCOPED_TRACE(v.bytes);
        EXPECT_EQ(GaugeValue(v.bytes, v.shift, v.maximum), v.value);
    }
}

TEST(UpdateCheck, OnlyAnUpdateInformationFileMayReplaceTheLocalOne) {
    const auto join = [](const std::vector<std::string>& lines) {
        std::string s;
        for (const auto& l : lines) s += l + "\r\n";
        return s;
    };
    const std::string good = join(Lasx("11", "21", "1.43"));
    std::vector<std::string> badDate = Lasx("11", "21", "1.43");
    badDate[3] = "2019-03-01";
    std::vector<std::string> noVersionLine = Lasx("11", "21", "1.43");
    noVersionLine.pop_back();
    std::string utf16;
    for (char c : good) utf16 += std::string{c, '\0'};
    struct Case {
        const char* name;
        std::string bytes;
        const char* problem;  // "" when it may replace the local copy
    };
    const Case cases[] = {
        {"a whole file", good, ""},
        {"lines ended by LF only", "x\n1\n0\n20190301\n0\n0\n0\n0\n11\n0\n0\n0\n21\n0\n0\n1.43\n", ""},
        {"empty", "", "it ends after 0 lines"},
        {"cut after three lines", good.substr(0, good.find("20180802")), "it ends after 3 lines"},
        {"cut before the version", join(noVersionLine), "it ends after 15 lines"},
        {"an HTML page served with 200",
         "<!DOCTYPE html>\n<html><head><title>Not here</title></head>\n<body>\n<p>moved</p>\n" + std::string(20, '\n') +
             "</body></html>\n",
         "is not eight digits"},
        {"UTF-16", utf16, "it is not text"},
        {"a base date of another form", join(badDate), "its base date \"2019-03-01\" is not eight digits"},
        {"a counter that is no number", join(Lasx("eleven", "21", "1.43")), "its document counter \"eleven\" is not"},
        {"an overlong line is cut in the text", join(Lasx("11", std::string(100000, '7') + "x", "1.43")),
         "its database counter \"7777777777777777777777777777777777777777...\" is not a number"},
        {"no version", join(Lasx("11", "21", "")), "its version line is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string problem = UpdateInfoProblem(c.bytes);
        if (!*c.problem) {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
            EXPECT_LT(problem.size(), 200u);
        }
    }
    // Cuts count characters, not bytes, and never split one.
    EXPECT_EQ(ShownText("Звёздные миры", 4), "Звёз...");
    EXPECT_EQ(ShownText("short", 40), "short");
}

TEST(UpdateServer, OnlyTheSmallTextFilesAreLimitedInSize) {
    for (const char* text : {"update_temp.lasx", "update.lasx", "update_whatnew.txt", "updatevantorbooks_whatnew.txt"})
        EXPECT_EQ(DownloadSizeLimit(text), kTextFileLimit) << text;
    for (const char* archive : {"docs.zip", "updatebase.zip", "updatevnbooks.zip"})
        EXPECT_EQ(DownloadSizeLimit(archive), -1) << archive;
}

TEST(UpdateServer, OnlyTheFreshUpdateInformationFileIsCheckedBeforeItReplacesTheLocalOne) {
    // The check's own copy says what is wrong with it in the log; the archives are checked by
    // their unpack, the what's-new texts by their reader.
    for (const char* other : {"update_temp.lasx", "update_whatnew.txt", "updatevantorbooks_whatnew.txt", "docs.zip",
                              "updatebase.zip", "updatevnbooks.zip"})
        EXPECT_FALSE(DownloadContentCheck(other)) << other;
    const DownloadCheck check = DownloadContentCheck(kUpdateInfoName);
    ASSERT_TRUE(check);
    testsupport::TempDir dir;
    std::string good;
    for (const auto& line : Lasx("11", "21", "1.43")) good += line + "\r\n";
    testsupport::WriteFile(dir / "good", good);
    testsupport::WriteFile(dir / "page", "<html><body>Not Found</body></html>\n");
    EXPECT_EQ(check(dir / "good"), "");
    EXPECT_NE(check(dir / "page").find("it ends after 1 lines"), std::string::npos) << check(dir / "page");
    EXPECT_NE(check(dir / "gone"), "");  // a body that cannot be read is no update.lasx either
}

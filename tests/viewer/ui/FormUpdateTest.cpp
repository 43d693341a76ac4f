// Guards the update check and the downloads driven through the window against a real nginx:
// the outcomes logged and announced for each kind of server copy, a failed check logging a
// failure (never "No updates found") and keeping the old copy, the automatic check at
// start-up, the gauge following archives only, one download at a time with each completion
// dispatched by its own name, and closing the window while a download runs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFrame>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>

#include "ClickLabel.h"
#include "Installation.h"
#include "NginxServer.h"
#include "RawHttpServer.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "ZipTool.h"

using testsupport::Installation;
using testsupport::NginxServer;
using testsupport::RawHttpServer;

namespace {

// The local copy that WriteMinimal writes: document counter 10, database counter 20, "1.42".
std::string Lasx(const std::string& docs, const std::string& base, const std::string& version, size_t lines = 16) {
    std::string out;
    for (size_t i = 0; i < lines; ++i) {
        if (i == 8) out += docs;
        else if (i == 12) out += base;
        else if (i == 15) out += version;
        else if (i == 3) out += "20181105";
        else out += std::to_string(i);
        out += "\r\n";
    }
    return out;
}

void NoAutomaticCheck(const Installation& inst) {
    inst.Write("options.ini",
               "[Update]\r\nAutomatically check for updates of the database=0\r\n"
               "Automatically check for program updates=0\r\n");
}

bool WaitForDownloads(const TForm1& form) {
    return QTest::qWaitFor([&] { return !form.Working(); }, 10000);
}

// Log lines without their time stamps, which are checked on their own.
std::vector<std::string> LogTexts(const TForm1& form) {
    static const QRegularExpression stamp(QStringLiteral("^(0|[1-9]\\d?):(0|[1-9]\\d?):(0|[1-9]\\d?)( - .*)$"));
    std::vector<std::string> texts;
    for (int i = 0; i < form.ListBox11->count(); ++i) {
        const QString line = form.ListBox11->item(i)->text();
        const auto m = stamp.match(line);
        EXPECT_TRUE(m.hasMatch()) << line.toStdString();
        texts.push_back(m.captured(4).toStdString());
    }
    return texts;
}

const std::string kStart = " - Start checking for updates";
const std::string kAvail = " - >>  Update is available now";
const std::string kNone = " - No updates found";

}  // namespace

TEST(FormUpdate, CheckOutcomesAgainstTheServer) {
    NginxServer nginx;
    struct Case {
        const char* name;
        std::string server;
        bool docsFolder;
        std::vector<std::string> log;
        bool label6, label10;
        int docs, base;
    };
    const Case cases[] = {
        {"documents greater with a Docs folder", Lasx("11", "20", "1.42"), true, {kStart, kAvail}, true, false, 1, 0},
        {"documents greater without a Docs folder", Lasx("11", "20", "1.42"), false, {kStart, kNone}, false, false, 0,
         0},
        {"both counters greater", Lasx("11", "21", "1.42"), true, {kStart, kAvail, kAvail}, true, false, 1, 1},
        {"equal counters and version", Lasx("10", "20", "1.42"), true, {kStart, kNone}, false, false, 0, 0},
        {"another version", Lasx("10", "20", "1.50"), true, {kStart, kAvail}, false, true, 0, 0},
        {"copy ending before the version line", Lasx("10", "20", "", 13), true, {kStart, kNone}, false, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        inst.WriteMinimal();
        NoAutomaticCheck(inst);
        // The data tree names the folder "docs"; the check asks for "Docs", as Windows would.
        if (c.docsFolder) std::filesystem::create_directories(inst.dir() / "docs");
        inst.UseUpdateServer(nginx.base());
        nginx.Put("update.lasx", c.server);
        TForm1 form;
        ASSERT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
        EXPECT_EQ(form.ListBox11->count(), 0);  // no automatic check with 0/0

        emit form.Label16->clicked();  // "Check for updates now"
        EXPECT_TRUE(form.Config().AutoCheckBase);
        EXPECT_TRUE(form.Config().AutoCheckProgram);
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_EQ(LogTexts(form), c.log);
        EXPECT_EQ(!form.Label6->isHidden(), c.label6);
        EXPECT_EQ(!form.Label10->isHidden(), c.label10);
        EXPECT_EQ(form.Chain().DocsUpdateAvailable(), c.docs == 1);
        EXPECT_EQ(form.Chain().BaseUpdateAvailable(), c.base == 1);
        // The server's copy is kept beside the program; the local copy is not touched.
        EXPECT_EQ(testsupport::ReadFile(inst.dir() / "update_temp.lasx"), c.server);
        EXPECT_EQ(inst.Read("update.lasx").substr(0, 11), "VantorBooks");
        EXPECT_TRUE(inst.dialogs.empty());
    }
    const auto requests = nginx.Requests(std::size(cases));
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), "GET /vncsoft/vantorbooks/update/update.lasx HTTP/1.1 200");
}

TEST(FormUpdate, FailedCheckLogsAFailureAndKeepsTheOldCopy) {
    NginxServer nginx;
    const std::string previous = Lasx("99", "99", "9.99");  // what an earlier check fetched
    struct Case {
        const char* name;
        const char* served;  // nullptr: nothing on the server
        bool serverUp;
        bool localCopy;
        const char* reason;
        bool keepsPrevious;
    };
    const std::string notANumber = Lasx("eleven", "20", "1.42");
    const Case cases[] = {
        {"not on the server", nullptr, true, true, "HTTP status 404", true},
        {"server down", nullptr, false, true, "could not be downloaded", true},
        {"counter that is no number", notANumber.c_str(), true, true, "document counter is not a number", false},
        {"local copy missing", notANumber.c_str(), true, false, "update.lasx", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        inst.WriteMinimal();
        NoAutomaticCheck(inst);
        testsupport::WriteFile(inst.dir() / "update_temp.lasx", previous);
        inst.UseUpdateServer(c.serverUp ? nginx.base() : std::string(Installation::kNoServer));
        if (c.served) nginx.Put("update.lasx", c.served);
        else nginx.Remove("update.lasx");
        TForm1 form;
        if (!c.localCopy) std::filesystem::remove(inst.dir() / "update.lasx");

        emit form.Label16->clicked();
        ASSERT_TRUE(WaitForDownloads(form));
        const auto log = LogTexts(form);
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0], kStart);
        EXPECT_TRUE(log[1].starts_with(" - Update check failed: ")) << log[1];
        EXPECT_NE(log[1].find(c.reason), std::string::npos) << log[1];
        EXPECT_TRUE(form.Label6->isHidden());
        EXPECT_TRUE(form.Label10->isHidden());
        EXPECT_FALSE(form.Chain().DocsUpdateAvailable());
        if (c.keepsPrevious) {
            EXPECT_EQ(testsupport::ReadFile(inst.dir() / "update_temp.lasx"), previous);
        }
        EXPECT_TRUE(inst.dialogs.empty());
    }
}

TEST(FormUpdate, AutomaticCheckAtStartUpFollowsRedirects) {
    NginxServer nginx;
    nginx.Put("update.lasx", Lasx("10", "21", "1.42"));
    Installation inst;
    inst.WriteMinimal();  // no options file: both automatic checks
    inst.UseUpdateServer(nginx.base() + "/old");  // every request is redirected once
    TForm1 form;
    EXPECT_EQ(LogTexts(form), std::vector<std::string>{kStart});
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(LogTexts(form), (std::vector<std::string>{kStart, kAvail}));
    EXPECT_FALSE(form.Label6->isHidden());
    const auto requests = nginx.Requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /old/vncsoft/vantorbooks/update/update.lasx HTTP/1.1 302");
    EXPECT_EQ(requests[1], "GET /vncsoft/vantorbooks/update/update.lasx HTTP/1.1 200");
}

TEST(FormUpdate, GaugeFollowsArchiveDownloadsOnly) {
    NginxServer nginx;
    const testsupport::ZipPackage docs({{"docs/big.doc", std::string(1536 * 1024 + 3, 'z')}}, true);
    const std::string& archive = docs.bytes;
    nginx.Put("docs.zip", archive);
    nginx.Put("update_whatnew.txt", std::string(700 * 1024, 'w'));
    nginx.Put("update.lasx", Lasx("10", "20", "1.42"));
    Installation inst;
    inst.WriteMinimal();
    NoAutomaticCheck(inst);
    inst.UseUpdateServer(nginx.base());
    TForm1 form;
    std::vector<std::pair<int, int>> shown;  // value and maximum, at each change
    QObject::connect(form.Gauge2, &QProgressBar::valueChanged,
                     [&](int value) { shown.emplace_back(value, form.Gauge2->maximum()); });

    // The download fills the gauge by its bytes, then the unpack by its thousandths.
    ASSERT_TRUE(form.StartDownload("docs.zip", "docs.zip", "docs.zip"));
    ASSERT_TRUE(WaitForDownloads(form));
    const auto size = static_cast<int>(archive.size());
    const auto downloaded = std::find(shown.begin(), shown.end(), std::make_pair(size, size));
    ASSERT_NE(downloaded, shown.end());
    EXPECT_NE(std::find(downloaded, shown.end(), std::make_pair(1000, 1000)), shown.end());
    EXPECT_EQ(form.Gauge2->value(), form.Gauge2->maximum());  // 100 %
    EXPECT_EQ(testsupport::ReadFile(inst.dir() / "docs.zip"), archive);

    form.Gauge2->setRange(0, 100);
    form.Gauge2->setValue(37);
    form.WMDownloadProgress("docs.zip", 2, 5);  // neither kind: ignored
    EXPECT_EQ(form.Gauge2->value(), 37);
    ASSERT_TRUE(form.StartDownload("update_whatnew.txt", "update_whatnew.txt", "update_whatnew.txt"));
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(form.Gauge2->maximum(), 100);
    EXPECT_EQ(form.Gauge2->value(), 37);

    // The check's own download does not move the gauge; its completion resets it.
    form.N0711->trigger();
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(form.Gauge2->maximum(), 100);
    EXPECT_EQ(form.Gauge2->value(), 0);
}

TEST(FormUpdate, OneDownloadAtATimeEachCompletedUnderItsOwnName) {
    NginxServer nginx;
    nginx.Put("update.lasx", Lasx("10", "21", "1.42"));
    std::atomic<bool> release{false};
    // Answers after the test has tried to start a second download.
    RawHttpServer slow([&](RawHttpServer::Connection& c) {
        c.ReadRequest();
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::string body = Lasx("10", "21", "1.42");
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    });
    Installation inst;
    inst.WriteMinimal();
    NoAutomaticCheck(inst);
    inst.UseUpdateServer(slow.base());
    TForm1 form;

    form.N0711->trigger();
    ASSERT_TRUE(form.DownloadRunning());
    EXPECT_FALSE(form.StartDownload("docs.zip", "docs.zip", "docs.zip"));
    EXPECT_EQ(form.DownloadName(), "update_temp.lasx");
    emit form.Label16->clicked();  // refused too, and says so
    EXPECT_EQ(LogTexts(form), (std::vector<std::string>{
                                  kStart, " - Update check not started: another download is still running"}));
    release.store(true);
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(LogTexts(form).back(), kAvail);  // the check's branch ran
    EXPECT_TRUE(form.Chain().BaseUpdateAvailable());
    EXPECT_FALSE(inst.Exists("docs.zip"));
}

TEST(FormUpdate, ClosingTheWindowDuringADownloadEndsCleanly) {
    RawHttpServer stall([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\npartial");
        c.Stall();
    });
    Installation inst;
    inst.WriteMinimal();  // the automatic check starts at once
    inst.UseUpdateServer(stall.base());
    testsupport::WriteFile(inst.dir() / "update_temp.lasx", "previous\r\n");
    {
        auto form = std::make_unique<TForm1>();
        form->show();
        ASSERT_TRUE(form->DownloadRunning());
        ASSERT_TRUE(QTest::qWaitFor([&] { return stall.connections() == 1; }, 5000));
        form->close();
        form.reset();  // stops the worker; no late completion reaches the gone window
    }
    // The worker was joined with the window, so nothing writes any more; what it queued for
    // the window is delivered now, or was dropped with it.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(testsupport::ReadFile(inst.dir() / "update_temp.lasx"), "previous\r\n");
    EXPECT_TRUE(inst.dialogs.empty());
}

TEST(FormUpdate, OptionsLabelOpensAndClosesTheUpdatePage) {
    Installation inst;
    inst.WriteMinimal();
    NoAutomaticCheck(inst);
    TForm1 form;
    form.show();
    emit form.Label2->clicked();
    EXPECT_EQ(form.Navigation().PanelPage, "options");
    QTest::mouseClick(form.ImagePlus5, Qt::LeftButton, {}, QPoint(100, 145));  // "Update"
    EXPECT_EQ(form.Navigation().OptionsPage, "updateopt");
    EXPECT_TRUE(form.Label16->isVisible());
    EXPECT_FALSE(form.Memo2->isVisible());
    emit form.Label2->clicked();
    EXPECT_EQ(form.Navigation().PanelPage, "");
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_TRUE(form.Memo2->isVisible());
}

// Guards the installation of updates through the window against a real nginx, with the unzip
// tool behind the unpack seam: each data update fetches and unpacks its archives in the order
// of its flags with its status lines, ends with a fresh update.lasx and byte-identical files,
// keeps the user's files, keeps or frees the busy flag as the chain requires, and stops at the
// first failed download or unpack without fetching update.lasx; a fresh update.lasx that is
// not one (cut, short, an HTML page, too large) keeps the old file; after "Download stories
// for reading" the update page shows its log again for the next check; a notice clicked or an
// accept refused while a chain runs leaves the chain's status line; a program update is
// handed to the updater only when it arrived whole, can be placed, and the updater was started;
// while a killed update is not undone, no update is fetched, unpacked or handed over.
#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "ChildProcesses.h"
#include "ClickLabel.h"
#include "Installation.h"
#include "KilledUnpack.h"
#include "NginxServer.h"
#include "RawHttpServer.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "Unwritable.h"
#include "ZipTool.h"
#include "platform/Process.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;
using testsupport::Installation;
using testsupport::NginxServer;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kServerLasx =
    "VantorBooks update information\r\n1\r\n0\r\n20190301\r\n0\r\n0\r\n0\r\n0\r\n11\r\n0\r\n0\r\n0\r\n21\r\n0\r\n0\r\n1.42\r\n";

// What the extraction saw: the archive and the status line at that moment.
struct Extraction {
    std::string archive;
    std::string status;
    bool operator==(const Extraction&) const = default;
};

// The unzip tool behind the unpack seam for the test's scope, recording each extraction.
class UnzipSeam {
public:
    explicit UnzipSeam(const TForm1* const* form = nullptr) {
        unpack::SetExtractorForTesting([this, form](const fs::path& archive, const fs::path& folder) {
            seen.push_back({archive.filename().string(), form && *form ? (*form)->Label15->text().toStdString() : ""});
            testsupport::UnzipExtract(archive, folder);
        });
    }
    ~UnzipSeam() { unpack::SetExtractorForTesting(nullptr); }
    std::vector<Extraction> seen;
};

using Package = testsupport::ZipPackage;

const Package& Docs() {
    static const Package p({{"docs/Последний рейс.doc", "new story text " + std::string(5000, 'd')},
                            {"docs/Новый рассказ.rtf", "{\\rtf1 new}"},
                            {"options.ini", "[Window]\r\nHeight=300\r\n"},
                            {"skins/skin_select.txt", "Other\r\n"}},
                           true);
    return p;
}

const Package& Base() {
    static const Package p({{"Фантастика.txt", "Звёздные миры\r\nНовый список\r\n"},
                            {"Фантастика/Звёздные миры/Первая экспедиция/Books/Кольца Сатурна.txt", "new data"},
                            {"Фантастика/Звёздные миры/Первая экспедиция/Books/_have.txt", "not mine\r\n"}},
                           true);
    return p;
}

// An installation with data the updates replace and files the user wrote.
void PrepareInstallation(const Installation& inst) {
    inst.WriteMinimal();
    inst.Write("options.ini",
               "[Update]\r\nAutomatically check for updates of the database=0\r\n"
               "Automatically check for program updates=0\r\n");
    inst.Write("docs/Последний рейс.doc", "old story text");
    inst.Write("Фантастика.txt", "Звёздные миры\r\n");
    inst.Write("Фантастика/Звёздные миры/Первая экспедиция/Books/_have.txt", "Кольца Сатурна\r\n");
}

bool WaitForDownloads(const TForm1& form) {
    return QTest::qWaitFor([&] { return !form.Working(); }, 10000);
}

// The server files requested since `from` requests, with their status.
std::vector<std::string> Requested(const NginxServer& nginx, size_t from) {
    std::vector<std::string> out;
    const auto lines = nginx.Requests(from + 1);
    const std::string prefix = "GET /vncsoft/vantorbooks/update/";
    for (size_t i = from; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (line.starts_with(prefix)) line = line.substr(prefix.size());
        const size_t http = line.find(" HTTP/1.1");
        if (http != std::string::npos) line.erase(http, 9);
        out.push_back(line);
    }
    return out;
}

std::string LastLog(const TForm1& form) {
    const int n = form.ListBox11->count();
    return n ? form.ListBox11->item(n - 1)->text().toStdString() : std::string();
}

// The user's files, to compare before and after an update.
std::vector<std::string> UserFiles(const Installation& inst) {
    return {inst.Read("options.ini"), inst.Read("skins/skin_select.txt"),
            inst.Read("Фантастика/Звёздные миры/Первая экспедиция/Books/_have.txt")};
}

void ExpectInstalled(const Installation& inst, const Package& p, const std::vector<std::string>& rels) {
    for (const auto& rel : rels) EXPECT_EQ(ReadFile(inst.dir() / rel), ReadFile(p.src / rel)) << rel;
}

}  // namespace

TEST(FormInstall, DataUpdatesFollowTheOrderOfTheirFlags) {
    NginxServer nginx;
    nginx.Put("docs.zip", Docs().bytes);
    nginx.Put("updatebase.zip", Base().bytes);
    nginx.Put("update.lasx", kServerLasx);
    struct Case {
        const char* name;
        bool docs, base;
        std::vector<std::string> requests;
        std::vector<Extraction> extractions;
    };
    const Case cases[] = {
        {"documents only", true, false, {"docs.zip 200", "update.lasx 200"},
         {{"docs.zip", "Status: Updating the database. Please wait"}}},
        {"database only", false, true, {"updatebase.zip 200", "update.lasx 200"},
         {{"updatebase.zip", "Status: Updating the database. Please wait"}}},
        {"both", true, true, {"docs.zip 200", "updatebase.zip 200", "update.lasx 200"},
         {{"docs.zip", "Status: Downloading 1st package of two"},
          {"updatebase.zip", "Status: Downloading 2nd package of two"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        PrepareInstallation(inst);
        inst.UseUpdateServer(nginx.base());
        TForm1* shown = nullptr;
        UnzipSeam seam(&shown);
        TForm1 form;
        shown = &form;
        form.show();
        const auto userFiles = UserFiles(inst);
        const size_t before = nginx.Requests().size();

        // The check found the update, the panel is open and the user has said yes.
        if (c.docs) form.DocsUpdateFound();
        if (c.base) form.BaseUpdateFound();
        form.Label6->show();
        form.ShowPanels(viewer::PanelChange::OpenUpdatePanel);
        form.AcceptDataUpdate();
        ASSERT_TRUE(WaitForDownloads(form));

        EXPECT_EQ(Requested(nginx, before), c.requests);
        EXPECT_EQ(seam.seen, c.extractions);
        if (c.docs) ExpectInstalled(inst, Docs(), {"docs/Последний рейс.doc", "docs/Новый рассказ.rtf"});
        if (c.base)
            ExpectInstalled(inst, Base(),
                            {"Фантастика.txt", "Фантастика/Звёздные миры/Первая экспедиция/Books/Кольца Сатурна.txt"});
        EXPECT_EQ(UserFiles(inst), userFiles);
        EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), kServerLasx);
        EXPECT_TRUE(inst.Exists("docs.zip") == c.docs && inst.Exists("updatebase.zip") == c.base);
        EXPECT_TRUE(form.Label6->isHidden());
        EXPECT_TRUE(form.Panel3->isHidden());
        EXPECT_TRUE(form.ListBox10->isHidden());
        EXPECT_TRUE(form.Gauge2->isHidden());
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

// The busy flag at the moment the next download has just been started by a branch.
TEST(FormInstall, BusyFlagWhileTheNextDownloadRuns) {
    struct Case {
        const char* name;
        const char* archive;
        bool docs, base;
        const char* next;
        bool busy;
    };
    const Case cases[] = {
        {"documents only: busy until update.lasx arrived", "docs.zip", true, false, "update.lasx", true},
        {"both: busy between the archives", "docs.zip", true, true, "updatebase.zip", true},
        {"database: cancel is live while update.lasx is fetched", "updatebase.zip", false, true, "update.lasx", false},
    };
    // The first archive comes whole; the next download waits for the server until the test
    // lets it fail.
    std::atomic<bool> release{false};
    std::mutex lock;
    std::string first, firstAnswer;  // the case's first archive and its answer
    testsupport::RawHttpServer held([&](testsupport::RawHttpServer::Connection& conn) {
        const std::string request = conn.ReadRequest();
        {
            std::lock_guard<std::mutex> hold(lock);
            if (request.find("/" + first + " ") != std::string::npos) {
                conn.Send(firstAnswer);
                return;
            }
        }
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        conn.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        release.store(false);
        Installation inst;
        PrepareInstallation(inst);
        inst.UseUpdateServer(held.base());
        UnzipSeam seam;
        TForm1 form;
        form.show();
        form.Panel3->show();
        {
            std::lock_guard<std::mutex> hold(lock);
            const std::string& bytes = (std::string(c.archive) == "docs.zip" ? Docs() : Base()).bytes;
            first = c.archive;
            firstAnswer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bytes.size()) + "\r\n\r\n" + bytes;
        }
        if (c.docs) form.DocsUpdateFound();
        if (c.base) form.BaseUpdateFound();
        form.AcceptDataUpdate();
        EXPECT_EQ(form.DownloadName(), c.archive);
        // The archive arrives and is unpacked off the window's thread, then the next download starts.
        ASSERT_TRUE(QTest::qWaitFor([&] { return form.DownloadRunning() && form.DownloadName() != c.archive; }, 10000));
        EXPECT_EQ(form.DownloadName(), c.next);
        EXPECT_EQ(form.Chain().DownLoaderBusy(), c.busy);

        // That download fails: the chain stops, the panel stays open and can be cancelled.
        release.store(true);
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_EQ(form.Label15->text().toStdString(), "Status: Update stopped: " + std::string(c.next) +
                                                          " could not be downloaded: the server answered 404");
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        EXPECT_FALSE(form.Panel3->isHidden());
        EXPECT_EQ(inst.Read("update.lasx").substr(0, 11), "VantorBooks");
    }
}

TEST(FormInstall, AChainStopsAtTheFirstFailure) {
    NginxServer nginx;
    nginx.Put("update.lasx", kServerLasx);
    const std::string cut = Docs().bytes.substr(0, Docs().bytes.size() / 2);
    struct Case {
        const char* name;
        std::optional<std::string> docs, base;  // served archives; nullopt: not on the server
        std::vector<std::string> requests;
        const char* status;
        const char* reason;
        bool docsInstalled;
    };
    const Case cases[] = {
        {"documents not on the server", std::nullopt, Base().bytes, {"docs.zip 404"},
         "Status: Update stopped: docs.zip could not be downloaded: the server answered 404", "HTTP status 404", false},
        {"documents truncated", cut, Base().bytes, {"docs.zip 200"},
         "Status: Update stopped: docs.zip could not be unpacked", "could not be unpacked", false},
        {"documents damaged", Docs().Damaged("new story text"), Base().bytes, {"docs.zip 200"},
         "Status: Update stopped: docs.zip could not be unpacked", "unzip", false},
        {"database not on the server", Docs().bytes, std::nullopt, {"docs.zip 200", "updatebase.zip 404"},
         "Status: Update stopped: updatebase.zip could not be downloaded: the server answered 404", "HTTP status 404",
         true},
        {"database damaged", Docs().bytes, Base().Damaged("new data"), {"docs.zip 200", "updatebase.zip 200"},
         "Status: Update stopped: updatebase.zip could not be unpacked", "updatebase.zip", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.docs) nginx.Put("docs.zip", *c.docs);
        else nginx.Remove("docs.zip");
        if (c.base) nginx.Put("updatebase.zip", *c.base);
        else nginx.Remove("updatebase.zip");
        Installation inst;
        PrepareInstallation(inst);
        inst.UseUpdateServer(nginx.base());
        UnzipSeam seam;
        TForm1 form;
        form.show();
        const std::string lasx = ReadFile(inst.dir() / "update.lasx");
        const size_t before = nginx.Requests().size();
        form.DocsUpdateFound();
        form.BaseUpdateFound();
        form.Label6->show();
        form.ShowPanels(viewer::PanelChange::OpenUpdatePanel);
        form.AcceptDataUpdate();
        ASSERT_TRUE(WaitForDownloads(form));

        EXPECT_EQ(Requested(nginx, before), c.requests);  // no fresh update.lasx
        EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), lasx);
        EXPECT_EQ(form.Label15->text().toStdString(), c.status);
        EXPECT_NE(LastLog(form).find(c.reason), std::string::npos) << LastLog(form);
        if (std::string(c.reason) == "HTTP status 404") {
            EXPECT_EQ(form.Gauge2->value(), form.Gauge2->minimum()) << "the gauge shows the archive before";
        }
        EXPECT_NE(LastLog(form).find(" - Update stopped: "), std::string::npos) << LastLog(form);
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        EXPECT_FALSE(form.Panel3->isHidden());
        EXPECT_EQ(form.Label6->isHidden(), c.docsInstalled);
        if (c.docsInstalled) ExpectInstalled(inst, Docs(), {"docs/Последний рейс.doc"});
        else EXPECT_EQ(inst.Read("docs/Последний рейс.doc"), "old story text");
        EXPECT_EQ(inst.Read("Фантастика.txt"), "Звёздные миры\r\n");  // the database is as it was
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(FormInstall, AFreshUpdateInfoThatIsNotOneKeepsTheOldFile) {
    NginxServer nginx;
    // What the raw server answers for the case at hand.
    std::string answer;
    std::mutex lock;
    // The documents come whole from either server; the fresh update.lasx is the case.
    nginx.Put("docs.zip", Docs().bytes);
    const std::string docs =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(Docs().bytes.size()) + "\r\n\r\n" + Docs().bytes;
    testsupport::RawHttpServer raw([&](testsupport::RawHttpServer::Connection& conn) {
        const std::string request = conn.ReadRequest();
        std::lock_guard<std::mutex> hold(lock);
        conn.Send(request.find("/docs.zip ") != std::string::npos ? docs : answer);  // and the connection closes
    });
    const std::string half = kServerLasx.substr(0, kServerLasx.size() / 2);
    struct Case {
        const char* name;
        std::optional<std::string> nginxBody;  // served by nginx; else the raw answer
        std::string rawAnswer;
        const char* reason;
        const char* cause = "the server sent something else";
    };
    const Case cases[] = {
        {"short", "VantorBooks update information\r\n1\r\n0\r\n", "", "it ends after 3 lines"},
        {"an HTML page served with 200", "<html>\n<head><title>Maintenance</title></head>\n<body>soon</body>\n</html>\n",
         "", "it ends after 4 lines"},
        {"cut without a length", std::nullopt, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + half,
         "it ends after 4 lines"},
        {"a length smaller than the file", std::nullopt,
         "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(half.size()) + "\r\n\r\n" + kServerLasx,
         "it ends after 4 lines"},
        {"too large", std::string(600 * 1024, '1'), "", "larger than the 524288 bytes allowed",
         "the file is larger than allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        PrepareInstallation(inst);
        if (c.nginxBody) {
            nginx.Put("update.lasx", *c.nginxBody);
            inst.UseUpdateServer(nginx.base());
        } else {
            std::lock_guard<std::mutex> hold(lock);
            answer = c.rawAnswer;
            inst.UseUpdateServer(raw.base());
        }
        TForm1 form;
        form.show();
        const std::string before = ReadFile(inst.dir() / "update.lasx");
        form.DocsUpdateFound();
        form.ShowPanels(viewer::PanelChange::OpenUpdatePanel);
        form.AcceptDataUpdate();  // the documents, then the last step of the data update
        ASSERT_TRUE(WaitForDownloads(form));
        ExpectInstalled(inst, Docs(), {"docs/Последний рейс.doc"});
        EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), before);
        EXPECT_EQ(form.Label15->text().toStdString(),
                  "Status: Update stopped: update.lasx could not be downloaded: " + std::string(c.cause));
        EXPECT_NE(LastLog(form).find(c.reason), std::string::npos) << LastLog(form);
        EXPECT_FALSE(form.Panel3->isHidden());
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        // The next start reads the old file as before.
        TForm1 again;
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(FormInstall, DownloadStoriesForReading) {
    NginxServer nginx;
    nginx.Put("docs.zip", Docs().bytes);
    nginx.Put("updatebase.zip", Base().bytes);
    nginx.Put("update.lasx", kServerLasx);
    Installation inst;
    PrepareInstallation(inst);
    inst.Write("skins/skins.txt", "Classic\r\n");  // for the options page's "Skins"
    inst.UseUpdateServer(nginx.base());
    UnzipSeam seam;
    TForm1 form;
    form.show();
    emit form.Label2->clicked();  // the options panel on its update page
    form.ListBox11->addItem(QStringLiteral("an earlier line"));
    form.BaseUpdateFound();  // a database update found by an earlier check

    emit form.Label17->mouseEntered();
    EXPECT_TRUE(form.Label17->font().underline());
    emit form.Label17->mouseLeft();
    EXPECT_FALSE(form.Label17->font().underline());

    emit form.Label17->clicked();
    EXPECT_EQ(form.Navigation().PanelPage, "");
    EXPECT_FALSE(form.Panel1->isVisible());
    EXPECT_EQ(form.ListBox11->count(), 0);
    EXPECT_TRUE(form.ListBox11->isHidden());
    EXPECT_TRUE(form.Memo2->isVisible());
    EXPECT_TRUE(form.ListBox1->isVisible());
    EXPECT_TRUE(form.ScrollBox1->isVisible());
    // The update panel shows the installation with its status line and gauge.
    EXPECT_TRUE(form.Panel3->isVisible());
    EXPECT_TRUE(form.Label15->isVisible());
    EXPECT_TRUE(form.Gauge2->isVisible());
    EXPECT_TRUE(form.Chain().DocsUpdateAvailable());
    EXPECT_TRUE(form.Chain().DownLoaderBusy());
    EXPECT_EQ(form.Label15->text().toStdString(), "Status: Downloading 1st package of two");
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_EQ(Requested(nginx, 0), (std::vector<std::string>{"docs.zip 200", "updatebase.zip 200", "update.lasx 200"}));
    EXPECT_TRUE(form.Panel3->isHidden());
    EXPECT_FALSE(form.Chain().DownLoaderBusy());

    // Back on the update page, the log that went with the panel is shown again and a check
    // fills it anew.
    emit form.Label2->clicked();
    QTest::mouseClick(form.ImagePlus5, Qt::LeftButton, {}, QPoint(100, 145));  // "Update"
    ASSERT_EQ(form.Navigation().OptionsPage, "updateopt");
    EXPECT_TRUE(form.ListBox11->isVisible());
    form.ListBox11->addItem(QStringLiteral("a line of before"));
    emit form.Label16->clicked();
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_TRUE(form.ListBox11->isVisible());
    ASSERT_GT(form.ListBox11->count(), 0);
    EXPECT_TRUE(form.ListBox11->item(0)->text().endsWith(QStringLiteral(" - Start checking for updates")));
    EXPECT_TRUE(form.ListBox11->findItems(QStringLiteral("a line of before"), Qt::MatchExactly).isEmpty());
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
}

TEST(FormInstall, DownloadStoriesIsRefusedWhileAnotherDownloadRuns) {
    std::atomic<bool> release{false};
    testsupport::RawHttpServer slow([&](testsupport::RawHttpServer::Connection& conn) {
        conn.ReadRequest();
        while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        conn.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    });
    Installation inst;
    PrepareInstallation(inst);
    inst.UseUpdateServer(slow.base());
    TForm1 form;
    form.show();
    form.DocsUpdateFound();
    form.AcceptDataUpdate();  // a documents update is running
    emit form.Label2->clicked();
    emit form.Label17->clicked();
    EXPECT_NE(LastLog(form).find(" - Update stopped: docs.zip was not fetched: another download is still running"),
              std::string::npos)
        << LastLog(form);
    EXPECT_TRUE(form.Panel1->isVisible());  // nothing else changed
    EXPECT_TRUE(form.Chain().DownLoaderBusy());
    release.store(true);
    ASSERT_TRUE(WaitForDownloads(form));
}

TEST(FormInstall, WhatTheUserDoesWhileAChainRunsLeavesItsStatusLine) {
    NginxServer nginx;
    nginx.Put("docs.zip", Docs().bytes);
    nginx.Put("update.lasx", kServerLasx);
    nginx.Put("update_whatnew.txt", "new\r\n");
    nginx.Put("updatevantorbooks_whatnew.txt", "new\r\n");
    const char* const kUpdating = "Status: Updating the database. Please wait";
    struct Case {
        const char* name;
        bool duringUnpack;  // else while docs.zip is being fetched
        void (*act)(TForm1&);
        const char* log;
    };
    const Case cases[] = {
        {"the data notice during the download", false, [](TForm1& f) { emit f.Label6->clicked(); },
         " - update_whatnew.txt was not fetched: another download is still running"},
        {"the program notice during the unpack", true, [](TForm1& f) { emit f.Label10->clicked(); },
         " - updatevantorbooks_whatnew.txt was not fetched: another download is still running"},
        {"an accept during the download", false,
         [](TForm1& f) { f.ImagePlus4MouseUp(Qt::LeftButton, 25 + 30, 400 - 25 - 10); },  // the test skin's b_update
         " - Update not started: another download is still running"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Installation inst;
        PrepareInstallation(inst);
        inst.UseUpdateServer(nginx.base());
        // The unpack waits for the test.
        std::atomic<bool> unpacking{false}, release{false};
        unpack::SetExtractorForTesting([&](const fs::path& archive, const fs::path& folder) {
            unpacking.store(true);
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            testsupport::UnzipExtract(archive, folder);
        });
        TForm1 form;
        form.show();
        // A notice's text is on the panel and its accept is live; the documents are then
        // fetched by their own starter, so the offer is still there.
        form.N07091->trigger();
        ASSERT_TRUE(WaitForDownloads(form));
        ASSERT_TRUE(form.UpdateOffer().AcceptLive());
        ASSERT_EQ(form.ListBox10->count(), 1);
        form.DocsUpdateFound();
        form.N07051->trigger();
        ASSERT_EQ(form.Label15->text().toStdString(), kUpdating);
        if (c.duringUnpack) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return unpacking.load(); }, 10000));
        }
        ASSERT_TRUE(form.ChainRunning());

        c.act(form);
        EXPECT_EQ(form.Label15->text().toStdString(), kUpdating);
        EXPECT_EQ(LastLog(form).substr(LastLog(form).find(" - ")), c.log);
        EXPECT_TRUE(form.Panel3->isVisible());
        EXPECT_EQ(form.ListBox10->count(), 1) << "the text being installed stays";
        release.store(true);
        ASSERT_TRUE(WaitForDownloads(form));
        unpack::SetExtractorForTesting(nullptr);
        EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), kServerLasx) << "the chain went on to its end";
        EXPECT_TRUE(form.Panel3->isHidden());
        ExpectInstalled(inst, Docs(), {"docs/Последний рейс.doc"});
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

TEST(FormInstall, ProgramUpdateIsHandedOverOnlyWhenTheUpdaterStarts) {
    NginxServer nginx;
    const Package program({{"VantorBooks", "#!/bin/sh\nexit 0\n"}, {"autoupdatevnbooks/VantorBooksUpdate", "new"}},
                          true);
    // A file where the installation has a folder: the updater could never install it.
    const Package clashing({{"VantorBooks", "#!/bin/sh\nexit 0\n"}, {"docs", "a file"}}, true);
    struct Case {
        const char* name;
        std::optional<std::string> served;
        bool updater;
        bool calc;
        const char* reason;  // nullptr: handed over
    };
    const Case cases[] = {
        {"updater started", program.bytes, true, false, nullptr},
        {"updater missing", program.bytes, false, false, "Cannot start"},
        {"archive not on the server", std::nullopt, true, false, "could not be downloaded"},
        {"archive damaged", program.Damaged("exit 0"), true, false, "could not be unpacked"},
        {"a file where the installation has a folder", clashing.bytes, true, false, "a folder in the installation"},
        {"a CALC module loaded", program.bytes, true, true, "CALC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.served) nginx.Put("updatevnbooks.zip", *c.served);
        else nginx.Remove("updatevnbooks.zip");
        Installation inst;
        PrepareInstallation(inst);
        inst.UseUpdateServer(nginx.base());
        if (c.updater) {
            inst.Write("autoupdatevnbooks/VantorBooksUpdate", "#!/bin/sh\npwd > started.txt\necho \"$#\" >> started.txt\n");
            ::chmod((inst.dir() / "autoupdatevnbooks/VantorBooksUpdate").c_str(), 0755);
        }
        if (c.calc) platform::SetModuleCheckForTesting([](std::string_view n) { return n == "CALC"; });
        UnzipSeam seam;
        const auto children = testsupport::ChildProcesses();
        TForm1 form;
        form.show();
        form.N07111->trigger();
        ASSERT_TRUE(WaitForDownloads(form));
        platform::SetModuleCheckForTesting(nullptr);
        const fs::path mark = inst.dir() / "autoupdatevnbooks/started.txt";
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        if (!c.reason) {
            EXPECT_FALSE(form.isVisible());
            const auto twoLines = [&] { return std::ranges::count(ReadFile(mark), '\n') == 2; };
            ASSERT_TRUE(QTest::qWaitFor(twoLines, 5000));
            EXPECT_EQ(ReadFile(mark), (inst.dir() / "autoupdatevnbooks").string() + "\n0\n");
        } else {
            EXPECT_TRUE(form.isVisible());
            EXPECT_EQ(form.Label15->text().left(24).toStdString(), "Status: Update stopped: ");
            EXPECT_NE(LastLog(form).find(c.reason), std::string::npos) << LastLog(form);
            EXPECT_TRUE(testsupport::ChildProcessesSince(children).empty()) << "the updater was started";
            EXPECT_FALSE(fs::exists(mark));
        }
        EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    }
}

// The road of a killed update whose roll-back fails at the next start, with a new update
// accepted in that same run: nothing of it is fetched or installed until a start has undone
// the killed one, and then it installs whole.
TEST(FormInstall, APendingJournalKeepsEveryUpdateOutUntilAStartUndoesIt) {
    NginxServer nginx;
    nginx.Put("docs.zip", Docs().bytes);
    nginx.Put("updatevnbooks.zip", Docs().bytes);
    nginx.Put("update.lasx", kServerLasx);
    Installation inst;
    PrepareInstallation(inst);
    inst.UseUpdateServer(nginx.base());
    inst.Write("docs/Новый рассказ.rtf", "old new story");
    UnzipSeam seam;
    const std::string lasx = ReadFile(inst.dir() / "update.lasx");
    WriteFile(inst.dir() / "docs.zip", Docs().bytes);  // the killed run's download
    ASSERT_TRUE(testsupport::UnpackKilledAt((inst.dir() / "docs.zip").string(), inst.dir(), 3, testsupport::UnzipExtract));
    const std::string halfMoved = inst.Read("docs/Новый рассказ.rtf") + inst.Read("docs/Последний рейс.doc");
    ASSERT_NE(halfMoved, "old new storyold story text");
    {
        TForm1 form;
        {
            testsupport::Unwritable locked(inst.dir() / "docs");
            if (!locked.ok()) GTEST_SKIP() << "no folder can be made unwritable here";
            ASSERT_TRUE(WaitForDownloads(form));
        }
        ASSERT_EQ(inst.dialogs.size(), 1u);
        EXPECT_NE(inst.dialogs[0].find("could not be put back"), std::string::npos) << inst.dialogs[0];
        EXPECT_NE(inst.dialogs[0].find("The next start tries again."), std::string::npos) << inst.dialogs[0];

        // The folder is writable again; the update is accepted, then the program update.
        const size_t before = nginx.Requests().size();
        form.show();
        form.DocsUpdateFound();
        form.Label6->show();
        form.ShowPanels(viewer::PanelChange::OpenUpdatePanel);
        form.AcceptDataUpdate();
        ASSERT_TRUE(WaitForDownloads(form));
        const std::string why = "an interrupted update is to be undone at the next start";
        EXPECT_EQ(form.Label15->text().toStdString(), "Status: Update stopped: " + why);
        EXPECT_TRUE(LastLog(form).ends_with(" - Update stopped: docs.zip was not installed: " + why)) << LastLog(form);
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        EXPECT_FALSE(form.Label6->isHidden());  // still offered
        form.N07111->trigger();
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(LastLog(form).ends_with(" - Update stopped: updatevnbooks.zip was not installed: " + why))
            << LastLog(form);
        EXPECT_EQ(nginx.Requests().size(), before);  // nothing fetched
        EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), lasx);
        EXPECT_EQ(inst.Read("docs/Новый рассказ.rtf") + inst.Read("docs/Последний рейс.doc"), halfMoved);
    }

    // The next start undoes the killed update; then the same update installs whole.
    inst.dialogs.clear();
    TForm1 form;
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_TRUE(inst.dialogs.empty()) << inst.dialogs.front();
    EXPECT_EQ(inst.Read("docs/Новый рассказ.rtf"), "old new story");
    EXPECT_EQ(inst.Read("docs/Последний рейс.doc"), "old story text");
    EXPECT_EQ(form.Label15->text().toStdString(),
              "Status: An interrupted update was undone; the installation is as it was before it.");
    form.show();
    form.DocsUpdateFound();
    form.ShowPanels(viewer::PanelChange::OpenUpdatePanel);
    form.AcceptDataUpdate();
    ASSERT_TRUE(WaitForDownloads(form));
    ExpectInstalled(inst, Docs(), {"docs/Последний рейс.doc", "docs/Новый рассказ.rtf"});
    EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), kServerLasx);
    EXPECT_TRUE(form.Panel3->isHidden());
}

// Guards the update road from end to end, as a user walks it: against nginx on loopback, a
// temporary installation of the built programs and the sample data checks for updates at
// start-up and shows the notice; its click opens the update panel with the what's-new text,
// whose accept button installs the documents and then the database (byte-identical files, the
// user's files kept) and fetches the fresh update.lasx. The next start announces the new
// program version; through the panel again it is downloaded and handed to the updater, which
// unpacks it and starts the new viewer (a small program of ours that leaves a mark) and ends. A
// truncated or damaged archive changes no installed file and hands nothing over, and without
// the updater the viewer stays open. The updates tests/update-server/ serves for the walk by
// hand install under the names they carry.
//
// Each case runs once with the unzip tool behind the unpack seam (in this process and in the
// updater built for tests), and once with the archive library's own extraction in both
// programs as built.
#include <gtest/gtest.h>

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <iterator>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <ostream>

#include "ChildProcesses.h"
#include "ClickLabel.h"
#include "Installation.h"
#include "NginxServer.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "UpdateInfo.h"
#include "platform/CodePage.h"
#include "ZipTool.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;
using testsupport::Installation;
using testsupport::NginxServer;
using testsupport::ReadFile;
using testsupport::WriteFile;
using testsupport::ZipPackage;

namespace {

enum class Extraction { UnzipTool, ArchiveLibrary };
void PrintTo(Extraction e, std::ostream* os) { *os << (e == Extraction::UnzipTool ? "unzip tool" : "archive library"); }
std::string ParamName(const testing::TestParamInfo<Extraction>& info) {
    return info.param == Extraction::UnzipTool ? "UnzipTool" : "ArchiveLibrary";
}

const std::string kDocsStory = "docs/Последний рейс.doc";
const std::string kDocsAdded = "docs/Кольца Сатурна.rtf";
const std::string kBaseList = "Фантастика/Звёздные миры/Первая экспедиция.txt";
const std::string kBaseInfo = "Фантастика/Звёздные миры/Первая экспедиция/Books/moreinfo/Кольца Сатурна.txt";
const std::string kHave = "Фантастика/Звёздные миры/Первая экспедиция/Books/_have.txt";
const std::string kNewViewerMark = "restarted by the update";

// The sample's update.lasx with both counters one higher and another version.
std::string ServerLasx() {
    return testsupport::RaisedUpdateInfo(ReadFile(fs::path(VB_SAMPLE_DIR) / "update.lasx"), 1, 1, "1.43");
}

const ZipPackage& DocsPackage(bool stored = false) {
    static const ZipPackage deflated({{kDocsStory, std::string(20000, 'D') + " new edition"},
                                      {kDocsAdded, "{\\rtf1 Кольца Сатурна}"}});
    static const ZipPackage plain({{kDocsStory, "stored new edition " + std::string(3000, 'd')}}, true);
    return stored ? plain : deflated;
}

const ZipPackage& BasePackage(bool stored = false) {
    static const ZipPackage deflated({{kBaseList, "Кольца Сатурна\r\nНовая книга\r\n"},
                                      {kBaseInfo, std::string(5000, 'i') + " updated description"},
                                      {kHave, "a list that is not the user's\r\n"},
                                      {"options.ini", "[Window]\r\nHeight=123\r\n"}});
    static const ZipPackage plain({{kBaseInfo, "stored updated description " + std::string(3000, 'i')}}, true);
    return stored ? plain : deflated;
}

// The new viewer of the program update: leaves a mark with its folder and argument count.
const ZipPackage& ProgramPackage() {
    static const ZipPackage p(
        {{"VantorBooks", "#!/bin/sh\n{ pwd; echo \"$#\"; echo " + kNewViewerMark +
                             "; } > restarted.tmp\nmv restarted.tmp restarted.txt\n"}},
        true);
    return p;
}

// The updater process this test started (its name is cut to 15 characters by the kernel).
std::vector<pid_t> UpdaterChildren() {
    const auto pids = testsupport::ChildProcesses("VantorBooksUpda");
    return {pids.begin(), pids.end()};
}

class UpdateRoad : public testing::TestWithParam<Extraction> {
protected:
    void SetUp() override {
        if (GetParam() == Extraction::UnzipTool) unpack::SetExtractorForTesting(testsupport::UnzipExtract);
        // The installation: the sample data, the viewer as built, and the updater.
        for (const auto& e : fs::directory_iterator(VB_SAMPLE_DIR))
            if (e.path().filename() != "tools")
                fs::copy(e.path(), inst.dir() / e.path().filename(), fs::copy_options::recursive);
        fs::copy_file(fs::path(VB_INSTALLATION_DIR) / "VantorBooks", inst.dir() / "VantorBooks");
        fs::create_directories(inst.dir() / "autoupdatevnbooks");
        const fs::path updater = GetParam() == Extraction::UnzipTool
                                     ? fs::path(VB_TEST_UPDATER)
                                     : fs::path(VB_INSTALLATION_DIR) / "autoupdatevnbooks/VantorBooksUpdate";
        fs::copy_file(updater, inst.dir() / "autoupdatevnbooks/VantorBooksUpdate");
        inst.Write(kHave, "Кольца Сатурна\r\n");
        inst.UseUpdateServer(nginx.base());

        nginx.Put("update.lasx", ServerLasx());
        nginx.Put("docs.zip", DocsPackage().bytes);
        nginx.Put("updatebase.zip", BasePackage().bytes);
        nginx.Put("updatevnbooks.zip", ProgramPackage().bytes);
        nginx.Put("update_whatnew.txt", platform::Utf8ToBytes("Новые рассказы.\r\n"));
        nginx.Put("updatevantorbooks_whatnew.txt", platform::Utf8ToBytes("Версия 1.43.\r\n"));
    }
    void TearDown() override {
        unpack::SetExtractorForTesting(nullptr);
        for (pid_t pid : UpdaterChildren()) ::waitpid(pid, nullptr, 0);
    }

    bool WaitForDownloads(const TForm1& form) {
        return QTest::qWaitFor([&] { return !form.Working(); }, 20000);
    }

    // The notice clicked, its what's-new text read, and the update panel's accept button
    // clicked, as a user does.
    void AcceptThroughThePanel(TForm1& form, ClickLabel* notice, const char* whatsNew) {
        ASSERT_TRUE(notice->isVisible());
        QTest::mouseClick(notice, Qt::LeftButton, {}, notice->rect().center());
        ASSERT_TRUE(form.Panel3->isVisible());
        ASSERT_TRUE(WaitForDownloads(form));
        ASSERT_EQ(form.ListBox10->count(), 1);
        EXPECT_EQ(form.ListBox10->item(0)->text(), QString::fromUtf8(whatsNew));
        const QImage& accept = form.Chrome().Bitmaps.Get("b_update");
        const QPoint centre(25 + accept.width() / 2, form.ImagePlus4->height() - 25 - accept.height() / 2);
        QTest::mouseMove(form.ImagePlus4, centre);
        QTest::mouseClick(form.ImagePlus4, Qt::LeftButton, {}, centre);
        ASSERT_TRUE(WaitForDownloads(form));
    }

    // Start-up with the automatic check (no options file yet), then the data update the check
    // found, accepted on the update panel.
    void InstallDataUpdate(TForm1& form, const char* whatsNew = "Новые рассказы.") {
        form.show();
        ASSERT_TRUE(WaitForDownloads(form));
        ASSERT_TRUE(form.Chain().DocsUpdateAvailable());
        ASSERT_TRUE(form.Chain().BaseUpdateAvailable());
        AcceptThroughThePanel(form, form.Label6, whatsNew);
    }

    std::vector<std::string> Requested() const {
        std::vector<std::string> out;
        const std::string prefix = "GET /vncsoft/vantorbooks/update/";
        for (const auto& line : nginx.Requests()) out.push_back(line.starts_with(prefix) ? line.substr(prefix.size()) : line);
        return out;
    }

    NginxServer nginx;
    Installation inst;
};

}  // namespace

TEST_P(UpdateRoad, DataThenProgramUpdate) {
    {
        TForm1 form;
        InstallDataUpdate(form);
        ASSERT_TRUE(form.Panel3->isHidden()) << form.Label15->text().toStdString();
        const auto installed = [&](const ZipPackage& p, const std::string& rel) {
            EXPECT_TRUE(ReadFile(inst.dir() / rel) == ReadFile(p.src / rel)) << rel;  // byte for byte
        };
        installed(DocsPackage(), kDocsStory);
        installed(DocsPackage(), kDocsAdded);
        installed(BasePackage(), kBaseList);
        installed(BasePackage(), kBaseInfo);
        EXPECT_EQ(inst.Read(kHave), "Кольца Сатурна\r\n");
        EXPECT_EQ(inst.Read("options.ini").find("Height=123"), std::string::npos);
        EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), ServerLasx());
        EXPECT_TRUE(form.Panel3->isHidden());
        EXPECT_TRUE(form.Label6->isHidden());
        EXPECT_FALSE(form.Chain().DownLoaderBusy());
        EXPECT_TRUE(form.Label10->isHidden()) << "a document update was found in this run";
    }

    // The next start finds the data current and the program not: the program update, accepted
    // on the panel, is handed over.
    TForm1 form;
    form.show();
    ASSERT_TRUE(WaitForDownloads(form));
    EXPECT_TRUE(form.Label6->isHidden());
    AcceptThroughThePanel(form, form.Label10, "Версия 1.43.");
    EXPECT_FALSE(form.isVisible()) << form.Label15->text().toStdString();
    EXPECT_EQ(Requested(),
              (std::vector<std::string>{"update.lasx HTTP/1.1 200", "update_whatnew.txt HTTP/1.1 200",
                                        "docs.zip HTTP/1.1 200", "updatebase.zip HTTP/1.1 200",
                                        "update.lasx HTTP/1.1 200", "update.lasx HTTP/1.1 200",
                                        "updatevantorbooks_whatnew.txt HTTP/1.1 200",
                                        "updatevnbooks.zip HTTP/1.1 200"}));

    // The updater waits two seconds, unpacks, waits one more and starts the new viewer.
    const fs::path mark = inst.dir() / "restarted.txt";
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(mark); }, 20000));
    EXPECT_EQ(ReadFile(mark), inst.dir().string() + "\n0\n" + kNewViewerMark + "\n");
    EXPECT_NE(ReadFile(inst.dir() / "VantorBooks").find(kNewViewerMark), std::string::npos);
    struct stat st{};
    ::stat((inst.dir() / "VantorBooks").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0111, 0111u);

    // ... and ends.
    const auto children = UpdaterChildren();
    ASSERT_EQ(children.size(), 1u);
    int status = -1;
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(children[0], &status, WNOHANG) == children[0]) break;
        QTest::qWait(10);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_P(UpdateRoad, DamagedDataArchivesChangeNoInstalledFile) {
    struct Case {
        const char* name;
        std::string docs, base;
        std::vector<std::string> requests;
        bool docsInstalled;
    };
    const std::string whole = DocsPackage().bytes;
    const Case cases[] = {
        {"documents truncated", whole.substr(0, whole.size() * 2 / 3), BasePackage().bytes,
         {"update.lasx HTTP/1.1 200", "update_whatnew.txt HTTP/1.1 200", "docs.zip HTTP/1.1 200"}, false},
        {"documents damaged", DocsPackage(true).Damaged("stored new edition"), BasePackage().bytes,
         {"update.lasx HTTP/1.1 200", "update_whatnew.txt HTTP/1.1 200", "docs.zip HTTP/1.1 200"}, false},
        {"database damaged", whole, BasePackage(true).Damaged("stored updated description"),
         {"update.lasx HTTP/1.1 200", "update_whatnew.txt HTTP/1.1 200", "docs.zip HTTP/1.1 200",
          "updatebase.zip HTTP/1.1 200"},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nginx.Put("docs.zip", c.docs);
        nginx.Put("updatebase.zip", c.base);
        const std::string story = ReadFile(inst.dir() / kDocsStory);
        const std::string info = ReadFile(inst.dir() / kBaseInfo);
        const std::string lasx = ReadFile(inst.dir() / "update.lasx");
        const size_t before = nginx.Requests().size();
        {
            TForm1 form;
            InstallDataUpdate(form);
            EXPECT_TRUE(form.Label15->text().startsWith(QStringLiteral("Status: Update stopped: ")));
            EXPECT_FALSE(form.Chain().DownLoaderBusy());
            EXPECT_FALSE(form.Panel3->isHidden());
        }
        auto requests = Requested();
        requests.erase(requests.begin(), requests.begin() + static_cast<long>(before));
        EXPECT_EQ(requests, c.requests);  // no fresh update.lasx
        EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), lasx);
        EXPECT_TRUE(ReadFile(inst.dir() / kBaseInfo) == info);
        const std::string now = ReadFile(inst.dir() / kDocsStory);
        EXPECT_TRUE(now == (c.docsInstalled ? ReadFile(DocsPackage().src / kDocsStory) : story));
        // Undo the documents for the next case.
        WriteFile(inst.dir() / kDocsStory, story);
    }
}

TEST_P(UpdateRoad, NothingIsHandedOverWithoutAWholeArchiveAndAnUpdater) {
    struct Case {
        const char* name;
        bool damaged;
        bool updater;
        const char* reason;
    };
    const Case cases[] = {
        {"program archive damaged", true, true, "could not be unpacked"},
        {"updater missing", false, false, "Cannot start"},
    };
    const std::string viewer = ReadFile(inst.dir() / "VantorBooks");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nginx.Put("updatevnbooks.zip", c.damaged ? ProgramPackage().Damaged(kNewViewerMark) : ProgramPackage().bytes);
        if (!c.updater) fs::remove(inst.dir() / "autoupdatevnbooks/VantorBooksUpdate");
        TForm1 form;
        form.show();
        ASSERT_TRUE(WaitForDownloads(form));  // the automatic check
        form.N07111->trigger();
        ASSERT_TRUE(WaitForDownloads(form));
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.Label15->text().toStdString().substr(0, 24), "Status: Update stopped: ");
        // The updater would have been started before the download ended: nothing can change
        // the installation any more.
        EXPECT_TRUE(UpdaterChildren().empty());
        EXPECT_TRUE(ReadFile(inst.dir() / "VantorBooks") == viewer);
        EXPECT_FALSE(fs::exists(inst.dir() / "restarted.txt"));
        const int n = form.ListBox11->count();
        ASSERT_GT(n, 0);
        EXPECT_NE(form.ListBox11->item(n - 1)->text().toStdString().find(c.reason), std::string::npos);
    }
}

// The walk the README describes, with the update folder tests/update-server/ serves: the data
// update installs the files under the names they have in the archive, and nothing beside them.
TEST_P(UpdateRoad, TheServedUpdatesInstallTheirOwnNames) {
    const std::string make = std::string(VB_SOURCE_DIR) + "/tests/update-server/make-updates.sh '" +
                             nginx.updateDir().string() + "' '" + VB_INSTALLATION_DIR + "' >/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const auto names = [&](const fs::path& dir) {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            const std::string rel = e.path().lexically_relative(inst.dir()).generic_string();
            if (!rel.ends_with(".zip") && !rel.starts_with("restarted")) out.push_back(rel);
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    std::vector<std::string> expected = names(inst.dir());
    // The new story, and what every start and check writes.
    for (const char* made : {"docs/Кольца Сатурна.rtf", "options.ini", "update_temp.lasx", "update_whatnew.txt"})
        expected.push_back(made);
    std::sort(expected.begin(), expected.end());
    const std::string book = "Фантастика/Звёздные миры/Первая экспедиция/Books/moreinfo/Кольца Сатурна.txt";

    TForm1 form;
    InstallDataUpdate(form, "Новые рассказы и описания.");
    ASSERT_TRUE(form.Panel3->isHidden()) << form.Label15->text().toStdString();
    const auto now = names(inst.dir());
    std::vector<std::string> added, gone;
    std::set_difference(now.begin(), now.end(), expected.begin(), expected.end(), std::back_inserter(added));
    std::set_difference(expected.begin(), expected.end(), now.begin(), now.end(), std::back_inserter(gone));
    EXPECT_TRUE(added.empty()) << testing::PrintToString(added);
    EXPECT_TRUE(gone.empty()) << testing::PrintToString(gone);
    EXPECT_EQ(ReadFile(inst.dir() / "docs/Кольца Сатурна.rtf"), ReadFile(fs::path(VB_SAMPLE_DIR) / "docs/Последний рейс.rtf"));
    EXPECT_NE(inst.Read(book).find("Дополнено обновлением базы."), std::string::npos);
    EXPECT_EQ(ReadFile(inst.dir() / "update.lasx"), ReadFile(nginx.updateDir() / "update.lasx"));
}

INSTANTIATE_TEST_SUITE_P(Injected, UpdateRoad, testing::Values(Extraction::UnzipTool), ParamName);
// Both programs as built, with the archive library's own extraction behind the seam.
INSTANTIATE_TEST_SUITE_P(AsBuilt, UpdateRoad, testing::Values(Extraction::ArchiveLibrary), ParamName);

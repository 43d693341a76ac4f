// Installing updates: the starters of the archive downloads and of the fresh update.lasx,
// "Download stories for reading", the completion branches that unpack the data archives and
// end a data update, and the hand-over of a program update to the updater.
#include <QAction>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>

#include "ClickLabel.h"
#include "Identity.h"
#include "QtBridge.h"
#include "Startup.h"
#include "TForm1.h"
#include "UpdateCheck.h"
#include "UpdateServer.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "unpack/UnpackArchive.h"

void TForm1::connectInstallHandlers() {
    N07051 = addRoutine("N07051", "0705", &TForm1::N07051Click);
    N07061 = addRoutine("N07061", "0706", &TForm1::N07061Click);
    N07071 = addRoutine("N07071", "0707", &TForm1::N07071Click);
    N07111 = addRoutine("N07111", "0711", &TForm1::N07111Click);
    bind(Label17, &ClickLabel::clicked, &TForm1::Label17Click);
    bind(Label17, &ClickLabel::mouseEntered, &TForm1::Label17MouseEnter);
    bind(Label17, &ClickLabel::mouseLeft, &TForm1::Label17MouseLeave);
}

void TForm1::N07051Click() {
    if (const auto status = viewer::DocsStarterStatus(DocsUpdateAvailable == 1, BaseUpdateAvailable == 1))
        Label15->setText(Q(*status));
    StartChainDownload(viewer::kDocsArchiveName);
}

void TForm1::N07061Click() {
    if (const auto status = viewer::BaseStarterStatus(DocsUpdateAvailable == 1, BaseUpdateAvailable == 1))
        Label15->setText(Q(*status));
    StartChainDownload(viewer::kBaseArchiveName);
}

void TForm1::N07071Click() { StartChainDownload(viewer::kUpdateInfoName); }

void TForm1::N07111Click() { StartChainDownload(viewer::kProgramArchiveName); }

void TForm1::Label17Click() {
    // Refused before anything changes, so the chain that runs keeps its panel and busy flag.
    if (DownloadRunning()) {
        const auto texts = viewer::ChainStopped(viewer::kDocsArchiveName, viewer::ChainFailure::NotStarted, "");
        ListBox11->addItem(Q(viewer::LogTimeNow() + texts.log));
        return;
    }
    PanelPage.clear();
    Panel1->hide();
    ListBox11->clear();
    ListBox11->hide();
    Gauge2->hide();
    Memo2->show();
    ListBox1->show();
    // The update panel opens on its status line; how it is painted comes with the panel itself.
    Panel3->show();
    Panel3->raise();
    DocsUpdateAvailable = 1;
    N07051Click();
    DownLoaderBusy = 1;
}

void TForm1::Label17MouseEnter() {
    QFont font = Label17->font();
    font.setUnderline(true);
    Label17->setFont(font);
}

void TForm1::Label17MouseLeave() {
    QFont font = Label17->font();
    font.setUnderline(false);
    Label17->setFont(font);
}

void TForm1::StartChainDownload(const std::string& name) {
    if (!StartDownload(name, name, name))
        StopChain(name, viewer::ChainFailure::NotStarted, "", viewer::LogTimeNow());
}

// A stopped chain says so on the status line and in the log and frees the panel's cancel
// button. It fetches no fresh update.lasx, so the update is offered again by the next check.
void TForm1::StopChain(const std::string& file, viewer::ChainFailure why, const std::string& reason,
                       const std::string& time) {
    const auto texts = viewer::ChainStopped(file, why, reason);
    Label15->setText(Q(texts.status));
    ListBox11->addItem(Q(time + texts.log));
    // A download refused because another one runs leaves that one's flag alone.
    if (why != viewer::ChainFailure::NotStarted) DownLoaderBusy = 0;
}

// A failed download keeps whatever file was there before, so only a download that arrived
// whole is unpacked.
bool TForm1::UnpackDownloaded(const viewer::DownloadResult& done, const std::string& time) {
    if (!done.ok) {
        StopChain(done.name, viewer::ChainFailure::Download, done.error, time);
        return false;
    }
    try {
        unpack::UnpackArchive(ProgramDir + "\\" + done.name, ProgramDir);
    } catch (const std::exception& e) {
        StopChain(done.name, viewer::ChainFailure::Unpack, e.what(), time);
        return false;
    }
    return true;
}

TForm1::BranchEnd TForm1::DocsArchiveBranch(const viewer::DownloadResult& done, const std::string& time) {
    if (!UnpackDownloaded(done, time)) return BranchEnd::Continue;
    Label6->hide();
    const std::string next =
        viewer::NextDataDownload(DocsUpdateAvailable == 1, BaseUpdateAvailable == 1, viewer::kDocsArchiveName);
    if (next == viewer::kBaseArchiveName) N07061Click();
    else N07071Click();
    if (!DownloadRunning()) DownLoaderBusy = 0;  // the next download did not start: the chain ends
    return BranchEnd::Stop;
}

TForm1::BranchEnd TForm1::BaseArchiveBranch(const viewer::DownloadResult& done, const std::string& time) {
    if (UnpackDownloaded(done, time)) {
        Label6->hide();
        N07071Click();
    }
    DownLoaderBusy = 0;  // also while the fresh update.lasx is still on its way
    return BranchEnd::Continue;
}

// The end of a data update. A failed fetch keeps the old update.lasx, whose counters would
// offer the same update again; the panel stays open and says so.
void TForm1::FreshUpdateInfoBranch(const viewer::DownloadResult& done, const std::string& time) {
    if (!done.ok) {
        StopChain(done.name, viewer::ChainFailure::Download, done.error, time);
        return;
    }
    if (!platform::FileExists(done.destFile.string())) return;
    UpdatePanelPage.clear();
    Panel3->hide();
    ListBox10->clear();
    ListBox10->hide();
    Gauge2->hide();
    DownLoaderBusy = 0;
}

TForm1::BranchEnd TForm1::ProgramArchiveBranch(const viewer::DownloadResult& done, const std::string& time) {
    if (!done.ok)
        StopChain(done.name, viewer::ChainFailure::Download, done.error, time);
    else if (platform::IsModuleLoaded("CALC"))
        StopChain(done.name, viewer::ChainFailure::HandOver, "A module named \"CALC\" is loaded.", time);
    else
        HandOverToUpdater(time);
    DownLoaderBusy = 0;
    return BranchEnd::Continue;
}

// The viewer closes only once the updater runs with an archive it can unpack; otherwise it
// stays open, so the user is never left without either program.
void TForm1::HandOverToUpdater(const std::string& time) {
    const std::string archive = ProgramDir + "\\" + viewer::kProgramArchiveName;
    try {
        unpack::CheckArchive(archive);
    } catch (const std::exception& e) {
        StopChain(viewer::kProgramArchiveName, viewer::ChainFailure::Unpack, e.what(), time);
        return;
    }
    const auto folder = viewer::DataPath(ProgramDir, viewer::kUpdaterFolder);
    const auto updater =
        viewer::DataPath(ProgramDir, std::string(viewer::kUpdaterFolder) + "\\" + viewer::kUpdaterExecutable);
    std::string error;
    if (!platform::StartProgram(updater, folder, &error)) {
        StopChain(viewer::kProgramArchiveName, viewer::ChainFailure::HandOver, error, time);
        return;
    }
    close();
}

// Installing updates: the starters of the archive downloads and of the fresh update.lasx,
// "Download stories for reading", the steps of the install chain (downloads, unpacks, the end
// of a data update) and the hand-over of a program update to the updater.
#include <QAction>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QMetaObject>
#include <QProgressBar>

#include <atomic>
#include <memory>

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

void TForm1::N07051Click() { RunChainStep(install_.Chain.StartDocuments()); }

void TForm1::N07061Click() { RunChainStep(install_.Chain.StartDatabase()); }

void TForm1::N07071Click() { RunChainStep(install_.Chain.StartFreshUpdateInfo()); }

void TForm1::N07111Click() { RunChainStep(install_.Chain.StartProgramArchive()); }

void TForm1::AcceptDataUpdate() { RunChainStep(install_.Chain.AcceptDataUpdate()); }

void TForm1::AcceptProgramUpdate() { RunChainStep(install_.Chain.AcceptProgramUpdate()); }

// Only the chain unpacks, and its downloads are the ones it handles.
bool TForm1::ChainRunning() const {
    return install_.unpackTask != nullptr ||
           (downloads_.loader != nullptr && viewer::InstallChain::Handles(downloads_.DownloadName));
}

void TForm1::Label17Click() {
    // Refused before anything changes, so the chain that runs keeps its panel and busy flag.
    if (Working()) {
        const auto texts = viewer::ChainStopped(viewer::kDocsArchiveName, viewer::ChainFailure::NotStarted, "");
        ListBox11->addItem(Q(viewer::LogTimeNow() + texts.log));
        return;
    }
    ShowPanels(viewer::PanelChange::LeaveForUpdate);
    panelPageGone();
    install_.UpdateOffer.Withdraw();  // no notice offered this: nothing on the panel to accept
    N141Click();
    RunChainStep(install_.Chain.DownloadStories());
}

void TForm1::Label17MouseEnter() { Label17->Underline(true); }

void TForm1::Label17MouseLeave() { Label17->Underline(false); }

void TForm1::RunChainStep(const viewer::ChainStep& step) {
    // Moves of another update not all put back yet (or under way) would meet this one's files,
    // and their roll-back would later put old files over it: nothing is fetched, unpacked or
    // handed over until they are done.
    if (step.Installs()) {
        if (const std::string why = unpack::UpdateInTheWay(config_.ProgramDir); !why.empty())
            return RunChainStep(install_.Chain.InTheWay(step, why));
    }
    const std::string time = viewer::LogTimeNow();
    if (step.status) Label15->setText(Q(*step.status));
    if (!step.log.empty()) ListBox11->addItem(Q(time + step.log));
    if (step.hideBaseNotice) Label6->hide();
    switch (step.work) {
        case viewer::ChainStep::Work::None:
            break;
        case viewer::ChainStep::Work::Download:
            // Each archive starts the gauge afresh, so a stop shows how far its own file came.
            if (viewer::MovesGauge(step.file)) {
                Gauge2->setRange(0, 100);
                Gauge2->setValue(0);
            }
            if (!StartDownload(step.file, step.file, step.file)) RunChainStep(install_.Chain.NotStarted(step.file));
            break;
        case viewer::ChainStep::Work::Unpack: {
            const std::string file = step.file;
            StartUnpack(unpack::UnpackTask::Kind::Unpack, file,
                        [this, file](const std::string& error) { RunChainStep(install_.Chain.Unpacked(file, error)); });
            break;
        }
        case viewer::ChainStep::Work::HandOver:
            HandOverToUpdater();
            break;
    }
    // A file of unknown size leaves the gauge running; stopped, it shows no progress instead.
    if (step.stopped && Gauge2->maximum() == 0) Gauge2->setRange(0, 100);
    if (step.closePanel) ShowPanels(viewer::PanelChange::CloseUpdatePanel);
    if (step.clearDescription) Memo2->clear();
}

// Unpacks (or checks) a downloaded archive off the window's thread, with its progress on the
// gauge; `done` runs on the window's thread. Nothing else is started meanwhile.
void TForm1::StartUnpack(unpack::UnpackTask::Kind kind, const std::string& file,
                         std::function<void(const std::string& error)> done) {
    auto task = std::make_unique<unpack::UnpackTask>(kind, config_.ProgramDir + "\\" + file, config_.ProgramDir);
    Gauge2->setRange(0, 1000);
    Gauge2->setValue(0);
    // Only a change of the thousandths is posted: the extraction reports every block it writes.
    auto shown = std::make_shared<std::atomic<int>>(-1);
    task->Start(
        [this, shown](int permille) {
            if (shown->exchange(permille) == permille) return;
            QMetaObject::invokeMethod(this, [this, permille] { Gauge2->setValue(permille); }, Qt::QueuedConnection);
        },
        [this, done = std::move(done)](const std::string& error) {
            QMetaObject::invokeMethod(
                this,
                [this, done, error] {
                    install_.unpackTask.reset();  // the worker has ended
                    guarded([&] { done(error); });
                },
                Qt::QueuedConnection);
        });
    install_.unpackTask = std::move(task);  // the completion, queued at the earliest, comes after this
}

// The viewer closes only once the updater runs with an archive it can unpack over this
// installation; otherwise it stays open, so the user is never left without either program.
void TForm1::HandOverToUpdater() {
    if (platform::IsModuleLoaded("CALC")) {
        RunChainStep(
            install_.Chain.HandOverFailed(viewer::ChainFailure::HandOver, "A module named \"CALC\" is loaded."));
        return;
    }
    StartUnpack(unpack::UnpackTask::Kind::Check, viewer::kProgramArchiveName, [this](const std::string& error) {
        if (!error.empty()) {
            RunChainStep(install_.Chain.HandOverFailed(viewer::ChainFailure::Unpack, error));
            return;
        }
        const auto folder = viewer::DataPath(config_.ProgramDir, viewer::kUpdaterFolder);
        const auto updater = viewer::DataPath(config_.ProgramDir,
                                              std::string(viewer::kUpdaterFolder) + "\\" + viewer::kUpdaterExecutable);
        std::string why;
        if (!platform::StartProgram(updater, folder, &why)) {
            RunChainStep(install_.Chain.HandOverFailed(viewer::ChainFailure::HandOver, why));
            return;
        }
        close();
    });
}

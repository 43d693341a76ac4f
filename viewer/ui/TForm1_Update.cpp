// Downloads and the update check: starting a download, its progress on the gauge, the
// completion handler's dispatch and its update-check branch, "Check for updates now", the
// options label, and what a change of the floating panels shows and hides.
#include <QAction>
#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QTableWidget>

#include "ClickLabel.h"
#include "DownloadCause.h"
#include "QtBridge.h"
#include "Startup.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "UpdateCheck.h"
#include "UpdateServer.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

void TForm1::connectUpdateHandlers() {
    N0711 = addRoutine("N0711", "071", &TForm1::N0711Click);
    bind(Label16, &ClickLabel::clicked, &TForm1::Label16Click);
    bind(Label16, &ClickLabel::mouseEntered, &TForm1::Label16MouseEnter);
    bind(Label16, &ClickLabel::mouseLeft, &TForm1::Label16MouseLeave);
    bind(Label2, &ClickLabel::clicked, &TForm1::Label2Click);
}

bool TForm1::StartDownload(const std::string& serverFile, const std::string& selector, const std::string& localFile) {
    if (Working()) return false;
    viewer::DownloadSettings settings = downloads_.DownloadSettings;
    settings.maxBytes = viewer::DownloadSizeLimit(selector);
    settings.check = viewer::DownloadContentCheck(selector);
    auto loader = std::make_unique<viewer::TDownLoader>(
        viewer::UpdateUrl(serverFile), viewer::DataPath(config_.ProgramDir, localFile), selector, settings);
    downloads_.DownloadName = selector;
    // The worker only posts to the window; the window's own thread runs the handlers. Posted
    // calls die with the window, and the window stops the worker before it goes.
    loader->Start(
        [this, selector](int kind, int64_t value) {
            QMetaObject::invokeMethod(
                this, [this, selector, kind, value] { WMDownloadProgress(selector, kind, value); },
                Qt::QueuedConnection);
        },
        [this](const viewer::DownloadResult& result) {
            QMetaObject::invokeMethod(
                this,
                [this, result] {
                    downloads_.loader.reset();  // the worker has ended; the next download may start
                    guarded([&] { DownLoaderTerminate(result); });
                },
                Qt::QueuedConnection);
        });
    downloads_.loader = std::move(loader);  // the completion, queued at the earliest, comes after this
    return true;
}

void TForm1::WMDownloadProgress(const std::string& selector, int kind, int64_t value) {
    if (!viewer::MovesGauge(selector)) return;
    if (kind == viewer::kProgressBegin) {
        if (value < 0) {
            Gauge2->setRange(0, 0);  // no size announced: the gauge only shows that data flows
            return;
        }
        downloads_.gaugeShift = viewer::GaugeShift(value);
        Gauge2->setRange(0, static_cast<int>(value >> downloads_.gaugeShift));
        Gauge2->setValue(0);
    } else if (kind == viewer::kProgressBytes) {
        Gauge2->setValue(viewer::GaugeValue(value, downloads_.gaugeShift, Gauge2->maximum()));
    }
}

void TForm1::N0711Click() {
    const std::string time = viewer::LogTimeNow();
    if (Working()) {
        ListBox11->addItem(Q(time + viewer::kLogBusy));
        return;
    }
    ListBox11->clear();
    ListBox11->addItem(Q(time + viewer::kLogStart));
    StartDownload(viewer::kUpdateInfoName, viewer::kUpdateTempName, viewer::kUpdateTempName);
}

void TForm1::Label16Click() {
    config_.AutoCheckBase = true;
    config_.AutoCheckProgram = true;
    N0711Click();
}

void TForm1::Label16MouseEnter() { Label16->Underline(true); }

void TForm1::Label16MouseLeave() { Label16->Underline(false); }

// Each completion is dispatched by the name its own download was started with, so a download
// started meanwhile cannot change what a finished one was.
void TForm1::DownLoaderTerminate(const viewer::DownloadResult& done) {
    const std::string time = viewer::LogTimeNow();
    if (viewer::InstallChain::Handles(done.name)) {
        RunChainStep(install_.Chain.Downloaded(done.name, done.ok, done.error, viewer::DownloadCause(done)));
        return;
    }
    if (done.name == viewer::kUpdateTempName && UpdateCheckBranch(done, time) == BranchEnd::Stop) return;
    if (const auto text = viewer::WhatsNewOf(done.name)) WhatsNewBranch(done, *text);
    Memo2->clear();
}

TForm1::BranchEnd TForm1::UpdateCheckBranch(const viewer::DownloadResult& done, const std::string& time) {
    const auto logFailure = [&](const std::string& why) { ListBox11->addItem(Q(time + viewer::kLogFailed + why)); };
    // A failed transfer leaves the previous copy in place; comparing it would report the state
    // of an earlier check as today's.
    if (!done.ok) {
        logFailure("update.lasx could not be downloaded. " + done.error);
    } else if (platform::FileExists(done.destFile.string())) {
        Gauge2->setValue(0);
        viewer::UpdateCheckInput in;
        try {
            in.localLines = platform::LoadLines(viewer::DataPath(config_.ProgramDir, viewer::kUpdateInfoName));
            in.serverLines = platform::LoadLines(done.destFile);
        } catch (const platform::FileError& e) {
            logFailure(e.what());
            return BranchEnd::Stop;
        }
        in.checkBase = config_.AutoCheckBase;
        in.checkProgram = config_.AutoCheckProgram;
        in.docsFolderExists = platform::DirectoryExists(config_.ProgramDir + "\\Docs");
        in.programVersion = config_.ProgramVersion;
        in.docsUpdateAvailable = install_.Chain.DocsUpdateAvailable();
        in.baseUpdateAvailable = install_.Chain.BaseUpdateAvailable();
        in.programNoticeShown = !Label10->isHidden();

        const viewer::UpdateCheckOutcome out = viewer::RunUpdateCheck(in);
        if (out.docsUpdateAvailable) DocsUpdateFound();
        if (out.baseUpdateAvailable) BaseUpdateFound();
        if (out.showBaseNotice) Label6->show();
        if (out.showProgramNotice) Label10->show();
        for (const auto& text : out.logTexts) ListBox11->addItem(Q(time + text));
        if (out.failed()) {
            logFailure(out.failure);
            return BranchEnd::Stop;
        }
    }
    install_.Chain.DispatchEnded();
    return BranchEnd::Continue;
}

void TForm1::Label2Click() {
    if (nav_.PanelPage == viewer::kPanelBookPage) ShowPanels(viewer::PanelChange::CloseBookPage);
    Panel2->hide();
    N0000921Click();
}

QWidget* TForm1::PanelControlWidget(viewer::PanelControl control) const {
    using C = viewer::PanelControl;
    switch (control) {
        case C::Panel1: return Panel1;
        case C::ImagePlus5: return ImagePlus5;
        case C::StringGrid1: return StringGrid1;
        case C::Memo2: return Memo2;
        case C::ListBox1: return ListBox1;
        case C::ScrollBox1: return ScrollBox1;
        case C::GroupBox1: return GroupBox1;
        case C::CheckBox1: return CheckBox1;
        case C::CheckBox2: return CheckBox2;
        case C::Label16: return Label16;
        case C::Label17: return Label17;
        case C::ListBox11: return ListBox11;
        case C::Panel3: return Panel3;
        case C::ListBox10: return ListBox10;
        case C::Label15: return Label15;
        case C::Gauge2: return Gauge2;
    }
    return nullptr;
}

void TForm1::ShowPanels(viewer::PanelChange change) {
    const viewer::PanelView view = viewer::PanelChangeView(change);
    if (view.panelPage) nav_.PanelPage = *view.panelPage;
    if (view.optionsPage) nav_.OptionsPage = *view.optionsPage;
    if (view.updatePanelPage) install_.UpdatePanelPage = *view.updatePanelPage;
    for (const viewer::PanelControl control : view.emptied)
        if (auto* list = qobject_cast<QListWidget*>(PanelControlWidget(control))) list->clear();
    for (const auto& [control, shown] : view.visible) {
        QWidget* w = PanelControlWidget(control);
        w->setVisible(shown);
        // A panel floats over the controls it covers.
        if (shown && (w == Panel1 || w == Panel3)) w->raise();
    }
}

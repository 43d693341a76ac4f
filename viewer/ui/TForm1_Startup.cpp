// Start-up, identity and configuration: the create handler, the defaults writer, the reset,
// the focus timer and the activation handler.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaObject>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>

#include <filesystem>
#include <system_error>

#include "Controls.h"
#include "Dialogs.h"
#include "FirstInput.h"
#include "Identity.h"
#include "InstallChain.h"
#include "Options.h"
#include "QtBridge.h"
#include "SkinFiles.h"
#include "Startup.h"
#include "TForm1.h"
#include "TDownLoader.h"
#include "UpdateCheck.h"
#include "unpack/UnpackArchive.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

void TForm1::connectStartupHandlers() {
    N08021 = addRoutine("N08021", "08021 - inioptions check", &TForm1::N08021Click);
    N08011 = addRoutine("N08011", "08011 - reset configur", &TForm1::N08011Click);
    N81 = new QAction(QStringLiteral("Exit"), this);
    N81->setObjectName(QStringLiteral("N81"));
    PopupMenu1->addAction(N81);
    bind(N81, &QAction::triggered, &TForm1::N81Click);
    bind(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive) guarded([this] { AppActivate(); });
    });
    // Setting a box from code runs its handler too, as start-up relies on.
    bind(CheckBox1, &QCheckBox::toggled, &TForm1::CheckBox1Click);
    bind(CheckBox2, &QCheckBox::toggled, &TForm1::CheckBox2Click);
}

// The start-up sequence. A step that fails shows its error and ends the sequence; the window
// then opens in the state reached.
void TForm1::FormCreate() {
    config_.ProgramName = viewer::kProgramName;
    config_.ProgramBuild = viewer::kProgramBuild;
    config_.ProgramVersion = viewer::kProgramVersion;
    config_.ProgramDate = viewer::kProgramDate;

    resize(1000, 760);
    viewerui::SetLeastWindowSize(this);
    config_.AutoCheckBase = false;
    config_.AutoCheckProgram = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
    }
    Timer1->start();
    ListBox4->resize(737, ListBox4->height());
    StringGrid1->resize(737, StringGrid1->height());

    guarded([this] {
        std::error_code ec;
        config_.ProgramDir = std::filesystem::current_path(ec).string();
        setAcceptDrops(true);  // drops are accepted and nothing handles them

        // "/reset" is accepted; the defaults writer it asks for runs once the options exist.
        config_.ResetSwitchGiven = arguments_.size() > 1 && arguments_.at(1) == QStringLiteral("/reset");

        config_.RegIni = std::make_unique<platform::RegIniFile>("software");
        config_.RegIni->OpenKey(viewer::kCompanyKey, true);
        config_.ProgramDir = viewer::RunRegistryStep(*config_.RegIni, config_.ProgramDir).programDir;
        // What a killed run left is cleared before anything is read: a move into place it
        // began is put back. That may be thousands of moves, so it runs off this thread.
        if (unpack::InterruptedUpdatesIn(config_.ProgramDir)) return StartRecovery();
        ContinueStartup();
    });
}

void TForm1::StartRecovery() {
    // The window answers and repaints meanwhile; its controls wait for the installation they
    // show, which is read only afterwards.
    setEnabled(false);
    Label12->setText(Q(viewer::kStatusUndoing));
    Label12->adjustSize();
    Label12->show();
    auto task = std::make_unique<unpack::RecoveryTask>(config_.ProgramDir);
    task->Start([this](const unpack::Recovery& recovery) {
        QMetaObject::invokeMethod(this, [this, recovery] { RecoveryEnded(recovery); }, Qt::QueuedConnection);
    });
    recoveryTask_ = std::move(task);  // the completion, queued at the earliest, comes after this
}

// What cannot be finished is told once, and start-up goes on with the installation as it is.
// An update undone is told once too, after the start-up's own check has begun the log.
void TForm1::RecoveryEnded(const unpack::Recovery& recovery) {
    recoveryTask_.reset();  // the worker has ended
    setEnabled(true);
    Label12->hide();
    Label12->setText(QStringLiteral("Status: Wait"));
    if (!recovery.problems.empty()) viewerui::ShowError(this, Q(recovery.Message()));
    guarded([this] { ContinueStartup(); });
    if (const auto texts = viewer::RecoveryTexts(recovery.Notice())) {
        Label15->setText(Q(texts->status));
        ListBox11->addItem(Q(viewer::LogTimeNow() + texts->log));
        ShowStatusNotice(std::string(recovery.Notice()));
    }
}

// The skinned window paints its status line; the design look has none, so the status label
// carries the notice there.
void TForm1::ShowStatusNotice(const std::string& notice) {
    statusNotice_ = notice;
    // Ended later, from the filter's own call, so the watcher is not freed inside it.
    if (notice.empty()) {
        if (statusNoticeWatch_) statusNoticeWatch_.release()->deleteLater();
    } else
        statusNoticeWatch_ = std::make_unique<viewerui::FirstInput>(this, [this] { ShowStatusNotice({}); });
    if (chrome_.skinApplied) {
        N111Click();
        placeNotices();
    } else if (!notice.empty()) {
        Label12->setText(Q(notice));
        Label12->adjustSize();
        Label12->show();
    } else {
        Label12->hide();
        Label12->setText(QStringLiteral("Status: Wait"));
    }
}

// The start-up sequence from the point where the installation is whole again.
void TForm1::ContinueStartup() {
    viewer::RemoveStalePartials(platform::ResolvePath(config_.ProgramDir));

    // The skin is named inside the installation the registry step settled on.
    config_.SkinName = viewer::ReadLineOf(viewer::DataPath(config_.ProgramDir, "skins\\skin_select.txt"), 0);

    ListBox8->clear();
    for (const auto& line : platform::LoadLines(viewer::DataPath(config_.ProgramDir, "lang.txt")))
        ListBox8->addItem(Q(line));

    config_.SkinDir = config_.ProgramDir + "\\skins\\" + config_.SkinName + "\\";
    config_.ColorIni = std::make_unique<platform::IniFile>(
        viewer::DataPath(config_.ProgramDir, "skins\\" + config_.SkinName + "\\color.ini"));
    config_.OptionsIni = std::make_unique<platform::IniFile>(viewer::DataPath(config_.ProgramDir, "options.ini"));
    N08021Click();
    if (viewer::IsWindowsSkin(config_.SkinName)) {
        N41Click();
    } else {
        // A skin that cannot be shown is refused with its error; the window keeps its design
        // look and frame, and start-up goes on.
        guarded([this] { N31Click(); });
    }

    StringGrid1->setRowCount(std::max(StringGrid1->rowCount(), 1));
    StringGrid1->setColumnCount(std::max(StringGrid1->columnCount(), 1));
    StringGrid1->setRowHeight(0, 0);
    StringGrid1->setColumnWidth(0, 0);

    config_.BaseDateText = viewer::ReadLineOf(viewer::DataPath(config_.ProgramDir, "update.lasx"), 3);

    const auto choice =
        viewer::DecideAutoCheck(config_.OptionsIni->ReadInteger(viewer::kSectionUpdate, viewer::kKeyCheckBase, 1),
                                config_.OptionsIni->ReadInteger(viewer::kSectionUpdate, viewer::kKeyCheckProgram, 1));
    if (choice.base) config_.AutoCheckBase = true;
    if (choice.program) config_.AutoCheckProgram = true;
    {
        // Setting a box from code runs its handler, as the sequence expects. Both handlers
        // write one file, so a file that cannot be written is told once, and start-up goes on.
        const bool baseChanges = CheckBox1->isChecked() != choice.base;
        const bool programChanges = CheckBox2->isChecked() != choice.program;
        {
            const QSignalBlocker quiet1(CheckBox1), quiet2(CheckBox2);
            CheckBox1->setChecked(choice.base);
            CheckBox2->setChecked(choice.program);
        }
        guarded([&] {
            if (baseChanges) CheckBox1Click();
            if (programChanges) CheckBox2Click();
        });
    }
    if (choice.runCheck()) N0711Click();

    const viewer::BaseDate date = viewer::SplitBaseDate(config_.BaseDateText);
    config_.BaseYear = date.year;
    config_.BaseDay = date.day;
    config_.BaseMonthName = date.monthName;
    if (chrome_.skinApplied) N111Click();  // the status line shows the date known only now

    N5021Click();
}

void TForm1::N08021Click() {
    if (config_.OptionsIni) viewer::WriteMissingOptionDefaults(*config_.OptionsIni);
}

void TForm1::N08011Click() {
    const auto options = viewer::DataPath(config_.ProgramDir, "options.ini");
    std::error_code ec;
    if (!std::filesystem::remove(options, ec) && ec)
        throw platform::FileError("Cannot delete file \"" + options.string() + "\". " + ec.message(), options);
    close();
}

void TForm1::N81Click() {
    const bool hidden = isHidden();
    close();
    // A window in the tray is no longer the last one shown, so closing it does not end the
    // program by itself.
    if (hidden) QCoreApplication::quit();
}

void TForm1::Timer1Timer() {
    Edit3->setFocus();
    Timer1->stop();
}

// With the screen-capture backgrounds on, an activation repaints the chrome so its title line
// shows what lies behind the window now. The window stays where it is: the chrome takes the
// screen above the window without moving it.
void TForm1::AppActivate() {
    if (!config_.SeeThroughTitles()) return;
    N111Click();
    N121Click();
}

void TForm1::CheckBox1Click() {
    if (config_.OptionsIni)
        config_.OptionsIni->WriteInteger(viewer::kSectionUpdate, viewer::kKeyCheckBase, CheckBox1->isChecked() ? 1 : 0);
}

void TForm1::CheckBox2Click() {
    if (config_.OptionsIni)
        config_.OptionsIni->WriteInteger(viewer::kSectionUpdate, viewer::kKeyCheckProgram,
                                         CheckBox2->isChecked() ? 1 : 0);
}

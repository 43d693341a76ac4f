#include "TForm1.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "Dialogs.h"
#include "UpdaterSteps.h"
#include "unpack/UnpackArchive.h"

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    buildControls();
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildControls() {
    setWindowFlag(Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xF0, 0xF0, 0xFA));  // 16445680 as a BGR colour value
    setPalette(pal);
    setFont(QFont(QStringLiteral("Tahoma")));

    Label1 = new QLabel(QString::fromUtf8(updater::kCaption), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(15);
    Label1->setFont(font);
    QPalette text = Label1->palette();
    text.setColor(QPalette::WindowText, QColor(0x45, 0x43, 0x97));  // 9913157 as a BGR colour value
    Label1->setPalette(text);
    Label1->move(9, 9);
    Label1->adjustSize();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);
    Timer1->start();
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
}

void TForm1::FormCreate() {
    AppName = updater::kAppName;
    // The label is framed by equal margins.
    resize(2 * Label1->x() + Label1->width(), 2 * Label1->y() + Label1->height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    try {
        RegIni = std::make_unique<platform::RegIniFile>("software");
        RegIni->OpenKey(updater::kCompanyKey, true);
        const updater::InstallLookup lookup = updater::FindInstallDir(*RegIni);
        if (lookup.end) return EndProgram();
        InstallDir = lookup.installDir;
        // A move into place that a kill interrupted is put back before this one begins; what
        // cannot be put back is told, and the update is still tried.
        const unpack::Recovery recovery = unpack::RecoverInterrupted(InstallDir);
        if (!recovery.problems.empty()) viewerui::ShowError(this, QString::fromStdString(recovery.Message()));
    } catch (const std::exception& e) {
        viewerui::ShowError(this, QString::fromStdString(e.what()));
        EndProgram();
    }
}

// The timer stays off while the archive is unpacked and while its error is shown, so a tick
// can neither start a second unpack nor stack a second box; the next tick tries again. A
// failed unpack leaves the installation as it was, so after the last attempt the viewer is
// started again all the same.
void TForm1::Timer1Timer() {
    if (unpacking_ || ended_) return;
    unpacking_ = true;
    Timer1->stop();
    bool unpacked = false;
    try {
        if (!updater::UnpackProgramUpdate(InstallDir)) {
            unpacking_ = false;
            return EndProgram();
        }
        unpacked = true;
    } catch (const std::exception& e) {
        const bool givingUp = ++failedUnpacks_ >= updater::kUnpackAttempts;
        viewerui::ShowError(this, QString::fromStdString(givingUp ? updater::GivenUpText(e.what()) : e.what()));
        if (givingUp) unpacked = true;  // on to the restart, without the update
    }
    unpacking_ = false;
    if (unpacked) {
        failedUnpacks_ = 0;
        Timer2->start();
    } else {
        Timer1->start();
    }
}

void TForm1::Timer2Timer() {
    const updater::RestartResult result = updater::RestartViewer(InstallDir);
    switch (result.step) {
        case updater::RestartStep::Wait:
            return;  // the timer fires again in a second
        case updater::RestartStep::NotStarted:
            Timer2->stop();
            viewerui::ShowError(this, QString::fromStdString(result.error));
            break;
        case updater::RestartStep::NoViewer:
        case updater::RestartStep::Started:
            break;
    }
    EndProgram();
}

void TForm1::EndProgram() {
    ended_ = true;
    Timer1->stop();
    Timer2->stop();
    close();
}

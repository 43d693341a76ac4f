#include "DesktopShellOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "OpenFailure.h"
#include "QtBridge.h"

namespace viewerui {

void DesktopShellOpener::Open(const std::filesystem::path& document, platform::ShellFailure failed) {
    const QString target = Q(document);
    const QUrl web(target, QUrl::StrictMode);
    const bool webAddress =
        web.isValid() && (web.scheme() == QLatin1String("http") || web.scheme() == QLatin1String("https"));
    const QUrl url = webAddress ? web : QUrl::fromLocalFile(target);
    const auto fail = [failed](const std::string& cause) {
        if (failed) failed(cause);
    };

    const QString launcher = QStandardPaths::findExecutable(launcher_);
    if (launcher.isEmpty()) {
        // Whatever else the desktop offers (its portal, a known browser).
        if (!QDesktopServices::openUrl(url)) fail(viewer::NoLauncherCause(webAddress));
        return;
    }
    // The launcher may run the application in its own place until it ends, so the process is
    // left to run on its own: it has no parent to end it with the window, and its output goes
    // where the program's goes.
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process, [process, fail](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        fail("the desktop's launcher could not be started: " + S(process->errorString()));
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, fail, webAddress](int status, QProcess::ExitStatus how) {
                         if (how == QProcess::NormalExit && status != 0)
                             fail(viewer::LauncherExitCause(status, webAddress));
                         process->deleteLater();
                     });
    process->start(launcher, {webAddress ? web.toString() : target});
}

}  // namespace viewerui

// The viewer program: the application object, the main window, the message loop.
#include <QApplication>

#include "DesktopShellOpener.h"
#include "TForm1.h"
#include "platform/Process.h"
#include "ziplib_qt/QtPrompter.h"

int main(int argc, char** argv) {
    platform::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VantorBooks"));
    viewerui::DesktopShellOpener opener;
    platform::SetShellOpener(&opener);
    // The archive library's own questions (a failed item, an overwrite, a password) as windows.
    ziplib_qt::InstalledQtPrompter prompter;
    TForm1 form;
    form.show();
    const int result = QApplication::exec();
    // The window waits for an unpack still running; its questions get the safe answer now.
    prompter.Shutdown();
    platform::SetShellOpener(nullptr);
    return result;
}

// The updater program: the application object, its one window and the message loop. The
// window unpacks a downloaded program update over the installation and starts the viewer again.
#include <QApplication>

#include "TForm1.h"
#include "platform/Process.h"
#include "ziplib_qt/QtPrompter.h"

int main(int argc, char** argv) {
    platform::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VantorBooksUpdate"));
    // The archive library's own questions (a failed item, an overwrite, a password) as windows.
    ziplib_qt::InstalledQtPrompter prompter;
    // A top-level window has its own taskbar button here; nothing needs to be set for it.
    TForm1 form;
    if (form.Ended()) return 0;
    form.show();
    const int result = QApplication::exec();
    prompter.Shutdown();
    return result;
}

// The viewer program: the application object, the main window, the message loop.
#include <QApplication>

#include "DesktopShellOpener.h"
#include "TForm1.h"
#include "platform/Process.h"

int main(int argc, char** argv) {
    platform::IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VantorBooks"));
    viewerui::DesktopShellOpener opener;
    platform::SetShellOpener(&opener);
    TForm1 form;
    form.show();
    const int result = QApplication::exec();
    platform::SetShellOpener(nullptr);
    return result;
}

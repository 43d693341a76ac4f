// The viewer program: the application object, the main window, the message loop.
#include <QApplication>

#include "TForm1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VantorBooks"));
    TForm1 form;
    form.show();
    return QApplication::exec();
}

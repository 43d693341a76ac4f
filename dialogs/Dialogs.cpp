#include "Dialogs.h"

#include <QMessageBox>

namespace viewerui {
namespace {
DialogSink& Sink() {
    static DialogSink sink;
    return sink;
}
}  // namespace

void SetDialogSinkForTesting(DialogSink sink) { Sink() = std::move(sink); }

void ShowError(QWidget* parent, const QString& text) {
    if (Sink()) return Sink()(QStringLiteral("error"), text);
    QMessageBox::critical(parent, QStringLiteral("VantorBooks"), text);
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (Sink()) return Sink()(QStringLiteral("message"), text);
    QMessageBox::information(parent, QStringLiteral("VantorBooks"), text);
}

}  // namespace viewerui

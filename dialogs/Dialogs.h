// Message boxes of the two programs. Tests install a sink that records what would be shown, so no
// modal box ever blocks a test run.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace viewerui {

// The application's standard error box (title "VantorBooks").
void ShowError(QWidget* parent, const QString& text);
// An information box.
void ShowMessage(QWidget* parent, const QString& text);

// When set, boxes are not shown; the sink gets their text instead.
using DialogSink = std::function<void(const QString& kind, const QString& text)>;
void SetDialogSinkForTesting(DialogSink sink);

}  // namespace viewerui

// The updater's window: one line of text while it waits, unpacks the program update over the
// installation and starts the viewer again. What it decides is computed in updater/core.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "platform/Registry.h"

class QLabel;
class QTimer;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window in its design state and runs FormCreate.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Controls (design names) ----
    QLabel* Label1 = nullptr;
    QTimer* Timer1 = nullptr;  // 2 s after the start: unpack
    QTimer* Timer2 = nullptr;  // 1 s after unpacking: restart the viewer

    // ---- State ----
    std::string AppName;
    std::string InstallDir;  // ends with "\"; empty when the viewer's key is missing
    std::unique_ptr<platform::RegIniFile> RegIni;

    void FormCreate();
    void Timer1Timer();
    void Timer2Timer();

    // The updater has finished (its window closed, or it never needed to open).
    bool Ended() const { return ended_; }

private:
    void buildControls();
    void EndProgram();
    bool ended_ = false;
    bool unpacking_ = false;  // an unpack, or the error box after it, is running
    int failedUnpacks_ = 0;   // in a row
};

// The main window's state, one small type a concern. TForm1 holds each privately; what callers
// may look at they read through a const accessor, and only the window's handlers change it.
#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>

#include <cstdint>
#include <memory>
#include <string>

#include "AboutBox.h"
#include "InstallChain.h"
#include "OptionsPanel.h"
#include "PageCells.h"
#include "SkinBitmaps.h"
#include "TDownLoader.h"
#include "TitleBar.h"
#include "UpdatePanel.h"
#include "WindowLayout.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "unpack/UnpackTask.h"

namespace viewerui {

// What start-up settles: the program's identity, the installation and its skin, the option
// files, the automatic checks, the base date, and what the skin's layout read of the options.
struct StartupConfig {
    std::string ProgramName, ProgramVersion, ProgramBuild, ProgramDate;
    std::string ProgramDir;  // ends with "\" once the registry step ran
    std::string SkinName, SkinDir;
    std::unique_ptr<platform::IniFile> OptionsIni;
    std::unique_ptr<platform::IniFile> ColorIni;
    std::unique_ptr<platform::RegIniFile> RegIni;
    bool AutoCheckBase = false;
    bool AutoCheckProgram = false;
    std::string BaseDateText, BaseYear, BaseDay, BaseMonthName;
    // As options.ini has it; empty until a skin's layout has read it.
    std::string TransparencyMode;
    bool ResetSwitchGiven = false;  // "/reset" on the command line

    // The title lines of the window and its panels let the screen behind show through.
    bool SeeThroughTitles() const { return TransparencyMode == "on"; }
};

// Where the user is: the catalog levels picked, the page shown on the floating panel, and the
// quick search's hit.
struct Navigation {
    std::string CurrentCategory, CurrentList, CurrentSubList;
    std::string CurrentTexxFile;  // the page N211 loads
    std::string PanelPage;        // the page on Panel1: options, help, the list of books, or none
    std::string OptionsPage;      // sub-page of the options page
    int32_t SearchHitIndex = 0;   // the quick search's hit in ListBox1
};

// The one download that may run, and how it shows on the gauge.
struct Downloads {
    std::string DownloadName;                     // selector of the download started last
    viewer::DownloadSettings DownloadSettings;    // for the downloads started from now on
    std::unique_ptr<viewer::TDownLoader> loader;  // the running download; stopped with the window
    int gaugeShift = 0;  // sizes beyond the gauge's range are shown scaled down
};

// The install chain's window side: the chain, the update panel it runs on and the unpack.
struct InstallSide {
    // The update flags, the busy flag, and what follows each download.
    viewer::InstallChain Chain;
    std::string UpdatePanelPage;      // page of the update panel; emptied when a data update ends
    viewer::UpdatePanel UpdateOffer;  // what the accept button installs, once its text is here
    QImage PanelCapture;              // the window beneath a panel's title line, while it is painted
    std::unique_ptr<unpack::UnpackTask> unpackTask;  // the running unpack; waited for with the window
};

// The page viewer's model beside StringGrid1.
struct PageViewer {
    // The hidden attribute grid: same counts as StringGrid1, one attribute string a cell.
    viewer::TextGrid StringGrid2;
    viewer::CellCommandTable CellCommands;
    viewer::GridLines gridLines;
};

// The skin's chrome: what was loaded of the skin, the title line's blend, and what the chrome
// holds for the panels' close button.
struct Chrome {
    int32_t TitleLineHeight = 15;
    int32_t TitleBlendOption = 0, TitleBlendSkin = 0;
    bool chromeLoaded = false;   // the frame's bitmaps are in Bitmaps
    bool buttonsLoaded = false;  // the buttons' bitmaps are in Bitmaps
    SkinBitmaps Bitmaps;         // the current skin's bitmaps, by name
    QImage TitleCapture;         // the screen strip of the last N111, until N121
    QImage CancelButtonBitmap;   // b_cansel
    bool skinApplied = false;    // a skin's layout and chrome are on the window
    QImage underPanelClose;      // the chrome where the panel's close button was drawn
    QPoint panelCloseAt;
};

// The zoom buttons on the chrome and the mouse over the cover.
struct CoverZoom {
    viewer::Point zoomOut, zoomIn;  // where N111 drew the buttons
    bool hovered = false;           // the mouse is over the cover: the wheel zooms it
    viewer::WheelSteps wheel;
};

// The resize grip's drag: from a left press on the grip to its release.
struct GripDrag {
    bool dragging = false;
    viewer::Point grab;  // where the grip was taken
};

// A move of the window by its title line.
struct TitleMove {
    int32_t savedAlpha = 255;        // the window's alpha after the move
    std::unique_ptr<QObject> watch;  // watches for the end of the move
    bool dragging = false;           // the window follows the mouse: the desktop cannot move it
    QPoint dragGrab;                 // where the drag took the window
};

// The About box's hidden gesture and the credit line it shows.
struct AboutState {
    bool altCredit = false;  // paint the other credit line
    viewer::AboutGesture gesture;
};

// The options and help panel beyond its page: its drag and what its page covered.
struct OptionsPanelState {
    // The drag by the title line; the resize grip keeps a state of its own.
    viewer::OptionsPanelMouse drag;
    bool storyIndexUnderPage = false;  // the story index was shown when the page covered it
};

}  // namespace viewerui

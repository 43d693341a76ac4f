// The viewer's main window: its controls under their designer names and the handlers. Handlers
// live in one .cpp per concern (TForm1_Startup.cpp, ...); what they decide is computed in
// viewer/core. Each concern's state is a small private type (FormState.h), read from outside
// through a const accessor.
#pragma once

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "BookReader.h"
#include "CatalogSearch.h"
#include "FormState.h"
#include "PanelFrame.h"
#include "Panels.h"
#include "platform/Shell.h"
#include "unpack/RecoveryTask.h"

class ChromeImage;
class ClickLabel;
class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPainter;
class QPlainTextEdit;
class QProgressBar;
class QRect;
class QScrollArea;
class QSystemTrayIcon;
class QTableWidget;
class QTimer;
class TImagePlus;
namespace viewerui {
class ListMarks;
class PagePictures;
}

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window in its design state, then runs the start-up sequence (FormCreate)
    // with the program's command line (the application's arguments by default).
    TForm1();
    explicit TForm1(const QStringList& arguments, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Controls (design names) ----
    QLineEdit* Edit3 = nullptr;      // quick search
    QLineEdit* Edit1 = nullptr;      // hidden: title of the book shown
    QListWidget* ListBox8 = nullptr;  // categories
    QListWidget* ListBox2 = nullptr;  // lists of a category
    QListWidget* ListBox9 = nullptr;  // sub-lists of a list
    QListWidget* ListBox1 = nullptr;  // books of a sub-list
    QListWidget* ListBox4 = nullptr;  // merged story index
    QListWidget* ListBox7 = nullptr;  // hidden: stories of the book shown
    QPlainTextEdit* Memo2 = nullptr;  // description
    QScrollArea* ScrollBox1 = nullptr;
    QLabel* Image1 = nullptr;         // cover
    QTableWidget* StringGrid3 = nullptr;  // details grid
    QFrame* Panel1 = nullptr;             // floating panel: pages and options
    QTableWidget* StringGrid1 = nullptr;  // page grid on Panel1
    ClickLabel* Label6 = nullptr;         // notice: data update available
    ClickLabel* Label10 = nullptr;        // notice: new program version
    QFrame* Panel3 = nullptr;             // update panel
    QLabel* Label15 = nullptr;            // update panel status line
    QProgressBar* Gauge2 = nullptr;       // update panel progress
    QListWidget* ListBox10 = nullptr;     // update panel what's-new text
    QListWidget* ListBox11 = nullptr;     // update log
    QCheckBox* CheckBox1 = nullptr;       // automatic database check
    QCheckBox* CheckBox2 = nullptr;       // automatic program check
    ClickLabel* Label16 = nullptr;        // "Check for updates now"
    ClickLabel* Label17 = nullptr;        // "Download stories for reading"
    ClickLabel* Label2 = nullptr;         // "Options"
    QTimer* Timer1 = nullptr;             // one-shot focus timer
    QMenu* PopupMenu1 = nullptr;          // window and tray menu; its hidden items are the routines
    QAction* N81 = nullptr;               // "Exit"
    QAction* N08011 = nullptr;            // configuration reset
    QAction* N08021 = nullptr;            // defaults writer

    // ---- The state of each concern, for reading ----
    const viewerui::StartupConfig& Config() const { return config_; }
    const viewerui::Navigation& Navigation() const { return nav_; }
    const viewer::InstallChain& Chain() const { return install_.Chain; }
    const viewer::UpdatePanel& UpdateOffer() const { return install_.UpdateOffer; }
    const std::string& UpdatePanelPage() const { return install_.UpdatePanelPage; }
    const std::string& DownloadName() const { return downloads_.DownloadName; }  // the one started last
    const viewerui::PageViewer& Pages() const { return pages_; }
    const viewerui::Chrome& Chrome() const { return chrome_; }
    const viewerui::CoverZoom& Cover() const { return cover_; }
    const viewerui::GripDrag& Grip() const { return grip_; }

    // ---- Start-up and configuration ----
    void FormCreate();  // shows its own errors; the handlers below throw theirs
    void N08021Click();  // defaults writer
    void N08011Click();  // configuration reset
    void N81Click();     // "Exit"
    void Timer1Timer();
    void AppActivate();
    void CheckBox1Click();
    void CheckBox2Click();
    void Edit3KeyDown(int key);  // Enter: the reset command; Esc: back to the placeholder

    // ---- Catalog navigation and book details ----
    QAction* N5011 = nullptr;    // quick-search view of the book at SearchHitIndex
    QAction* N5021 = nullptr;    // details grid set-up
    // The hit N5011 shows, as the quick search records it.
    void SetSearchHitIndex(int32_t row) { nav_.SearchHitIndex = row; }
    void ListBox8Click();  // category picked
    void ListBox2Click();  // list picked
    void ListBox9Click();  // sub-list picked (or one of the special items)
    void ListBox1Click();  // book picked: the book-list view
    void N5011Click();     // the quick-search view
    void N5021Click();     // details grid set-up, the last step of start-up
    void ListBox7Click();     // hidden story list: "Read" marks
    void ListBox7DblClick();  // hidden story list: open the readable document
    void StringGrid3DblClick();  // open the documents of the story whose format mark was hit
    void StringGrid3DrawCell(QPainter& painter, int col, int row, const QRect& rect);  // headings
    void FormKeyDown(int key);  // F2: to the quick-search box
    void ListBox1KeyDown(int key);  // Esc in any of these seven ends the program
    void ListBox2KeyDown(int key);
    void ListBox4KeyDown(int key);
    void ListBox8KeyDown(int key);
    void ListBox9KeyDown(int key);
    void Memo2KeyDown(int key);
    void StringGrid3KeyDown(int key);

    // ---- Owned-book marks and quick search ----
    QMenu* PopupMenu2 = nullptr;  // context menu of ListBox1
    QAction* N2011 = nullptr;     // "I have it"
    QAction* N2021 = nullptr;     // "I don't have it"
    void Edit3Change();  // the search, on every change of the text
    void Edit3Click();   // empties the box for typing
    void N2011Click();   // the picked book is owned
    void N2021Click();   // the picked book is not owned

    // ---- Downloads and the update check ----
    QAction* N0711 = nullptr;  // update check
    void N0711Click();
    void Label16Click();
    void Label16MouseEnter();
    void Label16MouseLeave();
    void Label2Click();
    // Starts fetching a server file into ProgramDir + "\" + localFile under a selector. Only
    // one download runs at a time: while one runs nothing is started and this returns false.
    bool StartDownload(const std::string& serverFile, const std::string& selector, const std::string& localFile);
    bool DownloadRunning() const { return downloads_.loader != nullptr; }
    // A download, an unpack or the start-up roll-back runs; nothing else of the update road
    // starts meanwhile.
    bool Working() const {
        return downloads_.loader != nullptr || install_.unpackTask != nullptr || recoveryTask_ != nullptr;
    }
    // An installation is under way: one of its files is being fetched or unpacked.
    bool ChainRunning() const;
    // Progress of the download started under `selector` (kind: viewer::kProgressBegin/Bytes).
    void WMDownloadProgress(const std::string& selector, int kind, int64_t value);
    // Completion of every download, on the GUI thread, also after a failed transfer.
    void DownLoaderTerminate(const viewer::DownloadResult& done);
    // What an update check found: the install chain's flag rises and stays up for the run.
    void DocsUpdateFound() { install_.Chain.DocsUpdateFound(); }
    void BaseUpdateFound() { install_.Chain.BaseUpdateFound(); }

    // ---- Installing updates ----
    QAction* N07051 = nullptr;    // docs.zip
    QAction* N07061 = nullptr;    // updatebase.zip
    QAction* N07071 = nullptr;    // fresh update.lasx
    QAction* N07111 = nullptr;    // updatevnbooks.zip, handed to the updater
    void N07051Click();
    void N07061Click();
    void N07071Click();
    void N07111Click();
    void Label17Click();  // "Download stories for reading"
    void Label17MouseEnter();
    void Label17MouseLeave();
    // What the update panel's accept button starts, for a data update and a program update.
    void AcceptDataUpdate();
    void AcceptProgramUpdate();
    // Carries out a step of the install chain, and the steps that follow from it at once.
    void RunChainStep(const viewer::ChainStep& step);
    // Shows, hides and empties what a change of the floating panels touches.
    void ShowPanels(viewer::PanelChange change);

    // ---- Page viewer (".texx" pages in StringGrid1) ----
    QAction* N211 = nullptr;  // "load texx": CurrentTexxFile into the page grid
    QAction* N231 = nullptr;  // "23": the cell commands of the loaded page
    // The page N211 loads next, as a link or the help toggle sets it.
    void SetCurrentTexxFile(const std::string& file) { nav_.CurrentTexxFile = file; }
    void N211Click();
    void N231Click();
    // Draws one cell over the grid's own drawing (text at the default place, grid lines).
    void StringGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect);
    void StringGrid1DblClick();  // follows an "openfile" link of the current cell
    viewer::GridLines PageGridLines() const { return pages_.gridLines; }

    // ---- Skins, window chrome and layout ----
    ChromeImage* Image3 = nullptr;      // the chrome picture, behind every other control
    QLabel* Label12 = nullptr;          // hidden status label; the status text starts at its left
    ClickLabel* Label3 = nullptr;       // "About"
    ClickLabel* Label4 = nullptr;       // "Help"
    TImagePlus* ImagePlus3 = nullptr;   // resize grip, kept in the bottom-right corner by the chrome
    QGroupBox* GroupBox1 = nullptr;     // "Select skin:" on the options panel
    QListWidget* ListBox5 = nullptr;    // the installed skins
    QAction* N31 = nullptr;             // layout, colours and chrome of a skin
    QAction* N41 = nullptr;             // the "Windows" skin's layout: nothing
    QAction* N111 = nullptr;            // chrome painting
    QAction* N121 = nullptr;            // title blend, program name, close button
    void N31Click();
    void N41Click();
    void N111Click();
    void N121Click();
    void ListBox5Click();  // a skin chosen: loaded whole, saved, applied

    // ---- Title bar, resize grip, cover zoom, window menu, tray, menu labels and About box ----
    QSystemTrayIcon* TrayIcon1 = nullptr;  // its menu is PopupMenu1
    QAction* N61 = nullptr;     // "Minimize to tray", offered where the desktop has a tray
    QAction* N621 = nullptr;    // "Transparency value", the submenu of the six items below
    QAction* N6211 = nullptr;   // "100 %"
    QAction* N6221 = nullptr;   // "90 %"
    QAction* N6231 = nullptr;   // "80 %"
    QAction* N6241 = nullptr;   // "75 %"
    QAction* N6251 = nullptr;   // "50 %"
    QAction* N6261 = nullptr;   // "25 %"
    QAction* N71 = nullptr;     // "Always on top", checked while it holds
    QAction* Hide1 = nullptr;   // hides the story index and the page grid
    QAction* N131 = nullptr;    // paints the About box
    QFrame* Panel2 = nullptr;          // the About box
    TImagePlus* ImagePlus1 = nullptr;  // its painted surface
    TImagePlus* ImagePlus2 = nullptr;  // its picture
    ClickLabel* Label11 = nullptr;     // the product page link on it
    void Image3MouseDown(Qt::MouseButton button, int x, int y);
    void Image3MouseMove(int x, int y);
    void Image3MouseUp(Qt::MouseButton button, int x, int y);
    void ImagePlus3MouseDown(Qt::MouseButton button, int x, int y);
    void ImagePlus3MouseMove(int x, int y);
    void ImagePlus3MouseUp(Qt::MouseButton button, int x, int y);
    void ImagePlus3MouseEnter();
    void ImagePlus3MouseLeave();
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    void Image1MouseEnter();
    void Image1MouseLeave();
    void N61Click();
    void N6211Click();
    void N6221Click();
    void N6231Click();
    void N6241Click();
    void N6251Click();
    void N6261Click();
    void N71Click();
    void Hide1Click();
    void Label2MouseEnter();
    void Label2MouseLeave();
    void Label3MouseEnter();
    void Label3MouseLeave();
    void Label4MouseEnter();
    void Label4MouseLeave();
    void Label3Click();  // "About"
    void Label4Click();  // "Help"
    void Panel1Click();
    void N131Click();
    void ImagePlus1MouseUp(Qt::MouseButton button, int x, int y);
    void ImagePlus2Click();
    void Label11MouseMove();
    void Label11MouseLeave();
    void Label11Click();
    bool TitleMoveRunning() const { return titleMove_.watch != nullptr; }
    // What the window's status line says in place of the base date, until the user acts.
    const std::string& StatusNotice() const { return statusNotice_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList arguments_;
    viewerui::StartupConfig config_;
    viewerui::Navigation nav_;
    viewerui::Downloads downloads_;
    viewerui::InstallSide install_;
    viewerui::PageViewer pages_;
    viewerui::Chrome chrome_;
    viewerui::CoverZoom cover_;
    viewerui::GripDrag grip_;
    viewerui::TitleMove titleMove_;
    viewerui::AboutState about_;
    viewerui::OptionsPanelState optionsPanel_;
    void buildControls();
    void connectHandlers();  // one connect<Concern>Handlers() per handler file
    void connectStartupHandlers();
    // What a killed run left is undone off the window's thread; the rest of start-up, which
    // reads the installation, follows it.
    void StartRecovery();
    void RecoveryEnded(const unpack::Recovery& recovery);
    void ContinueStartup();
    std::unique_ptr<unpack::RecoveryTask> recoveryTask_;  // waited for with the window
    // A notice on the window's status line, in place of the base date until the user acts.
    void ShowStatusNotice(const std::string& notice);
    std::string statusNotice_;
    std::unique_ptr<QObject> statusNoticeWatch_;  // ends the notice at the user's first input
    void connectUpdateHandlers();
    // What a branch of the completion handler lets happen after it.
    enum class BranchEnd { Continue, Stop };
    BranchEnd UpdateCheckBranch(const viewer::DownloadResult& done, const std::string& time);
    void connectCatalogHandlers();
    void connectInstallHandlers();
    void HandOverToUpdater();
    void StartUnpack(unpack::UnpackTask::Kind kind, const std::string& file,
                     std::function<void(const std::string& error)> done);
    QWidget* PanelControlWidget(viewer::PanelControl control) const;
    // Esc in the catalog's controls, and keyboard moves in its lists, which pick like a click.
    bool catalogKeyFilter(QObject* watched, QEvent* event);
    void buildStoryIndex();
    void placeBookPage();  // the list-of-books page over the details grid and the description
    void showBook(bool quickSearch);
    platform::ShellFailure openFailureReporter(const std::string& target);
    viewer::CatalogPlace place() const;
    viewer::BookReader bookReader_;
    viewerui::ListMarks* readMarks_ = nullptr;  // "Read" beside the stories of ListBox7
    void connectSearchHandlers();
    void connectMarkHandlers();
    bool searchEventFilter(QObject* watched, QEvent* event);  // clicks into the search box
    void pickSearchLevels(const viewer::QuickSearchResult& found);
    void paintHaveMarks();
    void ListBox1ContextMenu(const QPoint& at);  // a right click on a book
    viewer::CatalogSearch catalogSearch_;
    viewerui::ListMarks* haveMarks_ = nullptr;  // "Have" beside the owned books of ListBox1
    void connectPageHandlers();
    viewerui::PagePictures* pagePictures_ = nullptr;  // decoded pictures of the help folder
    // Adds a hidden routine item to PopupMenu1 and binds it to its handler.
    QAction* addRoutine(const char* name, const char* caption, void (TForm1::*handler)());
    // Runs a handler; a failure is shown in the standard error box and ends the handler.
    // Handlers throw; only the event boundary (bind, guarded) catches, so a routine run by
    // another stops its caller too.
    template <typename F>
    void guarded(F&& body);
    // Connects a signal to a handler through guarded().
    template <typename Sender, typename Signal>
    void bind(Sender* sender, Signal signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    }
    void reportError(const std::exception& e);
    // Binds a picture control's press, move and release to their handlers through guarded().
    using PressHandler = void (TForm1::*)(Qt::MouseButton, int, int);
    void bindMouse(ChromeImage* image, PressHandler down, void (TForm1::*move)(int, int), PressHandler up);
    // Skins, chrome and layout.
    void buildSkinControls();
    void connectSkinHandlers();
    bool skinEventFilter(QObject* watched, QEvent* event);
    void placeDesign();          // the places of the form's design, kept by the "Windows" skin
    void fitDetailsColumns();    // the details grid's columns within the grid
    void placeNotices();         // the two update notices on the status line
    void loadSkinList();
    void paintTitleMarks();
    // Title bar, grip, zoom, menu, tray and About box.
    void buildTitleBarControls();
    void connectTitleBarHandlers();
    void connectMenuHandlers();
    void connectAboutHandlers();
    bool titleBarEventFilter(QObject* watched, QEvent* event);
    viewer::ChromeButtons chromeButtons() const;
    void drawOnChrome(const std::vector<viewer::ButtonDraw>& draws);
    void paintPanelCloseButton(const char* bitmap);
    void paintGrip();
    void zoomCover(int step);
    void coverNaturalSize();
    void beginTitleMove(int x, int y);
    void endTitleMove();
    void setAlpha(int alpha);
    void setLabelColour(ClickLabel* label, const char* key);
    void restoreFromTray();

public:
    // ---- Update panel (Panel3) ----
    TImagePlus* ImagePlus4 = nullptr;  // the panel's painted surface, under its list, status line and gauge
    QAction* N07091 = nullptr;         // data what's-new text
    QAction* N07101 = nullptr;         // program what's-new text
    QAction* N141 = nullptr;           // opens (or repaints) the panel
    QAction* N07021 = nullptr;         // shows the painted panel
    QAction* N07031 = nullptr;         // background, frame, controls
    QAction* N07041 = nullptr;         // title line, texts, buttons
    void Label6Click();
    void Label10Click();
    void N07091Click();
    void N07101Click();
    void N141Click();
    void N07021Click();
    void N07031Click();
    void N07041Click();
    void ImagePlus4MouseMove(int x, int y);
    void ImagePlus4MouseDown(Qt::MouseButton button, int x, int y);
    void ImagePlus4MouseUp(Qt::MouseButton button, int x, int y);

    // ---- Options and help panel (Panel1) ----
    TImagePlus* ImagePlus5 = nullptr;  // the options page's painted surface; its controls lie on it
    QAction* N0000921 = nullptr;       // options page toggle
    QAction* N0000931 = nullptr;       // help page toggle
    QAction* N06011 = nullptr;         // shows the panel with its background
    QAction* N06021 = nullptr;         // frame
    QAction* N06031 = nullptr;         // title line
    QAction* N06041 = nullptr;         // contents
    QAction* N06051 = nullptr;         // nothing
    QAction* N06061 = nullptr;         // menu captions
    void N0000921Click();
    void N0000931Click();  // the "Help" label's routine
    void N06011Click();
    void N06021Click();
    void N06031Click();
    void N06041Click();
    void N06051Click();
    void N06061Click();
    void ImagePlus5MouseDown(Qt::MouseButton button, int x, int y);
    void ImagePlus5MouseMove(int x, int y);
    void ImagePlus5MouseUp(Qt::MouseButton button, int x, int y);
    // Closes the options or the help page, with the cancel button it drew on the chrome.
    void ClosePanelPage();

private:
    void buildUpdatePanel();
    void buildOptionsPanel();
    void connectUpdatePanelHandlers();
    void connectOptionsPanelHandlers();
    bool UpdatePanelOpen() const;
    void RequestWhatsNew(viewer::WhatsNew text);
    void WhatsNewBranch(const viewer::DownloadResult& done, viewer::WhatsNew text);
    viewer::UpdateButtonSizes updateButtonSizes() const;
    void drawUpdateButtons(const std::vector<viewer::ButtonImage>& images);
    // The colours and bitmaps the panels are painted with: the skin's, or under the desktop's
    // look (no skin applied) drawn stand-ins in the desktop's colours.
    viewer::PanelColours panelColours() const;
    const QImage& panelBitmap(std::string_view name) const;
    void paintPanelFrame(QImage& canvas);
    // The window beneath a panel's title line, the panel itself hidden; nothing unless the
    // see-through painting is on.
    void capturePanelTitle(const QWidget* panel, int width);
    void blendPanelTitle(QImage& canvas);
    void drawPanelCloseOnChrome();
    void panelPageGone();  // the options or help page closed: its drag and its close button go
    void coverBookArea();  // an options or help page opens over the book area
    // After a layout: both panels take the window's new size and place.
    void placePanels();
    void placePagePanel();
    void placeUpdatePanel();
    void paintOptionsContents(bool loadSkins);
    viewer::OptionsPanelMouse::Input optionsPanelInput() const;
    viewer::OptionsPageGeometry optionsPageGeometry() const;
    mutable viewerui::SkinBitmaps standIns_;  // made on first use, in the desktop's colours
};

template <typename F>
void TForm1::guarded(F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        reportError(e);
    }
}

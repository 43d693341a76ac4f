#include "TForm1.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>

#include "ChromeImage.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Dialogs.h"
#include "MarkColour.h"

using viewerui::Make;
using viewerui::MakeList;

TForm1::TForm1() : TForm1(QCoreApplication::arguments()) {}

TForm1::TForm1(const QStringList& arguments, QWidget* parent) : QWidget(parent), arguments_(arguments) {
    setObjectName(QStringLiteral("Form1"));
    buildControls();
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

// The design state of the window: every control with its name. The catalog's controls then
// take the places of the design layout (placeDesign); a skin's layout moves them later.
void TForm1::buildControls() {
    setFocusPolicy(Qt::StrongFocus);

    Edit3 = Make<QLineEdit>(this, "Edit3", 10, 8, 220, 22);
    Edit3->setText(QStringLiteral("Quick search"));
    QFont searchFont(QStringLiteral("Tahoma"));
    searchFont.setPixelSize(9);
    Edit3->setFont(searchFont);
    Edit3->installEventFilter(this);

    Edit1 = Make<QLineEdit>(this, "Edit1", 0, 0, 10, 10);
    Edit1->hide();

    ListBox8 = MakeList(this, "ListBox8", 10, 36, 220, 100);
    ListBox2 = MakeList(this, "ListBox2", 10, 140, 220, 120);
    ListBox9 = MakeList(this, "ListBox9", 10, 264, 220, 120);
    ListBox1 = MakeList(this, "ListBox1", 10, 388, 220, 362);
    ListBox4 = MakeList(this, "ListBox4", 240, 36, 737, 714);
    ListBox4->hide();
    ListBox7 = MakeList(this, "ListBox7", 0, 0, 200, 100);
    ListBox7->hide();  // the story list stays hidden for the whole run

    ScrollBox1 = Make<QScrollArea>(this, "ScrollBox1", 240, 36, 750, 300);
    Image1 = new QLabel;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setWidget(Image1);
    ScrollBox1->setWidgetResizable(false);
    Image1->hide();

    StringGrid3 = Make<QTableWidget>(this, "StringGrid3", 240, 342, 750, 260);
    StringGrid3->horizontalHeader()->hide();
    StringGrid3->verticalHeader()->hide();
    StringGrid3->verticalHeader()->setDefaultSectionSize(17);

    Memo2 = Make<QPlainTextEdit>(this, "Memo2", 240, 612, 750, 138);

    Panel1 = Make<QFrame>(this, "Panel1", 240, 342, 750, 408);
    Panel1->setFrameShape(QFrame::Box);
    Panel1->hide();
    StringGrid1 = Make<QTableWidget>(Panel1, "StringGrid1", 0, 0, 750, 408);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->hide();

    buildOptionsPanel();

    QFont noticeFont(QStringLiteral("MS Sans Serif"));
    noticeFont.setPixelSize(11);
    Label6 = Make<ClickLabel>(this, "Label6", 240, 10, 380, 18);
    Label6->setText(QStringLiteral(">>  Update base is available now. Click for more information  <<"));
    Label10 = Make<ClickLabel>(this, "Label10", 620, 10, 305, 18);
    Label10->setText(QStringLiteral(">>  New version of the program is available now. Click for more information  <<"));
    for (ClickLabel* notice : {Label6, Label10}) {
        notice->setFont(noticeFont);
        notice->setStyleSheet(QStringLiteral("color: red; background: transparent;"));
        notice->setCursor(Qt::PointingHandCursor);
        notice->hide();
    }

    Label2 = Make<ClickLabel>(this, "Label2", 930, 10, 60, 18);
    Label2->setText(QStringLiteral("Options"));
    Label2->setFont(noticeFont);
    Label2->setStyleSheet(QStringLiteral("background: transparent;"));
    Label2->setCursor(Qt::PointingHandCursor);

    buildUpdatePanel();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));

    buildSkinControls();
    buildTitleBarControls();
}

QAction* TForm1::addRoutine(const char* name, const char* caption, void (TForm1::*handler)()) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setVisible(false);
    PopupMenu1->addAction(action);
    bind(action, &QAction::triggered, handler);
    return action;
}

void TForm1::connectHandlers() {
    connectStartupHandlers();
    connectUpdateHandlers();
    connectCatalogHandlers();
    connectSearchHandlers();
    connectInstallHandlers();
    connectPageHandlers();
    connectSkinHandlers();
    connectUpdatePanelHandlers();
    connectOptionsPanelHandlers();
    connectTitleBarHandlers();
    connectMenuHandlers();
    connectAboutHandlers();
}

void TForm1::bindMouse(ChromeImage* image, PressHandler down, void (TForm1::*move)(int, int), PressHandler up) {
    connect(image, &ChromeImage::mousePressed, this, [this, down](Qt::MouseButton button, int x, int y) {
        guarded([&] { (this->*down)(button, x, y); });
    });
    connect(image, &ChromeImage::mouseMoved, this, [this, move](int x, int y) { guarded([&] { (this->*move)(x, y); }); });
    connect(image, &ChromeImage::mouseReleased, this, [this, up](Qt::MouseButton button, int x, int y) {
        guarded([&] { (this->*up)(button, x, y); });
    });
}

void TForm1::reportError(const std::exception& e) { viewerui::ShowError(this, QString::fromStdString(e.what())); }

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (catalogKeyFilter(watched, event)) return true;
    if (searchEventFilter(watched, event)) return true;
    if (skinEventFilter(watched, event)) return true;
    if (titleBarEventFilter(watched, event)) return true;
    if (watched == Edit3 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        guarded([&] { Edit3KeyDown(key); });
    }
    return QWidget::eventFilter(watched, event);
}

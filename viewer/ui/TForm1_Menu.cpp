// The window menu (PopupMenu1's visible items): to the tray, the window's transparency, always
// on top, exit; the tray icon that shares the menu; and the menu labels' hover colours.
#include <QAction>
#include <QIcon>
#include <QListWidget>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QThread>

#include "ClickLabel.h"
#include "Identity.h"
#include "QtBridge.h"
#include "SystemTray.h"
#include "TForm1.h"
#include "WindowMenu.h"

void TForm1::connectMenuHandlers() {
    // The visible items stand before "Exit", in this order.
    N61 = new QAction(QStringLiteral("Minimize to tray"), this);
    N61->setObjectName(QStringLiteral("N61"));
    N61->setShortcut(QKeySequence(Qt::Key_F11));
    PopupMenu1->insertAction(N81, N61);
    bind(N61, &QAction::triggered, &TForm1::N61Click);

    auto* transparency = new QMenu(QStringLiteral("Transparency value"), PopupMenu1);
    N621 = transparency->menuAction();
    N621->setObjectName(QStringLiteral("N621"));
    PopupMenu1->insertAction(N81, N621);
    void (TForm1::*const handlers[])() = {&TForm1::N6211Click, &TForm1::N6221Click, &TForm1::N6231Click,
                                          &TForm1::N6241Click, &TForm1::N6251Click, &TForm1::N6261Click};
    QAction** items[] = {&N6211, &N6221, &N6231, &N6241, &N6251, &N6261};
    for (size_t i = 0; i < std::size(viewer::kTransparencyItems); ++i) {
        const viewer::TransparencyItem& item = viewer::kTransparencyItems[i];
        QAction* action = transparency->addAction(QString::fromLatin1(item.caption));
        action->setObjectName(QString::fromLatin1(item.name));
        bind(action, &QAction::triggered, handlers[i]);
        *items[i] = action;
    }

    N71 = new QAction(QStringLiteral("Always on top"), this);
    N71->setObjectName(QStringLiteral("N71"));
    N71->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    N71->setCheckable(true);
    PopupMenu1->insertAction(N81, N71);
    bind(N71, &QAction::triggered, &TForm1::N71Click);
    // The shortcuts work while the menu is closed.
    addAction(N61);
    addAction(N71);

    Hide1 = addRoutine("Hide1", "Hide", &TForm1::Hide1Click);

    // "Minimize to tray" is offered only where there is a tray to bring the window back from.
    N61->setVisible(viewerui::SystemTrayAvailable());
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { N61->setVisible(viewerui::SystemTrayAvailable()); });

    // A scroll area reports the point in its viewport's coordinates, which lie inside its frame.
    for (QAbstractScrollArea* control : {static_cast<QAbstractScrollArea*>(ListBox4),
                                         static_cast<QAbstractScrollArea*>(ListBox8),
                                         static_cast<QAbstractScrollArea*>(StringGrid1)}) {
        control->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(control, &QWidget::customContextMenuRequested, this,
                [this, control](const QPoint& at) { PopupMenu1->popup(control->viewport()->mapToGlobal(at)); });
    }

    TrayIcon1 = new QSystemTrayIcon(QIcon(QStringLiteral(":/about.jpg")), this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setToolTip(Q(viewer::kProgramName));
    TrayIcon1->setContextMenu(PopupMenu1);
    connect(TrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Context) guarded([this] { restoreFromTray(); });
    });
    if (viewerui::SystemTrayAvailable()) TrayIcon1->show();

    bind(Label2, &ClickLabel::mouseEntered, &TForm1::Label2MouseEnter);
    bind(Label2, &ClickLabel::mouseLeft, &TForm1::Label2MouseLeave);
    bind(Label3, &ClickLabel::mouseEntered, &TForm1::Label3MouseEnter);
    bind(Label3, &ClickLabel::mouseLeft, &TForm1::Label3MouseLeave);
    bind(Label4, &ClickLabel::mouseEntered, &TForm1::Label4MouseEnter);
    bind(Label4, &ClickLabel::mouseLeft, &TForm1::Label4MouseLeave);
}

void TForm1::N61Click() {
    if (!viewerui::SystemTrayAvailable()) return;
    TrayIcon1->show();
    hide();
}

// The tray icon brings the window back, as it was before it went to the tray.
void TForm1::restoreFromTray() {
    if (isHidden()) show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

// "100 %" repaints the window from its skin, opaque and without the see-through title line.
void TForm1::N6211Click() {
    setAlpha(viewer::kOpaqueAlpha);
    QThread::msleep(5);
    if (chrome_.skinApplied) N31Click();
}

void TForm1::N6221Click() { setAlpha(viewer::kTransparencyItems[1].alpha); }
void TForm1::N6231Click() { setAlpha(viewer::kTransparencyItems[2].alpha); }
void TForm1::N6241Click() { setAlpha(viewer::kTransparencyItems[3].alpha); }
void TForm1::N6251Click() { setAlpha(viewer::kTransparencyItems[4].alpha); }
void TForm1::N6261Click() { setAlpha(viewer::kTransparencyItems[5].alpha); }

// The item's check mark follows the window: on top after the first click, normal after the next.
void TForm1::N71Click() {
    const bool onTop = !(windowFlags() & Qt::WindowStaysOnTopHint);
    N71->setChecked(onTop);
    const bool shown = isVisible();
    const QPoint at = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown) {
        // A window whose flags change is hidden by the platform; it comes back where it was.
        move(at);
        show();
    }
}

void TForm1::Hide1Click() {
    ListBox4->hide();
    StringGrid1->hide();
}

void TForm1::setLabelColour(ClickLabel* label, const char* key) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText,
               Q(viewer::ColourFromValue(config_.ColorIni ? config_.ColorIni->ReadInteger("Menu", key, 0) : 0)));
    label->setPalette(p);
}

void TForm1::Label2MouseEnter() { setLabelColour(Label2, "Colortextactive"); }
void TForm1::Label2MouseLeave() { setLabelColour(Label2, "Colortext"); }
void TForm1::Label3MouseEnter() { setLabelColour(Label3, "Colortextactive"); }
void TForm1::Label3MouseLeave() { setLabelColour(Label3, "Colortext"); }
void TForm1::Label4MouseEnter() { setLabelColour(Label4, "Colortextactive"); }
void TForm1::Label4MouseLeave() { setLabelColour(Label4, "Colortext"); }

// The menu labels "About" and "Help", and the About box: the program's identity painted on a
// black surface beside its picture, with the product page link.
#include <QAction>
#include <QFrame>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "AboutBox.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Panels.h"
#include "QtBridge.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "platform/Shell.h"

using viewerui::Make;

void TForm1::connectAboutHandlers() {
    Panel2 = Make<QFrame>(this, "Panel2", 0, 0, viewer::kAboutPanel.width, viewer::kAboutPanel.height);
    Panel2->setFrameShape(QFrame::NoFrame);
    Panel2->hide();
    ImagePlus1 = Make<TImagePlus>(Panel2, "ImagePlus1", 1, 1, viewer::kAboutSurface.width, viewer::kAboutSurface.height);
    ImagePlus2 = Make<TImagePlus>(Panel2, "ImagePlus2", viewer::kAboutPictureAt.x, viewer::kAboutPictureAt.y, 1, 1);
    const QImage picture(QStringLiteral(":/about.jpg"));
    ImagePlus2->resize(picture.size());  // the control takes the picture's size
    ImagePlus2->Canvas() = picture;
    Label11 = Make<ClickLabel>(Panel2, "Label11", viewer::kAboutLinkAt.x, viewer::kAboutLinkAt.y, 10, 13);
    Label11->setStyleSheet(QStringLiteral("background: transparent;"));
    Label11->setCursor(Qt::PointingHandCursor);

    N131 = addRoutine("N131", "131", &TForm1::N131Click);
    bind(Label3, &ClickLabel::clicked, &TForm1::Label3Click);
    bind(Label4, &ClickLabel::clicked, &TForm1::Label4Click);
    connect(ImagePlus1, &ChromeImage::mouseReleased, this,
            [this](Qt::MouseButton button, int x, int y) { guarded([&] { ImagePlus1MouseUp(button, x, y); }); });
    connect(ImagePlus2, &ChromeImage::mouseReleased, this, [this](Qt::MouseButton button, int x, int y) {
        if (button == Qt::LeftButton && ImagePlus2->rect().contains(x, y)) guarded([this] { ImagePlus2Click(); });
    });
    bind(Label11, &ClickLabel::mouseEntered, &TForm1::Label11MouseMove);
    bind(Label11, &ClickLabel::mouseLeft, &TForm1::Label11MouseLeave);
    bind(Label11, &ClickLabel::clicked, &TForm1::Label11Click);
}

void TForm1::Label3Click() {
    if (Panel2->isHidden()) {
        N131Click();
        Panel2->show();
        Panel2->raise();
    } else {
        Panel2->hide();
    }
}

void TForm1::Label4Click() {
    if (nav_.PanelPage == viewer::kPanelBookPage) {
        // The list-of-books page gives way; its grid is left to the help page.
        nav_.PanelPage = "";
        Panel1->hide();
    }
    Panel2->hide();
    N0000931Click();
}

// A click on the bare panel closes it, back to the book.
void TForm1::Panel1Click() { ClosePanelPage(); }

void TForm1::N131Click() {
    ImagePlus1->setGeometry(1, 1, viewer::kAboutSurface.width, viewer::kAboutSurface.height);
    Panel2->resize(viewer::kAboutPanel.width, viewer::kAboutPanel.height);
    ImagePlus1->Clear();
    const viewer::Point at = viewer::AboutBoxPlace({width(), height()});
    Panel2->move(at.x, at.y);

    QImage& canvas = ImagePlus1->Canvas();
    QPainter painter(&canvas);
    painter.fillRect(canvas.rect(), Qt::black);
    painter.setFont(font());
    const QFontMetrics fm(font());
    for (const viewer::AboutLine& line :
         viewer::AboutLines({config_.ProgramName, config_.ProgramVersion, config_.ProgramDate}, about_.altCredit)) {
        painter.setPen(Q(line.colour));
        const QString text = Q(line.text);
        painter.drawText(QRect(line.at.x, line.at.y, fm.horizontalAdvance(text) + 1, fm.height()),
                         Qt::AlignLeft | Qt::AlignTop, text);
    }
    painter.end();
    ImagePlus1->Changed();

    Label11->setText(Q(viewer::AboutLinkCaption()));
    QPalette link = Label11->palette();
    link.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label11->setPalette(link);
    Label11->adjustSize();
    Label11->move(viewer::kAboutLinkAt.x, viewer::kAboutLinkAt.y);
    ImagePlus2->move(viewer::kAboutPictureAt.x, viewer::kAboutPictureAt.y);
}

void TForm1::ImagePlus1MouseUp(Qt::MouseButton, int x, int y) {
    switch (about_.gesture.Click(x, y, Panel2->height())) {
        case viewer::AboutClick::ArmCorner:
            break;
        case viewer::AboutClick::ShowAltCredit:
            about_.altCredit = true;
            N131Click();
            about_.altCredit = false;
            break;
        case viewer::AboutClick::Close:
            Panel2->hide();
            break;
    }
}

void TForm1::ImagePlus2Click() { Panel2->hide(); }

void TForm1::Label11MouseMove() { Label11->Underline(true); }

void TForm1::Label11MouseLeave() { Label11->Underline(false); }

void TForm1::Label11Click() {
    const std::string address = viewer::AboutLinkAddress(S(Label11->text()));
    platform::ShellOpen(address, openFailureReporter(address));
    Label11MouseLeave();
}

// The update panel: opened by a click on a notice, it fetches and shows the notice's what's-new
// text, paints its frame, title, texts and two bitmap buttons on ImagePlus4, and starts the
// installation when the user accepts. Its states and hit rules are viewer::UpdatePanel's.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>

#include "ClickLabel.h"
#include "DownloadCause.h"
#include "Controls.h"
#include "MarkColour.h"
#include "PanelText.h"
#include "QtBridge.h"
#include "TForm1.h"
#include "TImagePlus.h"
#include "UpdateCheck.h"
#include "platform/FileError.h"
#include "platform/TextFile.h"

using viewerui::Make;
using viewerui::MakeList;

namespace {

viewer::Size ImageSize(const QWidget* w) { return {w->width(), w->height()}; }

}  // namespace

void TForm1::buildUpdatePanel() {
    const viewer::Size size = viewer::kUpdatePanelSize;
    Panel3 = Make<QFrame>(this, "Panel3", 250, 180, size.width, size.height);
    Panel3->hide();
    // The painted surface lies under the panel's three controls.
    ImagePlus4 = Make<TImagePlus>(Panel3, "ImagePlus4", 0, 0, size.width, size.height);
    Label15 = Make<QLabel>(Panel3, "Label15", 20, 300, size.width - 40, 13);
    Label15->setText(Q(viewer::kStatusDesign));
    Label15->setWordWrap(true);  // a stop's cause goes on a second line
    Label15->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ListBox10 = MakeList(Panel3, "ListBox10", 20, 90, size.width - 40, 200);
    Gauge2 = Make<QProgressBar>(Panel3, "Gauge2", 20, 330, size.width - 40, 15);
    Gauge2->setMinimum(0);
    Gauge2->setMaximum(100);
    Gauge2->setValue(0);
    // A dark blue bar on a pale ground; the percentage is written in the bar's colour over
    // the ground and in the ground's colour over the bar, so it stays readable as it fills.
    const QColor gaugeGround = Q(viewer::ColourFromValue(viewer::kUpdatePanelColour));
    const QColor gaugeBar = Q(viewer::ColourFromValue(viewer::kUpdatePanelTextColour));
    QPalette gauge = Gauge2->palette();
    for (const auto role : {QPalette::Base, QPalette::Window, QPalette::Button, QPalette::HighlightedText})
        gauge.setColor(role, gaugeGround);
    for (const auto role : {QPalette::Highlight, QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        gauge.setColor(role, gaugeBar);
    Gauge2->setPalette(gauge);
    QFont gaugeFont(QStringLiteral("MS Sans Serif"));
    gaugeFont.setPixelSize(11);
    Gauge2->setFont(gaugeFont);
    Gauge2->setTextVisible(true);
}

void TForm1::connectUpdatePanelHandlers() {
    N07091 = addRoutine("N07091", "0709", &TForm1::N07091Click);
    N07101 = addRoutine("N07101", "07101", &TForm1::N07101Click);
    N141 = addRoutine("N141", "141", &TForm1::N141Click);
    N07021 = addRoutine("N07021", "0702", &TForm1::N07021Click);
    N07031 = addRoutine("N07031", "0703", &TForm1::N07031Click);
    N07041 = addRoutine("N07041", "0704", &TForm1::N07041Click);
    bind(Label6, &ClickLabel::clicked, &TForm1::Label6Click);
    bind(Label10, &ClickLabel::clicked, &TForm1::Label10Click);
    bindMouse(ImagePlus4, &TForm1::ImagePlus4MouseDown, &TForm1::ImagePlus4MouseMove, &TForm1::ImagePlus4MouseUp);
}

bool TForm1::UpdatePanelOpen() const { return install_.UpdatePanelPage == viewer::kUpdatePanelOpen; }

void TForm1::Label6Click() { N07091Click(); }

void TForm1::Label10Click() { N07101Click(); }

void TForm1::N07091Click() { RequestWhatsNew(viewer::WhatsNew::Data); }

void TForm1::N07101Click() { RequestWhatsNew(viewer::WhatsNew::Program); }

// The accept button waits for the text it was asked for, and the list shows only that text;
// a download that cannot start now leaves the panel saying so, and the running one its log.
// An installation under way keeps the panel as it shows it: its status line, the text being
// installed and the offer it took; only the log hears of the request.
void TForm1::RequestWhatsNew(viewer::WhatsNew text) {
    if (ChainRunning()) {
        N141Click();
        ListBox11->addItem(Q(viewer::LogTimeNow() + viewer::WhatsNewNotStarted(text).log));
        return;
    }
    const char* file = viewer::WhatsNewFile(text);
    const bool started = StartDownload(file, file, file);
    install_.UpdateOffer.Requested(text, started);
    ListBox10->clear();
    N141Click();
    if (started) {
        ListBox11->clear();
        ListBox11->addItem(Q(viewer::kLogLoadingData));
        // A new offer: what an earlier installation left on the panel no longer applies.
        Label15->setText(Q(viewer::kStatusDesign));
        Gauge2->setValue(Gauge2->minimum());
    } else {
        const viewer::WhatsNewTexts t = viewer::WhatsNewNotStarted(text);
        Label15->setText(Q(t.status));
        ListBox11->addItem(Q(viewer::LogTimeNow() + t.log));
    }
}

// Only the request the open panel waits for is answered on it: a text that comes after the
// panel was cancelled, or after another request replaced this one, is not shown. The log
// still hears of a failure.
void TForm1::WhatsNewBranch(const viewer::DownloadResult& done, viewer::WhatsNew text) {
    std::string failure = done.ok ? std::string() : done.error;
    std::string cause = done.ok ? std::string() : viewer::DownloadCause(done);
    std::vector<std::string> lines;
    if (done.ok) {
        try {
            lines = platform::LoadLines(done.destFile);
        } catch (const platform::FileError& e) {
            failure = e.what();
            cause = "it could not be read";
        }
    }
    const bool failed = !done.ok || !failure.empty();
    const bool answered =
        UpdatePanelOpen() && (failed ? install_.UpdateOffer.Failed(text) : install_.UpdateOffer.Arrived(text));
    if (failed) {
        const viewer::WhatsNewTexts t = viewer::WhatsNewFailed(text, failure, cause);
        if (answered) Label15->setText(Q(t.status));
        ListBox11->addItem(Q(viewer::LogTimeNow() + t.log));
        return;
    }
    if (!answered) return;
    ListBox10->clear();
    for (const auto& line : lines) ListBox10->addItem(Q(line));
    // The accept button is live as soon as its text is here.
    drawUpdateButtons(install_.UpdateOffer.AtRest(ImageSize(ImagePlus4), updateButtonSizes()));
}

void TForm1::N141Click() {
    if (!Panel3->isHidden()) {
        install_.UpdatePanelPage = "";
        Panel3->hide();
    }
    install_.UpdatePanelPage = viewer::kUpdatePanelOpen;
    const viewer::Box at = viewer::UpdatePanelPlace({width(), height()});
    Panel3->setGeometry(at.left, at.top, at.width, at.height);
    N07021Click();
}

// After a layout: the open panel centred in the window again and painted anew, with its text,
// status line and gauge as they are.
void TForm1::placeUpdatePanel() {
    if (Panel3->isHidden()) return;
    Panel3->hide();
    const viewer::Box at = viewer::UpdatePanelPlace({width(), height()});
    Panel3->setGeometry(at.left, at.top, at.width, at.height);
    N07021Click();
}

void TForm1::N07021Click() {
    if (!Panel3->isHidden()) {
        Panel3->hide();
        return;
    }
    viewerui::SetBackground(Panel3, Q(viewer::ColourFromValue(viewer::kUpdatePanelColour)));
    N07031Click();
    capturePanelTitle(Panel3, ImagePlus4->width());
    N07041Click();
    ShowPanels(viewer::PanelChange::OpenUpdatePanel);
}

void TForm1::N07031Click() {
    ImagePlus4->Clear();
    ImagePlus4->setGeometry(0, 0, Panel3->width(), Panel3->height());
    const viewer::UpdatePanelControls c =
        viewer::PlaceUpdatePanelControls({Panel3->width(), Panel3->height()}, Label15->fontMetrics().height());
    ListBox10->setGeometry(c.listBox10.left, c.listBox10.top, c.listBox10.width, c.listBox10.height);
    Label15->setGeometry(c.label15.left, c.label15.top, c.label15.width, c.label15.height);
    Gauge2->setGeometry(c.gauge2.left, c.gauge2.top, c.gauge2.width, c.gauge2.height);
    const viewer::PanelColours colours = panelColours();
    // The "Help" label takes the panel's text colour too.
    for (QWidget* label : {static_cast<QWidget*>(Label15), static_cast<QWidget*>(Label4)})
        viewerui::SetRole(label, QPalette::WindowText, Q(colours.dialogText));

    QImage& canvas = ImagePlus4->Canvas();
    canvas.fill(Q(colours.dialogFon));
    paintPanelFrame(canvas);
    ImagePlus4->Changed();
}

// The title, the texts and the buttons are painted whatever the see-through setting; only the
// blend needs the window beneath, which the caller captured when the setting asks for it.
void TForm1::N07041Click() {
    QImage& canvas = ImagePlus4->Canvas();
    blendPanelTitle(canvas);
    using viewerui::DrawPanelTexts;
    DrawPanelTexts(canvas, ImagePlus4, 8, Q(panelColours().titleText), viewerui::TextLine::Centre,
                   {{QPoint(10, chrome_.TitleLineHeight / 2), Q(viewer::kUpdatePanelTitle)}});
    DrawPanelTexts(canvas, ImagePlus4, 8, Q(viewer::ColourFromValue(viewer::kUpdatePanelTextColour)),
                   viewerui::TextLine::Top,
                   {{QPoint(20, 50), Q(viewer::kUpdatePanelQuestion)}, {QPoint(20, 70), Q(viewer::kUpdatePanelWhatsNew)}});
    drawUpdateButtons(install_.UpdateOffer.AtRest(ImageSize(ImagePlus4), updateButtonSizes()));
}

viewer::UpdateButtonSizes TForm1::updateButtonSizes() const {
    const auto size = [this](const char* name) {
        const QImage& b = panelBitmap(name);
        return viewer::Size{b.width(), b.height()};
    };
    return {size("b_update"), size("b_update_f"), size("b_cansel")};
}

void TForm1::drawUpdateButtons(const std::vector<viewer::ButtonImage>& images) {
    if (images.empty()) return;
    QPainter painter(&ImagePlus4->Canvas());
    for (const viewer::ButtonImage& b : images) painter.drawImage(b.at.x, b.at.y, panelBitmap(b.name));
    painter.end();
    ImagePlus4->Changed();
}

void TForm1::ImagePlus4MouseMove(int x, int y) {
    if (UpdatePanelOpen())
        drawUpdateButtons(install_.UpdateOffer.Moved(ImageSize(ImagePlus4), updateButtonSizes(), x, y));
}

void TForm1::ImagePlus4MouseDown(Qt::MouseButton, int x, int y) {
    if (UpdatePanelOpen())
        drawUpdateButtons(install_.UpdateOffer.Pressed(ImageSize(ImagePlus4), updateButtonSizes(), x, y));
}

void TForm1::ImagePlus4MouseUp(Qt::MouseButton, int x, int y) {
    if (!UpdatePanelOpen()) return;
    const viewer::UpdatePanel::Release r = install_.UpdateOffer.Released(ImageSize(ImagePlus4), updateButtonSizes(), x,
                                                                         y, install_.Chain.DownLoaderBusy(), Working());
    drawUpdateButtons(r.images);
    using Action = viewer::UpdatePanel::Action;
    switch (r.action) {
        case Action::None: break;
        case Action::AcceptData: AcceptDataUpdate(); break;
        case Action::AcceptProgram: AcceptProgramUpdate(); break;
        case Action::Refused: {
            const viewer::WhatsNewTexts t = viewer::AcceptRefused();
            if (!ChainRunning()) Label15->setText(Q(t.status));  // the installation's own line stays
            ListBox11->addItem(Q(viewer::LogTimeNow() + t.log));
            break;
        }
        case Action::Close: ShowPanels(viewer::PanelChange::CloseUpdatePanel); break;
    }
}

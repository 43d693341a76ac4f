// The options and help panel Panel1: the two toggles, the options page painted on ImagePlus5
// (frame, title line, the menu with "Skins" and "Update", the content area with the controls
// of the chosen sub-page), the help page in the page grid, and the drag by the title line.
// The geometry and the pointer's rules are viewer::OptionsPanel's.
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTableWidget>

#include <utility>

#include "ChromeImage.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "Catalog.h"
#include "HelpFolder.h"
#include "PanelText.h"
#include "QtBridge.h"
#include "TForm1.h"
#include "TImagePlus.h"

using viewerui::Make;
using viewerui::MakeList;

namespace {

viewer::Size ImageSize(const QWidget* w) { return {w->width(), w->height()}; }

// The platform's rectangle: the outline in the pen's colour on the edges of `b` (its right and
// bottom edges exclusive), the inside filled with the brush's.
void Rectangle(QPainter& painter, const viewer::Box& b, QColor pen, QColor brush) {
    if (b.width <= 0 || b.height <= 0) return;
    painter.fillRect(b.left, b.top, b.width, b.height, pen);
    if (b.width > 2 && b.height > 2) painter.fillRect(b.left + 1, b.top + 1, b.width - 2, b.height - 2, brush);
}

}  // namespace

void TForm1::buildOptionsPanel() {
    ImagePlus5 = Make<TImagePlus>(Panel1, "ImagePlus5", 0, 0, 750, 408);
    ImagePlus5->hide();
    // The options' controls lie on the painted page, so they come and go with it.
    CheckBox1 = Make<QCheckBox>(ImagePlus5, "CheckBox1", 245, 70, 400, 20);
    CheckBox1->setText(QStringLiteral("Check for updates databases automatically"));
    CheckBox2 = Make<QCheckBox>(ImagePlus5, "CheckBox2", 245, 100, 400, 20);
    CheckBox2->setText(QStringLiteral("Check for new version program automatically"));
    Label16 = Make<ClickLabel>(ImagePlus5, "Label16", 245, 130, 300, 18);
    Label16->setText(QStringLiteral("Check for updates now"));
    Label17 = Make<ClickLabel>(ImagePlus5, "Label17", 245, 168, 300, 18);
    Label17->setText(QStringLiteral("Download stories for reading"));
    for (QWidget* w : {static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(CheckBox2),
                       static_cast<QWidget*>(Label16), static_cast<QWidget*>(Label17)}) {
        w->adjustSize();
        w->hide();
    }
    for (ClickLabel* link : {Label16, Label17}) link->setCursor(Qt::PointingHandCursor);
    ListBox11 = MakeList(ImagePlus5, "ListBox11", 245, 193, 300, 200);
    // The log's lines are long (a cause after the file it stopped at): each is wrapped whole
    // within the box.
    ListBox11->setUniformItemSizes(false);
    ListBox11->setWordWrap(true);
    ListBox11->setTextElideMode(Qt::ElideNone);
    ListBox11->setResizeMode(QListView::Adjust);
    ListBox11->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox11->hide();
}

void TForm1::connectOptionsPanelHandlers() {
    N0000921 = addRoutine("N0000921", "0000921 - options", &TForm1::N0000921Click);
    N06011 = addRoutine("N06011", "0601", &TForm1::N06011Click);
    N06021 = addRoutine("N06021", "0602", &TForm1::N06021Click);
    N06031 = addRoutine("N06031", "0603", &TForm1::N06031Click);
    N06041 = addRoutine("N06041", "0604", &TForm1::N06041Click);
    N06051 = addRoutine("N06051", "0605", &TForm1::N06051Click);
    N06061 = addRoutine("N06061", "0606", &TForm1::N06061Click);
    N0000931 = addRoutine("N0000931", "000093  - help", &TForm1::N0000931Click);
    bindMouse(ImagePlus5, &TForm1::ImagePlus5MouseDown, &TForm1::ImagePlus5MouseMove, &TForm1::ImagePlus5MouseUp);
}

namespace {

void PlacePanel(TForm1& f) {
    const viewer::Box at = viewer::OptionsPanelPlace({f.Edit3->x(), f.Edit3->y()}, f.width(),
                                                     f.Memo2->y() + f.Memo2->height(), f.StringGrid3->y());
    f.Panel1->setGeometry(at.left, at.top, std::max(at.width, 0), std::max(at.height, 0));
}

}  // namespace

void TForm1::N0000921Click() {
    switch (viewer::TogglePage(!Panel1->isHidden(), nav_.PanelPage, viewer::kPanelOptions)) {
        case viewer::Toggle::Open:
            Panel1->hide();  // shown again painted, after the window beneath its title was taken
            ImagePlus5->Clear();
            PlacePanel(*this);
            coverBookArea();
            ShowPanels(viewer::PanelChange::OpenOptions);
            drawPanelCloseOnChrome();
            N06011Click();
            N06041Click();
            break;
        case viewer::Toggle::Close: ClosePanelPage(); break;
        case viewer::Toggle::Nothing: break;
    }
}

void TForm1::N0000931Click() {
    switch (viewer::TogglePage(!Panel1->isHidden(), nav_.PanelPage, viewer::kPanelHelp)) {
        case viewer::Toggle::Open:
            // A page that cannot be read leaves the panel as it was.
            SetCurrentTexxFile(viewer::HelpIndexPage(config_.ProgramDir));
            N211Click();
            N231Click();
            ImagePlus5->Clear();
            PlacePanel(*this);
            StringGrid1->setGeometry(0, 0, Panel1->width(), Panel1->height());
            coverBookArea();
            ShowPanels(viewer::PanelChange::OpenHelp);
            drawPanelCloseOnChrome();
            break;
        case viewer::Toggle::Close: ClosePanelPage(); break;
        case viewer::Toggle::Nothing: break;
    }
}

void TForm1::ClosePanelPage() {
    ShowPanels(viewer::PanelChange::ClosePage);
    panelPageGone();
}

void TForm1::panelPageGone() {
    optionsPanel_.drag = {};
    // The close button drawn on the chrome goes with the page.
    if (!chrome_.underPanelClose.isNull() &&
        Image3->Picture().rect().contains(QRect(chrome_.panelCloseAt, chrome_.underPanelClose.size()))) {
        QPainter(&Image3->Canvas()).drawImage(chrome_.panelCloseAt, chrome_.underPanelClose);
        Image3->Changed();
    }
    chrome_.underPanelClose = QImage();
    // The book area shows again what the page covered; a sub-list item that named a view no
    // longer shown is no longer picked.
    if (std::exchange(optionsPanel_.storyIndexUnderPage, false)) {
        ListBox4->show();
        ListBox4->raise();
    }
    const QListWidgetItem* picked = ListBox9->currentItem();
    if (picked &&
        !viewer::KeepsSubListPick(S(picked->text()), !ListBox4->isHidden(), nav_.PanelPage == viewer::kPanelBookPage))
        ListBox9->setCurrentItem(nullptr);
}

// A page lies over the whole book area: the story index, which reaches lower than the page,
// is hidden while the page is shown and comes back when it closes.
void TForm1::coverBookArea() {
    const bool pageShown = viewer::PageOverBookArea(nav_.PanelPage);
    if (!pageShown) optionsPanel_.storyIndexUnderPage = !ListBox4->isHidden();
    ListBox4->hide();
}

// The panel's close button on the chrome's status line, where the window's pointer handling
// looks for it.
void TForm1::drawPanelCloseOnChrome() {
    if (!chrome_.skinApplied || chrome_.CancelButtonBitmap.isNull()) return;
    QImage& canvas = Image3->Canvas();
    const QPoint at(Image3->width() - 25 - chrome_.CancelButtonBitmap.width(),
                    Image3->height() - 30 - chrome_.CancelButtonBitmap.height());
    if (chrome_.underPanelClose.isNull()) {
        chrome_.underPanelClose = canvas.copy(QRect(at, chrome_.CancelButtonBitmap.size()));
        chrome_.panelCloseAt = at;
    }
    QPainter(&canvas).drawImage(at, chrome_.CancelButtonBitmap);
    Image3->Changed();
}

void TForm1::N06011Click() {
    if (!Panel1->isHidden()) {
        Panel1->hide();
        return;
    }
    viewerui::SetBackground(Panel1, Q(viewer::kOptionsPanelColour));
    N06021Click();
    capturePanelTitle(Panel1, ImagePlus5->width());
    N06031Click();
    Panel1->show();
    Panel1->raise();
}

void TForm1::N06021Click() {
    ImagePlus5->Clear();
    ImagePlus5->setGeometry(0, 0, Panel1->width(), Panel1->height());
    QImage& canvas = ImagePlus5->Canvas();
    canvas.fill(Q(panelColours().windowFon));
    paintPanelFrame(canvas);
    ImagePlus5->Changed();
}

// The title line is painted whatever the see-through setting; only its blend needs the window
// beneath, captured by the caller when the setting asks for it.
void TForm1::N06031Click() {
    QImage& canvas = ImagePlus5->Canvas();
    blendPanelTitle(canvas);
    const viewer::OptionsPageGeometry g = optionsPageGeometry();
    const QString title = Q(nav_.PanelPage == viewer::kPanelHelp ? viewer::kHelpTitle : viewer::kOptionsTitle);
    viewerui::DrawPanelTexts(canvas, ImagePlus5, 8, Q(panelColours().titleText), viewerui::TextLine::Centre,
                             {{QPoint(g.title.x, g.title.y), title}});
    // The page has one close button: on the chrome's status line where there is a chrome,
    // otherwise its own.
    if (!chrome_.skinApplied) QPainter(&canvas).drawImage(g.cancelButton.x, g.cancelButton.y, panelBitmap("b_cansel"));
    ImagePlus5->Changed();
}

viewer::OptionsPageGeometry TForm1::optionsPageGeometry() const {
    const QImage& cancel = panelBitmap("b_cansel");
    return viewer::LayOutOptionsPage(ImageSize(ImagePlus5), chrome_.TitleLineHeight, {cancel.width(), cancel.height()});
}

void TForm1::N06041Click() { paintOptionsContents(true); }

void TForm1::paintOptionsContents(bool loadSkins) {
    const viewer::PanelColours c = panelColours();
    const viewer::OptionsPageGeometry g = optionsPageGeometry();
    const bool updatePage = nav_.OptionsPage == viewer::kOptionsUpdatePage;
    {
        QPainter painter(&ImagePlus5->Canvas());
        Rectangle(painter, g.menuFrame, Q(c.borderLine), Q(c.windowFon));
        Rectangle(painter, g.contentFrame, Q(c.borderLine), Q(c.windowFon));
        // The entry of the sub-page shown is the highlighted one.
        Rectangle(painter, updatePage ? g.updateEntry : g.skinsEntry, Q(c.selectedMenu), Q(c.selectedMenu));
    }
    N06061Click();

    const viewer::Size image = ImageSize(ImagePlus5);
    if (updatePage) {
        const viewer::UpdateOptionPlaces p =
            viewer::PlaceUpdateOptions(CheckBox1->height(), CheckBox2->height(), Label16->height());
        CheckBox1->move(p.checkBox1.x, p.checkBox1.y);
        CheckBox2->move(p.checkBox2.x, p.checkBox2.y);
        Label16->move(p.label16.x, p.label16.y);
        Label17->move(p.label17.x, p.label17.y);
        ListBox11->setGeometry(p.listBox11.left, p.listBox11.top, p.listBox11.width, p.listBox11.height);
        for (QWidget* w : {static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(CheckBox2)}) {
            viewerui::SetBackground(w, Q(c.windowFon));
            viewerui::SetRole(w, w->backgroundRole(), Q(c.windowFon));  // a check box grounds itself in its own role
        }
        for (QWidget* w : {static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(CheckBox2),
                           static_cast<QWidget*>(Label16), static_cast<QWidget*>(Label17)})
            viewerui::SetRole(w, QPalette::WindowText, Q(c.dialogText));
        ShowPanels(viewer::PanelChange::ShowUpdateOptions);
    } else {
        const viewer::Box group = viewer::PlaceSkinGroup(image);
        GroupBox1->setGeometry(group.left, group.top, std::max(group.width, 0), std::max(group.height, 0));
        ListBox5->resize(std::max(GroupBox1->width() - 2 * ListBox5->x(), 0),
                         std::max(GroupBox1->height() - 2 * ListBox5->y(), 0));
        if (loadSkins) loadSkinList();
        ShowPanels(viewer::PanelChange::ShowSkinsPage);
    }
}

void TForm1::N06051Click() {}

void TForm1::N06061Click() {
    const viewer::OptionsPageGeometry g = optionsPageGeometry();
    viewerui::DrawPanelTexts(ImagePlus5->Canvas(), ImagePlus5, 10, Q(panelColours().dialogText),
                             viewerui::TextLine::Centre,
                             {{QPoint(g.skinsCaption.x, g.skinsCaption.y), QStringLiteral("Skins")},
                              {QPoint(g.updateCaption.x, g.updateCaption.y), QStringLiteral("Update")}});
    ImagePlus5->Changed();
}

viewer::OptionsPanelMouse::Input TForm1::optionsPanelInput() const {
    const QImage& cancel = panelBitmap("b_cansel");
    return {ImageSize(ImagePlus5), chrome_.TitleLineHeight, {cancel.width(), cancel.height()},
            viewer::PageOverBookArea(nav_.PanelPage), !chrome_.skinApplied};
}

void TForm1::ImagePlus5MouseDown(Qt::MouseButton button, int x, int y) {
    const viewer::OptionsPanelMouse::Outcome out =
        optionsPanel_.drag.Press(button == Qt::LeftButton, x, y, optionsPanelInput());
    if (out.dragBegins) {
        // While it moves the panel shows its own frame; what lies beneath changes with every step.
        N06021Click();
        N06031Click();
        N06041Click();
    }
    if (out.subPage) {
        nav_.OptionsPage = *out.subPage;
        N06041Click();
        if (nav_.OptionsPage == viewer::kOptionsSkinsPage) {
            // The "Skins" entry gives the skin list the editor's colours.
            const viewer::PanelColours c = panelColours();
            viewerui::SetRole(ListBox5, QPalette::Base, Q(c.editorFon));
            viewerui::SetRole(ListBox5, QPalette::Text, Q(c.editorText));
        }
    }
}

void TForm1::ImagePlus5MouseMove(int x, int y) {
    const viewer::OptionsPanelMouse::Outcome out = optionsPanel_.drag.Move(x, y, optionsPanelInput());
    if (out.moveBy) Panel1->move(Panel1->pos() + QPoint(out.moveBy->x, out.moveBy->y));
}

void TForm1::ImagePlus5MouseUp(Qt::MouseButton, int x, int y) {
    const viewer::OptionsPanelMouse::Outcome out = optionsPanel_.drag.Release(x, y, optionsPanelInput());
    if (out.close) {
        ClosePanelPage();
        return;
    }
    if (!out.dragEnded) return;
    // Shown again at its new place with what lies beneath it there, on the "Skins" page.
    Panel1->hide();
    ImagePlus5->Clear();
    nav_.OptionsPage = viewer::kOptionsSkinsPage;
    N06011Click();
    N06041Click();
}

// After a layout: the page at the window's new size and place, painted anew there. The skin
// list stays as it is: a click on it may be what is being handled.
void TForm1::placePagePanel() {
    if (Panel1->isHidden()) return;
    if (nav_.PanelPage == viewer::kPanelBookPage) {
        placeBookPage();
        return;
    }
    if (!viewer::PageOverBookArea(nav_.PanelPage)) return;
    PlacePanel(*this);
    StringGrid1->setGeometry(0, 0, Panel1->width(), Panel1->height());
    if (nav_.PanelPage != viewer::kPanelOptions) return;
    Panel1->hide();
    N06011Click();
    paintOptionsContents(false);
}

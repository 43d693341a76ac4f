// Window layout: the design places the "Windows" skin keeps, the layout routine of the other
// skins (window size, blend values, colours, the chain of controls), the details grid's
// columns fitted to the grid, and the update notices on the status line.
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <numeric>

#include "Chrome.h"
#include "ChromeImage.h"
#include "ClickLabel.h"
#include "Controls.h"
#include "DetailsGrid.h"
#include "QtBridge.h"
#include "SkinFiles.h"
#include "TForm1.h"
#include "WindowLayout.h"

namespace {

using viewerui::FreeScreen;
using viewerui::SetBackground;
using viewerui::SetRole;

void SetGeometry(QWidget* w, const viewer::Box& b) { w->setGeometry(b.left, b.top, b.width, b.height); }

viewer::Size SizeOf(const QWidget* w) { return {w->width(), w->height()}; }

void PlaceChain(TForm1& f, const viewer::WindowLayout& l) {
    SetGeometry(f.Edit3, l.edit3);
    SetGeometry(f.ListBox8, l.listBox8);
    SetGeometry(f.ListBox2, l.listBox2);
    SetGeometry(f.ListBox9, l.listBox9);
    SetGeometry(f.ListBox1, l.listBox1);
    SetGeometry(f.ListBox7, l.listBox7);
    // Widths that follow the details grid's are set after it.
    SetGeometry(f.StringGrid3, l.stringGrid3);
    SetGeometry(f.ListBox4, l.listBox4);
    SetGeometry(f.StringGrid1, l.stringGrid1);
}

void PlaceMenu(TForm1& f, const viewer::WindowLayout& l) {
    f.Label3->move(l.label3Left, l.menuTop);
    f.Label4->move(l.label4Left, l.menuTop);
    f.Label2->move(l.label2Left, l.menuTop);
}

viewer::MenuLabels Labels(const TForm1& f) {
    return {SizeOf(f.Label2), SizeOf(f.Label3), SizeOf(f.Label4), !f.Label3->isHidden(), !f.Label4->isHidden()};
}

}  // namespace

// The form's design: the chain laid out as for a window whose details block is as wide as
// the story index that start-up makes (737 px), under menu labels and notices of the full
// window, so no control sticks out beside another.
void TForm1::placeDesign() {
    constexpr viewer::Size kDesignWindow{1000, 760};
    constexpr int kStoryIndexWidth = 737;
    const viewer::SkinCoordinates at;
    const viewer::MenuLabels labels = Labels(*this);
    const int x2 = viewer::kLeftColumnWidth + at.firstCompLeft + 10;
    const viewer::WindowLayout l =
        viewer::LayOutWindow({x2 + kStoryIndexWidth + at.firstCompLeft, kDesignWindow.height}, at, labels);
    PlaceChain(*this, l);
    PlaceMenu(*this, viewer::LayOutWindow(kDesignWindow, at, labels));
    const viewer::ChromePlacement p =
        viewer::PlaceOnChrome({{l.stringGrid3.right() + at.firstCompLeft, kDesignWindow.height},
                               l.stringGrid3,
                               l.listBox2,
                               l.edit3.left,
                               {},
                               {}});
    SetGeometry(ScrollBox1, p.scrollBox1);
    SetGeometry(Memo2, p.memo2);
    placeNotices();
}

void TForm1::N31Click() {
    const platform::IniFile coordinats(viewer::SkinFile(config_.ProgramDir, config_.SkinName, "coordinats.ini"));
    // Everything is read, and the skin's bitmaps are loaded, before anything changes: a skin
    // that cannot be shown leaves the window as it was.
    const viewer::LayoutSettings s = viewer::ReadLayoutSettings(*config_.OptionsIni, *config_.ColorIni, coordinats);
    if (!chrome_.chromeLoaded || !chrome_.buttonsLoaded) {
        chrome_.Bitmaps = viewerui::SkinBitmaps::LoadComplete(config_.ProgramDir, config_.SkinName);
        chrome_.CancelButtonBitmap = chrome_.Bitmaps.Get("b_cansel");
        chrome_.chromeLoaded = true;
        chrome_.buttonsLoaded = true;
    }

    const viewer::Size window = viewer::BoundWindowSize({s.windowWidth, s.windowHeight}, FreeScreen(this));
    viewerui::SetLeastWindowSize(this);
    resize(window.width, window.height);
    chrome_.TitleBlendOption = s.blendOption;
    config_.TransparencyMode = s.transparencyMode;
    chrome_.TitleBlendSkin = s.blendSkin;

    Image3->show();
    Image3->lower();
    if (!(windowFlags() & Qt::FramelessWindowHint)) {
        const bool shown = isVisible();
        setWindowFlag(Qt::FramelessWindowHint, true);
        if (shown) show();  // a window whose flags change is hidden by the platform
    }
    chrome_.skinApplied = true;

    for (ClickLabel* label : {Label2, Label3, Label4}) label->adjustSize();
    const viewer::WindowLayout l = viewer::LayOutWindow(window, s.coordinates, Labels(*this));
    PlaceMenu(*this, l);
    Label12->move(l.label12Left, l.label12Top);

    using Controls = std::initializer_list<QWidget*>;
    const viewer::SkinColours& c = s.colours;
    for (QWidget* w : Controls{this, Panel1, GroupBox1}) SetBackground(w, Q(c.windowFon));
    for (QWidget* w : Controls{Label2, Label3, Label4, Label12}) SetRole(w, QPalette::WindowText, Q(c.menuText));
    for (QWidget* w : Controls{ListBox1, ListBox2, ListBox4, ListBox5, ListBox8, Edit3, ListBox9, ListBox7, Memo2})
        SetRole(w, QPalette::Text, Q(c.editorText));
    SetRole(GroupBox1, QPalette::WindowText, Q(c.editorText));
    for (QWidget* w :
         Controls{ListBox1, ListBox2, ListBox4, ListBox5, ListBox7, ListBox8, ListBox9, Edit3, StringGrid1, Memo2})
        SetRole(w, QPalette::Base, Q(c.editorFon));
    SetRole(ScrollBox1, QPalette::Base, Q(c.editorFon));
    SetBackground(ScrollBox1->viewport(), Q(c.editorFon));

    PlaceChain(*this, l);
    N111Click();
    placePanels();
}

void TForm1::placePanels() {
    placePagePanel();
    placeUpdatePanel();
}

// The design widths of the details grid, none lying outside the grid: when the grid is
// narrower than the design, the text columns give up width in proportion, down to the width
// of their headings; the spacers keep theirs, and the format column is as wide as its marks.
void TForm1::fitDetailsColumns() {
    if (StringGrid3->columnCount() != viewer::DetailsGrid::kColumns) return;
    const QFontMetrics fm(StringGrid3->font());
    int markWidth = 0;
    for (const char* mark : {"DOC", "RTF", "FB2"})
        markWidth = std::max(markWidth, fm.horizontalAdvance(QString::fromLatin1(mark)) + 6);
    std::vector<int> design(viewer::kDetailsColumnWidths.begin(), viewer::kDetailsColumnWidths.end());
    design[3] = std::max(design[3], markWidth);
    std::vector<int> minimum = design;
    for (int col : {1, 5, 7, 9}) minimum[static_cast<size_t>(col)] = 40;
    // A heading is drawn centred in its cell: its column keeps room for all of it, unless
    // that would take the columns beyond the grid.
    std::vector<int> headed = minimum;
    for (int row = 0; row < StringGrid3->rowCount(); ++row) {
        for (int col = 0; col < viewer::DetailsGrid::kColumns; ++col) {
            const QTableWidgetItem* item = StringGrid3->item(row, col);
            if (!item || !viewer::IsDetailsHeading(col, row)) continue;
            const auto c = static_cast<size_t>(col);
            headed[c] = std::min(design[c], std::max(headed[c], fm.horizontalAdvance(item->text()) + 8));
        }
    }

    const QSize room = StringGrid3->maximumViewportSize();
    int rowsHeight = 0;
    for (int row = 0; row < StringGrid3->rowCount(); ++row) rowsHeight += StringGrid3->rowHeight(row);
    int available = room.width();
    if (rowsHeight > room.height()) available -= StringGrid3->verticalScrollBar()->sizeHint().width();
    const bool headingsFit = std::accumulate(headed.begin(), headed.end(), 0) <= available;
    const std::vector<int> widths = viewer::FitColumnWidths(design, headingsFit ? headed : minimum, available);
    for (int col = 0; col < viewer::DetailsGrid::kColumns; ++col)
        StringGrid3->setColumnWidth(col, widths[static_cast<size_t>(col)]);
}

void TForm1::placeNotices() {
    viewer::NoticeInput in;
    in.window = SizeOf(this);
    in.baseLeft = Label12->x();
    if (chrome_.skinApplied) {
        const std::string text =
            viewer::StatusLineText(statusNotice_, config_.BaseDay, config_.BaseMonthName, config_.BaseYear);
        in.baseLeft += QFontMetrics(Image3->font()).horizontalAdvance(QString::fromStdString(text)) + 50;
    }
    in.baseNotice = SizeOf(Label6);
    in.programNotice = SizeOf(Label10);
    in.bothShown = !Label6->isHidden() && !Label10->isHidden();
    in.menuTop = Label2->y();
    in.menuLeft = std::min(
        {Label2->x(), Label3->isHidden() ? Label2->x() : Label3->x(), Label4->isHidden() ? Label2->x() : Label4->x()});
    in.leftMargin = Edit3->x();
    const viewer::NoticePlaces p = viewer::PlaceNotices(in);
    Label6->move(p.baseNotice.x, p.baseNotice.y);
    Label10->move(p.programNotice.x, p.programNotice.y);
}

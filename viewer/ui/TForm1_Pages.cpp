// The ".texx" page viewer in StringGrid1: loading a page, evaluating its cell commands,
// drawing its cells and following its links. What a page means is decided in viewer/core
// (TexxLoader, CellCommands, PageCellDrawing); this file puts it on the grid.
#include <QAction>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QTableWidget>

#include <algorithm>

#include "CellCommands.h"
#include "HelpFolder.h"
#include "PageCellDrawing.h"
#include "PageCellPainter.h"
#include "PageGridDelegate.h"
#include "PagePictures.h"
#include "QtBridge.h"
#include "TForm1.h"
#include "TexxLoader.h"

namespace {

// Sizes beyond any screen would only overflow the grid's geometry.
constexpr int kMaxCellPixels = 32767;

// StringGrid1 (texts, sizes) and the attribute grid beside it, as the core sees a page.
class WindowPage : public viewer::PageCells {
public:
    WindowPage(QTableWidget* grid, viewer::TextGrid& attributes, viewer::GridLines& lines)
        : grid_(grid), attributes_(attributes), lines_(lines) {}

    int ColCount() const override { return grid_->columnCount(); }
    int RowCount() const override { return grid_->rowCount(); }
    void SetColCount(int count) override {
        count = std::max(count, 1);
        grid_->setColumnCount(count);
        attributes_.Resize(count, attributes_.RowCount());
    }
    void SetRowCount(int count) override {
        count = std::max(count, 1);
        grid_->setRowCount(count);
        attributes_.Resize(attributes_.ColCount(), count);
    }
    std::string Text(int col, int row) const override {
        if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return {};
        const QTableWidgetItem* item = grid_->item(row, col);
        return item ? S(item->text()) : std::string();
    }
    void SetText(int col, int row, const std::string& text) override {
        if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return;
        QTableWidgetItem* item = grid_->item(row, col);
        if (!item) {
            if (text.empty()) return;  // most pages leave many cells empty: no item for them
            item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            grid_->setItem(row, col, item);
        }
        item->setText(Q(text));
    }
    std::string Attributes(int col, int row) const override { return attributes_.Cell(col, row); }
    void SetAttributes(int col, int row, const std::string& a) override { attributes_.SetCell(col, row, a); }
    void SetGridLines(viewer::GridLines lines) override {
        // A section holds its cell and the line after it: keep the cells, move the lines.
        const viewer::GridLines before = lines_;
        lines_ = lines;
        for (int c = 1; c < ColCount(); ++c)
            grid_->setColumnWidth(c, grid_->columnWidth(c) - (before.vertical ? 1 : 0) + (lines.vertical ? 1 : 0));
        for (int r = 1; r < RowCount(); ++r)
            grid_->setRowHeight(r, grid_->rowHeight(r) - (before.horizontal ? 1 : 0) + (lines.horizontal ? 1 : 0));
    }
    void SetColWidth(int col, int pixels) override {
        grid_->setColumnWidth(col, std::clamp(pixels, 0, kMaxCellPixels) + (lines_.vertical ? 1 : 0));
    }
    void SetRowHeight(int row, int pixels) override {
        grid_->setRowHeight(row, std::clamp(pixels, 0, kMaxCellPixels) + (lines_.horizontal ? 1 : 0));
    }

private:
    QTableWidget* grid_;
    viewer::TextGrid& attributes_;
    viewer::GridLines& lines_;
};

// Repaints the grid once when a load or an evaluation ends, also when it stops on an error.
class BatchedUpdates {
public:
    explicit BatchedUpdates(QTableWidget* grid) : grid_(grid) { grid_->setUpdatesEnabled(false); }
    ~BatchedUpdates() {
        grid_->setUpdatesEnabled(true);
        grid_->viewport()->update();
    }

private:
    QTableWidget* grid_;
};

}  // namespace

void TForm1::connectPageHandlers() {
    N211 = addRoutine("N211", "load texx", &TForm1::N211Click);
    N231 = addRoutine("N231", "23", &TForm1::N231Click);
    pagePictures_ = new viewerui::PagePictures(this);

    StringGrid1->setItemDelegate(new viewerui::PageGridDelegate(this, StringGrid1));
    StringGrid1->setShowGrid(false);  // the delegate draws the lines the page asks for
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    for (QHeaderView* header : {StringGrid1->horizontalHeader(), StringGrid1->verticalHeader()}) {
        header->setMinimumSectionSize(0);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    StringGrid1->setMouseTracking(true);
    connect(StringGrid1, &QTableWidget::cellEntered, this, [this](int row, int col) {
        const viewer::CellCommand& command = pages_.CellCommands.At(col, row);
        const bool link = command.Command == viewer::kOpenFileCommand && !command.Argument.empty();
        StringGrid1->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    });
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { guarded([this] { StringGrid1DblClick(); }); });
}

void TForm1::N211Click() {
    WindowPage page(StringGrid1, pages_.StringGrid2, pages_.gridLines);
    pagePictures_->Clear();
    {
        BatchedUpdates batch(StringGrid1);
        viewer::LoadTexxPage(nav_.CurrentTexxFile, page, pages_.CellCommands);
    }
    StringGrid1->scrollToTop();
    StringGrid1->horizontalScrollBar()->setValue(0);
}

void TForm1::N231Click() {
    WindowPage page(StringGrid1, pages_.StringGrid2, pages_.gridLines);
    BatchedUpdates batch(StringGrid1);
    viewer::EvaluateCellCommands(page, pages_.CellCommands);
}

void TForm1::StringGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect) {
    if (col < 1 || row < 1 || col >= pages_.StringGrid2.ColCount() || row >= pages_.StringGrid2.RowCount()) return;
    const viewer::CellDrawing plan =
        viewer::PlanCellDrawing(pages_.StringGrid2.Cell(col, row), pages_.CellCommands.At(col, row),
                                {rect.x(), rect.y(), rect.width(), rect.height()});
    static const QImage kNoPicture;
    const QImage* picture = &kNoPicture;
    if (plan.picture)
        if (const auto file = viewer::HelpFile(config_.ProgramDir, *plan.picture))
            picture = &pagePictures_->Picture(*file);
    const QTableWidgetItem* item = StringGrid1->item(row, col);
    const QPalette palette = StringGrid1->palette();
    viewerui::PaintPageCell(painter, plan, *picture, item ? item->text() : QString(), rect,
                            {StringGrid1->font(), palette.color(QPalette::Text), palette.color(QPalette::Base)});
}

void TForm1::StringGrid1DblClick() {
    const viewer::CellCommand command = pages_.CellCommands.At(StringGrid1->currentColumn(), StringGrid1->currentRow());
    if (command.Command != viewer::kOpenFileCommand || command.Argument.empty()) return;
    const std::optional<std::string> target = viewer::HelpFile(config_.ProgramDir, command.Argument);
    if (!target)
        throw viewer::PageError("The link \"" + command.Argument +
                                "\" leads outside the help folder and is not followed.");
    SetCurrentTexxFile(*target);
    N211Click();
    N231Click();
}

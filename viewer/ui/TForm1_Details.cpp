// Book details and reading: the two book views, the details grid and its headings, the
// cover, the hidden story list with its "Read" marks, and the opening of story documents.
#include <QAction>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QTableWidget>

#include <cerrno>
#include <stdexcept>

#include "DetailsGrid.h"
#include "Dialogs.h"
#include "ListMarks.h"
#include "MarkColour.h"
#include "OpenFailure.h"
#include "QtBridge.h"
#include "TForm1.h"
#include "platform/FileError.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

namespace {

void Render(QTableWidget* grid, const viewer::DetailsGrid& cells) {
    const int rows = std::min(grid->rowCount(), viewer::DetailsGrid::kRows);
    const int cols = std::min(grid->columnCount(), viewer::DetailsGrid::kColumns);
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < cols; ++col) {
            const QString text = Q(cells.Cell(col, row));
            if (QTableWidgetItem* item = grid->item(row, col)) item->setText(text);
            else grid->setItem(row, col, new QTableWidgetItem(text));
        }
    }
}

// Decodes a picture (the format chosen by its name) and shows it at its natural size.
void ShowPicture(QLabel* image, const std::filesystem::path& file) {
    QImageReader reader(Q(file));
    const QImage picture = reader.read();
    if (picture.isNull()) {
        if (!platform::FileExists(file.string())) throw platform::FileError::Open(file, ENOENT);
        throw platform::FileError("Cannot read picture \"" + file.string() + "\". " + S(reader.errorString()), file);
    }
    image->setPixmap(QPixmap::fromImage(picture));
    image->adjustSize();
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += '\n';
        text += lines[i];
    }
    return text;
}

}  // namespace

void TForm1::N5021Click() {
    StringGrid3->setColumnCount(viewer::DetailsGrid::kColumns);
    StringGrid3->setRowCount(viewer::DetailsGrid::kRows);
    StringGrid3->setShowGrid(false);
    // Narrow spacer columns and the short heading row are part of the design.
    StringGrid3->horizontalHeader()->setMinimumSectionSize(0);
    StringGrid3->verticalHeader()->setMinimumSectionSize(0);
    StringGrid3->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::SelectedClicked);
    StringGrid3->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid3->setSelectionBehavior(QAbstractItemView::SelectItems);
    for (int col = 0; col < viewer::DetailsGrid::kColumns; ++col)
        StringGrid3->setColumnWidth(col, viewer::kDetailsColumnWidths[static_cast<size_t>(col)]);
    StringGrid3->setRowHeight(0, viewer::kDetailsHeadingRowHeight);
    Render(StringGrid3, viewer::DetailsGridSetUp());
    // A window already shown (a start that waited for a roll-back) has laid the grid out, so
    // no resize is to come that would fit the design widths into it.
    if (isVisible()) fitDetailsColumns();
}

void TForm1::ListBox1Click() { showBook(false); }

void TForm1::N5011Click() { showBook(true); }

void TForm1::showBook(bool quickSearch) {
    const QListWidgetItem* picked = quickSearch ? ListBox1->item(nav_.SearchHitIndex) : ListBox1->currentItem();
    if (!picked) {
        if (!quickSearch) return;
        throw std::out_of_range("List index out of bounds (" + std::to_string(nav_.SearchHitIndex) + ")");
    }
    const std::string book = S(picked->text());

    // Nothing of the book shown before may remain, whatever this one lacks.
    ListBox7->clear();
    Memo2->clear();
    Render(StringGrid3, viewer::DetailsGridSetUp());
    Image1->clear();
    Image1->setScaledContents(false);
    Image1->show();
    Edit1->setText(picked->text());

    const viewer::BookFiles files = bookReader_.Read(place(), book);
    if (files.cover) ShowPicture(Image1, *files.cover);
    Render(StringGrid3, quickSearch ? viewer::QuickSearchGrid(files) : viewer::BookListGrid(files));
    if (files.stories) {
        QStringList stories;
        for (const std::string& line : *files.stories) stories.append(Q(line));
        ListBox7->addItems(stories);
        ListBox7Click();
    }
    if (files.description) {
        Memo2->setPlainText(Q(JoinLines(*files.description)));
        if (!quickSearch) Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    if (!files.cover) ShowPicture(Image1, files.placeholder);
}

void TForm1::StringGrid3DrawCell(QPainter& painter, int col, int row, const QRect& rect) {
    if (!viewer::IsDetailsHeading(col, row)) return;
    const QTableWidgetItem* item = StringGrid3->item(row, col);
    const viewer::Rgb green = viewer::ColourFromValue(32768);
    painter.fillRect(rect, StringGrid3->palette().base());
    painter.setFont(StringGrid3->font());
    painter.setPen(QColor(green.red, green.green, green.blue));
    painter.drawText(rect, Qt::AlignHCenter | Qt::AlignTop, item ? item->text() : QString());
    painter.setPen(Qt::black);
    const int bottom = rect.top() + StringGrid3->rowHeight(row) - 1;
    painter.drawLine(rect.left(), bottom, rect.left() + StringGrid3->columnWidth(col), bottom);
}

void TForm1::StringGrid3DblClick() {
    if (StringGrid3->currentColumn() != 3) return;
    const QTableWidgetItem* title = StringGrid3->item(StringGrid3->currentRow(), 1);
    if (!title) return;
    for (const auto& document : bookReader_.StoryDocuments(config_.ProgramDir, S(title->text())))
        platform::ShellOpen(document, openFailureReporter(document.string()));
}

// A target that does not open is told in a message naming it and why; the answer may come
// after the window has gone.
platform::ShellFailure TForm1::openFailureReporter(const std::string& target) {
    return [window = QPointer<TForm1>(this), target](const std::string& cause) {
        if (window) viewerui::ShowError(window, Q(viewer::OpenFailureMessage(target, cause)));
    };
}

void TForm1::ListBox7Click() {
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(ListBox7->count()));
    for (int i = 0; i < ListBox7->count(); ++i) items.push_back(S(ListBox7->item(i)->text()));
    std::vector<int> rows = bookReader_.ReadMarkRows(place(), items);
    if (rows.empty()) {
        readMarks_->Clear();
        return;
    }
    const viewer::Rgb colour = viewer::ReadMarkColour(config_.ColorIni.get());
    readMarks_->Paint(std::move(rows), QColor(colour.red, colour.green, colour.blue));
}

void TForm1::ListBox7DblClick() {
    const QListWidgetItem* picked = ListBox7->currentItem();
    if (!picked) return;
    if (const auto document = bookReader_.ReadableDocument(place(), S(picked->text())))
        platform::OpenInWordProcessor(*document, openFailureReporter(document->string()));
}

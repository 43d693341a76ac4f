#include "DetailsGrid.h"

namespace viewer {
namespace {

// The labels of column 9, rows 3 to 8.
constexpr const char* kLabels[] = {"Тираж:", "Год издания:", "Количество страниц:", "ISBN из-ва АСТ:",
                                   "ISBN TF:", "Номер выпуска:"};
constexpr int kFirstDataRow = 3;
constexpr size_t kFirstEpisodeLine = 9;

// Story titles with their marks, and the episode lines from line 9 on, one row each from
// row 3, as far as the grid goes.
void PutStories(DetailsGrid& grid, const BookFiles& book) {
    if (!book.stories) return;
    const std::vector<std::string>& lines = *book.stories;
    for (size_t i = 0; i < kStoryLines && i < lines.size(); ++i) {
        const int row = kFirstDataRow + static_cast<int>(i);
        grid.SetCell(1, row, lines[i]);
        grid.SetCell(3, row, book.marks[i]);
    }
    for (size_t i = kFirstEpisodeLine; i < lines.size(); ++i) {
        const size_t row = i - (kFirstEpisodeLine - kFirstDataRow);
        if (row >= static_cast<size_t>(DetailsGrid::kRows)) break;
        grid.SetCell(5, static_cast<int>(row), lines[i]);
    }
}

// Label plus line `line` of the publication data into [9,row], when that line exists.
void PutLabelled(DetailsGrid& grid, const std::vector<std::string>& data, int row, size_t line) {
    if (line < data.size()) grid.SetCell(9, row, std::string(kLabels[row - kFirstDataRow]) + " " + data[line]);
}

}  // namespace

DetailsGrid::DetailsGrid() : cells_(static_cast<size_t>(kColumns * kRows)) {}

const std::string& DetailsGrid::Cell(int col, int row) const {
    static const std::string empty;
    if (col < 0 || col >= kColumns || row < 0 || row >= kRows) return empty;
    return cells_[static_cast<size_t>(row * kColumns + col)];
}

void DetailsGrid::SetCell(int col, int row, std::string text) {
    if (col < 0 || col >= kColumns || row < 0 || row >= kRows) return;
    cells_[static_cast<size_t>(row * kColumns + col)] = std::move(text);
}

bool IsDetailsHeading(int col, int row) {
    return (row == 1 && (col == 1 || col == 5 || col == 7 || col == 9)) || (col == 1 && row == 9);
}

DetailsGrid DetailsGridSetUp() {
    DetailsGrid grid;
    grid.SetCell(1, 1, "Список рассказов");
    grid.SetCell(1, 9, "Переведено с ...");
    grid.SetCell(5, 1, "Соответствие эпизодам");
    grid.SetCell(7, 1, "Автор русской версии");
    grid.SetCell(9, 1, "Дополнительня информация");
    for (int i = 0; i < 6; ++i) grid.SetCell(9, kFirstDataRow + i, kLabels[i]);
    return grid;
}

DetailsGrid BookListGrid(const BookFiles& book) {
    DetailsGrid grid = DetailsGridSetUp();
    PutStories(grid, book);
    if (!book.publication) return grid;
    const std::vector<std::string>& d = *book.publication;
    PutLabelled(grid, d, 3, 0);
    PutLabelled(grid, d, 4, 1);
    PutLabelled(grid, d, 5, 2);
    PutLabelled(grid, d, 6, 4);
    PutLabelled(grid, d, 7, 5);
    PutLabelled(grid, d, 8, 6);
    // Authors of the Russian versions, lines 9 to 15, from row 3.
    for (size_t line = 9; line <= 15 && line < d.size(); ++line)
        grid.SetCell(7, static_cast<int>(line - 6), d[line]);
    // Stories translated from other languages: title and author pairs, lines 19 to 26.
    for (int pair = 0; pair < 4; ++pair) {
        const size_t title = 19 + 2 * static_cast<size_t>(pair);
        if (title + 1 < d.size()) grid.SetCell(1, 11 + pair, d[title] + " by " + d[title + 1]);
    }
    return grid;
}

DetailsGrid QuickSearchGrid(const BookFiles& book) {
    DetailsGrid grid = DetailsGridSetUp();
    PutStories(grid, book);
    if (!book.publication) return grid;
    const std::vector<std::string>& d = *book.publication;
    PutLabelled(grid, d, 3, 0);
    PutLabelled(grid, d, 4, 1);
    PutLabelled(grid, d, 5, 2);
    if (d.size() > 3) grid.SetCell(7, 3, d[3]);
    PutLabelled(grid, d, 6, 4);
    PutLabelled(grid, d, 7, 5);
    return grid;
}

}  // namespace viewer

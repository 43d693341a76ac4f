#include "PageCells.h"

#include <algorithm>

namespace viewer {

namespace {
const CellCommand kNoCommand;
const std::string kEmpty;
}  // namespace

const CellCommand& CellCommandTable::At(int col, int row) const {
    if (!Inside(col, row)) return kNoCommand;
    const auto found = cells_.find(col * (kMaxPageDataCells + 1) + row);
    return found == cells_.end() ? kNoCommand : found->second;
}

void CellCommandTable::Set(int col, int row, CellCommand command) {
    if (!Inside(col, row)) return;
    if (command.Command.empty() && command.Argument.empty()) return Clear(col, row);
    cells_[col * (kMaxPageDataCells + 1) + row] = std::move(command);
}

void CellCommandTable::Clear(int col, int row) {
    if (Inside(col, row)) cells_.erase(col * (kMaxPageDataCells + 1) + row);
}

void TextGrid::Resize(int cols, int rows) {
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    if (cols == cols_ && rows == rows_) return;
    std::vector<std::string> cells(static_cast<size_t>(cols) * static_cast<size_t>(rows));
    for (int c = 0; c < std::min(cols, cols_); ++c)
        for (int r = 0; r < std::min(rows, rows_); ++r)
            cells[static_cast<size_t>(c) * rows + r] = std::move(cells_[static_cast<size_t>(c) * rows_ + r]);
    cells_ = std::move(cells);
    cols_ = cols;
    rows_ = rows;
}

const std::string& TextGrid::Cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return kEmpty;
    return cells_[static_cast<size_t>(col) * rows_ + row];
}

void TextGrid::SetCell(int col, int row, std::string text) {
    if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return;
    cells_[static_cast<size_t>(col) * rows_ + row] = std::move(text);
}

void MemoryPage::SetColCount(int count) {
    count = std::max(count, 1);
    texts.Resize(count, texts.RowCount());
    attributes.Resize(count, attributes.RowCount());
    colWidths.resize(static_cast<size_t>(count), kDefaultColWidth);
}

void MemoryPage::SetRowCount(int count) {
    count = std::max(count, 1);
    texts.Resize(texts.ColCount(), count);
    attributes.Resize(attributes.ColCount(), count);
    rowHeights.resize(static_cast<size_t>(count), kDefaultRowHeight);
}

void MemoryPage::SetColWidth(int col, int pixels) {
    if (col >= 0 && col < ColCount()) colWidths[static_cast<size_t>(col)] = pixels;
}

void MemoryPage::SetRowHeight(int row, int pixels) {
    if (row >= 0 && row < RowCount()) rowHeights[static_cast<size_t>(row)] = pixels;
}

}  // namespace viewer

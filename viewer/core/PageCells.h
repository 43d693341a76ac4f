// What the page viewer works on without a window: the page grid as an abstract view (texts,
// attribute strings, counts, sizes, grid lines), the table of cell commands beside it, and a
// plain in-memory page for tests and benchmarks.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace viewer {

// CellCommands has room for this many data columns and data rows; a page counts its header
// column and row as well, so its stated counts are at most one more.
inline constexpr int kMaxPageDataCells = 500;
inline constexpr int kMaxPageCount = kMaxPageDataCells + 1;

struct GridLines {
    bool vertical = true;
    bool horizontal = true;
    bool operator==(const GridLines&) const = default;
};

// The page grid and its hidden attribute grid, which always have the same counts. Column and
// row 0 are the header; data cells are 1 .. count - 1. Cells outside the grid read empty.
class PageCells {
public:
    virtual ~PageCells() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    virtual void SetColCount(int count) = 0;  // both grids; a count below 1 is taken as 1
    virtual void SetRowCount(int count) = 0;
    virtual std::string Text(int col, int row) const = 0;
    virtual void SetText(int col, int row, const std::string& text) = 0;
    virtual std::string Attributes(int col, int row) const = 0;
    virtual void SetAttributes(int col, int row, const std::string& attributes) = 0;
    virtual void SetGridLines(GridLines lines) = 0;
    virtual void SetColWidth(int col, int pixels) = 0;
    virtual void SetRowHeight(int row, int pixels) = 0;

    bool IsDataCell(int col, int row) const { return col >= 1 && row >= 1 && col < ColCount() && row < RowCount(); }
};

// A command keyword of a cell and its argument.
struct CellCommand {
    std::string Command;
    std::string Argument;
    bool operator==(const CellCommand&) const = default;
};

// CellCommands: one record per data cell, columns and rows 1 .. kMaxPageDataCells. Most cells
// of a page have no command, so only the ones that do take memory.
class CellCommandTable {
public:
    const CellCommand& At(int col, int row) const;  // an empty record outside the table too
    void Set(int col, int row, CellCommand command);  // ignored outside the table
    void Clear(int col, int row);

private:
    static bool Inside(int col, int row) {
        return col >= 1 && row >= 1 && col <= kMaxPageDataCells && row <= kMaxPageDataCells;
    }
    std::unordered_map<int, CellCommand> cells_;
};

// A grid of strings that keeps what fits when it is resized, as the window's grids do.
class TextGrid {
public:
    int ColCount() const { return cols_; }
    int RowCount() const { return rows_; }
    void Resize(int cols, int rows);
    const std::string& Cell(int col, int row) const;  // empty outside
    void SetCell(int col, int row, std::string text);  // ignored outside

private:
    int cols_ = 1, rows_ = 1;
    std::vector<std::string> cells_ = std::vector<std::string>(1);  // column-major
};

// A whole page in memory.
class MemoryPage : public PageCells {
public:
    int ColCount() const override { return texts.ColCount(); }
    int RowCount() const override { return texts.RowCount(); }
    void SetColCount(int count) override;
    void SetRowCount(int count) override;
    std::string Text(int col, int row) const override { return texts.Cell(col, row); }
    void SetText(int col, int row, const std::string& text) override { texts.SetCell(col, row, text); }
    std::string Attributes(int col, int row) const override { return attributes.Cell(col, row); }
    void SetAttributes(int col, int row, const std::string& a) override { attributes.SetCell(col, row, a); }
    void SetGridLines(GridLines l) override { lines = l; }
    void SetColWidth(int col, int pixels) override;
    void SetRowHeight(int row, int pixels) override;

    TextGrid texts, attributes;
    GridLines lines;
    std::vector<int> colWidths = std::vector<int>(1, kDefaultColWidth);  // by column, header included
    std::vector<int> rowHeights = std::vector<int>(1, kDefaultRowHeight);
    static constexpr int kDefaultColWidth = 64;
    static constexpr int kDefaultRowHeight = 24;
};

}  // namespace viewer

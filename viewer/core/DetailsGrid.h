// The details grid of a book, as text per cell: 10 columns by 30 rows. Column 1 holds the
// story titles (rows 3-8) and the translated stories (rows 11-14), column 3 the format mark
// of the story in its row, column 5 the episode correspondence, column 7 the authors of the
// Russian versions and column 9 the publication data, label and value. Row 1 and cell [1,9]
// are headings.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "BookReader.h"

namespace viewer {

class DetailsGrid {
public:
    static constexpr int kColumns = 10;
    static constexpr int kRows = 30;

    DetailsGrid();
    // "" outside the grid.
    const std::string& Cell(int col, int row) const;
    // Writes outside the grid are dropped: a long stories file never reaches past row 29.
    void SetCell(int col, int row, std::string text);

    bool operator==(const DetailsGrid&) const = default;

private:
    std::vector<std::string> cells_;
};

inline constexpr std::array<int, DetailsGrid::kColumns> kDetailsColumnWidths = {10,  240, 15,  25, 15,
                                                                                  270, 15,  150, 15, 200};
inline constexpr int kDetailsHeadingRowHeight = 10;  // row 0, a spacer above the headings

// The cells drawn as headings: [1,1], [5,1], [7,1], [9,1] and [1,9].
bool IsDetailsHeading(int col, int row);

// The grid as its set-up leaves it: headings and the bare labels of column 9.
DetailsGrid DetailsGridSetUp();

// The grid for a book picked in the book list. It starts from the set-up state, so nothing
// of the book shown before remains.
DetailsGrid BookListGrid(const BookFiles& book);

// The grid for the hit of the quick search: the same stories and episodes, and only the
// publication data of rows 3 to 7 (with line 3 of the data beside them in column 7).
DetailsGrid QuickSearchGrid(const BookFiles& book);

}  // namespace viewer

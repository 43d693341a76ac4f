#include "TexxLoader.h"

#include <algorithm>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace viewer {

std::optional<int32_t> ParseInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<GridLines> GridModeLines(std::string_view word) {
    if (word == "ongrid") return GridLines{true, true};
    if (word == "offgrid") return GridLines{false, false};
    if (word == "vertlines") return GridLines{true, false};
    if (word == "horzlines") return GridLines{false, true};
    return std::nullopt;
}

namespace {

// The file's lines in reading order, taken from its bytes one at a time and converted only
// then, so a page of a quarter million cells never holds them all as strings at once; reading
// past the end gives empty lines, as a text file read line by line does. A line ends at CR,
// LF or CR LF.
class LineReader {
public:
    LineReader(std::string bytes, std::string file) : bytes_(std::move(bytes)), file_(std::move(file)) {}
    std::string Next() {
        ++read_;
        if (at_ >= bytes_.size()) return {};
        const size_t end = std::min(bytes_.find_first_of("\r\n", at_), bytes_.size());
        const std::string_view line = std::string_view(bytes_).substr(at_, end - at_);
        at_ = end + 1;
        if (end + 1 < bytes_.size() && bytes_[end] == '\r' && bytes_[end + 1] == '\n') ++at_;
        return platform::BytesToUtf8(line);
    }
    size_t LineNumber() const { return read_; }  // of the line read last, from 1
    const std::string& File() const { return file_; }

private:
    std::string bytes_;
    std::string file_;
    size_t at_ = 0;
    size_t read_ = 0;
};

[[noreturn]] void Fail(const LineReader& in, const std::string& what) {
    throw PageError("Page \"" + in.File() + "\", line " + std::to_string(in.LineNumber()) + ": " + what);
}

// A count line: the first word must be an integer; the rest of the line is skipped.
int ReadCount(LineReader& in) {
    const std::string line = in.Next();
    const size_t start = line.find_first_not_of(" \t");
    const std::string word =
        start == std::string::npos ? std::string() : line.substr(start, line.find_first_of(" \t", start) - start);
    const std::optional<int32_t> value = ParseInteger(word);
    if (!value) Fail(in, "invalid numeric input \"" + line + "\"");
    return *value;
}

void CheckCount(const LineReader& in, int count, const char* what, size_t line) {
    if (count >= 1 && count <= kMaxPageCount) return;
    throw PageError("Page \"" + in.File() + "\", line " + std::to_string(line) + ": " + std::to_string(count) + " " +
                    what + " (header included) is outside 1 to " + std::to_string(kMaxPageCount) +
                    "; the page is not shown");
}

int ReadSize(LineReader& in) {
    const std::string line = in.Next();
    const std::optional<int32_t> value = ParseInteger(line);
    if (!value) Fail(in, "'" + line + "' is not a valid integer value");
    return *value;
}

}  // namespace

void LoadTexxPage(const std::string& texxFile, PageCells& page, CellCommandTable& commands) {
    const std::filesystem::path path = platform::ResolvePath(texxFile);
    // The whole file is read at once, so it is closed before anything can fail.
    LineReader in(platform::ReadFileBytes(path), platform::PathText(path));

    const int cols = ReadCount(in);
    const int rows = ReadCount(in);
    CheckCount(in, cols, "columns", 1);
    CheckCount(in, rows, "rows", 2);
    page.SetColCount(cols);
    page.SetRowCount(rows);

    if (const std::optional<GridLines> lines = GridModeLines(in.Next())) page.SetGridLines(*lines);

    const int lastCol = page.ColCount() - 1, lastRow = page.RowCount() - 1;
    for (int c = 1; c <= lastCol; ++c)
        for (int r = 1; r <= lastRow; ++r) page.SetText(c, r, in.Next());
    for (int c = 1; c <= lastCol; ++c)
        for (int r = 1; r <= lastRow; ++r) {
            page.SetAttributes(c, r, in.Next());
            commands.Clear(c, r);
        }
    for (int c = 1; c <= lastCol; ++c) page.SetColWidth(c, ReadSize(in));
    for (int r = 1; r <= lastRow; ++r) page.SetRowHeight(r, ReadSize(in));
    // The trailer (five lines, then two) carries nothing the viewer uses.

    for (int c = 1; c <= lastCol; ++c) page.SetText(c, 0, std::to_string(c));
    for (int r = 1; r <= lastRow; ++r) page.SetText(0, r, std::to_string(r));
}

}  // namespace viewer

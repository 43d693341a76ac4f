#include "PageCellDrawing.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "CellCommands.h"
#include "platform/Unicode.h"

namespace viewer {
namespace {

template <typename V>
struct Entry {
    std::string_view code;
    V value;
};

template <typename V, size_t N>
std::optional<V> Find(const std::array<Entry<V>, N>& table, std::string_view code) {
    for (const Entry<V>& e : table)
        if (e.code == code) return e.value;
    return std::nullopt;
}

// "AC" to "AO" name the same colours for text and background; only "AA" and "AB" differ.
constexpr std::array<Entry<Rgb>, 13> kSharedColours{{
    {"AC", {255, 0, 0}},     {"AD", {0, 128, 0}},   {"AE", {0, 255, 0}},     {"AF", {0, 0, 255}},
    {"AG", {128, 0, 0}},     {"AH", {128, 128, 0}}, {"AI", {0, 0, 128}},     {"AJ", {128, 0, 128}},
    {"AK", {0, 128, 128}},   {"AL", {128, 128, 128}}, {"AM", {192, 192, 192}}, {"AN", {255, 255, 0}},
    {"AO", {255, 0, 255}},
}};

constexpr std::array<Entry<unsigned>, 12> kAddedStyles{{
    {"AA", kBold},
    {"AC", kItalic},
    {"AD", kUnderline},
    {"AE", kStrikeOut},
    {"AF", kBold | kItalic},
    {"AG", kBold | kUnderline},
    {"AH", kBold | kStrikeOut},
    {"AI", kItalic | kUnderline},
    {"AJ", kItalic | kStrikeOut},
    {"AK", kUnderline | kStrikeOut},
    {"AL", kBold | kItalic | kUnderline},
    {"AM", kBold | kItalic | kStrikeOut},
}};

// The names go to the font as the pages write them; the font system finds the nearest face.
constexpr std::array<Entry<std::string_view>, 5> kFontNames{{
    {"AA", "Arial"}, {"AB", "MS Sans Serief"}, {"AC", "B52"}, {"AD", "Times New Roman"}, {"AE", "Courier"},
}};

// "AI" has no size and "AT" follows "AW": the pages were written against this table.
constexpr std::array<Entry<int>, 23> kFontPoints{{
    {"AA", 3},  {"AB", 4},  {"AC", 6},  {"AD", 8},  {"AE", 10}, {"AF", 12}, {"AG", 14}, {"AH", 16},
    {"AJ", 18}, {"AK", 20}, {"AL", 22}, {"AM", 24}, {"AN", 26}, {"AO", 28}, {"AP", 30}, {"AQ", 32},
    {"AR", 34}, {"AS", 36}, {"AU", 38}, {"AV", 40}, {"AW", 42}, {"AT", 44}, {"AX", 46},
}};

constexpr std::array<Entry<TextAlign>, 3> kAlignments{{
    {"AA", TextAlign::Left}, {"AB", TextAlign::Centre}, {"AC", TextAlign::Right},
}};

// A pen line, horizontal or vertical. The 1-pixel pen leaves out its end point, as the
// platform's line drawing does, so a closed outline meets itself exactly; the 2-pixel pen
// grows up or left of the line and covers both ends, which closes its corners.
PixelRect Line(int x1, int y1, int x2, int y2, int width) {
    if (y1 == y2) {
        if (width == 2) return {std::min(x1, x2), y1 - 1, std::abs(x2 - x1) + 1, 2};
        const int from = x1 <= x2 ? x1 : x2 + 1;
        return {from, y1, std::abs(x2 - x1), 1};
    }
    if (width == 2) return {x1 - 1, std::min(y1, y2), 2, std::abs(y2 - y1) + 1};
    const int from = y1 <= y2 ? y1 : y2 + 1;
    return {x1, from, 1, std::abs(y2 - y1)};
}

// The pair at `pos` as ASCII; a character outside ASCII matches no code.
std::string CodeAt(const std::u32string& a, size_t pos) {
    std::string code;
    for (size_t i = pos; i < a.size() && i < pos + 2; ++i) code += a[i] < 0x80 ? static_cast<char>(a[i]) : '\x01';
    return code;
}

}  // namespace

std::optional<Rgb> FontColourCode(std::string_view code) {
    if (code == "AA") return Rgb{0, 0, 0};
    if (code == "AB") return Rgb{255, 255, 255};
    return Find(kSharedColours, code);
}

std::optional<Rgb> BackgroundColourCode(std::string_view code) {
    if (code == "AA") return Rgb{255, 255, 255};
    if (code == "AB") return Rgb{0, 0, 0};
    return Find(kSharedColours, code);
}

std::optional<FontStyleChange> FontStyleCode(std::string_view code) {
    if (code == "AB") return FontStyleChange{true, 0};
    if (const auto styles = Find(kAddedStyles, code)) return FontStyleChange{false, *styles};
    return std::nullopt;
}

std::optional<std::string> FontNameCode(std::string_view code) {
    if (const auto name = Find(kFontNames, code)) return std::string(*name);
    return std::nullopt;
}

std::optional<int> FontSizeCode(std::string_view code) { return Find(kFontPoints, code); }

std::optional<TextAlign> AlignmentCode(std::string_view code) { return Find(kAlignments, code); }

std::optional<std::vector<PixelRect>> BorderCode(std::string_view code, const CellBox& b) {
    const int L = b.left, T = b.top, R = b.left + b.width, B = b.top + b.height;
    const auto top1 = Line(L, T, R, T, 1), bottom1 = Line(L, B, R, B, 1);
    const auto top2 = Line(L, T + 1, R, T + 1, 2), bottom2 = Line(L, B, R, B, 2);
    if (code == "AB") return std::vector{bottom1};
    if (code == "AG") return std::vector{bottom2};
    if (code == "AC") return std::vector{top1};
    if (code == "AH") return std::vector{top2};
    if (code == "AD") return std::vector{Line(L, T, L, B, 1)};
    if (code == "AI") return std::vector{Line(L + 1, T, L + 1, B, 2)};
    if (code == "AE") return std::vector{Line(R, T, R, B, 1)};
    if (code == "AJ") return std::vector{Line(R, T, R, B, 2)};
    if (code == "AF") return std::vector{top1, Line(R, T, R, B, 1), Line(R, B, L, B, 1), Line(L, B, L, T, 1)};
    if (code == "AK")
        return std::vector{Line(L, T + 1, R, T + 1, 2), Line(R, T + 1, R, B, 2), Line(R, B, L + 1, B, 2),
                           Line(L + 1, B, L + 1, T, 2)};
    if (code == "AL") return std::vector{Line(L, T, L, B, 1), top1, bottom1};
    if (code == "AM") return std::vector{Line(R, T, R, B, 1), top1, bottom1};
    if (code == "AN") return std::vector{top1, bottom1};
    if (code == "AO") return std::vector{Line(L + 1, T, L + 1, B, 2), top2, bottom2};
    if (code == "AP") return std::vector{Line(R, T, R, B, 2), top2, bottom2};
    if (code == "AQ") return std::vector{top2, bottom2};
    return std::nullopt;
}

CellDrawing PlanCellDrawing(std::string_view attributes, const CellCommand& command, const CellBox& box) {
    CellDrawing plan;
    // Steps are built in place: a variant copied from a temporary trips a false
    // "maybe uninitialized" warning in the compiler of the build machines.
    if (command.Command == kDrawImageCommand && !command.Argument.empty()) plan.picture = command.Argument;
    const std::u32string a = platform::Utf8ToUtf32(attributes);
    if (a.size() < 7) plan.ops.emplace_back(std::in_place_type<DrawCellText>);
    // A cell whose attribute string is only a command gets no formatting.
    if (a.empty() || a.front() == U'!') return plan;

    // Each of the first five codes is followed by the text drawn again, matched or not; a
    // code is looked at once the string reaches its place.
    const auto drawText = [&] { plan.ops.emplace_back(std::in_place_type<DrawCellText>); };
    if (const auto c = FontColourCode(CodeAt(a, 0))) plan.ops.emplace_back(std::in_place_type<SetFontColour>, *c);
    drawText();
    if (a.size() >= 2) {
        if (const auto c = BackgroundColourCode(CodeAt(a, 2)))
            plan.ops.emplace_back(std::in_place_type<SetBrushColour>, *c);
        drawText();
    }
    if (a.size() >= 4) {
        if (const auto style = FontStyleCode(CodeAt(a, 4))) {
            if (style->clear) plan.ops.emplace_back(std::in_place_type<ClearFontStyles>);
            else plan.ops.emplace_back(std::in_place_type<AddFontStyles>, style->add);
        }
        drawText();
    }
    if (a.size() >= 6) {
        if (const auto name = FontNameCode(CodeAt(a, 6)))
            plan.ops.emplace_back(std::in_place_type<SetFontName>, *name);
        drawText();
    }
    if (a.size() >= 8) {
        if (const auto points = FontSizeCode(CodeAt(a, 8)))
            plan.ops.emplace_back(std::in_place_type<SetFontPoints>, *points);
        drawText();
    }
    if (a.size() >= 10)
        if (const auto align = AlignmentCode(CodeAt(a, 10)))
            plan.ops.emplace_back(std::in_place_type<DrawAlignedText>, *align);
    if (a.size() >= 12)
        if (auto pixels = BorderCode(CodeAt(a, 12), box))
            plan.ops.emplace_back(std::in_place_type<DrawBorder>, std::move(*pixels));
    return plan;
}

}  // namespace viewer

#include "WindowLayout.h"

#include <algorithm>
#include <numeric>

namespace viewer {

Size BoundWindowSize(Size stored, Size screen) {
    const auto bound = [](int value, int least, int most) {
        const int atLeast = std::max(value, least);
        return most > 0 ? std::min(atLeast, most) : atLeast;  // no screen known: no upper bound
    };
    return {bound(stored.width, kMinimumWindow.width, screen.width),
            bound(stored.height, kMinimumWindow.height, screen.height)};
}

WindowFrame FitCornerResize(Point at, Size asked, Box free) {
    WindowFrame f{at, BoundWindowSize(asked, {free.width, free.height})};
    if (free.width <= 0 || free.height <= 0) return f;
    const Size least = BoundWindowSize({0, 0}, {free.width, free.height});
    // One axis: the size stops at the area's far edge, but not below the least size, which
    // moves the window in instead.
    const auto fit = [](int& pos, int& length, int least, int from, int extent) {
        length = std::max(std::min(length, from + extent - pos), least);
        if (pos + length > from + extent) pos = from + extent - length;
    };
    fit(f.at.x, f.size.width, least.width, free.left, free.width);
    fit(f.at.y, f.size.height, least.height, free.top, free.height);
    return f;
}

WindowLayout LayOutWindow(Size window, const SkinCoordinates& at, const MenuLabels& labels) {
    const int wh = window.height, ww = window.width;
    const auto atLeast0 = [](int v) { return std::max(v, 0); };
    WindowLayout l;
    l.menuTop = at.menuTop;
    l.label12Top = wh - 8 - labels.options.height;
    l.label12Left = 10;

    // From the right edge, 15 px apart; hidden labels take no room.
    int edge = ww - 10 + 15;
    const auto nextLeft = [&](Size label, bool shown) {
        const int left = edge - 15 - label.width;
        if (shown) edge = left;
        return left;
    };
    l.label3Left = nextLeft(labels.about, labels.aboutShown);
    l.label4Left = nextLeft(labels.help, labels.helpShown);
    l.label2Left = nextLeft(labels.options, true);

    l.edit3 = {at.firstCompLeft, at.firstCompTop, kLeftColumnWidth, kEdit3Height};
    l.listBox8 = {l.edit3.left, l.edit3.bottom() + 10, kLeftColumnWidth, kListBox8Height};
    l.listBox2 = {l.edit3.left, l.listBox8.bottom() + 5, kLeftColumnWidth, kListBox2Height};
    l.listBox9 = {l.edit3.left, l.listBox2.bottom() + 5, kLeftColumnWidth, kListBox9Height};
    l.listBox1 = {l.edit3.left, l.listBox9.bottom() + 5, kLeftColumnWidth, 0};
    l.listBox1.height = atLeast0(wh - l.listBox1.top - 33);

    const int x2 = l.listBox2.right() + 10;
    l.listBox7 = {x2, l.edit3.top, kLeftColumnWidth, kListBox7Height};
    l.stringGrid3 = {x2, l.edit3.top, atLeast0(ww - x2 - l.edit3.left), kDetailsGridHeight};
    l.listBox4 = {x2, l.edit3.top, l.stringGrid3.width, atLeast0(wh - l.edit3.top - 30)};
    l.stringGrid1 = {x2, l.edit3.top, l.listBox4.width, atLeast0(wh - l.edit3.top - 30)};
    return l;
}

ChromePlacement PlaceOnChrome(const ChromePlacementInput& in) {
    const int ww = in.window.width, wh = in.window.height;
    const auto atLeast0 = [](int v) { return std::max(v, 0); };
    ChromePlacement p;
    p.grip = {ww - in.grip.width, wh - in.grip.height};
    p.zoomOut = {in.stringGrid3.left, in.stringGrid3.bottom() + 5};
    p.zoomIn = {in.stringGrid3.left + in.zoomOutButton.width + 5, p.zoomOut.y};

    p.scrollBox1.left = in.listBox2.right() + 10;
    p.scrollBox1.top = p.zoomOut.y + in.zoomOutButton.height + 5;
    p.scrollBox1.width = kScrollBox1Width;
    p.scrollBox1.height = atLeast0(wh - p.scrollBox1.top - 30);

    p.memo2.top = in.stringGrid3.bottom() + 10;
    p.memo2.left = p.scrollBox1.right() + 10;
    p.memo2.width = atLeast0(ww - p.memo2.left - in.edit3Left);
    p.memo2.height = atLeast0(wh - 30 - p.memo2.top);

    return p;
}

NoticePlaces PlaceNotices(const NoticeInput& in) {
    NoticePlaces p;
    const int top = in.window.height - 25;
    p.baseNotice = {in.baseLeft, top};
    p.programNotice = {in.window.width - in.programNotice.width - 25, top};
    if (in.bothShown && p.programNotice.x < p.baseNotice.x + in.baseNotice.width + 15)
        p.programNotice = {std::max(in.leftMargin, in.menuLeft - 25 - in.programNotice.width), in.menuTop};
    return p;
}

std::vector<int> FitColumnWidths(std::span<const int> design, std::span<const int> minimum, int available) {
    std::vector<int> widths(design.begin(), design.end());
    const int total = std::accumulate(widths.begin(), widths.end(), 0);
    if (total <= available) return widths;
    std::vector<int> spare(widths.size());
    for (size_t i = 0; i < widths.size(); ++i)
        spare[i] = std::max(0, widths[i] - (i < minimum.size() ? minimum[i] : widths[i]));
    const int totalSpare = std::accumulate(spare.begin(), spare.end(), 0);
    if (totalSpare == 0) return widths;
    const int excess = std::min(total - available, totalSpare);
    // Shares are rounded down; the pixels that leaves go one by one to the columns with the
    // most spare left, so the columns fill the grid exactly.
    int given = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        const int share = static_cast<int>(static_cast<long long>(excess) * spare[i] / totalSpare);
        widths[i] -= share;
        spare[i] -= share;
        given += share;
    }
    while (given < excess) {
        const auto most = std::max_element(spare.begin(), spare.end());
        if (*most == 0) break;
        const size_t i = static_cast<size_t>(most - spare.begin());
        --widths[i];
        --*most;
        ++given;
    }
    return widths;
}

}  // namespace viewer

// Geometry of the skinned window: the chain of controls from the skin's two starting points,
// the places the chrome painting gives the cover box, the text box, the grip and the notices,
// the window size the layout allows, and the details grid's columns fitted to the grid.
#pragma once

#include <span>
#include <vector>

#include "SkinFiles.h"

namespace viewer {

struct Box {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const Box&) const = default;
};

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// Design sizes of the window's form that the chain keeps.
inline constexpr int kEdit3Height = 21;
inline constexpr int kListBox8Height = 33;
inline constexpr int kLeftColumnWidth = 189;  // ListBox2, and the lists below it
inline constexpr int kListBox2Height = 71;
inline constexpr int kListBox9Height = 72;
inline constexpr int kListBox7Height = 85;
inline constexpr int kScrollBox1Width = 257;
inline constexpr int kDetailsGridHeight = 230;

// The smallest window the layout lays out: below it the details grid's columns and the cover
// box no longer hold their texts and pictures. A screen smaller than this bounds it instead.
inline constexpr Size kMinimumWindow{960, 640};

// The window size for the stored one: at least the minimum, at most the screen's free area.
Size BoundWindowSize(Size stored, Size screen);

// A window's frame on the screen: its top-left corner and its size.
struct WindowFrame {
    Point at;
    Size size;
    bool operator==(const WindowFrame&) const = default;
};

// The window at `at` resized to `asked` by its bottom-right corner, within the free area of
// the screen it is on (screen coordinates): its size as BoundWindowSize allows, and its right
// and bottom edges inside the area, so the size stops there. The window keeps its place
// unless even the smallest size would reach beyond the area; it then moves in as far as that
// needs. An empty area bounds the size only from below.
WindowFrame FitCornerResize(Point at, Size asked, Box free);

// The menu labels as they stand: their widths, and which of them are shown. A label that is
// not shown takes no room in the row, so the shown ones close up to the right edge.
struct MenuLabels {
    Size options, about, help;  // Label2, Label3, Label4
    bool aboutShown = true, helpShown = true;
};

struct WindowLayout {
    Box edit3, listBox8, listBox2, listBox9, listBox1, listBox7, listBox4, stringGrid3;
    Box stringGrid1;  // within Panel1
    int menuTop = 0;
    int label2Left = 0, label3Left = 0, label4Left = 0;
    int label12Left = 0, label12Top = 0;
};

// The chain for a window of `window` size. Heights the window leaves no room for are 0.
WindowLayout LayOutWindow(Size window, const SkinCoordinates& at, const MenuLabels& labels);

// What the chrome painting places relative to the chrome.
struct ChromePlacementInput {
    Size window;
    Box stringGrid3;
    Box listBox2;
    int edit3Left = 0;
    Size zoomOutButton;  // tb_minus
    Size grip;           // ImagePlus3
};

struct ChromePlacement {
    Point grip;
    Point zoomOut, zoomIn;
    Box scrollBox1, memo2;
};

ChromePlacement PlaceOnChrome(const ChromePlacementInput& in);

// The two update notices on the status line: the data-update notice from `baseLeft` (after
// the status text), the program notice at the right. When both are shown and would overlap
// there, the program notice stands in the menu row left of the menu labels instead.
struct NoticeInput {
    Size window;
    int baseLeft = 0;
    Size baseNotice, programNotice;  // Label6, Label10
    bool bothShown = false;
    int menuTop = 0, menuLeft = 0;  // the menu row and its leftmost label
    int leftMargin = 0;             // Edit3.Left
};

struct NoticePlaces {
    Point baseNotice, programNotice;
};

NoticePlaces PlaceNotices(const NoticeInput& in);

// Column widths for a grid whose cells have `available` pixels: the design widths when they
// fit; otherwise each column gives up width in proportion to what it has above its minimum,
// until the columns fit or every one is at its minimum.
std::vector<int> FitColumnWidths(std::span<const int> design, std::span<const int> minimum, int available);

}  // namespace viewer

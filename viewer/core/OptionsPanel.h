// The options and help panel without a window: which page the two toggles open or close, the
// panel's place, the geometry of the options page painted on its picture (frames, the menu
// with its two entries, the content area, the title and the cancel button), where the
// controls of each sub-page go, and the pointer on the picture: the menu, the drag by the
// title line (a state of its own, apart from the resize grip's) and the cancel button.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "MarkColour.h"
#include "WindowLayout.h"

namespace viewer {

inline constexpr Rgb kOptionsPanelColour{240, 240, 250};
inline constexpr const char* kOptionsTitle = "Options";
inline constexpr const char* kHelpTitle = "Help";
inline constexpr const char* kOptionsSkinsPage = "skins";

// What a toggle of one page ("options" or "help") does, given the page the panel shows.
enum class Toggle { Open, Close, Nothing };
Toggle TogglePage(bool panelShown, std::string_view shownPage, std::string_view page);

// The panel over the book area: from the quick-search box's corner, 20 px narrower than the
// window, down to 50 px above the text box's bottom, counted from the details grid's top.
Box OptionsPanelPlace(Point edit3, int windowWidth, int memo2Bottom, int stringGrid3Top);

// A rectangle as left, top, right, bottom, the right and bottom edges exclusive.
constexpr Box Edges(int left, int top, int right, int bottom) { return {left, top, right - left, bottom - top}; }

struct OptionsPageGeometry {
    Box menuFrame, contentFrame;
    Box skinsEntry, updateEntry;  // the entries' highlights
    Box menuBelow;                // the menu column's room below the entries
    Point skinsCaption, updateCaption;  // x, and the line the caption is centred on
    Point title;                        // x, and the line the title is centred on
    Point cancelButton;
};
OptionsPageGeometry LayOutOptionsPage(Size image, int titleLineHeight, Size cancelButton);

enum class OptionsEntry { None, Skins, Update };
OptionsEntry EntryAt(int x, int y);
// The top-right corner, where a press neither starts nor continues a drag.
bool InDragCorner(Size image, int x, int y);
// The title line, but for that corner: a left press there starts a drag.
bool InDragStrip(Size image, int titleLineHeight, int x, int y);

// The update options one under the other at the content area's left, the log below them.
struct UpdateOptionPlaces {
    Point checkBox1, checkBox2, label16, label17;
    Box listBox11;
};
UpdateOptionPlaces PlaceUpdateOptions(int checkBox1Height, int checkBox2Height, int label16Height);
// The "Select skin:" group in the content area.
Box PlaceSkinGroup(Size image);

// The pointer on the options page's picture.
class OptionsPanelMouse {
public:
    struct Input {
        Size image;
        int titleLineHeight = 0;
        Size cancelButton;
        bool pageShown = false;  // the options or the help page is on the panel
        bool ownCloseButton = false;  // the page draws its own close button (no chrome carries one)
    };
    struct Outcome {
        bool dragBegins = false;             // the frame and contents are painted afresh
        std::optional<std::string> subPage;  // a menu entry was chosen
        std::optional<Point> moveBy;         // the panel follows the pointer
        bool dragEnded = false;              // shown again at its new place, on the "Skins" page
        bool close = false;                  // the panel's cancel button was released
    };
    Outcome Press(bool leftButton, int x, int y, const Input& in);
    Outcome Move(int x, int y, const Input& in) const;
    // Every release ends a drag, wherever it happens.
    Outcome Release(int x, int y, const Input& in);
    bool Dragging() const { return dragging_; }

private:
    bool dragging_ = false;
    Point grab_;
};

}  // namespace viewer

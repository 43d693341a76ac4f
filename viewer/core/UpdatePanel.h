// The update panel without a window: its place in the window and the places of its controls,
// its two bitmap buttons with their images and hit rules, and the offer it shows (the
// what's-new text a notice asked for, which the accept button installs once it has arrived).
// The window paints the images this names and carries out what a release asks for.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "WindowLayout.h"

namespace viewer {

inline constexpr Size kUpdatePanelSize{500, 400};
inline constexpr int32_t kUpdatePanelColour = 0xFAF0F0;      // the panel, as the gauge's ground
inline constexpr int32_t kUpdatePanelTextColour = 0x974345;  // its texts, as the gauge's bar
inline constexpr const char* kUpdatePanelTitle = "Update base";
inline constexpr const char* kUpdatePanelQuestion = "Update base is available now. Update?";
inline constexpr const char* kUpdatePanelWhatsNew = "What is new:";
inline constexpr const char* kStatusDesign = "Status: ";
inline constexpr const char* kLogLoadingData = "Loading data...";

// The panel centred in the window (halves truncated toward zero).
Box UpdatePanelPlace(Size window);

// The what's-new list, the status line and the gauge, one under the other. The status line has
// room for two lines of `lineHeight` (a stop's cause goes on the second); the list gives up
// that second line, so the gauge stays 10 px under the first.
struct UpdatePanelControls {
    Box listBox10;
    Box label15;
    Box gauge2;
};
UpdatePanelControls PlaceUpdatePanelControls(Size panel, int lineHeight);

// The two texts a notice offers, each for its own kind of update.
enum class WhatsNew { Data, Program };
const char* WhatsNewFile(WhatsNew text);
std::optional<WhatsNew> WhatsNewOf(std::string_view selector);

// Texts for a what's-new text that did not arrive.
struct WhatsNewTexts {
    std::string status;
    std::string log;  // after the log's time stamp
};
// `reason`: the failure in full, for the log; `cause`: in a few words, for the status line.
WhatsNewTexts WhatsNewFailed(WhatsNew text, std::string_view reason, std::string_view cause);
WhatsNewTexts WhatsNewNotStarted(WhatsNew text);
WhatsNewTexts AcceptRefused();  // another download still runs

// The sizes of the button images (b_update, b_update_f, b_cansel); images of one button share
// one size, so each button is measured by the image it shows.
struct UpdateButtonSizes {
    Size update, updateNotLive, cancel;
};

// Where a point lies against a rectangle: strictly inside, on its border, or outside.
enum class Hit { Inside, Border, Outside };
Hit HitRect(Point at, Size size, int x, int y);

// One button image drawn with its top-left corner at `at`.
struct ButtonImage {
    std::string name;
    Point at;
    bool operator==(const ButtonImage&) const = default;
};

class UpdatePanel {
public:
    // A notice asked for its what's-new text (`fetching`: its download started): the accept
    // button is not live until it is here. It replaces any earlier request, so a text that
    // still comes for that one is not shown.
    void Requested(WhatsNew text, bool fetching);
    // A what's-new text arrived whole; true when it answers the request the panel waits for,
    // which makes the accept button live. Nothing else does: a text of a replaced or withdrawn
    // request, or one nobody asked for.
    bool Arrived(WhatsNew text);
    // A what's-new download failed; true when the panel waited for it, and waits no more.
    bool Failed(WhatsNew text);
    // The panel shows an installation no notice offered ("Download stories for reading"), or
    // it closed: nothing to accept.
    void Withdraw();
    bool AcceptLive() const { return offer_ && loaded_; }
    std::optional<WhatsNew> Offer() const { return offer_; }

    Point AcceptAt(Size panel, const UpdateButtonSizes& sizes) const;
    Point CancelAt(Size panel, const UpdateButtonSizes& sizes) const;

    // The images of both buttons at rest, as the panel is painted.
    std::vector<ButtonImage> AtRest(Size panel, const UpdateButtonSizes& sizes) const;
    // Hover: a button the pointer is inside shows its hover image, one it is outside its
    // normal image; on a border nothing changes.
    std::vector<ButtonImage> Moved(Size panel, const UpdateButtonSizes& sizes, int x, int y) const;
    std::vector<ButtonImage> Pressed(Size panel, const UpdateButtonSizes& sizes, int x, int y) const;

    enum class Action {
        None,
        AcceptData,     // install the data update the notice offered
        AcceptProgram,  // install the program update
        Refused,        // accept while another download runs: nothing starts, the offer stays
        Close,          // cancel while no installation runs
    };
    struct Release {
        std::vector<ButtonImage> images;
        Action action = Action::None;
    };
    // A release inside a button counts wherever the press was. Accepting takes the offer, so a
    // second accept starts nothing; cancel closes only while no installation runs (`busy`).
    Release Released(Size panel, const UpdateButtonSizes& sizes, int x, int y, bool busy, bool working);

private:
    bool Awaits(WhatsNew text) const { return fetching_ && offer_ == text; }
    std::optional<WhatsNew> offer_;
    bool loaded_ = false;
    bool fetching_ = false;  // the download of the offer's text runs; only one runs at a time
};

}  // namespace viewer

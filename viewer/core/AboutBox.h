// The About box: where it stands in the window, the texts painted on it, the product page
// link, and the clicks on its surface (the hidden corner gesture that shows the other credit).
#pragma once

#include <string>
#include <vector>

#include "MarkColour.h"
#include "WindowLayout.h"

namespace viewer {

inline constexpr Size kAboutPanel{473, 297};    // Panel2
inline constexpr Size kAboutSurface{471, 295};  // ImagePlus1, at (1, 1) in the panel
inline constexpr Point kAboutPictureAt{20, 52};  // ImagePlus2
inline constexpr Point kAboutLinkAt{272, 207};   // Label11

// Centred in the window; the halves are truncated.
Point AboutBoxPlace(Size window);

struct AboutIdentity {
    std::string name, version, date;
};

struct AboutLine {
    Point at;  // the top-left corner of the text
    Rgb colour;
    std::string text;
    bool operator==(const AboutLine&) const = default;
};
// The texts of the box in painting order, with the first credit or, for `altCredit`, the other.
std::vector<AboutLine> AboutLines(const AboutIdentity& id, bool altCredit);

// The product page: the link shows the address without its scheme and opens it with one.
std::string AboutLinkCaption();
std::string AboutLinkAddress(const std::string& caption);

// A click (its release) on the box's surface.
enum class AboutClick {
    ArmCorner,      // the bottom-left corner: the box stays
    ShowAltCredit,  // the credit zone after the corner: repaint with the other credit, the box stays
    Close,
};
class AboutGesture {
public:
    AboutClick Click(int x, int y, int panelHeight);
    bool Armed() const { return armed_; }

private:
    bool armed_ = false;
};

}  // namespace viewer

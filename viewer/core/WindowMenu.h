// The window menu's transparency values and the window's alpha around a move by the title.
#pragma once

namespace viewer {

// Alpha of the whole window: 0 transparent .. 255 opaque.
inline constexpr int kOpaqueAlpha = 255;
// The window is see-through while it is moved by its title.
inline constexpr int kMoveAlpha = 175;

struct TransparencyItem {
    const char* name;     // the menu item's design name
    const char* caption;
    int alpha;
};

inline constexpr TransparencyItem kTransparencyItems[] = {
    {"N6211", "100 %", 255}, {"N6221", "90 %", 230}, {"N6231", "80 %", 204},
    {"N6241", "75 %", 192},  {"N6251", "50 %", 128}, {"N6261", "25 %", 64},
};

// The window's opacity for an alpha value, as the window system takes it (0.0 .. 1.0).
double OpacityOf(int alpha);

}  // namespace viewer

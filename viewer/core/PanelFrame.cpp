#include "PanelFrame.h"

#include <algorithm>

namespace viewer {

std::vector<ChromeBlit> PanelFrameTiles(Size panel, const PanelFrameSizes& s) {
    enum { Fon, D, L, R, Tl, Tr, Dr };
    const int w = panel.width, h = panel.height;
    const auto drawable = [&](int b) { return s[b].width > 0 && s[b].height > 0; };
    std::vector<ChromeBlit> out;
    const auto across = [&](int b, int y) {
        if (!drawable(b)) return;
        for (int x = 0; x < w; x += s[b].width) out.push_back({b, x, y});
    };
    const auto down = [&](int b, int x) {
        if (!drawable(b)) return;
        for (int y = 0; y < h; y += s[b].height) out.push_back({b, x, y});
    };
    across(Fon, 0);
    across(D, h - s[D].height);
    down(L, 0);
    down(R, w - s[R].width);
    if (drawable(Tl)) out.push_back({Tl, 0, 0});
    if (drawable(Tr)) out.push_back({Tr, w - s[Tr].width - 1, 0});
    if (drawable(Dr)) out.push_back({Dr, w - s[Dr].width - s[R].width, h - s[Dr].height - s[D].height});
    return out;
}

bool InPanelBorderBand(int x, int y, Size panel) {
    const int w = panel.width, h = panel.height;
    return y < 30 || y > h - 25 || (29 < y && y < h - 24 && (x < 15 || x > w - 15));
}

void BlendPanelTitleRow(std::span<uint8_t> title, std::span<const uint8_t> behind, int y, Size panel, int percent) {
    const auto pixels = static_cast<int>(std::min(title.size(), behind.size()) / 3);
    const auto blend = [&](int from, int to) {  // pixels [from, to)
        from = std::clamp(from, 0, pixels);
        to = std::clamp(to, from, pixels);
        const auto at = static_cast<size_t>(from) * 3, n = static_cast<size_t>(to - from) * 3;
        BlendTitle(title.subspan(at, n), behind.subspan(at, n), percent);
    };
    if (InPanelBorderBand(panel.width / 2, y, panel)) {
        blend(0, pixels);  // a row of the top or bottom band: all of it
        return;
    }
    blend(0, 15);
    blend(panel.width - 14, pixels);
}

PanelColours ReadPanelColours(const platform::IniFile& color) {
    PanelColours c;
    c.dialogFon = ReadIntColour(color, "Dialog", "Fon", kDefaultDialogFon);
    c.dialogText = ReadIntColour(color, "Dialog", "TextColor", kDefaultPanelColour);
    c.titleText = ReadIntColour(color, "Message", "ColortextZ", kDefaultTitleColour);
    c.windowFon = ReadIntColour(color, "Window", "ColorFon", kDefaultPanelColour);
    c.borderLine = ReadIntColour(color, "Dialog", "BorderlineColor", kDefaultPanelColour);
    c.selectedMenu = ReadIntColour(color, "Dialog", "SelmenuColor", kDefaultPanelColour);
    c.editorFon = ReadIntColour(color, "Editor", "ColorFon", kDefaultPanelColour);
    c.editorText = ReadIntColour(color, "Editor", "Colortext", kDefaultPanelColour);
    return c;
}

}  // namespace viewer

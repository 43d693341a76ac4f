#include "Chrome.h"

#include <algorithm>

namespace viewer {

std::vector<ChromeBlit> ChromeTiles(Size window, const ChromeSizes& s) {
    enum { LeftB, RightB, ZFon, ZLeft, ZRight, SsFon, SsLeft, SsRight };
    const int w = window.width, h = window.height;
    std::vector<ChromeBlit> out;
    const auto down = [&](int bitmap, int x) {
        if (s[bitmap].height <= 0 || s[bitmap].width <= 0) return;
        for (int y = 0; y < h; y += s[bitmap].height) out.push_back({bitmap, x, y});
    };
    const auto across = [&](int bitmap, int y) {
        if (s[bitmap].height <= 0 || s[bitmap].width <= 0) return;
        for (int x = 0; x < w; x += s[bitmap].width) out.push_back({bitmap, x, y});
    };
    down(LeftB, 0);
    down(RightB, w - s[RightB].width);
    across(ZFon, 0);
    out.push_back({ZLeft, 0, 0});
    out.push_back({ZRight, w - s[ZRight].width, 0});
    across(SsFon, h - s[SsFon].height);
    out.push_back({SsLeft, 0, h - s[SsLeft].height});
    out.push_back({SsRight, w - s[SsRight].width, h - s[SsRight].height});
    return out;
}

int TitleBlendPercent(int32_t option, int32_t skin) {
    const int64_t sum = int64_t{option} + skin;
    return static_cast<int>(std::clamp<int64_t>(sum, 0, 100));
}

void BlendTitle(std::span<uint8_t> title, std::span<const uint8_t> behind, int percent) {
    const int p = std::clamp(percent, 0, 100);
    const size_t n = std::min(title.size(), behind.size());
    for (size_t i = 0; i < n; ++i) title[i] = static_cast<uint8_t>((title[i] * p + behind[i] * (100 - p)) / 100);
}

std::string BaseStatusText(const std::string& day, const std::string& monthName, const std::string& year) {
    return "Last update base: " + day + " " + monthName + " " + year + " year";
}

std::string StatusLineText(std::string_view notice, const std::string& day, const std::string& monthName,
                           const std::string& year) {
    return notice.empty() ? BaseStatusText(day, monthName, year) : std::string(notice);
}

bool InTitleStrip(const TitleZones& z, int, int y) { return y < z.titleLineHeight; }

bool InCloseButton(const TitleZones& z, int x, int y) {
    const int right = z.window.width - 5;
    return right - z.closeButton.width < x && x < right && y < z.titleLineHeight;
}

bool InMoveStrip(const TitleZones& z, int x, int y) {
    return InTitleStrip(z, x, y) && x < z.window.width - 5 - z.closeButton.width;
}

bool InButton(Point at, Size bitmap, int x, int y) {
    return at.x < x && x < at.x + bitmap.width && at.y < y && y < at.y + bitmap.height;
}

}  // namespace viewer

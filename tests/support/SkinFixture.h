// Skin folders for tests: every bitmap a skin needs as a small one-coloured BMP, each in a
// colour of its own so a test can tell where it was drawn, and the skin's INI files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "TempDir.h"

namespace testsupport {

struct BmpColour {
    uint8_t red = 0, green = 0, blue = 0;
};

// A 24-bit Windows bitmap of one colour (rows bottom-up, each padded to 4 bytes).
inline std::string Bmp(int width, int height, BmpColour c) {
    const int row = (width * 3 + 3) / 4 * 4;
    const uint32_t pixels = static_cast<uint32_t>(row * height);
    std::string out;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    out += "BM";
    put(54 + pixels, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(pixels, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out += static_cast<char>(c.blue);
            out += static_cast<char>(c.green);
            out += static_cast<char>(c.red);
        }
        out.append(static_cast<size_t>(row - width * 3), '\0');
    }
    return out;
}

struct SkinBitmap {
    const char* name;
    int width, height;
    BmpColour colour;
};

// The bitmaps of a test skin, with sizes a window can show them at.
inline constexpr SkinBitmap kSkinBitmaps[] = {
    {"leftb_fon", 4, 10, {10, 20, 30}},      {"rightb_fon", 4, 10, {11, 21, 31}},
    {"z_fon", 10, 24, {0, 0, 200}},          {"z_left", 6, 24, {0, 0, 150}},
    {"z_right", 6, 24, {0, 0, 151}},         {"ss_fon", 10, 20, {0, 120, 0}},
    {"ss_left", 6, 20, {0, 121, 0}},         {"ss_right", 6, 20, {0, 122, 0}},
    {"z_ib_close", 14, 12, {200, 0, 0}},     {"z_ib_close_a", 14, 12, {201, 0, 0}},
    {"z_ib_close_p", 14, 12, {202, 0, 0}},   {"z_ib_cf", 14, 12, {203, 0, 0}},
    {"z_ib_cf_a", 14, 12, {204, 0, 0}},      {"tb_plus", 18, 16, {0, 200, 200}},
    {"tb_plus_a", 18, 16, {0, 201, 201}},    {"tb_minus", 18, 16, {0, 202, 202}},
    {"tb_minus_a", 18, 16, {0, 203, 203}},   {"b_cansel", 20, 20, {90, 0, 90}},
    {"b_cansel_a", 20, 20, {91, 0, 91}},     {"b_cansel_p", 20, 20, {92, 0, 92}},
    {"w_fon", 8, 8, {1, 2, 3}},              {"w_l", 8, 8, {1, 2, 4}},
    {"w_r", 8, 8, {1, 2, 5}},                {"w_tl", 8, 8, {1, 2, 6}},
    {"w_tr", 8, 8, {1, 2, 7}},               {"w_d", 8, 8, {1, 2, 8}},
    {"w_dr", 8, 8, {1, 2, 9}},               {"b_update", 60, 20, {3, 2, 1}},
    {"b_update_a", 60, 20, {3, 2, 2}},       {"b_update_p", 60, 20, {3, 2, 3}},
    {"b_update_f", 60, 20, {3, 2, 4}},       {"b_update_f_a", 60, 20, {3, 2, 5}},
};

// Writes the bitmaps into `dir`, but for those named in `without`.
inline void WriteSkinBitmaps(const std::filesystem::path& dir, const std::set<std::string>& without = {}) {
    for (const SkinBitmap& b : kSkinBitmaps)
        if (!without.count(b.name)) WriteFile(dir / (std::string(b.name) + ".bmp"), Bmp(b.width, b.height, b.colour));
}

}  // namespace testsupport

// The colour of the marks painted beside list items ("Read" beside stories, "Have" beside
// owned books): [Editor] "ColortextRead" of the skin's color.ini.
#pragma once

#include <cstdint>

#include "platform/IniFile.h"

namespace viewer {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// A colour value as the skin files hold it: low byte red, then green, then blue.
Rgb ColourFromValue(int32_t value);

// The mark colour (default "0", black). A value that is not an integer throws
// std::runtime_error naming it; without colour file the default holds.
Rgb ReadMarkColour(const platform::IniFile* colorIni);

}  // namespace viewer

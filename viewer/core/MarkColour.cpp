#include "MarkColour.h"

#include <stdexcept>

namespace viewer {

Rgb ColourFromValue(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    return Rgb{static_cast<uint8_t>(bits & 0xFF), static_cast<uint8_t>((bits >> 8) & 0xFF),
               static_cast<uint8_t>((bits >> 16) & 0xFF)};
}

Rgb ReadMarkColour(const platform::IniFile* colorIni) {
    const std::string text = colorIni ? colorIni->ReadString("Editor", "ColortextRead", "0") : std::string("0");
    const auto value = platform::ParseInt32(text);
    if (!value) throw std::runtime_error("'" + text + "' is not a valid integer value");
    return ColourFromValue(*value);
}

}  // namespace viewer

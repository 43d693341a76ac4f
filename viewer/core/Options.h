// options.ini: its keys with their defaults, the defaults writer and the automatic-check rule.
#pragma once

#include <cstdint>

#include "platform/IniFile.h"

namespace viewer {

inline constexpr const char* kSectionWindow = "Window";
inline constexpr const char* kSectionUpdate = "Update";
inline constexpr const char* kSectionInterface = "Interface";
inline constexpr const char* kKeyCheckBase = "Automatically check for updates of the database";
inline constexpr const char* kKeyCheckProgram = "Automatically check for program updates";
inline constexpr const char* kKeyTextSize = "Text size";

struct OptionDefault {
    const char* section;
    const char* key;
    const char* text;  // nullptr for integer options
    int32_t number;
};

// In the order the defaults writer walks them.
inline constexpr OptionDefault kOptionDefaults[] = {
    {kSectionWindow, "Height", nullptr, 500},
    {kSectionWindow, "Width", nullptr, 600},
    {kSectionWindow, "Max", "off", 0},
    {kSectionWindow, "TransparencyWin9xme", nullptr, 55},
    {kSectionWindow, "TransparencyOnOff", "on", 0},
    {kSectionUpdate, kKeyCheckBase, nullptr, 1},
    {kSectionUpdate, kKeyCheckProgram, nullptr, 1},
    {kSectionInterface, kKeyTextSize, nullptr, 8},
};

// Writes the default of every key that is missing; existing values are never changed.
void WriteMissingOptionDefaults(platform::IniFile& options);

// Which automatic checks start-up enables for the stored pair (database d, program p):
// only the exact values 0 and 1 count, and 0/0 means no check.
struct AutoCheckChoice {
    bool base = false;
    bool program = false;
    bool runCheck() const { return base || program; }
};
AutoCheckChoice DecideAutoCheck(int32_t d, int32_t p);

}  // namespace viewer

#include "Options.h"

namespace viewer {

void WriteMissingOptionDefaults(platform::IniFile& options) {
    for (const auto& option : kOptionDefaults) {
        if (options.ValueExists(option.section, option.key)) continue;
        if (option.text) options.WriteString(option.section, option.key, option.text);
        else options.WriteInteger(option.section, option.key, option.number);
    }
}

AutoCheckChoice DecideAutoCheck(int32_t d, int32_t p) {
    if (d == 0 && p == 1) return {false, true};
    if (d == 1 && p == 0) return {true, false};
    if (d == 1 && p == 1) return {true, true};
    return {};
}

}  // namespace viewer

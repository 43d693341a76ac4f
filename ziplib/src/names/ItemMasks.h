// Matching an item name against a file mask the way the archiver's searches do: without case,
// "*.*" also matching names without a dot, and a mask ending in '.' asking for no extension.
#pragma once

#include <string_view>

namespace ziplib {

// An empty mask matches nothing. Either separator may be used, the same in name and mask.
bool ItemMatchesMask(std::u16string_view name, std::u16string_view mask);

}  // namespace ziplib

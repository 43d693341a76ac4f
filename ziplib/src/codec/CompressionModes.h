// The compression mode (the deflate level 0-9) and the coarser published level name the same
// setting; the mode also sizes the data engine's block buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ziplib/ZAEnums.h"

namespace ziplib {

// 0 none, 1-3 fastest, 4-6 normal, 7-9 max; anything else none.
TZACompressionLevel CompressionModeToLevel(int mode);
// none 0, fastest 1, normal 6, max 9.
uint8_t CompressionLevelToMode(TZACompressionLevel level);
// 512 KiB for the fast modes 1-3, 1.5 MiB for 7-9, 1 MiB for everything else.
std::size_t GetBufferSize(int mode);

}  // namespace ziplib

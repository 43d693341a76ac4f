#include "codec/CompressionModes.h"

namespace ziplib {

TZACompressionLevel CompressionModeToLevel(int mode) {
    if (mode >= 1 && mode <= 3) return TZACompressionLevel::clFastest;
    if (mode >= 4 && mode <= 6) return TZACompressionLevel::clNormal;
    if (mode >= 7 && mode <= 9) return TZACompressionLevel::clMax;
    return TZACompressionLevel::clNone;
}

uint8_t CompressionLevelToMode(TZACompressionLevel level) {
    switch (level) {
    case TZACompressionLevel::clNone: return 0;
    case TZACompressionLevel::clFastest: return 1;
    case TZACompressionLevel::clNormal: return 6;
    case TZACompressionLevel::clMax: return 9;
    }
    return 0;
}

std::size_t GetBufferSize(int mode) {
    if (mode >= 1 && mode <= 3) return 524288;
    if (mode >= 7 && mode <= 9) return 1572864;
    return 1048576;
}

}  // namespace ziplib

#include "codec/ZlibGlue.h"

namespace ziplib {

int CCheck(int result) {
    if (result < 0) throw ECompressionError();
    return result;
}

int DCheck(int result) {
    if (result < 0) throw EDecompressionError();
    return result;
}

std::uint16_t ZlibHeaderForMode(int mode) {
    switch (mode) {
        case 0: case 7: case 8: case 9: return 0xDA78;
        case 1: case 2: return 0x0178;
        case 3: case 4: return 0x5E78;
        case 5: case 6: return 0x9C78;
        default: return 0;
    }
}

}  // namespace ziplib

// Guards the two names of the compression setting (mode 0-9 and level) and the block buffer
// size each mode gives the data engine, including modes outside 0-9.
#include <gtest/gtest.h>

#include "codec/CompressionModes.h"

using namespace ziplib;

TEST(CompressionModes, ModesLevelsAndBufferSizes) {
    using L = TZACompressionLevel;
    struct Case { int mode; L level; std::size_t buffer; };
    const Case cases[] = {
        {0, L::clNone, 1048576},
        {1, L::clFastest, 524288}, {2, L::clFastest, 524288}, {3, L::clFastest, 524288},
        {4, L::clNormal, 1048576}, {5, L::clNormal, 1048576}, {6, L::clNormal, 1048576},
        {7, L::clMax, 1572864}, {8, L::clMax, 1572864}, {9, L::clMax, 1572864},
        {10, L::clNone, 1048576}, {255, L::clNone, 1048576}, {-1, L::clNone, 1048576},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompressionModeToLevel(c.mode), c.level) << c.mode;
        EXPECT_EQ(GetBufferSize(c.mode), c.buffer) << c.mode;
    }
    struct Back { L level; uint8_t mode; };
    const Back backs[] = {{L::clNone, 0}, {L::clFastest, 1}, {L::clNormal, 6}, {L::clMax, 9}};
    for (const Back& b : backs) {
        EXPECT_EQ(CompressionLevelToMode(b.level), b.mode);
        EXPECT_EQ(CompressionModeToLevel(b.mode), b.level);  // each level survives the round trip
    }
}

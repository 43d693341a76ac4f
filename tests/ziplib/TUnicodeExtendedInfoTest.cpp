// Guards reading the Unicode name record: the tag is taken as read, the name only from a good
// record, and a count larger than the data is a bad record, not a read past it.
#include <gtest/gtest.h>

#include <vector>

#include "HexBytes.h"
#include "format/TUnicodeExtendedInfo.h"

using namespace ziplib;

TEST(TUnicodeExtendedInfo, ReadsOnlyAGoodRecord) {
    struct Case { const char* name; const char* hex; bool ok; uint32_t signature; std::u16string result; };
    const Case cases[] = {
        {"name of two units", "4E 55 43 58  02 00 00 00  1F 04 30 00", true, 0x5843554E, u"П0"},
        {"empty name", "4E 55 43 58  00 00 00 00", true, 0x5843554E, u""},
        {"bytes after the units are ignored", "4E 55 43 58  01 00 00 00  41 00 42", true, 0x5843554E, u"A"},
        {"other tag", "4E 55 43 59  01 00 00 00  41 00", false, 0x5943554E, u"old"},
        {"count one past the data", "4E 55 43 58  02 00 00 00  41 00", false, 0x5843554E, u"old"},
        {"count of 0xFFFFFFFF", "4E 55 43 58  FF FF FF FF  41 00", false, 0x5843554E, u"old"},
        {"no count", "4E 55 43 58  01 00", false, 0x5843554E, u"old"},
        {"shorter than the tag", "4E 55 43", false, 7, u"old"},
        {"nothing", "", false, 7, u"old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TUnicodeExtendedInfo info;
        info.Name = u"old";
        info.Signature = 7;
        const std::vector<uint8_t> data = ziptest::Hex(c.hex);
        EXPECT_EQ(info.ReadUnicodeName(data), c.ok);
        EXPECT_EQ(info.Signature, c.signature);
        EXPECT_EQ(info.Name, c.result);
    }
}

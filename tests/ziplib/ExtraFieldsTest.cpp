// Guards the extra fields: an area is split without reading past it, whatever sizes and counts
// it claims; Zip64 values are present exactly when their header field is escaped; the AES and
// Unicode name fields keep their layouts; the central area always carries a fresh Zip64 field.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "format/AesExtraField.h"
#include "format/ByteWriter.h"
#include "format/CentralHeader.h"
#include "format/ExtraField.h"
#include "format/LocalHeader.h"
#include "format/UnicodeNameExtraField.h"
#include "format/Zip64ExtraField.h"
#include "format/ZipConstants.h"

using namespace ziplib;
using ziptest::Hex;

namespace {

Zip64ExtraField Z64(std::optional<std::uint64_t> uncompressed = {}, std::optional<std::uint64_t> compressed = {},
                    std::optional<std::uint64_t> offset = {}, std::optional<std::uint32_t> disk = {}) {
    return {uncompressed, compressed, offset, disk};
}

}  // namespace

TEST(ExtraFields, SplitsAnAreaWithoutReadingPastIt) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> area;
        std::vector<ExtraField> fields;
    };
    const std::vector<Case> cases = {
        {"empty area", {}, {}},
        {"two fields", Hex("3412 0200 AABB | 7856 0000"), {{0x1234, Hex("AABB")}, {0x5678, {}}}},
        {"size past the area is cut to it", Hex("3412 0200 AABB | 7856 0900 01 02 03"),
         {{0x1234, Hex("AABB")}, {0x5678, Hex("010203")}}},
        {"size past the area, nothing left", Hex("7856 FFFF"), {{0x5678, {}}}},
        {"three bytes left: no header, scan ends", Hex("3412 0100 AA | 0100 08"), {{0x1234, Hex("AA")}}},
        {"header only half there", Hex("01"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fields = ParseExtraFields(c.area);
        EXPECT_EQ(fields, c.fields);
        std::size_t inFields = 0;
        for (const auto& f : fields) inFields += f.data.size();
        EXPECT_LE(inFields, c.area.size());
    }
}

TEST(ExtraFields, WriteBackAsRead) {
    const auto area = Hex("0100 0800 1122334455667788 | 4E55 0800 4E554358 00000000 | CAFE 0300 010203");
    const auto fields = ParseExtraFields(area);
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(ExtraFieldsLength(fields), area.size());
    ByteWriter w;
    EXPECT_TRUE(WriteExtraFields(w, fields));
    EXPECT_EQ(w.bytes(), area);

    // Data too long for the 16-bit size is refused before anything is written.
    const std::vector<ExtraField> tooLong = {{0x1234, Hex("AA")}, {0x5678, std::vector<std::uint8_t>(0x10000)}};
    ByteWriter w2;
    EXPECT_FALSE(WriteExtraFields(w2, tooLong));
    EXPECT_FALSE(WriteExtraField(w2, tooLong[1]));
    EXPECT_EQ(w2.size(), 0u);
}

TEST(Zip64ExtraField, TakesTheValuesTheHeaderEscapes) {
    const auto eight = Hex("1111111111111111");
    const auto all = Hex("0100000001000000 0200000002000000 0300000003000000 04000000");
    struct Case {
        const char* name;
        Zip64Escapes escapes;
        std::vector<std::uint8_t> data;
        Zip64ExtraField expected;
    };
    const std::vector<Case> cases = {
        {"nothing escaped", {}, all, Z64()},
        {"all four", {true, true, true, true}, all,
         Z64(0x100000001ull, 0x200000002ull, 0x300000003ull, 0x00000004u)},
        // The uncompressed size is not there, so the compressed one comes first.
        {"compressed size alone", {false, true, false, false}, eight, Z64({}, 0x1111111111111111ull)},
        {"offset alone", {false, false, true, false}, eight, Z64({}, {}, 0x1111111111111111ull)},
        {"disk alone", {false, false, false, true}, Hex("07000000"), Z64({}, {}, {}, 7u)},
        {"sizes and disk", {true, true, false, true}, Hex("0900000000000000 0800000000000000 02000000"),
         Z64(9ull, 8ull, {}, 2u)},
        // A field shorter than its escapes keeps the escape values for what does not fit.
        {"room for one of two sizes", {true, true, false, false}, Hex("0900000000000000 0800"), Z64(9ull)},
        {"empty data", {true, true, true, true}, {}, Z64()},
        // The disk number must not be read out of the half-present size before it.
        {"size cut short, disk after it", {true, false, false, true}, Hex("05000000"), Z64()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Zip64ExtraField::Parse(c.data, c.escapes), c.expected);
    }
}

TEST(Zip64ExtraField, EscapesComeFromTheHeaderOrTheValues) {
    CentralHeader h;
    h.compressedSize = 0xFFFFFFFF;
    h.uncompressedSize = 0xFFFFFFFE;  // the largest size still written in place
    h.startDisk = 0xFFFF;
    EXPECT_EQ(Zip64Escapes::Of(h), (Zip64Escapes{false, true, false, true}));
    LocalHeader l;
    l.uncompressedSize = l.compressedSize = 0xFFFFFFFF;
    EXPECT_EQ(Zip64Escapes::Of(l), (Zip64Escapes{true, true, false, false}));

    EXPECT_EQ(Zip64Escapes::ForValues(0xFFFFFFFE, 0, 0, 65534), Zip64Escapes{});
    EXPECT_EQ(Zip64Escapes::ForValues(0xFFFFFFFF, 0x1'0000'0000, 0xFFFFFFFF, 65535),
              (Zip64Escapes{true, true, true, true}));
    EXPECT_FALSE(Zip64Escapes{}.any());
    EXPECT_TRUE((Zip64Escapes{false, false, false, true}.any()));
}

TEST(Zip64ExtraField, WritesOnlyWhatIsEscapedInOrder) {
    struct Case {
        const char* name;
        Zip64Escapes escapes;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"nothing: no field at all", {}, {}},
        {"item of 4,294,967,295 bytes", {true, false, false, false}, Hex("0100 0800 FFFFFFFF00000000")},
        {"disk 65535", {false, false, false, true}, Hex("0100 0400 FFFF0000")},
        {"everything", {true, true, true, true},
         Hex("0100 1C00 FFFFFFFF00000000 0000000001000000 8877665544332211 FFFF0000")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto z = Zip64ExtraField::Select(c.escapes, 0xFFFFFFFF, 0x1'0000'0000, 0x1122334455667788, 0xFFFF);
        EXPECT_EQ(z.FieldSize(), c.bytes.size());
        ByteWriter w;
        z.Write(w);
        EXPECT_EQ(w.bytes(), c.bytes);
        if (!c.bytes.empty()) {
            const auto fields = ParseExtraFields(c.bytes);
            ASSERT_EQ(fields.size(), 1u);
            EXPECT_EQ(fields[0], z.ToExtraField());
            EXPECT_EQ(Zip64ExtraField::Parse(fields[0].data, c.escapes), z);
        }
    }
}

TEST(CentralExtraArea, Zip64IsRecomputedAndWrittenFirst) {
    // As read from an archive: a Zip64 field that no longer matches the item, then others.
    const std::vector<ExtraField> carried = {
        {0xCAFE, Hex("0102")},
        {kZip64ExtraId, Hex("0100000000000000 0200000000000000")},
        {kUnicodeNameExtraId, Hex("4E554358 01000000 4100")},
    };
    const auto others = Hex("FECA 0200 0102 | 4E55 0A00 4E554358 01000000 4100");

    const auto now = Zip64ExtraField::Select({false, true, false, false}, 0, 0x1'0000'0005, 0, 0);
    ByteWriter w;
    ASSERT_TRUE(WriteCentralExtraArea(w, now, carried));
    EXPECT_EQ(w.bytes(), ziptest::Concat({Hex("0100 0800 0500000001000000"), others}));
    EXPECT_EQ(CentralExtraAreaLength(now, carried), w.size());

    // Values that fit in place again: the old Zip64 field is simply gone.
    ByteWriter w2;
    ASSERT_TRUE(WriteCentralExtraArea(w2, Zip64ExtraField{}, carried));
    EXPECT_EQ(w2.bytes(), others);
    EXPECT_EQ(CentralExtraAreaLength(Zip64ExtraField{}, carried), others.size());

    // An area past the 16-bit extra length would corrupt the header: refused, nothing written.
    const std::vector<ExtraField> big = {{0x1111, std::vector<std::uint8_t>(0x8000)},
                                         {0x2222, std::vector<std::uint8_t>(0x8000)}};
    ByteWriter w3;
    EXPECT_FALSE(WriteCentralExtraArea(w3, now, big));
    EXPECT_EQ(w3.size(), 0u);
}

TEST(AesExtraField, Layout) {
    const auto data = Hex("0200 4145 03 0800");
    const auto a = AesExtraField::Parse(data);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(*a, (AesExtraField{2, kAesVendorId, 3, kMethodDeflate}));
    const auto field = a->ToExtraField();
    EXPECT_EQ(field.id, kAesExtraId);
    EXPECT_EQ(field.data, data);
    ByteWriter w;
    WriteExtraField(w, field);
    EXPECT_EQ(w.bytes(), Hex("0199 0700 0200 4145 03 0800"));

    EXPECT_FALSE(AesExtraField::Parse(Hex("0200 4145 03 08")).has_value());
    EXPECT_FALSE(AesExtraField::Parse({}).has_value());
}

TEST(UnicodeNameExtraField, ReadsOnlyAWholeTaggedName) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        std::optional<std::u16string> expected;
    };
    const std::vector<Case> cases = {
        {"Cyrillic and Latin", Hex("4E554358 04000000 1F04 3804 2E00 6100"), u"Пи.a"},
        {"empty name", Hex("4E554358 00000000"), u""},
        {"a stray byte after the units", Hex("4E554358 01000000 4100 00"), u"A"},
        {"another tag", Hex("4E554359 01000000 4100"), std::nullopt},
        {"tag alone", Hex("4E554358"), std::nullopt},
        {"shorter than the tag", Hex("4E55"), std::nullopt},
        {"count one past the data", Hex("4E554358 02000000 4100"), std::nullopt},
        {"count one past, by half a unit", Hex("4E554358 02000000 4100 42"), std::nullopt},
        // Would ask for 8 GiB if the count were trusted.
        {"huge count", Hex("4E554358 FFFFFFFF 4100"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto u = UnicodeNameExtraField::Parse(c.data);
        ASSERT_EQ(u.has_value(), c.expected.has_value());
        if (u) {
            EXPECT_EQ(u->name, *c.expected);
        }
    }
}

TEST(UnicodeNameExtraField, WritesTagCountAndUnits) {
    const auto field = UnicodeNameExtraField{u"Пи.a"}.ToExtraField();
    ASSERT_TRUE(field.has_value());
    ByteWriter w;
    ASSERT_TRUE(WriteExtraField(w, *field));
    // 12 + 2 x 4 bytes in all.
    EXPECT_EQ(w.bytes(), Hex("4E55 1000 4E554358 04000000 1F04 3804 2E00 6100"));

    const std::u16string longest(UnicodeNameExtraField::kMaxUnits, u'я');
    const auto fits = UnicodeNameExtraField{longest}.ToExtraField();
    ASSERT_TRUE(fits.has_value());
    EXPECT_EQ(fits->data.size(), 8 + 2 * longest.size());
    EXPECT_EQ(UnicodeNameExtraField::Parse(fits->data)->name, longest);
    EXPECT_FALSE(UnicodeNameExtraField{longest + u'я'}.ToExtraField().has_value());
}

TEST(UnicodeNameExtraField, AnOverlongFieldTakesNothingFromTheComment) {
    // A central entry named "a" whose Unicode field claims 14 data bytes and 3 units, while the
    // extra area holds only 12 bytes; the comment after it is "xyz" in UTF-16.
    const auto entry = ziptest::Concat({
        Hex("504B0102 1400 1400 0000 0000 0000 0000 00000000 00000000 00000000 0100 0C00 0600 0000 0000 00000000 "
            "00000000"),
        ziptest::Bytes("a"),
        Hex("4E55 0E00 4E554358 03000000"),
        Hex("7800 7900 7A00"),
    });
    const auto h = CentralHeader::Parse(entry);
    ASSERT_TRUE(h.has_value());
    ASSERT_EQ(h->RecordSize(), entry.size());
    const auto area = std::span(entry).subspan(CentralHeader::kSize + h->nameLength, h->extraLength);
    const auto fields = ParseExtraFields(area);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].data.size(), 8u);  // cut to the area
    EXPECT_FALSE(UnicodeNameExtraField::Parse(fields[0].data).has_value());
}

// Guards the byte layout of every fixed archive record: each field at its offset, little-endian,
// read and written back bit for bit (escape values included), and short input never read past.
// Also the end-record search, the byte reader's sticky flag and the version and date packing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "format/ByteReader.h"
#include "format/ByteWriter.h"
#include "format/CentralHeader.h"
#include "format/DataDescriptor.h"
#include "format/DosDateTime.h"
#include "format/EndRecord.h"
#include "format/LocalHeader.h"
#include "format/Zip64EndRecord.h"
#include "format/Zip64Locator.h"
#include "format/ZipConstants.h"

using namespace ziplib;
using ziptest::Hex;

namespace {

// A record whose byte at offset k is k (after a 4-byte signature): every field then has a
// distinct value, so a field read from the wrong offset, width or byte order shows.
std::vector<std::uint8_t> Pattern(std::string_view signatureHex, std::size_t size) {
    auto out = Hex(signatureHex);
    for (std::size_t k = out.size(); k < size; ++k) out.push_back(static_cast<std::uint8_t>(k));
    return out;
}

template <class Record>
struct LayoutCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Record record;
};

template <class Record>
void ExpectLayouts(const std::vector<LayoutCase<Record>>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.bytes.size(), Record::kSize);
        const auto parsed = Record::Parse(c.bytes);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, c.record);

        ByteWriter w;
        w.Bytes(std::string_view("xy"));  // a record is written where the writer stands
        c.record.Write(w);
        EXPECT_TRUE(w.ok());
        EXPECT_EQ(w.bytes(), ziptest::Concat({Hex("7879"), c.bytes}));

        // Bytes after the record are not its business; one byte short is no record.
        auto longer = c.bytes;
        longer.push_back(0xEE);
        EXPECT_EQ(Record::Parse(longer), parsed);
        EXPECT_FALSE(Record::Parse(std::span(c.bytes).first(c.bytes.size() - 1)).has_value());
        EXPECT_FALSE(Record::Parse({}).has_value());
    }
}

}  // namespace

TEST(ByteReader, ReadsLittleEndianAtOffsetsAndInTurn) {
    const auto data = Hex("01 02 03 04 05 06 07 08 09 0A");
    ByteReader r(data);
    EXPECT_EQ(r.U8At(9), 0x0A);
    EXPECT_EQ(r.U16At(1), 0x0302);
    EXPECT_EQ(r.U32At(2), 0x06050403u);
    EXPECT_EQ(r.U64At(2), 0x0A09080706050403ull);
    EXPECT_EQ(r.position(), 0u);  // reads at an offset leave the cursor alone
    EXPECT_EQ(r.U16(), 0x0201);
    EXPECT_EQ(r.U32(), 0x06050403u);
    EXPECT_EQ(r.Bytes(3).size(), 3u);
    EXPECT_EQ(r.remaining(), 1u);
    EXPECT_TRUE(r.ok());
}

TEST(ByteReader, AFailedReadSpoilsTheWholeRecord) {
    const auto data = Hex("01 02 03 04");
    struct Case {
        const char* name;
        void (*read)(ByteReader&);
    };
    const Case cases[] = {
        {"u32 at the last byte", [](ByteReader& r) { r.U32At(1); }},
        {"u64 on four bytes", [](ByteReader& r) { r.U64(); }},
        {"offset beyond the data", [](ByteReader& r) { r.U8At(4); }},
        {"offset that would wrap", [](ByteReader& r) { r.U16At(std::numeric_limits<std::size_t>::max()); }},
        {"byte count that would wrap", [](ByteReader& r) { r.BytesAt(1, std::numeric_limits<std::size_t>::max()); }},
        {"skip past the end", [](ByteReader& r) { r.Skip(5); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ByteReader r(data);
        c.read(r);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.position(), 0u);
        // Once spoiled, even reads that would fit give nothing, so a record half read from
        // good bytes is never taken for a whole one.
        EXPECT_EQ(r.U8At(0), 0u);
        EXPECT_TRUE(r.Bytes(1).empty());
        EXPECT_FALSE(r.ok());
    }
}

TEST(ByteWriter, PutsInsideTheBufferOnly) {
    ByteWriter w;
    w.U16(0x0201);
    const auto at = w.Zeros(4);
    w.PutU32(at, 0x06050403);
    EXPECT_EQ(w.bytes(), Hex("01 02 03 04 05 06"));
    EXPECT_TRUE(w.ok());
    w.PutU32(4, 0xAABBCCDD);  // would run two bytes past the end
    EXPECT_FALSE(w.ok());
    EXPECT_EQ(w.bytes(), Hex("01 02 03 04 05 06"));
}

TEST(RecordLayout, LocalHeader) {
    ExpectLayouts<LocalHeader>({
        {"every field distinct", Pattern("504B0304", 30),
         {kLocalHeaderSignature, 0x0504, 0x0706, 0x0908, 0x0B0A, 0x0D0C, 0x11100F0E, 0x15141312, 0x19181716, 0x1B1A,
          0x1D1C}},
        {"deflated item",
         Hex("504B0304 1400 0000 0800 484A 8A5D 0088590B 0B000000 18000000 0500 0000"),
         {kLocalHeaderSignature, 20, 0, 8, 0x4A48, 0x5D8A, 0x0B598800, 11, 24, 5, 0}},
        {"Zip64 sizes escaped, second family",
         Hex("615C0405 2D41 0100 6300 0000 2100 FFFFFFFF FFFFFFFF FFFFFFFF 0300 1400"),
         {kSecondLocalHeaderSignature, 0x412D, 1, 99, 0, 0x21, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 3, 20}},
    });
}

TEST(RecordLayout, CentralHeader) {
    ExpectLayouts<CentralHeader>({
        {"every field distinct", Pattern("504B0102", 46),
         {kCentralHeaderSignature, 0x0504, 0x0706, 0x0908, 0x0B0A, 0x0D0C, 0x0F0E, 0x13121110, 0x17161514, 0x1B1A1918,
          0x1D1C, 0x1F1E, 0x2120, 0x2322, 0x2524, 0x29282726, 0x2D2C2B2A}},
        {"uncompressed size alone escaped",
         Hex("504B0102 1E03 2D00 0000 0800 484A 8A5D 0088590B 0B000000 FFFFFFFF 0500 0C00 0000 0000 0100 0000A481 "
             "00000000"),
         {kCentralHeaderSignature, 0x031E, 45, 0, 8, 0x4A48, 0x5D8A, 0x0B598800, 11, 0xFFFFFFFF, 5, 12, 0, 0, 1,
          0x81A40000, 0}},
        {"every escape at once",
         Hex("504B0102 2D00 2D00 0200 0000 0000 0000 00000000 FFFFFFFF FFFFFFFF 0200 2000 0000 FFFF 0000 10000000 "
             "FFFFFFFF"),
         {kCentralHeaderSignature, 45, 45, kFlagDirectoryEntry, 0, 0, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 2, 32, 0, 0xFFFF, 0,
          kAttrDirectory, 0xFFFFFFFF}},
    });
}

TEST(RecordLayout, EndRecord) {
    ExpectLayouts<EndRecord>({
        {"every field distinct", Pattern("504B0506", 22),
         {kEndRecordSignature, 0x0504, 0x0706, 0x0908, 0x0B0A, 0x0F0E0D0C, 0x13121110, 0x1514}},
        {"two entries and a comment", Hex("504B0506 0000 0000 0200 0200 63000000 4E000000 1200"),
         {kEndRecordSignature, 0, 0, 2, 2, 0x63, 0x4E, 18}},
        {"everything in the Zip64 records", Hex("41410506 FFFF FFFF FFFF FFFF FFFFFFFF FFFFFFFF 0000"),
         {kSecondEndRecordSignature, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0}},
    });
}

TEST(RecordLayout, Zip64EndRecord) {
    Zip64EndRecord written;  // what the writer fills beyond the defaults
    written.entriesOnDisk = written.totalEntries = 1;
    written.directorySize = 0x3F;
    written.directoryOffset = 0x1'0000'0042;
    ExpectLayouts<Zip64EndRecord>({
        {"every field distinct", Pattern("504B0606", 56),
         {kZip64EndRecordSignature, 0x0B0A090807060504, 0x0D0C, 0x0F0E, 0x13121110, 0x17161514, 0x1F1E1D1C1B1A1918,
          0x2726252423222120, 0x2F2E2D2C2B2A2928, 0x3736353433323130}},
        {"as the writer fills it",
         Hex("504B0606 2C00000000000000 2D00 2D00 00000000 00000000 0100000000000000 0100000000000000 "
             "3F00000000000000 4200000001000000"),
         written},
    });
}

TEST(RecordLayout, Zip64Locator) {
    Zip64Locator written;
    written.zip64EndOffset = 0x1'2345'6781;
    ExpectLayouts<Zip64Locator>({
        {"every field distinct", Pattern("504B0607", 20),
         {kZip64LocatorSignature, 0x07060504, 0x0F0E0D0C0B0A0908, 0x13121110}},
        {"one disk", Hex("504B0607 00000000 8167452301000000 01000000"), written},
    });
}

TEST(RecordLayout, DataDescriptorInEachForm) {
    struct Case {
        const char* name;
        bool hasSignature, zip64Sizes;
        std::vector<std::uint8_t> bytes;
        DataDescriptor record;
    };
    const Case cases[] = {
        {"signature, 32-bit sizes", true, false, Pattern("504B0708", 16),
         {true, false, kDataDescriptorSignature, 0x07060504, 0x0B0A0908, 0x0F0E0D0C}},
        {"no signature, 32-bit sizes", false, false, Pattern("", 12), {false, false, 0, 0x03020100, 0x07060504, 0x0B0A0908}},
        {"signature, 64-bit sizes", true, true, Pattern("504B0708", 24),
         {true, true, kDataDescriptorSignature, 0x07060504, 0x0F0E0D0C0B0A0908, 0x1716151413121110}},
        {"no signature, 64-bit sizes", false, true, Pattern("", 20),
         {false, true, 0, 0x03020100, 0x0B0A090807060504, 0x131211100F0E0D0C}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.bytes.size(), DataDescriptor::SizeOf(c.hasSignature, c.zip64Sizes));
        const auto parsed = DataDescriptor::Parse(c.bytes, c.hasSignature, c.zip64Sizes);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, c.record);
        ByteWriter w;
        EXPECT_TRUE(c.record.Write(w));
        EXPECT_EQ(w.bytes(), c.bytes);
        EXPECT_FALSE(DataDescriptor::Parse(std::span(c.bytes).first(c.bytes.size() - 1), c.hasSignature, c.zip64Sizes));
    }
    // A size past 32 bits can't go into the 32-bit form; it is refused, not cut.
    DataDescriptor big{true, false, kDataDescriptorSignature, 1, 0x1'0000'0000, 5};
    ByteWriter w;
    EXPECT_FALSE(big.Write(w));
    EXPECT_EQ(w.size(), 0u);
    big.zip64Sizes = true;
    EXPECT_TRUE(big.Write(w));
    EXPECT_EQ(w.size(), 24u);
}

TEST(FindEndRecord, TakesOnlyARecordWhoseCommentEndsTheFile) {
    const auto end0 = Hex("504B0506 0000 0000 0100 0100 2E000000 10000000 0000");
    const auto end3 = Hex("504B0506 0000 0000 0100 0100 2E000000 10000000 0300");
    const auto second = Hex("41410506 0000 0000 0000 0000 00000000 00000000 0000");
    const auto data = ziptest::Bytes("local header and central directory");
    // A comment holding what looks like a record signature must not be mistaken for one.
    const auto trap = ziptest::Concat({Hex("504B0506"), std::vector<std::uint8_t>(18, 0), Hex("0500")});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> tail;
        std::uint32_t signature;
        std::optional<std::size_t> found;
    };
    const std::vector<Case> cases = {
        {"record alone", end0, kEndRecordSignature, 0},
        {"after data", ziptest::Concat({data, end0}), kEndRecordSignature, data.size()},
        {"with its comment", ziptest::Concat({data, end3, ziptest::Bytes("abc")}), kEndRecordSignature, data.size()},
        {"one byte after the record", ziptest::Concat({data, end0, Hex("00")}), kEndRecordSignature, std::nullopt},
        {"one byte after the comment", ziptest::Concat({data, end3, ziptest::Bytes("abcd")}), kEndRecordSignature,
         std::nullopt},
        {"comment shorter than announced", ziptest::Concat({data, end3, ziptest::Bytes("ab")}), kEndRecordSignature,
         std::nullopt},
        {"signature inside the comment",
         ziptest::Concat({data, Hex("504B0506 0000 0000 0100 0100 2E000000 10000000 1A00"), trap, Hex("AA 55")}),
         kEndRecordSignature, data.size()},
        {"second family asked for", ziptest::Concat({data, second}), kSecondEndRecordSignature, data.size()},
        {"second family not asked for", ziptest::Concat({data, second}), kEndRecordSignature, std::nullopt},
        {"signature cut by the end", Hex("0000 504B0506 0000"), kEndRecordSignature, std::nullopt},
        {"too short for a record", Hex("504B0506"), kEndRecordSignature, std::nullopt},
        {"nothing", {}, kEndRecordSignature, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindEndRecord(c.tail, c.signature), c.found);
    }
}

TEST(FindEndRecord, FindsARecordWithTheLongestComment) {
    // 22 + 65535 bytes fit the search window with 43 to spare.
    std::vector<std::uint8_t> tail(kEndRecordSearchWindow, 0x41);
    const std::size_t at = kEndRecordSearchWindow - EndRecord::kSize - 0xFFFF;
    EXPECT_EQ(at, 43u);
    const auto end = Hex("504B0506 0000 0000 0000 0000 00000000 00000000 FFFF");
    std::copy(end.begin(), end.end(), tail.begin() + at);
    EXPECT_EQ(FindEndRecord(tail, kEndRecordSignature), at);
}

TEST(ZipConstants, VersionsAndFamilies) {
    struct Case {
        bool secondFamily, oemFileNames, zip64;
        std::uint16_t version;
    };
    const Case cases[] = {
        {false, true, false, 20},       {false, false, false, 0x0B14}, {false, true, true, 45},
        {false, false, true, 45},       {true, true, false, 0x4114},   {true, false, false, 0x4114},
        {true, true, true, 0x412D},     {true, false, true, 0x412D},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.secondFamily << c.oemFileNames << c.zip64);
        EXPECT_EQ(ItemVersion(c.secondFamily, c.oemFileNames, c.zip64), c.version);
    }
    EXPECT_TRUE(UsesStandardEncryption(0x0B14));
    EXPECT_TRUE(UsesStandardEncryption(0x4113));
    EXPECT_FALSE(UsesStandardEncryption(0x4114));

    EXPECT_EQ(SignaturesFor(1).endRecord, 0x06054B50u);
    EXPECT_EQ(SignaturesFor(0).localHeader, 0x05045C61u);
    EXPECT_EQ(SignaturesFor(0).centralHeader, 0x03025C61u);
    EXPECT_TRUE(IsSecondFamilyEndRecord(SignaturesFor(0).endRecord));
    EXPECT_FALSE(IsSecondFamilyEndRecord(SignaturesFor(2).endRecord));

    EXPECT_FALSE(NeedsEscape32(0xFFFFFFFE));
    EXPECT_TRUE(NeedsEscape32(0xFFFFFFFF));
    EXPECT_FALSE(NeedsEscape16(65534));
    EXPECT_TRUE(NeedsEscape16(65535));
}

TEST(DosDateTime, PacksTheHeaderBits) {
    struct Case {
        const char* name;
        DosDateTime in;
        std::uint16_t date, time;
        DosDateTime back;
    };
    const Case cases[] = {
        {"ordinary", {2026, 12, 10, 9, 18, 16}, 0x5D8A, 0x4A48, {2026, 12, 10, 9, 18, 16}},
        {"odd second rounds down", {2026, 12, 10, 9, 18, 17}, 0x5D8A, 0x4A48, {2026, 12, 10, 9, 18, 16}},
        {"first day", {1980, 1, 1, 0, 0, 0}, 0x0021, 0x0000, {1980, 1, 1, 0, 0, 0}},
        {"before 1980", {1970, 6, 15, 12, 30, 0}, 0x0021, 0x0000, {1980, 1, 1, 0, 0, 0}},
        {"last moment", {2107, 12, 31, 23, 59, 58}, 0xFF9F, 0xBF7D, {2107, 12, 31, 23, 59, 58}},
        {"after 2107", {2108, 3, 1, 1, 1, 1}, 0xFF9F, 0xBF7D, {2107, 12, 31, 23, 59, 58}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.in.PackedDate(), c.date);
        EXPECT_EQ(c.in.PackedTime(), c.time);
        EXPECT_EQ(DosDateTime::Unpack(c.date, c.time), c.back);
    }
}

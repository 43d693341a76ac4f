// Guards the record layouts against archives the zip tool makes at run time (plain, forced Zip64,
// streamed with data descriptors): each record is found by offset, parsed and written back byte
// for byte; and an archive built from our records alone passes the unzip tool's test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "TempDir.h"
#include "Tools.h"
#include "ZlibOracle.h"
#include "format/ByteReader.h"
#include "format/ByteWriter.h"
#include "format/CentralHeader.h"
#include "format/DataDescriptor.h"
#include "format/DosDateTime.h"
#include "format/EndRecord.h"
#include "format/ExtraField.h"
#include "format/LocalHeader.h"
#include "format/UnicodeNameExtraField.h"
#include "format/Zip64EndRecord.h"
#include "format/Zip64ExtraField.h"
#include "format/Zip64Locator.h"
#include "format/ZipConstants.h"

using namespace ziplib;
using Bytes = std::vector<std::uint8_t>;
using zliboracle::Crc32;

namespace {

const std::string kContent = "hello hello hello hello, a small file to archive\n";

// The bytes of `file` from `offset` on; none when the offset lies beyond it.
std::span<const std::uint8_t> From(const Bytes& file, std::uint64_t offset) {
    if (offset > file.size()) return {};
    return std::span(file).subspan(static_cast<std::size_t>(offset));
}

Bytes Load(const std::filesystem::path& p) {
    const auto s = testsupport::ReadFile(p);
    return {s.begin(), s.end()};
}

std::string Text(std::span<const std::uint8_t> b) { return {b.begin(), b.end()}; }

// Writes a parsed record back and compares it with the bytes it came from.
template <class Record>
void ExpectWrittenBack(const Record& r, std::span<const std::uint8_t> original) {
    ByteWriter w;
    r.Write(w);
    EXPECT_EQ(w.bytes(), Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(w.size())));
}

struct Entry {
    CentralHeader header;
    std::string name;
    std::vector<ExtraField> extra;
    std::string comment;
    Zip64ExtraField zip64;
};

struct Archive {
    std::size_t endAt = 0;
    EndRecord end;
    std::string comment;
    std::optional<Zip64Locator> locator;
    std::optional<Zip64EndRecord> zip64End;
    std::vector<Entry> entries;
};

// Reads the directory the way the library does: the end record from the tail, the Zip64
// records right before it, then every central entry from the directory's start.
Archive ReadDirectory(const Bytes& file) {
    Archive a;
    const std::size_t window = std::min(file.size(), kEndRecordSearchWindow);
    const auto tail = std::span(file).last(window);
    const auto at = FindEndRecord(tail, kEndRecordSignature);
    EXPECT_TRUE(at.has_value());
    if (!at) return a;
    a.endAt = file.size() - window + *at;
    a.end = *EndRecord::Parse(From(file, a.endAt));
    ExpectWrittenBack(a.end, From(file, a.endAt));
    a.comment = Text(From(file, a.endAt + EndRecord::kSize));

    // As the library does for a single volume, the directory is found by its size, counted
    // back from the record after it; the stored offset is only checked where it is not escaped
    // (the tool writing to a pipe escapes it without writing Zip64 records).
    std::uint64_t directoryStart = a.endAt - a.end.directorySize;
    std::uint64_t count = a.end.totalEntries;
    if (a.end.directoryOffset != kEscape32) {
        EXPECT_EQ(a.end.directoryOffset, directoryStart);
    }
    if (a.endAt >= Zip64Locator::kSize) {
        const auto l = Zip64Locator::Parse(From(file, a.endAt - Zip64Locator::kSize));
        if (l && l->signature == kZip64LocatorSignature) {
            a.locator = l;
            ExpectWrittenBack(*l, From(file, a.endAt - Zip64Locator::kSize));
            a.zip64End = Zip64EndRecord::Parse(From(file, l->zip64EndOffset));
            EXPECT_TRUE(a.zip64End.has_value());
            if (!a.zip64End) return a;
            ExpectWrittenBack(*a.zip64End, From(file, l->zip64EndOffset));
            EXPECT_EQ(l->zip64EndOffset + Zip64EndRecord::kSize, a.endAt - Zip64Locator::kSize);
            directoryStart = l->zip64EndOffset - a.zip64End->directorySize;
            EXPECT_EQ(a.zip64End->directoryOffset, directoryStart);
            count = a.zip64End->totalEntries;
        }
    }
    std::uint64_t p = directoryStart;
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto h = CentralHeader::Parse(From(file, p));
        EXPECT_TRUE(h.has_value());
        if (!h) return a;
        EXPECT_EQ(h->signature, kCentralHeaderSignature);
        ExpectWrittenBack(*h, From(file, p));
        Entry e;
        e.header = *h;
        ByteReader r(From(file, p + CentralHeader::kSize));
        e.name = Text(r.Bytes(h->nameLength));
        const auto area = r.Bytes(h->extraLength);
        e.comment = Text(r.Bytes(h->commentLength));
        EXPECT_TRUE(r.ok());
        e.extra = ParseExtraFields(area);
        EXPECT_EQ(ExtraFieldsLength(e.extra), area.size());
        ByteWriter back;
        EXPECT_TRUE(WriteExtraFields(back, e.extra));
        EXPECT_EQ(back.bytes(), Bytes(area.begin(), area.end()));
        for (const auto& f : e.extra)
            if (f.id == kZip64ExtraId) e.zip64 = Zip64ExtraField::Parse(f.data, Zip64Escapes::Of(*h));
        a.entries.push_back(std::move(e));
        p += h->RecordSize();
    }
    // The directory ends where the Zip64 records or the end record begin.
    EXPECT_EQ(p, a.locator ? a.locator->zip64EndOffset : a.endAt);
    return a;
}

struct Local {
    LocalHeader header;
    std::string name;
    std::vector<ExtraField> extra;
    std::size_t dataAt = 0;
};

Local ReadLocal(const Bytes& file, std::uint64_t offset) {
    Local l;
    const auto h = LocalHeader::Parse(From(file, offset));
    EXPECT_TRUE(h.has_value());
    if (!h) return l;
    EXPECT_EQ(h->signature, kLocalHeaderSignature);
    ExpectWrittenBack(*h, From(file, offset));
    l.header = *h;
    ByteReader r(From(file, offset + LocalHeader::kSize));
    l.name = Text(r.Bytes(h->nameLength));
    l.extra = ParseExtraFields(r.Bytes(h->extraLength));
    EXPECT_TRUE(r.ok());
    l.dataAt = offset + h->RecordSize();
    return l;
}

class ForeignArchive : public testing::Test {
protected:
    void SetUp() override {
        testsupport::WriteFile(dir / "a.txt", kContent);
        std::filesystem::create_directories(dir / "d");
    }

    testsupport::TempDir dir;
};

}  // namespace

TEST_F(ForeignArchive, PlainArchiveWithFolderCommentAndForeignExtraFields) {
    // Stored, so the data can be compared; without -X the tool adds extra fields of its own,
    // which must come through untouched.
    testsupport::ExpectShell(dir.path(), "printf 'the archive comment' | zip -q -0 -z plain.zip a.txt d");
    const auto file = Load(dir / "plain.zip");
    const auto a = ReadDirectory(file);
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_EQ(a.comment, "the archive comment");
    EXPECT_EQ(a.end.commentLength, a.comment.size());
    EXPECT_FALSE(a.locator.has_value());
    EXPECT_EQ(a.end.directoryOffset + a.end.directorySize, a.endAt);

    const auto& f = a.entries[0];
    EXPECT_EQ(f.name, "a.txt");
    EXPECT_EQ(f.header.method, kMethodStored);
    EXPECT_EQ(f.header.crc32, Crc32(kContent));
    EXPECT_EQ(f.header.uncompressedSize, kContent.size());
    EXPECT_EQ(f.header.compressedSize, kContent.size());
    EXPECT_FALSE(f.extra.empty());
    for (const auto& x : f.extra) EXPECT_NE(x.id, kZip64ExtraId);

    const auto local = ReadLocal(file, f.header.localHeaderOffset);
    EXPECT_EQ(local.name, "a.txt");
    for (const auto& [c, l] : {std::pair{f.header.versionNeeded, local.header.versionNeeded},
                               std::pair{f.header.method, local.header.method},
                               std::pair{f.header.modTime, local.header.modTime},
                               std::pair{f.header.modDate, local.header.modDate}})
        EXPECT_EQ(c, l);
    EXPECT_EQ(local.header.crc32, f.header.crc32);
    EXPECT_EQ(local.header.compressedSize, f.header.compressedSize);
    EXPECT_EQ(Text(From(file, local.dataAt).first(kContent.size())), kContent);

    const auto& d = a.entries[1];
    EXPECT_EQ(d.name, "d/");
    EXPECT_EQ(d.header.uncompressedSize, 0u);
    EXPECT_EQ(ReadLocal(file, d.header.localHeaderOffset).name, "d/");
}

TEST_F(ForeignArchive, ForcedZip64TakesTheEscapedValuesFromTheExtraFields) {
    testsupport::ExpectShell(dir.path(), "zip -q -X -fz z64.zip a.txt");
    const auto file = Load(dir / "z64.zip");
    const auto a = ReadDirectory(file);
    ASSERT_TRUE(a.locator.has_value());
    ASSERT_TRUE(a.zip64End.has_value());
    ASSERT_EQ(a.entries.size(), 1u);

    // The Zip64 end record lies directly before its locator and is exactly 56 bytes long.
    EXPECT_EQ(a.locator->zip64EndOffset + Zip64EndRecord::kSize + Zip64Locator::kSize, a.endAt);
    EXPECT_EQ(a.zip64End->signature, kZip64EndRecordSignature);
    EXPECT_EQ(a.zip64End->recordSize, Zip64EndRecord::kRestSize);
    EXPECT_EQ(a.zip64End->totalEntries, 1u);
    EXPECT_EQ(a.zip64End->directoryOffset + a.zip64End->directorySize, a.locator->zip64EndOffset);
    EXPECT_EQ(a.locator->totalDisks, 1u);

    const auto& e = a.entries[0];
    const auto escapes = Zip64Escapes::Of(e.header);
    ASSERT_TRUE(escapes.any());
    const auto size = e.zip64.uncompressedSize.value_or(e.header.uncompressedSize);
    const auto packed = e.zip64.compressedSize.value_or(e.header.compressedSize);
    const auto offset = e.zip64.localHeaderOffset.value_or(e.header.localHeaderOffset);
    EXPECT_EQ(e.zip64.uncompressedSize.has_value(), escapes.uncompressedSize);
    EXPECT_EQ(e.zip64.compressedSize.has_value(), escapes.compressedSize);
    EXPECT_EQ(size, kContent.size());

    // The local header escapes both sizes and carries both in a 20-byte field.
    const auto local = ReadLocal(file, offset);
    EXPECT_EQ(local.header.versionNeeded, kVersionZip64);
    EXPECT_EQ(Zip64Escapes::Of(local.header), (Zip64Escapes{true, true, false, false}));
    ASSERT_FALSE(local.extra.empty());
    EXPECT_EQ(local.extra[0].id, kZip64ExtraId);
    EXPECT_EQ(kExtraFieldHeaderSize + local.extra[0].data.size(), 20u);
    const auto lz = Zip64ExtraField::Parse(local.extra[0].data, Zip64Escapes::Of(local.header));
    EXPECT_EQ(lz.uncompressedSize, size);
    EXPECT_EQ(lz.compressedSize, packed);
    EXPECT_EQ(local.dataAt + packed, a.zip64End->directoryOffset);
}

TEST_F(ForeignArchive, StreamedArchivesCarryDataDescriptors) {
    struct Case {
        const char* name;
        const char* options;
        bool zip64Sizes;
    };
    const Case cases[] = {{"32-bit sizes", "", false}, {"64-bit sizes", "-fz", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Written to a pipe the tool can't seek back, so the sizes follow the data.
        testsupport::ExpectShell(dir.path(), std::string("zip -q -X ") + c.options + " - a.txt | cat > s.zip");
        const auto file = Load(dir / "s.zip");
        const auto a = ReadDirectory(file);
        ASSERT_EQ(a.entries.size(), 1u);
        const auto& e = a.entries[0];
        EXPECT_TRUE(e.header.flags & kFlagDataDescriptor);
        const auto local = ReadLocal(file, e.zip64.localHeaderOffset.value_or(e.header.localHeaderOffset));
        EXPECT_EQ(local.header.crc32, 0u);
        const auto packed = e.zip64.compressedSize.value_or(e.header.compressedSize);
        const auto descriptorAt = local.dataAt + packed;
        const auto d = DataDescriptor::Parse(From(file, descriptorAt), true, c.zip64Sizes);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->signature, kDataDescriptorSignature);
        EXPECT_EQ(d->crc32, Crc32(kContent));
        EXPECT_EQ(d->crc32, e.header.crc32);
        EXPECT_EQ(d->compressedSize, packed);
        EXPECT_EQ(d->uncompressedSize, kContent.size());
        ByteWriter w;
        ASSERT_TRUE(d->Write(w));
        EXPECT_EQ(w.bytes(), Bytes(file.begin() + static_cast<std::ptrdiff_t>(descriptorAt),
                                   file.begin() + static_cast<std::ptrdiff_t>(descriptorAt + d->RecordSize())));
        // The central directory starts right after the descriptor.
        const auto start = a.zip64End ? a.locator->zip64EndOffset - a.zip64End->directorySize
                                      : a.endAt - a.end.directorySize;
        EXPECT_EQ(descriptorAt + d->RecordSize(), start);
    }
}

TEST_F(ForeignArchive, AnArchiveOfOurRecordsPassesTheUnzipTest) {
    // Laid out as the library writes with Zip64 forced: escaped sizes and a 20-byte Zip64
    // field in the local header, escaped sizes and offset in the central one, the Zip64 end
    // record and locator, and the Unicode name field beside an OEM name.
    const std::string name = "a.txt";
    const std::u16string wide = u"a.txt";
    const auto unicode = *UnicodeNameExtraField{wide}.ToExtraField();
    const auto dos = DosDateTime{2024, 5, 17, 13, 45, 30};
    ByteWriter w;

    LocalHeader lh;
    lh.signature = kLocalHeaderSignature;
    lh.versionNeeded = ItemVersion(false, true, true);
    lh.modTime = dos.PackedTime();
    lh.modDate = dos.PackedDate();
    lh.crc32 = Crc32(kContent);
    lh.compressedSize = lh.uncompressedSize = kEscape32;
    lh.nameLength = static_cast<std::uint16_t>(name.size());
    const auto localZip64 = Zip64ExtraField{kContent.size(), kContent.size(), std::nullopt, std::nullopt};
    const std::vector<ExtraField> localExtra = {localZip64.ToExtraField(), unicode};
    lh.extraLength = static_cast<std::uint16_t>(ExtraFieldsLength(localExtra));
    lh.Write(w);
    w.Bytes(name);
    ASSERT_TRUE(WriteExtraFields(w, localExtra));
    w.Bytes(kContent);

    const std::size_t dirLocal = w.size();
    LocalHeader dh;
    dh.signature = kLocalHeaderSignature;
    dh.versionNeeded = ItemVersion(false, true, false);
    dh.flags = kFlagDirectoryEntry;
    dh.modTime = lh.modTime;
    dh.modDate = lh.modDate;
    dh.nameLength = 2;
    dh.Write(w);
    w.Bytes(std::string_view("d/"));

    const std::size_t directoryStart = w.size();
    CentralHeader ch;
    ch.signature = kCentralHeaderSignature;
    ch.versionMadeBy = ch.versionNeeded = lh.versionNeeded;
    ch.modTime = lh.modTime;
    ch.modDate = lh.modDate;
    ch.crc32 = lh.crc32;
    ch.compressedSize = ch.uncompressedSize = ch.localHeaderOffset = kEscape32;
    ch.nameLength = lh.nameLength;
    ch.externalAttributes = kAttrArchive;
    const auto centralZip64 = Zip64ExtraField::Select(Zip64Escapes::Of(ch), kContent.size(), kContent.size(), 0, 0);
    // A stale Zip64 field carried by the item is replaced, not written again.
    const std::vector<ExtraField> carried = {{kZip64ExtraId, Bytes(24, 0xEE)}, unicode};
    ch.extraLength = static_cast<std::uint16_t>(CentralExtraAreaLength(centralZip64, carried));
    ch.Write(w);
    w.Bytes(name);
    ASSERT_TRUE(WriteCentralExtraArea(w, centralZip64, carried));

    CentralHeader cd;
    cd.signature = kCentralHeaderSignature;
    cd.versionMadeBy = cd.versionNeeded = dh.versionNeeded;
    cd.flags = kFlagDirectoryEntry;
    cd.modTime = dh.modTime;
    cd.modDate = dh.modDate;
    cd.nameLength = 2;
    cd.externalAttributes = kAttrDirectory;
    cd.localHeaderOffset = static_cast<std::uint32_t>(dirLocal);
    cd.Write(w);
    w.Bytes(std::string_view("d/"));

    const std::size_t zip64EndAt = w.size();
    Zip64EndRecord z;
    z.entriesOnDisk = z.totalEntries = 2;
    z.directoryOffset = directoryStart;
    z.directorySize = zip64EndAt - directoryStart;
    z.Write(w);
    Zip64Locator loc;
    loc.zip64EndOffset = zip64EndAt;
    loc.Write(w);

    const std::string comment = "made of our own records";
    EndRecord e;
    e.signature = kEndRecordSignature;
    e.entriesOnDisk = e.totalEntries = 2;
    e.directorySize = static_cast<std::uint32_t>(z.directorySize);
    e.directoryOffset = kEscape32;
    e.commentLength = static_cast<std::uint16_t>(comment.size());
    e.Write(w);
    w.Bytes(comment);
    ASSERT_TRUE(w.ok());

    const std::string path = (dir / "ours.zip").string();
    testsupport::WriteFile(path, Text(w.bytes()));
    testsupport::ExpectShell(dir.path(), "unzip -tq '" + path + "' > '" + (dir / "out.txt").string() + "' 2>&1");
    EXPECT_NE(testsupport::ReadFile(dir / "out.txt").find("No errors detected"), std::string::npos)
        << testsupport::ReadFile(dir / "out.txt");

    // And our own reading finds what we wrote.
    const auto a = ReadDirectory(w.bytes());
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_EQ(a.comment, comment);
    EXPECT_EQ(a.entries[0].zip64.localHeaderOffset, 0u);
    EXPECT_EQ(a.entries[0].zip64.uncompressedSize, kContent.size());
    EXPECT_EQ(a.entries[0].extra.size(), 2u);
    EXPECT_EQ(UnicodeNameExtraField::Parse(a.entries[0].extra[1].data)->name, wide);
    EXPECT_EQ(DosDateTime::Unpack(a.entries[1].header.modDate, a.entries[1].header.modTime), dos);
}

// Guards the overlap check against zip bombs: entries sharing an offset or quoting the next
// entry's header are all named, while archives made by real tools (empty files, folders, data
// descriptors) never are. The bomb's items each decode correctly on their own, so only this
// check can refuse them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "ZipFixtures.h"
#include "engine/ItemDataReader.h"
#include "engine/ItemOverlap.h"
#include "format/ByteWriter.h"
#include "format/LocalHeader.h"
#include "ziplib/Crc32.h"

namespace {

using namespace zipfixtures;

struct Span {
    std::uint64_t offset;
    std::uint64_t compressed;
    std::uint32_t disk = 0;
    bool escaped = false;  // the values sit behind Zip64 escapes
};

void Fill(ziplib::TZADirArray& arr, const std::vector<Span>& spans) {
    arr.SetCount(static_cast<int>(spans.size()));
    for (std::size_t i = 0; i < spans.size(); ++i) {
        ziplib::TDirItem& it = *arr.ItemPtr(static_cast<int>(i));
        const Span& s = spans[i];
        it.LocalHeaderOffset = s.offset;
        it.CompressedSize = s.compressed;
        it.StartDisk = s.disk;
        it.Header.localHeaderOffset = s.escaped ? ziplib::kEscape32 : static_cast<std::uint32_t>(s.offset);
        it.Header.compressedSize = s.escaped ? ziplib::kEscape32 : static_cast<std::uint32_t>(s.compressed);
        it.Header.startDisk = s.escaped ? ziplib::kEscape16 : static_cast<std::uint16_t>(s.disk);
    }
}

void Fill(ziplib::TZADirArray& arr, const Archive& a) {
    arr.SetCount(static_cast<int>(a.items.size()));
    for (std::size_t i = 0; i < a.items.size(); ++i) *arr.ItemPtr(static_cast<int>(i)) = a.items[i];
}

TEST(FindOverlappingItems, NamesEveryEntryThatSharesBytes) {
    struct Case {
        const char* name;
        std::vector<Span> spans;
        std::vector<int> want;
    };
    const std::uint64_t huge = ~std::uint64_t{0} - 10;
    const Case cases[] = {
        {"disjoint", {{0, 100}, {200, 50}}, {}},
        {"next header right after the data", {{0, 70}, {100, 10}, {140, 0}}, {}},
        {"overlapping by exactly one byte", {{0, 70}, {99, 10}, {200, 10}}, {0, 1}},
        {"empty items back to back", {{0, 0}, {31, 0}, {62, 0}}, {}},
        {"same offset twice", {{0, 100}, {0, 100}}, {0, 1}},
        {"each quotes the next header", {{0, 1000}, {35, 965}, {70, 930}, {105, 895}}, {0, 1, 2, 3}},
        {"one inside another, a third clear", {{0, 1000}, {50, 10}, {2000, 10}}, {0, 1}},
        {"a long one reaching past a short one", {{0, 5000}, {10, 10}, {100, 10}}, {0, 1, 2}},
        {"listed out of order", {{2000, 10}, {50, 10}, {0, 1000}}, {1, 2}},
        {"in order but the last", {{0, 10}, {100, 10}, {200, 10}, {105, 10}}, {1, 3}},
        {"in order but the last, clear of all", {{0, 10}, {100, 10}, {200, 10}, {50, 10}}, {}},
        {"same offset, the shorter listed first", {{0, 10}, {0, 100}, {500, 10}}, {0, 1}},
        {"in order on each volume, volumes listed backwards", {{0, 100, 1}, {0, 100, 0}, {50, 10, 0}}, {1, 2}},
        {"same offsets on different volumes", {{0, 100, 0}, {0, 100, 1}}, {}},
        {"Zip64 values behind escapes", {{0x100000000ull, 100, 2, true}, {0x100000010ull, 5, 2, true}}, {0, 1}},
        {"a size that would wrap", {{10, huge}, {5000, 1}}, {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ziplib::TZADirArray arr;
        Fill(arr, c.spans);
        EXPECT_EQ(ziplib::FindOverlappingItems(arr), c.want);
    }
}

TEST(FindOverlappingItems, ToolMadeArchivesHaveNone) {
    if (!HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
    testsupport::TempDir dir;
    for (int i = 0; i < 200; ++i) {
        const std::string folder = "tree/d" + std::to_string(i % 7) + "/";
        testsupport::WriteFile(dir / (folder + "f" + std::to_string(i) + ".txt"), MakeText(static_cast<std::size_t>(i * 37 % 5000), i));
    }
    std::filesystem::create_directories(dir / "tree/empty-folder");
    std::vector<std::pair<std::string, std::string>> made = {
        {"plain.zip", "zip -q -r -X plain.zip tree"},
        {"stored.zip", "zip -q -r -X -0 stored.zip tree"},
        {"streamed.zip", "zip -q -r -X - tree | cat > streamed.zip"},
        {"z64.zip", "zip -q -r -X -fz z64.zip tree"},
    };
    if (HaveTool("7z")) made.push_back({"7z.zip", "7z a -tzip 7z.zip tree"});
    for (const auto& [file, cmd] : made) {
        SCOPED_TRACE(cmd);
        ASSERT_EQ(RunShell(dir.path(), cmd), 0);
        const Archive a = LoadArchive(dir / file);
        ASSERT_GT(a.items.size(), 200u);
        ziplib::TZADirArray arr;
        Fill(arr, a);
        EXPECT_TRUE(ziplib::FindOverlappingItems(arr).empty());
    }
}

// The overlapping bomb: each item's deflate data is a stored block quoting the next item's local
// header, followed by that item's own data, down to a kernel shared by all. N items then inflate
// to about N times the kernel from one copy of it.
Archive OverlappingBomb(int n, const std::string& kernelText) {
    std::vector<Bytes> headers(static_cast<std::size_t>(n));
    std::vector<std::string> outputs(static_cast<std::size_t>(n));
    std::vector<std::uint32_t> compressed(static_cast<std::size_t>(n));
    Bytes kernel;
    {
        // The kernel: the text as one final stored block, so no compressor is needed here.
        kernel.push_back(0x01);
        const auto len = static_cast<std::uint16_t>(kernelText.size());
        kernel.push_back(static_cast<std::uint8_t>(len));
        kernel.push_back(static_cast<std::uint8_t>(len >> 8));
        kernel.push_back(static_cast<std::uint8_t>(~len));
        kernel.push_back(static_cast<std::uint8_t>(~len >> 8));
        kernel.insert(kernel.end(), kernelText.begin(), kernelText.end());
    }
    std::uint32_t dataSize = static_cast<std::uint32_t>(kernel.size());
    std::string out = kernelText;
    for (int i = n - 1; i >= 0; --i) {
        const std::string name = "bomb" + std::to_string(i);
        ziplib::LocalHeader h;
        h.signature = ziplib::kLocalHeaderSignature;
        h.versionNeeded = 20;
        h.method = 8;
        std::uint32_t r = 0xFFFFFFFFu;
        ziplib::UpdateCRC32(out.data(), static_cast<std::int64_t>(out.size()), r);
        h.crc32 = ~r;
        h.compressedSize = dataSize;
        h.uncompressedSize = static_cast<std::uint32_t>(out.size());
        h.nameLength = static_cast<std::uint16_t>(name.size());
        ziplib::ByteWriter w;
        h.Write(w);
        w.Bytes(name);
        headers[static_cast<std::size_t>(i)] = w.Take();
        outputs[static_cast<std::size_t>(i)] = out;
        compressed[static_cast<std::size_t>(i)] = dataSize;
        // The item before this one quotes this header in a 5-byte stored block header.
        out = std::string(headers[static_cast<std::size_t>(i)].begin(), headers[static_cast<std::size_t>(i)].end()) + out;
        dataSize += 5 + static_cast<std::uint32_t>(headers[static_cast<std::size_t>(i)].size());
    }
    ziplib::ByteWriter file;
    std::vector<std::uint32_t> offsets;
    for (int i = 0; i < n; ++i) {
        const Bytes& h = headers[static_cast<std::size_t>(i)];
        offsets.push_back(static_cast<std::uint32_t>(file.size()));
        file.Bytes(h);
        if (i + 1 < n) {
            const auto len = static_cast<std::uint16_t>(headers[static_cast<std::size_t>(i) + 1].size());
            file.U8(0x00);
            file.U16(len);
            file.U16(static_cast<std::uint16_t>(~len));
        }
    }
    file.Bytes(kernel);
    const std::uint32_t cd = static_cast<std::uint32_t>(file.size());
    for (int i = 0; i < n; ++i) {
        const auto lh = *ziplib::LocalHeader::Parse(headers[static_cast<std::size_t>(i)]);
        ziplib::CentralHeader c;
        c.signature = ziplib::kCentralHeaderSignature;
        c.versionMadeBy = c.versionNeeded = 20;
        c.method = 8;
        c.crc32 = lh.crc32;
        c.compressedSize = lh.compressedSize;
        c.uncompressedSize = lh.uncompressedSize;
        c.nameLength = lh.nameLength;
        c.localHeaderOffset = offsets[static_cast<std::size_t>(i)];
        c.Write(file);
        file.Bytes("bomb" + std::to_string(i));
    }
    ziplib::EndRecord e;
    e.signature = ziplib::kEndRecordSignature;
    e.entriesOnDisk = e.totalEntries = static_cast<std::uint16_t>(n);
    e.directorySize = static_cast<std::uint32_t>(file.size()) - cd;
    e.directoryOffset = cd;
    e.Write(file);
    return ParseArchive(file.Take());
}

TEST(FindOverlappingItems, RefusesTheOverlappingBomb) {
    const std::string kernel = MakeText(50000, 3);
    const int n = 40;
    const Archive a = OverlappingBomb(n, kernel);
    ASSERT_EQ(a.items.size(), static_cast<std::size_t>(n));
    // Each item is valid deflate data with a matching CRC: only the overlap gives it away.
    ziplib::ItemDataReader reader;
    std::uint64_t total = 0;
    for (const auto& item : a.items) {
        ScriptedContext ctx;
        ctx.directoryStart = a.directoryStart;
        MemoryOutput out;
        auto s = StreamAt(a.bytes, ziplib::ItemLocalHeaderOffset(item));
        EXPECT_EQ(reader.Extract(*s, out, item, ctx).status, ziplib::ItemDataStatus::Ok);
        total += out.data.size();
    }
    EXPECT_GT(total, static_cast<std::uint64_t>(n - 1) * kernel.size());
    EXPECT_LT(a.bytes.size(), kernel.size() + 5000);

    ziplib::TZADirArray arr;
    Fill(arr, a);
    std::vector<int> all(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) all[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(ziplib::FindOverlappingItems(arr), all);
}

}  // namespace

// Guards the directory writer: an empty archive's lone end record, the Zip64 records exactly when
// the entry count or the directory's end needs them, Zip64 fields computed from the items' values
// (never the one an item was read with), and names written as they will be read back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "directory/TZADirManager.h"
#include "format/ByteReader.h"
#include "format/ZipConstants.h"
#include "ziplib/TMemoryStream.h"

using namespace ziplib;

namespace {

// A stream of `base` bytes that are not kept (they read as zeros) followed by the bytes written,
// so that a directory can be written at a position near 4 GiB.
class SparseStream : public TStream {
public:
    explicit SparseStream(int64_t base) : base_(base) {}
    int64_t Read(void* buffer, int64_t count) override {
        auto* p = static_cast<uint8_t*>(buffer);
        int64_t n = 0;
        for (; n < count && pos_ < Size(); ++n, ++pos_) p[n] = pos_ < base_ ? 0 : data[static_cast<size_t>(pos_ - base_)];
        return n;
    }
    int64_t Write(const void* buffer, int64_t count) override {
        if (pos_ < base_) return 0;
        const auto at = static_cast<size_t>(pos_ - base_);
        if (data.size() < at + static_cast<size_t>(count)) data.resize(at + static_cast<size_t>(count));
        std::copy_n(static_cast<const uint8_t*>(buffer), count, data.begin() + static_cast<std::ptrdiff_t>(at));
        pos_ += count;
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        const int64_t from = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : Size();
        pos_ = from + offset;
        return pos_;
    }
    void SetSize(int64_t) override {}
    int64_t Size() override { return base_ + static_cast<int64_t>(data.size()); }

    std::vector<uint8_t> data;

private:
    int64_t base_;
    int64_t pos_ = 0;
};

class Owner : public DirManagerOwner {
public:
    uint8_t GetSignatureFamily() const override { return 1; }
    const TStream* GetArchiveStream() const override { return nullptr; }
    void NewArchiveDirectory(TZADirManager&) override {}
};

void AddItem(TZADirManager& m, const std::u16string& name, uint16_t flags = 0) {
    const int i = m.Items.Count();
    m.Items.SetCount(i + 1);
    m.Items.Rename(i, name);
    TDirItem& item = *m.Items.ItemPtr(i);
    item.Header.signature = kCentralHeaderSignature;
    item.Header.versionMadeBy = item.Header.versionNeeded = 20;
    item.Header.flags = flags;
    item.Header.externalAttributes = kAttrDirectory;
}

bool HasZip64Records(const std::vector<uint8_t>& bytes, size_t endAt) {
    return endAt >= 20 && ByteReader(bytes).U32At(endAt - 20) == kZip64LocatorSignature;
}

}  // namespace

TEST(SaveDir, AnEmptyArchiveIsItsEndRecordWhereItIsWritten) {
    Owner owner;
    TMemoryStream stream(std::string(100, 'S'));
    TZADirManager m(&stream, &owner, true);
    m.Comment = "note";
    m.SaveDir();
    const std::vector<uint8_t> b(stream.Bytes().begin(), stream.Bytes().end());
    ASSERT_EQ(b.size(), 100u + 22 + 4);
    ByteReader r(b);
    EXPECT_EQ(r.U32At(100), kEndRecordSignature);
    EXPECT_EQ(r.U16At(108), 0);  // entries on this disk
    EXPECT_EQ(r.U16At(110), 0);  // entries
    EXPECT_EQ(r.U32At(112), 0u);  // directory size
    EXPECT_EQ(r.U32At(116), 100u);  // directory offset
    EXPECT_EQ(r.U16At(120), 4);
    EXPECT_EQ(std::string(b.end() - 4, b.end()), "note");
    EXPECT_EQ(m.DirectoryStart, 100);
    EXPECT_TRUE(m.DirectoryWritten);
}

TEST(SaveDir, Zip64RecordsComeWithTheCountOrPositionThatNeedsThem) {
    struct Case {
        const char* name;
        int items;
        int64_t end;  // where the directory ends; 0: wherever it does from the start
        bool zip64;
    };
    const Case cases[] = {
        {"65,534 items", 65534, 0, false},
        {"65,535 items", 65535, 0, true},
        {"ending at 0xFFFFFFFE", 1, 0xFFFFFFFE, false},
        {"ending at 0xFFFFFFFF", 1, 0xFFFFFFFF, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        const int64_t record = 46 + 6;  // "dNNNNN" with no extra field
        SparseStream stream(c.end ? c.end - record : 0);
        TZADirManager m(&stream, &owner, true);
        for (int i = 0; i < c.items; ++i) {
            char name[8];
            std::snprintf(name, sizeof name, "d%05d", i % 100000);
            AddItem(m, std::u16string(name, name + 6));
        }
        m.SaveDir();
        const std::vector<uint8_t>& b = stream.data;
        const size_t endAt = b.size() - 22;
        ByteReader r(b);
        ASSERT_EQ(r.U32At(endAt), kEndRecordSignature);
        EXPECT_EQ(HasZip64Records(b, endAt), c.zip64);
        EXPECT_EQ(m.IsZip64, c.zip64);
        const uint16_t entries = r.U16At(endAt + 10);
        EXPECT_EQ(entries, c.items >= 0xFFFF ? 0xFFFF : c.items);
        if (c.zip64) {
            const size_t z = endAt - 20 - 56;
            EXPECT_EQ(r.U32At(z), kZip64EndRecordSignature);
            EXPECT_EQ(r.U64At(z + 32), static_cast<uint64_t>(c.items));
            EXPECT_EQ(r.U64At(z + 48), static_cast<uint64_t>(m.DirectoryStart));
            EXPECT_EQ(r.U64At(endAt - 20 + 8), static_cast<uint64_t>(stream.Size()) - 22 - 20 - 56);
        }
        if (c.end == 0) {
            // And it reads back, 65,535 entries included, without a recovery scan.
            TMemoryStream again(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
            TZADirManager read(&again, &owner, false);
            read.LoadDir();
            EXPECT_EQ(read.Items.Count(), c.items);
            EXPECT_FALSE(read.Recovered);
        }
    }
}

TEST(SaveDir, Zip64FieldsFollowTheItemsValues) {
    struct Case {
        const char* name;
        uint32_t compressed;
        uint16_t disk;
        size_t zip64Data;  // bytes of the Zip64 field's data, 0 for none
    };
    const Case cases[] = {
        {"read with a Zip64 field, values in place", 1000, 0, 0},
        {"compressed size escaped", kEscape32, 0, 8},
        {"start disk 65,534", 1000, 65534, 0},
        {"start disk 65,535", 1000, kEscape16, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Owner owner;
        TMemoryStream stream;
        TZADirManager m(&stream, &owner, true);
        AddItem(m, u"a.bin");
        TDirItem& item = *m.Items.ItemPtr(0);
        item.Header.compressedSize = c.compressed;
        item.Header.startDisk = c.disk;
        item.CompressedSize = 0x123456789;
        item.StartDisk = 70000;
        item.HasZip64 = 1;
        // The Zip64 field the item was read with, and one of another tool that stays.
        item.ExtraFields = {{kZip64ExtraId, std::vector<uint8_t>(24, 0xEE)}, {0x5455, {1, 2, 3, 4, 5}}};
        EXPECT_EQ(m.Zip64ExtraSize(0), c.zip64Data == 0 ? 0 : 4 + c.zip64Data);
        m.SaveDir();
        const std::vector<uint8_t> b(stream.Bytes().begin(), stream.Bytes().end());
        ByteReader r(b);
        const uint16_t extra = r.U16At(30);
        const size_t at = 46 + 5;
        if (c.zip64Data == 0) {
            EXPECT_EQ(extra, 9);
            EXPECT_EQ(r.U16At(at), 0x5455);
            continue;
        }
        EXPECT_EQ(extra, 4 + c.zip64Data + 9);
        EXPECT_EQ(r.U16At(at), kZip64ExtraId);
        EXPECT_EQ(r.U16At(at + 2), c.zip64Data);
        if (c.zip64Data == 8) EXPECT_EQ(r.U64At(at + 4), 0x123456789u);
        else EXPECT_EQ(r.U32At(at + 4), 70000u);
        EXPECT_EQ(r.U16At(at + 4 + c.zip64Data), 0x5455);
    }
}

TEST(SaveDir, NamesAreWrittenAsTheyAreReadBack) {
    Owner owner;  // OEM names
    TMemoryStream stream;
    TZADirManager m(&stream, &owner, true);
    AddItem(m, u"Книга");
    AddItem(m, u"Книга2", kFlagUtf8Names);
    m.SaveDir();
    const std::string b(stream.Bytes().begin(), stream.Bytes().end());
    EXPECT_EQ(b.substr(46, 5), "\x8A\xAD\xA8\xA3\xA0");  // code page 866
    EXPECT_EQ(b.substr(46 + 5 + 46, 11), "Книга2");
    TMemoryStream again(b);
    TZADirManager read(&again, &owner, false);
    read.LoadDir();
    ASSERT_EQ(read.Items.Count(), 2);
    EXPECT_EQ(read.Items.ItemPtr(0)->Name, u"Книга");
    EXPECT_EQ(read.Items.ItemPtr(1)->Name, u"Книга2");
}

// Guards the item-data writer: every mode, cipher and size round-trips through the reader and,
// unencrypted, through zlib itself; blocks end in sync flushes; the traditional header carries
// the CRC's high bytes; sizes escape to Zip64 when forced or needed and are refused when Zip64 is
// off; and a cancel, a short source or a refused write stop the item for what they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "ZipFixtures.h"
#include "ZlibOracle.h"
#include "codec/CompressionModes.h"
#include "crypto/PkwareCrypto.h"
#include "engine/ItemDataReader.h"
#include "engine/ItemDataWriter.h"
#include "format/ByteWriter.h"
#include "format/LocalHeader.h"
#include "format/ZipConstants.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"

using namespace ziplib;
using zipfixtures::MakeRandom;
using zipfixtures::MakeText;

namespace {

class Context : public ItemWriteContext {
public:
    void Progress(const TDirItem&, std::uint64_t position, std::uint64_t) override {
        ++progress;
        if (cancelAt && position >= *cancelAt) cancelled = true;
    }
    bool Cancelled() override { return cancelled; }
    bool WriteBlock(TStream& archive, const std::uint8_t* data, std::size_t count) override {
        if (refuseAfter && written + count > *refuseAfter) {
            cancelled = cancelOnRefuse;
            return false;
        }
        written += count;
        return ItemWriteContext::WriteBlock(archive, data, count);
    }

    int progress = 0;
    std::optional<std::uint64_t> cancelAt;
    std::optional<std::uint64_t> refuseAfter;
    bool cancelOnRefuse = false;
    bool cancelled = false;
    std::uint64_t written = 0;
};

TDirItem NewItem(int mode, const std::string& password) {
    TDirItem item;
    item.Name = u"item.bin";
    item.Header.signature = kCentralHeaderSignature;
    item.Header.versionNeeded = item.Header.versionMadeBy = 20;
    item.Header.flags = password.empty() ? 0 : kFlagEncrypted;
    item.Header.modTime = 0x6000;
    item.Header.modDate = 0x5A21;
    item.Method = item.Header.method = mode == 0 ? kMethodStored : kMethodDeflate;
    item.CompressionMode = static_cast<uint8_t>(mode);
    item.Password = password;
    return item;
}

struct Written {
    TDirItem item;
    std::string data;  // the item's stored bytes
};

Written Write(const std::string& source, int mode, const std::string& password = {},
              TZACryptoAlgorithm encryption = TZACryptoAlgorithm::caPkzipClassic,
              TZip64Mode zip64 = TZip64Mode::zmAuto) {
    Written w{NewItem(mode, password), {}};
    TMemoryStream in(source), out;
    Context context;
    ItemDataWriter writer;
    EXPECT_TRUE(writer.Write(in, out, w.item, {encryption, zip64, true}, context));
    w.data.assign(out.Bytes().begin(), out.Bytes().end());
    return w;
}

// What the reader makes of the item behind a local header built from it.
std::string ReadBack(const Written& w, const std::string& password, uint8_t strength = 3) {
    ByteWriter b;
    LocalHeader h;
    h.signature = kLocalHeaderSignature;
    h.versionNeeded = w.item.Header.versionNeeded;
    h.flags = w.item.Header.flags;
    h.method = w.item.Header.method;
    h.modTime = w.item.Header.modTime;
    h.modDate = w.item.Header.modDate;
    h.crc32 = w.item.Header.crc32;
    h.compressedSize = w.item.Header.compressedSize;
    h.uncompressedSize = w.item.Header.uncompressedSize;
    h.nameLength = 8;
    TDirItem item = w.item;
    if (item.Header.method == kMethodAes) {
        AesExtraField aes{2, kAesVendorId, strength, item.Method};
        item.ExtraFields = {aes.ToExtraField()};
        item.EncryptionStrength = strength;
        h.extraLength = 11;
    }
    h.Write(b);
    b.Bytes(std::string_view("item.bin"));
    WriteExtraFields(b, item.ExtraFields);
    b.Bytes(w.data);
    TMemoryStream archive(std::string_view(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
    zipfixtures::MemoryOutput output;
    zipfixtures::ScriptedContext context;
    context.password = password;
    ItemDataReader reader;
    const ItemDataResult r = reader.Extract(archive, output, item, context);
    EXPECT_TRUE(r.ok()) << ItemDataStatusText(r.status);
    return output.Text();
}

// A source of `size` zero bytes that costs no memory.
class Zeros : public TStream {
public:
    explicit Zeros(int64_t size) : size_(size) {}
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = std::min(count, size_ - pos_);
        std::memset(buffer, 0, static_cast<size_t>(n));
        pos_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        pos_ = (origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : size_) + offset;
        return pos_;
    }
    void SetSize(int64_t) override {}

private:
    int64_t size_;
    int64_t pos_ = 0;
};

// Takes every write and keeps only their count.
class Counter : public TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
        size += count;
        return count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return size; }
    void SetSize(int64_t) override {}
    int64_t size = 0;
};

}  // namespace

TEST(ItemDataWriter, EveryModeCipherAndSizeReadsBack) {
    struct Cipher {
        const char* name;
        TZACryptoAlgorithm method;
        const char* password;
        uint8_t strength;
    };
    const Cipher ciphers[] = {{"plain", TZACryptoAlgorithm::caPkzipClassic, "", 0},
                              {"traditional", TZACryptoAlgorithm::caPkzipClassic, "pw", 0},
                              {"AES-128", TZACryptoAlgorithm::caAES_128, "pw", 1},
                              {"AES-256", TZACryptoAlgorithm::caAES_256, "pw", 3}};
    for (const int mode : {0, 1, 6, 9}) {
        const size_t block = GetBufferSize(mode);
        for (const size_t size : {size_t{0}, size_t{1}, block, block + 1, 2 * block + 7}) {
            const std::string source = MakeText(size, static_cast<unsigned>(size + mode));
            for (const Cipher& c : ciphers) {
                SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << size << " bytes, " << c.name);
                const Written w = Write(source, mode, c.password, c.method);
                const bool aes = c.method != TZACryptoAlgorithm::caPkzipClassic;
                EXPECT_EQ(w.item.Header.crc32, zliboracle::Crc32(source));
                EXPECT_EQ(w.item.Header.compressedSize, w.data.size());
                EXPECT_EQ(w.item.Header.uncompressedSize, size);
                EXPECT_EQ(w.item.Header.method, aes ? kMethodAes : size == 0 || mode == 0 ? kMethodStored : kMethodDeflate);
                EXPECT_EQ(w.item.Method, size == 0 || mode == 0 ? kMethodStored : kMethodDeflate);
                if (!aes && !*c.password && mode == 0) {
                    EXPECT_EQ(w.data, source);
                }
                EXPECT_EQ(ReadBack(w, c.password, c.strength), source);
            }
        }
    }
}

TEST(ItemDataWriter, DeflatedBlocksEndInSyncFlushesAndFormOneRawStream) {
    const size_t block = GetBufferSize(1);
    const std::string source = MakeText(3 * block + 100, 5);
    const Written w = Write(source, 1);
    // zlib itself inflates it: no zlib header in front, no trailer behind.
    EXPECT_EQ(zliboracle::RawInflate(std::span(reinterpret_cast<const uint8_t*>(w.data.data()), w.data.size()),
                                     source.size()),
              source);
    size_t markers = 0;
    for (size_t at = w.data.find(std::string("\0\0\xFF\xFF", 4)); at != std::string::npos;
         at = w.data.find(std::string("\0\0\xFF\xFF", 4), at + 1))
        ++markers;
    EXPECT_GE(markers, 3u);
}

TEST(ItemDataWriter, TheTraditionalHeaderEndsWithTheCrcsHighBytes) {
    const std::string source = MakeText(100000, 8);
    const Written w = Write(source, 6, "secret");
    ASSERT_GE(w.data.size(), kPkwareHeaderSize);
    std::array<uint8_t, kPkwareHeaderSize> header;
    std::copy_n(w.data.begin(), kPkwareHeaderSize, header.begin());
    TPkzipKeys keys;
    DecryptHeader("secret", keys, header);
    const uint32_t crc = zliboracle::Crc32(source);
    EXPECT_EQ(header[10], static_cast<uint8_t>(crc >> 16));
    EXPECT_EQ(header[11], static_cast<uint8_t>(crc >> 24));
    // Two items of the same password and data get different headers: the bytes are random.
    EXPECT_NE(Write(source, 6, "secret").data.substr(0, 10), w.data.substr(0, 10));
}

TEST(ItemDataWriter, AnItemWithoutAPasswordIsNeverMarkedAes) {
    const Written w = Write("plain text", 0, "", TZACryptoAlgorithm::caAES_256);
    EXPECT_EQ(w.item.Header.method, kMethodStored);
    EXPECT_EQ(w.data, "plain text");
}

TEST(ItemDataWriter, SizesEscapeToZip64WhenForcedOrNeeded) {
    {
        SCOPED_TRACE("forced");
        const Written w = Write("small", 6, "", TZACryptoAlgorithm::caPkzipClassic, TZip64Mode::zmAlways);
        EXPECT_EQ(w.item.Header.compressedSize, kEscape32);
        EXPECT_EQ(w.item.Header.uncompressedSize, kEscape32);
        EXPECT_EQ(w.item.UncompressedSize, 5u);
        EXPECT_EQ(w.item.CompressedSize, w.data.size());
        EXPECT_TRUE(w.item.HasZip64);
    }
    const int64_t size = 0x100000000LL + 5;
    for (const TZip64Mode mode : {TZip64Mode::zmAuto, TZip64Mode::zmDisabled}) {
        SCOPED_TRACE(mode == TZip64Mode::zmAuto ? "4 GiB, Zip64 on demand" : "4 GiB, Zip64 off");
        TDirItem item = NewItem(0, "");
        item.SourceFileName = u"C:\\big.bin";
        Zeros source(size);
        Counter out;
        Context context;
        ItemDataWriter writer;
        if (mode == TZip64Mode::zmDisabled) {
            try {
                writer.Write(source, out, item, {TZACryptoAlgorithm::caPkzipClassic, mode, true}, context);
                ADD_FAILURE() << "a 4 GiB item was written without Zip64";
            } catch (const EZAException& e) {
                EXPECT_EQ(e.NativeError(), ZAError::WriteZip64NotEnabled);
                EXPECT_NE(std::string(e.what()).find("big.bin"), std::string::npos);
            }
            continue;
        }
        ASSERT_TRUE(writer.Write(source, out, item, {TZACryptoAlgorithm::caPkzipClassic, mode, true}, context));
        EXPECT_EQ(out.size, size);
        EXPECT_EQ(item.Header.compressedSize, kEscape32);
        EXPECT_EQ(item.Header.uncompressedSize, kEscape32);
        EXPECT_EQ(item.CompressedSize, static_cast<uint64_t>(size));
        EXPECT_EQ(item.UncompressedSize, static_cast<uint64_t>(size));
        EXPECT_TRUE(item.HasZip64);
    }
}

TEST(ItemDataWriter, ACancelAShortSourceOrARefusedWriteStopsTheItem) {
    const size_t block = GetBufferSize(1);
    const std::string source = MakeRandom(3 * block, 4);
    const auto run = [&](Context& context, TStream& in) {
        TDirItem item = NewItem(1, "");
        TMemoryStream out;
        ItemDataWriter writer;
        return writer.Write(in, out, item, {}, context);
    };
    {
        SCOPED_TRACE("cancelled at the second block");
        Context context;
        context.cancelAt = block;
        TMemoryStream in(source);
        EXPECT_FALSE(run(context, in));
        EXPECT_EQ(context.progress, 2);
        EXPECT_LT(context.written, 2 * block);
    }
    {
        SCOPED_TRACE("the user gave up on a full disk");
        Context context;
        context.refuseAfter = block / 2;
        context.cancelOnRefuse = true;
        TMemoryStream in(source);
        EXPECT_FALSE(run(context, in));
    }
    // A stream that says it holds more than it gives.
    class Short : public TStream {
    public:
        explicit Short(const std::string& bytes) : bytes_(bytes) {}
        int64_t Read(void* buffer, int64_t count) override { return bytes_.Read(buffer, count); }
        int64_t Write(const void*, int64_t) override { return 0; }
        int64_t Seek(int64_t offset, TSeekOrigin origin) override { return bytes_.Seek(offset, origin); }
        void SetSize(int64_t) override {}
        int64_t Size() override { return bytes_.Size() + 1000; }

    private:
        TMemoryStream bytes_;
    };
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "a write refused without a cancel" : "a source shorter than its size");
        Context context;
        if (refused) context.refuseAfter = block / 2;
        Short shortSource(source);
        TMemoryStream whole(source);
        try {
            run(context, refused ? static_cast<TStream&>(whole) : shortSource);
            ADD_FAILURE() << "the item was taken";
        } catch (const EZAException& e) {
            EXPECT_EQ(e.NativeError(), ZAError::InvalidCompressedSize);
        }
    }
}

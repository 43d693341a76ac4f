#include "engine/ItemDataWriter.h"

#include <algorithm>
#include <array>

#include "codec/CompressionModes.h"
#include "codec/RawDeflater.h"
#include "crypto/OsRandom.h"
#include "crypto/PkwareCrypto.h"
#include "crypto/TAESCryptoTransform.h"
#include "format/ZipConstants.h"
#include "output/WriteBufferWithRetry.h"
#include "ziplib/Crc32.h"
#include "ziplib/EZAException.h"

namespace ziplib {

namespace {

// Room for one block's deflate output, as zlib may make it larger than the block: a tenth more
// and a little, in whole 256-byte steps.
std::size_t OutputSizeFor(std::size_t block) { return (block + block / 10 + 12 + 255) / 256 * 256; }

bool IsAes(TZACryptoAlgorithm e) { return e != TZACryptoAlgorithm::caPkzipClassic; }

// One item's data as Write makes it: the cipher, the running CRC-32 and the counts.
class ItemDataRun {
public:
    ItemDataRun(TStream& source, TStream& archive, TDirItem& item, const ItemWriteSettings& settings,
                ItemWriteContext& context)
        : source_(source),
          archive_(archive),
          item_(item),
          settings_(settings),
          context_(context),
          h_(item.Header),
          sourceSize_(std::max<std::int64_t>(source.Size(), 0)),
          size_(static_cast<std::uint64_t>(sourceSize_)) {
        source.SetPosition(0);
        cipher_ = CipherFor(item, settings);
        if (cipher_ == ItemCipher::Aes) {
            aes_ = std::make_unique<TAESCryptoTransform>(AesKeyBits(settings.encryption), item.Method, 2);
            h_.method = kMethodAes;
        }
    }

    std::uint64_t Size() const { return size_; }

    // The encryption header, the source in blocks (deflated unless `deflater` is null), and the
    // authentication code.
    void WriteData(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, RawDeflater* deflater,
                   std::size_t block) {
        if (cipher_ == ItemCipher::Traditional) WritePkwareHeader(input);
        else if (aes_) WriteAesHeader();
        WriteBlocks(input, output, deflater, block);
        if (aes_ && !refused_ && done_ == size_) {
            std::vector<std::uint8_t> code = aes_->GetAuthCode();
            refused_ = !Put(code.data(), code.size());
        }
    }

    // The CRC-32, the sizes and the method into the item; false when the context cancelled.
    bool Finish() {
        if (refused_ || done_ != size_) {
            if (context_.Cancelled()) return false;
            throw EZAException(ZAError::InvalidCompressedSize, context_.ComponentName(),
                               {FormatArg(sourceSize_), FormatArg(static_cast<std::int64_t>(done_))});
        }
        const bool always = settings_.zip64Mode == TZip64Mode::zmAlways;
        item_.CompressedSize = written_;
        item_.UncompressedSize = size_;
        if (NeedsEscape32(written_) || always) {
            item_.HasZip64 = 1;
            h_.compressedSize = kEscape32;
        } else {
            h_.compressedSize = static_cast<std::uint32_t>(written_);
        }
        if (NeedsEscape32(size_) || always) {
            item_.HasZip64 = 1;
            h_.uncompressedSize = kEscape32;
        } else {
            h_.uncompressedSize = static_cast<std::uint32_t>(size_);
        }
        h_.crc32 = ~crc_;
        if (item_.HasZip64 && settings_.zip64Mode == TZip64Mode::zmDisabled)
            throw EZAException(ZAError::WriteZip64NotEnabled, context_.ComponentName(),
                               {FormatArg(item_.SourceFileName)});
        if (size_ == 0 && settings_.standardFamily) {
            // Nothing to inflate: stored. An AES item keeps its mark, its real method goes to 0.
            item_.Method = kMethodStored;
            if (!aes_) h_.method = kMethodStored;
        }
        item_.Header = h_;
        return true;
    }

private:
    bool Put(std::uint8_t* data, std::size_t n) {
        if (n == 0) return true;
        if (!context_.WriteBlock(archive_, data, n)) return false;
        written_ += n;
        return true;
    }

    // Encryption runs in place over each piece of output just before it is written.
    bool Seal(std::uint8_t* data, std::size_t n) {
        if (cipher_ == ItemCipher::Traditional) PkzipEncryptRange(data, 0, n, keys_);
        else if (aes_) aes_->EncryptBuffer(data, 0, data, 0, n);
        return Put(data, n);
    }

    // The header ends with the CRC's high bytes, so the CRC comes first, in a pass of its own
    // over the source.
    void WritePkwareHeader(std::vector<std::uint8_t>& input) {
        for (std::uint64_t at = 0; at < size_;) {
            const auto n = static_cast<std::int64_t>(std::min<std::uint64_t>(input.size(), size_ - at));
            if (source_.Read(input.data(), n) != n) break;
            UpdateCRC32(input.data(), n, crc_);
            at += static_cast<std::uint64_t>(n);
        }
        source_.SetPosition(0);
        std::array<std::uint8_t, kPkwareHeaderSize> header{};
        OsRandomBytes(std::span(header).first(kPkwareHeaderSize - 2));
        header[kPkwareHeaderSize - 2] = static_cast<std::uint8_t>(~crc_ >> 16);
        header[kPkwareHeaderSize - 1] = static_cast<std::uint8_t>(~crc_ >> 24);
        InitKeys(PkwarePasswordBytes(item_.Password), keys_);
        PkzipEncryptRange(header.data(), 0, header.size(), keys_);
        refused_ = !Put(header.data(), header.size());
    }

    void WriteAesHeader() {
        aes_->SetDirection(kCryptoEncrypt, &item_);
        aes_->CryptoInit(PkwarePasswordBytes(item_.Password));
        std::vector<std::uint8_t> header = aes_->GetEncryptionHeader();
        refused_ = !Put(header.data(), header.size());
    }

    void WriteBlocks(std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output, RawDeflater* deflater,
                     std::size_t block) {
        while (!refused_ && done_ < size_) {
            context_.Progress(item_, done_, size_);
            if (context_.Cancelled()) break;
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block, size_ - done_));
            if (source_.Read(input.data(), static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n)) break;
            if (cipher_ != ItemCipher::Traditional) UpdateCRC32(input.data(), static_cast<std::int64_t>(n), crc_);
            if (!deflater) {
                refused_ = !Seal(input.data(), n);
            } else {
                const bool last = done_ + n == size_;
                refused_ = !deflater->Deflate(std::span<const std::uint8_t>(input.data(), n),
                                              last ? RawDeflater::Flush::Finish : RawDeflater::Flush::Sync, output,
                                              [&](std::span<const std::uint8_t> out) {
                                                  return Seal(const_cast<std::uint8_t*>(out.data()), out.size());
                                              });
            }
            if (!refused_) done_ += n;
        }
    }

    TStream& source_;
    TStream& archive_;
    TDirItem& item_;
    const ItemWriteSettings& settings_;
    ItemWriteContext& context_;
    CentralHeader h_;
    const std::int64_t sourceSize_;
    const std::uint64_t size_;
    ItemCipher cipher_ = ItemCipher::None;
    std::unique_ptr<TAESCryptoTransform> aes_;
    TPkzipKeys keys_;
    std::uint32_t crc_ = 0xFFFFFFFF;
    std::uint64_t done_ = 0;
    std::uint64_t written_ = 0;  // everything stored for the item: header, data, code
    bool refused_ = false;       // a block could not be written
};

}  // namespace

bool ItemWriteContext::WriteBlock(TStream& archive, const std::uint8_t* data, std::size_t count) {
    return WriteBufferWithRetry(archive, data, static_cast<std::int64_t>(count), {});
}

ItemCipher CipherFor(const TDirItem& item, const ItemWriteSettings& settings) {
    if (item.Password.empty()) return ItemCipher::None;
    return settings.standardFamily && IsAes(settings.encryption) ? ItemCipher::Aes : ItemCipher::Traditional;
}

int AesKeyBits(TZACryptoAlgorithm encryption) {
    switch (encryption) {
        case TZACryptoAlgorithm::caAES_128: return 128;
        case TZACryptoAlgorithm::caAES_192: return 192;
        case TZACryptoAlgorithm::caAES_256: return 256;
        case TZACryptoAlgorithm::caPkzipClassic: break;
    }
    return 0;
}

ItemDataWriter::ItemDataWriter() = default;
ItemDataWriter::~ItemDataWriter() = default;

std::size_t ItemDataWriter::MemoryInUse() const {
    // zlib's deflate state at the default memory level: the window and the hash chains.
    constexpr std::size_t kDeflateState = (2u << 15) * 2 + (1u << 17) * 2;
    return input_.capacity() + output_.capacity() + (deflater_ ? kDeflateState : 0);
}

bool ItemDataWriter::Write(TStream& source, TStream& archive, TDirItem& item, const ItemWriteSettings& settings,
                           ItemWriteContext& context) {
    ItemDataRun run(source, archive, item, settings, context);
    if (settings.standardFamily) {
        const std::size_t block = GetBufferSize(item.CompressionMode);
        const bool stored = item.Method == kMethodStored;
        const auto inSize = static_cast<std::size_t>(std::min<std::uint64_t>(block, run.Size()));
        if (input_.size() < inSize) input_.resize(inSize);
        if (!stored && run.Size() > 0) {
            if (output_.size() < OutputSizeFor(inSize)) output_.resize(OutputSizeFor(inSize));
            if (!deflater_) deflater_ = std::make_unique<RawDeflater>(item.CompressionMode);
            else deflater_->Reset(item.CompressionMode);
        }
        run.WriteData(input_, output_, stored ? nullptr : deflater_.get(), block);
    }
    return run.Finish();
}

}  // namespace ziplib

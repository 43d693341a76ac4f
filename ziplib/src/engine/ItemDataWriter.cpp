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
    CentralHeader h = item.Header;
    const std::int64_t sourceSize = std::max<std::int64_t>(source.Size(), 0);
    const auto size = static_cast<std::uint64_t>(sourceSize);
    source.SetPosition(0);
    const ItemCipher cipher = CipherFor(item, settings);
    const bool stored = item.Method == kMethodStored;
    const std::size_t block = GetBufferSize(item.CompressionMode);
    std::uint32_t crc = 0xFFFFFFFF;
    std::uint64_t done = 0;
    std::uint64_t written = 0;  // everything stored for the item: header, data, code
    bool refused = false;       // a block could not be written

    const auto put = [&](std::uint8_t* data, std::size_t n) {
        if (n == 0) return true;
        if (!context.WriteBlock(archive, data, n)) return false;
        written += n;
        return true;
    };

    std::unique_ptr<TAESCryptoTransform> aes;
    TPkzipKeys keys;
    if (cipher == ItemCipher::Aes) {
        aes = std::make_unique<TAESCryptoTransform>(AesKeyBits(settings.encryption), item.Method, 2);
        h.method = kMethodAes;
    }

    if (settings.standardFamily) {
        const auto inSize = static_cast<std::size_t>(std::min<std::uint64_t>(block, size));
        if (input_.size() < inSize) input_.resize(inSize);
        if (!stored && size > 0) {
            if (output_.size() < OutputSizeFor(inSize)) output_.resize(OutputSizeFor(inSize));
            if (!deflater_) deflater_ = std::make_unique<RawDeflater>(item.CompressionMode);
            else deflater_->Reset(item.CompressionMode);
        }

        if (cipher == ItemCipher::Traditional) {
            // The header ends with the CRC's high bytes, so the CRC comes first, in a pass of
            // its own over the source.
            for (std::uint64_t at = 0; at < size;) {
                const auto n = static_cast<std::int64_t>(std::min<std::uint64_t>(input_.size(), size - at));
                if (source.Read(input_.data(), n) != n) break;
                UpdateCRC32(input_.data(), n, crc);
                at += static_cast<std::uint64_t>(n);
            }
            source.SetPosition(0);
            std::array<std::uint8_t, kPkwareHeaderSize> header{};
            OsRandomBytes(std::span(header).first(kPkwareHeaderSize - 2));
            header[kPkwareHeaderSize - 2] = static_cast<std::uint8_t>(~crc >> 16);
            header[kPkwareHeaderSize - 1] = static_cast<std::uint8_t>(~crc >> 24);
            InitKeys(PkwarePasswordBytes(item.Password), keys);
            PkzipEncryptRange(header.data(), 0, header.size(), keys);
            refused = !put(header.data(), header.size());
        } else if (aes) {
            aes->SetDirection(kCryptoEncrypt, &item);
            aes->CryptoInit(PkwarePasswordBytes(item.Password));
            std::vector<std::uint8_t> header = aes->GetEncryptionHeader();
            refused = !put(header.data(), header.size());
        }

        // Encryption runs in place over each piece of output just before it is written.
        const auto seal = [&](std::uint8_t* data, std::size_t n) {
            if (cipher == ItemCipher::Traditional) PkzipEncryptRange(data, 0, n, keys);
            else if (aes) aes->EncryptBuffer(data, 0, data, 0, n);
            return put(data, n);
        };
        while (!refused && done < size) {
            context.Progress(item, done, size);
            if (context.Cancelled()) break;
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block, size - done));
            if (source.Read(input_.data(), static_cast<std::int64_t>(n)) != static_cast<std::int64_t>(n)) break;
            if (cipher != ItemCipher::Traditional) UpdateCRC32(input_.data(), static_cast<std::int64_t>(n), crc);
            if (stored) {
                refused = !seal(input_.data(), n);
            } else {
                const bool last = done + n == size;
                refused = !deflater_->Deflate(std::span<const std::uint8_t>(input_.data(), n),
                                              last ? RawDeflater::Flush::Finish : RawDeflater::Flush::Sync, output_,
                                              [&](std::span<const std::uint8_t> out) {
                                                  return seal(const_cast<std::uint8_t*>(out.data()), out.size());
                                              });
            }
            if (!refused) done += n;
        }
        if (aes && !refused && done == size) {
            std::vector<std::uint8_t> code = aes->GetAuthCode();
            refused = !put(code.data(), code.size());
        }
    }
    if (refused || done != size) {
        if (context.Cancelled()) return false;
        throw EZAException(ZAError::InvalidCompressedSize, context.ComponentName(),
                           {FormatArg(sourceSize), FormatArg(static_cast<std::int64_t>(done))});
    }

    const bool always = settings.zip64Mode == TZip64Mode::zmAlways;
    item.CompressedSize = written;
    item.UncompressedSize = size;
    if (NeedsEscape32(written) || always) {
        item.HasZip64 = 1;
        h.compressedSize = kEscape32;
    } else {
        h.compressedSize = static_cast<std::uint32_t>(written);
    }
    if (NeedsEscape32(size) || always) {
        item.HasZip64 = 1;
        h.uncompressedSize = kEscape32;
    } else {
        h.uncompressedSize = static_cast<std::uint32_t>(size);
    }
    h.crc32 = ~crc;
    if (item.HasZip64 && settings.zip64Mode == TZip64Mode::zmDisabled)
        throw EZAException(ZAError::WriteZip64NotEnabled, context.ComponentName(), {FormatArg(item.SourceFileName)});
    if (size == 0 && settings.standardFamily) {
        // Nothing to inflate: stored. An AES item keeps its mark, its real method goes to 0.
        item.Method = kMethodStored;
        if (!aes) h.method = kMethodStored;
    }
    item.Header = h;
    return true;
}

}  // namespace ziplib

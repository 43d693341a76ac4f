#include "engine/ItemDataReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "codec/BufferInflater.h"
#include "codec/RawInflater.h"
#include "crypto/PkwareCrypto.h"
#include "crypto/TAESCryptoTransform.h"
#include "format/AesExtraField.h"
#include "format/LocalHeader.h"
#include "format/ZipConstants.h"
#include "ziplib/Crc32.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"
#if ZIPLIB_HAVE_ISAL
#include "codec/IsalInflater.h"
#endif

namespace ziplib {
namespace {

// Input is read, and deflate output produced, in chunks of this size whatever the item's size.
constexpr std::size_t kChunk = 1u << 20;
// Stored data goes to the output in pieces no larger than this, each with a progress report.
constexpr std::size_t kStoredPiece = 65535;

// A buffer that only grows and is never zero-filled: the engine overwrites what it reads.
class GrowBuffer {
public:
    std::uint8_t* Reserve(std::size_t n) {
        if (n > cap_) {
            data_.reset(new std::uint8_t[n]);
            cap_ = n;
        }
        return data_.get();
    }
    std::size_t Capacity() const { return cap_; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t cap_ = 0;
};

// The streaming inflate behind deflated items that stream: zlib or ISA-L, one contract.
class ChunkInflater {
public:
    virtual ~ChunkInflater() = default;
    virtual InflateStatus Inflate(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                                  const RawInflater::Sink& sink) = 0;
    virtual void Reset() = 0;
    virtual bool Finished() const = 0;
    virtual std::size_t Footprint() const = 0;
};

class ZlibChunkInflater final : public ChunkInflater {
public:
    InflateStatus Inflate(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                          const RawInflater::Sink& sink) override {
        return z_.Inflate(in, out, sink);
    }
    void Reset() override { z_.Reset(); }
    bool Finished() const override { return z_.Finished(); }
    std::size_t Footprint() const override { return 48u << 10; }  // state and 32 KiB window

private:
    RawInflater z_;
};

#if ZIPLIB_HAVE_ISAL
class IsalChunkInflater final : public ChunkInflater {
public:
    InflateStatus Inflate(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                          const RawInflater::Sink& sink) override {
        return i_.Inflate(in, out, sink);
    }
    void Reset() override { i_.Reset(); }
    bool Finished() const override { return i_.Finished(); }
    std::size_t Footprint() const override { return 96u << 10; }

private:
    IsalInflater i_;
};
#endif

std::unique_ptr<ChunkInflater> MakeInflater(StreamingInflate which) {
#if ZIPLIB_HAVE_ISAL
    if (which == StreamingInflate::Fastest) return std::make_unique<IsalChunkInflater>();
#else
    (void)which;
#endif
    return std::make_unique<ZlibChunkInflater>();
}

// An AES item the transform can't take: method 99 without an AES field that names the real
// method (or one of the second family, which marks AES otherwise), or a field whose key strength
// or vendor version is unknown. Left alone, such an item would be taken for a traditionally
// encrypted one and its password asked in vain.
bool AesUnusable(const TDirItem& item) {
    if (item.Method == kMethodAes) return true;
    if (!(item.Header.flags & kFlagEncrypted) || !UsesStandardEncryption(item.Header.versionNeeded)) return false;
    for (const ExtraField& f : item.ExtraFields) {
        if (f.id != kAesExtraId) continue;
        const auto a = AesExtraField::Parse(f.data);
        if (!a || a->keyStrength < 1 || a->keyStrength > 3 || (a->vendorVersion != 1 && a->vendorVersion != 2))
            return true;
    }
    return false;
}

}  // namespace

struct ItemDataReader::State {
    explicit State(ItemDataOptions o) : options(o) {}
    ItemDataOptions options;
    GrowBuffer in;
    GrowBuffer out;
    std::unique_ptr<ChunkInflater> inflater;  // made on the first streamed item
    std::unique_ptr<BufferInflater> oneShot;  // made on the first one-shot item
};

namespace {

// One call of Extract: the item's working state, released when it returns.
class ItemJob {
public:
    ItemJob(ItemDataReader::State& s, TStream& archive, ItemOutput& out, const TDirItem& item, ItemDataContext& ctx)
        : s_(s), archive_(&archive), out_(out), item_(item), ctx_(ctx) {}

    ItemDataResult Run() {
        ItemDataStatus st = Decode();
        if (st == ItemDataStatus::Ok && produced_ != expected_) st = ItemDataStatus::WrongSize;
        crc_ ^= 0xFFFFFFFFu;
        if (aes_) {
            // The authentication code covers every stored byte, and version 1 items keep their
            // CRC-32 as well (version 2 stores 0 there).
            if (st == ItemDataStatus::Ok) st = CheckAuthCode();
        } else if (st == ItemDataStatus::Ok && crc_ != item_.Header.crc32) {
            // Plain and traditionally encrypted items alike: the CRC-32 is the only check of the data.
            st = ItemDataStatus::CrcMismatch;
        }
        return {st, produced_, crc_};
    }

private:
    ItemDataStatus Decode() {
        const CentralHeader& h = item_.Header;
        const std::uint16_t method = item_.Method;
        if (method == kMethodDeflate64) throw EZAException(ZAError::Deflate64NotSupported);
        encrypted_ = (h.flags & kFlagEncrypted) != 0;
        if (AesUnusable(item_)) return ItemDataStatus::UnsupportedAes;
        // An AES strength counts only on an encrypted item of the standard family; any other
        // cipher fails rather than decoding to garbage.
        const std::uint8_t strength = item_.EncryptionStrength;
        const bool aes = strength >= 1 && strength <= 3;
        if (aes ? !encrypted_ || !UsesStandardEncryption(h.versionNeeded) : encrypted_ && strength != 0)
            return ItemDataStatus::UnsupportedEncryption;
        if (method != kMethodStored && method != kMethodDeflate) return ItemDataStatus::UnsupportedMethod;

        expected_ = ItemUncompressedSize(item_);
        total_ = expected_ != 0 ? expected_ : 2;

        std::array<std::uint8_t, LocalHeader::kSize> raw{};
        if (ReadInput(raw.data(), raw.size()) < raw.size()) return ItemDataStatus::Truncated;
        const auto local = LocalHeader::Parse(raw);
        if (!local || (local->signature != kLocalHeaderSignature && local->signature != kSecondLocalHeaderSignature))
            return ItemDataStatus::BadLocalHeader;
        const std::int64_t skip = std::int64_t{local->nameLength} + local->extraLength;
        const std::int64_t pos = archive_->Seek(skip, TSeekOrigin::soCurrent);  // where the data starts
        if (pos < skip) return ItemDataStatus::Truncated;

        std::uint64_t toRead = ItemCompressedSize(item_);
        if (ctx_.SingleVolume()) {
            // Item data never runs into the central directory: a size that says so is cut there
            // and the size check decides.
            const std::int64_t cd = ctx_.CentralDirectoryStart();
            if (cd >= 0) toRead = std::min<std::uint64_t>(toRead, cd > pos ? static_cast<std::uint64_t>(cd - pos) : 0);
        }

        if (aes) {
            const ItemDataStatus st = CheckAesPassword(toRead);
            if (st != ItemDataStatus::Ok) return st;
        } else if (encrypted_) {
            const ItemDataStatus st = CheckPassword(*local, toRead);
            if (st != ItemDataStatus::Ok) return st;
        }
        dataLeft_ = toRead;
        if (ctx_.Cancelled()) return ItemDataStatus::Cancelled;
        if (method == kMethodStored) return Stored(toRead);
        const std::size_t limit = s_.options.oneShotLimit;
        if (toRead <= limit && expected_ <= limit) return DeflatedOneShot(static_cast<std::size_t>(toRead));
        return DeflatedStreaming(toRead);
    }

    // Reads up to n bytes, going on at the start of each next volume while the current one ends
    // early. A single-file archive has no next volume: its end is the end of the data.
    std::size_t ReadInput(std::uint8_t* buf, std::size_t n) {
        std::size_t got = ReadSome(*archive_, buf, n);
        while (got < n && !ctx_.SingleVolume()) {
            TStream* next = ctx_.OpenNextVolume();
            if (!next) break;
            archive_ = next;
            if (archive_->Seek(0, TSeekOrigin::soBeginning) != 0) break;
            const std::size_t more = ReadSome(*archive_, buf + got, n - got);
            if (more == 0) break;  // a volume that gives nothing: the set ends here
            got += more;
        }
        return got;
    }

    static std::size_t ReadSome(TStream& s, std::uint8_t* buf, std::size_t n) {
        const std::int64_t r = s.Read(buf, static_cast<std::int64_t>(n));
        return r > 0 ? static_cast<std::size_t>(r) : 0;
    }

    // Reads and decrypts up to n bytes of the item's stored data.
    std::size_t ReadData(std::uint8_t* buf, std::size_t n) {
        const std::size_t got = ReadInput(buf, n);
        if (aes_) aes_->DecryptBuffer(buf, 0, buf, 0, got);
        else if (encrypted_) PkzipDecryptBuffer(buf, got, keys_);
        dataLeft_ -= std::min<std::uint64_t>(got, dataLeft_);
        return got;
    }

    // The transform of an AES item, set for its key strength and vendor version (the AES field
    // the directory read; version 2, the usual one, when it can't be told).
    std::unique_ptr<TAESCryptoTransform> MakeAesTransform() const {
        std::uint16_t vendor = 2;
        for (const ExtraField& f : item_.ExtraFields)
            if (f.id == kAesExtraId)
                if (const auto a = AesExtraField::Parse(f.data); a && (a->vendorVersion == 1 || a->vendorVersion == 2))
                    vendor = a->vendorVersion;
        auto t = std::make_unique<TAESCryptoTransform>(128 + 64 * (item_.EncryptionStrength - 1), item_.Method, vendor);
        t->SetDirection(kCryptoDecrypt, &item_);
        return t;
    }

    // Salt and verifier in front of the data, the authentication code after it. The keys are
    // derived once per password tried; the 2-byte verifier lets a wrong password through once in
    // 65536, and the authentication code catches it.
    ItemDataStatus CheckAesPassword(std::uint64_t& toRead) {
        std::unique_ptr<TAESCryptoTransform> t = MakeAesTransform();
        const std::size_t headerSize = t->GetEncryptionHeaderSize();
        if (toRead < headerSize + t->GetAuthCodeSize()) return ItemDataStatus::Truncated;
        std::string header(headerSize, '\0');
        if (ReadInput(reinterpret_cast<std::uint8_t*>(header.data()), headerSize) < headerSize)
            return ItemDataStatus::Truncated;
        toRead -= headerSize + t->GetAuthCodeSize();
        std::string password = ctx_.Password();
        AesKeyCache* keys = ctx_.AesKeys();
        if (keys) {
            // The next items' keys may derive with this one's, at about the cost of this one.
            t->UseKeyCache(keys);
            const auto salt = AesSalt::Of(t->KeyLength(), std::span(reinterpret_cast<const std::uint8_t*>(header.data()),
                                                                    t->KeyLength() / 2));
            if (salt)
                keys->Prepare(PkwarePasswordBytes(password), *salt,
                              [this](std::size_t blocks) { return ctx_.AesSaltsAhead(blocks); });
        }
        t->CryptoInit(PkwarePasswordBytes(password));
        TMemoryStream headerStream(header);
        for (;;) {
            headerStream.SetPosition(0);
            t->ReadEncryptionHeader(headerStream, 0);
            const bool opened = t->CheckPassword(PkwarePasswordBytes(password), &item_);
            if (keys) keys->Tried(PkwarePasswordBytes(password), opened);
            if (opened) {
                aes_ = std::move(t);
                return ItemDataStatus::Ok;
            }
            switch (ctx_.AskPassword(item_, password)) {
                case PasswordReply::Retry: break;
                case PasswordReply::Skip: return ItemDataStatus::Skipped;
                case PasswordReply::Cancel: return ItemDataStatus::Cancelled;
            }
            if (PkwarePasswordBytes(password) != t->GetPassword()) t->CryptoInit(PkwarePasswordBytes(password));
        }
    }

    // After the data decoded: the rest of the stored bytes (past the end of a deflate stream)
    // through the code as well, then the code itself.
    ItemDataStatus CheckAuthCode() {
        std::uint8_t* in = s_.in.Reserve(kChunk);
        while (dataLeft_ > 0) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, dataLeft_));
            if (ReadData(in, want) < want) return ItemDataStatus::Truncated;
        }
        std::string code(aes_->GetAuthCodeSize(), '\0');
        if (ReadInput(reinterpret_cast<std::uint8_t*>(code.data()), code.size()) < code.size())
            return ItemDataStatus::Truncated;
        TMemoryStream codeStream(code);
        aes_->ReadAuthCode(codeStream, 0);
        if (!aes_->AuthCodeMatches()) return ItemDataStatus::AuthenticationFailed;
        if (aes_->IsDataCorrupted(&item_, crc_)) return ItemDataStatus::CrcMismatch;
        return ItemDataStatus::Ok;
    }

    // The 12-byte encryption header, tried with each password the context offers. Only one byte
    // of it can be checked, so a wrong password passes once in 256 and the CRC-32 catches it.
    ItemDataStatus CheckPassword(const LocalHeader& local, std::uint64_t& toRead) {
        std::array<std::uint8_t, kPkwareHeaderSize> header{};
        if (toRead < header.size() || ReadInput(header.data(), header.size()) < header.size())
            return ItemDataStatus::Truncated;
        toRead -= header.size();
        const std::uint8_t check = PkwareCheckByte(local.flags, local.modTime, local.crc32);
        std::string password = ctx_.Password();
        for (;;) {
            std::array<std::uint8_t, kPkwareHeaderSize> plain = header;
            TPkzipKeys keys;
            DecryptHeader(PkwarePasswordBytes(password), keys, plain);
            if (plain[kPkwareHeaderSize - 1] == check) {
                keys_ = keys;
                return ItemDataStatus::Ok;
            }
            switch (ctx_.AskPassword(item_, password)) {
                case PasswordReply::Retry: break;
                case PasswordReply::Skip: return ItemDataStatus::Skipped;
                case PasswordReply::Cancel: return ItemDataStatus::Cancelled;
            }
        }
    }

    // Hands a piece of output on, never past the declared size: what would pass it is dropped
    // and the item stops as too large, so a bomb's output ends where its directory says.
    bool Emit(std::span<const std::uint8_t> piece) {
        const std::uint64_t room = expected_ - produced_;
        if (piece.size() > room) {
            if (room > 0 && !Write(piece.first(static_cast<std::size_t>(room)))) return false;
            stop_ = ItemDataStatus::TooLarge;
            return false;
        }
        return Write(piece);
    }

    bool Write(std::span<const std::uint8_t> piece) {
        if (!out_.Write(piece)) {
            stop_ = ItemDataStatus::WriteFailed;
            return false;
        }
        UpdateCRC32(piece.data(), static_cast<std::int64_t>(piece.size()), crc_);
        produced_ += piece.size();
        ctx_.Progress(item_, produced_, total_);
        if (ctx_.Cancelled()) {
            stop_ = ItemDataStatus::Cancelled;
            return false;
        }
        return true;
    }

    ItemDataStatus Stored(std::uint64_t toRead) {
        std::uint8_t* in = s_.in.Reserve(kChunk);
        while (toRead > 0) {
            if (ctx_.Cancelled()) return ItemDataStatus::Cancelled;
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, toRead));
            const std::size_t got = ReadData(in, want);
            for (std::size_t at = 0; at < got; at += kStoredPiece)
                if (!Emit({in + at, std::min(kStoredPiece, got - at)})) return stop_;
            if (got < want) return ItemDataStatus::Truncated;
            toRead -= got;
        }
        return ItemDataStatus::Ok;
    }

    // Small items: the whole compressed stream in, the whole output out, in one call each.
    ItemDataStatus DeflatedOneShot(std::size_t toRead) {
        std::uint8_t* in = s_.in.Reserve(std::max(toRead, kChunk));
        const std::size_t got = ReadData(in, toRead);
        if (ctx_.Cancelled()) return ItemDataStatus::Cancelled;
        const std::size_t size = static_cast<std::size_t>(expected_);
        std::uint8_t* out = s_.out.Reserve(std::max(size, kChunk));
        if (got == toRead && toRead > 0) {
            if (!s_.oneShot) s_.oneShot = std::make_unique<BufferInflater>();
            const BufferInflateResult r = s_.oneShot->Inflate({in, got}, {out, size});
            if (r.status == BufferInflateStatus::Done && r.produced == size) {
                if (size > 0 && !Emit({out, size})) return stop_;
                return ItemDataStatus::Ok;
            }
        }
        // Anything else streams the bytes already in memory: the output then goes as far as
        // the data decodes, and the reason is told apart as on the streaming path.
        std::size_t at = 0;
        return Inflate(
            [&](std::span<const std::uint8_t>& chunk) {
                if (at >= got) return false;
                const std::size_t n = std::min(kChunk, got - at);
                chunk = {in + at, n};
                at += n;
                return true;
            },
            toRead);
    }

    ItemDataStatus DeflatedStreaming(std::uint64_t toRead) {
        std::uint8_t* in = s_.in.Reserve(kChunk);
        bool ended = false;  // the archive gave less than asked: nothing more will come
        std::uint64_t left = toRead;
        return Inflate(
            [&](std::span<const std::uint8_t>& chunk) {
                if (left == 0 || ended) return false;
                const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, left));
                const std::size_t got = ReadData(in, want);
                ended = got < want;
                left -= got;
                chunk = {in, got};
                return true;
            },
            toRead);
    }

    // Feeds the chunks `next` gives to the streaming inflate until the stream ends; running out
    // of chunks first means the item is cut short (the archive or the compressed size ends early).
    template <typename Next>
    ItemDataStatus Inflate(Next next, std::uint64_t toRead) {
        if (!s_.inflater) s_.inflater = MakeInflater(s_.options.streaming);
        ChunkInflater& inf = *s_.inflater;
        inf.Reset();
        std::uint8_t* out = s_.out.Reserve(kChunk);
        const RawInflater::Sink sink = [this](std::span<const std::uint8_t> p) { return Emit(p); };
        std::span<const std::uint8_t> chunk;
        while (next(chunk)) {
            if (ctx_.Cancelled()) return ItemDataStatus::Cancelled;
            switch (inf.Inflate(chunk, {out, kChunk}, sink)) {
                case InflateStatus::Stopped: return stop_;
                case InflateStatus::DataError: return ItemDataStatus::DataError;
                case InflateStatus::StreamEnd: return ItemDataStatus::Ok;  // bytes after its end are not data
                case InflateStatus::NeedInput: break;
            }
        }
        // No compressed bytes at all is how some writers store an empty file; the size check
        // decides. Otherwise the stream had to end inside the item's data.
        return toRead == 0 ? ItemDataStatus::Ok : ItemDataStatus::Truncated;
    }

    ItemDataReader::State& s_;
    TStream* archive_;
    ItemOutput& out_;
    const TDirItem& item_;
    ItemDataContext& ctx_;
    bool encrypted_ = false;
    TPkzipKeys keys_;
    std::unique_ptr<TAESCryptoTransform> aes_;  // an AES item's keys, once its password checked out
    std::uint64_t dataLeft_ = 0;                // stored data bytes not read yet
    std::uint32_t crc_ = 0xFFFFFFFFu;
    std::uint64_t expected_ = 0;
    std::uint64_t total_ = 2;
    std::uint64_t produced_ = 0;
    ItemDataStatus stop_ = ItemDataStatus::Ok;  // why the output stopped taking bytes
};

}  // namespace

std::string_view ItemDataStatusText(ItemDataStatus status) {
    switch (status) {
        case ItemDataStatus::Ok: return "the data checked out";
        case ItemDataStatus::Skipped: return "it is encrypted and no password was given at the prompt";
        case ItemDataStatus::Cancelled: return "cancelled";
        case ItemDataStatus::WriteFailed: return "the output could not be written";
        case ItemDataStatus::UnsupportedMethod: return "unsupported compression method";
        case ItemDataStatus::UnsupportedAes: return "encrypted with AES in a form that is not supported";
        case ItemDataStatus::UnsupportedEncryption: return "encrypted with a method that is not supported";
        case ItemDataStatus::BadLocalHeader: return "no local header where the directory puts the item";
        case ItemDataStatus::Truncated: return "the item's data ends early";
        case ItemDataStatus::DataError: return "the compressed data is damaged";
        case ItemDataStatus::TooLarge: return "the data decodes to more than the item's size";
        case ItemDataStatus::WrongSize: return "the data decodes to less than the item's size";
        case ItemDataStatus::CrcMismatch: return "CRC-32 mismatch: the data does not match its check sum";
        case ItemDataStatus::AuthenticationFailed: return "the authentication code does not match the data";
    }
    return "unknown";
}

std::string_view CompressionMethodName(std::uint16_t method) {
    switch (method) {
        case 0: return "stored";
        case 1: return "Shrink";
        case 2:
        case 3:
        case 4:
        case 5: return "Reduce";
        case 6: return "Implode";
        case 8: return "Deflate";
        case 9: return "Deflate64";
        case 10: return "PKWARE Implode";
        case 12: return "bzip2";
        case 14: return "LZMA";
        case 16: return "IBM z/OS CMPSC";
        case 18: return "IBM TERSE";
        case 19: return "IBM LZ77";
        case 20:
        case 93: return "Zstandard";
        case 94: return "MP3";
        case 95: return "XZ";
        case 96: return "JPEG";
        case 97: return "WavPack";
        case 98: return "PPMd";
        case 99: return "AES";
        default: return {};
    }
}

std::string ItemFailureReason(ItemDataStatus status, const TDirItem& item) {
    switch (status) {
        case ItemDataStatus::UnsupportedMethod: {
            std::string text = "compression method " + std::to_string(item.Method);
            const std::string_view name = CompressionMethodName(item.Method);
            if (!name.empty()) text += " (" + std::string(name) + ")";
            return text + " is not supported";
        }
        case ItemDataStatus::UnsupportedAes: {
            std::string text = "encrypted with AES in a form that is not supported";
            for (const ExtraField& f : item.ExtraFields)
                if (f.id == kAesExtraId)
                    if (const auto a = AesExtraField::Parse(f.data))
                        return text + " (key strength " + std::to_string(a->keyStrength) + ", vendor version " +
                               std::to_string(a->vendorVersion) + ")";
            return text + " (no AES field gives its key strength and compression method)";
        }
        default: return std::string(ItemDataStatusText(status));
    }
}

ItemDataReader::ItemDataReader(ItemDataOptions options) : s_(std::make_unique<State>(options)) {}

ItemDataReader::~ItemDataReader() = default;

ItemDataResult ItemDataReader::Extract(TStream& archive, ItemOutput& output, const TDirItem& item,
                                       ItemDataContext& context) {
    return ItemJob(*s_, archive, output, item, context).Run();
}

std::size_t ItemDataReader::MemoryInUse() const {
    std::size_t n = s_->in.Capacity() + s_->out.Capacity();
    if (s_->inflater) n += s_->inflater->Footprint();
    if (s_->oneShot) n += 32u << 10;
    return n;
}

std::uint64_t ItemCompressedSize(const TDirItem& item) {
    return item.Header.compressedSize == kEscape32 ? item.CompressedSize : item.Header.compressedSize;
}

std::uint64_t ItemUncompressedSize(const TDirItem& item) {
    return item.Header.uncompressedSize == kEscape32 ? item.UncompressedSize : item.Header.uncompressedSize;
}

std::uint64_t ItemLocalHeaderOffset(const TDirItem& item) {
    return item.Header.localHeaderOffset == kEscape32 ? item.LocalHeaderOffset : item.Header.localHeaderOffset;
}

std::uint32_t ItemStartDisk(const TDirItem& item) {
    return item.Header.startDisk == kEscape16 ? item.StartDisk : item.Header.startDisk;
}

}  // namespace ziplib

// The engine that turns one archive item's stored bytes back into the bytes that were stored:
// local header, traditional or AES decryption with the password prompt, stored or deflated data
// in bounded chunks, and the size, CRC-32 and authentication checks. Extracting to a file,
// into a stream and testing all run through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "directory/TDirItem.h"
#include "engine/ItemDataContext.h"
#include "output/ItemOutput.h"
#include "ziplib/TStream.h"

namespace ziplib {

enum class ItemDataStatus {
    Ok,                     // every byte produced, size and CRC-32 match the directory
    Skipped,                // the password prompt said skip; nothing was written
    Cancelled,              // the context's cancel flag or the password prompt stopped it
    WriteFailed,            // the output refused a block (the user gave up on a full disk)
    UnsupportedMethod,      // neither stored nor deflated (Deflate64 raises error 55 instead)
    UnsupportedAes,         // AES in a form this engine can't decrypt (key strength, vendor version, no AES field)
    UnsupportedEncryption,  // a cipher this engine does not know
    BadLocalHeader,         // no local header where the directory says the item starts
    Truncated,              // the archive, or the item's deflate stream, ends early
    DataError,              // the deflate data is invalid
    TooLarge,               // the data decodes to more than the declared size; output stops there
    WrongSize,              // fewer bytes than the declared size
    CrcMismatch,            // the CRC-32 of the output is not the directory's
    AuthenticationFailed,   // an AES item's authentication code does not match its data
};

// A short English text for logs and messages.
std::string_view ItemDataStatusText(ItemDataStatus status);

struct ItemDataResult {
    ItemDataStatus status = ItemDataStatus::Ok;
    std::uint64_t produced = 0;  // bytes handed to the output
    std::uint32_t crc = 0;       // CRC-32 of those bytes

    bool ok() const { return status == ItemDataStatus::Ok; }
};

// Which streaming inflate serves items too large for the one-shot buffer.
enum class StreamingInflate {
    Fastest,  // ISA-L where the library has it, else zlib
    Zlib,
};

struct ItemDataOptions {
    // Deflated items whose compressed and declared sizes both fit are read whole and inflated in
    // one call (libdeflate); larger ones stream in 1 MiB chunks. 0 streams every item.
    std::size_t oneShotLimit = 8u << 20;
    StreamingInflate streaming = StreamingInflate::Fastest;
};

class ItemDataReader {
public:
    explicit ItemDataReader(ItemDataOptions options = {});
    ~ItemDataReader();
    ItemDataReader(const ItemDataReader&) = delete;
    ItemDataReader& operator=(const ItemDataReader&) = delete;

    // Decodes `item`, whose local header starts at the position of `archive` (on the volume that
    // holds it), into `output`. Never hands more than the declared size to the output. Raises
    // EZAException 55 for Deflate64; exceptions of the streams and of the context pass through.
    // The buffers and inflate state are kept for the next item.
    ItemDataResult Extract(TStream& archive, ItemOutput& output, const TDirItem& item, ItemDataContext& context);

    // Bytes held by the engine's buffers and inflaters, for the memory budget.
    std::size_t MemoryInUse() const;

    struct State;  // buffers and inflaters kept across items; opaque

private:
    std::unique_ptr<State> s_;
};

// Why the item's data did not come through, in words for the message that names the item: the
// status, with the compression method or the AES form where that is the reason.
std::string ItemFailureReason(ItemDataStatus status, const TDirItem& item);

// The name of a compression method ("bzip2"), empty for one without a known name.
std::string_view CompressionMethodName(std::uint16_t method);

// The item's sizes and offset: the header's 32-bit value, or the 64-bit one when it is escaped.
std::uint64_t ItemCompressedSize(const TDirItem& item);
std::uint64_t ItemUncompressedSize(const TDirItem& item);
std::uint64_t ItemLocalHeaderOffset(const TDirItem& item);
std::uint32_t ItemStartDisk(const TDirItem& item);

}  // namespace ziplib

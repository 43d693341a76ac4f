// The engine that turns a source's bytes into the stored data of one archive item: deflate in
// blocks (each ended by a sync flush, the last by the end of the stream) or the bytes as they
// are, traditional or AES encryption with the header before and the authentication code after,
// and the CRC-32 and sizes filled into the item, with Zip64 escapes where they are needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "directory/TDirItem.h"
#include "ziplib/TStream.h"
#include "ziplib/ZAEnums.h"

namespace ziplib {

class RawDeflater;

struct ItemWriteSettings {
    TZACryptoAlgorithm encryption = TZACryptoAlgorithm::caPkzipClassic;
    TZip64Mode zip64Mode = TZip64Mode::zmAuto;
    // The second family of record signatures has no item data of its own: nothing is written.
    bool standardFamily = true;
};

// What the engine asks of the archiver that runs it.
class ItemWriteContext {
public:
    virtual ~ItemWriteContext() = default;
    // `position` of the source's `total` bytes are done; called before each block.
    virtual void Progress(const TDirItem& item, std::uint64_t position, std::uint64_t total) {
        (void)item;
        (void)position;
        (void)total;
    }
    // Polled after each progress report: true stops the item.
    virtual bool Cancelled() { return false; }
    // Writes one block of stored data at the archive's position; false when it could not be
    // written whole (the user gave up on a full disk, which cancels the run).
    virtual bool WriteBlock(TStream& archive, const std::uint8_t* data, std::size_t count);
    // The name that prefixes the messages of the errors raised.
    virtual std::string ComponentName() { return {}; }
};

// The encryption an item gets: AES only for an item with a password (an item marked AES always
// has encrypted data), traditional for one with a password otherwise, none without.
enum class ItemCipher { None, Traditional, Aes };
ItemCipher CipherFor(const TDirItem& item, const ItemWriteSettings& settings);
// AES key bits of an encryption method, 0 for the traditional one.
int AesKeyBits(TZACryptoAlgorithm encryption);

class ItemDataWriter {
public:
    ItemDataWriter();
    ~ItemDataWriter();
    ItemDataWriter(const ItemDataWriter&) = delete;
    ItemDataWriter& operator=(const ItemDataWriter&) = delete;

    // Writes the data of `item` from the whole of `source` at the position of `archive`: the item's
    // method word says stored (0) or deflated, its compression mode the level and block size,
    // its password whether it is encrypted. Sets the header's CRC-32, sizes and method (99 for
    // AES) and the 64-bit sizes; an empty source is stored. True when the whole source went in;
    // false when the context cancelled. EZAException 41 when the sizes need Zip64 and it is
    // disabled; 34 when the source ended early or a block could not be written.
    bool Write(TStream& source, TStream& archive, TDirItem& item, const ItemWriteSettings& settings,
               ItemWriteContext& context);

    // Bytes held by the buffers and the deflater, for the memory budget.
    std::size_t MemoryInUse() const;

private:
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> output_;
    std::unique_ptr<RawDeflater> deflater_;  // kept across items: zlib's state costs a few hundred KiB
};

}  // namespace ziplib

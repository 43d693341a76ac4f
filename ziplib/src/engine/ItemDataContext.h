// What the item-data engine asks of the archiver that runs it: the password and the password
// prompt, progress, the cancel flag, where the central directory starts and the next volume.
// The engine holds no archiver state of its own, so one engine serves any archiver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "crypto/AesKeyCache.h"
#include "directory/TDirItem.h"
#include "ziplib/TStream.h"

namespace ziplib {

enum class PasswordReply {
    Retry,   // try the password now in `password`
    Skip,    // leave this item: nothing is written for it
    Cancel,  // stop the run
};

class ItemDataContext {
public:
    virtual ~ItemDataContext() = default;

    // The password tried first, as UTF-8 (the cipher takes it in code page 1251).
    virtual std::string Password() { return {}; }
    // The password just tried is wrong for `item`; asked until it is right or the answer is
    // Skip or Cancel. With Retry, `password` holds the next one to try (the archiver keeps it).
    virtual PasswordReply AskPassword(const TDirItem& item, std::string& password) {
        (void)item;
        (void)password;
        return PasswordReply::Skip;
    }
    // `position` of the item's `total` output bytes are done (total is 2 for an empty item, so a
    // percentage never divides by zero). The archiver keeps both and raises its file and overall
    // progress events with the operation it is running.
    virtual void Progress(const TDirItem& item, std::uint64_t position, std::uint64_t total) {
        (void)item;
        (void)position;
        (void)total;
    }
    // Polled after every progress report, every write and every input chunk: true stops the
    // item at once.
    virtual bool Cancelled() { return false; }
    // A single-file archive: item data ends at the central directory at the latest, and there
    // is no next volume.
    virtual bool SingleVolume() { return true; }
    // Offset of the first central header on a single-file archive; negative when unknown.
    virtual std::int64_t CentralDirectoryStart() { return -1; }
    // The data continues past the end of the current volume: the stream of the next volume
    // (the archiver makes it its current one), or nullptr when there is none.
    virtual TStream* OpenNextVolume() { return nullptr; }
    // Where the keys of AES items derived before their turn are kept while a batch runs;
    // nullptr when nothing is kept, and each AES item derives its own.
    virtual AesKeyCache* AesKeys() { return nullptr; }
    // The salts of the AES items the batch decodes after this one, for at most `blocks` output
    // blocks of key derivation, read from their local headers on the current volume. The
    // archive stream's position is kept; a header that can't be read is passed over.
    virtual std::vector<AesSalt> AesSaltsAhead(std::size_t blocks) {
        (void)blocks;
        return {};
    }
};

}  // namespace ziplib

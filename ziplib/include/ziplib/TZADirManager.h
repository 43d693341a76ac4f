// The directory of one open archive: the items as opened and the items being built by a commit,
// the images of the end records, the archive comment, and the stream they are read from and
// written to (never owned).
#pragma once

#include <cstdint>
#include <string>

#include "ziplib/EndRecord.h"
#include "ziplib/TStream.h"
#include "ziplib/TZADirArray.h"
#include "ziplib/Zip64EndRecord.h"
#include "ziplib/Zip64Locator.h"

namespace ziplib {

class TZADirManager;

// What a directory manager asks of the archiver that owns it.
class DirManagerOwner {
public:
    virtual ~DirManagerOwner() = default;
    // 1 for the standard "PK" record signatures, 0 for the second family.
    virtual uint8_t GetSignatureFamily() const = 0;
    virtual const TStream* GetArchiveStream() const = 0;
    // Called at the end of the construction of a manager for a new archive: the owner makes the
    // first volume of a new archive current and, when it has a self-extractor stub, has the
    // manager write it.
    virtual void NewArchiveDirectory(TZADirManager& manager) = 0;
};

class TZADirManager {
public:
    // Without an owner (archiver null) the manager takes the standard family and counts the
    // stream as foreign.
    TZADirManager(TStream* stream, DirManagerOwner* archiver, bool isNew);
    ~TZADirManager() = default;
    TZADirManager(const TZADirManager&) = delete;
    TZADirManager& operator=(const TZADirManager&) = delete;

    // Empties the items and sets the end record image to an empty archive of the owner's family.
    void InitEndRecord();

    // Sizes the items array for the entries an end record announces, before their headers are
    // read. Each header takes at least 46 bytes, so more entries than bytesAvailable can hold
    // (or more than an int counts) is a directory that is cut short: it fails with the stream's
    // read error, as reading it would, before anything is allocated for the count.
    void SetItemCount(uint64_t entries, uint64_t bytesAvailable);

    TStream* Stream;  // the archive file or its current volume
    bool IsNew;
    bool ForeignStream;  // Stream is not the owner's archive stream
    DirManagerOwner* Archiver;
    TZADirArray PendingItems;  // built by a commit, then copied into Items
    TZADirArray Items;
    std::string Comment;  // raw bytes
    Zip64Locator Zip64LocatorImage{0, 0, 0, 0};
    Zip64EndRecord Zip64EndRecordImage{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EndRecord EndRecordImage;
    int64_t DataStart = 0;  // where the first local header is: the length of a stub in front
    bool IsZip64 = false;
    bool SecondFlag = false;  // cleared at creation; no operation reads it
    int64_t DirectoryStart = 0;  // where the first central header is
};

}  // namespace ziplib

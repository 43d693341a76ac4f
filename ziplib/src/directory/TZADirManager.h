// The directory of one open archive: the items as they are now and as they were when pending
// changes began,
// the images of the end records, the archive comment, and the stream they are read from and
// written to (never owned).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "directory/TZADirArray.h"
#include "format/ByteWriter.h"
#include "format/DataDescriptor.h"
#include "format/EndRecord.h"
#include "format/Zip64EndRecord.h"
#include "format/Zip64Locator.h"
#include "ziplib/TStream.h"
#include "ziplib/TZAVolumeNumberInfo.h"
#include "ziplib/ZAEnums.h"

namespace ziplib {

class TZADirManager;
class CentralHeaderWalk;

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

    // What reading a directory asks; the defaults are a new archiver's settings.
    // 8-bit names not flagged as UTF-8 are in the OEM code page (866), else in the ANSI one (1251).
    virtual bool GetOemFileNames() const { return true; }
    virtual TZASpanningMode GetSpanningMode() const { return TZASpanningMode::smNone; }
    // While set, the end record search counts as successful whatever it finds.
    virtual bool GetAssumeEndRecordFound() const { return true; }
    // Makes that volume of a multi-volume archive the owner's archive stream and returns it;
    // nullptr when the owner opens no volumes.
    virtual TStream* OpenDirectoryVolume(const TZAVolumeNumberInfo&) { return nullptr; }
    // The name that prefixes the messages of the errors raised for the owner.
    virtual std::string GetComponentName() const { return {}; }

    // What writing a directory asks.
    // The volume the owner's archive stream holds, from 0.
    virtual int32_t GetCurrentVolumeNumber() const { return 0; }
    // Writes a block at the position of stream, moving on to the next volume of a multi-volume
    // archive when the current one is full, so that the block and `reserve` bytes more land on
    // one volume. Returns the stream written to; raises when the block could not be written whole.
    virtual TStream* WriteDirectoryBlock(TStream* stream, const void* data, int64_t count, int64_t reserve) {
        (void)reserve;
        stream->WriteBuffer(data, count);
        return stream;
    }
    // The directory is complete on the volume open now: it becomes the archive's last volume.
    // Returns the stream to go on with, or nullptr when it is the same.
    virtual TStream* FinishLastVolume() { return nullptr; }
    // The self-extractor stub a new archive starts with; empty for none.
    virtual std::u16string GetSfxStub() const { return {}; }
    // The most the first volume of a multi-volume archive may hold; -1 for no limit (and for an
    // archive of one file).
    virtual int64_t GetFirstVolumeLimit() const { return -1; }
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

    // ---- Reading an existing archive ----
    // The end record nearest the end of the stream whose comment ends exactly at the end of the
    // stream; on success record, position and Comment describe it. Otherwise position is -1 and
    // record holds the candidate nearest the end that was refused (or zeros when there was none).
    // Leaves the stream at its end.
    bool FindEndOfCentralDir(EndRecord& record, int64_t& position, uint32_t signature);
    // The search into EndRecordImage with the owner family's signature; true whenever the owner
    // assumes the end record found.
    bool LocateEndRecord();
    // The number of the disk that holds the end record read last: its own field, or when that is
    // escaped the total the Zip64 locator before it gives, minus one, but never more than the
    // largest volume number (INT32_MAX - 1, so that its count from 1 still fits).
    int64_t ThisDiskNumber();
    // Reads the whole directory into Items: from the end record, the Zip64 records and the
    // central headers, or, when they are missing or damaged, from the local headers alone.
    // Errors: EZAException 35 (no local header at all), 48 (the scan found no item), 40 (Zip64
    // end record missing), 44 (no usable directory in a multi-volume archive), 57 (sizes beyond
    // the file).
    void LoadDir();
    // Sets DataStart to where the first stored item really is (a stub's length in front of it).
    void FindArchiveStart(int64_t endPosition);
    // The next local header signature of the owner's family at or after from, or -1; a hit less
    // than 30 bytes before the end is none. Keeps the stream position.
    int64_t FindNextLocalHeader(int64_t from);
    // The first occurrence of the length-byte (1-4) little-endian pattern at or after position,
    // written back to position. Keeps the stream position.
    static bool FindSignature(TStream& stream, int64_t& position, int length, uint32_t pattern);
    // A local header of either family starts at position and, unless it is at 0, agrees with the
    // central header of the directory's first stored item. Keeps the stream position.
    bool CheckLocalHeaderAt(int64_t position);
    // Rebuilds Items from the local headers (the recovery scan). Errors: EZAException 35 (no
    // local header signature at all), 48 (none of them gives an item), 44 (spanned archive).
    void RecoverDir();
    // ---- Writing ----
    // Writes the directory of Items at the end of stream (the manager's own when null, else
    // stream becomes the manager's): every central header with its name, extra fields and
    // comment, the Zip64 end record and locator when the counts or the position need them, the
    // end record and the comment. Afterwards DirectoryStart, the record images and IsZip64
    // describe what was written. Names are written as they are read back: UTF-8 for an item
    // flagged so, else the OEM or ANSI code page.
    void SaveDir(TStream* stream = nullptr);
    // The stub a new archive starts with, copied from the owner's stub file; DataStart becomes
    // its length. EZAException 47 when it is larger than the first volume may be.
    void WriteSFXStub();
    // The Zip64 field item index needs in the central directory (header included), 0 for none.
    size_t Zip64ExtraSize(int index) const;
    // The central header's extra length: the Zip64 field computed from the item's values, then
    // every other field it carries (a Zip64 field it was read with is never written back).
    size_t CentralExtraLength(int index) const;
    // Appends that extra area.
    void WriteCentralExtraFields(int index, ByteWriter& out) const;
    // The item's name as stored: UTF-8 when its flags say so, else the OEM code page when the
    // owner stores OEM names, else the ANSI one. EZAException 61 for more than 65,535 bytes.
    std::string EncodedName(const TDirItem& item) const;
    // SaveDir has written this manager's directory (a new archive that got none is written one
    // when it is closed).
    bool DirectoryWritten = false;

    TStream* Stream;  // the archive file or its current volume
    bool IsNew;
    bool ForeignStream;  // Stream is not the owner's archive stream
    DirManagerOwner* Archiver;
    // The items as they were when the pending changes began: the commit copies kept items'
    // stored bytes by them, a rollback returns to them.
    TZADirArray OpenedItems;
    TZADirArray Items;
    std::string Comment;  // raw bytes
    Zip64Locator Zip64LocatorImage{0, 0, 0, 0};
    Zip64EndRecord Zip64EndRecordImage{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EndRecord EndRecordImage;
    int64_t DataStart = 0;  // where the first local header is: the length of a stub in front
    bool IsZip64 = false;
    bool SecondFlag = false;  // cleared at creation; no operation reads it
    int64_t DirectoryStart = 0;  // where the first central header is
    int64_t EndRecordPosition = -1;  // where the end record read by LoadDir is
    // Items came from the recovery scan: the archive's directory is missing or damaged (a cut
    // download, say), so items may be missing too.
    bool Recovered = false;

private:
    std::u16string DecodeName(std::span<const uint8_t> bytes, uint16_t flags) const;
    // Keeps the item's extra fields and takes what they say: Zip64 values, AES, and a Unicode
    // name (the library's own or, when its CRC matches storedName, other tools' UTF-8 one).
    void ReadExtraFields(int index, std::span<const uint8_t> area, std::span<const uint8_t> storedName);
    // Back to an archive without items or records before a directory is read.
    void ResetDirectory();
    // Every end record image of the signature in the search window, nearest the end first.
    std::vector<std::pair<int64_t, EndRecord>> EndRecordCandidates(uint32_t signature);
    // The Zip64 end record of the locator read last (its position in `at`): where the locator
    // says, else right before the locator. False when neither place holds one.
    bool FindZip64EndRecord(int64_t locatorAt, int64_t& at);
    // Reads the directory that the end record at `position` describes into Items. For the record
    // the exact search found (`exact`), a missing Zip64 end record and oversized items raise
    // their errors and false asks for the recovery scan; for any other candidate false means
    // the directory did not check out in every respect and nothing is raised.
    bool ReadDirectory(const EndRecord& record, int64_t position, bool exact, TZAVolumeNumberInfo& volume);
    // Its steps: the Zip64 records before the end record at `working` (which moves to the first
    // of them), the directory's bytes, and the check that the items fit the file. Each answers
    // false or raises as ReadDirectory does.
    bool ReadZip64Records(bool exact, int64_t& working);
    std::vector<uint8_t> ReadDirectoryBytes(int64_t directoryStart, uint64_t directorySize, bool spanned,
                                            TZAVolumeNumberInfo& volume);
    bool ItemsFitTheFile(bool exact);
    // Reads the central headers of the directory of directorySize bytes at directoryStart into
    // Items; `count` is what the end records announce, nullopt when they can't say.
    bool ReadCentralHeaders(int64_t directoryStart, uint64_t directorySize, bool spanned, TZAVolumeNumberInfo& volume,
                            std::optional<uint64_t> count, bool exact);
    // Its step over the headers (see the .cpp for what counts as whole).
    bool ParseCentralDirectory(CentralHeaderWalk& walk, std::optional<uint64_t> count, bool exact);
    void CorrectOffsets();
    // Appends the item whose local header is at p, when its sizes are known and fit the file.
    void RecoverItemAt(int64_t p);
    // The data descriptor after item data starting at dataAt, told from a signature inside the
    // data by its compressed size; the form with 64-bit sizes is tried first for a Zip64 item.
    std::optional<DataDescriptor> FindDataDescriptor(int64_t dataAt, bool zip64First);
    // The item whose local header comes first in the file, folders and empty files included: each
    // has a local header of its own that the search behind a stub can match.
    int FirstStoredItem() const;
    std::string OwnerName() const { return Archiver ? Archiver->GetComponentName() : std::string(); }
    int32_t VolumeNumber() const { return Archiver ? Archiver->GetCurrentVolumeNumber() : 0; }
    void WriteZip64EndRecord(uint64_t directoryStart, uint64_t directorySize, uint32_t thisDisk, uint32_t directoryDisk,
                             uint64_t entriesOnDisk);
    void WriteZip64Locator(uint32_t thisDisk);

    int firstStoredItem_ = 0;  // what CheckLocalHeaderAt compares with
};

}  // namespace ziplib

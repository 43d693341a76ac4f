// Writing an archive's directory: the central headers with names, extra fields and comments, the
// Zip64 end record and locator when they are needed, the end record with the archive comment;
// and the self-extractor stub a new archive starts with.
#include <algorithm>
#include <vector>

#include "directory/TZADirManager.h"
#include "format/ZipConstants.h"
#include "format/Zip64ExtraField.h"
#include "unicode/CodePages.h"
#include "ziplib/EZAException.h"
#include "ziplib/TUniFileStream.h"

namespace ziplib {

namespace {

constexpr int64_t kStubCopyBlock = 1 << 20;

Zip64ExtraField CentralZip64(const TDirItem& item) {
    return Zip64ExtraField::Select(Zip64Escapes::Of(item.Header), item.UncompressedSize, item.CompressedSize,
                                   item.LocalHeaderOffset, item.StartDisk);
}

uint16_t Clamp16(uint64_t v) { return v >= kEscape16 ? kEscape16 : static_cast<uint16_t>(v); }
uint32_t Clamp32(uint64_t v) { return v >= kEscape32 ? kEscape32 : static_cast<uint32_t>(v); }

}  // namespace

std::string TZADirManager::EncodedName(const TDirItem& item) const {
    std::string bytes;
    if (item.Header.flags & kFlagUtf8Names) bytes = WideToCodePage(item.Name, CP_UTF8);
    else bytes = WideToCodePage(item.Name, !Archiver || Archiver->GetOemFileNames() ? OemCodePage : AnsiCodePage);
    if (bytes.size() > 0xFFFF) throw EZAException(ZAError::FileNameTooLong, OwnerName(), {FormatArg(item.Name)});
    return bytes;
}

size_t TZADirManager::Zip64ExtraSize(int index) const { return CentralZip64(*Items.ItemPtr(index)).FieldSize(); }

size_t TZADirManager::CentralExtraLength(int index) const {
    const TDirItem& item = *Items.ItemPtr(index);
    return CentralExtraAreaLength(CentralZip64(item), item.ExtraFields);
}

void TZADirManager::WriteCentralExtraFields(int index, ByteWriter& out) const {
    const TDirItem& item = *Items.ItemPtr(index);
    if (!WriteCentralExtraArea(out, CentralZip64(item), item.ExtraFields))
        throw EZAException(ZAError::VolumeWriteError, OwnerName());
}

void TZADirManager::SaveDir(TStream* stream) {
    if (stream) {
        Stream = stream;
        ForeignStream = !Archiver || Archiver->GetArchiveStream() != stream;
    }
    Stream->Seek(0, TSeekOrigin::soEnd);
    const int count = Items.Count();
    // Where the directory starts is where its first record lands, which on a multi-volume
    // archive may be the next volume; an empty directory starts where the end record goes.
    int64_t start = Stream->Position();
    int32_t directoryDisk = VolumeNumber();
    uint64_t size = 0;
    uint64_t onLastDisk = 0;
    for (int i = 0; i < count; ++i) {
        TDirItem& item = *Items.ItemPtr(i);
        const std::string name = EncodedName(item);
        item.Header.nameLength = static_cast<uint16_t>(name.size());
        item.Header.extraLength = static_cast<uint16_t>(std::min<size_t>(CentralExtraLength(i), 0xFFFF));
        item.Header.commentLength = static_cast<uint16_t>(std::min<size_t>(item.Comment.size(), 0xFFFF));
        ByteWriter record;
        item.Header.Write(record);
        record.Bytes(name);
        WriteCentralExtraFields(i, record);
        record.Bytes(std::string_view(item.Comment).substr(0, item.Header.commentLength));
        // A record is never split across volumes: it goes whole onto the next one when the
        // current one has no room for it.
        const int32_t before = VolumeNumber();
        const auto n = static_cast<int64_t>(record.size());
        if (Archiver) Stream = Archiver->WriteDirectoryBlock(Stream, record.bytes().data(), n, 0);
        else Stream->WriteBuffer(record.bytes().data(), n);
        const int32_t disk = VolumeNumber();
        if (disk != before) onLastDisk = 0;
        ++onLastDisk;
        if (i == 0) {
            start = Stream->Position() - static_cast<int64_t>(record.size());
            directoryDisk = disk;
        }
        size += record.size();
    }
    if (count == 0) start = Stream->Position();
    const int64_t end = Stream->Position();
    const uint32_t thisDisk = static_cast<uint32_t>(std::max(VolumeNumber(), 0));
    const uint32_t startDisk = static_cast<uint32_t>(std::max(directoryDisk, 0));
    if (count == 0) onLastDisk = 0;

    EndRecord& e = EndRecordImage;
    e.entriesOnDisk = Clamp16(onLastDisk);
    e.totalEntries = Clamp16(static_cast<uint64_t>(count));
    e.directorySize = Clamp32(size);
    e.directoryOffset = Clamp32(static_cast<uint64_t>(start));
    e.commentLength = static_cast<uint16_t>(std::min<size_t>(Comment.size(), 0xFFFF));
    e.diskNumber = Clamp16(thisDisk);
    e.directoryDisk = Clamp16(startDisk);

    // The Zip64 records go wherever a value of the end record is escaped, disk numbers included:
    // an escape with nothing behind it would leave readers no value at all.
    const bool zip64 = static_cast<uint64_t>(end) >= kEscape32 || static_cast<uint64_t>(count) >= kEscape16 ||
                       e.entriesOnDisk == kEscape16 || e.directorySize == kEscape32 || e.directoryOffset == kEscape32 ||
                       e.diskNumber == kEscape16 || e.directoryDisk == kEscape16;
    IsZip64 = zip64;
    if (zip64) {
        WriteZip64EndRecord(static_cast<uint64_t>(start), size, thisDisk, startDisk, onLastDisk);
        WriteZip64Locator(thisDisk);
    }
    EndRecordPosition = Stream->Position();
    ByteWriter tail;
    e.Write(tail);
    tail.Bytes(std::string_view(Comment).substr(0, e.commentLength));
    Stream->WriteBuffer(tail.bytes().data(), static_cast<int64_t>(tail.size()));
    DirectoryStart = start;
    DirectoryWritten = true;
    Recovered = false;

    if (Archiver && !ForeignStream) {
        if (TStream* last = Archiver->FinishLastVolume()) Stream = last;
    }
}

void TZADirManager::WriteZip64EndRecord(uint64_t directoryStart, uint64_t directorySize, uint32_t thisDisk,
                                        uint32_t directoryDisk, uint64_t entriesOnDisk) {
    Zip64LocatorImage.zip64EndOffset = static_cast<uint64_t>(Stream->Position());
    Zip64EndRecord& z = Zip64EndRecordImage;
    z = Zip64EndRecord{};
    z.diskNumber = thisDisk;
    z.directoryDisk = directoryDisk;
    z.entriesOnDisk = entriesOnDisk;
    z.totalEntries = static_cast<uint64_t>(Items.Count());
    z.directorySize = directorySize;
    z.directoryOffset = directoryStart;
    ByteWriter w;
    z.Write(w);
    Stream->WriteBuffer(w.bytes().data(), static_cast<int64_t>(w.size()));
}

void TZADirManager::WriteZip64Locator(uint32_t thisDisk) {
    Zip64Locator& l = Zip64LocatorImage;
    l.signature = kZip64LocatorSignature;
    l.zip64EndDisk = thisDisk;
    l.totalDisks = thisDisk + 1;
    ByteWriter w;
    l.Write(w);
    Stream->WriteBuffer(w.bytes().data(), static_cast<int64_t>(w.size()));
}

void TZADirManager::WriteSFXStub() {
    if (!Archiver) return;
    const std::u16string stubName = Archiver->GetSfxStub();
    if (stubName.empty()) return;
    TUniFileStream stub(stubName, fmOpenRead | fmShareDenyNone);
    const int64_t size = stub.Size();
    const int64_t limit = Archiver->GetFirstVolumeLimit();
    if (limit != -1 && size > limit) throw EZAException(ZAError::SfxStubTooLarge, OwnerName());
    Stream->SetSize(0);
    Stream->Seek(0, TSeekOrigin::soBeginning);
    std::vector<uint8_t> block(static_cast<size_t>(std::min(std::max<int64_t>(size, 1), kStubCopyBlock)));
    for (int64_t done = 0; done < size;) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(block.size()), size - done);
        stub.ReadBuffer(block.data(), n);
        Stream->WriteBuffer(block.data(), n);
        done += n;
    }
    DataStart = size;
}

}  // namespace ziplib

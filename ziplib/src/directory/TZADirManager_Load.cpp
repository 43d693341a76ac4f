// Reading an existing archive's directory: the end record, the Zip64 records, the central
// headers, and where the archive data starts behind a self-extractor stub. Every count, size and
// offset taken from the file is checked against what the file holds before it is used; a
// directory that is not where its records say, or not whole, is rebuilt from the local headers.
#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "directory/TZADirManager.h"
#include "directory/CentralHeaderWalk.h"
#include "format/AesExtraField.h"
#include "format/LocalHeader.h"
#include "format/UnicodeNameExtraField.h"
#include "format/UnicodePathExtraField.h"
#include "format/Zip64ExtraField.h"
#include "format/ZipConstants.h"
#include "unicode/CodePages.h"
#include "ziplib/EZAException.h"

namespace ziplib {

namespace {

constexpr int64_t kDirectoryReadChunk = 1 << 20;
// End records with bytes after them that are tried, nearest the end first.
constexpr int kMaxLooseEndRecords = 16;
// Disk numbers from the file become volume numbers, which the archiver names and shows counted
// from 1: the largest must leave room for that. A number beyond it is a damaged record, and the
// search for a volume that far off fails like the search for any missing volume.
constexpr int64_t kMaxVolumeNumber = TZAVolumeNumberInfo::kMaxNumber;

int32_t VolumeNumberOf(int64_t disk) { return static_cast<int32_t>(std::clamp<int64_t>(disk, 0, kMaxVolumeNumber)); }

// Reads exactly count bytes at position; false (and nothing read) when they are not all there.
bool ReadAt(TStream& stream, int64_t position, void* buffer, int64_t count) {
    if (position < 0 || count < 0) return false;
    const int64_t size = stream.Size();
    if (position > size || count > size - position) return false;
    if (stream.Seek(position, TSeekOrigin::soBeginning) != position) return false;
    return stream.Read(buffer, count) == count;
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool IsCentralHeaderSignature(uint32_t signature) {
    return signature == kCentralHeaderSignature || signature == kSecondCentralHeaderSignature;
}

uint64_t OffsetOf(const TDirItem& item) {
    return item.Header.localHeaderOffset == kEscape32 ? item.LocalHeaderOffset : item.Header.localHeaderOffset;
}

}  // namespace

bool TZADirManager::FindEndOfCentralDir(EndRecord& record, int64_t& position, uint32_t signature) {
    Comment.clear();
    record = EndRecord{};
    position = -1;
    const int64_t size = Stream->Size();
    const int64_t block = std::min<int64_t>(static_cast<int64_t>(kEndRecordSearchWindow), size);
    std::vector<uint8_t> tail(static_cast<size_t>(std::max<int64_t>(block, 0)));
    const bool read = block >= static_cast<int64_t>(EndRecord::kSize) && ReadAt(*Stream, size - block, tail.data(), block);
    bool found = false;
    if (read) {
        if (const auto at = FindEndRecord(tail, signature)) {
            record = *EndRecord::Parse(std::span(tail).subspan(*at));
            position = size - block + static_cast<int64_t>(*at);
            const size_t commentAt = *at + EndRecord::kSize;
            Comment.assign(reinterpret_cast<const char*>(tail.data()) + commentAt, tail.size() - commentAt);
            found = true;
        } else {
            // Keep the refused candidate nearest the end: volume detection reads its disk number.
            for (size_t p = tail.size() - EndRecord::kSize + 1; p-- > 0;) {
                if (Le32(tail.data() + p) == signature) {
                    record = *EndRecord::Parse(std::span(tail).subspan(p));
                    break;
                }
            }
        }
    }
    Stream->Seek(0, TSeekOrigin::soEnd);
    return found;
}

bool TZADirManager::LocateEndRecord() {
    const uint8_t family = Archiver ? Archiver->GetSignatureFamily() : 1;
    const bool found = FindEndOfCentralDir(EndRecordImage, EndRecordPosition,
                                           family != 0 ? kEndRecordSignature : kSecondEndRecordSignature);
    return (!Archiver || Archiver->GetAssumeEndRecordFound()) || found;
}

int64_t TZADirManager::ThisDiskNumber() {
    if (EndRecordImage.diskNumber != kEscape16 || EndRecordPosition < static_cast<int64_t>(Zip64Locator::kSize))
        return EndRecordImage.diskNumber;
    uint8_t bytes[Zip64Locator::kSize];
    const int64_t saved = Stream->Position();
    const bool read = ReadAt(*Stream, EndRecordPosition - static_cast<int64_t>(Zip64Locator::kSize), bytes, sizeof bytes);
    Stream->Seek(saved, TSeekOrigin::soBeginning);
    const auto locator = read ? Zip64Locator::Parse(bytes) : std::nullopt;
    if (!locator || locator->signature != kZip64LocatorSignature) return EndRecordImage.diskNumber;
    return std::min<int64_t>(static_cast<int64_t>(locator->totalDisks) - 1, kMaxVolumeNumber);
}

void TZADirManager::ResetDirectory() {
    InitEndRecord();
    DataStart = 0;
    DirectoryStart = 0;
    IsZip64 = false;
    EndRecordPosition = -1;
    firstStoredItem_ = 0;
    Zip64LocatorImage = Zip64Locator{0, 0, 0, 0};
    Zip64EndRecordImage = Zip64EndRecord{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

void TZADirManager::LoadDir() {
    TZAVolumeNumberInfo volume;
    ResetDirectory();
    Recovered = false;
    const uint8_t family = Archiver ? Archiver->GetSignatureFamily() : 1;
    const TZASpanningMode spanning = Archiver ? Archiver->GetSpanningMode() : TZASpanningMode::smNone;
    const bool spanned = spanning != TZASpanningMode::smNone;

    EndRecord record;
    int64_t position = -1;
    bool found = false;
    if (family != 0) {
        found = FindEndOfCentralDir(record, position, kEndRecordSignature);
    } else {
        found = FindEndOfCentralDir(record, position, kSecondEndRecordSignature) ||
                FindEndOfCentralDir(record, position, kEndRecordSignature);
    }
    if (found) {
        if (!ReadDirectory(record, position, true, volume)) RecoverDir();
        return;
    }
    // An end record followed by bytes it does not account for (padding to a block size, bytes
    // appended, a comment shorter than it says) is still the archive's when the directory it
    // describes checks out in every respect: the nearest such record to the end is taken.
    if (!spanned) {
        const std::vector<uint32_t> signatures =
            family != 0 ? std::vector<uint32_t>{kEndRecordSignature}
                        : std::vector<uint32_t>{kSecondEndRecordSignature, kEndRecordSignature};
        for (const uint32_t signature : signatures) {
            int tried = 0;
            for (const auto& [at, candidate] : EndRecordCandidates(signature)) {
                // A tail full of signatures must not make the open read the file over and over.
                if (++tried > kMaxLooseEndRecords) break;
                ResetDirectory();
                if (ReadDirectory(candidate, at, false, volume)) {
                    const int64_t commentAt = at + static_cast<int64_t>(EndRecord::kSize);
                    const int64_t length = std::min<int64_t>(candidate.commentLength, Stream->Size() - commentAt);
                    Comment.assign(static_cast<size_t>(length), '\0');
                    if (length > 0 && !ReadAt(*Stream, commentAt, Comment.data(), length)) Comment.clear();
                    return;
                }
            }
        }
        ResetDirectory();
    }
    RecoverDir();
}

std::vector<std::pair<int64_t, EndRecord>> TZADirManager::EndRecordCandidates(uint32_t signature) {
    std::vector<std::pair<int64_t, EndRecord>> out;
    const int64_t size = Stream->Size();
    const int64_t block = std::min<int64_t>(static_cast<int64_t>(kEndRecordSearchWindow), size);
    if (block < static_cast<int64_t>(EndRecord::kSize)) return out;
    std::vector<uint8_t> tail(static_cast<size_t>(block));
    if (!ReadAt(*Stream, size - block, tail.data(), block)) return out;
    for (size_t p = tail.size() - EndRecord::kSize + 1; p-- > 0;)
        if (Le32(tail.data() + p) == signature)
            out.emplace_back(size - block + static_cast<int64_t>(p), *EndRecord::Parse(std::span(tail).subspan(p)));
    return out;
}

bool TZADirManager::FindZip64EndRecord(int64_t locatorAt, int64_t& at) {
    const auto readAt = [&](int64_t p, Zip64EndRecord& out) {
        uint8_t bytes[Zip64EndRecord::kSize];
        if (p < 0 || p + static_cast<int64_t>(Zip64EndRecord::kSize) > locatorAt ||
            !ReadAt(*Stream, p, bytes, sizeof bytes))
            return false;
        const auto r = Zip64EndRecord::Parse(bytes);
        if (!r || r->signature != kZip64EndRecordSignature) return false;
        out = *r;
        return true;
    };
    // Where the locator says, or, behind a stub that the locator's offset does not count, right
    // before the locator. A record that ends at the locator is preferred to one that merely has
    // the signature, which a record with extensible data after it also has.
    const uint64_t stored = Zip64LocatorImage.zip64EndOffset;
    const int64_t before = locatorAt - static_cast<int64_t>(Zip64EndRecord::kSize);
    Zip64EndRecord r;
    const bool atStored = stored <= static_cast<uint64_t>(locatorAt) && readAt(static_cast<int64_t>(stored), r);
    if (atStored && r.recordSize <= static_cast<uint64_t>(locatorAt) &&
        static_cast<int64_t>(stored) + 12 + static_cast<int64_t>(r.recordSize) == locatorAt) {
        Zip64EndRecordImage = r;
        at = static_cast<int64_t>(stored);
        return true;
    }
    Zip64EndRecord right;
    if (readAt(before, right) && right.recordSize == Zip64EndRecord::kRestSize) {
        Zip64EndRecordImage = right;
        at = before;
        return true;
    }
    if (atStored) {
        Zip64EndRecordImage = r;
        at = static_cast<int64_t>(stored);
        return true;
    }
    return false;
}

bool TZADirManager::ReadDirectory(const EndRecord& record, int64_t position, bool exact, TZAVolumeNumberInfo& volume) {
    const TZASpanningMode spanning = Archiver ? Archiver->GetSpanningMode() : TZASpanningMode::smNone;
    const bool spanned = spanning != TZASpanningMode::smNone;
    EndRecordImage = record;
    EndRecordPosition = position;

    int64_t working = position;
    if (!ReadZip64Records(exact, working)) return false;

    const uint32_t directoryDisk =
        record.directoryDisk != kEscape16 ? record.directoryDisk : (IsZip64 ? Zip64EndRecordImage.directoryDisk : 0);
    const int64_t lastDisk = record.diskNumber != kEscape16
                                 ? record.diskNumber
                                 : (IsZip64 ? static_cast<int64_t>(Zip64LocatorImage.totalDisks) - 1 : 0);
    volume.LastNumber = VolumeNumberOf(lastDisk);
    volume.SetNumber(VolumeNumberOf(directoryDisk));
    if (spanned && !ForeignStream && Archiver) {
        if (TStream* s = Archiver->OpenDirectoryVolume(volume)) Stream = s;
    }

    // A single volume finds its directory by the size counted back from the records after it,
    // which also reads an archive behind a stub; a spanned one by the stored offset.
    const uint64_t directorySize = IsZip64 ? Zip64EndRecordImage.directorySize : record.directorySize;
    // Without Zip64 records a count of 0xFFFF says only "65535 or more".
    const std::optional<uint64_t> count =
        IsZip64 ? std::optional<uint64_t>(Zip64EndRecordImage.totalEntries)
                : record.totalEntries != kEscape16 ? std::optional<uint64_t>(record.totalEntries) : std::nullopt;
    int64_t directoryStart = -1;
    if (!spanned) {
        if (directorySize <= static_cast<uint64_t>(working)) directoryStart = working - static_cast<int64_t>(directorySize);
    } else {
        const uint64_t offset = IsZip64 ? Zip64EndRecordImage.directoryOffset : record.directoryOffset;
        if (offset <= static_cast<uint64_t>(Stream->Size())) directoryStart = static_cast<int64_t>(offset);
    }

    // A loose candidate is read only when a central header starts where its directory would.
    if (!exact && directorySize > 0) {
        uint8_t first[4];
        if (directoryStart < 0 || !ReadAt(*Stream, directoryStart, first, sizeof first) ||
            !IsCentralHeaderSignature(Le32(first)))
            return false;
    }

    if (!ReadCentralHeaders(directoryStart, directorySize, spanned, volume, count, exact)) return false;
    // A record that leaves bytes after it describes no items only when its directory is
    // exactly where it says: anything else is a stray signature.
    const uint64_t storedOffset = IsZip64 ? Zip64EndRecordImage.directoryOffset : record.directoryOffset;
    if (!exact && Items.Count() == 0 && storedOffset != static_cast<uint64_t>(directoryStart)) return false;

    if (Archiver && !Archiver->GetAssumeEndRecordFound() && !spanned && !ItemsFitTheFile(exact)) return false;
    if (lastDisk == 0) FindArchiveStart(working);
    CorrectOffsets();
    return true;
}

// The Zip64 records sit right before the end record: the locator, and before it the Zip64 end
// record. `working` moves from the end record to the first of them.
bool TZADirManager::ReadZip64Records(bool exact, int64_t& working) {
    const int64_t position = working;
    if (position >= static_cast<int64_t>(Zip64Locator::kSize)) {
        uint8_t bytes[Zip64Locator::kSize];
        if (ReadAt(*Stream, position - static_cast<int64_t>(Zip64Locator::kSize), bytes, sizeof bytes)) {
            const auto locator = Zip64Locator::Parse(bytes);
            if (locator && locator->signature == kZip64LocatorSignature) {
                IsZip64 = true;
                Zip64LocatorImage = *locator;
                working -= static_cast<int64_t>(Zip64Locator::kSize);
            }
        }
    }
    if (!IsZip64) return true;
    int64_t at = -1;
    if (!FindZip64EndRecord(working, at)) {
        if (!exact) return false;
        throw EZAException(ZAError::NoZip64EndRecord, OwnerName());
    }
    working = at;
    return true;
}

// The directory's bytes, read as far as the file (or the volumes after it) really holds them.
std::vector<uint8_t> TZADirManager::ReadDirectoryBytes(int64_t directoryStart, uint64_t directorySize, bool spanned,
                                                       TZAVolumeNumberInfo& volume) {
    std::vector<uint8_t> directory;
    if (directoryStart < 0 || Stream->Seek(directoryStart, TSeekOrigin::soBeginning) != directoryStart)
        return directory;
    DirectoryStart = directoryStart;
    while (directory.size() < directorySize) {
        const int64_t want = static_cast<int64_t>(std::min<uint64_t>(directorySize - directory.size(), kDirectoryReadChunk));
        const size_t at = directory.size();
        directory.resize(at + static_cast<size_t>(want));
        const int64_t got = Stream->Read(directory.data() + at, want);
        directory.resize(at + static_cast<size_t>(std::max<int64_t>(got, 0)));
        if (got > 0) continue;
        if (!spanned || ForeignStream || !Archiver || volume.Number >= volume.LastNumber) break;
        volume.SetNumber(volume.Number + 1);
        TStream* next = Archiver->OpenDirectoryVolume(volume);
        if (!next) break;
        Stream = next;
        Stream->Seek(0, TSeekOrigin::soBeginning);
    }
    return directory;
}

// Items whose stored data adds up to more than the file holds describe some other file.
bool TZADirManager::ItemsFitTheFile(bool exact) {
    uint64_t total = 0;
    for (int i = 0; i < Items.Count(); ++i) {
        const TDirItem& item = *Items.ItemPtr(i);
        total += item.Header.compressedSize == kEscape32 ? item.CompressedSize : item.Header.compressedSize;
    }
    if (total <= static_cast<uint64_t>(Stream->Size())) return true;
    if (!exact) return false;
    throw EZAException(ZAError::DirectoryDamaged, OwnerName());
}

// A spanned directory may go on in the next volumes: it is read whole, in the order the volumes
// come. A single file's is walked through a window, so that its bytes are not held whole
// beside the items; it ends where the records after it start, so the file holds all of it.
bool TZADirManager::ReadCentralHeaders(int64_t directoryStart, uint64_t directorySize, bool spanned,
                                       TZAVolumeNumberInfo& volume, std::optional<uint64_t> count, bool exact) {
    if (spanned) {
        const std::vector<uint8_t> directory = ReadDirectoryBytes(directoryStart, directorySize, spanned, volume);
        if (directory.size() < directorySize) return false;
        CentralHeaderWalk walk{std::span<const uint8_t>(directory)};
        return ParseCentralDirectory(walk, count, exact);
    }
    if (directoryStart < 0 || Stream->Seek(directoryStart, TSeekOrigin::soBeginning) != directoryStart) return false;
    DirectoryStart = directoryStart;
    CentralHeaderWalk walk(*Stream, directoryStart, directorySize);
    const bool parsed = ParseCentralDirectory(walk, count, exact);
    // Where reading the directory whole left the stream.
    Stream->Seek(directoryStart + static_cast<int64_t>(directorySize), TSeekOrigin::soBeginning);
    return parsed;
}

bool TZADirManager::ParseCentralDirectory(CentralHeaderWalk& walk, std::optional<uint64_t> count, bool exact) {
    // Every header the directory's bytes hold is read, whatever the end record counts: a count
    // lower than the headers present must not make an item disappear. They are counted first,
    // so the items are made at once.
    uint64_t present = 0;
    CentralEntry entry;
    while (walk.Next(entry)) ++present;
    if (walk.ReadFailed()) return false;
    // Headers that fill the directory exactly are the directory, whatever the count says. Bytes
    // after them that are no header are tolerated only behind as many headers as announced, and
    // only for a record found where it must be.
    const bool whole = walk.Offset() == walk.Size();
    if (!(whole ? exact || !count || present == *count : exact && count && present >= *count)) return false;
    SetItemCount(present, walk.Size());

    walk.Restart();
    for (int i = 0; i < Items.Count(); ++i) {
        // The second reading of the headers finds what the first counted, unless the file changed.
        if (!walk.Next(entry)) return false;
        const CentralHeader& header = entry.header;
        TDirItem& item = *Items.ItemPtr(i);
        item.Header = header;
        if ((header.flags & kFlagEncrypted) && UsesStandardEncryption(header.versionNeeded)) item.EncryptionStrength = 0;
        item.Method = header.method;
        item.Comment.assign(entry.comment.begin(), entry.comment.end());
        Items.Rename(i, DecodeName(entry.name, header.flags));
        if (!entry.extra.empty()) {
            Items.ItemPtr(i)->HasZip64 = 0;
            ReadExtraFields(i, entry.extra, entry.name);
        }
    }
    return true;
}

std::u16string TZADirManager::DecodeName(std::span<const uint8_t> bytes, uint16_t flags) const {
    // Names end at their first zero byte, as they did when copied into a zero-filled buffer.
    const auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), static_cast<size_t>(end - bytes.begin()));
    if (text.empty()) return {};
    if (flags & kFlagUtf8Names) return CodePageToWide(text, CP_UTF8);
    const bool oem = !Archiver || Archiver->GetOemFileNames();
    return CodePageToWide(text, oem ? OemCodePage : AnsiCodePage);
}

void TZADirManager::ReadExtraFields(int index, std::span<const uint8_t> area, std::span<const uint8_t> storedName) {
    for (ExtraField& field : ParseExtraFields(area)) {
        TDirItem& item = *Items.ItemPtr(index);
        switch (field.id) {
            case kZip64ExtraId: {
                const auto z = Zip64ExtraField::Parse(field.data, Zip64Escapes::Of(item.Header));
                if (z.uncompressedSize) item.UncompressedSize = *z.uncompressedSize;
                if (z.compressedSize) item.CompressedSize = *z.compressedSize;
                if (z.localHeaderOffset) item.LocalHeaderOffset = *z.localHeaderOffset;
                if (z.startDisk) item.StartDisk = *z.startDisk;
                item.HasZip64 = 1;
                break;
            }
            case kAesExtraId:
                if (UsesStandardEncryption(item.Header.versionNeeded)) {
                    if (const auto aes = AesExtraField::Parse(field.data)) {
                        if (aes->keyStrength >= 1 && aes->keyStrength <= 3) item.EncryptionStrength = aes->keyStrength;
                        item.Method = aes->method;
                    }
                }
                break;
            default:
                break;
        }
        std::optional<std::u16string> name;
        if (field.id == kUnicodeNameExtraId) {
            if (const auto u = UnicodeNameExtraField::Parse(field.data)) name = u->name;
        } else if (field.id == kUnicodePathExtraId) {
            // Tools that store a name in the local 8-bit code page put its UTF-8 form here.
            if (const auto u = UnicodePathExtraField::Parse(field.data, storedName)) name = CodePageToWide(u->utf8, CP_UTF8);
        }
        Items.ItemPtr(index)->ExtraFields.push_back(std::move(field));
        if (name) Items.Rename(index, *name);
    }
}

int TZADirManager::FirstStoredItem() const {
    int first = 0;
    for (int i = 1; i < Items.Count(); ++i)
        if (OffsetOf(*Items.ItemPtr(i)) < OffsetOf(*Items.ItemPtr(first))) first = i;
    return first;
}

void TZADirManager::FindArchiveStart(int64_t endPosition) {
    if (Items.Count() == 0) {
        DataStart = endPosition;
        return;
    }
    // The search starts where the first stored item claims to be, so that behind a stub it finds
    // that item and not one that merely comes first in the directory.
    firstStoredItem_ = FirstStoredItem();
    const uint8_t family = Archiver ? Archiver->GetSignatureFamily() : 1;
    const uint32_t pattern = SignaturesFor(family).localHeader;
    const uint64_t claimed = OffsetOf(*Items.ItemPtr(firstStoredItem_));
    const int64_t size = Stream->Size();
    DataStart = 0;
    int64_t start = claimed < static_cast<uint64_t>(size) ? static_cast<int64_t>(claimed) : size;
    while (start < size) {
        int64_t p = start;
        if (!FindSignature(*Stream, p, 4, pattern)) break;
        if (CheckLocalHeaderAt(p)) {
            DataStart = p;
            break;
        }
        start = p + 1;
    }
}

bool TZADirManager::CheckLocalHeaderAt(int64_t position) {
    const int64_t saved = Stream->Position();
    uint8_t bytes[LocalHeader::kSize];
    const bool read = ReadAt(*Stream, position, bytes, sizeof bytes);
    Stream->Seek(saved, TSeekOrigin::soBeginning);
    if (!read) return false;
    const auto local = LocalHeader::Parse(bytes);
    if (!local || (local->signature != kLocalHeaderSignature && local->signature != kSecondLocalHeaderSignature))
        return false;
    if (position == 0 || Items.Count() == 0) return true;
    const CentralHeader& c = Items.ItemPtr(std::min(firstStoredItem_, Items.Count() - 1))->Header;
    if (local->versionNeeded != c.versionNeeded || local->method != c.method || local->modTime != c.modTime ||
        local->modDate != c.modDate)
        return false;
    // A streamed item keeps CRC and sizes in its data descriptor, and a Zip64 one its sizes in
    // the extra field: the local header then holds zeros or escapes that prove nothing.
    if (local->flags & kFlagDataDescriptor) return true;
    const auto same = [](uint32_t localValue, uint32_t centralValue) {
        return localValue == centralValue || localValue == kEscape32;
    };
    return local->crc32 == c.crc32 && same(local->compressedSize, c.compressedSize) &&
           same(local->uncompressedSize, c.uncompressedSize);
}

void TZADirManager::CorrectOffsets() {
    if (DataStart <= 0 || firstStoredItem_ >= Items.Count()) return;
    // The first stored item was found at DataStart: the distance to where the directory puts it
    // is what a stub in front of an archive written without it shifted every item by, folders
    // and empty files as well as files with data.
    const uint64_t claimed = OffsetOf(*Items.ItemPtr(firstStoredItem_));
    if (claimed >= static_cast<uint64_t>(DataStart)) return;
    const uint64_t shift = static_cast<uint64_t>(DataStart) - claimed;
    for (int i = 0; i < Items.Count(); ++i) {
        TDirItem& item = *Items.ItemPtr(i);
        if (item.Header.localHeaderOffset == kEscape32) {
            item.LocalHeaderOffset += shift;
        } else if (NeedsEscape32(item.Header.localHeaderOffset + shift)) {
            item.LocalHeaderOffset = item.Header.localHeaderOffset + shift;
            item.Header.localHeaderOffset = kEscape32;
            item.HasZip64 = 1;
        } else {
            item.Header.localHeaderOffset = static_cast<uint32_t>(item.Header.localHeaderOffset + shift);
        }
    }
}

}  // namespace ziplib

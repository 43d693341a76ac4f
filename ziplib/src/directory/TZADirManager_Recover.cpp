// Rebuilding a directory from the local headers when the archive has no usable end record or
// central directory, and the forward signature searches it runs on.
#include <algorithm>
#include <vector>

#include "directory/TZADirManager.h"
#include "format/DataDescriptor.h"
#include "format/LocalHeader.h"
#include "format/ZipConstants.h"
#include "ziplib/EZAException.h"

namespace ziplib {

namespace {

constexpr int64_t kSignatureSearchBlock = 10000;
constexpr int64_t kLocalHeaderSearchBlock = 65535;
constexpr uint32_t kMaxRecoveredExtraLength = 260;

// The first occurrence of pattern (its low `length` bytes, little-endian) at or after position,
// read in blocks that overlap so a pattern across two blocks is found. Keeps the stream position.
// The first blocks are small: the next header is usually close, and a scan over many small
// items would otherwise read a whole block for each of them.
bool FindPattern(TStream& stream, int64_t& position, int length, uint32_t pattern, int64_t blockSize) {
    if (length < 1 || length > 4 || position < 0) return false;
    const int64_t saved = stream.Position();
    const int64_t size = stream.Size();
    uint8_t want[4];
    for (int i = 0; i < 4; ++i) want[i] = static_cast<uint8_t>(pattern >> (8 * i));
    std::vector<uint8_t> block;
    bool found = false;
    int64_t step = std::min<int64_t>(blockSize, 4096);
    for (int64_t p = position; p < size && !found; step = std::min(blockSize, step * 2)) {
        const int64_t n = std::min(step, size - p);
        if (block.size() < static_cast<size_t>(n)) block.resize(static_cast<size_t>(n));
        if (n < length || stream.Seek(p, TSeekOrigin::soBeginning) != p || stream.Read(block.data(), n) != n) break;
        for (int64_t i = 0; i + length <= n; ++i) {
            if (std::equal(want, want + length, block.data() + i)) {
                position = p + i;
                found = true;
                break;
            }
        }
        if (p + n >= size) break;
        p += n - (length - 1);
    }
    stream.Seek(saved, TSeekOrigin::soBeginning);
    return found;
}

bool ReadExactly(TStream& stream, int64_t position, std::vector<uint8_t>& out, int64_t count) {
    const int64_t size = stream.Size();
    if (position < 0 || count < 0 || position > size || count > size - position) return false;
    out.resize(static_cast<size_t>(count));
    return stream.Seek(position, TSeekOrigin::soBeginning) == position && stream.Read(out.data(), count) == count;
}

bool EndsWithSeparator(const std::u16string& name) {
    return !name.empty() && (name.back() == u'/' || name.back() == u'\\');
}

}  // namespace

bool TZADirManager::FindSignature(TStream& stream, int64_t& position, int length, uint32_t pattern) {
    return FindPattern(stream, position, length, pattern, kSignatureSearchBlock);
}

int64_t TZADirManager::FindNextLocalHeader(int64_t from) {
    const uint8_t family = Archiver ? Archiver->GetSignatureFamily() : 1;
    int64_t p = from;
    if (!FindPattern(*Stream, p, 4, SignaturesFor(family).localHeader, kLocalHeaderSearchBlock)) return -1;
    if (Stream->Size() - p < static_cast<int64_t>(LocalHeader::kSize)) return -1;
    return p;
}

void TZADirManager::RecoverDir() {
    Items.SetCount(0);
    Recovered = true;
    if (Archiver && Archiver->GetSpanningMode() != TZASpanningMode::smNone)
        throw EZAException(ZAError::CannotOpenArchive, OwnerName());
    int64_t p = FindNextLocalHeader(0);
    if (p < 0) throw EZAException(ZAError::InvalidArchive, OwnerName());
    const int64_t size = Stream->Size();
    for (; p >= 0; p = FindNextLocalHeader(p + 4)) RecoverItemAt(p);
    DirectoryStart = size;
    // Signatures that led to nothing usable: no archive is there, and an empty one would
    // test and extract as a success.
    if (Items.Count() == 0) throw EZAException(ZAError::EndRecordNotFound, OwnerName());
}

namespace {

// Sets a size from a local header or data descriptor: in place, or behind the header's escape
// when the item is a Zip64 one or the value needs it.
void SetSize(TDirItem& item, uint32_t& field, uint64_t& wide, uint64_t value) {
    if (field == kEscape32 || NeedsEscape32(value)) {
        field = kEscape32;
        wide = value;
        item.HasZip64 = 1;
    } else {
        field = static_cast<uint32_t>(value);
    }
}

}  // namespace

void TZADirManager::RecoverItemAt(int64_t p) {
    const int64_t size = Stream->Size();
    std::vector<uint8_t> bytes;
    if (!ReadExactly(*Stream, p, bytes, LocalHeader::kSize)) return;
    const LocalHeader local = *LocalHeader::Parse(bytes);
    if (local.extraLength > kMaxRecoveredExtraLength) return;
    // An escaped size is in the Zip64 field, which is read below.
    if (local.compressedSize != kEscape32 && local.compressedSize >= static_cast<uint64_t>(size)) return;

    const uint8_t family = Archiver ? Archiver->GetSignatureFamily() : 1;
    const int index = Items.Count();
    Items.SetCount(index + 1);
    {
        TDirItem& item = *Items.ItemPtr(index);
        CentralHeader& h = item.Header;
        // The rebuilt header is a central one, whatever the local signature said.
        h.signature = local.signature == kSecondLocalHeaderSignature ? kSecondCentralHeaderSignature
                                                                     : SignaturesFor(family).centralHeader;
        h.versionMadeBy = h.versionNeeded = local.versionNeeded;
        h.flags = local.flags;
        h.method = local.method;
        h.modTime = local.modTime;
        h.modDate = local.modDate;
        h.crc32 = local.crc32;
        h.compressedSize = local.compressedSize;
        h.uncompressedSize = local.uncompressedSize;
        h.nameLength = local.nameLength;
        h.extraLength = local.extraLength;
        if (NeedsEscape32(static_cast<uint64_t>(p))) {
            h.localHeaderOffset = kEscape32;
            item.LocalHeaderOffset = static_cast<uint64_t>(p);
            item.HasZip64 = 1;
        } else {
            h.localHeaderOffset = static_cast<uint32_t>(p);
        }
        item.Method = local.method;
        if ((local.flags & kFlagEncrypted) && UsesStandardEncryption(local.versionNeeded)) item.EncryptionStrength = 0;
    }

    const int64_t nameAt = p + static_cast<int64_t>(LocalHeader::kSize);
    std::u16string name;
    std::vector<uint8_t> stored;
    if (ReadExactly(*Stream, nameAt, stored, local.nameLength)) name = DecodeName(stored, local.flags);
    // A folder is what its name says; an empty file stays a file.
    Items.ItemPtr(index)->Header.externalAttributes = EndsWithSeparator(name) ? kAttrDirectory : kAttrArchive;
    Items.Rename(index, name);
    if (local.extraLength > 0 && ReadExactly(*Stream, nameAt + local.nameLength, bytes, local.extraLength))
        ReadExtraFields(index, bytes, stored);

    TDirItem& item = *Items.ItemPtr(index);
    const int64_t dataAt = nameAt + local.nameLength + local.extraLength;
    if (local.flags & kFlagDataDescriptor) {
        // A Zip64 item's descriptor has 64-bit sizes.
        if (const auto d = FindDataDescriptor(dataAt, item.HasZip64 != 0)) {
            item.Header.crc32 = d->crc32;
            SetSize(item, item.Header.compressedSize, item.CompressedSize, d->compressedSize);
            SetSize(item, item.Header.uncompressedSize, item.UncompressedSize, d->uncompressedSize);
        }
    }
    // Kept only when its sizes are known and its data fits in the file.
    const bool escaped = item.Header.compressedSize == kEscape32;
    const uint64_t packed = escaped ? item.CompressedSize : item.Header.compressedSize;
    const bool known = !escaped || item.HasZip64;
    if (!known || packed > static_cast<uint64_t>(std::max<int64_t>(size - dataAt, 0))) Items.SetCount(index);
}

std::optional<DataDescriptor> TZADirManager::FindDataDescriptor(int64_t dataAt, bool zip64First) {
    std::vector<uint8_t> bytes;
    // The signature may occur inside the data: a descriptor counts only when its compressed size
    // is the distance from the data's start. The form the item calls for is tried first, as the
    // other can agree on the compressed size and still read the wrong uncompressed one.
    for (int64_t d = dataAt; FindPattern(*Stream, d, 4, kDataDescriptorSignature, kLocalHeaderSearchBlock); ++d) {
        const uint64_t distance = static_cast<uint64_t>(d - dataAt);
        for (const bool zip64 : {zip64First, !zip64First}) {
            const size_t n = DataDescriptor::SizeOf(true, zip64);
            if (!ReadExactly(*Stream, d, bytes, static_cast<int64_t>(n))) continue;
            const auto descriptor = DataDescriptor::Parse(bytes, true, zip64);
            if (descriptor && descriptor->compressedSize == distance) return descriptor;
        }
    }
    return std::nullopt;
}

}  // namespace ziplib

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
    const uint8_t family = Archiver ? Archiver->GetSignatureFamily() : 1;
    const int64_t size = Stream->Size();
    std::vector<uint8_t> bytes;
    while (p >= 0) {
        if (ReadExactly(*Stream, p, bytes, LocalHeader::kSize)) {
            const LocalHeader local = *LocalHeader::Parse(bytes);
            if (local.compressedSize < static_cast<uint64_t>(size) && local.extraLength <= kMaxRecoveredExtraLength) {
                const int index = Items.Count();
                Items.SetCount(index + 1);
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

                const int64_t nameAt = p + static_cast<int64_t>(LocalHeader::kSize);
                std::u16string name;
                if (ReadExactly(*Stream, nameAt, bytes, local.nameLength)) name = DecodeName(bytes, local.flags);
                // A folder is what its name says; an empty file stays a file.
                h.externalAttributes = EndsWithSeparator(name) ? kAttrDirectory : kAttrArchive;
                Items.Rename(index, name);
                if (local.extraLength > 0 && ReadExactly(*Stream, nameAt + local.nameLength, bytes, local.extraLength))
                    ReadExtraFields(index, bytes);

                if (local.flags & kFlagDataDescriptor) {
                    int64_t d = p;
                    if (FindPattern(*Stream, d, 4, kDataDescriptorSignature, kLocalHeaderSearchBlock) &&
                        ReadExactly(*Stream, d, bytes, DataDescriptor::kSize)) {
                        const auto descriptor = DataDescriptor::Parse(bytes);
                        TDirItem& described = *Items.ItemPtr(index);
                        described.Header.crc32 = descriptor->crc32;
                        described.Header.compressedSize = static_cast<uint32_t>(descriptor->compressedSize);
                        described.Header.uncompressedSize = static_cast<uint32_t>(descriptor->uncompressedSize);
                    }
                }
            }
        }
        p = FindNextLocalHeader(p + 4);
    }
    DirectoryStart = size;
}

}  // namespace ziplib

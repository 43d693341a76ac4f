// The public search record: what FindFirst and FindNext tell of the item they found, and where
// the next search goes on.
#pragma once

#include <cstdint>
#include <string>

namespace ziplib {

struct TInternalSearchRec {
    int32_t Index = 0;       // directory index of the last match; FindNext goes on after it
    std::u16string Mask;     // '/' separators; held whole, so no mask is too long for it
    bool HasWildcards = false;
    int32_t SearchAttr = 0;
    std::u16string ExclusionMask;
    bool UseMaskLists = false;  // match FileMasks and ExclusionMasks instead of Mask and ExclusionMask
};

struct TZAArchiveItem {
    std::u16string FileName;    // name part of the stored name, '\' separators
    std::u16string StoredPath;  // folder part with its trailing '\'
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    double CompressionRate = 0;  // percent saved; 100 for an empty item, never negative
    bool Encrypted = false;
    uint16_t LastModFileDate = 0;
    uint16_t LastModFileTime = 0;
    uint32_t CRC = 0;
    uint32_t ExternalFileAttributes = 0;
    std::string Comment;  // raw bytes
    TInternalSearchRec InternalSearchRec;
};

}  // namespace ziplib

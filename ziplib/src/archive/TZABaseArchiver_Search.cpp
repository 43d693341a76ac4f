// Finding items by mask and attributes, and marking them for a batch.
#include <algorithm>
#include <mutex>

#include "archive/ArchiverLock.h"
#include "directory/TZADirManager.h"
#include "engine/ItemDataReader.h"
#include "format/ZipConstants.h"
#include "names/ItemMasks.h"
#include "names/StoredNames.h"
#include "output/ItemFileMode.h"
#include "ziplib/TZABaseArchiver.h"
#include "ziplib/WideFiles.h"
#include "ziplib/WidePaths.h"

namespace ziplib {

namespace {

// Hidden, system, volume and folder: an item carrying one of these is found only when the
// search asks for it. Read-only and archive never keep an item out.
constexpr uint32_t kFilteredAttributes = 0x1E;

std::u16string WithoutTrailingSeparator(std::u16string s) {
    if (!s.empty() && (s.back() == u'/' || s.back() == u'\\')) s.pop_back();
    return s;
}

}  // namespace

bool TZABaseArchiver::FindFirst(const std::u16string& FileMask, TZAArchiveItem& F,
                                const std::u16string& ExclusionMask, int32_t SearchAttr) {
    CheckArchiveOpen();
    std::u16string mask = FileMask;
    const std::u16string drive = WideExtractFileDrive(mask);
    if (!drive.empty() && Options.StorePath != TZAStorePathMode::spFullPathWithDrive) {
        size_t cut = drive.size();
        if (cut < mask.size() && (mask[cut] == u'\\' || mask[cut] == u'/')) ++cut;
        mask.erase(0, cut);
    }
    std::replace(mask.begin(), mask.end(), u'\\', u'/');
    TInternalSearchRec& rec = F.InternalSearchRec;
    rec.HasWildcards = mask.find_first_of(u"*?") != std::u16string::npos;
    rec.Mask = std::move(mask);
    rec.SearchAttr = SearchAttr;
    rec.ExclusionMask = ExclusionMask;
    rec.UseMaskLists = false;
    rec.Index = 0;
    return FindItem(F);
}

bool TZABaseArchiver::FindNext(TZAArchiveItem& F) {
    CheckArchiveOpen();
    ++F.InternalSearchRec.Index;
    return FindItem(F);
}

bool TZABaseArchiver::FindItem(TZAArchiveItem& F) {
    const TZADirArray& items = dirManager_->Items;
    const TInternalSearchRec& rec = F.InternalSearchRec;
    const std::u16string maskFolder =
        Options.Recurse ? std::u16string() : TZADirArray::LowerName(WideExtractFilePath(Backslashed(rec.Mask)));
    for (int32_t i = std::max(rec.Index, 0); i < items.Count(); ++i) {
        const TDirItem& item = *items.ItemPtr(i);
        // The cheap test first: every test must pass, so their order changes nothing found.
        const uint32_t attr = item.Header.externalAttributes;
        // The folder bit as the item's kind says, which a Unix item's mode decides.
        const uint32_t kind = (attr & ~faDirectory) | (IsFolderItem(item.Header, item.Name) ? faDirectory : 0);
        if ((kind & kFilteredAttributes & ~static_cast<uint32_t>(rec.SearchAttr)) != 0) continue;
        const std::u16string name = Backslashed(WithoutTrailingSeparator(item.Name));
        if (!Options.Recurse && TZADirArray::LowerName(WideExtractFilePath(name)) != maskFolder) continue;
        if (!MatchItem(i, rec)) continue;

        F.InternalSearchRec.Index = i;
        F.FileName = WideExtractFileName(name);
        F.StoredPath = WideExtractFilePath(name);
        F.CompressedSize = ItemCompressedSize(item);
        F.UncompressedSize = ItemUncompressedSize(item);
        F.CompressionRate =
            F.UncompressedSize == 0
                ? 100.0
                : std::max(0.0, (1.0 - static_cast<double>(F.CompressedSize) / static_cast<double>(F.UncompressedSize)) *
                                    100.0);
        F.Encrypted = (item.Header.flags & kFlagEncrypted) != 0;
        F.LastModFileDate = item.Header.modDate;
        F.LastModFileTime = item.Header.modTime;
        F.CRC = item.Header.crc32;
        F.ExternalFileAttributes = attr;
        F.Comment = item.Comment;
        return true;
    }
    return false;
}

bool TZABaseArchiver::MatchItem(int32_t index, const TInternalSearchRec& rec) const {
    const TDirItem& item = *dirManager_->Items.ItemPtr(index);
    if (rec.UseMaskLists) {
        const std::u16string name = Backslashed(item.Name);
        bool found = false;
        for (int i = 0; i < fileMasks_.Count() && !found; ++i) found = ItemMatchesMask(name, fileMasks_[i]);
        if (!found) return false;
        for (int i = 0; i < exclusionMasks_.Count(); ++i)
            if (ItemMatchesMask(name, exclusionMasks_[i])) return false;
        return true;
    }
    const std::u16string name = WithoutTrailingSeparator(item.Name);
    const size_t slash = name.find_last_of(u"/\\");
    const std::u16string_view namePart =
        slash == std::u16string::npos ? std::u16string_view(name) : std::u16string_view(name).substr(slash + 1);
    // So "*.txt" finds text files in every folder; the exclusion is held against the whole name.
    return (ItemMatchesMask(name, rec.Mask) || ItemMatchesMask(namePart, rec.Mask)) &&
           !ItemMatchesMask(name, rec.ExclusionMask);
}

void TZABaseArchiver::MarkFilesToProcess(const std::u16string& FileMask, int32_t SearchAttr,
                                         const std::u16string& ExclusionMask) {
    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    CheckArchiveOpen();
    RefuseWhileBusy("select items");
    TZADirArray& items = dirManager_->Items;
    items.ClearMarks();
    TZAArchiveItem f;
    for (bool found = FindFirst(FileMask, f, ExclusionMask, SearchAttr); found; found = FindNext(f))
        items.ItemPtr(f.InternalSearchRec.Index)->Mark = 1;
}

}  // namespace ziplib

// Extracting and testing items: where each item may be written, the overwrite rules, and the
// decoding of its data by the item-data engine on the volume that holds it.
#include <algorithm>
#include <cerrno>
#include <mutex>

#include "DiskFullPrompt.h"
#include "ExtractionState.h"
#include "archive/ArchiverLock.h"
#include "directory/TZADirManager.h"
#include "engine/AesItemsAhead.h"
#include "engine/ItemOverlap.h"
#include "files/Drives.h"
#include "format/ZipConstants.h"
#include "io/TNullStream.h"
#include "names/StoredNames.h"
#include "output/ItemFileMode.h"
#include "output/ItemOutput.h"
#include "output/ItemPathGuard.h"
#include "output/SafeOutputFile.h"
#include "platform/Unicode.h"
#include "ziplib/EZAException.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"
#include "ziplib/WidePaths.h"

namespace ziplib {

namespace {

// The volume an item's local header is on.
uint32_t VolumeOf(const TZADirManager& dir, const TDirItem& item) {
    return item.Header.startDisk != kEscape16 ? item.Header.startDisk : dir.IsZip64 ? item.StartDisk : 0;
}

}  // namespace

// What the engine asks while it decodes one item: the password and its prompt, the progress
// events of the running batch, the cancel flag, and the volumes the data continues on.
class TZABaseArchiver::ItemContext : public ItemDataContext {
public:
    ItemContext(TZABaseArchiver& a, TZAVolumeNumberInfo& volume, int32_t index)
        : a_(a), volume_(volume), index_(index) {}

    std::string Password() override { return a_.password_; }

    PasswordReply AskPassword(const TDirItem& item, std::string& password) override {
        bool skip = false;
        // What the event answers stays the archiver's password for the items that follow.
        a_.DoOnPassword(Backslashed(item.Name), a_.password_, skip);
        if (skip) return PasswordReply::Skip;
        password = a_.password_;
        return PasswordReply::Retry;
    }

    void Progress(const TDirItem& item, std::uint64_t position, std::uint64_t total) override {
        if (!a_.InProcess) return;
        const auto op = static_cast<TZAProcessOperation>(item.Operation);
        const double part = static_cast<double>(position) / static_cast<double>(total);
        bool cancel = false;
        a_.DoOnFileProgress(item.Name, part * 100.0, op, TZAProgressPhase::ppProcess, cancel);
        if (!cancel && a_.MarkedCount > 0)
            a_.DoOnOverallProgress((part + a_.ProcessedCount) / a_.MarkedCount * 100.0, op,
                                   TZAProgressPhase::ppProcess, cancel);
        a_.Cancelled = a_.Cancelled || cancel;
    }

    bool Cancelled() override { return a_.Cancelled; }

    bool SingleVolume() override { return a_.spanningMode_ == TZASpanningMode::smNone; }

    std::int64_t CentralDirectoryStart() override { return a_.dirManager_->DirectoryStart; }

    TStream* OpenNextVolume() override {
        if (volume_.LastNumber >= 0 && volume_.Number >= volume_.LastNumber) return nullptr;
        volume_.SetNumber(volume_.Number + 1);
        a_.OpenVolume(volume_);
        return a_.archiveStream_.get();
    }

    // Only a batch keeps keys: it is the one that knows which items come next.
    AesKeyCache* AesKeys() override { return a_.InProcess ? &a_.Extraction().aesKeys : nullptr; }

    std::vector<AesSalt> AesSaltsAhead(std::size_t blocks) override {
        std::vector<AesSalt> salts;
        TZADirArray& items = a_.dirManager_->Items;
        const ExtractionState& st = a_.Extraction();
        TStream& archive = *a_.archiveStream_;
        const int64_t at = archive.Position();
        if (at < 0) return salts;
        try {
            // A bounded look, so that a long run of plain items costs nothing per AES item.
            constexpr int kLookAhead = 64;
            for (int i = index_ + 1; i < items.Count() && i <= index_ + kLookAhead && blocks > 0; ++i) {
                const TDirItem& next = *items.ItemPtr(i);
                if (!next.Mark || ziplib::IsFolderItem(next.Header, next.Name) || !IsAesItem(next) || OverlapsAnother(st, i) ||
                    VolumeOf(*a_.dirManager_, next) != static_cast<uint32_t>(volume_.Number))
                    continue;
                const std::optional<AesSalt> salt = ReadAesSalt(archive, next);
                if (!salt) continue;
                const std::size_t need = AesDerivedBlocks(salt->keyLength);
                if (need > blocks) break;
                salts.push_back(*salt);
                blocks -= need;
            }
        } catch (const std::exception&) {
            // Only a head start: an item whose header can't be read fails in its own turn.
        }
        if (archive.Seek(at, TSeekOrigin::soBeginning) != at) salts.clear();
        return salts;
    }

private:
    static bool OverlapsAnother(const ExtractionState& st, int i) {
        return static_cast<size_t>(i) < st.overlapping.size() && st.overlapping[static_cast<size_t>(i)];
    }

    TZABaseArchiver& a_;
    TZAVolumeNumberInfo& volume_;
    int32_t index_;
};

TZABaseArchiver::ExtractionState& TZABaseArchiver::Extraction() {
    if (!extraction_) extraction_ = std::make_unique<ExtractionState>();
    return *extraction_;
}

void TZABaseArchiver::ExtractFiles(const std::u16string& FileMask, int32_t SearchAttr,
                                   const std::u16string& ExclusionMask) {
    ProcessMatches(FileMask, SearchAttr, ExclusionMask, TZAProcessOperation::poExtract);
}

void TZABaseArchiver::TestFiles(const std::u16string& FileMask, int32_t SearchAttr,
                                const std::u16string& ExclusionMask) {
    ProcessMatches(FileMask, SearchAttr, ExclusionMask, TZAProcessOperation::poTest);
}

void TZABaseArchiver::ProcessMatches(const std::u16string& FileMask, int32_t SearchAttr,
                                     const std::u16string& ExclusionMask, TZAProcessOperation Operation) {
    // Marking and running as one step, so another thread's batch can't mark in between.
    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    CheckArchiveOpen();
    CheckNotInUpdate();
    MarkFilesToProcess(FileMask, SearchAttr, ExclusionMask);
    ProcessFiles(Operation);
}

namespace {

std::u16string NamePart(const std::u16string& name) {
    const size_t at = name.find_last_of(u"\\/");
    return at == std::u16string::npos ? name : name.substr(at + 1);
}

// Whether an existing file at the target gives way to the item, by the overwrite mode.
// Date-times compare as 32-bit numbers with the date in the high half; a file whose time can't
// be told counts as the oldest.
bool TimeAllows(TZAOverwriteMode mode, uint32_t item, int32_t file) {
    const uint32_t f = file < 0 ? 0 : static_cast<uint32_t>(file);
    if (mode == TZAOverwriteMode::omIfNewer) return item > f;
    if (mode == TZAOverwriteMode::omIfOlder) return item < f;
    return true;
}

// The folder `target` is written in. With `create` it is made with its missing parents (code 20
// when it can't be); without, one that is missing fails the item (code 19) naming the file and
// the folder, before anything is written.
std::unique_ptr<ExtractionFolder> OpenItemFolder(const std::u16string& folder, bool create,
                                                 const std::string& component, const std::u16string& target) {
    const std::u16string dir = folder.empty() ? u"." : folder;
    if (!create && !WideDirectoryExists(dir))
        throw EZAException::ForSystemError(
            ZAError::CannotCreateFile, component, FormatArg(target), ENOENT,
            FormatText("The folder \"%s\" does not exist", {FormatArg(dir)}));
    try {
        return std::make_unique<ExtractionFolder>(dir, create);
    } catch (const EExtractionFolderError& e) {
        if (!create) throw EZAException(ZAError::CannotCreateFile, component, {FormatArg(target)});
        throw EZAException(ZAError::CannotCreateDirectory, component, {FormatArg(e.Folder())});
    }
}

}  // namespace

// One item written to a file, step by step: the name the handler gives it, the folder it goes
// into, its folders made, the overwrite rules against what is there, and the file written beside
// its target and put in its place.
class TZABaseArchiver::FileExtraction {
public:
    FileExtraction(TZABaseArchiver& a, int32_t index, const std::u16string& name, const std::u16string& baseDir)
        : a_(a),
          index_(index),
          item_(*a.dirManager_->Items.ItemPtr(index)),
          stored_(name),
          baseDir_(baseDir),
          name_(name),
          attr_(item_.Header.externalAttributes),
          isDirectory_(IsFolderItem(item_.Header, item_.Name)) {}

    void Run() {
        a_.DoOnExtractFile(name_, attr_, item_.Comment);
        TakeHandlersName();
        if (!a_.Options.CreateDirs) {
            // Everything lands flat in the base, and no folder is made: a folder item writes nothing.
            if (isDirectory_) return;
            name_ = NamePart(name_);
        }
        ChooseFolder();
        if (!MakeFolders() || !MayReplaceExisting()) return;
        WriteFile();
    }

private:
    EZAException Error(int32_t code, const std::u16string& what) const {
        return EZAException(code, a_.Name, {FormatArg(what)});
    }

    // A name the extraction handler gave is the caller's own choice, honoured also when it leads
    // outside the base folder (an absolute path, say); only stored names are kept inside it.
    void TakeHandlersName() {
        if (name_ == stored_) return;
        const ItemPath asked = GuardItemPath(baseDir_, name_);
        if (asked.ok() || asked.problem == ItemPathProblem::BadCharacter) return;
        std::u16string target = name_;
        if (asked.problem == ItemPathProblem::LeavesBase) {
            target = baseDir_;
            if (!target.empty() && target.back() != u'\\' && target.back() != u'/') target += u'\\';
            target += name_;
        }
        const std::u16string where = isDirectory_ ? target : WideExtractFilePath(target);
        redirected_ = OpenItemFolder(where, a_.Options.CreateDirs, a_.Name, target);
        name_ = isDirectory_ ? std::u16string() : WideExtractFileName(target);
    }

    // The batch's folder, kept from item to item, unless the handler sent the item elsewhere.
    void ChooseFolder() {
        if (redirected_) {
            folder_ = redirected_.get();
            return;
        }
        ExtractionState& st = a_.Extraction();
        if (!st.folder || st.folder->BaseDir() != baseDir_)
            st.folder = OpenItemFolder(baseDir_, a_.Options.CreateDirs, a_.Name, baseDir_ + name_);
        folder_ = st.folder.get();
    }

    // Stored names are not trusted: nothing is written outside the base folder. False when the
    // item is a folder, which ends here.
    bool MakeFolders() {
        path_ = GuardItemPath(folder_->BaseDir(), name_);
        if (!path_.ok()) throw Error(ZAError::CannotCreateFile, name_);
        if (a_.Options.CreateDirs) {
            const size_t parts = path_.parts.size();
            const size_t folders = isDirectory_ ? parts : parts - std::min<size_t>(1, parts);
            try {
                folder_->MakeFolders(std::span(path_.parts).first(folders));
            } catch (const EExtractionFolderError& e) {
                throw Error(ZAError::CannotCreateDirectory, e.Folder());
            } catch (const EUnsafePath&) {
                throw Error(ZAError::CannotCreateDirectory, path_.target);
            }
        }
        if (isDirectory_) return false;
        if (path_.parts.empty()) throw Error(ZAError::CannotCreateFile, path_.target);
        return true;
    }

    // Whether a file already at the target gives way, by the read-only and overwrite rules.
    bool MayReplaceExisting() {
        try {
            const auto existing = folder_->Find(path_);
            if (!existing) return true;
            if (!a_.Options.ReplaceReadOnly && (existing->attributes & faReadOnly)) return false;
            switch (a_.Options.OverwriteMode) {
                case TZAOverwriteMode::omPrompt: return ConfirmOverwrite();
                case TZAOverwriteMode::omNever: return false;
                default: return TimeAllows(a_.Options.OverwriteMode, ItemTime(), existing->dosDateTime);
            }
        } catch (const EUnsafePath&) {
            throw Error(ZAError::CannotCreateFile, path_.target);
        } catch (const EStreamError&) {
            throw Error(ZAError::CannotCreateFile, path_.target);
        } catch (const EExtractionFolderError& e) {
            throw Error(ZAError::CannotCreateDirectory, e.Folder());
        }
    }

    // The overwrite question; its handler may send the file elsewhere.
    bool ConfirmOverwrite() {
        bool confirm = false;
        std::u16string dest = path_.target;
        a_.DoOnConfirmOverwrite(name_, dest, confirm);
        if (!confirm) return false;
        if (dest == path_.target) return true;
        elsewhere_ = OpenItemFolder(WideExtractFilePath(dest), a_.Options.CreateDirs, a_.Name, dest);
        folder_ = elsewhere_.get();
        path_ = GuardItemPath(folder_->BaseDir(), WideExtractFileName(dest));
        if (!path_.ok() || path_.parts.empty()) throw Error(ZAError::CannotCreateFile, dest);
        return true;
    }

    // The file takes the target's place only when the item came through whole; until then,
    // and for good on a failure, the target stays as it was.
    void WriteFile() {
        std::unique_ptr<SafeOutputFile> file;
        try {
            file = folder_->CreateFile(path_);
        } catch (const EStreamError&) {
            throw Error(ZAError::CannotCreateFile, path_.target);
        } catch (const EUnsafePath&) {
            throw Error(ZAError::CannotCreateFile, path_.target);
        }
        StreamItemOutput output(*file, AskOnDiskFull(a_));
        // A block the system refused for another reason than space fails the file, whatever the
        // engine made of the cut-off data (with ExtractCorruptedFiles it would keep it).
        const auto refusedWrite = [&] {
            file->Discard();
            return EZAException::ForSystemError(ZAError::CannotCreateFile, a_.Name, FormatArg(path_.target),
                                                file->LastWriteError());
        };
        try {
            a_.ExtractItemToOutput(index_, output);
        } catch (...) {
            if (IsWriteError(file->LastWriteError())) throw refusedWrite();
            file->Discard();
            throw;
        }
        if (IsWriteError(file->LastWriteError())) throw refusedWrite();
        if (a_.Aborted || a_.Cancelled) {
            file->Discard();
            return;
        }
        try {
            file->Commit(FileInfo());
        } catch (const EStreamError&) {
            throw Error(ZAError::CannotCreateFile, path_.target);
        }
    }

    // The item's date, and with SetAttributes its permissions and read-only bit.
    OutputFileInfo FileInfo() const {
        OutputFileInfo info;
        info.dosDateTime = static_cast<int32_t>(ItemTime());
        info.flush = a_.Options.FlushBuffers && IsRemovableDrive(path_.target);
        if (a_.Options.SetAttributes) {
            info.permissions = ItemFilePermissions(item_.Header);
            info.readOnly = IsReadOnlyItem(item_.Header, attr_);
        }
        return info;
    }

    uint32_t ItemTime() const { return (uint32_t{item_.Header.modDate} << 16) | item_.Header.modTime; }

    TZABaseArchiver& a_;
    const int32_t index_;
    // The directory does not change while a batch extracts, so the item stays where it is.
    const TDirItem& item_;
    const std::u16string& stored_;   // the stored name, '\' separators
    const std::u16string& baseDir_;
    std::u16string name_;            // as the handler left it, then relative to folder_
    uint32_t attr_;
    const bool isDirectory_;
    std::unique_ptr<ExtractionFolder> redirected_;  // where the extraction handler sent the item
    std::unique_ptr<ExtractionFolder> elsewhere_;   // where an overwrite handler sent the file
    ExtractionFolder* folder_ = nullptr;
    ItemPath path_;
};

void TZABaseArchiver::ExtractFileItem(int32_t Index, const std::u16string& Name_, const std::u16string& BaseDir_) {
    FileExtraction(*this, Index, Name_, BaseDir_).Run();
}

void TZABaseArchiver::TestFileItem(int32_t Index, const std::u16string&) {
    const TDirItem& item = *dirManager_->Items.ItemPtr(Index);
    if (IsFolderItem(item.Header, item.Name)) return;
    TNullStream sink;
    StreamItemOutput output(sink);
    ExtractItemToOutput(Index, output);
}

void TZABaseArchiver::ExtractItemToStream(int32_t Index, TStream& Stream) {
    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    CheckArchiveOpen();
    RefuseWhileBusy("decode an item");
    BusyScope busy(*this);
    StreamItemOutput output(Stream, AskOnDiskFull(*this));
    ExtractItemToOutput(Index, output);
}

void TZABaseArchiver::ExtractItemToOutput(int32_t Index, ItemOutput& output) {
    TZADirManager& dir = *dirManager_;
    if (Index < 0 || Index >= dir.Items.Count()) throw EZAException(ZAError::ExtractItemIndex, Name);
    ExtractionState& st = Extraction();
    if (!st.overlapChecked) {
        st.overlapping.assign(static_cast<size_t>(dir.Items.Count()), false);
        for (int i : FindOverlappingItems(dir.Items)) st.overlapping[static_cast<size_t>(i)] = true;
        st.overlapChecked = true;
    }
    const TDirItem& item = *dir.Items.ItemPtr(Index);
    const std::string itemName = platform::Utf16ToUtf8(Backslashed(item.Name));
    // Items sharing their bytes with others are how a small file unpacks to an enormous one.
    if (static_cast<size_t>(Index) < st.overlapping.size() && st.overlapping[static_cast<size_t>(Index)])
        throw EZAException::ForItem(ZAError::BadItemData, Name, itemName,
                                    "its stored bytes overlap another item's, as in a zip bomb");

    TZAVolumeNumberInfo volume;
    const uint32_t disk = VolumeOf(dir, item);
    const int64_t last = dir.EndRecordImage.diskNumber != kEscape16 ? dir.EndRecordImage.diskNumber
                         : dir.IsZip64 ? static_cast<int64_t>(dir.Zip64LocatorImage.totalDisks) - 1
                                       : 0;
    volume.LastNumber = static_cast<int32_t>(std::clamp<int64_t>(last, 0, TZAVolumeNumberInfo::kMaxNumber));
    volume.SetNumber(static_cast<int32_t>(std::min<uint32_t>(disk, TZAVolumeNumberInfo::kMaxNumber)));
    OpenVolume(volume);
    archiveStream_->Seek(static_cast<int64_t>(ItemLocalHeaderOffset(item)), TSeekOrigin::soBeginning);
    ItemContext context(*this, volume, Index);
    ItemDataResult r;
    try {
        r = st.reader.Extract(*archiveStream_, output, item, context);
    } catch (const EZAException& e) {
        // The engine knows the method, not the item: Deflate64 is told with the item's name.
        if (e.NativeError() != ZAError::Deflate64NotSupported || !e.ItemName().empty()) throw;
        throw EZAException::ForItem(ZAError::Deflate64NotSupported, Name, itemName, {});
    }
    if (!r.ok() && !Cancelled && !ExtractCorruptedFiles && !Aborted)
        throw EZAException::ForItem(ZAError::BadItemData, Name, itemName, ItemFailureReason(r.status, item));
}

}  // namespace ziplib

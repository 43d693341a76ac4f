// Committing pending changes: the items that stay where they are, the rewrite of the rest (new and
// updated items compressed, kept ones copied as stored), the new directory, the sources of moved
// files, and the rollback that puts the archive back as it was.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <filesystem>
#include <vector>

#include "Commit.h"
#include "ExtractionState.h"
#include "engine/ItemDataReader.h"
#include "files/TempFiles.h"
#include "format/LocalHeader.h"
#include "format/UnicodeNameExtraField.h"
#include "format/Zip64ExtraField.h"
#include "format/ZipConstants.h"
#include "io/FdStream.h"
#include "platform/Unicode.h"
#include "ziplib/EZAException.h"
#include "ziplib/TUniFileStream.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"

namespace ziplib {

namespace {

constexpr int64_t kCopyBlock = 1 << 20;
// The replacement file beside the archive, while it has a name: only from its link to its rename
// where the file system takes unnamed files, for the whole commit elsewhere.
constexpr const char* kReplacementPrefix = ".FC";
constexpr uint16_t kInfoZipUnicodePathId = 0x7075;  // another tool's Unicode name, of the old name

int FdOf(TStream& s) {
    if (auto* f = dynamic_cast<TUniFileStream*>(&s)) return f->Handle();
    if (auto* f = dynamic_cast<FdStream*>(&s)) return f->Handle();
    return -1;
}

// Copies count bytes of from, starting at `at`, to the position of to; the bytes copied.
int64_t CopyRange(TStream& from, int64_t at, int64_t count, TStream& to) {
    if (count <= 0) return 0;
    const int in = FdOf(from);
    const int out = FdOf(to);
    if (in >= 0 && out >= 0 && in != out) return FdCopy(in, at, out, count);
    std::vector<uint8_t> block(static_cast<size_t>(std::min(count, kCopyBlock)));
    if (from.Seek(at, TSeekOrigin::soBeginning) != at) return 0;
    int64_t done = 0;
    while (done < count) {
        const int64_t n = from.Read(block.data(), std::min<int64_t>(count - done, static_cast<int64_t>(block.size())));
        if (n <= 0 || to.Write(block.data(), n) != n) break;
        done += n;
    }
    return done;
}

void FlushFile(TStream& s) {
    const int fd = FdOf(s);
    if (fd >= 0) ::fsync(fd);
}

bool IsCopied(const TDirItem& item) {
    if (!item.IsNew) return true;
    const auto op = static_cast<TZAProcessOperation>(item.Operation);
    return op == TZAProcessOperation::poRename || op == TZAProcessOperation::poChangeAttr ||
           op == TZAProcessOperation::poChangeComment;
}

// The file the archive's name leads to: the one a commit replaces, not a link to it.
std::filesystem::path ReplacedFile(const std::u16string& fileName, std::error_code& ec) {
    std::filesystem::path target = WideToNativePath(fileName);
    if (std::filesystem::is_symlink(target, ec)) target = std::filesystem::canonical(target, ec);
    return target;
}

std::uint64_t SourceSize(const TDirItem& item) {
    if (!item.SourceFileName.empty()) {
        std::error_code ec;
        const auto n = std::filesystem::file_size(WideToNativePath(item.SourceFileName.str()), ec);
        if (!ec) return n;
    }
    return ItemUncompressedSize(item);
}

}  // namespace

// ---- The archiver's side ----

void TZABaseArchiver::RemoveKilledCommits() const {
    if (inMemory_ || FileName.empty()) return;
    std::error_code ec;
    const std::filesystem::path target = ReplacedFile(FileName, ec);
    if (!ec) platform::RemoveUnownedTemporaries(target.parent_path(), kReplacementPrefix);
}

void TZABaseArchiver::RaiseUpdateLevel() {
    CheckArchiveOpen();
    if (updateLevel_ == 0) {
        TZADirArray& items = dirManager_->Items;
        for (int i = 0; i < items.Count(); ++i) items.ItemPtr(i)->OpenedIndex = i;
        dirManager_->OpenedItems.Assign(items);
    }
    ++updateLevel_;
}

void TZABaseArchiver::CommitChanges() {
    if (updateLevel_ <= 0) return;
    updateLevel_ = 0;
    if (!dirManager_ || !archiveStream_) return;
    Commit commit(*this);
    commit_ = &commit;
    struct Clear {
        Commit*& p;
        ~Clear() { p = nullptr; }
    } clear{commit_};
    commit.Run();
}

// ---- The commit ----

TZABaseArchiver::Commit::Commit(TZABaseArchiver& a) : a_(a), dir_(*a.dirManager_) {
    saved_ = {dir_.EndRecordImage, dir_.Zip64EndRecordImage, dir_.Zip64LocatorImage, dir_.Comment,
              dir_.DirectoryStart, dir_.EndRecordPosition, dir_.IsZip64, dir_.DirectoryWritten, dir_.Recovered};
}

TZABaseArchiver::Commit::~Commit() { DeleteTempFile(); }

TStream& TZABaseArchiver::Commit::Dest() {
    return replacementStream_ ? static_cast<TStream&>(*replacementStream_) : *a_.archiveStream_;
}

ItemWriteSettings TZABaseArchiver::Commit::Settings() const {
    ItemWriteSettings s;
    s.encryption = a_.EncryptionMethod;
    s.zip64Mode = a_.Zip64Mode;
    s.standardFamily = !IsSecondFamilyEndRecord(dir_.EndRecordImage.signature);
    return s;
}

void TZABaseArchiver::Commit::Refuse(int32_t code) {
    RestoreDirectory();
    throw EZAException(code, a_.Name);
}

void TZABaseArchiver::Commit::Run() {
    TZADirArray& items = dir_.Items;
    a_.ProcessedCount = 0;
    a_.MarkedCount = 0;
    a_.FailedCount = 0;
    a_.Cancelled = false;
    a_.Aborted = false;
    a_.LastError.clear();
    // What cannot be written is refused before anything is touched.
    const bool onDisk = !a_.inMemory_ && !a_.externalStream_;
    // Any mode whose access bits say read, whatever its sharing bits, takes no changes.
    const bool readOnly = a_.openMode_ != kModeCreate && (a_.openMode_ & 3) == fmOpenRead;
    if (onDisk && readOnly) Refuse(ZAError::ReadOnlyMode32);
    if (a_.spanningMode_ != TZASpanningMode::smNone) {
        if (a_.openMode_ != kModeCreate) Refuse(ZAError::MultiSpannedModification52);
        if (dir_.DirectoryWritten) Refuse(ZAError::MultipleTransactions62);
    }

    TZAProcessOperation first = TZAProcessOperation::poDelete;
    bool any = false;
    for (int i = 0; i < items.Count(); ++i) {
        const TDirItem& item = *items.ItemPtr(i);
        if (!item.IsNew) continue;
        runBytes += SourceSize(item);
        ++a_.MarkedCount;
        if (!any) first = static_cast<TZAProcessOperation>(item.Operation);
        any = true;
    }
    // Where each stored item ends is read before anything is cut off.
    for (int i = 0; i < dir_.OpenedItems.Count(); ++i) ends_.push_back(RecordEnd(i));
    kept_ = CountKeptItems();
    ChooseCut();

    std::vector<TDirItem> moved;
    try {
        bool cancel = false;
        a_.DoOnOverallProgress(0, first, TZAProgressPhase::ppStart, cancel);
        if (cancel) {
            a_.Cancelled = true;
            RestoreDirectory();
            return;
        }
        if (!any && kept_ == dir_.OpenedItems.Count() && kept_ == items.Count()) {
            // Nothing changed: the file stays as it is, byte for byte.
            dir_.OpenedItems.SetCount(0);
            bool late = false;
            a_.DoOnOverallProgress(100, first, TZAProgressPhase::ppEnd, late);
            return;
        }
        Prepare();
        state = TZAAction::fxaIgnore;
        volume_ = a_.currentVolume_;
        WriteItems();
        if (!a_.Cancelled && state != TZAAction::fxaAbort) {
            for (int i = 0; i < items.Count(); ++i) {
                const TDirItem& item = *items.ItemPtr(i);
                if (item.IsNew && item.Operation == static_cast<uint8_t>(TZAProcessOperation::poMove))
                    moved.push_back(item);
            }
            dir_.SaveDir(&Dest());
            Finish();
        }
    } catch (...) {
        if (!committed_) RollBack();
        throw;
    }
    if (!committed_) {
        // Cancelled or aborted: the archive as it was.
        if (state == TZAAction::fxaAbort) a_.Aborted = true;
        RollBack();
        return;
    }
    // From here on the archive is complete: a late cancel or abort changes nothing in it.
    DeleteMovedSources(moved);
    bool late = false;
    a_.DoOnOverallProgress(100, first, TZAProgressPhase::ppEnd, late);
}

int TZABaseArchiver::Commit::CountKeptItems() {
    const int n = std::min(dir_.OpenedItems.Count(), dir_.Items.Count());
    int kept = 0;
    while (kept < n) {
        const TDirItem& item = *dir_.Items.ItemPtr(kept);
        if (item.IsNew || item.OpenedIndex != kept) break;
        ++kept;
    }
    return kept;
}

std::uint64_t TZABaseArchiver::Commit::RecordEnd(int openedIndex) {
    if (static_cast<size_t>(openedIndex) < ends_.size()) return ends_[static_cast<size_t>(openedIndex)];
    const TDirItem& item = *dir_.OpenedItems.ItemPtr(openedIndex);
    TStream& s = *a_.archiveStream_;
    const uint64_t offset = ItemLocalHeaderOffset(item);
    const uint64_t size = static_cast<uint64_t>(std::max<int64_t>(s.Size(), 0));
    const uint64_t data = ItemCompressedSize(item);
    uint8_t bytes[LocalHeader::kSize];
    std::optional<LocalHeader> local;
    if (offset < size && s.Seek(static_cast<int64_t>(offset), TSeekOrigin::soBeginning) == static_cast<int64_t>(offset) &&
        s.Read(bytes, sizeof bytes) == static_cast<int64_t>(sizeof bytes))
        local = LocalHeader::Parse(bytes);
    if (!local || (local->signature != kLocalHeaderSignature && local->signature != kSecondLocalHeaderSignature))
        return std::min(size, offset + LocalHeader::kSize + item.Header.nameLength + item.Header.extraLength + data);
    uint64_t end = offset + local->RecordSize() + data;
    if ((local->flags | item.Header.flags) & kFlagDataDescriptor) {
        // The descriptor after the data belongs to the item: its signature is optional, its
        // sizes are 8 bytes each in a Zip64 item.
        const bool wide = item.HasZip64 || local->compressedSize == kEscape32 || local->uncompressedSize == kEscape32;
        uint8_t sig[4] = {};
        if (end + 4 <= size && s.Seek(static_cast<int64_t>(end), TSeekOrigin::soBeginning) == static_cast<int64_t>(end) &&
            s.Read(sig, 4) == 4 &&
            (uint32_t{sig[0]} | uint32_t{sig[1]} << 8 | uint32_t{sig[2]} << 16 | uint32_t{sig[3]} << 24) ==
                kDataDescriptorSignature)
            end += 4;
        end += 4 + (wide ? 16 : 8);
    }
    return std::min(size, end);
}

void TZABaseArchiver::Commit::ChooseCut() {
    const TZADirArray& opened = dir_.OpenedItems;
    // The rewrite starts at the first stored byte of the items that are not kept in place; every
    // kept item must end before it, wherever the directory lists it, or the cut would take it.
    for (;;) {
        if (kept_ >= opened.Count()) {
            // All stay: the new items go right after the last one's stored bytes, which behind a
            // stub or after a recovery scan need not be where the old directory says it was.
            uint64_t end = static_cast<uint64_t>(std::max<int64_t>(dir_.DataStart, 0));
            for (int i = 0; i < opened.Count(); ++i) end = std::max(end, RecordEnd(i));
            cut_ = static_cast<int64_t>(end);
            return;
        }
        uint64_t cut = UINT64_MAX;
        for (int j = kept_; j < opened.Count(); ++j) cut = std::min(cut, ItemLocalHeaderOffset(*opened.ItemPtr(j)));
        int firstOver = -1;
        for (int i = 0; i < kept_ && firstOver < 0; ++i)
            if (RecordEnd(i) > cut) firstOver = i;
        if (firstOver < 0) {
            cut_ = static_cast<int64_t>(std::min<uint64_t>(cut, static_cast<uint64_t>(a_.archiveStream_->Size())));
            return;
        }
        kept_ = firstOver;
    }
}

void TZABaseArchiver::Commit::Prepare() {
    const bool replace = !a_.inMemory_ && !a_.externalStream_ && a_.openMode_ != kModeCreate &&
                         a_.spanningMode_ == TZASpanningMode::smNone && FdOf(*a_.archiveStream_) >= 0;
    if (!replace || !PrepareReplacement()) PrepareInPlace();
    Dest().Seek(0, TSeekOrigin::soEnd);
}

bool TZABaseArchiver::Commit::PrepareReplacement() {
    std::error_code ec;
    const std::filesystem::path target = ReplacedFile(a_.FileName, ec);
    if (ec) return false;  // in place, then
    // What a killed commit left beside the archive goes first.
    platform::RemoveUnownedTemporaries(target.parent_path(), kReplacementPrefix);
    auto file = std::make_unique<platform::ReplacementFile>();
    if (file->OpenUnnamed(target, kReplacementPrefix) != 0) return false;
    const int archive = FdOf(*a_.archiveStream_);
    struct stat st;
    if (::fstat(archive, &st) == 0) (void)::fchmod(file->fd(), st.st_mode & 07777);
    replacement_ = std::move(file);
    replacementStream_ = std::make_unique<FdStream>(replacement_->fd());
    if (FdCopy(archive, 0, replacement_->fd(), cut_) != cut_) throw EZAException(ZAError::VolumeWriteError, a_.Name);
    old_ = a_.archiveStream_.get();
    oldBase_ = 0;
    return true;
}

void TZABaseArchiver::Commit::PrepareInPlace() {
    firstVolume_ = a_.volumeFileName_;
    startVolume_ = a_.currentVolume_;
    TStream& archive = *a_.archiveStream_;
    const int64_t size = archive.Size();
    if (cut_ < size) {
        tailName_ = MakeTempFileName(a_.TempDir);
        if (tailName_.empty())
            throw EZAException(ZAError::CannotCreateFile, a_.Name, {FormatArg(a_.TempDir.empty() ? SystemTempDir() : a_.TempDir)});
        tail_ = std::make_unique<TUniFileStream>(tailName_, fmOpenReadWrite | fmShareExclusive);
        if (CopyRange(archive, cut_, size - cut_, *tail_) != size - cut_)
            throw EZAException(ZAError::VolumeWriteError, a_.Name);
        // Once the archive is cut the tail is the only copy of those bytes.
        FlushFile(*tail_);
        old_ = tail_.get();
        oldBase_ = cut_;
    }
    archive.SetSize(cut_);
    truncated_ = true;
}

void TZABaseArchiver::Commit::WriteItems() {
    TZADirArray& items = dir_.Items;
    const bool single = a_.spanningMode_ == TZASpanningMode::smNone;
    for (int i = kept_; i < items.Count() && !a_.Cancelled;) {
        bool ok = true;
        const bool copied = IsCopied(*items.ItemPtr(i));
        for (;;) {
            state = TZAAction::fxaIgnore;
            // A failed attempt leaves nothing behind: the next one, or the next item, starts here.
            const int64_t at = single ? Dest().Position() : -1;
            if (copied) {
                CopyItem(i);
                ok = true;
            } else {
                ok = a_.CompressFile(i);
                if (!ok && at >= 0 && a_.archiveStream_) {
                    Dest().SetSize(at);
                    Dest().Seek(at, TSeekOrigin::soBeginning);
                }
            }
            if (state != TZAAction::fxaRetry || a_.Cancelled) break;
        }
        if (state == TZAAction::fxaAbort || a_.Cancelled) break;
        if (ok) {
            if (!copied) runDone += ItemUncompressedSize(*items.ItemPtr(i));
            if (items.ItemPtr(i)->IsNew) ++a_.ProcessedCount;
            ++i;
            continue;
        }
        ++a_.FailedCount;
        const TDirItem& failed = *items.ItemPtr(i);
        if (failed.OpenedIndex < 0) {
            // A new item that could not be stored is not part of the archive.
            items.Delete(i);
        } else {
            // A failed update keeps the item as it was stored.
            CopyItem(i);
            ++i;
        }
    }
}

void TZABaseArchiver::Commit::CopyItem(int index) {
    TZADirArray& items = dir_.Items;
    const TZADirArray& opened = dir_.OpenedItems;
    TDirItem& item = *items.ItemPtr(index);
    const auto op = static_cast<TZAProcessOperation>(item.Operation);
    const bool rename = item.IsNew && op == TZAProcessOperation::poRename;
    int from = item.OpenedIndex < opened.Count() ? item.OpenedIndex : -1;
    if (from < 0) {
        // Found by name: the first item of that name, as the directory was opened.
        const std::u16string& name = rename ? item.SecondName : item.Name;
        for (int j = 0; j < opened.Count() && from < 0; ++j)
            if (opened.ItemPtr(j)->Name == name) from = j;
    }
    if (from < 0) throw EZAException(ZAError::CopyItemIndex, a_.Name);
    const TDirItem& source = *opened.ItemPtr(from);
    if (item.IsNew && op == TZAProcessOperation::poUpdate) {
        // The update failed: the item as it was stored.
        items.SetItem(index, source);
        items.ItemPtr(index)->OpenedIndex = from;
    }
    TDirItem& target = *items.ItemPtr(index);
    const uint64_t offset = ItemLocalHeaderOffset(source);
    const uint64_t length = RecordEnd(from) - offset;
    if (!old_ || offset < static_cast<uint64_t>(oldBase_)) throw EZAException(ZAError::NoTempArchiveStream, a_.Name);
    const auto at = static_cast<int64_t>(offset) - oldBase_;
    TStream& dest = Dest();
    target.SetLocalHeaderOffset(static_cast<uint64_t>(dest.Position()), source.Header.localHeaderOffset == kEscape32);

    if (!rename) {
        if (static_cast<uint64_t>(CopyRange(*old_, at, static_cast<int64_t>(length), dest)) != length)
            throw EZAException(ZAError::VolumeWriteError, a_.Name);
        return;
    }
    // A renamed item gets a local header with its new name; its Unicode name fields named the
    // old one, so they are dropped and the archiver's own is made afresh.
    uint8_t bytes[LocalHeader::kSize];
    old_->SetPosition(at);
    old_->ReadBuffer(bytes, sizeof bytes);
    LocalHeader local = *LocalHeader::Parse(bytes);
    const uint64_t oldHeader = local.RecordSize();
    auto& fields = target.ExtraFields;
    fields.erase(std::remove_if(fields.begin(), fields.end(),
                                [](const ExtraField& f) {
                                    return f.id == kZip64ExtraId || f.id == kUnicodeNameExtraId ||
                                           f.id == kInfoZipUnicodePathId;
                                }),
                 fields.end());
    if (a_.UnicodeFilenames)
        if (auto nu = UnicodeNameExtraField{target.Name}.ToExtraField()) fields.push_back(std::move(*nu));
    const std::string name = dir_.EncodedName(target);
    ByteWriter extra;
    if (local.uncompressedSize == kEscape32) {
        Zip64ExtraField z;
        z.uncompressedSize = ItemUncompressedSize(source);
        z.compressedSize = ItemCompressedSize(source);
        z.Write(extra);
    }
    WriteExtraFields(extra, fields);
    local.nameLength = static_cast<uint16_t>(name.size());
    local.extraLength = static_cast<uint16_t>(std::min<size_t>(extra.size(), 0xFFFF));
    ByteWriter w;
    local.Write(w);
    w.Bytes(name);
    w.Bytes(std::span(extra.bytes()).first(local.extraLength));
    dest.WriteBuffer(w.bytes().data(), static_cast<int64_t>(w.size()));
    const int64_t rest = static_cast<int64_t>(length - std::min(length, oldHeader));
    if (CopyRange(*old_, at + static_cast<int64_t>(oldHeader), rest, dest) != rest)
        throw EZAException(ZAError::VolumeWriteError, a_.Name);
}

void TZABaseArchiver::Commit::Finish() {
    if (replacement_) {
        // A failure up to the rename leaves it undone; once the rename is done the archive on
        // disk is the new one whatever the folder flush after it says.
        const int err = replacement_->Commit(a_.Options.FlushBuffers ? platform::Flush::Full : platform::Flush::None);
        const int folderErr = replacement_->FolderFlushError();
        replacementStream_.reset();
        replacement_.reset();
        if (err) throw EZAException::ForSystemError(ZAError::CannotCreateFile, a_.Name, FormatArg(a_.FileName), err);
        committed_ = true;
        // The archive's name now holds the new file; the old one is let go.
        a_.archiveStream_ = std::make_unique<TUniFileStream>(a_.FileName, a_.openMode_);
        a_.volumeFileName_ = a_.FileName;
        dir_.Stream = a_.archiveStream_.get();
        dir_.ForeignStream = false;
        if (folderErr)
            a_.LastError = FormatText("The archive \"%s\" is written, but its folder could not be flushed to the disk: %s",
                                      {FormatArg(a_.FileName), FormatArg(WideSysErrorMessage(folderErr))});
    } else {
        if (a_.Options.FlushBuffers) FlushFile(*a_.archiveStream_);
        committed_ = true;
        DeleteTempFile();
    }
    TZADirArray& items = dir_.Items;
    for (int i = 0; i < items.Count(); ++i) {
        TDirItem& item = *items.ItemPtr(i);
        item.IsNew = 0;
        item.OpenedIndex = -1;
        item.SecondName.clear();
        item.SetSourceStream(nullptr, false);
    }
    dir_.OpenedItems.SetCount(0);
    if (a_.extraction_) a_.extraction_->ForgetArchive();
}

void TZABaseArchiver::Commit::RestoreDirectory() {
    dir_.Items.Assign(dir_.OpenedItems);
    dir_.OpenedItems.SetCount(0);
    dir_.EndRecordImage = saved_.end;
    dir_.Zip64EndRecordImage = saved_.zip64End;
    dir_.Zip64LocatorImage = saved_.locator;
    dir_.Comment = saved_.comment;
    dir_.DirectoryStart = saved_.directoryStart;
    dir_.EndRecordPosition = saved_.endRecordPosition;
    dir_.IsZip64 = saved_.isZip64;
    dir_.DirectoryWritten = saved_.written;
    dir_.Recovered = saved_.recovered;
}

void TZABaseArchiver::Commit::RollBack() {
    RestoreDirectory();
    if (replacement_) {
        replacementStream_.reset();
        replacement_->Discard();
        replacement_.reset();
    } else if (truncated_ && a_.archiveStream_) {
        // Only once the archive was cut does it need its tail back; before that it is whole.
        if (a_.spanningMode_ != TZASpanningMode::smNone && a_.volumeFileName_ != firstVolume_) {
            // The volumes this commit went on to are not part of the archive.
            const int32_t last = a_.currentVolume_.Number;
            a_.archiveStream_.reset();
            for (int32_t n = startVolume_.Number + 1; n <= last; ++n) {
                std::u16string name = a_.FileName;
                a_.GetVolumeFileName(name, n, false);
                WideDeleteFile(name);
            }
            a_.archiveStream_ = std::make_unique<TUniFileStream>(firstVolume_, fmOpenReadWrite | fmShareDenyNone);
            a_.volumeFileName_ = firstVolume_;
            a_.currentVolume_.TakeVolume(startVolume_);
        }
        TStream& archive = *a_.archiveStream_;
        archive.SetSize(cut_);
        archive.Seek(cut_, TSeekOrigin::soBeginning);
        if (tail_) {
            const int64_t n = tail_->Size();
            if (CopyRange(*tail_, 0, n, archive) != n) {
                // The temporary file holds the only copy of those bytes now: it stays.
                tail_.reset();
                const std::u16string kept = std::exchange(tailName_, std::u16string());
                throw EWriteError(FormatText("Cannot restore the archive \"%s\"; its bytes from offset %d on are kept in \"%s\"",
                                             {FormatArg(a_.FileName), FormatArg(cut_), FormatArg(kept)}));
            }
        }
        DeleteTempFile();
    }
    dir_.Stream = a_.archiveStream_.get();
    dir_.ForeignStream = false;
}

void TZABaseArchiver::Commit::DeleteTempFile() {
    tail_.reset();
    if (!tailName_.empty()) {
        WideDeleteFile(tailName_);
        tailName_.clear();
    }
}

void TZABaseArchiver::Commit::DeleteMovedSources(const std::vector<TDirItem>& moved) {
    // Files first, so that their folders are empty when their turn comes.
    for (const bool folders : {false, true}) {
        for (const TDirItem& item : moved) {
            if (((item.Header.externalAttributes & faDirectory) != 0) != folders) continue;
            const std::u16string& source = item.SourceFileName;
            for (;;) {
                TZAAction action = TZAAction::fxaIgnore;
                try {
                    if (folders) {
                        if (!RemoveDirTree(source)) throw EZAException(ZAError::CannotDeleteFolder, a_.Name, {FormatArg(source)});
                    } else if (!WideDeleteFile(source) && !(WideFileSetAttr(source, 0) && WideDeleteFile(source))) {
                        throw EZAException(ZAError::CannotDeleteFile, a_.Name, {FormatArg(source)});
                    }
                } catch (const EZAException& e) {
                    a_.LastError = platform::Utf16ToUtf8(source) + ": " + e.what();
                    a_.DoOnProcessFileFailure(source, static_cast<TZAProcessOperation>(item.Operation), e.NativeError(),
                                              e.ErrorCode(), platform::Utf8ToUtf16(e.Message()), action);
                    if (action == TZAAction::fxaRetry) continue;
                    if (action == TZAAction::fxaAbort) return;
                }
                break;
            }
        }
    }
}

}  // namespace ziplib

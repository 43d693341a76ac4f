// Running one operation over the marked items: the shared lock, the events around each item,
// and retry, ignore and abort after a failure.
#include <algorithm>
#include <mutex>

#include "ExtractionState.h"
#include "archive/ArchiverLock.h"
#include "directory/TZADirManager.h"
#include "names/StoredNames.h"
#include "names/StoredPaths.h"
#include "output/ItemFileMode.h"
#include "platform/Unicode.h"
#include "ziplib/EZAException.h"
#include "ziplib/TZABaseArchiver.h"
#include "ziplib/WideFiles.h"

namespace ziplib {

namespace {

bool ShowsProgress(TZAProcessOperation op) {
    return op == TZAProcessOperation::poExtract || op == TZAProcessOperation::poTest;
}

}  // namespace

void TZABaseArchiver::ResetUpdateLevel() {
    if (updateLevel_ <= 0) return;
    updateLevel_ = 0;
    // Nothing will be written: the directory goes back to what the file holds.
    if (dirManager_) {
        dirManager_->Items.Assign(dirManager_->OpenedItems);
        dirManager_->OpenedItems.SetCount(0);
    }
}

void TZABaseArchiver::ProcessFiles(TZAProcessOperation Operation) {
    // The lock first: a batch of another thread on this archiver ends before this one starts.
    // One started from inside this archiver's own events (the same thread, which may take the
    // lock again) would reuse the decoder and the folder of the item still being written.
    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    CheckArchiveOpen();
    RefuseWhileBusy("start a batch");
    BusyScope busy(*this);
    RunBatch(Operation);
}

void TZABaseArchiver::RunBatch(TZAProcessOperation op) {
    TZADirArray& items = dirManager_->Items;
    ProcessedCount = 0;
    FailedCount = 0;
    Cancelled = false;
    Aborted = false;
    LastError.clear();
    LastSystemError = 0;
    MarkedCount = 0;
    for (int i = 0; i < items.Count(); ++i)
        if (items.ItemPtr(i)->Mark) ++MarkedCount;
    InProcess = true;
    struct EndOfBatch {
        TZABaseArchiver& a;
        ~EndOfBatch() {
            a.InProcess = false;
            if (a.extraction_) a.extraction_->EndBatch();
        }
    } end{*this};

    const bool progress = ShowsProgress(op);
    TZAAction action = TZAAction::fxaIgnore;
    if (progress) DoOnOverallProgress(0, op, TZAProgressPhase::ppStart, Cancelled);
    if (!Cancelled) {
        int i = 0;
        while (i < items.Count()) {
            TDirItem* item = items.ItemPtr(i);
            if (!item->Mark) {
                ++i;
                continue;
            }
            item->Operation = static_cast<uint8_t>(op);
            const int countBefore = items.Count();
            bool leave = false;
            for (;;) {
                action = TZAAction::fxaIgnore;
                const std::u16string name = Backslashed(items.ItemPtr(i)->Name);
                try {
                    bool confirm = true;
                    DoOnConfirmProcessFile(name, op, confirm);
                    if (!confirm) break;
                    if (StartDir.empty()) StartDir = WideGetCurrentDir();
                    const std::u16string base = GetBaseDir(BaseDir, StartDir);
                    // Handlers may look at the directory; the item is found again by index.
                    const std::u16string stored = items.ItemPtr(i)->Name;
                    if (progress) {
                        DoOnFileProgress(stored, 0, op, TZAProgressPhase::ppStart, Cancelled);
                        if (Cancelled) {
                            leave = true;
                            break;
                        }
                    }
                    switch (op) {
                        case TZAProcessOperation::poDelete: DeleteFileItem(i); break;
                        case TZAProcessOperation::poUpdate: UpdateFileItem(i, name, base); break;
                        case TZAProcessOperation::poExtract: ExtractFileItem(i, name, base); break;
                        case TZAProcessOperation::poTest: TestFileItem(i, name); break;
                        default: break;
                    }
                    if (progress) {
                        bool cancel = false;
                        DoOnFileProgress(stored, 100, op, TZAProgressPhase::ppEnd, cancel);
                        Cancelled = Cancelled || cancel;
                    }
                    if (Cancelled) {
                        leave = true;
                        break;
                    }
                    ++ProcessedCount;
                } catch (const EZAException& e) {
                    // A failure of the item's data names the item itself.
                    LastError = e.ItemName().empty() ? platform::Utf16ToUtf8(name) + ": " + e.what() : e.what();
                    LastSystemError = e.SystemError();
                    DoOnProcessFileFailure(name, op, e.NativeError(), e.ErrorCode(),
                                           platform::Utf8ToUtf16(e.Message()), action);
                    if (action == TZAAction::fxaRetry) continue;
                    ++FailedCount;
                }
                break;
            }
            if (action == TZAAction::fxaAbort) Aborted = true;
            if (leave || Aborted || Cancelled) break;
            // A deleted item's place holds the next one; one that stayed (refused, failed) is passed.
            if (op != TZAProcessOperation::poDelete || items.Count() == countBefore) ++i;
        }
        if (progress) {
            bool cancel = Cancelled;
            DoOnOverallProgress(100, op, TZAProgressPhase::ppEnd, cancel);
            Cancelled = Cancelled || cancel;
        }
    }
    if (Cancelled || action == TZAAction::fxaAbort) ResetUpdateLevel();
}

// ---- The delete and update steps ----

void TZABaseArchiver::DeleteFileItem(int32_t Index) { DeleteItem(Index); }

void TZABaseArchiver::DeleteItem(int32_t Index) {
    TZADirArray& items = dirManager_->Items;
    if (Index < 0 || Index >= items.Count()) throw EZAException(ZAError::DeleteIndex, Name);
    if (!InUpdate()) throw EZAException(ZAError::DeleteNotInUpdate, Name);
    items.Delete(Index);
}

void TZABaseArchiver::UpdateFileItem(int32_t Index, const std::u16string& Name_, const std::u16string& BaseDir_) {
    const TDirItem& item = *dirManager_->Items.ItemPtr(Index);
    const uint32_t attr = item.Header.externalAttributes;
    // Folder or file, read-only or not, by the same rules as extraction (a Unix item by its mode).
    if (IsFolderItem(item.Header, item.Name)) return;
    const std::u16string source = MakeSourcePath(BaseDir_, Name_, StartDir);
    if (!WideFileExists(source)) return;
    if (!Options.ReplaceReadOnly && IsReadOnlyItem(item.Header, attr)) return;
    const int32_t itemTime = static_cast<int32_t>((uint32_t{item.Header.modDate} << 16) | item.Header.modTime);
    const uint32_t fileTime = static_cast<uint32_t>(WideFileAge(source));
    switch (Options.OverwriteMode) {
        case TZAOverwriteMode::omPrompt: {
            bool confirm = false;
            std::u16string dest = Name_;
            DoOnConfirmOverwrite(source, dest, confirm);
            if (!confirm) return;
            break;
        }
        case TZAOverwriteMode::omNever: return;
        case TZAOverwriteMode::omIfNewer:
            if (fileTime <= static_cast<uint32_t>(itemTime)) return;
            break;
        case TZAOverwriteMode::omIfOlder:
            if (fileTime >= static_cast<uint32_t>(itemTime)) return;
            break;
        case TZAOverwriteMode::omAlways: break;
    }
    const std::u16string saved = StartDir;
    StartDir = BaseDir_;
    try {
        UpdateItem(Index, source);
    } catch (...) {
        StartDir = saved;
        throw;
    }
    StartDir = saved;
}

void TZABaseArchiver::UpdateItem(int32_t Index, const std::u16string& FileName_) {
    TZADirArray& items = dirManager_->Items;
    if (Index < 0 || Index >= items.Count()) throw EZAException(ZAError::UpdateIndex, Name);
    if (!InUpdate()) throw EZAException(ZAError::UpdateNotInUpdate, Name);
    // The item is rebuilt from the file, whose data is read when the pending changes are written.
    InitDirItem(Index, FileName_);
    items.ItemPtr(Index)->Operation = static_cast<uint8_t>(TZAProcessOperation::poUpdate);
}

}  // namespace ziplib

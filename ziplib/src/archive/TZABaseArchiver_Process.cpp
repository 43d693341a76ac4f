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

// One run of an operation over the marked items: the batch's start and end events, each marked
// item's confirmation, progress events and step, and what the failure event answers.
class TZABaseArchiver::Batch {
public:
    Batch(TZABaseArchiver& a, TZAProcessOperation op) : a_(a), op_(op), progress_(ShowsProgress(op)) {}

    void Run() {
        Start();
        struct EndOfBatch {
            TZABaseArchiver& a;
            ~EndOfBatch() {
                a.InProcess = false;
                if (a.extraction_) a.extraction_->EndBatch();
            }
        } end{a_};
        if (progress_) a_.DoOnOverallProgress(0, op_, TZAProgressPhase::ppStart, a_.Cancelled);
        if (!a_.Cancelled) {
            RunMarkedItems();
            if (progress_) {
                bool cancel = a_.Cancelled;
                a_.DoOnOverallProgress(100, op_, TZAProgressPhase::ppEnd, cancel);
                a_.Cancelled = a_.Cancelled || cancel;
            }
        }
        if (a_.Cancelled || action_ == TZAAction::fxaAbort) a_.ResetUpdateLevel();
    }

private:
    // The batch's counts and flags afresh.
    void Start() {
        a_.ProcessedCount = 0;
        a_.FailedCount = 0;
        a_.Cancelled = false;
        a_.Aborted = false;
        a_.LastError.clear();
        a_.LastSystemError = 0;
        a_.MarkedCount = 0;
        TZADirArray& items = a_.dirManager_->Items;
        for (int i = 0; i < items.Count(); ++i)
            if (items.ItemPtr(i)->Mark) ++a_.MarkedCount;
        a_.InProcess = true;
    }

    void RunMarkedItems() {
        TZADirArray& items = a_.dirManager_->Items;
        int i = 0;
        while (i < items.Count()) {
            TDirItem* item = items.ItemPtr(i);
            if (!item->Mark) {
                ++i;
                continue;
            }
            item->Operation = static_cast<uint8_t>(op_);
            const int countBefore = items.Count();
            const bool leave = ProcessItem(i);
            if (action_ == TZAAction::fxaAbort) a_.Aborted = true;
            if (leave || a_.Aborted || a_.Cancelled) break;
            // A deleted item's place holds the next one; one that stayed (refused, failed) is passed.
            if (op_ != TZAProcessOperation::poDelete || items.Count() == countBefore) ++i;
        }
    }

    // Item i, again as long as the failure event answers retry. True when the batch stops there.
    bool ProcessItem(int i) {
        for (;;) {
            action_ = TZAAction::fxaIgnore;
            const std::u16string name = Backslashed(a_.dirManager_->Items.ItemPtr(i)->Name);
            try {
                return Attempt(i, name);
            } catch (const EZAException& e) {
                // A failure of the item's data names the item itself.
                a_.LastError = e.ItemName().empty() ? platform::Utf16ToUtf8(name) + ": " + e.what() : e.what();
                a_.LastSystemError = e.SystemError();
                a_.DoOnProcessFileFailure(name, op_, e.NativeError(), e.ErrorCode(), platform::Utf8ToUtf16(e.Message()),
                                          action_);
                if (action_ == TZAAction::fxaRetry) continue;
                ++a_.FailedCount;
                return false;
            }
        }
    }

    // One attempt: the confirmation, the progress events around the step, and the step itself.
    // True when a cancel stops the batch.
    bool Attempt(int i, const std::u16string& name) {
        bool confirm = true;
        a_.DoOnConfirmProcessFile(name, op_, confirm);
        if (!confirm) return false;
        if (a_.StartDir.empty()) a_.StartDir = WideGetCurrentDir();
        const std::u16string base = GetBaseDir(a_.BaseDir, a_.StartDir);
        // Handlers may look at the directory; the item is found again by index.
        const std::u16string stored = a_.dirManager_->Items.ItemPtr(i)->Name;
        if (progress_) {
            a_.DoOnFileProgress(stored, 0, op_, TZAProgressPhase::ppStart, a_.Cancelled);
            if (a_.Cancelled) return true;
        }
        switch (op_) {
            case TZAProcessOperation::poDelete: a_.DeleteFileItem(i); break;
            case TZAProcessOperation::poUpdate: a_.UpdateFileItem(i, name, base); break;
            case TZAProcessOperation::poExtract: a_.ExtractFileItem(i, name, base); break;
            case TZAProcessOperation::poTest: a_.TestFileItem(i, name); break;
            default: break;
        }
        if (progress_) {
            bool cancel = false;
            a_.DoOnFileProgress(stored, 100, op_, TZAProgressPhase::ppEnd, cancel);
            a_.Cancelled = a_.Cancelled || cancel;
        }
        if (a_.Cancelled) return true;
        ++a_.ProcessedCount;
        return false;
    }

    TZABaseArchiver& a_;
    const TZAProcessOperation op_;
    const bool progress_;
    TZAAction action_ = TZAAction::fxaIgnore;  // the failure event's last answer
};

void TZABaseArchiver::RunBatch(TZAProcessOperation op) { Batch(*this, op).Run(); }

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

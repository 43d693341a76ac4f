#include "archive/ArchiveChanges.h"

#include "directory/TZADirManager.h"
#include "ziplib/EZAException.h"

namespace ziplib {

void ArchiveChanges::Begin(TZABaseArchiver& archiver) {
    archiver.RefuseWhileBusy("begin a change");
    archiver.RaiseUpdateLevel();
}

int32_t ArchiveChanges::Add(TZABaseArchiver& archiver, const std::u16string& fileName, TZAProcessOperation operation) {
    archiver.CheckArchiveOpen();
    if (!archiver.InUpdate()) throw EZAException(ZAError::UpdateNotInUpdate, archiver.Name);
    TZADirArray& items = archiver.dirManager_->Items;
    const int index = items.Count();
    items.SetCount(index + 1);
    archiver.InitDirItem(index, fileName);
    TDirItem& item = *items.ItemPtr(index);
    if (!item.IsNew) {
        items.SetCount(index);
        return -1;
    }
    item.Operation = static_cast<uint8_t>(operation);
    return index;
}

void ArchiveChanges::Rename(TZABaseArchiver& archiver, int32_t index, const std::u16string& newName) {
    archiver.CheckArchiveOpen();
    if (!archiver.InUpdate()) throw EZAException(ZAError::UpdateNotInUpdate, archiver.Name);
    TZADirArray& items = archiver.dirManager_->Items;
    if (index < 0 || index >= items.Count()) throw EZAException(ZAError::UpdateIndex, archiver.Name);
    TDirItem& item = *items.ItemPtr(index);
    if (!item.IsNew) item.SecondName = item.Name;
    item.IsNew = 1;
    item.Operation = static_cast<uint8_t>(TZAProcessOperation::poRename);
    items.Rename(index, newName);
}

void ArchiveChanges::Commit(TZABaseArchiver& archiver) {
    archiver.CheckArchiveOpen();
    // As in CloseArchive: its events may not close or switch the archive it is writing.
    archiver.RefuseWhileBusy("commit the archive");
    TZABaseArchiver::BusyScope busy(archiver);
    archiver.CommitChanges();
}

}  // namespace ziplib

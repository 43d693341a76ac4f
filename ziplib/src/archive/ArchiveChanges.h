// The library's own entry for changing an archive, which no operation of the programs offers:
// its tests and benchmarks begin a change with it, add files, rename items and commit. Deleting
// and updating items then run as batches (MarkFilesToProcess and ProcessFiles with poDelete or
// poUpdate), and CloseArchive commits what is pending.
#pragma once

#include <cstdint>
#include <string>

#include "ziplib/TZABaseArchiver.h"

namespace ziplib {

class ArchiveChanges {
public:
    // Begins a change on the open archive (EZAException 13 when it is not open).
    static void Begin(TZABaseArchiver& archiver);
    // A new item for the file or folder fileName (Windows form), stored by the archiver's
    // settings as they are now; `operation` poMove deletes the source once it is stored. The new
    // item's index, or -1 when the file gives no stored name. Needs a change begun (code 25).
    static int32_t Add(TZABaseArchiver& archiver, const std::u16string& fileName,
                       TZAProcessOperation operation = TZAProcessOperation::poAdd);
    // Gives item index a new stored name ('/' separators); its data is copied as stored.
    static void Rename(TZABaseArchiver& archiver, int32_t index, const std::u16string& newName);
    // Writes what is pending now, raising what the commit raises.
    static void Commit(TZABaseArchiver& archiver);
};

}  // namespace ziplib

// One run of CommitChanges: where the new archive is written, where the old one's stored bytes
// are read from, and what a rollback needs to put everything back.
//
// An archive file opened from disk is rebuilt in a replacement file beside it, which takes its
// name only once it is complete and flushed: until then the archive is untouched, so a cancel, a
// failure or a kill leaves it as it was. The replacement has no name until then where the file
// system allows it; a named one carries its owner's lock, and what a killed commit left is
// removed by the next open or commit. A new archive, one in memory, and one whose folder takes
// no new file are rebuilt in place: cut where the rewrite starts, the rest kept in a temporary
// file, which a rollback copies back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "directory/TZADirManager.h"
#include "engine/ItemDataWriter.h"
#include "platform/SafeFile.h"
#include "ziplib/TZABaseArchiver.h"

namespace ziplib {

class FdStream;

class TZABaseArchiver::Commit {
public:
    explicit Commit(TZABaseArchiver& a);
    ~Commit();
    Commit(const Commit&) = delete;
    Commit& operator=(const Commit&) = delete;

    void Run();

    // Where the new archive is written now (the current volume of a split one).
    TStream& Dest();
    ItemDataWriter& Writer() { return writer_; }
    ItemWriteSettings Settings() const;
    TZAVolumeNumberInfo& Volume() { return volume_; }

    // Shared with CompressFile and the failure events: retry the item, go on, or stop.
    TZAAction state = TZAAction::fxaIgnore;
    // Source bytes of every changed item, and of those written before the current one.
    std::uint64_t runBytes = 0;
    std::uint64_t runDone = 0;

private:
    // The record images a SaveDir rewrites, kept for a rollback.
    struct DirectoryRecords {
        EndRecord end;
        Zip64EndRecord zip64End;
        Zip64Locator locator;
        std::string comment;
        int64_t directoryStart;
        int64_t endRecordPosition;
        bool isZip64;
        bool written;
        bool recovered;
    };

    void Refuse(int32_t code);  // the directory back as opened, then the error
    int CountKeptItems();
    void ChooseCut();
    std::uint64_t RecordEnd(int openedIndex);
    void Prepare();
    void PrepareInPlace();
    bool PrepareReplacement();
    void WriteItems();
    void CopyItem(int index);
    void Finish();
    void RollBack();
    void RestoreDirectory();
    void DeleteMovedSources(const std::vector<TDirItem>& moved);
    void DeleteTempFile();

    TZABaseArchiver& a_;
    TZADirManager& dir_;
    ItemDataWriter writer_;
    TZAVolumeNumberInfo volume_;
    DirectoryRecords saved_;
    std::vector<std::uint64_t> ends_;  // where each opened item's stored bytes end
    int kept_ = 0;
    std::int64_t cut_ = 0;
    // The replacement file and the stream over it, when the archive is rebuilt beside itself.
    std::unique_ptr<platform::ReplacementFile> replacement_;
    std::unique_ptr<FdStream> replacementStream_;
    // Where the old archive's bytes are read: the archive itself, or the tail saved from cut_.
    TStream* old_ = nullptr;
    std::int64_t oldBase_ = 0;
    std::unique_ptr<TStream> tail_;
    std::u16string tailName_;
    // The volume a new split archive's commit started on: a rollback goes back to it.
    std::u16string firstVolume_;
    TZAVolumeNumberInfo startVolume_;
    bool truncated_ = false;  // the archive was cut at cut_ (rebuilt in place)
    bool committed_ = false;
};

}  // namespace ziplib

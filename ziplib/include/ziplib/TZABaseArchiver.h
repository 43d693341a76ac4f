// The component that owns one ZIP archive: its file (or memory stream), its directory, its
// options and events, and the operations that open and close it. TZipArchiver is the one that
// programs use; this base leaves the signature family and the compression method open.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ziplib/Prompts.h"
#include "ziplib/TComponent.h"
#include "ziplib/TStream.h"
#include "ziplib/TUniStringList.h"
#include "ziplib/TZAArchiveItem.h"
#include "ziplib/TZAEvents.h"
#include "ziplib/TZAOptions.h"
#include "ziplib/TZASpanningOptions.h"
#include "ziplib/TZAVolumeNumberInfo.h"
#include "ziplib/ZAEnums.h"

namespace ziplib {

// A failure of the archiver that has no code of its own, such as "Cannot set spanning mode on
// open archive". Not an EZAException, so a batch does not offer retry or ignore for it.
class EArchiverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An archiver asked, from inside one of its own events or prompts, to open, close or switch the
// archive that the running operation is still using.
class EArchiverBusy : public EArchiverError {
public:
    using EArchiverError::EArchiverError;
};

class ArchiveChanges;
class ItemOutput;
class TMemoryStream;
class TZADirManager;

class TZABaseArchiver : public TComponent {
public:
    // Open modes of the archive file.
    static constexpr uint16_t kModeReadWrite = 0x22;  // read-write, others may not write
    static constexpr uint16_t kModeReadOnly = 0x40;   // read-only, others unrestricted
    static constexpr uint16_t kModeCreate = 0xFFFF;

    explicit TZABaseArchiver(TComponent* owner = nullptr);
    ~TZABaseArchiver() override;

    // ---- Opening and closing ----
    // Opens FileName, read-write when the file allows it, read-only otherwise, or creates it
    // (and always a new archive when InMemory).
    void OpenArchive();
    // Opens with the given mode; kModeCreate makes a new archive. A failure leaves the archive
    // closed with its file released.
    void OpenArchive(uint16_t mode);
    // Commits pending changes and releases the archive; never raises, except EArchiverBusy when
    // called from inside a running operation of this archiver. A commit that failed leaves the
    // file as it was and its message in LastError.
    void CloseArchive();
    bool IsOpen() const { return isOpen_; }
    // Changes are pending. No operation of the programs begins a change, so this stays false
    // there and CloseArchive writes nothing to an archive that was opened.
    bool InUpdate() const { return updateLevel_ > 0; }
    void CheckArchiveOpen() const;  // code 13
    void CheckNotInUpdate() const;  // code 26
    static void LockArchivers();
    static void UnlockArchivers();

    // ---- Searching and batches ----
    // The first item, from the start of the directory, whose name matches FileMask ('\' or '/';
    // a drive in front is dropped unless paths are stored with their drive) in full or by its
    // name part, whose whole name does not match ExclusionMask, and that has none of the hidden,
    // system, volume and folder bits that SearchAttr lacks. With Options.Recurse off only items
    // in the mask's own folder are found. False, and F unchanged, when there is none.
    bool FindFirst(const std::u16string& FileMask, TZAArchiveItem& F, const std::u16string& ExclusionMask,
                   int32_t SearchAttr);
    bool FindNext(TZAArchiveItem& F);
    // Marks every item FindFirst and FindNext find, and only those.
    void MarkFilesToProcess(const std::u16string& FileMask, int32_t SearchAttr, const std::u16string& ExclusionMask);
    // Runs the operation over the marked items under the lock all archivers share, with the
    // confirmation, progress and failure events; a failure is retried, ignored or ends the batch
    // as the failure event answers. The outcome is in ProcessedCount, FailedCount, Cancelled,
    // Aborted and LastError.
    void ProcessFiles(TZAProcessOperation Operation);
    void ResetUpdateLevel();

    // ---- Extracting and testing ----
    // Writes the matching items below BaseDir (the current folder when empty). Names that are
    // absolute, name a drive or a server, or climb out with ".." are refused (error 19); each
    // file is written beside its target and takes its place only once its size and CRC-32
    // checked out, so a bad item never costs the file it would have replaced.
    void ExtractFiles(const std::u16string& FileMask, int32_t SearchAttr, const std::u16string& ExclusionMask);
    // Decodes and checks the matching items without writing anything.
    void TestFiles(const std::u16string& FileMask, int32_t SearchAttr, const std::u16string& ExclusionMask);
    // Decodes item Index into Stream: code 16 for an index outside the directory, code 8 when
    // its data does not check out (unless cancelled or ExtractCorruptedFiles is set).
    void ExtractItemToStream(int32_t Index, TStream& Stream);
    // True when the last batch (or commit) ran over every marked (changed) item and each came
    // through.
    bool BatchSucceeded() const {
        return !Cancelled && !Aborted && FailedCount == 0 && ProcessedCount == MarkedCount;
    }

    // ---- Published properties ----
    bool ExtractCorruptedFiles = false;
    TZACompressionLevel CompressionLevel() const { return compressionLevel_; }
    void SetCompressionLevel(TZACompressionLevel level);
    uint8_t CompressionMode() const { return compressionMode_; }
    void SetCompressionMode(int mode);  // 0-9, else code 5 and nothing changes
    std::u16string CurrentVersion() const;
    void SetCurrentVersion(std::u16string_view ignored);  // the version cannot be changed
    const std::string& Password() const { return password_; }
    virtual void SetPassword(const std::string& password);
    std::u16string FileName;
    std::u16string BaseDir;
    std::u16string TempDir;
    TZASpanningMode SpanningMode() const { return spanningMode_; }
    void SetSpanningMode(TZASpanningMode mode);  // EArchiverError while open
    TZASpanningOptions SpanningOptions;
    std::u16string SFXStub;
    TZAOptions Options;
    TUniStrings& FileMasks() { return fileMasks_; }
    void SetFileMasks(const TWideStrings& masks) { fileMasks_.Assign(masks); }
    TUniStrings& ExclusionMasks() { return exclusionMasks_; }
    void SetExclusionMasks(const TWideStrings& masks) { exclusionMasks_.Assign(masks); }
    TUniStrings& NoCompressionMasks() { return noCompressionMasks_; }
    void SetNoCompressionMasks(const TWideStrings& masks) { noCompressionMasks_.Assign(masks); }
    bool InMemory() const { return inMemory_; }
    void SetInMemory(bool inMemory);
    // Published by TZipArchiver.
    TZip64Mode Zip64Mode = TZip64Mode::zmAuto;
    bool UnicodeFilenames = true;
    TZACryptoAlgorithm EncryptionMethod = TZACryptoAlgorithm::caPkzipClassic;

    // ---- Events ----
    TZAFileProgressEvent OnFileProgress;
    TZAProgressEvent OnOverallProgress;
    TZACopyTempFileProgressEvent OnCopyTempFileProgress;
    TZAConfirmOverwriteEvent OnConfirmOverwrite;
    TZAConfirmProcessFileEvent OnConfirmProcessFile;
    TZANotifyEvent AfterOpen;
    TZAOnPasswordEvent OnPassword;
    TZAProcessFileFailureEvent OnProcessFileFailure;
    TZAOnRequestBlankVolumeEvent OnRequestBlankVolume;
    TZAOnRequestFirstVolumeEvent OnRequestFirstVolume;
    TZAOnRequestLastVolumeEvent OnRequestLastVolume;
    TZAOnRequestMiddleVolumeEvent OnRequestMiddleVolume;
    TZAOnDiskFullEvent OnDiskFull;
    TZAOnStoreFileEvent OnStoreFile;
    TZAOnExtractFileEvent OnExtractFile;
    TZAReservedEvent OnReservedEvent;  // not published

    // Who answers the default prompts of this archiver; nullptr: DefaultPrompter().
    TZAPrompter* Prompter = nullptr;
    TZAPrompter& ActivePrompter() const { return Prompter ? *Prompter : DefaultPrompter(); }

    // ---- Dispatchers: the handler when one is bound, else the default answer or prompt ----
    virtual void DoOnOverallProgress(double Progress, TZAProcessOperation Operation, TZAProgressPhase ProgressPhase,
                                     bool& Cancel);
    virtual void DoOnFileProgress(const std::u16string& FileName, double Progress, TZAProcessOperation Operation,
                                  TZAProgressPhase ProgressPhase, bool& Cancel);
    virtual void DoOnCopyTempFileProgress(double Progress, TZAProgressPhase ProgressPhase, bool& Cancel);
    virtual void DoOnConfirmOverwrite(const std::u16string& SourceFileName, std::u16string& DestFileName, bool& Confirm);
    virtual void DoOnConfirmProcessFile(const std::u16string& FileName, TZAProcessOperation Operation, bool& Confirm);
    virtual void DoOnPassword(const std::u16string& FileName, std::string& NewPassword, bool& SkipFile);
    virtual void DoOnProcessFileFailure(const std::u16string& FileName, TZAProcessOperation Operation,
                                        int32_t NativeError, int32_t ErrorCode, const std::u16string& ErrorMessage,
                                        TZAAction& Action);
    virtual void DoOnRequestBlankVolume(int32_t VolumeNumber, std::u16string& VolumeFileName, bool& Cancel);
    virtual void DoOnRequestFirstVolume(std::u16string& VolumeFileName, bool& Cancel);
    virtual void DoOnRequestLastVolume(std::u16string& VolumeFileName, bool& Cancel);
    virtual void DoOnRequestMiddleVolume(int32_t VolumeNumber, std::u16string& VolumeFileName, bool& Cancel);
    virtual void DoOnDiskFull(int32_t VolumeNumber, const std::u16string& VolumeFileName, bool& Cancel);
    virtual void DoOnReservedEvent(uint8_t Kind, int32_t Value1, int32_t Value2);
    virtual void DoOnStoreFile(std::u16string& FileName, uint32_t& FileAttr, std::string& Comment,
                               const std::u16string& OriginalFileName);
    virtual void DoOnExtractFile(std::u16string& FileName, uint32_t& FileAttr, const std::string& Comment);
    void DoAfterOpen();

    // ---- Volumes ----
    // The name of volume n (-1: the last) of the archive called name, by the spanning mode and
    // naming; numbered split volumes take the case of the archive's extension (x.zip: x.z01).
    // With checkExists a spanned volume missing under one naming is looked for under the other,
    // and a split set's first volume missing under its number is its self-extractor (x.exe) when
    // that is there. With smNone the name never changes.
    void GetVolumeFileName(std::u16string& name, int32_t n, bool checkExists) const;
    // Makes ArchiveStream the stream of that volume, asking for it through the volume events
    // when it isn't open; a refused or cancelled request raises code 45.
    void OpenVolume(const TZAVolumeNumberInfo& volume);
    // Replaces ArchiveStream by name opened with OpenMode.
    void CreateVolumeStream(const std::u16string& name);
    // Bytes free for this user on the file system that holds name (its folder, or the nearest
    // one above it that exists); 0 when nothing can be found out.
    static int64_t GetFreeDiskSpace(std::u16string_view name);
    static bool IsSfxName(std::u16string_view name);  // the extension holds ".exe", in any case

    // ---- State ----
    uint8_t SignatureFamily = 0;  // 1 standard "PK" records, 0 the second family
    bool AssumeEndRecordFound = true;  // not published; volume probing clears it while it runs
    uint16_t CompressionMethod() const { return compressionMethod_; }
    virtual void SetCompressionMethod();
    uint16_t OpenMode() const { return openMode_; }
    const std::u16string& VolumeFileName() const { return volumeFileName_; }
    const TZAVolumeNumberInfo& CurrentVolume() const { return currentVolume_; }
    TStream* ArchiveStream() const { return archiveStream_.get(); }
    bool ExternalStream() const { return externalStream_; }
    // True when the open archive's directory was missing or damaged (a cut download, say) and its
    // items were recovered from the local headers alone, so items may be missing.
    bool DirectoryRecovered() const;
    // The directory of the open archive, nullptr while closed. Its type is internal to the
    // library: the library's own steps and its tests look inside.
    TZADirManager* DirManager() const { return dirManager_.get(); }

    // The running batch or commit: its counts and flags, and the folder that stands in for an
    // empty BaseDir.
    std::u16string StartDir;
    int32_t ProcessedCount = 0;
    int32_t MarkedCount = 0;
    bool Cancelled = false;
    bool InProcess = false;
    bool Aborted = false;      // the failure event answered Abort
    int32_t FailedCount = 0;   // items of the batch that failed and were not retried to success
    std::string LastError;     // the message of the batch's (or the commit's) last failure, UTF-8
    int LastSystemError = 0;   // the errno behind the batch's last failure when the system refused a write, else 0

    // True while an operation of this archiver runs (an open, a close, a batch): its events and
    // prompts may not open, close or switch the archive under it.
    bool IsBusy() const { return busyDepth_.load() > 0; }

protected:
    // Marks the archiver busy for a scope; Refuse... raises EArchiverBusy while it is.
    class BusyScope {
    public:
        explicit BusyScope(TZABaseArchiver& a) : a_(a) { ++a_.busyDepth_; }
        ~BusyScope() { --a_.busyDepth_; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TZABaseArchiver& a_;
    };
    void RefuseWhileBusy(std::string_view what) const;
    void SetCompressionMethodValue(uint16_t method) { compressionMethod_ = method; }

    // Writes what an open archive still owes its file: pending changes, and the directory of a
    // new archive that received nothing. Errors are dropped (their message goes to LastError).
    void FinishArchive();
    // Does nothing unless changes are pending; then writes them and ends the update. The file
    // takes the changes whole or not at all: a cancel or abort leaves it as it was, and a
    // failure does too and then raises. Raises EZAException 32 on an archive opened read-only,
    // 52 on an existing one that spans volumes and 62 on a second commit of a new one that does,
    // before anything is written.
    virtual void CommitChanges();

    // ---- Writing items (a commit runs these) ----
    // Fills item Index from the file FileName: its stored name by Options.StorePath, time,
    // attributes, the archiver's password, compression mode and method; marks it changed.
    void InitDirItem(int32_t Index, const std::u16string& FileName);
    // Writes item Index at the end of the archive: local header, name, extra fields and data, the
    // header rewritten with the CRC-32 and sizes. False when it was not written: cancelled (the
    // cancel flag is set) or failed, in which case the failure event has answered and its answer
    // steers the commit.
    bool CompressFile(int32_t Index);

    // ---- Writing across volumes ----
    // Writes count bytes into stream (into pending, a buffer of bytes that must land on the same
    // volume, when given), moving on to the next volume when the current one is full; reserve
    // bytes more must fit beside the block on the same volume (-1: the block may be split). With
    // smNone one plain write. Returns the bytes written; stream is then the current volume.
    int64_t WriteSpanned(const void* buffer, int64_t count, TMemoryStream* pending, int64_t reserve,
                         TZAVolumeNumberInfo& volume, TStream*& stream);
    // The same; EZAException 46 when fewer bytes were written than asked.
    void WriteSpannedChecked(const void* buffer, int64_t count, TMemoryStream* pending, int64_t reserve,
                             TZAVolumeNumberInfo& volume, TStream*& stream);
    // Copies count bytes (-1: the rest) of source through WriteSpanned, in blocks of 1,000,000
    // bytes, with the temporary-file progress event when showProgress. Returns the bytes copied;
    // fewer when the event cancelled or a volume took no more.
    int64_t CopyToVolumes(TStream& source, TStream*& stream, bool showProgress, TMemoryStream* pending,
                          int64_t reserve, int64_t count, TZAVolumeNumberInfo& volume);

    // The steps a batch runs for item Index; Name has '\' separators and BaseDir a trailing '\'.
    void DeleteFileItem(int32_t Index);
    void UpdateFileItem(int32_t Index, const std::u16string& Name, const std::u16string& BaseDir);
    void ExtractFileItem(int32_t Index, const std::u16string& Name, const std::u16string& BaseDir);
    void TestFileItem(int32_t Index, const std::u16string& Name);
    // The directory changes behind the delete and update steps; both need a pending transaction.
    void DeleteItem(int32_t Index);
    void UpdateItem(int32_t Index, const std::u16string& FileName);

    // Open-time detection of the archive's kind.
    void LoadArchive();
    bool OpenPlainArchive();  // true when the end record was located
    bool OpenSfxArchive();
    void DetectSpanningMode(bool found);

private:
    friend class ArchiveChanges;  // the library's own entry for beginning changes (tests, benchmarks)
    class Commit;            // one run of CommitChanges
    struct ExtractionState;  // the data engine, the folder being written and the overlap check
    class DirOwner;          // what the directory asks of this archiver
    class ItemContext;       // what the data engine asks of this archiver
    class ItemWrite;         // one run of CompressFile
    class FileExtraction;    // one item written to a file (ExtractFileItem)
    class Batch;             // one run of an operation over the marked items (RunBatch)

    // Marks the matching items and runs the operation over them.
    void ProcessMatches(const std::u16string& FileMask, int32_t SearchAttr, const std::u16string& ExclusionMask,
                        TZAProcessOperation Operation);
    bool FindItem(TZAArchiveItem& F);
    bool MatchItem(int32_t index, const TInternalSearchRec& rec) const;
    void RunBatch(TZAProcessOperation operation);
    // Decodes item Index into output; code 8 as ExtractItemToStream says.
    void ExtractItemToOutput(int32_t Index, ItemOutput& output);
    ExtractionState& Extraction();

    void ReleaseArchive();  // frees stream and directory, no writes
    // Removes the replacement files that killed commits left beside the archive.
    void RemoveKilledCommits() const;
    // Begins a change: the first one keeps the directory as it is now, which the commit copies
    // unchanged items from and a rollback returns to.
    void RaiseUpdateLevel();
    // The directory of a new split or spanned archive is complete on the volume open now: that
    // volume takes the name of the last one and is opened again. nullptr when it already had it.
    TStream* FinishLastVolume();
    void OpenNewVolume(const TZAVolumeNumberInfo& volume);
    void OpenExistingVolume(const TZAVolumeNumberInfo& volume);
    bool ProbeLastVolume();  // one round of the plain route; true when the end record was located
    std::u16string VolumeName(int32_t n) const;          // with the other spanned naming tried
    std::u16string VolumeNameForProbe(int32_t n) const;  // as named, nothing looked up
    bool VolumeExistsUnderSplitNaming(int32_t n);

    TZACompressionLevel compressionLevel_ = TZACompressionLevel::clNone;
    uint8_t compressionMode_ = 0;
    uint16_t compressionMethod_ = 0;
    std::string password_;
    TZASpanningMode spanningMode_ = TZASpanningMode::smNone;
    TUniStringList fileMasks_;
    TUniStringList exclusionMasks_;
    TUniStringList noCompressionMasks_;
    bool inMemory_ = false;
    bool isOpen_ = false;
    bool externalStream_ = false;
    uint16_t openMode_ = 0;
    int32_t updateLevel_ = 0;  // pending change transactions
    std::u16string volumeFileName_;
    bool volumeMade_ = false;  // the file of the open volume did not exist before it was opened
    TZAVolumeNumberInfo currentVolume_;
    std::unique_ptr<TStream> archiveStream_;
    std::unique_ptr<DirOwner> dirOwner_;  // outlives the directory, which keeps a pointer to it
    std::unique_ptr<TZADirManager> dirManager_;
    std::atomic<int> busyDepth_{0};  // read by any thread; changed under the shared lock
    std::unique_ptr<ExtractionState> extraction_;
    Commit* commit_ = nullptr;  // the commit running now
};

}  // namespace ziplib

// The archiver's construction, published properties, opening, closing and the in-memory switch.
#include "ziplib/TZABaseArchiver.h"

#include <unistd.h>

#include <charconv>
#include <mutex>
#include <vector>

#include "DirOwner.h"
#include "ExtractionState.h"
#include "archive/ArchiverLock.h"
#include "codec/CompressionModes.h"
#include "files/Drives.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TUniFileStream.h"
#include "ziplib/WideFiles.h"
#include "ziplib/WidePaths.h"

namespace ziplib {

namespace {

constexpr double kVersion = 5.01;
constexpr int64_t kCopyBlock = 1 << 20;

bool BlankFileName(std::u16string_view name) { return WideExtractFileName(name).empty(); }

}  // namespace

TZABaseArchiver::TZABaseArchiver(TComponent* owner)
    : TComponent(owner), dirOwner_(std::make_unique<DirOwner>(*this)) {
    // The order of the steps is the published one; SetCompressionMethod called here is this
    // class's own, so a derived class sets its method again once it is constructed.
    SetCompressionLevel(TZACompressionLevel::clFastest);
    isOpen_ = false;
    EncryptionMethod = TZACryptoAlgorithm::caPkzipClassic;
    ExtractCorruptedFiles = false;
    AssumeEndRecordFound = true;
    SetSpanningMode(TZASpanningMode::smNone);
    Zip64Mode = TZip64Mode::zmAuto;
    currentVolume_.Reset();
    UnicodeFilenames = true;
}

TZABaseArchiver::~TZABaseArchiver() {
    if (isOpen_) FinishArchive();
    isOpen_ = false;
    ReleaseArchive();
}

// ---- Properties ----

void TZABaseArchiver::SetCompressionLevel(TZACompressionLevel level) {
    compressionLevel_ = level;
    compressionMode_ = CompressionLevelToMode(level);
    SetCompressionMethod();
}

void TZABaseArchiver::SetCompressionMode(int mode) {
    if (mode < 0 || mode >= 10) throw EZAException(ZAError::InvalidCompressionMode, Name);
    compressionMode_ = static_cast<uint8_t>(mode);
    compressionLevel_ = CompressionModeToLevel(mode);
    SetCompressionMethod();
}

void TZABaseArchiver::SetCompressionMethod() { compressionMethod_ = 0xFFFF; }

std::u16string TZABaseArchiver::CurrentVersion() const {
    // Fixed-point with two decimals and '.' whatever the locale, then a blank and no suffix.
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, kVersion, std::chars_format::fixed, 2);
    std::u16string version(text, r.ptr);
    version += u' ';
    return version;
}

void TZABaseArchiver::SetCurrentVersion(std::u16string_view) {}

void TZABaseArchiver::SetPassword(const std::string& password) { password_ = password; }

void TZABaseArchiver::SetSpanningMode(TZASpanningMode mode) {
    if (isOpen_) throw EArchiverError("Cannot set spanning mode on open archive");
    spanningMode_ = mode;
}

void TZABaseArchiver::SetInMemory(bool inMemory) {
    if (inMemory == inMemory_) return;
    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    RefuseWhileBusy("switch the archive between memory and file");
    if (isOpen_ && inMemory_) {
        if (BlankFileName(FileName)) throw EZAException(ZAError::InMemoryBlankFileName, Name);
        // The archive is finished in memory first, so that the file gets a whole archive (a new
        // one without items is its end record), which the open below can read again.
        FinishArchive();
        {
            TUniFileStream file(FileName, fmCreate);
            std::vector<uint8_t> block(static_cast<size_t>(kCopyBlock));
            archiveStream_->SetPosition(0);
            for (int64_t n; (n = archiveStream_->Read(block.data(), kCopyBlock)) > 0;) file.WriteBuffer(block.data(), n);
        }
        CloseArchive();
        inMemory_ = false;
        OpenArchive();
    } else if (isOpen_) {
        CloseArchive();
        inMemory_ = true;
        OpenArchive();
    }
    inMemory_ = inMemory;
}

// ---- Checks and the shared lock ----

void TZABaseArchiver::CheckArchiveOpen() const {
    if (!isOpen_) throw EZAException(ZAError::ArchiveNotOpen, Name);
}

void TZABaseArchiver::CheckNotInUpdate() const {
    if (InUpdate()) throw EZAException(ZAError::UpdateNotEnded, Name);
}

void TZABaseArchiver::LockArchivers() { ArchiverLock().lock(); }

void TZABaseArchiver::UnlockArchivers() { ArchiverLock().unlock(); }

void TZABaseArchiver::RefuseWhileBusy(std::string_view what) const {
    if (!IsBusy()) return;
    std::string text = "Cannot " + std::string(what) + " while an operation on it is running";
    if (!Name.empty()) text = Name + ": " + text;
    throw EArchiverBusy(text);
}

// ---- Opening ----

void TZABaseArchiver::OpenArchive() {
    RefuseWhileBusy("open the archive");
    if (!inMemory_ && BlankFileName(FileName)) throw EZAException(ZAError::OpenBlankFileName, Name);
    uint16_t mode = kModeCreate;
    if (!inMemory_ && WideFileExists(FileName)) {
        // The wide name is tried, not an 8-bit form of it, which would lose characters and so
        // make a writable archive read-only.
        const int fd = WideFileOpen(FileName, fmOpenReadWrite | fmShareDenyWrite);
        if (fd >= 0) {
            ::close(fd);
            mode = kModeReadWrite;
        } else {
            mode = kModeReadOnly;
        }
    }
    OpenArchive(mode);
}

void TZABaseArchiver::OpenArchive(uint16_t mode) {
    // Under the shared lock: another thread's batch on this archiver ends before its archive is
    // replaced, while this archiver's own events are refused as re-entry.
    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    RefuseWhileBusy("open the archive");
    if (!inMemory_ && BlankFileName(FileName)) throw EZAException(ZAError::OpenModeBlankFileName, Name);
    if (mode < kModeCreate && !WideFileExists(FileName) && spanningMode_ != TZASpanningMode::smSpanning &&
        !IsRemovableDrive(FileName))
        throw EZAException(ZAError::ArchiveNotFound, Name, {FormatArg(FileName)});
    if (mode < kModeCreate && inMemory_) throw EZAException(ZAError::InMemoryCreateOnly, Name, {FormatArg(FileName)});
    CloseArchive();
    RemoveKilledCommits();
    externalStream_ = false;
    openMode_ = mode;
    {
        BusyScope busy(*this);
        try {
            LoadArchive();
        } catch (...) {
            // Nothing of a failed open stays behind: the file is released at once.
            ReleaseArchive();
            throw;
        }
        isOpen_ = true;
    }
    DoAfterOpen();
}

void TZABaseArchiver::LoadArchive() {
    if (openMode_ < kModeCreate && !inMemory_) {
        spanningMode_ = TZASpanningMode::smNone;
        currentVolume_.Reset();
        const bool found = IsSfxName(FileName) ? OpenSfxArchive() : OpenPlainArchive();
        if (!found && !AssumeEndRecordFound) {
            ReleaseArchive();
            throw EZAException(ZAError::EndRecordNotFound, Name);
        }
        dirManager_->LoadDir();
        return;
    }
    if (inMemory_) {
        archiveStream_ = std::make_unique<TMemoryStream>();
        dirManager_ = std::make_unique<TZADirManager>(archiveStream_.get(), dirOwner_.get(), true);
        return;
    }
    TZAVolumeNumberInfo first;
    first.SetFirst();
    if (!SFXStub.empty() && spanningMode_ != TZASpanningMode::smNone) {
        // Checked before the first volume is made: making it would empty a file of its name.
        const int64_t limit = SpanningOptions.GetVolumeSize(first);
        TUniFileStream stub(SFXStub, fmOpenRead | fmShareDenyNone);
        if (limit != TZASpanningOptions::kNoLimit && stub.Size() > limit) throw EZAException(ZAError::SfxStubTooLarge, Name);
    }
    OpenVolume(first);
    try {
        dirManager_ = std::make_unique<TZADirManager>(archiveStream_.get(), dirOwner_.get(), true);
    } catch (...) {
        // The stub did not go onto the volume: a volume file this open made is not left behind.
        const bool made = volumeMade_;
        const std::u16string volume = volumeFileName_;
        ReleaseArchive();
        if (made) WideDeleteFile(volume);
        throw;
    }
}

bool TZABaseArchiver::DirectoryRecovered() const { return dirManager_ && dirManager_->Recovered; }

void TZABaseArchiver::DoAfterOpen() {
    if (AfterOpen) AfterOpen(*this);
}

// ---- Closing ----

void TZABaseArchiver::CloseArchive() {
    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    RefuseWhileBusy("close the archive");
    if (isOpen_) {
        BusyScope busy(*this);
        FinishArchive();
    }
    isOpen_ = false;
    ReleaseArchive();
}

void TZABaseArchiver::FinishArchive() {
    // Closing never fails: what could not be written is dropped, and told in LastError.
    const auto attempt = [this](auto&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            LastError = e.what();
        } catch (...) {
            LastError = "Unknown error";
        }
    };
    attempt([this] { CommitChanges(); });
    // A new archive that received nothing (or whose commit failed) still becomes a whole one:
    // its stub, if any, and an empty directory, on the volume that carries the archive's name.
    attempt([this] {
        if (archiveStream_ && dirManager_ && dirManager_->IsNew && !dirManager_->DirectoryWritten) dirManager_->SaveDir();
    });
}

void TZABaseArchiver::ReleaseArchive() {
    if (extraction_) extraction_->ForgetArchive();
    dirManager_.reset();
    if (externalStream_) (void)archiveStream_.release();
    archiveStream_.reset();
}

}  // namespace ziplib

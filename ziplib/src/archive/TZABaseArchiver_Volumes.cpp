// Volumes of split and spanned archives: their names, opening the one that is needed, and
// telling at open time whether an archive is one file or a set of volumes.
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "DirOwner.h"
#include "files/Drives.h"
#include "format/ZipConstants.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TUniFileStream.h"
#include "ziplib/TZABaseArchiver.h"
#include "ziplib/WideFiles.h"
#include "ziplib/WidePaths.h"

namespace ziplib {

namespace {

constexpr uint16_t kAlternativeMethods = 252;  // from here on volumes are named .Fnn / .ZF
constexpr int64_t kMinFreeSpace = 65536;

std::u16string Digits(int32_t n, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%.*d", width, n);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

// The extension of the numbered volumes and of a self-extractor's last one, in the case of the
// archive's own extension (x.zip: x.z01, x.ZIP: x.Z01), so that tools on a case-sensitive disk
// find them. An extension without letters keeps the upper case.
std::u16string InCaseOf(std::u16string_view own, std::u16string ext) {
    bool lower = false;
    for (const char16_t c : own) lower = lower || (c >= u'a' && c <= u'z');
    if (lower)
        for (char16_t& c : ext)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return ext;
}

// Restores AssumeEndRecordFound when the probing that switched it off ends, also by an error.
class AssumeOff {
public:
    explicit AssumeOff(bool& flag) : flag_(flag), saved_(flag) { flag_ = false; }
    ~AssumeOff() { flag_ = saved_; }
    AssumeOff(const AssumeOff&) = delete;
    AssumeOff& operator=(const AssumeOff&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace

int64_t TZASpanningOptions::GetVolumeSize(const TZAVolumeNumberInfo& volume) const {
    if (volume.Number == 0 && FirstVolumeSize > 0) return FirstVolumeSize;
    switch (VolumeSize) {
        case TZAVolumeSize::vsCustom: return customVolumeSize_;
        case TZAVolumeSize::vs1_44MB: return 1457664;
        case TZAVolumeSize::vs100MB: return 104857600;
        case TZAVolumeSize::vs200MB: return 209715200;
        case TZAVolumeSize::vs250MB: return 262144000;
        case TZAVolumeSize::vs600MB: return 629145600;
        case TZAVolumeSize::vs650MB: return 681574400;
        case TZAVolumeSize::vs700MB: return 734003200;
        case TZAVolumeSize::vs4700MB: return 4928307200;
        case TZAVolumeSize::vsAutoDetect: break;
    }
    return kNoLimit;
}

bool TZABaseArchiver::IsSfxName(std::u16string_view name) {
    std::u16string ext = WideExtractFileExt(name);
    for (char16_t& c : ext)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return ext.find(u".exe") != std::u16string::npos;
}

void TZABaseArchiver::GetVolumeFileName(std::u16string& name, int32_t n, bool checkExists) const {
    const std::u16string folder = WideExtractFilePath(name);
    const std::u16string file = WideExtractFileName(name);
    const std::u16string ext = WideExtractFileExt(file);
    const std::u16string base = folder + file.substr(0, file.size() - ext.size());
    const bool sfx = (dirManager_ && dirManager_->DataStart > 0) || !SFXStub.empty() || IsSfxName(name);
    const bool alternative = compressionMethod_ >= kAlternativeMethods;
    if (n != -1 && spanningMode_ == TZASpanningMode::smSpanning) {
        const std::u16string e = sfx ? u".exe" : ext;
        const std::u16string numbered = base + u"_" + Digits(n + 1, 3) + e;
        const std::u16string same = base + e;
        const std::u16string& preferred = SpanningOptions.AdvancedNaming ? numbered : same;
        const std::u16string& other = SpanningOptions.AdvancedNaming ? same : numbered;
        name = checkExists && !WideFileExists(preferred) && WideFileExists(other) ? other : preferred;
    } else if (n != -1 && spanningMode_ == TZASpanningMode::smSplitting) {
        const std::u16string exe = base + u".exe";
        if (n == 0 && sfx) name = exe;
        else if (SpanningOptions.AdvancedNaming) name = base + u"_" + Digits(n + 1, 3) + ext;
        else name = base + InCaseOf(ext, (alternative ? u".F" : u".Z") + Digits(n + 1, 2));
        // A set written with a stub starts with its self-extractor, whatever name it is opened by.
        if (n == 0 && !sfx && checkExists && !WideFileExists(name) && WideFileExists(exe)) name = exe;
    } else if (n == -1 && sfx && spanningMode_ == TZASpanningMode::smSplitting) {
        name = base + InCaseOf(ext, alternative ? u".ZF" : u".ZIP");
    }
}

int64_t TZABaseArchiver::GetFreeDiskSpace(std::u16string_view name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = fs::path(WideToNativePath(name));
    if (!fs::is_directory(dir, ec)) dir = dir.parent_path();
    while (!dir.empty() && !fs::is_directory(dir, ec)) dir = dir.parent_path();
    if (dir.empty()) dir = ".";
    struct statvfs st;
    if (::statvfs(dir.c_str(), &st) != 0) return 0;
    return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

void TZABaseArchiver::CreateVolumeStream(const std::u16string& name) {
    // The new volume is opened before the current one is let go, so a failure keeps the archive
    // on the volume it had.
    const bool made = openMode_ == kModeCreate && !WideFileExists(name);
    auto stream = std::make_unique<TUniFileStream>(name, openMode_);
    volumeMade_ = made;
    TStream* old = archiveStream_.get();
    if (externalStream_) (void)archiveStream_.release();
    archiveStream_ = std::move(stream);
    externalStream_ = false;
    if (dirManager_ && dirManager_->Stream == old) dirManager_->Stream = archiveStream_.get();
    volumeFileName_ = name;
}

void TZABaseArchiver::OpenVolume(const TZAVolumeNumberInfo& volume) {
    if (spanningMode_ == TZASpanningMode::smNone) {
        if (!archiveStream_) CreateVolumeStream(FileName);
        currentVolume_.TakeVolume(volume);
        return;
    }
    if (openMode_ == kModeCreate) OpenNewVolume(volume);
    else OpenExistingVolume(volume);
}

void TZABaseArchiver::OpenNewVolume(const TZAVolumeNumberInfo& volume) {
    const int64_t limit = SpanningOptions.GetVolumeSize(volume);
    std::u16string name;
    for (;;) {
        name = FileName;
        bool cancel = false;
        DoOnRequestBlankVolume(volume.Number, name, cancel);
        if (cancel) throw EZAException(ZAError::VolumeOpenAborted, Name);
        const int64_t free = GetFreeDiskSpace(name);
        if (free > kMinFreeSpace && (limit <= 0 || spanningMode_ == TZASpanningMode::smSplitting || free >= limit)) break;
        DoOnDiskFull(volume.Number, name, cancel);
        if (cancel) throw EZAException(ZAError::VolumeOpenAborted, Name);
    }
    CreateVolumeStream(name);
    // A spanned disk would be labelled "pkback# nnn"; this platform has no volume labels.
    currentVolume_.TakeVolume(volume);
}

void TZABaseArchiver::OpenExistingVolume(const TZAVolumeNumberInfo& volume) {
    if (archiveStream_ && TZAVolumeNumberInfo::SameVolume(currentVolume_, volume)) return;
    for (;;) {
        std::u16string name = FileName;
        bool cancel = true;
        // A volume named by its number is still the first or the last one when its number says
        // so: the last part of a split archive carries the archive's own name, not a numbered one.
        if (volume.IsLast()) DoOnRequestLastVolume(name, cancel);
        else if (volume.IsFirst()) DoOnRequestFirstVolume(name, cancel);
        else DoOnRequestMiddleVolume(volume.Number, name, cancel);
        // No name is no volume: going on with whatever volume is open would read the wrong one.
        if (cancel || (name.empty() && spanningMode_ != TZASpanningMode::smSpanning))
            throw EZAException(ZAError::VolumeOpenAborted, Name);
        if (!name.empty() && WideFileExists(name)) {
            CreateVolumeStream(name);
            currentVolume_.TakeVolume(volume);
            return;
        }
    }
}

std::u16string TZABaseArchiver::VolumeNameForProbe(int32_t n) const {
    std::u16string name = FileName;
    GetVolumeFileName(name, n, false);
    return name;
}

bool TZABaseArchiver::ProbeLastVolume() {
    dirManager_.reset();
    currentVolume_.Reset();
    TZAVolumeNumberInfo probe;
    probe.SetLast();
    if (!WideFileExists(FileName) && IsRemovableDrive(FileName)) spanningMode_ = TZASpanningMode::smSpanning;
    OpenVolume(probe);
    dirManager_ = std::make_unique<TZADirManager>(archiveStream_.get(), dirOwner_.get(), false);
    return dirManager_->LocateEndRecord();
}

bool TZABaseArchiver::OpenPlainArchive() {
    AssumeOff off(AssumeEndRecordFound);
    bool found = false;
    std::u16string previous;
    for (;;) {
        found = ProbeLastVolume();
        DetectSpanningMode(found);
        if (found || spanningMode_ == TZASpanningMode::smNone) break;
        // Split volumes are files: opening the same one again finds the same nothing, where a
        // spanned disk may have been changed meanwhile.
        if (spanningMode_ == TZASpanningMode::smSplitting && volumeFileName_ == previous) break;
        previous = volumeFileName_;
    }
    return found;
}

bool TZABaseArchiver::OpenSfxArchive() {
    {
        AssumeOff off(AssumeEndRecordFound);
        if (ProbeLastVolume()) {
            DetectSpanningMode(true);
            return true;
        }
        spanningMode_ = TZASpanningMode::smSplitting;
        if (WideFileExists(VolumeNameForProbe(-1))) {
            currentVolume_.Reset();
            TZAVolumeNumberInfo last;
            last.SetLast();
            OpenVolume(last);
        }
        spanningMode_ = TZASpanningMode::smNone;
    }
    return OpenPlainArchive();
}

// ---- Writing across volumes ----

int64_t TZABaseArchiver::WriteSpanned(const void* buffer, int64_t count, TMemoryStream* pending, int64_t reserve,
                                      TZAVolumeNumberInfo& volume, TStream*& stream) {
    if (count <= 0) return 0;
    if (spanningMode_ == TZASpanningMode::smNone) return stream->Write(buffer, count);
    const auto* p = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const int64_t held = pending ? pending->Size() : 0;
        int64_t free = GetFreeDiskSpace(volumeFileName_) - held;
        const int64_t limit = SpanningOptions.GetVolumeSize(volume);
        if (limit != TZASpanningOptions::kNoLimit) free = std::min(free, limit - stream->Size() - held);
        if (free < 0) break;
        const int64_t rest = count - done;
        // A block that must stay whole waits for the next volume, unless the volume is still
        // empty: then no volume would ever take it, and it is split after all.
        const bool empty = stream->Size() + held == 0;
        if (empty && free == 0) break;
        if (reserve == -1 || rest + reserve <= free || empty) {
            const int64_t n = std::min(rest, free);
            if (n > 0) {
                const int64_t w = pending ? pending->Write(p + done, n) : stream->Write(p + done, n);
                done += w;
                if (w < n) break;
            }
        }
        if (done >= count) break;
        if (pending && pending->Size() > 0) {
            const int64_t n = pending->Size();
            pending->SetPosition(0);
            std::vector<uint8_t> bytes(static_cast<size_t>(n));
            pending->ReadBuffer(bytes.data(), n);
            stream->WriteBuffer(bytes.data(), n);
            pending->Clear();
        }
        // A spanned disk is flushed before it is taken out.
        if (spanningMode_ == TZASpanningMode::smSpanning)
            if (auto* file = dynamic_cast<TUniFileStream*>(stream)) ::fsync(file->Handle());
        volume.SetNumber(volume.Number + 1);
        OpenVolume(volume);
        stream = archiveStream_.get();
    }
    return done;
}

void TZABaseArchiver::WriteSpannedChecked(const void* buffer, int64_t count, TMemoryStream* pending, int64_t reserve,
                                          TZAVolumeNumberInfo& volume, TStream*& stream) {
    if (WriteSpanned(buffer, count, pending, reserve, volume, stream) < count)
        throw EZAException(ZAError::VolumeWriteError, Name);
}

int64_t TZABaseArchiver::CopyToVolumes(TStream& source, TStream*& stream, bool showProgress, TMemoryStream* pending,
                                       int64_t reserve, int64_t count, TZAVolumeNumberInfo& volume) {
    constexpr int64_t kBlock = 1000000;
    const int64_t total = count == -1 ? source.Size() - source.Position() : count;
    std::vector<uint8_t> block(static_cast<size_t>(std::clamp<int64_t>(total, 1, kBlock)));
    bool cancel = false;
    if (showProgress) {
        DoOnCopyTempFileProgress(0, TZAProgressPhase::ppStart, cancel);
        if (cancel) return 0;
    }
    int64_t copied = 0;
    while (copied < total) {
        const int64_t n = source.Read(block.data(), std::min<int64_t>(kBlock, total - copied));
        if (n <= 0) break;
        const int64_t w = WriteSpanned(block.data(), n, pending, reserve, volume, stream);
        copied += w;
        if (w < n) break;
        if (showProgress) {
            DoOnCopyTempFileProgress(static_cast<double>(copied) / static_cast<double>(total) * 100.0,
                                     TZAProgressPhase::ppProcess, cancel);
            if (cancel) break;
        }
    }
    if (showProgress) DoOnCopyTempFileProgress(100, TZAProgressPhase::ppEnd, cancel);
    return copied;
}

TStream* TZABaseArchiver::FinishLastVolume() {
    if (spanningMode_ == TZASpanningMode::smNone) return nullptr;
    std::u16string last = FileName;
    GetVolumeFileName(last, -1, false);
    if (volumeFileName_ == last) return nullptr;
    const std::u16string current = volumeFileName_;
    archiveStream_.reset();
    if (WideFileExists(last)) WideDeleteFile(last);
    const bool renamed = WideRenameFile(current, last);
    archiveStream_ = std::make_unique<TUniFileStream>(renamed ? last : current, fmOpenReadWrite | fmShareDenyNone);
    volumeFileName_ = renamed ? last : current;
    externalStream_ = false;
    if (dirManager_) dirManager_->Stream = archiveStream_.get();
    if (!renamed) throw EZAException(ZAError::CannotCreateFile, Name, {FormatArg(last)});
    return archiveStream_.get();
}

bool TZABaseArchiver::VolumeExistsUnderSplitNaming(int32_t n) {
    // Looked up as the volume will be asked for, so that a first volume that is a self-extractor counts.
    std::u16string name = FileName;
    GetVolumeFileName(name, n, true);
    return WideFileExists(name);
}

void TZABaseArchiver::DetectSpanningMode(bool found) {
    TZADirManager& dir = *dirManager_;
    const bool read = dir.EndRecordImage.signature != 0;
    const bool located = found && dir.EndRecordPosition >= 0;
    if (!read) {
        spanningMode_ = IsRemovableDrive(FileName) ? TZASpanningMode::smSpanning : TZASpanningMode::smNone;
        return;
    }
    const int64_t disk = dir.ThisDiskNumber();
    if (located && disk == 0) {
        spanningMode_ = TZASpanningMode::smNone;
        return;
    }
    spanningMode_ = TZASpanningMode::smSplitting;
    const int32_t volume = static_cast<int32_t>(std::clamp<int64_t>(disk - 1, -1, TZAVolumeNumberInfo::kMaxNumber));
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (VolumeExistsUnderSplitNaming(volume)) {
            if (disk == 0) spanningMode_ = TZASpanningMode::smNone;
            return;
        }
        SpanningOptions.AdvancedNaming = !SpanningOptions.AdvancedNaming;
    }
    if (IsSfxName(FileName) || (disk <= 0 && !IsRemovableDrive(FileName))) spanningMode_ = TZASpanningMode::smNone;
    else spanningMode_ = TZASpanningMode::smSpanning;
}

}  // namespace ziplib

// How a file becomes an archive item: the directory item made from the file, and its local
// header, name, extra fields and data written during a commit.
#include <algorithm>
#include <ctime>
#include <initializer_list>

#include "Commit.h"
#include "DiskFullPrompt.h"
#include "crypto/TAESCryptoTransform.h"
#include "files/TempFiles.h"
#include "format/DosDateTime.h"
#include "format/LocalHeader.h"
#include "format/UnicodeNameExtraField.h"
#include "format/Zip64ExtraField.h"
#include "format/ZipConstants.h"
#include "names/StoredPaths.h"
#include "platform/Unicode.h"
#include "ziplib/EZAException.h"
#include "ziplib/TUniFileStream.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"

namespace ziplib {

namespace {

constexpr size_t kMaxPlainPath = 260;  // longer source names need the "\\?\" form
constexpr std::u16string_view kLongPathPrefix = u"\\\\?\\";

int32_t NowDosDateTime() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    const DosDateTime d{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    return static_cast<int32_t>((uint32_t{d.PackedDate()} << 16) | d.PackedTime());
}

uint16_t ShareFlags(TZAFileShareMode mode) {
    switch (mode) {
        case TZAFileShareMode::smShareCompat: return fmShareCompat;
        case TZAFileShareMode::smShareExclusive: return fmShareExclusive;
        case TZAFileShareMode::smShareDenyWrite: return fmShareDenyWrite;
        case TZAFileShareMode::smShareDenyRead: return fmShareDenyRead;
        case TZAFileShareMode::smShareDenyNone: break;
    }
    return fmShareDenyNone;
}

// Whether a source of this size may end up with stored data of 4 GiB or more (deflate can grow
// what does not compress, and encryption adds its header and code): its local header then gets
// the Zip64 field, since the header is written before the data and cannot grow afterwards.
bool MayOutgrow32(uint64_t size) { return NeedsEscape32(size + size / 1024 + 65536); }

void DropFields(std::vector<ExtraField>& fields, std::initializer_list<uint16_t> ids) {
    std::erase_if(fields, [&](const ExtraField& f) { return std::find(ids.begin(), ids.end(), f.id) != ids.end(); });
}

// What the item-data engine asks while it writes one item during a commit.
class CommitItemContext : public ItemWriteContext {
public:
    // runBytes and runDone are the commit's counts of source bytes: all, and those done before.
    CommitItemContext(TZABaseArchiver& a, const std::uint64_t& runBytes, const std::uint64_t& runDone, std::u16string name)
        : a_(a), runBytes_(runBytes), runDone_(runDone), name_(std::move(name)), prompt_(AskOnDiskFull(a)) {}

    void Progress(const TDirItem& item, std::uint64_t position, std::uint64_t total) override {
        const auto op = static_cast<TZAProcessOperation>(item.Operation);
        bool cancel = false;
        a_.DoOnFileProgress(name_, total ? static_cast<double>(position) / static_cast<double>(total) * 100.0 : 0, op,
                            TZAProgressPhase::ppProcess, cancel);
        if (!cancel) {
            const double overall = runBytes_ > 0 ? static_cast<double>(runDone_ + position) /
                                                       static_cast<double>(runBytes_) * 100.0
                                                 : 50.0;
            a_.DoOnOverallProgress(overall, op, TZAProgressPhase::ppProcess, cancel);
        }
        if (cancel) a_.Cancelled = true;
    }
    bool Cancelled() override { return a_.Cancelled; }
    bool WriteBlock(TStream& archive, const std::uint8_t* data, std::size_t count) override {
        return WriteBufferWithRetry(archive, data, static_cast<std::int64_t>(count), prompt_);
    }
    std::string ComponentName() override { return a_.Name; }

private:
    TZABaseArchiver& a_;
    const std::uint64_t& runBytes_;
    const std::uint64_t& runDone_;
    std::u16string name_;
    DiskFullPrompt prompt_;
};

// A temporary file that is gone at the end of its scope.
struct TempFile {
    std::u16string name;
    std::unique_ptr<TUniFileStream> stream;
    ~TempFile() { Remove(); }
    void Remove() {
        stream.reset();
        if (!name.empty()) WideDeleteFile(name);
        name.clear();
    }
};

}  // namespace

void TZABaseArchiver::InitDirItem(int32_t Index, const std::u16string& FileName_) {
    std::u16string stored = MakeStoredPath(FileName_, BaseDir, Options.StorePath, StartDir);
    const bool isDir = WideDirectoryExists(FileName_);
    if (stored.empty()) return;
    int32_t age = WideFileAge(FileName_);
    if (age == -1) age = NowDosDateTime();
    const uint32_t found = WideFileGetAttr(FileName_);
    const uint32_t attr = found != InvalidFileAttributes ? found : kAttrArchive;
    if (isDir && stored.back() != u'/') stored += u'/';

    TZADirArray& items = dirManager_->Items;
    items.Rename(Index, stored);
    TDirItem& item = *items.ItemPtr(Index);
    item.IsNew = 1;
    item.Password = Password();
    item.SourceFileName = FileName_;
    item.CompressionMode = isDir ? 0 : CompressionMode();
    // Rebuilt from the file: nothing of what the item was stored with applies any more.
    item.ExtraFields.clear();
    item.HasZip64 = 0;
    item.UncompressedSize = item.CompressedSize = item.LocalHeaderOffset = 0;
    item.StartDisk = 0;
    item.EncryptionStrength = 0;
    item.Comment.clear();

    const bool second = IsSecondFamilyEndRecord(dirManager_->EndRecordImage.signature);
    const uint16_t version = ItemVersion(second, Options.OEMFileNames, false);
    CentralHeader& h = item.Header;
    h = CentralHeader{};
    h.signature = second ? kSecondCentralHeaderSignature : kCentralHeaderSignature;
    h.versionMadeBy = h.versionNeeded = version;
    h.method = compressionMethod_;
    item.Method = compressionMethod_;
    h.flags = Password().empty() ? 0 : kFlagEncrypted;
    h.modTime = static_cast<uint16_t>(static_cast<uint32_t>(age) & 0xFFFF);
    h.modDate = static_cast<uint16_t>(static_cast<uint32_t>(age) >> 16);
    h.crc32 = 0xFFFFFFFF;  // known once the data is written
    h.nameLength = static_cast<uint16_t>(std::min<size_t>(stored.size(), 0xFFFF));
    h.externalAttributes = attr;
    if (isDir) {
        h.method = kMethodStored;
        item.Method = kMethodStored;
        h.crc32 = 0;
        h.flags = kFlagDirectoryEntry;
        item.Password.clear();
    }
}

// One run of CompressFile: the item, its source, where it goes, and its local header as written.
class TZABaseArchiver::ItemWrite {
public:
    ItemWrite(TZABaseArchiver& a, TDirItem& item, TZAProcessOperation op, std::u16string progressName)
        : a_(a),
          commit_(*a.commit_),
          item_(item),
          op_(op),
          progressName_(std::move(progressName)),
          settings_(commit_.Settings()) {}

    // Everything after the start event; false when the item was not written.
    bool Write() {
        const std::string name = a_.dirManager_->EncodedName(item_);
        item_.HasZip64 = 0;
        OpenSource();
        // Nothing to compress: stored from the start, so that the AES field says so too.
        if (source_ && size_ == 0 && settings_.standardFamily) item_.Method = kMethodStored;
        const ItemCipher cipher = CipherFor(item_, settings_);
        TStream& dest = Destination();
        headerAt_ = dest.Position();
        const uint16_t version = PlaceHeader();
        const ByteWriter extra = ExtraFields(cipher, version);

        LocalHeader local = FirstLocalHeader(cipher, version, name, extra);
        ByteWriter head;
        local.Write(head);
        head.Bytes(name);
        head.Bytes(std::span(extra.bytes()).first(local.extraLength));
        dest.WriteBuffer(head.bytes().data(), static_cast<int64_t>(head.size()));

        if (source_) {
            CommitItemContext context(a_, commit_.runBytes, commit_.runDone, progressName_);
            if (!commit_.Writer().Write(*source_, dest, item_, settings_, context)) {
                source_.reset();
                return false;
            }
            RewriteLocalHeader(dest, local, name);
        } else {
            item_.Header.compressedSize = item_.Header.uncompressedSize = 0;
            item_.CompressedSize = item_.UncompressedSize = 0;
            if (item_.Header.crc32 == 0xFFFFFFFF) item_.Header.crc32 = 0;
        }
        source_.reset();
        if (a_.Cancelled) return false;
        if (temp_.stream && !CopyToVolumes(static_cast<int64_t>(head.size()))) return false;
        bool late = false;
        a_.DoOnFileProgress(progressName_, 100, op_, TZAProgressPhase::ppEnd, late);
        if (late) a_.Cancelled = true;
        return true;
    }

    // The failure event answers, and its answer steers the commit.
    bool Failed(const EZAException& e) {
        temp_.Remove();
        source_.reset();
        a_.LastError = platform::Utf16ToUtf8(progressName_) + ": " + e.what();
        if (!a_.archiveStream_) {
            commit_.state = TZAAction::fxaAbort;
            return false;
        }
        TZAAction action = TZAAction::fxaIgnore;
        const std::u16string shown = op_ == TZAProcessOperation::poUpdate ? item_.Name : item_.SourceFileName;
        a_.DoOnProcessFileFailure(shown, op_, e.NativeError(), e.ErrorCode(), platform::Utf8ToUtf16(e.Message()),
                                  action);
        commit_.state = action;
        return false;
    }

private:
    // A directory has none; a file is opened with the archiver's share mode.
    void OpenSource() {
        if ((item_.Header.externalAttributes & faDirectory) != 0) return;
        const std::u16string& file = item_.SourceFileName;
        if (file.size() >= kMaxPlainPath && file.find(kLongPathPrefix) == std::u16string::npos)
            throw EZAException(ZAError::FileNameTooLong, a_.Name, {FormatArg(file)});
        try {
            source_ = std::make_unique<TUniFileStream>(file, fmOpenRead | ShareFlags(a_.Options.ShareMode));
        } catch (const EStreamError&) {
            throw EZAException(ZAError::CannotOpenSourceFile, a_.Name, {FormatArg(file)});
        }
        size_ = static_cast<uint64_t>(std::max<int64_t>(source_->Size(), 0));
    }

    // The archive, or when spanning a temporary file that the volumes take afterwards.
    TStream& Destination() {
        if (a_.spanningMode_ == TZASpanningMode::smNone) return commit_.Dest();
        temp_.name = MakeTempFileName(a_.TempDir);
        if (temp_.name.empty())
            throw EZAException(ZAError::CannotCreateFile, a_.Name,
                               {FormatArg(a_.TempDir.empty() ? SystemTempDir() : a_.TempDir)});
        temp_.stream = std::make_unique<TUniFileStream>(temp_.name, fmOpenReadWrite | fmShareExclusive);
        return *temp_.stream;
    }

    // The header's offset and whether it needs Zip64; returns the version it is written with.
    uint16_t PlaceHeader() {
        const bool always = a_.Zip64Mode == TZip64Mode::zmAlways;
        if (!temp_.stream) item_.SetLocalHeaderOffset(static_cast<uint64_t>(headerAt_), always);
        // The local header carries both sizes in a Zip64 field whenever one of them may need it.
        localZip64_ = source_ && (always || NeedsEscape32(size_) ||
                                  (a_.Zip64Mode == TZip64Mode::zmAuto && MayOutgrow32(size_)));
        if (localZip64_) item_.HasZip64 = 1;
        const uint16_t version = ItemVersion(!settings_.standardFamily, a_.Options.OEMFileNames, item_.HasZip64 != 0);
        item_.Header.versionNeeded = item_.Header.versionMadeBy = version;
        if (a_.Zip64Mode == TZip64Mode::zmDisabled && item_.HasZip64)
            throw EZAException(ZAError::CompressZip64NotEnabled, a_.Name, {FormatArg(item_.SourceFileName)});
        return version;
    }

    // The Zip64 slot, the Unicode name and the AES field, the last two kept with the item for the
    // central directory (where a retry finds them already).
    ByteWriter ExtraFields(ItemCipher cipher, uint16_t version) {
        DropFields(item_.ExtraFields, {kZip64ExtraId, kUnicodeNameExtraId, kAesExtraId});
        if (a_.UnicodeFilenames)
            if (auto nu = UnicodeNameExtraField{item_.Name}.ToExtraField()) item_.ExtraFields.push_back(std::move(*nu));
        if (cipher == ItemCipher::Aes && UsesStandardEncryption(version)) {
            TAESCryptoTransform aes(AesKeyBits(settings_.encryption), item_.Method, 2);
            aes.SetDirection(kCryptoEncrypt, &item_);
            item_.ExtraFields.push_back(aes.GetAESExtraField());
            item_.EncryptionStrength = static_cast<uint8_t>(AesKeyBits(settings_.encryption) / 64 - 1);
        }
        ByteWriter extra;
        if (localZip64_) {
            Zip64ExtraField z;
            z.uncompressedSize = size_;
            z.compressedSize = 0;
            z.Write(extra);
        }
        WriteExtraFields(extra, item_.ExtraFields);
        return extra;
    }

    LocalHeader FirstLocalHeader(ItemCipher cipher, uint16_t version, const std::string& name, const ByteWriter& extra) {
        LocalHeader local;
        local.signature = settings_.standardFamily ? kLocalHeaderSignature : kSecondLocalHeaderSignature;
        local.versionNeeded = version;
        local.flags = item_.Header.flags;
        local.method = cipher == ItemCipher::Aes ? kMethodAes : item_.Method;
        local.modTime = item_.Header.modTime;
        local.modDate = item_.Header.modDate;
        local.crc32 = item_.Header.crc32;
        local.uncompressedSize = localZip64_ ? kEscape32 : static_cast<uint32_t>(size_);
        local.nameLength = static_cast<uint16_t>(name.size());
        local.extraLength = static_cast<uint16_t>(std::min<size_t>(extra.size(), 0xFFFF));
        return local;
    }

    // The header again, now with the CRC-32 and sizes; the destination stays at its end.
    void RewriteLocalHeader(TStream& dest, LocalHeader& local, const std::string& name) {
        local.crc32 = item_.Header.crc32;
        local.method = item_.Header.method;
        local.compressedSize = localZip64_ ? kEscape32 : item_.Header.compressedSize;
        local.uncompressedSize = localZip64_ ? kEscape32 : item_.Header.uncompressedSize;
        ByteWriter again;
        local.Write(again);
        if (localZip64_) {
            again.Bytes(name);
            Zip64ExtraField z;
            z.uncompressedSize = item_.UncompressedSize;
            z.compressedSize = item_.CompressedSize;
            z.Write(again);
        }
        const int64_t end = dest.Position();
        dest.Seek(headerAt_, TSeekOrigin::soBeginning);
        dest.WriteBuffer(again.bytes().data(), static_cast<int64_t>(again.size()));
        dest.Seek(end, TSeekOrigin::soBeginning);
    }

    // The header goes whole onto one volume, the data may run over several. False (and the
    // commit aborts) when the volumes took less.
    bool CopyToVolumes(int64_t headerLength) {
        TStream* stream = a_.archiveStream_.get();
        temp_.stream->SetPosition(0);
        if (a_.CopyToVolumes(*temp_.stream, stream, false, nullptr, 0, headerLength, commit_.Volume()) != headerLength) {
            commit_.state = TZAAction::fxaAbort;
            return false;
        }
        const uint32_t disk = static_cast<uint32_t>(std::max(a_.currentVolume_.Number, 0));
        item_.StartDisk = disk;
        item_.Header.startDisk = NeedsEscape16(disk) ? kEscape16 : static_cast<uint16_t>(disk);
        if (NeedsEscape16(disk)) item_.HasZip64 = 1;
        item_.SetLocalHeaderOffset(static_cast<uint64_t>(stream->Position() - headerLength),
                                   a_.Zip64Mode == TZip64Mode::zmAlways);
        const int64_t rest = temp_.stream->Size() - headerLength;
        if (a_.CopyToVolumes(*temp_.stream, stream, true, nullptr, -1, rest, commit_.Volume()) != rest) {
            commit_.state = TZAAction::fxaAbort;
            return false;
        }
        return true;
    }

    TZABaseArchiver& a_;
    Commit& commit_;
    TDirItem& item_;
    const TZAProcessOperation op_;
    const std::u16string progressName_;
    const ItemWriteSettings settings_;
    std::unique_ptr<TUniFileStream> source_;
    uint64_t size_ = 0;
    TempFile temp_;
    int64_t headerAt_ = 0;
    bool localZip64_ = false;
};

bool TZABaseArchiver::CompressFile(int32_t Index) {
    SetCompressionMethod();
    const TDirItem& first = *dirManager_->Items.ItemPtr(Index);
    const auto op = static_cast<TZAProcessOperation>(first.Operation);
    std::u16string progressName = op == TZAProcessOperation::poMove ? first.SourceFileName : first.Name;
    bool cancel = false;
    DoOnFileProgress(progressName, 0, op, TZAProgressPhase::ppStart, cancel);
    if (cancel) {
        Cancelled = true;
        return false;
    }
    // Taken after the event, whose handler may have grown the directory and moved the slot.
    ItemWrite write(*this, *dirManager_->Items.ItemPtr(Index), op, std::move(progressName));
    try {
        return write.Write();
    } catch (const EZAException& e) {
        return write.Failed(e);
    }
}

}  // namespace ziplib

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
    ~TempFile() {
        stream.reset();
        if (!name.empty()) WideDeleteFile(name);
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

bool TZABaseArchiver::CompressFile(int32_t Index) {
    Commit& commit = *commit_;
    SetCompressionMethod();
    TZADirArray& items = dirManager_->Items;
    const auto op = static_cast<TZAProcessOperation>(items.ItemPtr(Index)->Operation);
    const std::u16string progressName =
        op == TZAProcessOperation::poMove ? items.ItemPtr(Index)->SourceFileName : items.ItemPtr(Index)->Name;
    bool cancel = false;
    DoOnFileProgress(progressName, 0, op, TZAProgressPhase::ppStart, cancel);
    if (cancel) {
        Cancelled = true;
        return false;
    }

    std::unique_ptr<TUniFileStream> source;
    TDirItem& item = *items.ItemPtr(Index);
    const ItemWriteSettings settings = commit.Settings();
    try {
        const std::string name = dirManager_->EncodedName(item);
        item.HasZip64 = 0;
        const bool isDir = (item.Header.externalAttributes & faDirectory) != 0;
        if (!isDir) {
            const std::u16string& file = item.SourceFileName;
            if (file.size() >= kMaxPlainPath && file.find(kLongPathPrefix) == std::u16string::npos)
                throw EZAException(ZAError::FileNameTooLong, Name, {FormatArg(file)});
            try {
                source = std::make_unique<TUniFileStream>(file, fmOpenRead | ShareFlags(Options.ShareMode));
            } catch (const EStreamError&) {
                throw EZAException(ZAError::CannotOpenSourceFile, Name, {FormatArg(file)});
            }
        }
        const uint64_t size = source ? static_cast<uint64_t>(std::max<int64_t>(source->Size(), 0)) : 0;
        // Nothing to compress: stored from the start, so that the AES field says so too.
        if (source && size == 0 && settings.standardFamily) item.Method = kMethodStored;
        const ItemCipher cipher = CipherFor(item, settings);

        const bool spanning = spanningMode_ != TZASpanningMode::smNone;
        TempFile temp;
        if (spanning) {
            temp.name = MakeTempFileName(TempDir);
            if (temp.name.empty())
                throw EZAException(ZAError::CannotCreateFile, Name, {FormatArg(TempDir.empty() ? SystemTempDir() : TempDir)});
            temp.stream = std::make_unique<TUniFileStream>(temp.name, fmOpenReadWrite | fmShareExclusive);
        }
        TStream& dest = spanning ? static_cast<TStream&>(*temp.stream) : commit.Dest();
        const int64_t headerAt = dest.Position();

        const bool always = Zip64Mode == TZip64Mode::zmAlways;
        if (!spanning) item.SetLocalHeaderOffset(static_cast<uint64_t>(headerAt), always);
        // The local header carries both sizes in a Zip64 field whenever one of them may need it.
        const bool localZip64 = source && (always || NeedsEscape32(size) ||
                                           (Zip64Mode == TZip64Mode::zmAuto && MayOutgrow32(size)));
        if (localZip64) item.HasZip64 = 1;
        const uint16_t version = ItemVersion(!settings.standardFamily, Options.OEMFileNames, item.HasZip64 != 0);
        item.Header.versionNeeded = item.Header.versionMadeBy = version;
        if (Zip64Mode == TZip64Mode::zmDisabled && item.HasZip64)
            throw EZAException(ZAError::CompressZip64NotEnabled, Name, {FormatArg(item.SourceFileName)});

        // The extra fields: the Zip64 slot, the Unicode name and the AES field, the last two kept
        // with the item for the central directory (where a retry finds them already).
        DropFields(item.ExtraFields, {kZip64ExtraId, kUnicodeNameExtraId, kAesExtraId});
        if (UnicodeFilenames)
            if (auto nu = UnicodeNameExtraField{item.Name}.ToExtraField()) item.ExtraFields.push_back(std::move(*nu));
        if (cipher == ItemCipher::Aes && UsesStandardEncryption(version)) {
            TAESCryptoTransform aes(AesKeyBits(settings.encryption), item.Method, 2);
            aes.SetDirection(kCryptoEncrypt, &item);
            item.ExtraFields.push_back(aes.GetAESExtraField());
            item.EncryptionStrength = static_cast<uint8_t>(AesKeyBits(settings.encryption) / 64 - 1);
        }
        ByteWriter extra;
        if (localZip64) {
            Zip64ExtraField z;
            z.uncompressedSize = size;
            z.compressedSize = 0;
            z.Write(extra);
        }
        WriteExtraFields(extra, item.ExtraFields);

        LocalHeader local;
        local.signature = settings.standardFamily ? kLocalHeaderSignature : kSecondLocalHeaderSignature;
        local.versionNeeded = version;
        local.flags = item.Header.flags;
        local.method = cipher == ItemCipher::Aes ? kMethodAes : item.Method;
        local.modTime = item.Header.modTime;
        local.modDate = item.Header.modDate;
        local.crc32 = item.Header.crc32;
        local.uncompressedSize = localZip64 ? kEscape32 : static_cast<uint32_t>(size);
        local.nameLength = static_cast<uint16_t>(name.size());
        local.extraLength = static_cast<uint16_t>(std::min<size_t>(extra.size(), 0xFFFF));
        ByteWriter head;
        local.Write(head);
        head.Bytes(name);
        head.Bytes(std::span(extra.bytes()).first(local.extraLength));
        dest.WriteBuffer(head.bytes().data(), static_cast<int64_t>(head.size()));

        if (source) {
            CommitItemContext context(*this, commit.runBytes, commit.runDone, progressName);
            if (!commit.Writer().Write(*source, dest, item, settings, context)) {
                source.reset();
                return false;
            }
            // The header again, now with the CRC-32 and sizes.
            local.crc32 = item.Header.crc32;
            local.method = item.Header.method;
            local.compressedSize = localZip64 ? kEscape32 : item.Header.compressedSize;
            local.uncompressedSize = localZip64 ? kEscape32 : item.Header.uncompressedSize;
            ByteWriter again;
            local.Write(again);
            if (localZip64) {
                again.Bytes(name);
                Zip64ExtraField z;
                z.uncompressedSize = item.UncompressedSize;
                z.compressedSize = item.CompressedSize;
                z.Write(again);
            }
            const int64_t end = dest.Position();
            dest.Seek(headerAt, TSeekOrigin::soBeginning);
            dest.WriteBuffer(again.bytes().data(), static_cast<int64_t>(again.size()));
            dest.Seek(end, TSeekOrigin::soBeginning);
        } else {
            item.Header.compressedSize = item.Header.uncompressedSize = 0;
            item.CompressedSize = item.UncompressedSize = 0;
            if (item.Header.crc32 == 0xFFFFFFFF) item.Header.crc32 = 0;
        }
        source.reset();
        if (Cancelled) return false;

        if (spanning) {
            // The header goes whole onto one volume, the data may run over several.
            TStream* stream = archiveStream_.get();
            const auto headerLength = static_cast<int64_t>(head.size());
            temp.stream->SetPosition(0);
            if (CopyToVolumes(*temp.stream, stream, false, nullptr, 0, headerLength, commit.Volume()) != headerLength) {
                commit.state = TZAAction::fxaAbort;
                return false;
            }
            const uint32_t disk = static_cast<uint32_t>(std::max(currentVolume_.Number, 0));
            item.StartDisk = disk;
            item.Header.startDisk = NeedsEscape16(disk) ? kEscape16 : static_cast<uint16_t>(disk);
            if (NeedsEscape16(disk)) item.HasZip64 = 1;
            item.SetLocalHeaderOffset(static_cast<uint64_t>(stream->Position() - headerLength), always);
            const int64_t rest = temp.stream->Size() - headerLength;
            if (CopyToVolumes(*temp.stream, stream, true, nullptr, -1, rest, commit.Volume()) != rest) {
                commit.state = TZAAction::fxaAbort;
                return false;
            }
        }
        bool late = false;
        DoOnFileProgress(progressName, 100, op, TZAProgressPhase::ppEnd, late);
        if (late) Cancelled = true;
        return true;
    } catch (const EZAException& e) {
        source.reset();
        LastError = platform::Utf16ToUtf8(progressName) + ": " + e.what();
        if (!archiveStream_) {
            commit.state = TZAAction::fxaAbort;
            return false;
        }
        TZAAction action = TZAAction::fxaIgnore;
        const std::u16string shown = op == TZAProcessOperation::poUpdate ? item.Name : item.SourceFileName;
        DoOnProcessFileFailure(shown, op, e.NativeError(), e.ErrorCode(), platform::Utf8ToUtf16(e.Message()), action);
        commit.state = action;
        return false;
    }
}

}  // namespace ziplib

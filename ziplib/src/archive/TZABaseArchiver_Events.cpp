// The archiver's event dispatchers: each calls its handler when one is bound and otherwise
// answers by itself, silently or through the prompter. Handlers see names with '\' separators
// and volume numbers counted from 1.
#include <algorithm>

#include "names/StoredNames.h"
#include "ziplib/TZABaseArchiver.h"
#include "ziplib/WideFiles.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {

namespace {

constexpr std::string_view kOverwriteText = "Overwrite file \"%s\" with \"%s\"";
constexpr std::string_view kPasswordCaption = "Password for \"%s\"";
constexpr std::string_view kPasswordPrompt = "Enter password: ";
constexpr std::string_view kBlankDiskText = "Please insert a blank disk #%d";
constexpr std::string_view kFirstDiskText = "Please insert the first disk";
constexpr std::string_view kLastDiskText = "Please insert the last disk";
constexpr std::string_view kMiddleDiskText = "Please insert disk #%d";
constexpr std::string_view kDiskFullText =
    "Disk is full. Required free space: %d bytes, but available only: %d bytes. Clean the disk or find another blank "
    "disk";
constexpr std::string_view kFailureText = "%s. File processing error, possibly disk is full";
constexpr std::string_view kFileNotOnDiskText =
    "File '%s' not found on inserted disk. Please insert last disk with required file";

constexpr int32_t kVolumeOpenAborted = 45;
constexpr int32_t kFileNameTooLong = 61;

void ToSlashes(std::u16string& name) { std::replace(name.begin(), name.end(), u'\\', u'/'); }

}  // namespace

void TZABaseArchiver::DoOnOverallProgress(double Progress, TZAProcessOperation Operation,
                                          TZAProgressPhase ProgressPhase, bool& Cancel) {
    if (OnOverallProgress) OnOverallProgress(*this, Progress, Operation, ProgressPhase, Cancel);
    else Cancel = false;
}

void TZABaseArchiver::DoOnFileProgress(const std::u16string& FileName, double Progress, TZAProcessOperation Operation,
                                       TZAProgressPhase ProgressPhase, bool& Cancel) {
    if (OnFileProgress) OnFileProgress(*this, Backslashed(FileName), Progress, Operation, ProgressPhase, Cancel);
    else Cancel = false;
}

void TZABaseArchiver::DoOnCopyTempFileProgress(double Progress, TZAProgressPhase ProgressPhase, bool& Cancel) {
    Cancel = false;
    if (OnCopyTempFileProgress) OnCopyTempFileProgress(*this, Progress, ProgressPhase, Cancel);
}

void TZABaseArchiver::DoOnConfirmOverwrite(const std::u16string& SourceFileName, std::u16string& DestFileName,
                                           bool& Confirm) {
    if (OnConfirmOverwrite) {
        OnConfirmOverwrite(*this, SourceFileName, DestFileName, Confirm);
        return;
    }
    const std::string text = FormatText(kOverwriteText, {FormatArg(DestFileName), FormatArg(SourceFileName)});
    Confirm = false;
    // An answer for all files holds for the rest of the archiver's life, later batches included.
    switch (ActivePrompter().Ask(TZAPromptKind::Overwrite, text, mbYes | mbNo | mbNoToAll | mbYesToAll)) {
        case TZAModalResult::mrYes:
            Confirm = true;
            break;
        case TZAModalResult::mrNoToAll:
            Options.OverwriteMode = TZAOverwriteMode::omNever;
            break;
        case TZAModalResult::mrYesToAll:
            Confirm = true;
            Options.OverwriteMode = TZAOverwriteMode::omAlways;
            break;
        default:
            break;
    }
}

void TZABaseArchiver::DoOnConfirmProcessFile(const std::u16string& FileName, TZAProcessOperation Operation,
                                             bool& Confirm) {
    Confirm = true;
    if (OnConfirmProcessFile) OnConfirmProcessFile(*this, FileName, Operation, Confirm);
}

void TZABaseArchiver::DoOnPassword(const std::u16string& FileName, std::string& NewPassword, bool& SkipFile) {
    if (OnPassword) {
        OnPassword(*this, FileName, NewPassword, SkipFile);
        return;
    }
    // The caption keeps the whole name: it stays UTF-8 instead of an 8-bit form that loses letters.
    std::string password;
    const bool confirmed =
        ActivePrompter().InputPassword(FormatText(kPasswordCaption, {FormatArg(FileName)}), std::string(kPasswordPrompt), password);
    SkipFile = !confirmed;
    if (confirmed) NewPassword = password;
}

void TZABaseArchiver::DoOnProcessFileFailure(const std::u16string& FileName, TZAProcessOperation Operation,
                                             int32_t NativeError, int32_t ErrorCode,
                                             const std::u16string& ErrorMessage, TZAAction& Action) {
    if (OnProcessFileFailure) {
        Action = TZAAction::fxaIgnore;
        OnProcessFileFailure(*this, FileName, Operation, NativeError, ErrorCode, ErrorMessage, Action);
        return;
    }
    // A volume the user already refused needs no second question.
    if (NativeError == kVolumeOpenAborted) {
        Action = TZAAction::fxaAbort;
        return;
    }
    TZAModalResult answer;
    if (NativeError == kFileNameTooLong) {
        answer = ActivePrompter().Ask(TZAPromptKind::Failure, FormatText("%s", {FormatArg(ErrorMessage)}), mbAbort | mbIgnore);
    } else {
        answer = ActivePrompter().Ask(TZAPromptKind::Failure, FormatText(kFailureText, {FormatArg(ErrorMessage)}),
                                      mbAbort | mbRetry | mbIgnore);
    }
    Action = answer == TZAModalResult::mrRetry    ? TZAAction::fxaRetry
             : answer == TZAModalResult::mrIgnore ? TZAAction::fxaIgnore
                                                  : TZAAction::fxaAbort;
}

std::u16string TZABaseArchiver::VolumeName(int32_t n) const {
    std::u16string name = FileName;
    GetVolumeFileName(name, n, true);
    return name;
}

void TZABaseArchiver::DoOnRequestBlankVolume(int32_t VolumeNumber, std::u16string& VolumeFileName, bool& Cancel) {
    VolumeFileName = VolumeName(VolumeNumber);
    const int32_t shown = std::max(VolumeNumber, 0) + 1;
    if (OnRequestBlankVolume) {
        Cancel = false;
        OnRequestBlankVolume(*this, shown, VolumeFileName, Cancel);
    } else if (spanningMode_ == TZASpanningMode::smSpanning) {
        Cancel = ActivePrompter().Ask(TZAPromptKind::BlankVolume, FormatText(kBlankDiskText, {FormatArg(shown)}),
                                      mbOK | mbCancel) != TZAModalResult::mrOk;
    } else {
        Cancel = false;
    }
}

void TZABaseArchiver::DoOnRequestFirstVolume(std::u16string& VolumeFileName, bool& Cancel) {
    VolumeFileName = VolumeName(0);
    if (OnRequestFirstVolume) {
        Cancel = false;
        OnRequestFirstVolume(*this, VolumeFileName, Cancel);
    } else if (spanningMode_ == TZASpanningMode::smSpanning) {
        Cancel = ActivePrompter().Ask(TZAPromptKind::FirstVolume, std::string(kFirstDiskText), mbOK | mbCancel) !=
                 TZAModalResult::mrOk;
        VolumeFileName = VolumeName(0);
    } else {
        Cancel = !WideFileExists(VolumeFileName) && openMode_ < kModeCreate;
    }
}

void TZABaseArchiver::DoOnRequestLastVolume(std::u16string& VolumeFileName, bool& Cancel) {
    VolumeFileName = VolumeName(-1);
    if (OnRequestLastVolume) {
        Cancel = false;
        OnRequestLastVolume(*this, VolumeFileName, Cancel);
    } else if (spanningMode_ == TZASpanningMode::smSpanning) {
        bool first = true;
        do {
            const std::string text = first ? std::string(kLastDiskText)
                                           : FormatText(kFileNotOnDiskText, {FormatArg(VolumeFileName)});
            const TZAPromptKind kind = first ? TZAPromptKind::LastVolume : TZAPromptKind::FileNotOnDisk;
            Cancel = ActivePrompter().Ask(kind, text, mbOK | mbCancel) != TZAModalResult::mrOk;
            first = false;
        } while (!Cancel && !WideFileExists(VolumeFileName));
    } else {
        Cancel = !WideFileExists(VolumeFileName);
    }
}

void TZABaseArchiver::DoOnRequestMiddleVolume(int32_t VolumeNumber, std::u16string& VolumeFileName, bool& Cancel) {
    VolumeFileName = VolumeName(VolumeNumber);
    if (OnRequestMiddleVolume) {
        Cancel = false;
        OnRequestMiddleVolume(*this, VolumeNumber + 1, VolumeFileName, Cancel);
    } else if (spanningMode_ == TZASpanningMode::smSpanning) {
        Cancel = ActivePrompter().Ask(TZAPromptKind::MiddleVolume,
                                      FormatText(kMiddleDiskText, {FormatArg(VolumeNumber + 1)}),
                                      mbOK | mbCancel) != TZAModalResult::mrOk;
        VolumeFileName = VolumeName(VolumeNumber);
    } else {
        Cancel = !WideFileExists(VolumeFileName);
        VolumeFileName = VolumeName(VolumeNumber);
    }
}

void TZABaseArchiver::DoOnDiskFull(int32_t VolumeNumber, const std::u16string& VolumeFileName, bool& Cancel) {
    if (OnDiskFull) {
        Cancel = false;
        OnDiskFull(*this, VolumeNumber + 1, VolumeFileName, Cancel);
    } else if (spanningMode_ == TZASpanningMode::smSpanning) {
        TZAVolumeNumberInfo volume;
        volume.SetNumber(VolumeNumber);
        const int64_t required = SpanningOptions.GetVolumeSize(volume);
        const int64_t available = GetFreeDiskSpace(VolumeFileName);
        Cancel = ActivePrompter().Ask(TZAPromptKind::DiskFull,
                                      FormatText(kDiskFullText, {FormatArg(required), FormatArg(available)}),
                                      mbOK | mbCancel) != TZAModalResult::mrOk;
    } else {
        Cancel = true;
    }
}

void TZABaseArchiver::DoOnReservedEvent(uint8_t Kind, int32_t Value1, int32_t Value2) {
    if (OnReservedEvent) OnReservedEvent(*this, Kind, Value1, Value2);
}

void TZABaseArchiver::DoOnStoreFile(std::u16string& FileName, uint32_t& FileAttr, std::string& Comment,
                                    const std::u16string& OriginalFileName) {
    if (!OnStoreFile) return;
    FileName = Backslashed(std::move(FileName));
    OnStoreFile(*this, FileName, FileAttr, Comment, OriginalFileName);
    ToSlashes(FileName);
}

void TZABaseArchiver::DoOnExtractFile(std::u16string& FileName, uint32_t& FileAttr, const std::string& Comment) {
    FileName = Backslashed(std::move(FileName));
    if (OnExtractFile) OnExtractFile(*this, FileName, FileAttr, Comment);
}

}  // namespace ziplib

// What an archive's directory asks of the archiver that owns it, answered from the archiver's
// state. A private part of the archiver rather than a base class of it, so that the directory's
// types stay inside the library.
#pragma once

#include <algorithm>

#include "directory/TZADirManager.h"
#include "ziplib/TZABaseArchiver.h"

namespace ziplib {

class TZABaseArchiver::DirOwner final : public DirManagerOwner {
public:
    explicit DirOwner(TZABaseArchiver& archiver) : a_(archiver) {}

    uint8_t GetSignatureFamily() const override { return a_.SignatureFamily; }
    const TStream* GetArchiveStream() const override { return a_.archiveStream_.get(); }
    // A new archive starts on its first volume, with the stub when it has one.
    void NewArchiveDirectory(TZADirManager& manager) override {
        a_.currentVolume_.SetFirst();
        if (!a_.SFXStub.empty()) manager.WriteSFXStub();
    }
    bool GetOemFileNames() const override { return a_.Options.OEMFileNames; }
    TZASpanningMode GetSpanningMode() const override { return a_.spanningMode_; }
    bool GetAssumeEndRecordFound() const override { return a_.AssumeEndRecordFound; }
    TStream* OpenDirectoryVolume(const TZAVolumeNumberInfo& volume) override {
        a_.OpenVolume(volume);
        return a_.archiveStream_.get();
    }
    std::string GetComponentName() const override { return a_.Name; }

    int32_t GetCurrentVolumeNumber() const override {
        if (a_.spanningMode_ == TZASpanningMode::smNone) return 0;
        return std::max(a_.currentVolume_.Number, 0);
    }
    TStream* WriteDirectoryBlock(TStream* stream, const void* data, int64_t count, int64_t reserve) override {
        TZAVolumeNumberInfo volume = a_.currentVolume_;
        a_.WriteSpannedChecked(data, count, nullptr, reserve, volume, stream);
        return stream;
    }
    TStream* FinishLastVolume() override { return a_.FinishLastVolume(); }
    std::u16string GetSfxStub() const override { return a_.SFXStub; }
    int64_t GetFirstVolumeLimit() const override {
        if (a_.spanningMode_ == TZASpanningMode::smNone) return TZASpanningOptions::kNoLimit;
        TZAVolumeNumberInfo first;
        first.SetFirst();
        return a_.SpanningOptions.GetVolumeSize(first);
    }

private:
    TZABaseArchiver& a_;
};

}  // namespace ziplib

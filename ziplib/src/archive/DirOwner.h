// What an archive's directory asks of the archiver that owns it, answered from the archiver's
// state. A private part of the archiver rather than a base class of it, so that the directory's
// types stay inside the library.
#pragma once

#include "directory/TZADirManager.h"
#include "ziplib/TZABaseArchiver.h"

namespace ziplib {

class TZABaseArchiver::DirOwner final : public DirManagerOwner {
public:
    explicit DirOwner(TZABaseArchiver& archiver) : a_(archiver) {}

    uint8_t GetSignatureFamily() const override { return a_.SignatureFamily; }
    const TStream* GetArchiveStream() const override { return a_.archiveStream_.get(); }
    // A new archive starts on its first volume.
    void NewArchiveDirectory(TZADirManager&) override { a_.currentVolume_.SetFirst(); }
    bool GetOemFileNames() const override { return a_.Options.OEMFileNames; }
    TZASpanningMode GetSpanningMode() const override { return a_.spanningMode_; }
    bool GetAssumeEndRecordFound() const override { return a_.AssumeEndRecordFound; }
    TStream* OpenDirectoryVolume(const TZAVolumeNumberInfo& volume) override {
        a_.OpenVolume(volume);
        return a_.archiveStream_.get();
    }
    std::string GetComponentName() const override { return a_.Name; }

private:
    TZABaseArchiver& a_;
};

}  // namespace ziplib

#include "directory/TZADirManager.h"

#include <limits>

#include "format/ZipConstants.h"
#include "ziplib/UniExceptions.h"

namespace ziplib {

TZADirManager::TZADirManager(TStream* stream, DirManagerOwner* archiver, bool isNew)
    : Stream(stream), IsNew(isNew), ForeignStream(!archiver || archiver->GetArchiveStream() != stream), Archiver(archiver) {
    InitEndRecord();
    if (isNew && archiver) archiver->NewArchiveDirectory(*this);
}

void TZADirManager::InitEndRecord() {
    Items.SetCount(0);
    EndRecordImage = EndRecord{};
    const uint8_t family = Archiver ? Archiver->GetSignatureFamily() : 1;
    EndRecordImage.signature = family != 0 ? kEndRecordSignature : kSecondEndRecordSignature;
}

void TZADirManager::SetItemCount(uint64_t entries, uint64_t bytesAvailable) {
    if (entries > bytesAvailable / CentralHeader::kSize ||
        entries > static_cast<uint64_t>(std::numeric_limits<int>::max()))
        throw EReadError("Stream read error");
    Items.SetCount(0);
    Items.SetCount(static_cast<int>(entries));
}

}  // namespace ziplib

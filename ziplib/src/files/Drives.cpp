#include "files/Drives.h"

#include "ziplib/WidePaths.h"

namespace ziplib {

uint32_t DriveTypeOf(std::u16string_view) { return kDriveFixed; }

bool IsFloppyDrive(std::u16string_view name) {
    const std::u16string drive = WideExtractFileDrive(name);
    if (drive.size() != 2 || drive[1] != u':') return false;
    const char16_t letter = drive[0];
    const bool floppyLetter = letter == u'A' || letter == u'a' || letter == u'B' || letter == u'b';
    return floppyLetter && DriveTypeOf(drive) == kDriveRemovable;
}

bool IsRemovableDrive(std::u16string_view name) {
    return IsFloppyDrive(name) || DriveTypeOf(WideExtractFileDrive(name)) == kDriveRemovable;
}

}  // namespace ziplib

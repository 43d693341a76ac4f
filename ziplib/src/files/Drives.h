// Which kind of drive holds a file: the archiver spans archives over removable disks and
// flushes files written to them.
#pragma once

#include <cstdint>
#include <string_view>

namespace ziplib {

inline constexpr uint32_t kDriveRemovable = 2;
inline constexpr uint32_t kDriveFixed = 3;

// The type of the drive that holds name. This platform has no drive letters and mounts
// removable media into the one folder tree, so every name answers kDriveFixed: nothing is
// taken for a removable disk, and no archive is spanned over disks here.
uint32_t DriveTypeOf(std::u16string_view name);

// The drive part of name is "A:" or "B:", in any case, on a removable drive.
bool IsFloppyDrive(std::u16string_view name);
bool IsRemovableDrive(std::u16string_view name);

}  // namespace ziplib

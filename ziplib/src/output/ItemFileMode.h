// The Unix file mode an item carries: archives made on Unix (host byte 3 of "version made by")
// keep st_mode in the high half of the external attributes. Only permission bits are ever
// applied: set-user-ID, set-group-ID and sticky bits from an archive would hand out rights, and
// a link or device entry is written as a plain file.
#pragma once

#include <cstdint>
#include <optional>

#include "format/CentralHeader.h"

namespace ziplib {

inline constexpr std::uint8_t kHostUnix = 3;
inline constexpr std::uint32_t kModeTypeMask = 0170000;
inline constexpr std::uint32_t kModeRegular = 0100000;
inline constexpr std::uint32_t kModeDirectory = 0040000;
inline constexpr std::uint32_t kModeSymlink = 0120000;
inline constexpr std::uint32_t kModePermissions = 0777;

// The whole st_mode as stored, when the item was made on Unix and carries one (not 0).
std::optional<std::uint32_t> ItemUnixMode(const CentralHeader& header);

// A symbolic-link entry: its data is the link's text.
bool IsSymlinkItem(const CentralHeader& header);

// The permission bits (0777 at most) to give the file extracted from this item: those it
// carries when it is a regular file (or carries bits without a type); none otherwise, so the
// file gets the mode a file gets when the archive says nothing.
std::optional<std::uint32_t> ItemFilePermissions(const CentralHeader& header);

}  // namespace ziplib

// The Unix file mode an item carries: archives made on Unix (host byte 3 of "version made by")
// keep st_mode in the high half of the external attributes. Only permission bits are ever
// applied: set-user-ID, set-group-ID and sticky bits from an archive would hand out rights, and
// a link or device entry is written as a plain file.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "format/CentralHeader.h"

namespace ziplib {

inline constexpr std::uint8_t kHostUnix = 3;
inline constexpr std::uint32_t kModeTypeMask = 0170000;
inline constexpr std::uint32_t kModeRegular = 0100000;
inline constexpr std::uint32_t kModeDirectory = 0040000;
inline constexpr std::uint32_t kModeSymlink = 0120000;
inline constexpr std::uint32_t kModePermissions = 0777;
inline constexpr std::uint32_t kDosReadOnlyBit = 0x01;
inline constexpr std::uint32_t kDosFolderBit = 0x10;

// The whole st_mode as stored, when the item was made on Unix and carries one (not 0).
std::optional<std::uint32_t> ItemUnixMode(const CentralHeader& header);

// A symbolic-link entry: its data is the link's text.
bool IsSymlinkItem(const CentralHeader& header);

// Whether the item is a folder. A name ending in '/' always is. An item made on Unix that carries
// a file type is what its type says, whatever the DOS attribute byte holds (some tools fill it
// with 0xFF); any other item by the DOS folder bit.
bool IsFolderItem(const CentralHeader& header, std::u16string_view name);

// Whether the file extracted from the item loses its write permission: by the DOS read-only bit
// of `attributes`, unless the item carries Unix permissions and the attributes are its own (an
// extraction handler did not change them), which then say it.
bool IsReadOnlyItem(const CentralHeader& header, std::uint32_t attributes);

// The permission bits (0777 at most) to give the file extracted from this item: those it
// carries when it is a regular file (or carries bits without a type); none otherwise, so the
// file gets the mode a file gets when the archive says nothing.
std::optional<std::uint32_t> ItemFilePermissions(const CentralHeader& header);

}  // namespace ziplib

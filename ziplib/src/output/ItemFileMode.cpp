#include "output/ItemFileMode.h"

namespace ziplib {

std::optional<std::uint32_t> ItemUnixMode(const CentralHeader& header) {
    if ((header.versionMadeBy >> 8) != kHostUnix) return std::nullopt;
    const std::uint32_t mode = header.externalAttributes >> 16;
    if (mode == 0) return std::nullopt;
    return mode;
}

bool IsSymlinkItem(const CentralHeader& header) {
    const auto mode = ItemUnixMode(header);
    return mode && (*mode & kModeTypeMask) == kModeSymlink;
}

std::optional<std::uint32_t> ItemFilePermissions(const CentralHeader& header) {
    const auto mode = ItemUnixMode(header);
    if (!mode) return std::nullopt;
    const std::uint32_t type = *mode & kModeTypeMask;
    if (type != 0 && type != kModeRegular) return std::nullopt;
    return *mode & kModePermissions;
}

bool IsFolderItem(const CentralHeader& header, std::u16string_view name) {
    if (!name.empty() && name.back() == u'/') return true;
    if (const auto mode = ItemUnixMode(header); mode && (*mode & kModeTypeMask) != 0)
        return (*mode & kModeTypeMask) == kModeDirectory;
    return (header.externalAttributes & kDosFolderBit) != 0;
}

bool IsReadOnlyItem(const CentralHeader& header, std::uint32_t attributes) {
    if (attributes == header.externalAttributes && ItemFilePermissions(header)) return false;
    return (attributes & kDosReadOnlyBit) != 0;
}

}  // namespace ziplib

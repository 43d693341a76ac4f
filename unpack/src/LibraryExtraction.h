// The archive library's extraction as the unpack step runs it, with its progress.
#pragma once

#include <filesystem>
#include <functional>

namespace unpack {

// Writes every item of `archive` below `folder`; `fraction` (0 to 1) follows the items.
// Throws std::runtime_error with the reason when not every item came out whole.
void ExtractWithLibrary(const std::filesystem::path& archive, const std::filesystem::path& folder,
                        const std::function<void(double fraction)>& fraction);

}  // namespace unpack

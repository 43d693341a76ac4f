// How a file on disk becomes the name stored for it in an archive, and back. Names are in
// Windows form ('\' separators, "C:" drives, "\\server\share" network names) as everywhere in
// the library; stored names use '/'. Nothing here touches a file except the existence checks
// of MakeSourcePath.
#pragma once

#include <string>
#include <string_view>

#include "ziplib/ZAEnums.h"

namespace ziplib {

// baseDir, or startDir when baseDir is empty, with a trailing '\'.
std::u16string GetBaseDir(std::u16string_view baseDir, std::u16string_view startDir);

// The full name on disk of name (a stored name in Windows form, or a path): a name with a
// drive or a network name as it is; a rooted one expanded alone; any other expanded under
// baseDir, or startDir (the current folder when empty). An empty name gives the base folder.
std::u16string MakeSourcePath(std::u16string_view baseDir, std::u16string_view name, std::u16string_view startDir);

// The name to store for fileName: its name part alone, its path relative to the base folder
// (the full path for a file outside it), or its full path, in every case without the drive
// or the server unless storePath keeps the drive; '\' becomes '/'. A directory gives its name
// without a trailing '/'. Empty when nothing is left after the drive.
std::u16string MakeStoredPath(std::u16string_view fileName, std::u16string_view baseDir, TZAStorePathMode storePath,
                              std::u16string_view startDir);

// name without its drive ("C:") or its server ("\\server\"), and without one separator that
// follows the cut; a name with neither loses only a leading separator.
std::u16string CutStoredDrive(std::u16string_view name);

}  // namespace ziplib

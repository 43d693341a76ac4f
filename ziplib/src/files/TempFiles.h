// Temporary files for committing changes, and removal of an emptied folder tree. Folder names
// are in Windows form and may be of any length.
#pragma once

#include <string>
#include <string_view>

namespace ziplib {

// The system's temporary folder in Windows form with a trailing '\': $TMPDIR, or /tmp when it
// is unset or empty.
std::u16string SystemTempDir();

// Creates a new empty file "FCxxxx.TMP" (xxxx: a unique number in four hex digits) in tempDir,
// or in the system's temporary folder when tempDir is empty, and returns its name; empty when
// no file can be made there. An existing file is never taken over.
std::u16string MakeTempFileName(std::u16string_view tempDir);

// Removes dir and every folder below it, deepest first, and answers whether dir is gone.
// Files are never deleted, so a tree that still holds one stays (false). A link to a folder
// counts as such a file: nothing outside the tree is touched. An empty name is refused (false).
bool RemoveDirTree(std::u16string_view dir);

}  // namespace ziplib

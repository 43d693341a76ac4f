// Entries whose stored bytes overlap another entry's. Well-formed archives never share bytes
// between items; a zip bomb does, so that a small file holds many large items. Extraction asks
// once per archive and refuses the entries named here.
#pragma once

#include <vector>

#include "directory/TZADirArray.h"

namespace ziplib {

// Indices, in ascending order, of every item whose range on its volume overlaps another item's.
// An item's range runs from its local header offset over the 30 fixed header bytes and its
// compressed size: never longer than the real range (whose name and extra fields are left out),
// so a well-formed archive is never named, while every entry that quotes a following entry's
// header or shares its offset is. Sorting by offset makes it O(n log n).
std::vector<int> FindOverlappingItems(const TZADirArray& items);

}  // namespace ziplib

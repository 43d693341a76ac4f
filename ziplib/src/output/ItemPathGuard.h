// Where an item may be written: under the extraction folder and nowhere else. Stored names come
// from the archive and are not trusted; a name that is absolute, names a drive or a network
// path, or climbs out with ".." is refused, with a message saying why.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ziplib {

enum class ItemPathProblem {
    None,
    Absolute,      // starts at a root: "/etc/x", "\x"
    Drive,         // "C:x", "C:\x", "c:/x"
    Network,       // "\\server\share\x", "//server/x", "\\?\C:\x"
    LeavesBase,    // ".." parts that climb above the extraction folder
    BadCharacter,  // a character no file name can hold (NUL)
};

struct ItemPath {
    ItemPathProblem problem = ItemPathProblem::None;
    std::u16string name;                // the stored name as given
    std::vector<std::u16string> parts;  // folders under the base, then the file name; "." and ".." resolved
    std::u16string target;              // the base folder and the parts, Windows form ('\')

    bool ok() const { return problem == ItemPathProblem::None; }
    // Empty when ok: e.g. Item name "../x" leads out of the extraction folder; it is not extracted
    std::string Message() const;
};

// Refused item names and unsafe places met while writing (a link on the way). UTF-8 message.
class EUnsafePath : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Joins `storedName` ('/' or '\' separators) to `baseDir` (Windows form, trailing '\' optional).
// ':' is an ordinary character here except in a drive prefix, a letter and ':' at the start. Empty
// and "." parts are dropped and ".." takes back the part before it; a name that names the base
// itself ends with no parts, which only a folder item may have.
ItemPath GuardItemPath(std::u16string_view baseDir, std::u16string_view storedName);

}  // namespace ziplib

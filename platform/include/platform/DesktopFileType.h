// A file type registered with the desktop, where Windows keeps it under the registry's
// classes root: a shared-mime-info type in the user's data folder ($XDG_DATA_HOME/mime), and
// for a type that offers a new empty file, an empty template in the user's templates folder,
// which file managers offer under "New". The desktop's database is refreshed with
// update-mime-database where that tool is installed.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

struct DesktopFileType {
    std::string extension;    // ".nodx"
    std::string className;    // "nodx_auto_file": names the type's own file
    std::string description;  // "NodX file"
    bool newEmptyFile = false;
};

// The MIME type given to files of the extension: "application/x-" + its name.
std::string DesktopMimeType(const DesktopFileType& type);
// $XDG_DATA_HOME/mime/packages/<className>.xml.
std::filesystem::path DesktopMimePackage(const DesktopFileType& type);

// Writes the type and its template and refreshes the desktop's database. The registration is
// a convenience for file managers: what cannot be written is skipped and the reason is
// returned (empty when everything was written). An existing template is left as it is.
std::string RegisterDesktopFileType(const DesktopFileType& type);

}  // namespace platform

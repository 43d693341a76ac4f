// Opening documents with the desktop's default application, the way the shell's "open" verb
// does. The layer itself opens nothing: a program installs the desktop's opener at start,
// tests install one that records what would be opened.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace platform {

// Told why a document could not be opened, in a few words for the user ("no program is set to
// open files of this type"). An opener may learn it only later, when the desktop's launcher
// gives up; it then calls it on the thread that asked.
using ShellFailure = std::function<void(const std::string& cause)>;

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    // Starts the default application for the document (a file, or a web address); `failed`,
    // when given, hears of a failure.
    virtual void Open(const std::filesystem::path& document, ShellFailure failed) = 0;
};

// Installs the opener used from now on (not owned; nullptr restores the one that opens
// nothing) and returns the one it replaces.
ShellOpener* SetShellOpener(ShellOpener* opener);

// Opens the document through the installed opener, shown normally.
void ShellOpen(const std::filesystem::path& document, ShellFailure failed = {});

// Word automation: make the word processor visible and open the document in it. The
// desktop's default application for the document does both, so this goes through the same
// opener; nothing keeps a hold on the application afterwards.
void OpenInWordProcessor(const std::filesystem::path& document, ShellFailure failed = {});

}  // namespace platform

// Opening documents with the desktop's default application, the way the shell's "open" verb
// does. The layer itself opens nothing: a program installs the desktop's opener at start,
// tests install one that records what would be opened.
#pragma once

#include <filesystem>

namespace platform {

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    // Starts the default application for the document; false when nothing could be started.
    virtual bool Open(const std::filesystem::path& document) = 0;
};

// Installs the opener used from now on (not owned; nullptr restores the one that opens
// nothing) and returns the one it replaces.
ShellOpener* SetShellOpener(ShellOpener* opener);

// Opens the document through the installed opener, shown normally.
bool ShellOpen(const std::filesystem::path& document);

// Word automation: make the word processor visible and open the document in it. The
// desktop's default application for the document does both, so this goes through the same
// opener; nothing keeps a hold on the application afterwards.
bool OpenInWordProcessor(const std::filesystem::path& document);

}  // namespace platform

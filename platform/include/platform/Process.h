// Starting the other program of the installation, the module test both programs make before
// they do, and what both programs set up for their process.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Starts the program with no arguments and the given current directory, without waiting for
// it. Returns false (with the reason in *error) when it could not be started, e.g. the file
// is missing or not executable.
bool StartProgram(const std::filesystem::path& program, const std::filesystem::path& currentDir,
                  std::string* error = nullptr);

// Runs a tool found on $PATH with these arguments and waits for it, its output discarded.
// False when there is no such tool or it failed; a desktop tool that is not installed is
// simply not run.
bool RunTool(std::string_view name, const std::vector<std::string>& arguments);

// Whether a module of this name is loaded in our own process. Windows builds could have one
// injected; a Linux process has none, so the answer is "not loaded" unless a test says otherwise.
bool IsModuleLoaded(std::string_view name);

// A write past the file-size limit fails with an error the program reports, instead of the
// signal that would end it at once; each program calls this first.
void IgnoreFileSizeSignal();
void SetModuleCheckForTesting(std::function<bool(std::string_view)> check);

}  // namespace platform

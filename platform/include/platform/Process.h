// Starting the other program of the installation, and the module test both programs make
// before they do.
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
void SetModuleCheckForTesting(std::function<bool(std::string_view)> check);

}  // namespace platform

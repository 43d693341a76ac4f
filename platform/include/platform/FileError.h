// The one error type of the platform layer: a file that could not be read or written.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace platform {

class FileError : public std::runtime_error {
public:
    FileError(std::string message, std::filesystem::path path)
        : std::runtime_error(std::move(message)), path_(std::move(path)) {}
    const std::filesystem::path& path() const { return path_; }

    // "Cannot open file "<path>". <reason>" and its siblings, from errno.
    static FileError Open(const std::filesystem::path& path, int err);
    static FileError Create(const std::filesystem::path& path, int err);
    static FileError Write(const std::filesystem::path& path, int err);

private:
    std::filesystem::path path_;
};

}  // namespace platform

#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/FileError.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

// The process umask, read once (reading it means setting it, so never do it twice).
mode_t CurrentUmask() {
    static const mode_t mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return mask;
}

}  // namespace

FileError FileError::Open(const fs::path& path, int err) {
    return FileError("Cannot open file \"" + path.string() + "\". " + std::strerror(err), path);
}
FileError FileError::Create(const fs::path& path, int err) {
    return FileError("Cannot create file \"" + path.string() + "\". " + std::strerror(err), path);
}
FileError FileError::Write(const fs::path& path, int err) {
    return FileError("Cannot write file \"" + path.string() + "\". " + std::strerror(err), path);
}

std::string ReadFileBytes(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw FileError::Open(path, errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw FileError::Open(path, EISDIR);
    }
    std::string out;
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    const int err = ReadAll(fd, out);
    ::close(fd);
    if (err) throw FileError::Open(path, err);
    return out;
}

void WriteFileAtomically(const fs::path& path, std::string_view bytes) {
    ReplacementFile file;
    if (const int err = file.Open(path, "." + path.filename().string() + ".tmp-")) throw FileError::Create(path, err);
    // Keep the mode of the file being replaced.
    struct stat st;
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    int err = ::fchmod(file.fd(), mode) == 0 ? 0 : errno;
    if (!err) err = file.Write(bytes.data(), bytes.size());
    if (!err) err = file.Commit(Flush::Full);
    if (err) throw FileError::Write(path, err);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::vector<std::string> LoadLines(const fs::path& path, CodePage cp) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<std::string> lines = SplitLines(bytes);
    for (auto& line : lines) line = BytesToUtf8(line, cp);
    return lines;
}

void SaveLines(const fs::path& path, const std::vector<std::string>& lines, CodePage cp) {
    std::string out;
    for (const auto& line : lines) {
        out += Utf8ToBytes(line, cp);
        out += "\r\n";
    }
    WriteFileAtomically(path, out);
}

}  // namespace platform

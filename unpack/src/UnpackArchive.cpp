#include "unpack/UnpackArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace unpack {
namespace {

Extractor& ExtractorOverride() {
    static Extractor extractor;
    return extractor;
}

std::string Quoted(const fs::path& p) { return "\"" + platform::PathText(p) + "\""; }

std::string CannotUnpack(const fs::path& archive) {
    return "The archive " + Quoted(archive.filename()) + " could not be unpacked";
}

// A folder made for one extraction beside the files it is meant for (so that moving out of it
// is a rename on the same file system), removed with whatever is left in it.
class ScratchFolder {
public:
    ScratchFolder(const fs::path& parent, const fs::path& archive) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            fs::path candidate =
                parent / (".unpack-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
            if (::mkdir(candidate.c_str(), 0700) == 0) {
                path_ = std::move(candidate);
                return;
            }
            if (errno != EEXIST)
                throw UnpackError(CannotUnpack(archive) + ": no scratch folder can be made in " + Quoted(parent) +
                                  ". " + std::strerror(errno));
        }
        throw UnpackError(CannotUnpack(archive) + ": no scratch folder can be made in " + Quoted(parent) + ".");
    }
    ~ScratchFolder() {
        std::error_code ec;
        // Folders the extraction made read-only would keep their entries.
        for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

fs::path ExistingArchive(const std::string& archive) {
    const fs::path p = platform::ResolvePath(archive);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw UnpackError("The archive " + Quoted(p) + " does not exist.");
    return p;
}

void Extract(const fs::path& archive, const fs::path& folder) {
    Extractor extractor = ExtractorOverride() ? ExtractorOverride() : DefaultExtractor();
    try {
        extractor(archive, folder);
    } catch (const std::exception& e) {
        throw UnpackError(CannotUnpack(archive) + ". " + e.what());
    }
}

struct Entry {
    fs::path rel;
    bool folder = false;
};

// What the extraction left, parents before their contents. Only files and folders are
// accepted: a link could point anywhere once it is in the installation.
std::vector<Entry> ExtractedEntries(const fs::path& folder, const fs::path& archive) {
    std::vector<Entry> entries;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; it != end; it.increment(ec)) {
        if (ec) break;
        const fs::file_status st = it->symlink_status(ec);
        Entry e{it->path().lexically_relative(folder), fs::is_directory(st)};
        if (!e.folder && !fs::is_regular_file(st))
            throw UnpackError(CannotUnpack(archive) + ": it holds " + Quoted(e.rel) +
                              ", which is neither a file nor a folder.");
        entries.push_back(std::move(e));
    }
    if (ec) throw UnpackError(CannotUnpack(archive) + ". " + ec.message());
    return entries;
}

bool HoldsAFile(const std::vector<Entry>& entries) {
    for (const auto& e : entries)
        if (!e.folder) return true;
    return false;
}

// Copies a file over `target` through a temporary file beside it.
void CopyOver(const fs::path& from, const fs::path& target) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw std::system_error(errno, std::generic_category());
    platform::ReplacementFile out;
    int err = out.Open(target, "." + target.filename().string() + ".unpack-");
    struct stat st;
    if (!err && ::fstat(in, &st) == 0) err = ::fchmod(out.fd(), st.st_mode & 07777) == 0 ? 0 : errno;
    char buf[65536];
    while (!err) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        err = out.Write(buf, static_cast<size_t>(n));
    }
    ::close(in);
    if (!err) err = out.Commit(platform::Flush::Full);
    if (err) throw std::system_error(err, std::generic_category());
}

// Moves one extracted file over its target. The execute permission of the file it replaces
// is kept: archives made on Windows carry none, and a program must still start afterwards.
void PutInPlace(const fs::path& from, const fs::path& target) {
    struct stat old;
    struct stat now;
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::stat(from.c_str(), &now) == 0) {
        const mode_t exec = old.st_mode & 0111;
        if ((now.st_mode & exec) != exec && ::chmod(from.c_str(), (now.st_mode | exec) & 07777) != 0)
            throw std::system_error(errno, std::generic_category());
    }
    if (::rename(from.c_str(), target.c_str()) == 0) return;
    if (errno != EXDEV) throw std::system_error(errno, std::generic_category());
    // A folder of the installation on another file system: copy beside the target, then
    // replace it in one step all the same.
    CopyOver(from, target);
}

}  // namespace

bool IsUserFile(std::string_view relativePath) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : relativePath) {
        if (c == '/' || c == '\\') {
            if (!part.empty()) parts.push_back(platform::FoldCaseUtf8(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(platform::FoldCaseUtf8(part));
    const size_t n = parts.size();
    if (n == 1) return parts[0] == "options.ini";
    if (n == 2 && parts[0] == "skins" && parts[1] == "skin_select.txt") return true;
    return n >= 2 && parts[n - 2] == "books" && parts[n - 1] == "_have.txt";
}

UnpackReport UnpackArchive(const std::string& archive, const std::string& baseDir) {
    const fs::path zip = ExistingArchive(archive);
    std::error_code ec;
    const fs::path base = baseDir.empty() ? fs::current_path(ec) : platform::ResolvePath(baseDir);
    if (ec || !fs::is_directory(base, ec))
        throw UnpackError(CannotUnpack(zip) + ": the folder " + Quoted(base) + " does not exist.");

    ScratchFolder scratch(base, zip);
    Extract(zip, scratch.path());
    const std::vector<Entry> entries = ExtractedEntries(scratch.path(), zip);
    if (!HoldsAFile(entries)) throw UnpackError(CannotUnpack(zip) + ": it holds no files.");

    const auto target = [&](const fs::path& rel) {
        return platform::ResolvePath(base.string() + "/" + rel.generic_string());
    };
    // Everything that can be seen to fail is checked before the first file is replaced.
    UnpackReport report;
    std::vector<const Entry*> moves;
    for (const auto& e : entries) {
        const fs::file_status st = fs::status(target(e.rel), ec);
        if (e.folder) {
            if (fs::exists(st) && !fs::is_directory(st))
                throw UnpackError(CannotUnpack(zip) + ": " + Quoted(e.rel) +
                                  " is a folder in the archive but a file in the installation.");
        } else if (IsUserFile(e.rel.generic_string())) {
            report.keptUserFiles.push_back(e.rel.generic_string());
            continue;
        } else if (fs::is_directory(st)) {
            throw UnpackError(CannotUnpack(zip) + ": " + Quoted(e.rel) +
                              " is a file in the archive but a folder in the installation.");
        }
        moves.push_back(&e);
    }

    for (const Entry* e : moves) {
        const fs::path to = target(e->rel);  // after the folders above it were made
        try {
            if (e->folder) {
                if (!fs::is_directory(to)) fs::create_directory(to);
            } else {
                PutInPlace(scratch.path() / e->rel, to);
                ++report.files;
            }
        } catch (const std::exception& ex) {
            throw UnpackError(CannotUnpack(zip) + ": " + Quoted(e->rel) + " could not be put in place. " +
                              ex.what());
        }
    }
    return report;
}

void CheckArchive(const std::string& archive) {
    const fs::path zip = ExistingArchive(archive);
    ScratchFolder scratch(zip.parent_path(), zip);
    Extract(zip, scratch.path());
    if (!HoldsAFile(ExtractedEntries(scratch.path(), zip)))
        throw UnpackError(CannotUnpack(zip) + ": it holds no files.");
}

void SetExtractorForTesting(Extractor extractor) { ExtractorOverride() = std::move(extractor); }

}  // namespace unpack

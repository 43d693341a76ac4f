#include "Moves.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>
#include <unordered_set>

#include "platform/Paths.h"
#include "platform/SafeFile.h"

namespace fs = std::filesystem;

namespace unpack {

namespace {

// What a copy over a target is called until it takes the target's place.
constexpr std::string_view kCopyMark = ".unpack-";
constexpr size_t kRandomTail = 12;  // the temporary file's random hex tail

int Lstat(const fs::path& p, struct stat& st) { return ::lstat(p.c_str(), &st) == 0 ? 0 : errno; }

// Copies a file over `target` through a temporary file beside it, locked while it is written,
// so that the next start can tell one a kill left (RemoveCopyLeftovers) from one being written.
void CopyOver(const fs::path& from, const fs::path& target) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw std::system_error(errno, std::generic_category());
    platform::ReplacementFile out;
    int err = out.Open(target, "." + target.filename().string() + std::string(kCopyMark), true);
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

// Puts back one move: empty when the target is as it was before it, else why it is not (a
// sentence without its full stop).
std::string Undo(const JournalRecord& r) {
    const auto why = [](int err) { return std::string(std::strerror(err)); };
    struct stat t;
    const bool targetThere = Lstat(r.target, t) == 0;
    if (r.folder) {
        // Only a folder this move made, once it is empty again.
        if (r.oldIno || !targetThere) return {};
        return ::rmdir(r.target.c_str()) == 0 || errno == ENOENT ? std::string() : why(errno);
    }
    struct stat f;
    const bool fromThere = Lstat(r.from, f) == 0;
    if (r.oldIno) {
        if (targetThere && t.st_ino == r.oldIno) return {};  // never moved
        struct stat k;
        fs::path old;
        if (Lstat(r.kept, k) == 0) old = r.kept;
        else if (fromThere && f.st_ino == r.oldIno) old = r.from;
        if (old.empty()) return "The replaced file is gone from \"" + platform::PathText(r.kept) + "\"";
        try {
            MoveOver(old, r.target);
        } catch (const std::system_error& e) {
            return why(e.code().value());
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }
    // A new file: the moved one, or a copy on another file system while the extracted one is
    // still there.
    if (!targetThere) return {};
    if (t.st_ino == r.newIno || (fromThere && f.st_ino == r.newIno && f.st_dev != t.st_dev))
        return ::unlink(r.target.c_str()) == 0 ? std::string() : why(errno);
    return {};
}

}  // namespace

void MoveOver(const fs::path& from, const fs::path& target) {
    if (::rename(from.c_str(), target.c_str()) == 0) return;
    if (errno != EXDEV) throw std::system_error(errno, std::generic_category());
    CopyOver(from, target);
}

// The two swap places in one step where the file system can, so the old file waits in the
// scratch folder; elsewhere it is kept as a second name (or a copy) first.
void ReplaceKeeping(const JournalRecord& r) {
    if (::renameat2(AT_FDCWD, r.from.c_str(), AT_FDCWD, r.target.c_str(), RENAME_EXCHANGE) == 0) return;
    const int err = errno;
    if (err == ENOENT) return MoveOver(r.from, r.target);  // gone since the plan: nothing to keep
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP && err != EXDEV)
        throw std::system_error(err, std::generic_category());
    if (::link(r.target.c_str(), r.kept.c_str()) != 0) {
        std::error_code ec;
        fs::copy_file(r.target, r.kept, fs::copy_options::overwrite_existing, ec);
        if (ec) throw std::system_error(ec);
    }
    MoveOver(r.from, r.target);
}

bool UndoAll(const std::vector<JournalRecord>& records, size_t count, UndoFailure* failure) {
    bool all = true;
    for (size_t i = count; i-- > 0;) {
        std::string why = Undo(records[i]);
        if (why.empty()) continue;
        all = false;
        if (failure && failure->file.empty()) *failure = {platform::PathText(records[i].target), std::move(why)};
    }
    return all;
}

bool IsCopyLeftoverName(std::string_view n) {
    const size_t mark = n.rfind(kCopyMark);
    if (n.size() < 2 || n[0] != '.' || mark == std::string_view::npos || n.size() - mark - kCopyMark.size() != kRandomTail)
        return false;
    const std::string_view tail = n.substr(mark + kCopyMark.size());
    return std::all_of(tail.begin(), tail.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

void RemoveCopyLeftovers(const std::vector<JournalRecord>& records) {
    std::map<fs::path, std::unordered_set<std::string>> byFolder;  // target names by their folder
    for (const JournalRecord& r : records)
        if (!r.folder) byFolder[r.target.parent_path()].insert(r.target.filename().string());
    for (const auto& [folder, targets] : byFolder) {
        std::vector<fs::path> leftovers;
        if (DIR* d = ::opendir(folder.c_str())) {
            while (const dirent* e = ::readdir(d)) {
                const std::string_view n = e->d_name;
                if (IsCopyLeftoverName(n) && targets.count(std::string(n.substr(1, n.rfind(kCopyMark) - 1))))
                    leftovers.push_back(folder / std::string(n));
            }
            ::closedir(d);
        }
        for (const fs::path& p : leftovers) {
            struct stat st;
            if (Lstat(p, st) != 0 || !S_ISREG(st.st_mode)) continue;
            const int lock = platform::OpenUnowned(p);
            if (lock < 0) continue;  // a running copy's
            ::unlink(p.c_str());
            ::close(lock);
        }
    }
}

}  // namespace unpack

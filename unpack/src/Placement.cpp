#include "Placement.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/TextFile.h"
#include "platform/Unicode.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;

namespace unpack {

std::function<int(size_t, const fs::path&)>& MoveHook() {
    static std::function<int(size_t, const fs::path&)> hook;
    return hook;
}

namespace {

constexpr const char* kJournal = "journal";
constexpr const char* kDamagedJournal = "journal.damaged";
// A journal names the number of its records in its last line, so one cut short at a line's
// end is found too. Those of earlier builds have no such line and are still read.
constexpr const char* kJournalHeader = "unpack journal 2";
constexpr const char* kJournalHeaderWithoutEnd = "unpack journal 1";
constexpr const char* kKept = "kept";
// What a copy over a target is called until it takes the target's place.
constexpr std::string_view kCopyMark = ".unpack-";
constexpr size_t kRandomTail = 12;  // the temporary file's random hex tail

std::string Quoted(const std::string& rel) { return "\"" + rel + "\""; }

// A folder of the installation, read once: the names it had before the unpack with their
// case-folded forms, and what the plan puts there.
struct Folder {
    fs::path path;
    bool exists = false;
    bool loaded = false;
    std::unordered_set<std::string> names;                  // there before, or planned
    std::unordered_map<std::string, std::string> byFolded;  // smallest spelling of each
    std::unordered_set<std::string> beforeNames;            // there before the unpack
    std::unordered_map<std::string, std::string> beforeByFolded;
    std::unordered_set<std::string> incomingFiles;          // file names the archive brings here
    std::unordered_set<std::string> plannedFiles;
    std::unordered_set<std::string> claimed;                // earlier spellings taken by a file

    void Add(const std::string& name) {
        if (!names.insert(name).second) return;
        auto [it, fresh] = byFolded.try_emplace(platform::FoldCaseUtf8(name), name);
        if (!fresh && name < it->second) it->second = name;
    }
    void Load() {
        if (loaded) return;
        loaded = true;
        if (DIR* d = ::opendir(path.c_str())) {
            while (const dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n == "." || n == "..") continue;
                Add(n);
                beforeNames.insert(n);
                auto [it, fresh] = beforeByFolded.try_emplace(platform::FoldCaseUtf8(n), n);
                if (!fresh && n < it->second) it->second = n;
            }
            ::closedir(d);
        }
    }
    // The spelling the installation has for the folder `name`: itself, else the smallest name
    // equal to it without case (the data tree was made on a case-insensitive file system), so
    // folders that differ only in case come together as they did where the tree was made.
    std::string FolderSpelling(const std::string& name) {
        Load();
        if (names.count(name)) return name;
        if (auto it = byFolded.find(platform::FoldCaseUtf8(name)); it != byFolded.end()) return it->second;
        return name;
    }
    // The spelling for the file `name`: itself where it is there; else a name that was there
    // before the unpack and equals it without case, unless the archive brings that spelling
    // itself or another of its files took it already; else `name`. So two files of one update
    // never end up in one installed file.
    std::string FileSpelling(const std::string& name) {
        Load();
        if (names.count(name)) return name;
        if (auto it = beforeByFolded.find(platform::FoldCaseUtf8(name)); it != beforeByFolded.end()) {
            const std::string& before = it->second;
            if (!incomingFiles.count(before) && claimed.insert(before).second) return before;
        }
        return name;
    }
};

int Lstat(const fs::path& p, struct stat& st) { return ::lstat(p.c_str(), &st) == 0 ? 0 : errno; }

bool Writable(const fs::path& p, int& err) {
    if (::faccessat(AT_FDCWD, p.c_str(), W_OK | X_OK, AT_EACCESS) == 0) return true;
    err = errno;
    return false;
}

// Paths in the journal: one entry a line, fields split by tabs, so those and line ends are escaped.
std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '%') out += "%25";
        else if (c == '\t') out += "%09";
        else if (c == '\n') out += "%0A";
        else if (c == '\r') out += "%0D";
        else out += c;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// False for a '%' without two hex digits after it: that journal was not written by Escape.
bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        const int hi = i + 2 < s.size() ? HexDigit(s[i + 1]) : -1;
        const int lo = hi >= 0 ? HexDigit(s[i + 2]) : -1;
        if (lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

// A path field: escaped as Escape writes it, and absolute, as every path in a journal is.
bool PathField(const std::string& field, fs::path& out) {
    std::string text;
    if (!Unescape(field, text) || text.empty() || text[0] != '/') return false;
    out = text;
    return true;
}

// A decimal number field, digits only and within its type.
template <typename N>
bool NumberField(const std::string& field, N& out) {
    unsigned long long v = 0;
    const char* end = field.data() + field.size();
    const auto [at, ec] = std::from_chars(field.data(), end, v);
    if (field.empty() || ec != std::errc() || at != end || v > std::numeric_limits<N>::max()) return false;
    out = static_cast<N>(v);
    return true;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        f.push_back(line.substr(start, tab - start));
    f.push_back(line.substr(start));
    return f;
}

// What the journal holds for one move.
struct Record {
    bool folder = false;
    fs::path target;
    fs::path from;
    fs::path kept;
    ino_t newIno = 0;
    ino_t oldIno = 0;  // 0: the target did not exist
};

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

// Renames, or copies where the two lie on different file systems.
void MoveOver(const fs::path& from, const fs::path& target) {
    if (::rename(from.c_str(), target.c_str()) == 0) return;
    if (errno != EXDEV) throw std::system_error(errno, std::generic_category());
    CopyOver(from, target);
}

// Moves one extracted file over an existing target, keeping the old file: the two swap
// places in one step where the file system can, so the old file waits in the scratch folder;
// elsewhere it is kept as a second name (or a copy) first.
void ReplaceKeeping(const Record& r) {
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

// Puts back one move: empty when the target is as it was before it, else why it is not (a
// sentence without its full stop).
std::string Undo(const Record& r) {
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
    // A new file: the moved one, or a copy while the extracted one is still there.
    if (!targetThere) return {};
    if (t.st_ino == r.newIno || (fromThere && f.st_ino == r.newIno))
        return ::unlink(r.target.c_str()) == 0 ? std::string() : why(errno);
    return {};
}

// What the journal in a scratch folder holds, or why it cannot be used.
struct Journal {
    bool present = false;
    std::vector<Record> records;
    std::string damage;  // non-empty: the journal is not whole and must not be applied
};

// Reads a journal whole or not at all: a line that is not a record, a number or a path that is
// not one, a journal cut short, each make it damaged, and nothing of it is put back.
Journal ReadJournal(const fs::path& scratch) {
    Journal j;
    std::string text;
    const int fd = ::open((scratch / kJournal).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    int err = fd < 0 ? errno : 0;
    if (err == ENOENT) return j;
    j.present = true;
    char buf[65536];
    while (!err) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    if (fd >= 0) ::close(fd);
    if (err) {
        j.damage = std::string("it cannot be read. ") + std::strerror(err);
        return j;
    }
    const auto damaged = [&](std::string why) {
        j.records.clear();
        j.damage = std::move(why);
        return j;
    };
    if (text.empty()) return damaged("it is empty");
    const std::vector<std::string> lines = platform::SplitLines(text);
    const bool withEnd = lines[0] == kJournalHeader;
    if (!withEnd && lines[0] != kJournalHeaderWithoutEnd) return damaged("it does not begin as a journal does");
    // Every line the program writes ends with a line end; a last one without it was cut.
    if (text.back() != '\n') return damaged("it is cut short");
    bool ended = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string where = "line " + std::to_string(i + 1);
        if (ended) return damaged(where + " follows its end");
        const auto f = Fields(lines[i]);
        Record r;
        bool ok = false;
        if (withEnd && f.size() == 2 && f[0] == "E") {
            size_t count = 0;
            if (!NumberField(f[1], count)) return damaged(where + " holds \"" + f[1] + "\" where a number belongs");
            if (count != j.records.size()) return damaged("it is cut short");
            ended = true;
            continue;
        }
        if (f.size() == 3 && f[0] == "D") {
            r.folder = true;
            ok = PathField(f[1], r.target) && NumberField(f[2], r.oldIno);
        } else if (f.size() == 6 && f[0] == "F") {
            ok = PathField(f[1], r.target) && PathField(f[2], r.from) && PathField(f[3], r.kept) &&
                 NumberField(f[4], r.newIno) && NumberField(f[5], r.oldIno);
        } else {
            return damaged(where + " is not a record of a move");
        }
        if (!ok) return damaged(where + " holds a path or a number that is not one");
        j.records.push_back(std::move(r));
    }
    if (withEnd && !ended) return damaged("it is cut short");
    return j;
}

// Puts back the first `count` moves, the last one first; the first that could not be put back
// names its file and why in `failure`.
bool UndoAll(const std::vector<Record>& records, size_t count, UndoFailure* failure) {
    bool all = true;
    for (size_t i = count; i-- > 0;) {
        std::string why = Undo(records[i]);
        if (why.empty()) continue;
        all = false;
        if (failure && failure->file.empty()) *failure = {platform::PathText(records[i].target), std::move(why)};
    }
    return all;
}

// Removes the temporary files of copies over the journal's targets that a kill left beside
// them (".NAME.unpack-" and a random tail); one that a running copy holds locked stays, and so
// does every other file.
void RemoveCopyLeftovers(const std::vector<Record>& records) {
    std::map<fs::path, std::unordered_set<std::string>> byFolder;  // target names by their folder
    for (const Record& r : records)
        if (!r.folder) byFolder[r.target.parent_path()].insert(r.target.filename().string());
    for (const auto& [folder, targets] : byFolder) {
        std::vector<fs::path> leftovers;
        if (DIR* d = ::opendir(folder.c_str())) {
            while (const dirent* e = ::readdir(d)) {
                const std::string_view n = e->d_name;
                const size_t mark = n.rfind(kCopyMark);
                if (n.size() < 2 || n[0] != '.' || mark == std::string_view::npos ||
                    n.size() - mark - kCopyMark.size() != kRandomTail)
                    continue;
                const std::string_view tail = n.substr(mark + kCopyMark.size());
                const auto lowerHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
                if (!std::all_of(tail.begin(), tail.end(), lowerHex)) continue;
                if (targets.count(std::string(n.substr(1, mark - 1)))) leftovers.push_back(folder / std::string(n));
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

}  // namespace

Plan PlanPlacement(const fs::path& extracted, const fs::path& base, const std::string& what) {
    Plan plan;
    std::map<std::string, std::unique_ptr<Folder>> folders;  // by the target's path
    std::unordered_map<std::string, Folder*> byRel;         // by the extracted folder's path
    auto& root = folders[base.string()];
    root = std::make_unique<Folder>();
    root->path = base;
    root->exists = true;
    byRel[""] = root.get();
    std::unordered_set<Folder*> written;  // folders of the installation that receive entries

    // Folders first, in the order met (parents before their contents), so that every file's
    // folder in the installation, and all the file names the archive brings into it, are known
    // before any file name is matched.
    struct File {
        fs::path from;
        std::string rel;
        Folder* parent;
    };
    std::vector<File> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(extracted, ec), end; it != end; it.increment(ec)) {
        if (ec) break;
        const fs::file_status st = it->symlink_status(ec);
        const fs::path rel = it->path().lexically_relative(extracted);
        const std::string relText = rel.generic_string();
        const bool isFolder = fs::is_directory(st);
        // Only files and folders: a link could point anywhere once it is in the installation.
        if (!isFolder && !fs::is_regular_file(st))
            throw UnpackError(what + ": it holds " + Quoted(relText) + ", which is neither a file nor a folder.");
        const std::string parentRel = rel.has_parent_path() ? rel.parent_path().generic_string() : "";
        Folder* parent = byRel.at(parentRel);
        if (!isFolder) {
            parent->incomingFiles.insert(rel.filename().string());
            files.push_back({it->path(), relText, parent});
            continue;
        }
        const std::string name = parent->FolderSpelling(rel.filename().string());
        Move m{it->path(), parent->path / name, relText, true, false};
        struct stat now{};
        const bool there = parent->exists && Lstat(m.target, now) == 0;
        if (there && !S_ISDIR(now.st_mode))
            throw UnpackError(what + ": " + Quoted(relText) + " is a folder in the archive but a file in the installation.");
        auto& slot = folders[m.target.string()];
        if (!slot) {
            slot = std::make_unique<Folder>();
            slot->path = m.target;
            slot->exists = there;
            slot->loaded = !there;  // a folder still to be made has nothing in it
            parent->Add(name);
            m.replaces = there;
            if (!there) written.insert(parent);
            plan.moves.push_back(m);
        }
        byRel[relText] = slot.get();
    }
    if (ec) throw UnpackError(what + ". " + ec.message());
    for (File& f : files) {
        Folder* parent = f.parent;
        const std::string name = parent->FileSpelling(fs::path(f.rel).filename().string());
        // Folders that differ only in case come together; two files of one name in them would
        // be one installed file, and one of them would be lost.
        if (!parent->plannedFiles.insert(name).second)
            throw UnpackError(what + ": it holds two files that would both be " +
                              Quoted(platform::PathText(parent->path / name)) + ".");
        Move m{f.from, parent->path / name, f.rel, false, false};
        struct stat now{};
        const bool there = parent->exists && Lstat(m.target, now) == 0;
        if (there && S_ISDIR(now.st_mode))
            throw UnpackError(what + ": " + Quoted(f.rel) + " is a file in the archive but a folder in the installation.");
        // The user's own files are never replaced, but one the installation lacks is installed.
        if (there && IsUserFile(f.rel)) {
            plan.keptUserFiles.push_back(f.rel);
            continue;
        }
        m.replaces = there;
        if (there) {
            // A file that nobody may replace (immutable, on a read-only file system); a file
            // without write permission is replaced as any other.
            const int err = ::faccessat(AT_FDCWD, m.target.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
            if (err == EPERM || err == EROFS)
                throw UnpackError(what + ": " + Quoted(f.rel) + " cannot be replaced. " + std::strerror(err));
        }
        parent->Add(name);
        written.insert(parent);
        plan.moves.push_back(std::move(m));
        ++plan.files;
    }
    // Every folder that gets a new name must let us write it, checked before anything moves.
    for (Folder* f : written) {
        if (!f->exists) continue;  // made by the move; its parent is in the list
        int err = 0;
        if (!Writable(f->path, err))
            throw UnpackError(what + ": the folder \"" + platform::PathText(f->path) + "\" cannot be written. " +
                              std::strerror(err));
    }
    return plan;
}

void PlaceAll(const Plan& plan, const fs::path& scratch, const std::string& what,
              const std::function<void(size_t done, size_t total)>& progress, bool& kept) {
    kept = false;
    std::vector<Record> records;
    records.reserve(plan.moves.size());
    std::string journal = std::string(kJournalHeader) + "\n";
    const fs::path keptDir = scratch / kKept;
    for (size_t i = 0; i < plan.moves.size(); ++i) {
        const Move& m = plan.moves[i];
        Record r;
        r.folder = m.folder;
        r.target = fs::absolute(m.target);
        struct stat st{};
        if (m.replaces && Lstat(m.target, st) == 0) r.oldIno = st.st_ino;
        if (m.folder) {
            journal += "D\t" + Escape(r.target.string()) + "\t" + std::to_string(r.oldIno) + "\n";
        } else {
            r.from = fs::absolute(m.from);
            r.kept = fs::absolute(keptDir / std::to_string(i));
            if (Lstat(m.from, st) == 0) r.newIno = st.st_ino;
            journal += "F\t" + Escape(r.target.string()) + "\t" + Escape(r.from.string()) + "\t" +
                       Escape(r.kept.string()) + "\t" + std::to_string(r.newIno) + "\t" + std::to_string(r.oldIno) + "\n";
        }
        records.push_back(std::move(r));
    }
    journal += "E\t" + std::to_string(records.size()) + "\n";
    // The extracted data reaches the disk before any of it takes an installed file's place,
    // and the journal before the first move, so a power cut or a kill leaves what to put back.
    const auto fail = [&](const std::string& why) { throw UnpackError(what + ": " + why); };
    if (const int err = platform::FlushFileSystem(scratch)) fail(std::string("the files cannot be written. ") + std::strerror(err));
    if (::mkdir(keptDir.c_str(), 0700) != 0 && errno != EEXIST)
        fail(std::string("no room for the replaced files. ") + std::strerror(errno));
    try {
        platform::WriteFileAtomically(scratch / kJournal, journal);
    } catch (const std::exception& e) {
        fail(e.what());
    }

    std::unordered_set<std::string> touched;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        const Move& m = plan.moves[i];
        try {
            if (MoveHook())
                if (const int err = MoveHook()(i, r.target)) throw std::system_error(err, std::generic_category());
            if (m.folder) {
                if (!m.replaces && ::mkdir(r.target.c_str(), 0777) != 0 && errno != EEXIST)
                    throw std::system_error(errno, std::generic_category());
            } else {
                // An installed file stays readable and writable by its owner, whatever mode the
                // archive gave it (a catalog file nobody can read breaks the viewer). A replaced
                // program keeps its execute permission: archives made on Windows carry none,
                // and a program must still start afterwards.
                struct stat now;
                if (::stat(r.from.c_str(), &now) != 0) throw std::system_error(errno, std::generic_category());
                mode_t mode = (now.st_mode & 07777) | S_IRUSR | S_IWUSR;
                struct stat old;
                if (m.replaces && ::stat(r.target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode |= old.st_mode & 0111;
                if (mode != (now.st_mode & 07777) && ::chmod(r.from.c_str(), mode) != 0)
                    throw std::system_error(errno, std::generic_category());
                if (r.oldIno) ReplaceKeeping(r);
                else MoveOver(r.from, r.target);
            }
        } catch (const std::exception& e) {
            UndoFailure failure;
            const bool back = UndoAll(records, i + 1, &failure);
            kept = !back;
            std::string text = Quoted(m.rel) + " could not be put in place. " + e.what() + ".";
            text += back ? " Nothing was changed."
                         : " " + Quoted(failure.file) + " could not be put back. " + failure.why +
                               "; the next start tries again.";
            fail(text);
        }
        touched.insert(r.target.parent_path().string());
        if (progress) progress(i + 1, records.size());
    }
    // The new names reach the disk before the journal that could undo them goes.
    for (const auto& folder : touched) (void)platform::FlushFolder(folder);
    ::unlink((scratch / kJournal).c_str());
    (void)platform::FlushFolder(scratch);
}

RollBackOutcome RollBack(const fs::path& scratch, std::string& why) {
    const Journal journal = ReadJournal(scratch);
    if (!journal.damage.empty()) {
        why = journal.damage;
        return RollBackOutcome::DamagedJournal;
    }
    if (!journal.present) {
        struct stat st;
        return Lstat(scratch / kDamagedJournal, st) == 0 ? RollBackOutcome::KeptForRepair : RollBackOutcome::Done;
    }
    UndoFailure failure;
    const bool back = UndoAll(journal.records, journal.records.size(), &failure);
    RemoveCopyLeftovers(journal.records);
    if (!back) {
        why = Quoted(failure.file) + " could not be put back. " + failure.why + ".";
        return RollBackOutcome::NotPutBack;
    }
    ::unlink((scratch / kJournal).c_str());
    return RollBackOutcome::Done;
}

int SetAsideDamagedJournal(const fs::path& scratch, fs::path& asidePath) {
    // One set aside before (a hand repair that did not take) is not replaced; the caller holds
    // the folder's lock, so no other start picks the same name.
    struct stat st;
    asidePath = scratch / kDamagedJournal;
    for (int n = 2; Lstat(asidePath, st) == 0; ++n) {
        if (n > 99) return EEXIST;
        asidePath = scratch / (std::string(kDamagedJournal) + "." + std::to_string(n));
    }
    if (::rename((scratch / kJournal).c_str(), asidePath.c_str()) != 0) return errno;
    (void)platform::FlushFolder(scratch);
    return 0;
}

fs::path JournalPath(const fs::path& scratch) { return scratch / kJournal; }

}  // namespace unpack

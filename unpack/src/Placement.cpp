#include "Placement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "Journal.h"
#include "Moves.h"
#include "platform/CaseTwins.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;

namespace unpack {

std::function<int(size_t, const fs::path&)>& MoveHook() {
    static std::function<int(size_t, const fs::path&)> hook;
    return hook;
}

namespace {

constexpr const char* kKept = "kept";

std::string Quoted(const std::string& rel) { return "\"" + rel + "\""; }

int Lstat(const fs::path& p, struct stat& st) { return ::lstat(p.c_str(), &st) == 0 ? 0 : errno; }

// A folder of the installation, read once: the names it had before the unpack, and what the
// plan puts there.
struct Folder {
    fs::path path;
    bool exists = false;
    bool loaded = false;
    // What was there before is found by other spellings, and so are the folders the plan makes:
    // folders that differ only in case come together as they did where the tree was made.
    platform::CaseTwins names;
    std::unordered_set<std::string> before;         // there before the unpack
    std::unordered_set<std::string> incomingFiles;  // file names the archive brings here
    std::unordered_set<std::string> plannedFiles;
    std::unordered_set<std::string> claimed;  // earlier spellings taken by a file

    void Load() {
        if (loaded) return;
        loaded = true;
        if (DIR* d = ::opendir(path.c_str())) {
            while (const dirent* e = ::readdir(d)) {
                const std::string n = e->d_name;
                if (n == "." || n == "..") continue;
                names.Add(n, true);
                before.insert(n);
            }
            ::closedir(d);
        }
    }
    std::string FolderSpelling(const std::string& name) {
        Load();
        return names.Spelling(name);
    }
    // A file takes a spelling that was there before the unpack, unless the archive brings that
    // spelling itself or another of its files took it already. So two files of one update never
    // end up in one installed file.
    std::string FileSpelling(const std::string& name) {
        Load();
        const std::string spelling = names.Spelling(name, [&](const std::string& twin) {
            return !before.count(twin) || incomingFiles.count(twin) || claimed.count(twin);
        });
        if (spelling != name) claimed.insert(spelling);
        return spelling;
    }
};

// Matches the extracted tree with the installation, folders first (parents before their
// contents), so that every file's folder in the installation, and all the file names the
// archive brings into it, are known before any file name is matched.
class Planner {
public:
    Planner(const fs::path& base, std::string what) : what_(std::move(what)) {
        auto& root = folders_[base.string()];
        root = std::make_unique<Folder>();
        root->path = base;
        root->exists = true;
        byRel_[""] = root.get();
    }

    Plan Run(const fs::path& extracted) {
        WalkExtracted(extracted);
        for (const File& f : files_) PlanFile(f);
        CheckWritable();
        return std::move(plan_);
    }

private:
    struct File {
        fs::path from;
        std::string rel;
        Folder* parent;
    };

    void WalkExtracted(const fs::path& extracted) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(extracted, ec), end; it != end; it.increment(ec)) {
            if (ec) break;
            const fs::file_status st = it->symlink_status(ec);
            const fs::path rel = it->path().lexically_relative(extracted);
            const std::string relText = rel.generic_string();
            // Only files and folders: a link could point anywhere once it is in the installation.
            if (!fs::is_directory(st) && !fs::is_regular_file(st))
                throw UnpackError(what_ + ": it holds " + Quoted(relText) + ", which is neither a file nor a folder.");
            Folder* parent = byRel_.at(rel.has_parent_path() ? rel.parent_path().generic_string() : "");
            if (fs::is_directory(st)) {
                PlanFolder(it->path(), relText, parent, rel.filename().string());
            } else {
                parent->incomingFiles.insert(rel.filename().string());
                files_.push_back({it->path(), relText, parent});
            }
        }
        if (ec) throw UnpackError(what_ + ". " + ec.message());
    }

    void PlanFolder(const fs::path& from, const std::string& rel, Folder* parent, const std::string& extractedName) {
        const std::string name = parent->FolderSpelling(extractedName);
        Move m{from, parent->path / name, rel, true, false};
        struct stat now{};
        const bool there = parent->exists && Lstat(m.target, now) == 0;
        if (there && !S_ISDIR(now.st_mode))
            throw UnpackError(what_ + ": " + Quoted(rel) + " is a folder in the archive but a file in the installation.");
        auto& slot = folders_[m.target.string()];
        if (!slot) {
            slot = std::make_unique<Folder>();
            slot->path = m.target;
            slot->exists = there;
            slot->loaded = !there;  // a folder still to be made has nothing in it
            parent->names.Add(name, true);
            m.replaces = there;
            if (!there) written_.insert(parent);
            plan_.moves.push_back(m);
        }
        byRel_[rel] = slot.get();
    }

    void PlanFile(const File& f) {
        Folder* parent = f.parent;
        const std::string name = parent->FileSpelling(fs::path(f.rel).filename().string());
        // Folders that differ only in case come together; two files of one name in them would
        // be one installed file, and one of them would be lost.
        if (!parent->plannedFiles.insert(name).second)
            throw UnpackError(what_ + ": it holds two files that would both be " +
                              Quoted(platform::PathText(parent->path / name)) + ".");
        Move m{f.from, parent->path / name, f.rel, false, false};
        struct stat now{};
        const bool there = parent->exists && Lstat(m.target, now) == 0;
        if (there && S_ISDIR(now.st_mode))
            throw UnpackError(what_ + ": " + Quoted(f.rel) + " is a file in the archive but a folder in the installation.");
        // The user's own files are never replaced, but one the installation lacks is installed.
        if (there && IsUserFile(f.rel)) {
            plan_.keptUserFiles.push_back(f.rel);
            return;
        }
        m.replaces = there;
        if (there) {
            // A file that nobody may replace (immutable, on a read-only file system); a file
            // without write permission is replaced as any other.
            const int err = ::faccessat(AT_FDCWD, m.target.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
            if (err == EPERM || err == EROFS)
                throw UnpackError(what_ + ": " + Quoted(f.rel) + " cannot be replaced. " + std::strerror(err));
        }
        parent->names.Add(name, false);
        written_.insert(parent);
        plan_.moves.push_back(std::move(m));
        ++plan_.files;
    }

    // Every folder that gets a new name must let us write it, checked before anything moves.
    void CheckWritable() const {
        for (const Folder* f : written_) {
            if (!f->exists) continue;  // made by the move; its parent is in the list
            if (::faccessat(AT_FDCWD, f->path.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
                throw UnpackError(what_ + ": the folder \"" + platform::PathText(f->path) + "\" cannot be written. " +
                                  std::strerror(errno));
        }
    }

    std::string what_;
    Plan plan_;
    std::map<std::string, std::unique_ptr<Folder>> folders_;  // by the target's path
    std::unordered_map<std::string, Folder*> byRel_;         // by the extracted folder's path
    std::unordered_set<Folder*> written_;                    // folders of the installation that receive entries
    std::vector<File> files_;
};

// What the journal says of each move, with the inodes of what is there now.
std::vector<JournalRecord> RecordsOf(const Plan& plan, const fs::path& scratch) {
    std::vector<JournalRecord> records;
    records.reserve(plan.moves.size());
    const fs::path keptDir = scratch / kKept;
    for (size_t i = 0; i < plan.moves.size(); ++i) {
        const Move& m = plan.moves[i];
        JournalRecord r;
        r.folder = m.folder;
        r.target = fs::absolute(m.target);
        struct stat st{};
        if (m.replaces && Lstat(m.target, st) == 0) r.oldIno = st.st_ino;
        if (!m.folder) {
            r.from = fs::absolute(m.from);
            r.kept = fs::absolute(keptDir / std::to_string(i));
            if (Lstat(m.from, st) == 0) r.newIno = st.st_ino;
        }
        records.push_back(std::move(r));
    }
    return records;
}

// The extracted data reaches the disk before any of it takes an installed file's place, and
// the journal before the first move, so a power cut or a kill leaves what to put back.
void WriteAheadOfTheMoves(const Journal& journal, const std::vector<JournalRecord>& records, const fs::path& scratch,
                          const std::string& what) {
    const auto fail = [&](const std::string& why) { throw UnpackError(what + ": " + why); };
    if (const int err = platform::FlushFileSystem(scratch)) fail(std::string("the files cannot be written. ") + std::strerror(err));
    if (::mkdir((scratch / kKept).c_str(), 0700) != 0 && errno != EEXIST)
        fail(std::string("no room for the replaced files. ") + std::strerror(errno));
    try {
        journal.Write(records);
    } catch (const std::exception& e) {
        fail(e.what());
    }
}

// One move into place; throws std::exception with the system's reason.
void PlaceOne(size_t index, const JournalRecord& r, const Move& m) {
    if (MoveHook())
        if (const int err = MoveHook()(index, r.target)) throw std::system_error(err, std::generic_category());
    if (m.folder) {
        if (!m.replaces && ::mkdir(r.target.c_str(), 0777) != 0 && errno != EEXIST)
            throw std::system_error(errno, std::generic_category());
        return;
    }
    // An installed file stays readable and writable by its owner, whatever mode the archive
    // gave it (a catalog file nobody can read breaks the viewer). A replaced program keeps its
    // execute permission: archives made on Windows carry none, and a program must still start.
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

}  // namespace

Plan PlanPlacement(const fs::path& extracted, const fs::path& base, const std::string& what) {
    return Planner(base, what).Run(extracted);
}

void PlaceAll(const Plan& plan, const fs::path& scratch, const std::string& what,
              const std::function<void(size_t done, size_t total)>& progress, bool& kept) {
    kept = false;
    const std::vector<JournalRecord> records = RecordsOf(plan, scratch);
    const Journal journal(scratch);
    WriteAheadOfTheMoves(journal, records, scratch, what);
    std::unordered_set<std::string> touched;
    for (size_t i = 0; i < records.size(); ++i) {
        try {
            PlaceOne(i, records[i], plan.moves[i]);
        } catch (const std::exception& e) {
            UndoFailure failure;
            const bool back = UndoAll(records, i + 1, &failure);
            kept = !back;
            std::string text = Quoted(plan.moves[i].rel) + " could not be put in place. " + e.what() + ".";
            text += back ? " Nothing was changed."
                         : " " + Quoted(failure.file) + " could not be put back. " + failure.why +
                               "; the next start tries again.";
            throw UnpackError(what + ": " + text);
        }
        touched.insert(records[i].target.parent_path().string());
        if (progress) progress(i + 1, records.size());
    }
    // The new names reach the disk before the journal that could undo them goes.
    for (const auto& folder : touched) (void)platform::FlushFolder(folder);
    journal.Retire();
}

RollBackOutcome RollBack(const fs::path& scratch, std::string& why) {
    const Journal journal(scratch);
    const Journal::Contents contents = journal.Load();
    switch (contents.state) {
        case Journal::State::None: return RollBackOutcome::Done;
        case Journal::State::SetAside: return RollBackOutcome::KeptForRepair;
        case Journal::State::Damaged: why = contents.damage; return RollBackOutcome::DamagedJournal;
        case Journal::State::Pending: break;
    }
    UndoFailure failure;
    const bool back = UndoAll(contents.records, contents.records.size(), &failure);
    RemoveCopyLeftovers(contents.records);
    if (!back) {
        why = Quoted(failure.file) + " could not be put back. " + failure.why + ".";
        return RollBackOutcome::NotPutBack;
    }
    journal.Retire();
    return RollBackOutcome::Done;
}

}  // namespace unpack

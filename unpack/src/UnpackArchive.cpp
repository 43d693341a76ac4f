#include "unpack/UnpackArchive.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "Journal.h"
#include "LibraryExtraction.h"
#include "Placement.h"
#include "ScratchFolder.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace unpack {

std::function<int(size_t, const fs::path&)>& MoveHook();

namespace {

// Extraction takes this share of an unpack's progress; the moves into place the rest.
constexpr int kExtractionShare = 900;

Extractor& ExtractorOverride() {
    static Extractor extractor;
    return extractor;
}

std::string Quoted(const fs::path& p) { return "\"" + platform::PathText(p) + "\""; }

std::string CannotUnpack(const fs::path& archive) {
    return "The archive " + Quoted(archive.filename()) + " could not be unpacked";
}

// The scratch folders in `base` that unpacks left or are using.
std::vector<fs::path> ScratchFolders(const fs::path& base) {
    std::vector<fs::path> found;
    if (DIR* d = ::opendir(base.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            struct stat st;
            if (name.starts_with(kScratchPrefix) && ::lstat((base / name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                found.push_back(base / name);
        }
        ::closedir(d);
    }
    return found;
}

// Another unpack's journal in the installation: its moves are not all put back (a kill, a
// roll-back that failed) or are under way. Moving files now would mix two updates, and that
// journal's roll-back would later put old files over the new ones.
std::string InTheWay(const fs::path& base, const fs::path& own) {
    for (const fs::path& folder : ScratchFolders(base)) {
        if (folder == own || !Journal::PresentIn(folder)) continue;
        const int lock = platform::OpenUnowned(folder);
        if (lock < 0) return "another update is being put in place";
        ::close(lock);
        return "an interrupted update is to be undone at the next start";
    }
    return {};
}

void RefuseWhileInTheWay(const fs::path& zip, const fs::path& base, const fs::path& own) {
    if (const std::string why = InTheWay(base, own); !why.empty())
        throw UnpackError("The archive " + Quoted(zip.filename()) + " was not unpacked: " + why + ".");
}

fs::path ExistingArchive(const std::string& archive) {
    const fs::path p = platform::ResolvePath(archive);
    struct stat st;
    if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw UnpackError("The archive " + Quoted(p) + " does not exist.");
    return p;
}

fs::path ExistingBase(const std::string& baseDir, const fs::path& zip) {
    std::error_code ec;
    const fs::path base = baseDir.empty() ? fs::current_path(ec) : platform::ResolvePath(baseDir);
    if (ec || !fs::is_directory(base, ec))
        throw UnpackError(CannotUnpack(zip) + ": the folder " + Quoted(base) + " does not exist.");
    return base;
}

void Report(const Progress& progress, int permille) {
    if (progress) progress(permille);
}

// Extracts the whole archive below `folder` and plans its placement below `base`.
Plan ExtractAndPlan(const fs::path& zip, const fs::path& folder, const fs::path& base, const Progress& progress) {
    Report(progress, 0);
    try {
        if (ExtractorOverride()) {
            ExtractorOverride()(zip, folder);
        } else {
            ExtractWithLibrary(zip, folder, [&](double f) {
                Report(progress, static_cast<int>(std::clamp(f, 0.0, 1.0) * kExtractionShare));
            });
        }
    } catch (const std::exception& e) {
        throw UnpackError(CannotUnpack(zip) + ". " + e.what());
    }
    Report(progress, kExtractionShare);
    Plan plan = PlanPlacement(folder, base, CannotUnpack(zip));
    if (plan.files == 0 && plan.keptUserFiles.empty()) throw UnpackError(CannotUnpack(zip) + ": it holds no files.");
    return plan;
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

UnpackReport UnpackArchive(const std::string& archive, const std::string& baseDir, const Progress& progress) {
    const fs::path zip = ExistingArchive(archive);
    const fs::path base = ExistingBase(baseDir, zip);
    RefuseWhileInTheWay(zip, base, {});
    ScratchFolder scratch(base, CannotUnpack(zip));
    const fs::path extracted = scratch.path() / "new";
    if (::mkdir(extracted.c_str(), 0700) != 0)
        throw UnpackError(CannotUnpack(zip) + ". " + std::error_code(errno, std::generic_category()).message());
    const Plan plan = ExtractAndPlan(zip, extracted, base, progress);
    RefuseWhileInTheWay(zip, base, scratch.path());  // one may have begun while this one extracted

    bool kept = false;
    try {
        PlaceAll(plan, scratch.path(), CannotUnpack(zip),
                 [&](size_t done, size_t total) {
                     Report(progress, kExtractionShare + static_cast<int>(done * (1000 - kExtractionShare) / total));
                 },
                 kept);
    } catch (...) {
        if (kept) scratch.Keep();
        throw;
    }
    Report(progress, 1000);
    UnpackReport report;
    report.files = plan.files;
    report.keptUserFiles = plan.keptUserFiles;
    return report;
}

void CheckArchive(const std::string& archive, const std::string& baseDir, const Progress& progress) {
    const fs::path zip = ExistingArchive(archive);
    const fs::path base = ExistingBase(baseDir, zip);
    RefuseWhileInTheWay(zip, base, {});
    ScratchFolder scratch(base, CannotUnpack(zip));
    (void)ExtractAndPlan(zip, scratch.path(), base, progress);
    Report(progress, 1000);
}

std::string Recovery::Message() const {
    std::string text;
    for (const auto& p : problems) text += (text.empty() ? "" : "\n\n") + p;
    return text;
}

std::string Recovery::Notice() const { return cleared > 0 && problems.empty() ? kUndoneNotice : ""; }

std::string UpdateInTheWay(const std::string& baseDir) {
    return InTheWay(baseDir.empty() ? fs::path(".") : platform::ResolvePath(baseDir), {});
}

bool InterruptedUpdatesIn(const std::string& baseDir) {
    return !ScratchFolders(baseDir.empty() ? fs::path(".") : platform::ResolvePath(baseDir)).empty();
}

namespace {

// What the start-up tells of a journal that must not be applied, and where it was set aside.
std::string DamagedJournalText(const fs::path& folder, const std::string& why) {
    const Journal journal(folder);
    std::string text = "An interrupted update could not be undone: its journal " + Quoted(journal.path()) +
                       " is damaged: " + why + ". None of it was applied.";
    fs::path aside;
    if (const int err = journal.SetAside(aside))
        return text + " It could not be set aside. " + std::strerror(err) + ".";
    return text + " It was set aside as " + Quoted(aside.filename()) + ", and the folder " + Quoted(folder) +
           " is kept with the files the update replaced, for a repair by hand.";
}

}  // namespace

Recovery RecoverInterrupted(const std::string& baseDir) {
    Recovery recovery;
    for (const auto& folder : ScratchFolders(baseDir.empty() ? fs::path(".") : platform::ResolvePath(baseDir))) {
        const int lock = platform::OpenUnowned(folder);
        if (lock < 0) continue;  // a running unpack's
        std::string why;
        switch (RollBack(folder, why)) {
            case RollBackOutcome::Done:
                RemoveTree(folder);
                ++recovery.cleared;
                break;
            case RollBackOutcome::NotPutBack:
                recovery.problems.push_back("An interrupted update could not be undone: " + why +
                                            " The next start tries again.");
                break;
            case RollBackOutcome::DamagedJournal: recovery.problems.push_back(DamagedJournalText(folder, why)); break;
            case RollBackOutcome::KeptForRepair: break;  // told when its journal was set aside
        }
        ::close(lock);
    }
    return recovery;
}

void SetExtractorForTesting(Extractor extractor) { ExtractorOverride() = std::move(extractor); }

void SetMoveHookForTesting(std::function<int(size_t, const fs::path&)> hook) { MoveHook() = std::move(hook); }

}  // namespace unpack

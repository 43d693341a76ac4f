// Guards the move into place: a folder that cannot be written is found before anything moves,
// a move that fails half-way puts back what was moved, a kill half-way is undone at the next
// start from the scratch folder's journal, and a scratch folder that a running unpack owns is
// left alone. In every case the installation stays byte for byte as it was. At that next
// start a damaged journal is told once and never applied, a move that still cannot be put
// back is told with its file and cause, and a copy a kill cut off is removed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <memory>
#include <set>

#include "KilledUnpack.h"
#include "TempDir.h"
#include "UnpackFixtures.h"
#include "Unwritable.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::Unwritable;
using testsupport::WriteFile;

namespace {

// The extraction writes `files`; `hook` runs before each move into place.
class Seams : public unpacktest::Seams {
public:
    Seams(std::map<std::string, std::string> files, std::function<int(size_t, const fs::path&)> hook = nullptr)
        : unpacktest::Seams(unpacktest::Writes(std::move(files)), std::move(hook)) {}
};

using unpacktest::Snapshot;

bool HasScratch(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().starts_with(".unpack-")) return true;
    return false;
}

// An installation whose update replaces files in three folders and adds a folder and files.
struct Install : unpacktest::SmallInstallation {
    Install()
        : SmallInstallation({{"VantorBooks", "old program"},
                             {"docs/a.doc", "old a"},
                             {"docs/b.doc", "old b"},
                             {"Cat/List.txt", "old list"}}) {}
    static std::map<std::string, std::string> Update() {
        return {{"VantorBooks", "new program"}, {"docs/a.doc", "new a"},       {"docs/b.doc", "new b"},
                {"docs/c.doc", "new c"},        {"Cat/List.txt", "new list"}, {"Cat/New/Sub.txt", "new sub"},
                {"top.txt", "new top"}};
    }
};

// Runs the update in a child that is killed before move `killAt`; the scratch folder and its
// journal stay as a kill leaves them.
void KilledAt(const Install& inst, size_t killAt) {
    ASSERT_TRUE(testsupport::UnpackKilledAt(inst.archive, inst.dir.path(), killAt, unpacktest::Writes(Install::Update())));
}

fs::path ScratchIn(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().starts_with(".unpack-")) return e.path();
    return {};
}

// The installation without the scratch folder.
std::map<std::string, std::string> Installed(const fs::path& dir) {
    auto all = Snapshot(dir);
    std::erase_if(all, [](const auto& e) { return e.first.starts_with(".unpack-"); });
    return all;
}

// A tmpfs over a folder for the scope, where this machine lets us mount one.
class Mounted {
public:
    explicit Mounted(const fs::path& dir) : dir_(dir) {
        fs::create_directories(dir);
        ok_ = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=4m") == 0;
    }
    ~Mounted() {
        if (ok_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool ok() const { return ok_; }

private:
    fs::path dir_;
    bool ok_ = false;
};

}  // namespace

TEST(Placement, AnUnwritableFolderIsFoundBeforeAnythingMoves) {
    Install inst;
    const auto before = Snapshot(inst.dir.path());
    Seams seams(Install::Update());
    Unwritable locked(inst.dir / "docs");
    if (!locked.ok()) GTEST_SKIP() << "no folder can be made unwritable here";
    const std::string what = unpacktest::UnpackFailure(inst.archive, inst.dir.path().string());
    EXPECT_NE(what.find("docs.zip"), std::string::npos) << what;
    EXPECT_NE(what.find((inst.dir / "docs").string() + "\" cannot be written"), std::string::npos) << what;
    EXPECT_EQ(Snapshot(inst.dir.path()), before);
    // The viewer's check before a hand-over finds it as well.
    EXPECT_THROW(unpack::CheckArchive(inst.archive, inst.dir.path().string()), unpack::UnpackError);
}

TEST(Placement, AMoveThatFailsPutsBackWhatWasMoved) {
    // The moves run folders first, then in the order of the extracted tree; every point of
    // failure from the first move to the last leaves the old installation.
    size_t moves = 0;
    {
        Install inst;
        Seams count(Install::Update(), [&](size_t, const fs::path&) { return ++moves, 0; });
        unpack::UnpackArchive(inst.archive, inst.dir.path().string());
    }
    ASSERT_GT(moves, 7u);
    for (size_t failAt = 0; failAt < moves; ++failAt) {
        SCOPED_TRACE(failAt);
        Install inst;
        const auto before = Snapshot(inst.dir.path());
        Seams seams(Install::Update(), [&](size_t i, const fs::path&) { return i == failAt ? EIO : 0; });
        const std::string what = unpacktest::UnpackFailure(inst.archive, inst.dir.path().string());
        EXPECT_NE(what.find("could not be put in place"), std::string::npos) << what;
        EXPECT_NE(what.find("Nothing was changed."), std::string::npos) << what;
        EXPECT_EQ(Snapshot(inst.dir.path()), before);
        EXPECT_FALSE(HasScratch(inst.dir.path()));
    }
}

TEST(Placement, WhatAFailedMoveCannotPutBackIsNamedWithItsCauseAndLeftForTheNextStart) {
    Install inst;
    const auto before = Snapshot(inst.dir.path());
    std::unique_ptr<Unwritable> locked;
    // The last move fails, and by then the folder of the files moved before it is locked.
    Seams seams(Install::Update(), [&](size_t i, const fs::path&) {
        if (i < 8) return 0;
        locked = std::make_unique<Unwritable>(inst.dir / "docs");
        return EIO;
    });
    const std::string what = unpacktest::UnpackFailure(inst.archive, inst.dir.path().string());
    ASSERT_TRUE(locked) << what;
    if (!locked->ok()) GTEST_SKIP() << "no folder can be made unwritable here";
    EXPECT_NE(what.find("could not be put in place. Input/output error."), std::string::npos) << what;
    EXPECT_NE(what.find("\"" + (inst.dir / "docs").string() + "/"), std::string::npos) << what;
    const bool cause = what.find("could not be put back. Operation not permitted; the next start tries again.") !=
                           std::string::npos ||
                       what.find("could not be put back. Permission denied; the next start tries again.") !=
                           std::string::npos;
    EXPECT_TRUE(cause) << what;
    EXPECT_TRUE(HasScratch(inst.dir.path()));
    locked.reset();
    unpack::SetMoveHookForTesting(nullptr);
    EXPECT_EQ(unpack::RecoverInterrupted(inst.dir.path().string()).cleared, 1u);
    EXPECT_EQ(Snapshot(inst.dir.path()), before);
}

TEST(Placement, AKillDuringTheMoveIsUndoneAtTheNextStart) {
    for (const size_t killAt : {size_t{3}, size_t{6}, size_t{8}}) {
        SCOPED_TRACE(killAt);
        Install inst;
        const auto before = Snapshot(inst.dir.path());
        ASSERT_NO_FATAL_FAILURE(KilledAt(inst, killAt));
        EXPECT_NE(Snapshot(inst.dir.path()), before);  // half of the update is in place
        ASSERT_TRUE(HasScratch(inst.dir.path()));

        EXPECT_EQ(unpack::RecoverInterrupted(inst.dir.path().string()).cleared, 1u);
        EXPECT_EQ(Snapshot(inst.dir.path()), before);
        // And the update can then be installed whole.
        Seams seams(Install::Update());
        unpack::UnpackArchive(inst.archive, inst.dir.path().string());
        EXPECT_EQ(ReadFile(inst.dir / "docs/b.doc"), "new b");
        EXPECT_EQ(ReadFile(inst.dir / "Cat/New/Sub.txt"), "new sub");
    }
}

TEST(Placement, AScratchFolderARunningUnpackOwnsIsLeftAlone) {
    TempDir dir;
    WriteFile(dir / "VantorBooks", "program");
    WriteFile(dir / ".unpack-1-0/new/docs/x.doc", "left by a killed run, before its moves");
    WriteFile(dir / ".unpack-2-0/new/docs/y.doc", "still being extracted");
    const int owner = ::open((dir / ".unpack-2-0").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(owner, LOCK_EX), 0);
    EXPECT_EQ(unpack::RecoverInterrupted(dir.path().string()).cleared, 1u);
    EXPECT_FALSE(fs::exists(dir / ".unpack-1-0"));
    EXPECT_TRUE(fs::exists(dir / ".unpack-2-0/new/docs/y.doc"));
    ::close(owner);
    EXPECT_EQ(unpack::RecoverInterrupted(dir.path().string()).cleared, 1u);
    EXPECT_FALSE(HasScratch(dir.path()));
    EXPECT_EQ(ReadFile(dir / "VantorBooks"), "program");
}

TEST(Placement, ADamagedJournalIsToldOnceAndNeverApplied) {
    // Each damage made to the journal a kill left; the start that finds it must not throw,
    // must not put back a part of the moves, and must not lose the replaced files.
    const auto replaceNumber = [](std::string j, const std::string& with) {
        const size_t line = j.find("\nF\t");
        const size_t field = j.rfind('\t', j.find('\n', line + 1));
        return j.replace(field + 1, j.find('\n', field) - field - 1, with);
    };
    const struct {
        const char* name;
        std::function<std::string(const std::string&)> damage;
        const char* cause;
    } cases[] = {
        {"cut in a line", [](const std::string& j) { return j.substr(0, j.size() - 7); }, "it is cut short"},
        {"cut at a line end", [](const std::string& j) { return j.substr(0, j.find("\nF\t") + 1); }, "it is cut short"},
        {"cut in its first line", [](const std::string& j) { return j.substr(0, 6); }, "does not begin as a journal does"},
        {"empty", [](const std::string&) { return std::string(); }, "it is empty"},
        {"garbage", [](const std::string&) { return std::string("\x7f" "ELF\x02\x01\x01\0\0\0\n\xff\xfe", 14); },
         "does not begin as a journal does"},
        {"an overlong number", [&](const std::string& j) { return replaceNumber(j, "123456789012345678901234567890"); },
         "holds a path or a number that is not one"},
        {"a signed number", [&](const std::string& j) { return replaceNumber(j, "-1"); },
         "holds a path or a number that is not one"},
        {"a bad escape", [](const std::string& j) {
             std::string d = j;
             return d.insert(d.find("\nF\t") + 3, "%zz");
         }, "holds a path or a number that is not one"},
        {"a line that is no record", [](const std::string& j) {
             std::string d = j;
             return d.insert(d.find('\n') + 1, "X\tsomething\n");
         }, "line 2 is not a record of a move"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install inst;
        KilledAt(inst, 6);
        const fs::path scratch = ScratchIn(inst.dir.path());
        ASSERT_FALSE(scratch.empty());
        WriteFile(scratch / "journal", c.damage(ReadFile(scratch / "journal")));
        const auto killed = Installed(inst.dir.path());
        const auto keptFiles = Snapshot(scratch / "kept");

        unpack::Recovery first;
        ASSERT_NO_THROW(first = unpack::RecoverInterrupted(inst.dir.path().string()));
        ASSERT_EQ(first.problems.size(), 1u);
        const std::string& what = first.problems[0];
        EXPECT_NE(what.find("\"" + (scratch / "journal").string() + "\" is damaged"), std::string::npos) << what;
        EXPECT_NE(what.find(c.cause), std::string::npos) << what;
        EXPECT_NE(what.find("set aside as \"journal.damaged\""), std::string::npos) << what;
        EXPECT_EQ(first.cleared, 0u);
        EXPECT_EQ(Installed(inst.dir.path()), killed);  // nothing of it applied
        // Kept for a repair by hand: the replaced files, and the journal under a name that says so.
        EXPECT_EQ(Snapshot(scratch / "kept"), keptFiles);
        EXPECT_TRUE(fs::exists(scratch / "journal.damaged"));
        EXPECT_FALSE(fs::exists(scratch / "journal"));

        // Told once: later starts leave the folder alone and say nothing.
        const unpack::Recovery second = unpack::RecoverInterrupted(inst.dir.path().string());
        EXPECT_TRUE(second.problems.empty()) << second.Message();
        EXPECT_EQ(second.cleared, 0u);
        EXPECT_TRUE(fs::exists(scratch / "journal.damaged"));
        EXPECT_EQ(Installed(inst.dir.path()), killed);
    }
}

TEST(Placement, AJournalWithoutItsEndLineAsEarlierBuildsWroteIsStillPutBack) {
    Install inst;
    const auto before = Snapshot(inst.dir.path());
    KilledAt(inst, 6);
    const fs::path journal = ScratchIn(inst.dir.path()) / "journal";
    std::string j = ReadFile(journal);
    ASSERT_TRUE(j.starts_with("unpack journal 2\n"));
    j.replace(0, 16, "unpack journal 1");
    j.erase(j.rfind("E\t"));
    WriteFile(journal, j);
    const unpack::Recovery r = unpack::RecoverInterrupted(inst.dir.path().string());
    EXPECT_TRUE(r.problems.empty()) << r.Message();
    EXPECT_EQ(r.cleared, 1u);
    EXPECT_EQ(Snapshot(inst.dir.path()), before);
}

TEST(Placement, AMoveTheNextStartCannotPutBackIsToldWithItsFileAndCause) {
    Install inst;
    const auto before = Snapshot(inst.dir.path());
    KilledAt(inst, 8);  // the replaced files in docs are among the moves made
    ASSERT_NE(Installed(inst.dir.path()), before);
    {
        Unwritable locked(inst.dir / "docs");
        if (!locked.ok()) GTEST_SKIP() << "no folder can be made unwritable here";
        const unpack::Recovery r = unpack::RecoverInterrupted(inst.dir.path().string());
        EXPECT_EQ(r.cleared, 0u);
        ASSERT_EQ(r.problems.size(), 1u);
        const std::string& what = r.problems[0];
        EXPECT_NE(what.find("could not be undone: \"" + (inst.dir / "docs").string() + "/"), std::string::npos) << what;
        const bool cause = what.find("could not be put back. Operation not permitted.") != std::string::npos ||
                           what.find("could not be put back. Permission denied.") != std::string::npos;
        EXPECT_TRUE(cause) << what;
        EXPECT_NE(what.find("The next start tries again."), std::string::npos) << what;
        EXPECT_TRUE(fs::exists(ScratchIn(inst.dir.path()) / "journal"));
    }
    // Once the folder can be written again, the next start finishes it.
    const unpack::Recovery r = unpack::RecoverInterrupted(inst.dir.path().string());
    EXPECT_TRUE(r.problems.empty()) << r.Message();
    EXPECT_EQ(r.cleared, 1u);
    EXPECT_EQ(Snapshot(inst.dir.path()), before);
}

TEST(Placement, ACopyAKillCutOffIsRemovedAtTheNextStart) {
    // A folder of the installation on a file system of its own: files go into it by copying.
    TempDir dir;
    Mounted docs(dir / "docs");
    if (!docs.ok()) GTEST_SKIP() << "no tmpfs can be mounted here";
    WriteFile(dir / "docs/a.doc", "old a");
    WriteFile(dir / "docs/big.doc", "old big");
    WriteFile(dir / "docs.zip", "stands for an archive");
    const auto before = Snapshot(dir.path());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file-size limit ends the process in the middle of the copy of big.doc.
        Seams seams({{"docs/a.doc", "new a"}, {"docs/big.doc", std::string(256 * 1024, 'b')}},
                    [](size_t, const fs::path& target) {
                        if (target.filename() == "big.doc") {
                            const struct rlimit none{0, 0};
                            ::setrlimit(RLIMIT_CORE, &none);
                            const struct rlimit small{64 * 1024, 64 * 1024};
                            ::signal(SIGXFSZ, SIG_DFL);
                            ::setrlimit(RLIMIT_FSIZE, &small);
                        }
                        return 0;
                    });
        try {
            unpack::UnpackArchive((dir / "docs.zip").string(), dir.path().string());
        } catch (...) {
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    std::set<std::string> leftovers;
    for (const auto& e : fs::directory_iterator(dir / "docs"))
        if (e.path().filename().string().starts_with(".big.doc.unpack-")) leftovers.insert(e.path().filename());
    ASSERT_EQ(leftovers.size(), 1u);

    // Beside it: a copy a running unpack is still writing, and files that are not such copies.
    WriteFile(dir / "docs/.a.doc.unpack-0123456789ab", "being copied");
    const int running = ::open((dir / "docs/.a.doc.unpack-0123456789ab").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    const std::map<std::string, std::string> others = {{".big.doc.unpack-mine", "the user's"},
                                                       {".c.doc.unpack-0123456789ab", "not a target"},
                                                       {"notes.unpack-0123456789ab", "the user's"}};
    for (const auto& [name, bytes] : others) WriteFile(dir / "docs" / name, bytes);

    const unpack::Recovery r = unpack::RecoverInterrupted(dir.path().string());
    ::close(running);
    EXPECT_TRUE(r.problems.empty()) << r.Message();
    EXPECT_EQ(r.cleared, 1u);
    auto after = Snapshot(dir.path());
    EXPECT_EQ(after.erase("docs/.a.doc.unpack-0123456789ab"), 1u);
    for (const auto& [name, bytes] : others) EXPECT_EQ(after.erase("docs/" + name), 1u) << name;
    EXPECT_EQ(after, before);  // the cut-off copy is gone, the installation as it was
}

TEST(Placement, AJournalNamingAFileOutsideTheInstallationLeavesItAlone) {
    // Hand-edited journals of a kill: one removes the outside file as a file the update added,
    // the other puts another outside file over it as the file the update replaced.
    TempDir elsewhere;
    const struct {
        const char* name;
        std::function<std::string(const std::string& journal, ino_t victim)> edit;
    } cases[] = {
        {"removed as a new file", [&](const std::string& j, ino_t victim) {
             return std::string(j).insert(j.find("\nE\t") + 1, "F\t" + (elsewhere / "victim.txt").string() + "\t" +
                                                                   (elsewhere / "victim.txt").string() + "\t" +
                                                                   (elsewhere / "kept").string() + "\t" +
                                                                   std::to_string(victim) + "\t0\n");
         }},
        {"overwritten as a replaced file", [&](const std::string& j, ino_t) {
             const size_t line = j.find("\nF\t") + 3;
             return std::string(j).replace(line, j.find('\t', line) - line, (elsewhere / "victim.txt").string());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install inst;
        KilledAt(inst, 6);
        WriteFile(elsewhere / "victim.txt", "not the installation's");
        WriteFile(elsewhere / "kept", "another outside file");
        struct stat victim{};
        ::stat((elsewhere / "victim.txt").c_str(), &victim);
        const fs::path journal = ScratchIn(inst.dir.path()) / "journal";
        std::string j = c.edit(ReadFile(journal), victim.st_ino);
        // The count in the end line still matches, as a careful editor would keep it.
        const size_t records = static_cast<size_t>(std::count(j.begin(), j.end(), '\n')) - 2;
        j.replace(j.rfind("E\t"), std::string::npos, "E\t" + std::to_string(records) + "\n");
        WriteFile(journal, j);
        const auto killed = Installed(inst.dir.path());

        const unpack::Recovery first = unpack::RecoverInterrupted(inst.dir.path().string());
        ASSERT_EQ(first.problems.size(), 1u);
        EXPECT_NE(first.problems[0].find("is damaged: it names \"" + (elsewhere / "victim.txt").string() +
                                         "\", which lies outside the installation"),
                  std::string::npos)
            << first.problems[0];
        EXPECT_EQ(ReadFile(elsewhere / "victim.txt"), "not the installation's");
        EXPECT_EQ(ReadFile(elsewhere / "kept"), "another outside file");
        EXPECT_EQ(Installed(inst.dir.path()), killed);
        EXPECT_TRUE(unpack::RecoverInterrupted(inst.dir.path().string()).problems.empty());  // told once
    }
}

// The road of a journal whose roll-back fails at a start, in one run with a new update.
TEST(Placement, APendingJournalKeepsEveryUpdateOutUntilItIsUndone) {
    Install inst;
    const auto before = Snapshot(inst.dir.path());
    KilledAt(inst, 8);
    {
        Unwritable locked(inst.dir / "docs");
        if (!locked.ok()) GTEST_SKIP() << "no folder can be made unwritable here";
        EXPECT_EQ(unpack::RecoverInterrupted(inst.dir.path().string()).problems.size(), 1u);
    }
    // The folder is writable again and the update is accepted in the same run: nothing moves.
    Seams seams(Install::Update());
    const auto pending = Installed(inst.dir.path());
    const std::string says =
        "The archive \"docs.zip\" was not unpacked: an interrupted update is to be undone at the next start.";
    EXPECT_EQ(unpacktest::UnpackFailure(inst.archive, inst.dir.path().string()), says);
    EXPECT_THROW(unpack::CheckArchive(inst.archive, inst.dir.path().string()), unpack::UnpackError);
    EXPECT_EQ(unpack::UpdateInTheWay(inst.dir.path().string()),
              "an interrupted update is to be undone at the next start");
    EXPECT_EQ(Installed(inst.dir.path()), pending);

    // The next start undoes it and says so; then the update installs whole.
    const unpack::Recovery r = unpack::RecoverInterrupted(inst.dir.path().string());
    EXPECT_EQ(r.Notice(), unpack::kUndoneNotice);
    EXPECT_EQ(Snapshot(inst.dir.path()), before);
    EXPECT_TRUE(unpack::UpdateInTheWay(inst.dir.path().string()).empty());
    unpack::UnpackArchive(inst.archive, inst.dir.path().string());
    for (const auto& [rel, bytes] : Install::Update()) EXPECT_EQ(ReadFile(inst.dir / rel), bytes) << rel;
    EXPECT_TRUE(unpack::RecoverInterrupted(inst.dir.path().string()).Notice().empty());
}

TEST(Placement, AJournalANewerInstallationNoLongerMatchesIsSetAsideNotApplied) {
    Install inst;
    KilledAt(inst, 8);
    const fs::path scratch = ScratchIn(inst.dir.path());
    // Another update (by hand, or by a build that did not wait for the journal) installed over
    // the half-moved one: every file of it new.
    for (const auto& [rel, bytes] : Install::Update()) {
        WriteFile(inst.dir / (rel + ".newer"), "newer " + bytes);
        fs::rename(inst.dir / (rel + ".newer"), inst.dir / rel);
    }
    const auto newer = Installed(inst.dir.path());
    const unpack::Recovery first = unpack::RecoverInterrupted(inst.dir.path().string());
    ASSERT_EQ(first.problems.size(), 1u);
    EXPECT_NE(first.problems[0].find("is damaged: it no longer matches the installation: "), std::string::npos)
        << first.problems[0];
    EXPECT_TRUE(first.Notice().empty());
    EXPECT_EQ(Installed(inst.dir.path()), newer);  // nothing old put over it
    EXPECT_TRUE(fs::exists(scratch / "journal.damaged"));
    EXPECT_TRUE(unpack::RecoverInterrupted(inst.dir.path().string()).problems.empty());
    EXPECT_EQ(Installed(inst.dir.path()), newer);
}

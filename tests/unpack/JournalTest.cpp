// Guards the journal of a move into place: what is written reads back whole (names with tabs,
// line ends and '%' included) in every state its moves and their undo pass through, and a
// journal that leads outside the installation or its scratch folder, or that the files on disk
// no longer match, is damaged and says how, without anything on disk being touched.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "Journal.h"
#include "TempDir.h"
#include "UnpackFixtures.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using unpack::Journal;
using unpack::JournalRecord;

namespace {

ino_t Ino(const fs::path& p) {
    struct stat st{};
    ::lstat(p.c_str(), &st);
    return st.st_ino;
}

// An installation with a scratch folder as an unpack leaves it before its first move: a file
// that replaces docs/a.doc, a new file with an awkward name, and a new folder.
struct Scratch {
    TempDir dir;
    fs::path scratch = dir / ".unpack-1-0";
    std::vector<JournalRecord> records;

    Scratch() {
        WriteFile(dir / "docs/a.doc", "old a");
        WriteFile(scratch / "new/docs/a.doc", "new a");
        WriteFile(scratch / "new/docs/b%\tc\n.doc", "new b");
        fs::create_directories(scratch / "kept");
        records.push_back(File("docs/a.doc", 0));
        records.push_back(File("docs/b%\tc\n.doc", 1));
        records.push_back({true, dir / "fresh", {}, {}, 0, 0});
    }
    JournalRecord File(const std::string& rel, int index) const {
        const fs::path target = dir / rel;
        return {false, target, scratch / "new" / rel, scratch / "kept" / std::to_string(index),
                Ino(scratch / "new" / rel), fs::exists(target) ? Ino(target) : 0};
    }
    Journal::Contents Load() const { return Journal(scratch).Load(); }
    // The first record's move as a swap, as the file system does it in one step.
    void SwapFirst() const {
        const JournalRecord& r = records[0];
        fs::rename(r.target, scratch / "swap");
        fs::rename(r.from, r.target);
        fs::rename(scratch / "swap", r.from);
    }
};

bool SameRecords(const std::vector<JournalRecord>& a, const std::vector<JournalRecord>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].folder != b[i].folder || a[i].target != b[i].target || a[i].from != b[i].from ||
            a[i].kept != b[i].kept || a[i].newIno != b[i].newIno || a[i].oldIno != b[i].oldIno)
            return false;
    return true;
}

}  // namespace

TEST(Journal, WhatIsWrittenReadsBackInEveryStateOfItsMoves) {
    Scratch s;
    Journal(s.scratch).Write(s.records);
    const struct {
        const char* name;
        std::function<void()> step;
    } states[] = {
        {"before the first move", [] {}},
        {"the replaced file swapped into the scratch folder", [&] { s.SwapFirst(); }},
        {"the new file and folder in place", [&] {
             fs::rename(s.records[1].from, s.records[1].target);
             fs::create_directory(s.dir / "fresh");
         }},
        {"half put back", [&] {
             fs::remove(s.dir / "fresh");
             fs::remove(s.records[1].target);
         }},
        {"all put back", [&] { fs::rename(s.records[0].from, s.records[0].target); }},
    };
    for (const auto& state : states) {
        SCOPED_TRACE(state.name);
        state.step();
        const Journal::Contents c = s.Load();
        EXPECT_EQ(c.state, Journal::State::Pending) << c.damage;
        EXPECT_TRUE(SameRecords(c.records, s.records));
    }
    EXPECT_EQ(ReadFile(s.dir / "docs/a.doc"), "old a");
}

TEST(Journal, AJournalThatLeadsOutsideItsInstallationIsDamaged) {
    TempDir elsewhere;
    WriteFile(elsewhere / "victim.txt", "not the installation's");
    const struct {
        const char* name;
        std::function<void(Scratch&, JournalRecord&)> edit;
        const char* where;
    } cases[] = {
        {"a target elsewhere", [&](Scratch&, JournalRecord& r) { r.target = elsewhere / "victim.txt"; }, "the installation"},
        {"a target climbing out",
         [&](Scratch& s, JournalRecord& r) { r.target = s.dir / "docs/../.." / elsewhere.path().filename() / "victim.txt"; },
         "the installation"},
        {"a target through a link out of the installation",
         [&](Scratch& s, JournalRecord& r) {
             fs::create_directory_symlink(elsewhere.path(), s.dir / "docs/shelf");
             r.target = s.dir / "docs/shelf/victim.txt";
         },
         "the installation"},
        {"a target in the scratch folder", [](Scratch& s, JournalRecord& r) { r.target = s.scratch / "new/x"; },
         "the installation"},
        {"the installation itself", [](Scratch& s, JournalRecord& r) { r.target = s.dir / "docs/.."; }, "the installation"},
        {"an extracted file elsewhere", [&](Scratch&, JournalRecord& r) { r.from = elsewhere / "victim.txt"; },
         "its scratch folder"},
        {"a kept file in the installation", [](Scratch& s, JournalRecord& r) { r.kept = s.dir / "docs/a.doc"; },
         "its scratch folder"},
        {"a kept file climbing out of the scratch folder",
         [](Scratch& s, JournalRecord& r) { r.kept = s.scratch / "kept/../../docs/a.doc"; }, "its scratch folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch s;
        c.edit(s, s.records[1]);
        Journal(s.scratch).Write(s.records);
        const auto before = unpacktest::Snapshot(s.dir.path());
        const Journal::Contents j = s.Load();
        EXPECT_EQ(j.state, Journal::State::Damaged);
        EXPECT_NE(j.damage.find(std::string(", which lies outside ") + c.where), std::string::npos) << j.damage;
        EXPECT_TRUE(j.records.empty());
        EXPECT_EQ(unpacktest::Snapshot(s.dir.path()), before);
    }
    EXPECT_EQ(ReadFile(elsewhere / "victim.txt"), "not the installation's");
}

TEST(Journal, AJournalTheFilesNoLongerMatchIsDamaged) {
    const struct {
        const char* name;
        std::function<void(Scratch&)> change;
        const char* says;
    } cases[] = {
        {"a replaced file replaced again by another update",
         [](Scratch& s) {
             s.SwapFirst();
             WriteFile(s.dir / "newer", "newer a");
             fs::rename(s.dir / "newer", s.dir / "docs/a.doc");
         },
         "\"docs/a.doc\" has changed since the update was interrupted"},
        {"the replaced file gone after its move",
         [](Scratch& s) {
             s.SwapFirst();
             fs::remove(s.records[0].from);
         },
         "the file that \"docs/a.doc\" replaced is gone from"},
        {"a new file there before its move",
         [](Scratch& s) { WriteFile(s.records[1].target, "another update's"); }, "has changed since"},
        {"a file's target now a folder", [](Scratch& s) { fs::create_directories(s.records[1].target); },
         "is no longer a file"},
        {"a new folder holding a file the update did not put there",
         [](Scratch& s) { WriteFile(s.dir / "fresh/notes.txt", "the user's"); },
         "the folder \"fresh\" holds \"notes.txt\", which the update did not put there"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch s;
        Journal(s.scratch).Write(s.records);
        c.change(s);
        const auto before = unpacktest::Snapshot(s.dir.path());
        const Journal::Contents j = s.Load();
        EXPECT_EQ(j.state, Journal::State::Damaged);
        EXPECT_NE(j.damage.find("it no longer matches the installation: "), std::string::npos) << j.damage;
        EXPECT_NE(j.damage.find(c.says), std::string::npos) << j.damage;
        EXPECT_EQ(unpacktest::Snapshot(s.dir.path()), before);
    }
}

// Guards the unpack step of both programs: an archive replaces files of the installation whole
// or not at all (a failed extraction, a link, an empty archive or a file/folder clash leaves
// every file as it was), folders merge case-insensitively, replaced programs stay executable,
// installed files stay readable and writable by their owner, and the files the user wrote are
// never replaced.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "TempDir.h"
#include "UnpackFixtures.h"
#include "ZipTool.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

using unpacktest::Mode;
using unpacktest::Snapshot;
using unpacktest::Writes;

// The extraction of the test's scope.
class ExtractorGuard : public unpacktest::Seams {
public:
    explicit ExtractorGuard(unpack::Extractor e) : Seams(std::move(e)) {}
};

namespace {

// A small installation: a program, documents, a read-only file and the user's own files.
struct Install : unpacktest::SmallInstallation {
    Install()
        : SmallInstallation({{"VantorBooks", "old program"},
                             {"docs/old.doc", "old doc"},
                             {"locked.txt", "old locked"},
                             {"options.ini", "[Window]\r\nHeight=640\r\n"},
                             {"skins/skin_select.txt", "Mine\r\n"},
                             {"Cat/List/Sub/Books/_have.txt", "My book\r\n"}}) {
        ::chmod((dir / "locked.txt").c_str(), 0444);
    }
};

}  // namespace

TEST(UnpackArchive, ReplacesFilesMergesFoldersAndKeepsProgramsExecutable) {
    Install inst;
    ExtractorGuard guard(Writes({{"DOCS/old.doc", "new doc"},
                                 {"docs/added.rtf", "added"},
                                 {"VantorBooks", "new program"},
                                 {"locked.txt", "new locked"},
                                 {"deep/er/file.txt", "deep"}}));
    // Windows-form names with a doubled backslash, as the programs join them.
    const auto report = unpack::UnpackArchive(inst.archive, inst.dir.path().string() + "\\\\");
    EXPECT_EQ(report.files, 5u);
    EXPECT_TRUE(report.keptUserFiles.empty());
    EXPECT_EQ(ReadFile(inst.dir / "docs/old.doc"), "new doc");
    EXPECT_EQ(ReadFile(inst.dir / "docs/added.rtf"), "added");
    EXPECT_EQ(ReadFile(inst.dir / "VantorBooks"), "new program");
    EXPECT_EQ(Mode(inst.dir / "VantorBooks") & 0111, 0111u) << "the replaced program must still start";
    EXPECT_EQ(ReadFile(inst.dir / "locked.txt"), "new locked");
    EXPECT_EQ(ReadFile(inst.dir / "deep/er/file.txt"), "deep");
    EXPECT_EQ(Mode(inst.dir / "deep/er/file.txt") & 0111, 0u);  // a new file gets what was extracted
    EXPECT_EQ(ReadFile(inst.dir / "docs.zip"), "stands for an archive");  // the archive stays
    // Only one docs folder, and no scratch folder left behind.
    std::vector<std::string> top;
    for (const auto& e : fs::directory_iterator(inst.dir.path())) top.push_back(e.path().filename().string());
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"Cat", "VantorBooks", "deep", "docs", "docs.zip", "locked.txt",
                                             "options.ini", "skins"}));
}

// The installation was made on a case-insensitive file system, so an update's file may take
// the place of an installed one that differs only in case; but never the place of another file
// of the same update.
TEST(UnpackArchive, FilesThatDifferOnlyInCaseAreAllInstalled) {
    Install inst;
    WriteFile(inst.dir / "README", "old readme");
    WriteFile(inst.dir / "docs/ПРИВЕТ.txt", "old greeting");
    ExtractorGuard guard(Writes({{"readme", "lower"},
                                 {"README", "upper"},
                                 {"docs/привет.txt", "lower greeting"},
                                 {"docs/Привет.txt", "title greeting"},
                                 {"DOCS/OLD.DOC", "new doc"}}));
    const auto report = unpack::UnpackArchive(inst.archive, inst.dir.path().string());
    EXPECT_EQ(report.files, 5u);
    EXPECT_EQ(ReadFile(inst.dir / "README"), "upper");
    EXPECT_EQ(ReadFile(inst.dir / "readme"), "lower");
    // One of the two greetings takes the installed file's place, the other gets its own.
    std::map<std::string, std::string> greetings;
    for (const auto& e : fs::directory_iterator(inst.dir / "docs"))
        if (e.path().extension() == ".txt") greetings[e.path().filename().string()] = ReadFile(e.path());
    EXPECT_EQ(greetings.size(), 2u);
    std::vector<std::string> texts;
    for (const auto& [name, text] : greetings) texts.push_back(text);
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"lower greeting", "title greeting"}));
    // A single case variant still replaces the installed file, in the installed folder.
    EXPECT_EQ(ReadFile(inst.dir / "docs/old.doc"), "new doc");
    EXPECT_FALSE(fs::exists(inst.dir / "DOCS"));
}

TEST(UnpackArchive, InstalledFilesStayReadableAndWritableByTheirOwner) {
    Install inst;
    WriteFile(inst.dir / "lang.txt", "old categories");
    ExtractorGuard guard([](const fs::path&, const fs::path& folder) {
        const std::pair<const char*, mode_t> files[] = {{"lang.txt", 0000}, {"docs/new.doc", 0444}, {"VantorBooks", 0200}};
        for (const auto& [name, mode] : files) {
            WriteFile(folder / name, "new");
            ::chmod((folder / name).c_str(), mode);
        }
    });
    unpack::UnpackArchive(inst.archive, inst.dir.path().string());
    EXPECT_EQ(Mode(inst.dir / "lang.txt"), 0600u);
    EXPECT_EQ(Mode(inst.dir / "docs/new.doc"), 0644u);
    EXPECT_EQ(Mode(inst.dir / "VantorBooks"), 0711u);  // and the program still starts
    EXPECT_EQ(ReadFile(inst.dir / "lang.txt"), "new");
}

TEST(UnpackArchive, KeepsWhatTheUserWroteAndInstallsWhatIsMissing) {
    struct Case {
        const char* path;
        bool user;
    };
    const Case cases[] = {
        {"options.ini", true},
        {"OPTIONS.INI", true},
        {"skins/skin_select.txt", true},
        {"skins\\Skin_Select.TXT", true},
        {"Фантастика/Звёздные миры/Первая экспедиция/Books/_have.txt", true},
        {"Cat\\List\\Sub\\BOOKS\\_HAVE.txt", true},
        {"Books/_have.txt", true},
        {"skins/skins.txt", false},
        {"skins/Classic/skin_select.txt", false},
        {"Cat/options.ini", false},
        {"Cat/List/Sub/Books/Чёрный флаг.txt", false},
        {"Cat/List/Sub/Files/_have.txt", false},
        {"_have.txt", false},
    };
    for (const auto& c : cases) EXPECT_EQ(unpack::IsUserFile(c.path), c.user) << c.path;

    Install inst;
    ExtractorGuard guard(Writes({{"options.ini", "[Window]\r\nHeight=500\r\n"},
                                 {"skins/skin_select.txt", "Classic\r\n"},
                                 {"skins/skins.txt", "Classic\r\n"},
                                 {"cat/list/sub/books/_HAVE.txt", "Somebody else's book\r\n"},
                                 {"Cat/List/Sub/Books/Новая книга.txt", "data"},
                                 {"Cat/List/New/Books/_have.txt", "not the user's either\r\n"}}));
    const auto report = unpack::UnpackArchive(inst.archive, inst.dir.path().string());
    EXPECT_EQ(ReadFile(inst.dir / "options.ini"), "[Window]\r\nHeight=640\r\n");
    EXPECT_EQ(ReadFile(inst.dir / "skins/skin_select.txt"), "Mine\r\n");
    EXPECT_EQ(ReadFile(inst.dir / "Cat/List/Sub/Books/_have.txt"), "My book\r\n");
    // A list of owned books for a sub-list that had none yet comes with the update.
    EXPECT_EQ(ReadFile(inst.dir / "Cat/List/New/Books/_have.txt"), "not the user's either\r\n");
    EXPECT_EQ(ReadFile(inst.dir / "skins/skins.txt"), "Classic\r\n");
    EXPECT_EQ(ReadFile(inst.dir / "Cat/List/Sub/Books/Новая книга.txt"), "data");
    EXPECT_EQ(report.files, 3u);
    EXPECT_EQ(report.keptUserFiles.size(), 3u);

    // Into an installation without the user's files yet, they are installed.
    TempDir fresh;
    WriteFile(fresh / "docs.zip", "stands for an archive");
    unpack::UnpackArchive((fresh / "docs.zip").string(), fresh.path().string());
    EXPECT_EQ(ReadFile(fresh / "options.ini"), "[Window]\r\nHeight=500\r\n");
    EXPECT_EQ(ReadFile(fresh / "skins/skin_select.txt"), "Classic\r\n");
}

TEST(UnpackArchive, AFailedUnpackLeavesTheInstallationAsItWas) {
    struct Case {
        const char* name;
        unpack::Extractor extractor;  // nullptr: the build's own extraction
        bool archivePresent;
        const char* reason;
    };
    const Case cases[] = {
        {"extraction fails after some items",
         [](const fs::path&, const fs::path& folder) {
             WriteFile(folder / "docs/old.doc", "half of the new doc");
             WriteFile(folder / "VantorBooks", "new program");
             throw std::runtime_error("Invalid size or check sum of file");
         },
         true, "Invalid size or check sum of file"},
        {"archive missing", Writes({{"docs/old.doc", "new"}}), false, "does not exist"},
        {"archive holds no files",
         [](const fs::path&, const fs::path& folder) { fs::create_directories(folder / "empty"); }, true,
         "holds no files"},
        {"an item is a link",
         [](const fs::path&, const fs::path& folder) {
             WriteFile(folder / "docs/old.doc", "new");
             fs::create_symlink("/etc/passwd", folder / "docs/link.doc");
         },
         true, "neither a file nor a folder"},
        {"a file where the installation has a folder", Writes({{"VantorBooks", "new"}, {"docs", "a file"}}), true,
         "a folder in the installation"},
        {"a folder where the installation has a file", Writes({{"docs/old.doc", "new"}, {"locked.txt/x", "x"}}),
         true, "a file in the installation"},
        {"two files of one name in folders that differ only in case",
         Writes({{"Docs/a.doc", "one"}, {"DOCS/a.doc", "two"}}), true, "two files that would both be"},
        {"not an archive, for the archive library", nullptr, true, "It is damaged or cut short."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install inst;
        if (!c.archivePresent) fs::remove(inst.archive);
        const auto before = Snapshot(inst.dir.path());
        ExtractorGuard guard(c.extractor);
        const std::string what = unpacktest::UnpackFailure(inst.archive, inst.dir.path().string());
        EXPECT_NE(what.find("docs.zip"), std::string::npos) << what;
        EXPECT_NE(what.find(c.reason), std::string::npos) << what;
        EXPECT_EQ(Snapshot(inst.dir.path()), before);
    }
}

TEST(UnpackArchive, ArchivesMadeByAnotherToolComeOutByteIdentical) {
    TempDir src;
    WriteFile(src / "docs/Кольца Сатурна.doc", std::string(70000, 'k') + "end");
    WriteFile(src / "Фантастика/Звёздные миры.txt", "Первая экспедиция\r\n");
    WriteFile(src / "empty.txt", "");
    const std::pair<const char*, unpack::Extractor> extractions[] = {{"archive library", nullptr},
                                                                     {"unzip tool", testsupport::UnzipExtract}};
    for (const auto& [name, extractor] : extractions) {
        SCOPED_TRACE(name);
        Install inst;
        testsupport::MakeZip(src.path(), inst.dir / "updatebase.zip");
        ExtractorGuard guard(extractor);
        unpack::UnpackArchive((inst.dir / "updatebase.zip").string(), inst.dir.path().string());
        for (const char* rel : {"docs/Кольца Сатурна.doc", "Фантастика/Звёздные миры.txt", "empty.txt"})
            EXPECT_EQ(ReadFile(inst.dir / rel), ReadFile(src / rel)) << rel;
        EXPECT_EQ(ReadFile(inst.dir / "docs/old.doc"), "old doc");  // files not in the archive stay

        // A truncated copy is refused and changes nothing.
        const std::string whole = ReadFile(inst.dir / "updatebase.zip");
        WriteFile(inst.dir / "cut.zip", whole.substr(0, whole.size() / 2));
        const auto before = Snapshot(inst.dir.path());
        EXPECT_THROW(unpack::UnpackArchive((inst.dir / "cut.zip").string(), inst.dir.path().string()),
                     unpack::UnpackError);
        EXPECT_EQ(Snapshot(inst.dir.path()), before);
    }
}

TEST(CheckArchive, FindsWhatTheUnpackWouldFindAndWritesNothing) {
    struct Case {
        const char* name;
        unpack::Extractor extractor;
        const char* reason;  // nullptr: it would unpack
    };
    const Case cases[] = {
        {"a good program update", Writes({{"VantorBooks", "new"}, {"autoupdatevnbooks/VantorBooksUpdate", "new"}}),
         nullptr},
        {"an item fails its check",
         [](const fs::path&, const fs::path& folder) {
             WriteFile(folder / "VantorBooks", "new");
             throw std::runtime_error("bad CRC");
         },
         "bad CRC"},
        {"a file where the installation has a folder", Writes({{"VantorBooks", "new"}, {"Docs", "a file"}}),
         "a folder in the installation"},
        {"a folder where the installation has a file", Writes({{"vantorbooks/x", "x"}}), "a file in the installation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install inst;
        const auto before = Snapshot(inst.dir.path());
        ExtractorGuard guard(c.extractor);
        if (!c.reason) {
            EXPECT_NO_THROW(unpack::CheckArchive(inst.archive, inst.dir.path().string()));
        } else {
            try {
                unpack::CheckArchive(inst.archive, inst.dir.path().string());
                ADD_FAILURE() << "no error";
            } catch (const unpack::UnpackError& e) {
                EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
            }
        }
        EXPECT_EQ(Snapshot(inst.dir.path()), before);
    }
}

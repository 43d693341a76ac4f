// Guards the archiver component: the values both classes start with (the derived one's own
// compression method included), its property rules, the open modes and errors of opening, that
// closing leaves a new archive valid, the in-memory switch, and that neither a failed open nor an
// event of a running open can leave the archive half released.
#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "archive/ArchiveChanges.h"
#include "directory/TZADirManager.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

using namespace ziplib;
using namespace ziptest;

namespace {

int OpenFileCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

template <class F>
EZAException CatchZA(F&& f) {
    try {
        f();
    } catch (const EZAException& e) {
        return e;
    }
    ADD_FAILURE() << "no EZAException";
    return EZAException(0);
}

class ArchiverFiles : public testing::Test {
protected:
    std::u16string Make(const std::string& name, const Bytes& bytes) {
        WriteBytes(dir / name, bytes);
        return WinName(dir / name);
    }
    testsupport::TempDir dir;
};

}  // namespace

TEST(TZipArchiver, StartsWithThePublishedValues) {
    TZipArchiver zip;
    TZABaseArchiver base;
    for (TZABaseArchiver* a : {static_cast<TZABaseArchiver*>(&zip), &base}) {
        SCOPED_TRACE(a == &zip ? "TZipArchiver" : "TZABaseArchiver");
        EXPECT_FALSE(a->ExtractCorruptedFiles);
        EXPECT_EQ(a->CompressionLevel(), TZACompressionLevel::clFastest);
        EXPECT_EQ(a->CompressionMode(), 1);
        EXPECT_EQ(a->CurrentVersion(), u"5.01 ");
        EXPECT_EQ(a->Password(), "");
        EXPECT_TRUE(a->FileName.empty() && a->BaseDir.empty() && a->TempDir.empty() && a->SFXStub.empty());
        EXPECT_EQ(a->SpanningMode(), TZASpanningMode::smNone);
        EXPECT_FALSE(a->SpanningOptions.AdvancedNaming);
        EXPECT_EQ(a->SpanningOptions.FirstVolumeSize, 0);
        EXPECT_EQ(a->SpanningOptions.VolumeSize, TZAVolumeSize::vsAutoDetect);
        EXPECT_EQ(a->SpanningOptions.CustomVolumeSize(), 0);
        EXPECT_EQ(a->Options, TZAOptions{});
        EXPECT_EQ(a->Options.StorePath, TZAStorePathMode::spRelativePath);
        EXPECT_EQ(a->Options.OverwriteMode, TZAOverwriteMode::omAlways);
        EXPECT_EQ(a->Options.SearchAttr, 10431);
        EXPECT_TRUE(a->Options.Recurse && a->Options.CreateDirs && a->Options.ReplaceReadOnly &&
                    a->Options.SetAttributes && a->Options.FlushBuffers && a->Options.OEMFileNames);
        EXPECT_EQ(a->FileMasks().Count() + a->ExclusionMasks().Count() + a->NoCompressionMasks().Count(), 0);
        EXPECT_FALSE(a->InMemory());
        EXPECT_TRUE(a->UnicodeFilenames);
        EXPECT_EQ(a->EncryptionMethod, TZACryptoAlgorithm::caPkzipClassic);
        EXPECT_TRUE(a->AssumeEndRecordFound);
        EXPECT_FALSE(a->IsOpen());
        EXPECT_FALSE(a->InUpdate());
        EXPECT_EQ(a->CurrentVolume().Number, -1);
        EXPECT_EQ(a->ArchiveStream(), nullptr);
        EXPECT_EQ(a->DirManager(), nullptr);
    }
    // What the derived class fixes once it is constructed: a virtual call from the base
    // constructor reached only the base's method.
    EXPECT_EQ(zip.CompressionMethod(), kMethodDeflate);
    EXPECT_EQ(base.CompressionMethod(), 0xFFFF);
    EXPECT_EQ(zip.SignatureFamily, 1);
    EXPECT_EQ(base.SignatureFamily, 0);
    EXPECT_EQ(zip.Zip64Mode, TZip64Mode::zmDisabled);
    EXPECT_EQ(base.Zip64Mode, TZip64Mode::zmAuto);
}

TEST(TZipArchiver, CompressionModeAndLevelNameOneSetting) {
    struct Case {
        const char* name;
        std::optional<TZACompressionLevel> level;
        int mode;
        TZACompressionLevel wantLevel;
        int wantMode;
        uint16_t wantMethod;
    };
    const Case cases[] = {
        {"level normal", TZACompressionLevel::clNormal, -1, TZACompressionLevel::clNormal, 6, kMethodDeflate},
        {"level max", TZACompressionLevel::clMax, -1, TZACompressionLevel::clMax, 9, kMethodDeflate},
        {"level none stores", TZACompressionLevel::clNone, -1, TZACompressionLevel::clNone, 0, kMethodStored},
        {"mode 4", std::nullopt, 4, TZACompressionLevel::clNormal, 4, kMethodDeflate},
        {"mode 0 stores", std::nullopt, 0, TZACompressionLevel::clNone, 0, kMethodStored},
        {"mode 9", std::nullopt, 9, TZACompressionLevel::clMax, 9, kMethodDeflate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TZipArchiver a;
        if (c.level) a.SetCompressionLevel(*c.level);
        else a.SetCompressionMode(c.mode);
        EXPECT_EQ(a.CompressionLevel(), c.wantLevel);
        EXPECT_EQ(a.CompressionMode(), c.wantMode);
        EXPECT_EQ(a.CompressionMethod(), c.wantMethod);
    }

    for (int bad : {10, 255, -1}) {
        SCOPED_TRACE(bad);
        TZipArchiver a;
        a.Name = "ZipArchiver1";
        a.SetCompressionMode(4);
        const auto e = CatchZA([&] { a.SetCompressionMode(bad); });
        EXPECT_EQ(e.NativeError(), 5);
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_STREQ(e.what(), "ZipArchiver1: Invalid compression mode. Mode must be in [0-9] range - Native error: 00005");
        EXPECT_EQ(a.CompressionMode(), 4);
        EXPECT_EQ(a.CompressionLevel(), TZACompressionLevel::clNormal);
    }
}

TEST(TZipArchiver, VersionPasswordAndSpanningModeRules) {
    TZipArchiver a;
    a.SetCurrentVersion(u"9.99");
    EXPECT_EQ(a.CurrentVersion(), u"5.01 ");

    // A first password brings back traditional encryption; a later change keeps the method.
    a.EncryptionMethod = TZACryptoAlgorithm::caAES_256;
    a.SetPassword("secret");
    EXPECT_EQ(a.EncryptionMethod, TZACryptoAlgorithm::caPkzipClassic);
    a.EncryptionMethod = TZACryptoAlgorithm::caAES_128;
    a.SetPassword("other");
    EXPECT_EQ(a.EncryptionMethod, TZACryptoAlgorithm::caAES_128);
    EXPECT_EQ(a.Password(), "other");

    TZABaseArchiver base;
    base.EncryptionMethod = TZACryptoAlgorithm::caAES_192;
    base.SetPassword("x");
    EXPECT_EQ(base.EncryptionMethod, TZACryptoAlgorithm::caAES_192);

    testsupport::TempDir dir;
    a.FileName = WinName(dir / "new.zip");
    a.SetSpanningMode(TZASpanningMode::smSplitting);
    a.SetSpanningMode(TZASpanningMode::smNone);
    a.OpenArchive();
    try {
        a.SetSpanningMode(TZASpanningMode::smSpanning);
        ADD_FAILURE() << "changed while open";
    } catch (const EZAException&) {
        ADD_FAILURE() << "not a plain error";
    } catch (const EArchiverError& e) {
        EXPECT_STREQ(e.what(), "Cannot set spanning mode on open archive");
    }
    EXPECT_EQ(a.SpanningMode(), TZASpanningMode::smNone);
    a.CloseArchive();
    a.SetSpanningMode(TZASpanningMode::smSplitting);
    EXPECT_EQ(a.SpanningMode(), TZASpanningMode::smSplitting);
}

TEST_F(ArchiverFiles, AMissingFileBecomesAnEmptyArchiveOfTwentyTwoBytes) {
    TZipArchiver a;
    a.FileName = WinName(dir / "fresh.zip");
    int opened = 0;
    a.AfterOpen = [&](TZABaseArchiver& sender) {
        EXPECT_EQ(&sender, &a);
        EXPECT_TRUE(sender.IsOpen());
        ++opened;
    };
    a.OpenArchive();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(a.OpenMode(), 0xFFFF);
    EXPECT_TRUE(a.IsOpen());
    EXPECT_EQ(a.DirManager()->Items.Count(), 0);
    a.CloseArchive();
    a.CloseArchive();  // twice is harmless
    EXPECT_FALSE(a.IsOpen());
    const Bytes file = LoadBytes(dir / "fresh.zip");
    ASSERT_EQ(file.size(), 22u);
    const auto end = EndRecord::Parse(file);
    EXPECT_EQ(end->signature, kEndRecordSignature);
    EXPECT_EQ(end->totalEntries, 0);
    EXPECT_EQ(end->directoryOffset, 0u);

    // It opens again as an existing archive, writable, with no items, and closing writes nothing.
    a.OpenArchive();
    EXPECT_EQ(a.OpenMode(), TZABaseArchiver::kModeReadWrite);
    EXPECT_EQ(a.DirManager()->Items.Count(), 0);
    a.CloseArchive();
    EXPECT_EQ(LoadBytes(dir / "fresh.zip"), file);
}

TEST_F(ArchiverFiles, ReadOnlyFilesOpenReadOnlyAndAreRead) {
    const auto name = Make("ro.zip", BuildZip({{.name = "a.txt", .data = "alpha"}, {.name = "b.txt", .data = "bb"}}));
    ::chmod((dir / "ro.zip").c_str(), 0444);
    TZipArchiver a;
    a.FileName = name;
    a.OpenArchive();
    EXPECT_EQ(a.OpenMode(), TZABaseArchiver::kModeReadOnly);
    ASSERT_EQ(a.DirManager()->Items.Count(), 2);
    EXPECT_EQ(a.DirManager()->Items.ItemPtr(1)->Name, u"b.txt");
    a.CloseArchive();
    ::chmod((dir / "ro.zip").c_str(), 0644);
    a.OpenArchive();
    EXPECT_EQ(a.OpenMode(), TZABaseArchiver::kModeReadWrite);
}

TEST_F(ArchiverFiles, OpeningErrorsNameTheirCause) {
    struct Case {
        const char* name;
        std::u16string fileName;
        bool withMode;
        bool inMemory;
        int32_t code;
        std::string message;
    };
    const std::u16string missing = WinName(dir / "missing.zip");
    const std::u16string existing = Make("here.zip", BuildZip({{.name = "a", .data = "x"}}));
    const std::string missingText = platform::Utf16ToUtf8(missing);
    const Case cases[] = {
        {"blank name", u"", false, false, 9, "ZipArchiver1: File name is blank. Specify appropriate file name - Native error: 00009"},
        {"folder only", u"C:\\data\\", false, false, 9, ""},
        {"blank name with a mode", u"", true, false, 10, ""},
        {"missing with a mode", missing, true, false, 12,
         "ZipArchiver1: File \"" + missingText + "\" not found - Native error: 00012"},
        {"in memory with a mode", existing, true, true, 28, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TZipArchiver a;
        a.Name = "ZipArchiver1";
        a.FileName = c.fileName;
        a.SetInMemory(c.inMemory);
        const auto e = CatchZA([&] {
            if (c.withMode) a.OpenArchive(TZABaseArchiver::kModeReadWrite);
            else a.OpenArchive();
        });
        EXPECT_EQ(e.NativeError(), c.code);
        if (!c.message.empty()) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_FALSE(a.IsOpen());
    }
    EXPECT_FALSE(WideFileExists(missing));
}

TEST_F(ArchiverFiles, AFailedOpenReleasesTheFileAtOnce) {
    const auto name = Make("garbage.zip", Bytes(5000, 0x5A));
    TZipArchiver a;
    a.FileName = name;
    const int before = OpenFileCount();
    const auto e = CatchZA([&] { a.OpenArchive(); });
    EXPECT_EQ(e.NativeError(), ZAError::InvalidArchive);
    EXPECT_EQ(OpenFileCount(), before);
    EXPECT_FALSE(a.IsOpen());
    EXPECT_EQ(a.ArchiveStream(), nullptr);
    EXPECT_EQ(a.DirManager(), nullptr);

    // The archiver is usable again straight away.
    a.FileName = Make("good.zip", BuildZip({{.name = "a", .data = "x"}}));
    a.OpenArchive();
    EXPECT_EQ(a.DirManager()->Items.Count(), 1);
}

TEST_F(ArchiverFiles, InMemoryArchivesAreNewAndCanMoveToAFile) {
    TZipArchiver a;
    a.Name = "ZipArchiver1";
    a.SetInMemory(true);
    a.OpenArchive();
    EXPECT_EQ(a.OpenMode(), 0xFFFF);
    EXPECT_NE(dynamic_cast<TMemoryStream*>(a.ArchiveStream()), nullptr);

    // No file name to move to.
    EXPECT_EQ(CatchZA([&] { a.SetInMemory(false); }).NativeError(), ZAError::InMemoryBlankFileName);
    EXPECT_TRUE(a.InMemory());

    // Moved to a file, a new archive arrives whole and is opened from there.
    a.FileName = WinName(dir / "moved.zip");
    a.SetInMemory(false);
    EXPECT_FALSE(a.InMemory());
    EXPECT_TRUE(a.IsOpen());
    EXPECT_EQ(a.OpenMode(), TZABaseArchiver::kModeReadWrite);
    EXPECT_EQ(LoadBytes(dir / "moved.zip").size(), 22u);

    // Back into memory: a new, empty archive; the file stays as it was.
    const auto existing = Make("items.zip", BuildZip({{.name = "a", .data = "x"}}));
    a.FileName = existing;
    a.OpenArchive();
    EXPECT_EQ(a.DirManager()->Items.Count(), 1);
    a.SetInMemory(true);
    EXPECT_TRUE(a.IsOpen());
    EXPECT_EQ(a.DirManager()->Items.Count(), 0);
    a.CloseArchive();
    EXPECT_EQ(LoadBytes(dir / "items.zip"), BuildZip({{.name = "a", .data = "x"}}));

    // Closed, the switch only stores the value.
    TZipArchiver closed;
    closed.SetInMemory(true);
    EXPECT_TRUE(closed.InMemory());
    EXPECT_FALSE(closed.IsOpen());
}

TEST_F(ArchiverFiles, ItsOwnEventsCannotCloseOrReopenARunningOpen) {
    // A split archive whose directory starts on its first volume: opening it asks for that volume
    // while the directory is being read.
    const Bytes whole = BuildZip({{.name = "one.txt", .data = "1111"}, {.name = "two.txt", .data = "22"}});
    const auto end = EndRecord::Parse(std::span(whole).last(22));
    Bytes first(whole.begin(), whole.begin() + static_cast<long>(whole.size()) - 22);
    Bytes last(whole.end() - 22, whole.end());
    Put16(last, 4, 1);  // the end record lives on disk 1 of 0..1; the directory on disk 0
    Put16(last, 6, 0);
    Put32(last, 16, end->directoryOffset);
    WriteBytes(dir / "set.z01", first);
    WriteBytes(dir / "set.zip", last);

    TZipArchiver a;
    a.Name = "ZipArchiver1";
    a.FileName = WinName(dir / "set.zip");
    std::vector<std::string> refused;
    a.OnRequestFirstVolume = [&](TZABaseArchiver& sender, std::u16string& volume, bool& cancel) {
        for (auto step : {+[](TZABaseArchiver& s) { s.CloseArchive(); }, +[](TZABaseArchiver& s) { s.OpenArchive(); },
                          +[](TZABaseArchiver& s) { s.SetInMemory(true); }}) {
            try {
                step(sender);
            } catch (const EArchiverBusy& e) {
                refused.push_back(e.what());
            }
        }
        cancel = !WideFileExists(volume);
    };
    a.OpenArchive();
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0], "ZipArchiver1: Cannot close the archive while an operation on it is running");
    EXPECT_EQ(a.SpanningMode(), TZASpanningMode::smSplitting);
    ASSERT_EQ(a.DirManager()->Items.Count(), 2);
    EXPECT_EQ(a.DirManager()->Items.ItemPtr(1)->Name, u"two.txt");
    EXPECT_FALSE(a.InMemory());

    // Once the open is over, its events may close the archive: AfterOpen runs after it.
    a.AfterOpen = [](TZABaseArchiver& sender) { sender.CloseArchive(); };
    a.OnRequestFirstVolume = nullptr;
    a.OpenArchive();
    EXPECT_FALSE(a.IsOpen());
}

TEST_F(ArchiverFiles, APromptOfARunningOpenCannotCloseIt) {
    // The end record says disk 1 and no volume file exists: taken for a disk set, so opening asks
    // for the disk with the directory.
    Bytes b = BuildZip({{.name = "a", .data = "x"}});
    Put16(b, b.size() - 22 + 4, 1);
    Put16(b, b.size() - 22 + 6, 0);
    TZipArchiver a;
    a.FileName = Make("disk.zip", b);
    ScriptedPrompter prompter;
    std::string refused;
    prompter.whileAsking = [&] {
        try {
            a.CloseArchive();
        } catch (const EArchiverBusy& e) {
            refused = e.what();
        }
    };
    prompter.answers = {TZAModalResult::mrCancel};
    a.Prompter = &prompter;
    const int before = OpenFileCount();
    EXPECT_EQ(CatchZA([&] { a.OpenArchive(); }).NativeError(), ZAError::VolumeOpenAborted);
    EXPECT_EQ(refused, "Cannot close the archive while an operation on it is running");
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "Please insert the first disk");
    EXPECT_EQ(OpenFileCount(), before);
    EXPECT_FALSE(a.IsOpen());
}

TEST(TZipArchiver, LocksAreSharedAndReentrant) {
    TZABaseArchiver::LockArchivers();
    TZABaseArchiver::LockArchivers();
    TZABaseArchiver::UnlockArchivers();
    TZABaseArchiver::UnlockArchivers();
    TZipArchiver a;
    EXPECT_THROW(a.CheckArchiveOpen(), EZAException);
    a.SetInMemory(true);
    a.OpenArchive();
    ArchiveChanges::Begin(a);
    try {
        a.CheckNotInUpdate();
        ADD_FAILURE();
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), 26);
    }
}

// Guards the volumes of split and spanned archives: the volume bookkeeping and size limits, the
// names of volumes in every mode, which volume is asked for and opened (also when the files'
// case differs), the open-time detection of a volume set, and that a missing or refused volume
// ends the open with a clear error instead of a hang or the wrong volume.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "directory/TZADirManager.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

using namespace ziplib;
using namespace ziptest;

namespace {

int32_t OpenError(TZABaseArchiver& a) {
    try {
        a.OpenArchive();
    } catch (const EZAException& e) {
        EXPECT_FALSE(a.IsOpen());
        EXPECT_EQ(a.ArchiveStream(), nullptr);
        return e.NativeError();
    }
    return -1;
}

TZAVolumeNumberInfo Numbered(int32_t n, int32_t last = -1) {
    TZAVolumeNumberInfo v;
    v.LastNumber = last;
    v.SetNumber(n);
    return v;
}

// A one-file archive whose end record says it is the last of `disks` volumes, with the directory
// on that last one.
Bytes LastVolumeOf(int disks) {
    Bytes b = BuildZip({{.name = "x.txt", .data = "xx"}});
    Put16(b, b.size() - 22 + 4, static_cast<uint16_t>(disks - 1));
    Put16(b, b.size() - 22 + 6, static_cast<uint16_t>(disks - 1));
    return b;
}

}  // namespace

TEST(TZAVolumeNumberInfo, KindsNumbersAndSameVolume) {
    TZAVolumeNumberInfo v;
    EXPECT_EQ(v.GetKind(), TZAVolumeNumberInfo::Kind::Unknown);
    EXPECT_EQ(v.Number, -1);
    EXPECT_FALSE(v.IsFirst() || v.IsLast());
    v.SetLast();
    EXPECT_TRUE(v.IsLast());  // by its kind while the last number is unknown
    v.LastNumber = 4;
    v.SetLast();
    EXPECT_EQ(v.Number, 4);
    v.SetNumber(4);
    EXPECT_TRUE(v.IsLast());  // by its number once it is known
    v.SetFirst();
    EXPECT_TRUE(v.IsFirst());
    EXPECT_FALSE(v.IsLast());

    TZAVolumeNumberInfo lastUnknown;
    lastUnknown.SetLast();
    TZAVolumeNumberInfo first;
    first.SetFirst();
    TZAVolumeNumberInfo unknown;
    struct Case {
        const char* name;
        TZAVolumeNumberInfo a, b;
        bool same;
    };
    const Case cases[] = {
        {"last and the last by number", lastUnknown, Numbered(3, 3), true},
        {"last and another number", lastUnknown, Numbered(2, 3), false},
        {"first and number 0", first, Numbered(0), true},
        {"first and number 1", first, Numbered(1), false},
        {"two unknown", unknown, unknown, true},
        {"unknown and numbered", unknown, Numbered(1), false},
        {"same numbers", Numbered(2, 5), Numbered(2, 5), true},
        {"other numbers", Numbered(2, 5), Numbered(3, 5), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TZAVolumeNumberInfo::SameVolume(c.a, c.b), c.same);
    }
}

TEST(TZASpanningOptions, SizeLimitsByVolume) {
    TZASpanningOptions o;
    for (auto [set, want] : {std::pair<int64_t, int64_t>{1000, 65536}, {-5, 65536}, {65536, 65536}, {70000, 70000}}) {
        o.SetCustomVolumeSize(set);
        EXPECT_EQ(o.CustomVolumeSize(), want) << set;
    }
    struct Case {
        TZAVolumeSize size;
        int64_t want;
    };
    const Case cases[] = {{TZAVolumeSize::vsAutoDetect, -1},     {TZAVolumeSize::vsCustom, 70000},
                          {TZAVolumeSize::vs1_44MB, 1457664},    {TZAVolumeSize::vs100MB, 104857600},
                          {TZAVolumeSize::vs200MB, 209715200},   {TZAVolumeSize::vs250MB, 262144000},
                          {TZAVolumeSize::vs600MB, 629145600},   {TZAVolumeSize::vs650MB, 681574400},
                          {TZAVolumeSize::vs700MB, 734003200},   {TZAVolumeSize::vs4700MB, 4928307200}};
    for (const auto& c : cases) {
        o.VolumeSize = c.size;
        EXPECT_EQ(o.GetVolumeSize(Numbered(3)), c.want);
    }
    // A first volume of its own size; every later one by the general limit.
    o.VolumeSize = TZAVolumeSize::vs1_44MB;
    o.FirstVolumeSize = 500000;
    EXPECT_EQ(o.GetVolumeSize(Numbered(0)), 500000);
    EXPECT_EQ(o.GetVolumeSize(Numbered(1)), 1457664);
    TZASpanningOptions copy;
    copy.Assign(o);
    EXPECT_EQ(copy.GetVolumeSize(Numbered(0)), 500000);
    EXPECT_EQ(copy.CustomVolumeSize(), 70000);
}

TEST(VolumeNames, ByModeNamingAndStub) {
    struct Case {
        const char* name;
        TZASpanningMode mode;
        bool advanced;
        std::u16string stub;
        std::u16string file;
        int32_t n;
        std::u16string want;
    };
    const std::u16string d = u"C:\\arc\\";
    const Case cases[] = {
        {"one file never changes", TZASpanningMode::smNone, false, u"", d + u"data.zip", 3, d + u"data.zip"},
        {"one file, last", TZASpanningMode::smNone, true, u"", d + u"data.zip", -1, d + u"data.zip"},
        {"split, first", TZASpanningMode::smSplitting, false, u"", d + u"data.zip", 0, d + u"data.z01"},
        {"split, first, in the case of the extension", TZASpanningMode::smSplitting, false, u"", d + u"DATA.ZIP", 0,
         d + u"DATA.Z01"},
        {"split, first, mixed case is lower", TZASpanningMode::smSplitting, false, u"", d + u"data.Zip", 0,
         d + u"data.z01"},
        {"split, first, no extension", TZASpanningMode::smSplitting, false, u"", d + u"data", 0, d + u"data.Z01"},
        {"split, tenth", TZASpanningMode::smSplitting, false, u"", d + u"data.zip", 9, d + u"data.z10"},
        {"split, last is the archive", TZASpanningMode::smSplitting, false, u"", d + u"data.zip", -1, d + u"data.zip"},
        {"split, numbered naming", TZASpanningMode::smSplitting, true, u"", d + u"data.zip", 1, d + u"data_002.zip"},
        {"split self-extractor, first", TZASpanningMode::smSplitting, false, u"", d + u"setup.exe", 0, d + u"setup.exe"},
        {"split self-extractor, second", TZASpanningMode::smSplitting, false, u"", d + u"setup.exe", 1, d + u"setup.z02"},
        {"split self-extractor, last", TZASpanningMode::smSplitting, false, u"", d + u"setup.exe", -1, d + u"setup.zip"},
        {"split self-extractor, upper case", TZASpanningMode::smSplitting, false, u"", d + u"SETUP.EXE", -1,
         d + u"SETUP.ZIP"},
        {"split with a stub, last is the archive", TZASpanningMode::smSplitting, false, u"C:\\stub.bin",
         d + u"data.zip", -1, d + u"data.zip"},
        {"split with a stub, first", TZASpanningMode::smSplitting, false, u"C:\\stub.bin", d + u"data.zip", 0,
         d + u"data.exe"},
        {"spanned, same name on every disk", TZASpanningMode::smSpanning, false, u"", d + u"data.zip", 4, d + u"data.zip"},
        {"spanned, numbered", TZASpanningMode::smSpanning, true, u"", d + u"data.zip", 4, d + u"data_005.zip"},
        {"spanned self-extractor", TZASpanningMode::smSpanning, true, u"", d + u"setup.exe", 0, d + u"setup_001.exe"},
        {"spanned with a stub takes .exe", TZASpanningMode::smSpanning, false, u"C:\\stub.bin", d + u"data.zip", 2,
         d + u"data.exe"},
        {"spanned, last", TZASpanningMode::smSpanning, true, u"", d + u"data.zip", -1, d + u"data.zip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TZipArchiver a;
        a.SetSpanningMode(c.mode);
        a.SpanningOptions.AdvancedNaming = c.advanced;
        a.SFXStub = c.stub;
        std::u16string name = c.file;
        a.GetVolumeFileName(name, c.n, false);
        EXPECT_EQ(name, c.want);
    }

    // The base class's method (0xFFFF, 252 and above) selects the other extensions.
    TZABaseArchiver base;
    base.SetSpanningMode(TZASpanningMode::smSplitting);
    std::u16string name = d + u"data.zip";
    base.GetVolumeFileName(name, 0, false);
    EXPECT_EQ(name, d + u"data.f01");
    name = d + u"setup.exe";
    base.GetVolumeFileName(name, -1, false);
    EXPECT_EQ(name, d + u"setup.zf");

    for (auto [file, sfx] : {std::pair<std::u16string, bool>{u"a.exe", true}, {u"A.EXE", true}, {u"a.exe1", true},
                             {u"a.zip", false}, {u"exe", false}, {u"a.exe\\b.zip", false}})
        EXPECT_EQ(TZABaseArchiver::IsSfxName(file), sfx) << platform::Utf16ToUtf8(file);
}

TEST(VolumeNames, SpannedNamesFallBackToTheNamingThatExists) {
    testsupport::TempDir dir;
    TZipArchiver a;
    a.SetSpanningMode(TZASpanningMode::smSpanning);
    const std::u16string file = WinName(dir / "data.zip");
    std::u16string name = file;
    a.GetVolumeFileName(name, 1, true);
    EXPECT_EQ(name, file);  // neither exists: the preferred one stays
    WriteBytes(dir / "DATA_002.ZIP", Bytes{1});
    name = file;
    a.GetVolumeFileName(name, 1, true);
    EXPECT_EQ(name, WinName(dir / "data_002.zip"));
    name = file;
    a.GetVolumeFileName(name, 1, false);
    EXPECT_EQ(name, file);
}

class SplitArchives : public testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
    }
    testsupport::TempDir dir;
};

TEST_F(SplitArchives, ZipVolumesOpenWithTheirNamesInAnyCase) {
    testsupport::ExpectShell(dir.path(),
                             "head -c 150000 /dev/urandom > big.bin && printf 'small' > small.txt && "
                             "zip -q -s 64k data.zip big.bin small.txt");
    ASSERT_TRUE(std::filesystem::exists(dir / "data.z02"));
    // The first volume in the other case: both spellings are read.
    std::filesystem::rename(dir / "data.z01", dir / "data.Z01");
    TZipArchiver a;
    a.FileName = WinName(dir / "data.zip");
    a.OpenArchive();
    EXPECT_EQ(a.SpanningMode(), TZASpanningMode::smSplitting);
    ASSERT_EQ(a.DirManager()->Items.Count(), 2);
    EXPECT_EQ(a.DirManager()->Items.ItemPtr(0)->Name, u"big.bin");
    EXPECT_EQ(a.DirManager()->Items.ItemPtr(0)->Header.uncompressedSize, 150000u);
    EXPECT_EQ(a.DirManager()->Items.ItemPtr(1)->Name, u"small.txt");
    EXPECT_EQ(a.DirManager()->Items.ItemPtr(1)->Header.startDisk, 2);
    EXPECT_EQ(a.CurrentVolume().Number, -1);  // still on the last volume

    // Volumes asked for by number, under our names, which find the files in either case.
    a.OpenVolume(Numbered(0, 2));
    EXPECT_EQ(a.VolumeFileName(), WinName(dir / "data.z01"));
    EXPECT_EQ(a.ArchiveStream()->Size(), static_cast<int64_t>(std::filesystem::file_size(dir / "data.Z01")));
    a.OpenVolume(Numbered(1, 2));
    EXPECT_EQ(a.VolumeFileName(), WinName(dir / "data.z02"));
    // The last one by its number is the archive itself, not a .Z03.
    a.OpenVolume(Numbered(2, 2));
    EXPECT_EQ(a.VolumeFileName(), WinName(dir / "data.zip"));
    EXPECT_EQ(a.DirManager()->Stream, a.ArchiveStream());
    EXPECT_EQ(a.ArchiveStream()->Size(), static_cast<int64_t>(std::filesystem::file_size(dir / "data.zip")));

    // A handler that names no volume refuses it: the archive does not go on with another one.
    a.OnRequestFirstVolume = [](TZABaseArchiver&, std::u16string& v, bool&) { v.clear(); };
    try {
        a.OpenVolume(Numbered(0, 2));
        ADD_FAILURE() << "went on without a volume";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), ZAError::VolumeOpenAborted);
    }
    EXPECT_EQ(a.VolumeFileName(), WinName(dir / "data.zip"));
    a.OnRequestFirstVolume = nullptr;
    a.CloseArchive();

    // A missing middle volume ends the request with its error; no other volume is taken for it.
    std::filesystem::remove(dir / "data.z02");
    a.OpenArchive();  // the directory is on the last volume, so the archive still opens
    try {
        a.OpenVolume(Numbered(1, 2));
        ADD_FAILURE() << "opened a missing volume";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), ZAError::VolumeOpenAborted);
    }
    EXPECT_EQ(a.VolumeFileName(), WinName(dir / "data.zip"));

}

TEST_F(SplitArchives, ADirectoryAcrossVolumesIsReadWhole) {
    testsupport::ExpectShell(dir.path(),
                             "mkdir many && for i in $(seq 1 900); do "
                             "echo $i > many/file_with_a_rather_long_name_number_$i.txt; done && "
                             "zip -q -r -s 64k m.zip many");
    ASSERT_TRUE(std::filesystem::exists(dir / "m.z03"));
    TZipArchiver a;
    a.FileName = WinName(dir / "m.zip");
    std::vector<int32_t> middles;
    a.OnRequestMiddleVolume = [&](TZABaseArchiver&, int32_t n, std::u16string& v, bool& cancel) {
        middles.push_back(n);
        cancel = !WideFileExists(v);
    };
    a.OpenArchive();
    EXPECT_EQ(middles, (std::vector<int32_t>{2, 3}));  // the directory starts on the second volume
    ASSERT_EQ(a.DirManager()->Items.Count(), 901);
    EXPECT_EQ(a.DirManager()->Items.Names().IndexOf(u"many/file_with_a_rather_long_name_number_900.txt") >= 0, true);
    EXPECT_EQ(a.VolumeFileName(), WinName(dir / "m.zip"));
}

TEST(VolumeDetection, AnEndRecordOfALaterDiskLooksForItsVolumes) {
    struct Case {
        const char* name;
        std::vector<std::string> files;
        TZASpanningMode mode;
        bool advanced;
    };
    const Case cases[] = {
        {"default naming", {"a.Z02"}, TZASpanningMode::smSplitting, false},
        {"default naming in another case", {"a.z02"}, TZASpanningMode::smSplitting, false},
        {"numbered naming is kept", {"a_002.zip"}, TZASpanningMode::smSplitting, true},
        {"both: the default one wins", {"a.Z02", "a_002.zip"}, TZASpanningMode::smSplitting, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        WriteBytes(dir / "a.zip", LastVolumeOf(3));
        for (const auto& f : c.files) WriteBytes(dir / f, Bytes{0});
        TZipArchiver a;
        a.FileName = WinName(dir / "a.zip");
        a.OpenArchive();
        EXPECT_EQ(a.SpanningMode(), c.mode);
        EXPECT_EQ(a.SpanningOptions.AdvancedNaming, c.advanced);
        EXPECT_EQ(a.DirManager()->Items.Count(), 1);
    }
}

TEST(VolumeDetection, WithoutVolumeFilesItIsADiskSetAndTheDiskIsAskedFor) {
    testsupport::TempDir dir;
    Bytes b = LastVolumeOf(3);
    Put16(b, b.size() - 22 + 6, 0);  // the directory on the first disk
    WriteBytes(dir / "a.zip", b);
    TZipArchiver a;
    a.FileName = WinName(dir / "a.zip");
    ScriptedPrompter prompter;
    prompter.answers = {TZAModalResult::mrCancel};
    a.Prompter = &prompter;
    EXPECT_EQ(OpenError(a), ZAError::VolumeOpenAborted);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].kind, TZAPromptKind::FirstVolume);

    // Without any prompter the question is refused the same way.
    a.Prompter = nullptr;
    EXPECT_EQ(OpenError(a), ZAError::VolumeOpenAborted);
}

TEST(VolumeDetection, ARefusedEndRecordWithAVolumeBesideItEndsTheSearch) {
    // The end record's comment length is wrong, so it is not located; its disk number points to
    // a volume that exists. Probing the same file again would find the same nothing forever.
    testsupport::TempDir dir;
    Bytes b = LastVolumeOf(2);
    Put16(b, b.size() - 2, 5);
    WriteBytes(dir / "a.zip", b);
    WriteBytes(dir / "a.Z01", Bytes(100, 0));
    TZipArchiver a;
    a.FileName = WinName(dir / "a.zip");
    EXPECT_EQ(OpenError(a), ZAError::CannotOpenArchive);
}

TEST(VolumeDetection, DiskNumbersBeyondAnyVolumeEndTheOpenWithAnArchiveError) {
    // The Zip64 records count disks in 32 bits; a volume number must still fit once it is
    // counted from 1 for names and prompts.
    struct Case { const char* name; uint32_t totalDisks; uint32_t directoryDisk; };
    const Case cases[] = {
        {"the last disk just past the largest int", 0x80000001u, 0},
        {"every disk number taken", 0xFFFFFFFFu, 0},
        {"the directory on a disk past the largest int", 3, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        GenLayout layout;
        Bytes b = BuildZip({{.name = "x.txt", .data = "xx"}}, {.zip64 = true, .escapeDisks = true}, &layout);
        Put32(b, layout.endAt - Zip64Locator::kSize + 16, c.totalDisks);
        Put32(b, layout.zip64EndAt + 20, c.directoryDisk);
        WriteBytes(dir / "a.zip", b);
        TZipArchiver a;
        a.FileName = WinName(dir / "a.zip");
        EXPECT_EQ(OpenError(a), ZAError::VolumeOpenAborted);
    }
}

TEST(VolumeDetection, DiskNumbersBeyondAnyVolumeSetAreAskedForByAPositiveNumber) {
    // Zip64 records count disks in 32 bits; a volume is named and asked for by its number
    // counted from 1, which has to stay a positive number however large the disk read.
    struct Case {
        const char* name;
        uint32_t totalDisks;     // Zip64 locator
        uint32_t directoryDisk;  // Zip64 end record
        uint32_t itemDisk;       // the item's Zip64 extra field
        bool opens;
        std::vector<int32_t> asked;  // the numbers the middle-volume event was given
    };
    const int32_t highest = std::numeric_limits<int32_t>::max();
    const Case cases[] = {
        {"directory on the highest disk", 2, 0xFFFFFFFF, 0, false, {highest}},
        {"last disk past 2^31", 0x80000001, 0x80000000, 0, true, {}},
        {"item on the highest disk", 2, 1, 0xFFFFFFFF, true, {highest}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::vector<GenEntry> entries = {
            {.name = "x.txt", .data = "xx", .centralExtra = {{kZip64ExtraId, {0, 0, 0, 0}}}}};
        GenLayout l;
        Bytes b = BuildZip(entries, {.zip64 = true, .escapeDisks = true}, &l);
        Put16(b, l.directoryAt + 34, kEscape16);  // the start disk is in the Zip64 field
        Put32(b, l.directoryAt + 46 + 5 + 4, c.itemDisk);
        Put32(b, l.zip64EndAt + 20, c.directoryDisk);
        Put32(b, l.zip64EndAt + Zip64EndRecord::kSize + 16, c.totalDisks);
        WriteBytes(dir / "a.zip", b);

        TZipArchiver a;
        a.FileName = WinName(dir / "a.zip");
        std::vector<int32_t> asked;
        a.OnRequestLastVolume = [](TZABaseArchiver&, std::u16string&, bool& cancel) { cancel = false; };
        a.OnRequestFirstVolume = [](TZABaseArchiver&, std::u16string&, bool& cancel) { cancel = true; };
        a.OnRequestMiddleVolume = [&](TZABaseArchiver&, int32_t n, std::u16string&, bool& cancel) {
            asked.push_back(n);
            cancel = true;
        };
        a.OnProcessFileFailure = [](TZABaseArchiver&, const std::u16string&, TZAProcessOperation, int32_t, int32_t,
                                    const std::u16string&, TZAAction& action) { action = TZAAction::fxaIgnore; };
        if (!c.opens) {
            EXPECT_EQ(OpenError(a), ZAError::VolumeOpenAborted);
        } else {
            a.OpenArchive();
            EXPECT_EQ(a.SpanningMode(), TZASpanningMode::smSpanning);
            a.TestFiles(u"*.*", kSearchEveryItem, u"");
            EXPECT_EQ(a.FailedCount, 1);
        }
        EXPECT_EQ(asked, c.asked);
    }
}

TEST(NewVolumes, ANewSplitArchiveStartsWithItsFirstVolume) {
    testsupport::TempDir dir;
    TZipArchiver a;
    a.FileName = WinName(dir / "new.zip");
    a.SetSpanningMode(TZASpanningMode::smSplitting);
    a.OpenArchive();
    EXPECT_EQ(a.VolumeFileName(), WinName(dir / "new.z01"));
    EXPECT_TRUE(std::filesystem::exists(dir / "new.z01"));
    EXPECT_TRUE(a.CurrentVolume().IsFirst());
    a.CloseArchive();

    // A disk that cannot take a volume of the limit asks for another; a refusal is code 45.
    TZipArchiver s;
    s.FileName = WinName(dir / "span.zip");
    s.SetSpanningMode(TZASpanningMode::smSpanning);
    s.SpanningOptions.VolumeSize = TZAVolumeSize::vsCustom;
    s.SpanningOptions.SetCustomVolumeSize(int64_t{1} << 60);
    std::vector<std::string> seen;
    s.OnRequestBlankVolume = [&](TZABaseArchiver&, int32_t n, std::u16string&, bool&) { seen.push_back("blank " + std::to_string(n)); };
    s.OnDiskFull = [&](TZABaseArchiver&, int32_t n, const std::u16string&, bool& cancel) {
        seen.push_back("full " + std::to_string(n));
        cancel = seen.size() > 2;
    };
    EXPECT_EQ(OpenError(s), ZAError::VolumeOpenAborted);
    EXPECT_EQ(seen, (std::vector<std::string>{"blank 1", "full 1", "blank 1", "full 1"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "span.zip"));
}

TEST(NewVolumes, OneFileArchivesAskForNothing) {
    testsupport::TempDir dir;
    TZipArchiver a;
    a.FileName = WinName(dir / "one.zip");
    int asked = 0;
    a.OnRequestFirstVolume = [&](TZABaseArchiver&, std::u16string&, bool&) { ++asked; };
    a.OnRequestLastVolume = [&](TZABaseArchiver&, std::u16string&, bool&) { ++asked; };
    a.OnRequestMiddleVolume = [&](TZABaseArchiver&, int32_t, std::u16string&, bool&) { ++asked; };
    a.OnRequestBlankVolume = [&](TZABaseArchiver&, int32_t, std::u16string&, bool&) { ++asked; };
    a.OpenArchive();
    TStream* stream = a.ArchiveStream();
    a.OpenVolume(Numbered(3, 5));
    EXPECT_EQ(a.ArchiveStream(), stream);
    EXPECT_EQ(a.CurrentVolume().Number, 3);
    a.CloseArchive();
    a.OpenArchive();
    EXPECT_EQ(asked, 0);
    EXPECT_GT(TZABaseArchiver::GetFreeDiskSpace(WinName(dir / "no" / "such" / "file.zip")), 0);
}

namespace {

// The volume writers are steps of the archiver's own commit; a test reaches them as a subclass.
struct VolumeWriter : TZipArchiver {
    using TZABaseArchiver::CopyToVolumes;
    using TZABaseArchiver::WriteSpanned;
    using TZABaseArchiver::WriteSpannedChecked;
};

}  // namespace

TEST(NewVolumes, BlocksFillEachVolumeAndWholeOnesMoveOnToTheNext) {
    testsupport::TempDir dir;
    VolumeWriter a;
    a.FileName = WinName(dir / "x.zip");
    a.SetSpanningMode(TZASpanningMode::smSplitting);
    a.SpanningOptions.VolumeSize = TZAVolumeSize::vsCustom;
    a.SpanningOptions.SetCustomVolumeSize(65536);
    std::vector<int32_t> asked;
    a.OnRequestBlankVolume = [&](TZABaseArchiver&, int32_t n, std::u16string&, bool&) { asked.push_back(n); };
    a.OpenArchive();
    TZAVolumeNumberInfo volume = a.CurrentVolume();
    TStream* stream = a.ArchiveStream();
    const std::string bytes(200000, 'b');
    EXPECT_EQ(a.WriteSpanned(bytes.data(), 60000, nullptr, -1, volume, stream), 60000);
    // 5,536 bytes are left: a block that must stay whole starts the next volume.
    EXPECT_EQ(a.WriteSpanned(bytes.data(), 10000, nullptr, 0, volume, stream), 10000);
    EXPECT_EQ(volume.Number, 1);
    // One that may be split fills that volume and runs on.
    EXPECT_EQ(a.WriteSpanned(bytes.data(), 100000, nullptr, -1, volume, stream), 100000);
    EXPECT_EQ(volume.Number, 2);
    EXPECT_EQ(stream, a.ArchiveStream());
    // A whole block larger than any volume is split all the same rather than asking forever.
    TMemoryStream source(bytes);
    int progress = 0;
    a.OnCopyTempFileProgress = [&](TZABaseArchiver&, double, TZAProgressPhase, bool&) { ++progress; };
    EXPECT_EQ(a.CopyToVolumes(source, stream, true, nullptr, 0, 70000, volume), 70000);
    EXPECT_GE(progress, 3);
    EXPECT_EQ(std::filesystem::file_size(dir / "x.z01"), 60000u);
    EXPECT_EQ(std::filesystem::file_size(dir / "x.z02"), 65536u);
    EXPECT_EQ(std::filesystem::file_size(dir / "x.z03"), 44464u);  // 70,000 would not fit beside them
    EXPECT_EQ(std::filesystem::file_size(dir / "x.z04"), 65536u);
    EXPECT_EQ(std::filesystem::file_size(dir / "x.z05"), 4464u);
    EXPECT_EQ(asked, (std::vector<int32_t>{1, 2, 3, 4, 5}));

    // A volume already past its limit takes nothing more: code 46.
    stream->Write(bytes.data(), 70000);
    try {
        a.WriteSpannedChecked(bytes.data(), 10, nullptr, -1, volume, stream);
        ADD_FAILURE() << "the volume took more than its limit";
    } catch (const EZAException& e) {
        EXPECT_EQ(e.NativeError(), ZAError::VolumeWriteError);
    }
}

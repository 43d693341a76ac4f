// Guards new archives as the library writes them: stored, deflated, traditional and AES items,
// folders, Cyrillic names, Zip64 records forced and needed by size, a self-extractor stub and
// split volumes. Each archive must pass unzip -t, 7z t and Python's zipfile where they read it,
// and come back through our own reader byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "WriterFixtures.h"
#include "ZipFixtures.h"
#include "directory/TZADirManager.h"
#include "format/ByteReader.h"
#include "format/EndRecord.h"
#include "format/ExtraField.h"
#include "format/LocalHeader.h"
#include "format/ZipConstants.h"
#include "ziplib/EZAException.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace writertest;
using testsupport::HaveTool;
using testsupport::TempDir;

namespace {

const Files kMixed = {
    {"empty.txt", ""},
    {"small.txt", "a few bytes"},
    {"docs/", ""},
    {"docs/text.txt", zipfixtures::MakeText(3 << 20, 3)},  // several blocks of every mode
    {"docs/random.bin", zipfixtures::MakeRandom(700000, 5)},
    {"Книги/Обложка.txt", "кириллица"},
};

struct Case {
    const char* name;
    int mode;
    TZACryptoAlgorithm encryption;
    const char* password;
};

class WriteNewArchive : public ::testing::TestWithParam<Case> {};

TEST_P(WriteNewArchive, ToolsAcceptItAndItReadsBackByteForByte) {
    const Case& c = GetParam();
    TempDir dir;
    const fs::path zip = dir / "new.zip";
    WriteNew(zip, dir / "src", kMixed, [&](TZipArchiver& a) {
        a.SetCompressionMode(c.mode);
        a.SetPassword(c.password);
        a.EncryptionMethod = c.encryption;
    });
    const bool aes = c.encryption != TZACryptoAlgorithm::caPkzipClassic && *c.password;
    ExpectToolsAccept(zip, c.password, aes);
    EXPECT_EQ(ReadBack(zip, c.password), Expected(kMixed));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteNewArchive,
    ::testing::Values(Case{"Stored", 0, TZACryptoAlgorithm::caPkzipClassic, ""},
                      Case{"Fastest", 1, TZACryptoAlgorithm::caPkzipClassic, ""},
                      Case{"Normal", 6, TZACryptoAlgorithm::caPkzipClassic, ""},
                      Case{"Max", 9, TZACryptoAlgorithm::caPkzipClassic, ""},
                      Case{"Traditional", 6, TZACryptoAlgorithm::caPkzipClassic, "secret"},
                      Case{"TraditionalStored", 0, TZACryptoAlgorithm::caPkzipClassic, "secret"},
                      Case{"Aes128", 6, TZACryptoAlgorithm::caAES_128, "secret"},
                      Case{"Aes192Stored", 0, TZACryptoAlgorithm::caAES_192, "secret"},
                      Case{"Aes256", 1, TZACryptoAlgorithm::caAES_256, "secret"},
                      Case{"AesWithoutPassword", 6, TZACryptoAlgorithm::caAES_256, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The local header of each item of an archive our reader opened, and the item.
struct Stored {
    TDirItem item;
    LocalHeader local;
    std::vector<ExtraField> localExtra;
};

std::vector<Stored> StoredItems(const fs::path& zip) {
    const ziptest::Bytes bytes = ziptest::LoadBytes(zip);
    TZipArchiver a;
    a.FileName = WinName(zip);
    a.OpenArchive();
    std::vector<Stored> v;
    const TZADirArray& items = a.DirManager()->Items;
    for (int i = 0; i < items.Count(); ++i) {
        const TDirItem& item = *items.ItemPtr(i);
        const uint64_t at = item.Header.localHeaderOffset == kEscape32 ? item.LocalHeaderOffset : item.Header.localHeaderOffset;
        Stored s{item, *LocalHeader::Parse(std::span(bytes).subspan(at)), {}};
        s.localExtra = ParseExtraFields(std::span(bytes).subspan(at + LocalHeader::kSize + s.local.nameLength, s.local.extraLength));
        v.push_back(std::move(s));
    }
    return v;
}

const ExtraField* FieldOf(const std::vector<ExtraField>& fields, uint16_t id) {
    for (const auto& f : fields)
        if (f.id == id) return &f;
    return nullptr;
}

TEST(WriteNewArchive, LocalHeadersDeclareTheirExtraFieldsFoldersIncluded) {
    TempDir dir;
    const fs::path zip = dir / "a.zip";
    WriteNew(zip, dir / "src", kMixed, [](TZipArchiver& a) {
        a.SetPassword("secret");
        a.EncryptionMethod = TZACryptoAlgorithm::caAES_128;
    });
    for (const Stored& s : StoredItems(zip)) {
        SCOPED_TRACE(platform::Utf16ToUtf8(s.item.Name));
        const size_t n = s.item.Name.size();
        const bool folder = s.item.Name.back() == u'/';
        // The Unicode name field (2n + 12 bytes), and for an encrypted file the AES field (11).
        EXPECT_EQ(s.local.extraLength, 2 * n + 12 + (folder ? 0 : 11));
        ASSERT_NE(FieldOf(s.localExtra, kUnicodeNameExtraId), nullptr);
        EXPECT_EQ(FieldOf(s.localExtra, kAesExtraId) != nullptr, !folder);
        EXPECT_EQ(s.local.method, folder ? kMethodStored : kMethodAes);
        EXPECT_EQ(s.local.flags, folder ? kFlagDirectoryEntry : kFlagEncrypted);
        EXPECT_EQ(s.local.crc32, s.item.Header.crc32);
        EXPECT_EQ(s.local.compressedSize, s.item.Header.compressedSize);
    }
}

TEST(WriteNewArchive, Zip64CanBeForcedOnEveryItem) {
    TempDir dir;
    const fs::path zip = dir / "a.zip";
    WriteNew(zip, dir / "src", kMixed, [](TZipArchiver& a) {
        a.Zip64Mode = TZip64Mode::zmAlways;
        a.SetCompressionMode(6);
    });
    for (const Stored& s : StoredItems(zip)) {
        SCOPED_TRACE(platform::Utf16ToUtf8(s.item.Name));
        EXPECT_EQ(s.item.Header.versionNeeded, kVersionZip64);
        EXPECT_EQ(s.item.Header.localHeaderOffset, kEscape32);
        if (s.item.Name.back() == u'/') continue;
        EXPECT_EQ(s.local.versionNeeded, kVersionZip64);
        EXPECT_EQ(s.local.compressedSize, kEscape32);
        EXPECT_EQ(s.local.uncompressedSize, kEscape32);
        const ExtraField* z = FieldOf(s.localExtra, kZip64ExtraId);
        ASSERT_NE(z, nullptr);
        ASSERT_EQ(z->data.size(), 16u);
        ByteReader r(z->data);
        EXPECT_EQ(r.U64At(0), s.item.UncompressedSize);
        EXPECT_EQ(r.U64At(8), s.item.CompressedSize);
    }
    ExpectToolsAccept(zip);
    EXPECT_EQ(ReadBack(zip), Expected(kMixed));
}

TEST(WriteNewArchive, AStubGoesInFrontAndEveryOffsetCountsIt) {
    TempDir dir;
    const std::string stub = zipfixtures::MakeRandom(1000, 11);
    testsupport::WriteFile(dir / "stub.bin", stub);
    const fs::path zip = dir / "a.zip";
    WriteNew(zip, dir / "src", kMixed, [&](TZipArchiver& a) { a.SFXStub = WinName(dir / "stub.bin"); });
    const std::string bytes = testsupport::ReadFile(zip);
    EXPECT_EQ(bytes.substr(0, 1000), stub);
    EXPECT_EQ(bytes.substr(1000, 4), std::string("PK\x03\x04", 4));
    {
        TZipArchiver a;
        a.FileName = WinName(zip);
        a.OpenArchive();
        EXPECT_EQ(a.DirManager()->DataStart, 1000);
    }
    ExpectToolsAccept(zip);
    EXPECT_EQ(ReadBack(zip), Expected(kMixed));

    // An archive that gets no items is the stub and an empty directory.
    const fs::path empty = dir / "empty.zip";
    {
        TZipArchiver a;
        a.FileName = WinName(empty);
        a.SFXStub = WinName(dir / "stub.bin");
        a.OpenArchive();
        a.CloseArchive();
    }
    EXPECT_EQ(fs::file_size(empty), 1022u);
    EXPECT_EQ(ReadBack(empty), (std::map<std::string, std::string>{}));
}

const Files kVolumes = {
    {"one.bin", zipfixtures::MakeRandom(150000, 1)},
    {"two.txt", "two"},
    {"sub/", ""},
    {"sub/three.bin", zipfixtures::MakeRandom(90000, 3)},
};

void Split(TZipArchiver& a) {
    a.SetSpanningMode(TZASpanningMode::smSplitting);
    a.SpanningOptions.VolumeSize = TZAVolumeSize::vsCustom;
    a.SpanningOptions.SetCustomVolumeSize(65536);
    a.SetCompressionMode(0);
}

// The regular files right in a folder, sorted.
std::vector<std::string> FileNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WriteNewArchive, SplitVolumesKeepTheirSizeAndTakeTheCaseOfTheArchivesExtension) {
    struct Case {
        const char* archive;
        std::vector<std::string> volumes;
    };
    for (const Case& c : {Case{"SPLIT.ZIP", {"SPLIT.Z01", "SPLIT.Z02", "SPLIT.Z03", "SPLIT.ZIP"}},
                          Case{"split.zip", {"split.z01", "split.z02", "split.z03", "split.zip"}}}) {
        SCOPED_TRACE(c.archive);
        TempDir dir;
        const fs::path zip = dir / c.archive;
        WriteNew(zip, dir / "src", kVolumes, Split);
        for (const auto& name : FileNames(dir.path())) EXPECT_LE(fs::file_size(dir / name), 65536u) << name;
        EXPECT_EQ(FileNames(dir.path()), c.volumes);
        EXPECT_EQ(ReadBack(zip), Expected(kVolumes));
        if (HaveTool("7z")) {
            EXPECT_EQ(testsupport::RunTool({"7z", "t", zip.string()}, dir.path()), 0);
        }
    }
}

TEST(WriteNewArchive, OtherToolsFindTheVolumesOfASplitArchiveOnACaseSensitiveDisk) {
    if (!HaveTool("zip") || !HaveTool("7zz")) return;
    // Info-ZIP's join miscopies an item that runs over more than two volumes (its own sets'
    // too): each of these touches two at most.
    Files files = {{"two.txt", "two"}};
    for (int i = 0; i < 5; ++i) files.push_back({"f" + std::to_string(i) + ".bin", zipfixtures::MakeRandom(40000, i)});
    TempDir dir;
    const fs::path zip = dir / "split.zip";
    WriteNew(zip, dir / "src", files, Split);
    ASSERT_TRUE(fs::exists(dir / "split.z03"));
    EXPECT_EQ(testsupport::RunTool({"7zz", "t", zip.string()}, dir.path()), 0);
    // Info-ZIP joins the volumes into one archive, which is whole.
    ASSERT_EQ(testsupport::RunTool({"zip", "-q", "-s", "0", zip.string(), "--out", "joined.zip"}, dir.path()), 0);
    EXPECT_EQ(testsupport::RunTool({"7zz", "t", "joined.zip"}, dir.path()), 0);
    EXPECT_EQ(ReadBack(dir / "joined.zip"), Expected(files));
}

TEST(WriteNewArchive, ASplitArchiveWithAStubReopensByEitherName) {
    // Written as x.zip with a stub, the set starts with the self-extractor x.exe and ends with
    // x.zip; opened by either name, every item is found on its volume.
    for (const char* opened : {"x.zip", "X.ZIP", "x.exe"}) {
        SCOPED_TRACE(opened);
        TempDir dir;
        testsupport::WriteFile(dir / "stub.bin", zipfixtures::MakeRandom(1000, 11));
        WriteNew(dir / "x.zip", dir / "src", kVolumes, [&](TZipArchiver& a) {
            Split(a);
            a.SFXStub = WinName(dir / "stub.bin");
        });
        EXPECT_EQ(FileNames(dir.path()), (std::vector<std::string>{"stub.bin", "x.exe", "x.z02", "x.z03", "x.zip"}));
        EXPECT_EQ(ReadBack(dir / opened), Expected(kVolumes));
    }
}

TEST(WriteNewArchive, ACancelledSplitArchiveLosesTheVolumesItWentOnTo) {
    TempDir dir;
    MakeFiles(dir / "src", kVolumes);
    TZipArchiver a;
    a.FileName = WinName(dir / "x.zip");
    a.BaseDir = WinName(dir / "src");
    Split(a);
    a.OpenArchive();
    ArchiveChanges::Begin(a);
    for (const auto& [rel, data] : kVolumes) ArchiveChanges::Add(a, WinName(dir / "src" / rel));
    a.OnFileProgress = [](TZABaseArchiver&, const std::u16string& name, double, TZAProcessOperation,
                          TZAProgressPhase phase, bool& cancel) {
        cancel = name == u"sub\\three.bin" && phase == TZAProgressPhase::ppStart;
    };
    ArchiveChanges::Commit(a);
    EXPECT_TRUE(a.Cancelled);
    a.CloseArchive();
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"x.zip"});
    EXPECT_EQ(ReadBack(dir / "x.zip"), (std::map<std::string, std::string>{}));
}

TEST(WriteNewArchive, AnEmptySplitArchiveIsOneFileUnderItsName) {
    TempDir dir;
    {
        TZipArchiver a;
        a.FileName = WinName(dir / "x.zip");
        Split(a);
        a.OpenArchive();
        a.CloseArchive();
    }
    EXPECT_TRUE(fs::exists(dir / "x.zip"));
    EXPECT_FALSE(fs::exists(dir / "x.z01"));
    EXPECT_EQ(ReadBack(dir / "x.zip"), (std::map<std::string, std::string>{}));
}

TEST(WriteNewArchive, AStubThatDoesNotGoOntoTheFirstVolumeLeavesNoFileBehind) {
    const std::string stub(70000, 'S');
    struct Refusal {
        const char* name;
        bool split;          // 64 KiB volumes, which the stub does not fit
        rlim_t fileLimit;    // writes past it fail, so the stub is cut short on the volume
        const char* before;  // a file of the first volume's name already there, or nullptr
        int32_t code;        // EZAException code, or -1 for a write error
    };
    const rlim_t none = RLIM_INFINITY;
    for (const Refusal& r : {Refusal{"too large for the first volume", true, none, nullptr, ZAError::SfxStubTooLarge},
                             Refusal{"too large, over a file of that name", true, none, "keep me", ZAError::SfxStubTooLarge},
                             Refusal{"cut short on a plain archive", false, 1000, nullptr, -1},
                             Refusal{"cut short over a file of that name", false, 1000, "keep me", -1}}) {
        SCOPED_TRACE(r.name);
        TempDir dir;
        testsupport::WriteFile(dir / "stub.bin", stub);
        // With a stub the first volume of a split archive is the self-extractor, x.exe.
        const fs::path first = dir / (r.split ? "x.exe" : "x.zip");
        if (r.before) testsupport::WriteFile(first, r.before);
        const auto files = FolderFiles(dir.path());
        TZipArchiver a;
        a.FileName = WinName(dir / "x.zip");
        if (r.split) Split(a);
        a.SFXStub = WinName(dir / "stub.bin");
        try {
            FileSizeLimit limit(r.fileLimit);
            // An explicit create, so that a file of the archive's name is written over.
            a.OpenArchive(TZABaseArchiver::kModeCreate);
            ADD_FAILURE() << "the stub was taken";
        } catch (const EZAException& e) {
            EXPECT_EQ(e.NativeError(), r.code) << e.what();
        } catch (const std::exception& e) {
            EXPECT_EQ(r.code, -1) << e.what();
        }
        EXPECT_FALSE(a.IsOpen());
        if (r.before && !r.split) {
            // Emptied by the create, as any new archive over it; but not taken away.
            EXPECT_TRUE(fs::exists(first));
            EXPECT_EQ(FolderFiles(dir.path()).size(), files.size());
        } else {
            EXPECT_EQ(FolderFiles(dir.path()), files);
        }
    }
}

TEST(WriteNewArchive, AnItemOf4GiBGetsZip64AndIsRefusedWithoutIt) {
    TempDir dir;
    // Sparse: four gigabytes and a little of zeros that take no room on the disk.
    const fs::path big = dir / "src/big.bin";
    fs::create_directories(big.parent_path());
    const uint64_t size = 0x100000000ULL + 1000;
    {
        std::ofstream f(big, std::ios::binary);
    }
    fs::resize_file(big, size);
    testsupport::WriteFile(dir / "src/small.txt", "small");

    {
        SCOPED_TRACE("Zip64 off");
        TZipArchiver a;
        a.FileName = WinName(dir / "off.zip");
        a.BaseDir = WinName(dir / "src");
        a.OpenArchive();
        std::vector<int32_t> codes;
        a.OnProcessFileFailure = [&](TZABaseArchiver&, const std::u16string&, TZAProcessOperation, int32_t code, int32_t,
                                     const std::u16string&, TZAAction& action) {
            codes.push_back(code);
            action = TZAAction::fxaIgnore;
        };
        ArchiveChanges::Begin(a);
        ArchiveChanges::Add(a, WinName(big));
        ArchiveChanges::Add(a, WinName(dir / "src/small.txt"));
        ArchiveChanges::Commit(a);
        a.CloseArchive();
        EXPECT_EQ(codes, std::vector<int32_t>{ZAError::CompressZip64NotEnabled});
        EXPECT_EQ(ReadBack(dir / "off.zip"), (std::map<std::string, std::string>{{"small.txt", "small"}}));
    }

    const fs::path zip = dir / "big.zip";
    {
        TZipArchiver a;
        a.FileName = WinName(zip);
        a.BaseDir = WinName(dir / "src");
        a.Zip64Mode = TZip64Mode::zmAuto;
        a.OpenArchive();
        ArchiveChanges::Begin(a);
        ArchiveChanges::Add(a, WinName(big));
        ArchiveChanges::Add(a, WinName(dir / "src/small.txt"));
        ArchiveChanges::Commit(a);
        EXPECT_EQ(a.FailedCount, 0) << a.LastError;
        a.CloseArchive();
    }
    const auto stored = StoredItems(zip);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].item.Header.uncompressedSize, kEscape32);
    EXPECT_EQ(stored[0].item.UncompressedSize, size);
    EXPECT_EQ(stored[0].item.Header.versionNeeded, kVersionZip64);
    EXPECT_EQ(stored[0].local.uncompressedSize, kEscape32);
    EXPECT_NE(FieldOf(stored[0].localExtra, kZip64ExtraId), nullptr);
    EXPECT_EQ(stored[1].item.Header.versionNeeded, kVersionOemNames);
    if (HaveTool("unzip")) {
        EXPECT_EQ(testsupport::RunTool({"unzip", "-tqq", zip.string()}, dir.path()), 0);
    }
    if (HaveTool("7z")) {
        EXPECT_EQ(testsupport::RunTool({"7z", "t", zip.string()}, dir.path()), 0);
    }
    TZipArchiver a;
    a.FileName = WinName(zip);
    a.OpenArchive();
    a.TestFiles(u"*.*", kSearchEveryItem, u"");
    EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
}

}  // namespace

TEST(WriteNewArchive, InAutoModeAnItemThatMayOutgrow32BitsGetsItsLocalZip64Slot) {
    // The local header is written before the data, so its Zip64 slot is decided by the source's
    // size with room for what deflate may add. Each item is looked at in the archive (in memory)
    // as soon as its first block is written, and the commit cancelled there.
    struct Case {
        const char* name;
        uint64_t size;
        TZip64Mode mode;
        bool slot;
    };
    const Case cases[] = {
        {"just under 4 GiB", 0xFFFFFFFFULL - 1000, TZip64Mode::zmAuto, true},
        {"8 MiB under 4 GiB, clear of the margin", 0x100000000ULL - (8 << 20), TZip64Mode::zmAuto, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path big = dir / "src/big.bin";
        testsupport::WriteFile(big, "");
        fs::resize_file(big, c.size);  // sparse: zeros that take no room
        TZipArchiver a;
        a.FileName = WinName(dir / "mem.zip");
        a.BaseDir = WinName(dir / "src");
        a.Zip64Mode = c.mode;
        a.SetInMemory(true);
        a.OpenArchive();
        ArchiveChanges::Begin(a);
        ASSERT_GE(ArchiveChanges::Add(a, WinName(big)), 0);
        std::optional<LocalHeader> local;
        std::vector<ExtraField> extra;
        a.OnFileProgress = [&](TZABaseArchiver& self, const std::u16string&, double, TZAProcessOperation,
                               TZAProgressPhase phase, bool& cancel) {
            if (phase != TZAProgressPhase::ppProcess) return;
            const auto& bytes = static_cast<TMemoryStream*>(self.ArchiveStream())->Bytes();
            local = LocalHeader::Parse(bytes);
            if (local)
                extra = ParseExtraFields(std::span(bytes).subspan(LocalHeader::kSize + local->nameLength, local->extraLength));
            cancel = true;
        };
        ArchiveChanges::Commit(a);
        EXPECT_TRUE(a.Cancelled);
        ASSERT_TRUE(local.has_value());
        EXPECT_EQ(local->uncompressedSize == kEscape32, c.slot);
        EXPECT_EQ(FieldOf(extra, kZip64ExtraId) != nullptr, c.slot);
        EXPECT_EQ(local->versionNeeded == kVersionZip64, c.slot);
    }
}

TEST(WriteNewArchive, ExactlyAsManyItemsAsTheEndRecordCanCountGetTheZip64Records) {
    // 65,534 items of another writer and one of ours: the directory the commit writes counts
    // 65,535, one more than the end record can say.
    TempDir dir;
    const fs::path zip = dir / "many.zip";
    std::vector<ziptest::GenEntry> many(65534);
    for (size_t i = 0; i < many.size(); ++i) many[i] = {.name = "f" + std::to_string(i), .data = "x"};
    ziptest::WriteBytes(zip, ziptest::BuildZip(many));
    testsupport::WriteFile(dir / "new/last.txt", "last");
    {
        TZipArchiver a;
        a.FileName = WinName(zip);
        a.BaseDir = WinName(dir / "new");
        a.OpenArchive();
        ArchiveChanges::Begin(a);
        ASSERT_GE(ArchiveChanges::Add(a, WinName(dir / "new/last.txt")), 0);
        ArchiveChanges::Commit(a);
        EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
        a.CloseArchive();
    }
    const ziptest::Bytes b = ziptest::LoadBytes(zip);
    ByteReader r(b);
    const size_t end = b.size() - EndRecord::kSize;
    ASSERT_EQ(r.U32At(end), kEndRecordSignature);
    EXPECT_EQ(r.U16At(end + 8), 0xFFFF);
    EXPECT_EQ(r.U16At(end + 10), 0xFFFF);
    const size_t locator = end - 20;
    ASSERT_EQ(r.U32At(locator), kZip64LocatorSignature);
    EXPECT_EQ(r.U32At(locator + 4), 0u);   // the disk of the Zip64 end record
    EXPECT_EQ(r.U32At(locator + 16), 1u);  // disks in all
    const uint64_t zip64End = r.U64At(locator + 8);
    ASSERT_EQ(zip64End, locator - 56);
    ASSERT_EQ(r.U32At(zip64End), kZip64EndRecordSignature);
    EXPECT_EQ(r.U64At(zip64End + 4), 44u);
    EXPECT_EQ(r.U64At(zip64End + 24), 65535u);
    EXPECT_EQ(r.U64At(zip64End + 32), 65535u);
    const uint64_t start = r.U64At(zip64End + 48);
    EXPECT_EQ(r.U32At(start), kCentralHeaderSignature);
    EXPECT_EQ(start + r.U64At(zip64End + 40), zip64End);
    if (HaveTool("unzip")) {
        EXPECT_EQ(testsupport::RunTool({"unzip", "-tqq", zip.string()}, dir.path()), 0);
    }
    TZipArchiver a;
    a.FileName = WinName(zip);
    a.OpenArchive();
    EXPECT_FALSE(a.DirectoryRecovered());
    EXPECT_EQ(a.DirManager()->Items.Count(), 65535);
    EXPECT_EQ(a.DirManager()->Items.ItemPtr(65534)->Name, u"last.txt");
}

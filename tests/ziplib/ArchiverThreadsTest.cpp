// Guards the lock all archivers share: two archivers extracting on two threads at once each
// write every file whole, and one archiver used by two threads runs their operations one after
// the other instead of refusing the second or mixing their items.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TZipArchiver.h"

using namespace ziplib;
using namespace ziptest;

namespace {

constexpr int kItems = 40;
constexpr int kRounds = 15;

std::string Content(int i) { return std::string(2000 + 37 * i, static_cast<char>('a' + i % 26)) + std::to_string(i); }

Bytes ManyItems() {
    std::vector<GenEntry> entries;
    for (int i = 0; i < kItems; ++i) entries.push_back({.name = "dir/item" + std::to_string(i) + ".txt", .data = Content(i)});
    return BuildZip(entries);
}

}  // namespace

TEST(ArchiverThreads, TwoArchiversOnTwoThreads) {
    testsupport::TempDir dir;
    WriteBytes(dir / "a.zip", ManyItems());
    std::atomic<int> failures{0};
    const auto work = [&](int t) {
        for (int round = 0; round < kRounds; ++round) {
            TZipArchiver zip;
            zip.FileName = WinName(dir / "a.zip");
            zip.OpenArchive();
            zip.BaseDir = WinName(dir / ("out" + std::to_string(t)));
            zip.ExtractFiles(u"*.*", kSearchEveryItem, u"");
            zip.CloseArchive();
            if (!zip.BatchSucceeded()) ++failures;
        }
    };
    std::thread a(work, 0), b(work, 1);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < kItems; ++i)
            EXPECT_EQ(testsupport::ReadFile(dir / ("out" + std::to_string(t)) / "dir" / ("item" + std::to_string(i) + ".txt")),
                      Content(i));
}

TEST(ArchiverThreads, OneArchiverSharedByTwoThreads) {
    testsupport::TempDir dir;
    WriteBytes(dir / "a.zip", ManyItems());
    TZipArchiver zip;
    zip.FileName = WinName(dir / "a.zip");
    zip.OpenArchive();
    std::atomic<int> wrong{0};
    std::atomic<int> refused{0};
    // One thread decodes items into streams of its own while the other tests the whole archive.
    std::thread decoder([&] {
        for (int round = 0; round < kRounds; ++round) {
            for (int i = 0; i < kItems; ++i) {
                TMemoryStream out;
                try {
                    zip.ExtractItemToStream(i, out);
                } catch (const EArchiverBusy&) {
                    ++refused;
                    continue;
                }
                std::string got(static_cast<size_t>(out.Size()), '\0');
                out.SetPosition(0);
                out.Read(got.data(), out.Size());
                if (got != Content(i)) ++wrong;
            }
        }
    });
    std::thread tester([&] {
        for (int round = 0; round < kRounds; ++round) {
            try {
                zip.TestFiles(u"*.*", kSearchEveryItem, u"");
            } catch (const EArchiverBusy&) {
                ++refused;
            }
        }
    });
    decoder.join();
    tester.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_TRUE(zip.BatchSucceeded());
    EXPECT_EQ(zip.ProcessedCount, kItems);
}

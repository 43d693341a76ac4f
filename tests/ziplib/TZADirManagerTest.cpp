// Guards the directory manager's set-up (end record of the owner's family, the foreign-stream
// flag, the new-archive hand-over) and that an announced entry count the stream cannot hold
// fails like the truncated directory it is, before anything is allocated for it.
#include <gtest/gtest.h>

#include <cstdint>

#include "directory/TZADirManager.h"
#include "format/ZipConstants.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/UniExceptions.h"

using namespace ziplib;

namespace {

class FakeArchiver : public DirManagerOwner {
public:
    uint8_t family = 1;
    TStream* archiveStream = nullptr;
    int newDirectories = 0;
    TZADirManager* seen = nullptr;

    uint8_t GetSignatureFamily() const override { return family; }
    const TStream* GetArchiveStream() const override { return archiveStream; }
    void NewArchiveDirectory(TZADirManager& manager) override {
        ++newDirectories;
        seen = &manager;
        manager.DataStart = 1000;  // as a stub written by the owner would
    }
};

}  // namespace

TEST(TZADirManager, StartsAsAnEmptyArchiveOfTheOwnersFamily) {
    struct Case { const char* name; uint8_t family; uint32_t signature; };
    const Case cases[] = {
        {"standard family", 1, kEndRecordSignature},
        {"any family but 0 is standard", 7, kEndRecordSignature},
        {"second family", 0, kSecondEndRecordSignature},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream stream;
        FakeArchiver owner;
        owner.family = c.family;
        owner.archiveStream = &stream;
        TZADirManager m(&stream, &owner, false);
        EndRecord expected;
        expected.signature = c.signature;
        EXPECT_EQ(m.EndRecordImage, expected);
        EXPECT_EQ(m.Zip64LocatorImage, (Zip64Locator{0, 0, 0, 0}));
        EXPECT_EQ(m.Zip64EndRecordImage.signature, 0u);
        EXPECT_EQ(m.Items.Count(), 0);
        EXPECT_EQ(m.OpenedItems.Count(), 0);
        EXPECT_EQ(m.Stream, &stream);
        EXPECT_EQ(m.Archiver, &owner);
        EXPECT_FALSE(m.ForeignStream);
        EXPECT_FALSE(m.IsNew);
        EXPECT_FALSE(m.IsZip64);
        EXPECT_EQ(m.DataStart, 0);
        EXPECT_EQ(owner.newDirectories, 0);
    }
}

TEST(TZADirManager, NewArchivesAreHandedToTheOwnerAndForeignStreamsMarked) {
    TMemoryStream own, other;
    FakeArchiver owner;
    owner.archiveStream = &own;
    TZADirManager fresh(&own, &owner, true);
    EXPECT_TRUE(fresh.IsNew);
    EXPECT_EQ(owner.newDirectories, 1);
    EXPECT_EQ(owner.seen, &fresh);
    EXPECT_EQ(fresh.DataStart, 1000);  // what the owner set is not undone

    TZADirManager foreign(&other, &owner, false);
    EXPECT_TRUE(foreign.ForeignStream);
    TZADirManager alone(&other, nullptr, true);
    EXPECT_TRUE(alone.ForeignStream);
    EXPECT_EQ(alone.EndRecordImage.signature, kEndRecordSignature);

    // InitEndRecord empties the items again.
    fresh.Items.SetCount(3);
    fresh.EndRecordImage.totalEntries = 3;
    fresh.InitEndRecord();
    EXPECT_EQ(fresh.Items.Count(), 0);
    EXPECT_EQ(fresh.EndRecordImage.totalEntries, 0);
}

TEST(TZADirManager, AnEntryCountIsTakenOnlyWhenTheHeadersCanFit) {
    struct Case { const char* name; uint64_t entries; uint64_t bytes; bool taken; };
    const Case cases[] = {
        {"no entries", 0, 0, true},
        {"headers exactly filling the bytes", 3, 3 * 46, true},
        {"one byte short", 3, 3 * 46 - 1, false},
        {"a 16-bit escape value over a small file", 0xFFFF, 22 * 46, false},
        {"a Zip64 count of four thousand million", 0xFFFFFFFFull, 1 << 20, false},
        {"more than an int counts, whatever the bytes", 0x80000000ull, ~0ull, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream stream;
        TZADirManager m(&stream, nullptr, false);
        m.Items.SetCount(2);
        if (c.taken) {
            m.SetItemCount(c.entries, c.bytes);
            EXPECT_EQ(m.Items.Count(), static_cast<int>(c.entries));
            EXPECT_EQ(m.Items.Names().Count(), 0);
        } else {
            EXPECT_THROW(m.SetItemCount(c.entries, c.bytes), EReadError);
            EXPECT_EQ(m.Items.Count(), 2);  // untouched
            EXPECT_LE(m.Items.Capacity(), 1000);
        }
    }
}

// Guards the one rule both the extraction and the move into place follow for names that differ
// only in case: the own spelling first, else the smallest findable twin still there (Cyrillic
// too), never one that is not findable, gone, or refused by the caller.
#include <gtest/gtest.h>

#include "platform/CaseTwins.h"

using platform::CaseTwins;

TEST(CaseTwins, ANameFindsItsOwnSpellingElseTheSmallestFindableTwin) {
    CaseTwins folder;
    for (const char* before : {"readme.txt", "Docs", "DOCS", "Документы"}) folder.Add(before, true);
    folder.Add("Made", false);  // made by the batch: only its own spelling finds it
    folder.Add("notes", true);
    folder.Remove("notes");
    const struct {
        const char* name;
        const char* spelling;
    } cases[] = {
        {"readme.txt", "readme.txt"}, {"README.TXT", "readme.txt"}, {"docs", "DOCS"},
        {"Docs", "Docs"},             {"документы", "Документы"},   {"made", "made"},
        {"Made", "Made"},             {"Notes", "Notes"},           {"new.txt", "new.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(folder.Spelling(c.name), c.spelling);
    }
    EXPECT_TRUE(folder.Holds("Made"));
    EXPECT_FALSE(folder.Holds("notes"));
}

TEST(CaseTwins, ARefusedTwinLeavesTheNameItsOwnSpelling) {
    CaseTwins folder;
    folder.Add("README", true);
    const auto takenByTheBatch = [](const std::string& twin) { return twin == "README"; };
    EXPECT_EQ(folder.Spelling("readme", takenByTheBatch), "readme");
    EXPECT_EQ(folder.Spelling("README", takenByTheBatch), "README");  // its own is never refused
    EXPECT_EQ(folder.Spelling("readme"), "README");
}

// Guards the decisions of a data update: which status line each starter sets for each pair of
// flags, the order of the downloads and what follows each archive, and the texts of a chain
// that stopped.
#include <gtest/gtest.h>

#include "InstallChain.h"

using namespace viewer;

TEST(InstallChain, StatusLinesAndOrderFollowTheFlags) {
    struct Case {
        bool docs, base;
        std::optional<std::string> docsStatus, baseStatus;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {true, false, kStatusUpdating, std::nullopt, {"docs.zip", "update.lasx"}},
        {false, true, std::nullopt, kStatusUpdating, {"updatebase.zip", "update.lasx"}},
        {true, true, kStatusFirstOfTwo, kStatusSecondOfTwo, {"docs.zip", "updatebase.zip", "update.lasx"}},
        {false, false, std::nullopt, std::nullopt, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.docs) + std::to_string(c.base));
        EXPECT_EQ(DocsStarterStatus(c.docs, c.base), c.docsStatus);
        EXPECT_EQ(BaseStarterStatus(c.docs, c.base), c.baseStatus);
        EXPECT_EQ(DataUpdateOrder(c.docs, c.base), c.order);
        for (size_t i = 0; i + 1 < c.order.size(); ++i)
            EXPECT_EQ(NextDataDownload(c.docs, c.base, c.order[i]), c.order[i + 1]);
    }
    EXPECT_EQ(std::string(kStatusFirstOfTwo), "Status: Downloading 1st package of two");
    // An archive fetched without its flag (its routine run directly) goes on as if it were set.
    EXPECT_EQ(NextDataDownload(false, false, "docs.zip"), "update.lasx");
    EXPECT_EQ(NextDataDownload(false, true, "docs.zip"), "updatebase.zip");
    EXPECT_EQ(NextDataDownload(true, true, "update.lasx"), "");
}

TEST(InstallChain, StopTextsSayWhatFailedAndWhy) {
    auto t = ChainStopped("docs.zip", ChainFailure::Download, "HTTP status 404");
    EXPECT_EQ(t.status, "Status: Update stopped: docs.zip could not be downloaded");
    EXPECT_EQ(t.log, " - Update stopped: docs.zip could not be downloaded. HTTP status 404");
    t = ChainStopped("updatebase.zip", ChainFailure::Unpack, "The archive \"updatebase.zip\" could not be unpacked. bad CRC");
    EXPECT_EQ(t.status, "Status: Update stopped: updatebase.zip could not be unpacked");
    EXPECT_EQ(t.log, " - Update stopped: The archive \"updatebase.zip\" could not be unpacked. bad CRC");
    t = ChainStopped("update.lasx", ChainFailure::NotStarted, "");
    EXPECT_EQ(t.log, " - Update stopped: update.lasx was not fetched: another download is still running");
    t = ChainStopped("updatevnbooks.zip", ChainFailure::HandOver, "Cannot start \"x\". No such file or directory");
    EXPECT_EQ(t.status, "Status: Update stopped: the updater could not be started");
}

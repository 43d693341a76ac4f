// Guards the install chain without a window: which status line each starter sets for each
// pair of flags, the order of the downloads and unpacks and the busy flag on the way, the end
// that closes the update panel, and where and how a chain stops.
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
    // The cause in a few words goes on the status line.
    t = ChainStopped("updatebase.zip", ChainFailure::Download, "The server answered with HTTP status 404",
                     "the server answered 404");
    EXPECT_EQ(t.status, "Status: Update stopped: updatebase.zip could not be downloaded: the server answered 404");
    EXPECT_EQ(t.log, " - Update stopped: updatebase.zip could not be downloaded. The server answered with HTTP status 404");
    t = ChainStopped("updatebase.zip", ChainFailure::Unpack, "The archive \"updatebase.zip\" could not be unpacked. bad CRC");
    EXPECT_EQ(t.status, "Status: Update stopped: updatebase.zip could not be unpacked");
    EXPECT_EQ(t.log, " - Update stopped: The archive \"updatebase.zip\" could not be unpacked. bad CRC");
    t = ChainStopped("update.lasx", ChainFailure::NotStarted, "");
    EXPECT_EQ(t.log, " - Update stopped: update.lasx was not fetched: another download is still running");
    t = ChainStopped("updatevnbooks.zip", ChainFailure::HandOver, "Cannot start \"x\". No such file or directory");
    EXPECT_EQ(t.status, "Status: Update stopped: the updater could not be started");
}

namespace {

using Work = ChainStep::Work;

// One step as the walk below records it.
struct Seen {
    Work work;
    std::string file;
    std::optional<std::string> status;
    bool busy;
    bool operator==(const Seen&) const = default;
};

// Carries out a chain from `first` with every download and unpack succeeding, as the window
// would, and records each step that has work, with the busy flag after it.
std::vector<Seen> Walk(InstallChain& chain, ChainStep step, ChainStep* last = nullptr) {
    std::vector<Seen> seen;
    for (int guard = 0; guard < 20; ++guard) {
        if (step.work == Work::None) break;
        seen.push_back({step.work, step.file, step.status, chain.DownLoaderBusy()});
        const std::string file = step.file;
        if (step.work == Work::Download) step = chain.Downloaded(file, true, "");
        else if (step.work == Work::Unpack) step = chain.Unpacked(file, "");
        else break;
    }
    if (last) *last = step;
    return seen;
}

}  // namespace

TEST(InstallChain, AnAcceptedDataUpdateRunsToTheFreshUpdateInfo) {
    struct Case {
        const char* name;
        bool docs, base;
        std::vector<Seen> steps;
    };
    const Case cases[] = {
        {"documents only", true, false,
         {{Work::Download, "docs.zip", kStatusUpdating, true},
          {Work::Unpack, "docs.zip", std::nullopt, true},
          {Work::Download, "update.lasx", std::nullopt, true}}},
        // The cancel button is live again while the fresh update.lasx is fetched.
        {"database only", false, true,
         {{Work::Download, "updatebase.zip", kStatusUpdating, true},
          {Work::Unpack, "updatebase.zip", std::nullopt, true},
          {Work::Download, "update.lasx", std::nullopt, false}}},
        {"both", true, true,
         {{Work::Download, "docs.zip", kStatusFirstOfTwo, true},
          {Work::Unpack, "docs.zip", std::nullopt, true},
          {Work::Download, "updatebase.zip", kStatusSecondOfTwo, true},
          {Work::Unpack, "updatebase.zip", std::nullopt, true},
          {Work::Download, "update.lasx", std::nullopt, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallChain chain;
        if (c.docs) chain.DocsUpdateFound();
        if (c.base) chain.BaseUpdateFound();
        ChainStep end;
        EXPECT_EQ(Walk(chain, chain.AcceptDataUpdate(), &end), c.steps);
        EXPECT_TRUE(end.closePanel);
        EXPECT_FALSE(end.clearDescription);  // nothing else runs after the fresh update.lasx
        EXPECT_FALSE(chain.DownLoaderBusy());
        // The flags stay set: what stops a second installation is the panel, not the chain.
        EXPECT_EQ(chain.DocsUpdateAvailable(), c.docs);
        EXPECT_EQ(chain.BaseUpdateAvailable(), c.base);
    }

    // Nothing found, nothing started; "Download stories for reading" sets the documents flag
    // and is followed by a pending database.
    InstallChain idle;
    EXPECT_EQ(idle.AcceptDataUpdate().work, Work::None);
    EXPECT_FALSE(idle.DownLoaderBusy());
    InstallChain stories;
    stories.BaseUpdateFound();
    const auto steps = Walk(stories, stories.DownloadStories());
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_TRUE(stories.DocsUpdateAvailable());
    EXPECT_EQ(steps[0].status, std::optional<std::string>(kStatusFirstOfTwo));
    EXPECT_EQ(steps[2].file, "updatebase.zip");
}

TEST(InstallChain, AFailedStepEndsTheChainAndSaysWhy) {
    struct Case {
        const char* name;
        int failAt;  // the step of the both-archives chain that fails: 0 docs download, 1 docs unpack, ...
        const char* status;
        const char* log;
        bool noticeHidden;  // the documents were installed before the failure
    };
    const Case cases[] = {
        {"documents download", 0, "Status: Update stopped: docs.zip could not be downloaded",
         " - Update stopped: docs.zip could not be downloaded. why", false},
        {"documents unpack", 1, "Status: Update stopped: docs.zip could not be unpacked", " - Update stopped: why",
         false},
        {"database download", 2, "Status: Update stopped: updatebase.zip could not be downloaded",
         " - Update stopped: updatebase.zip could not be downloaded. why", true},
        {"database unpack", 3, "Status: Update stopped: updatebase.zip could not be unpacked",
         " - Update stopped: why", true},
        {"fresh update.lasx", 4, "Status: Update stopped: update.lasx could not be downloaded",
         " - Update stopped: update.lasx could not be downloaded. why", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InstallChain chain;
        chain.DocsUpdateFound();
        chain.BaseUpdateFound();
        ChainStep step = chain.AcceptDataUpdate();
        bool hidden = false;
        for (int i = 0; i < c.failAt; ++i) {
            step = step.work == Work::Download ? chain.Downloaded(step.file, true, "") : chain.Unpacked(step.file, "");
            hidden = hidden || step.hideBaseNotice;
        }
        const ChainStep stop =
            step.work == Work::Download ? chain.Downloaded(step.file, false, "why") : chain.Unpacked(step.file, "why");
        EXPECT_EQ(stop.work, Work::None);
        EXPECT_EQ(stop.status, std::optional<std::string>(c.status));
        EXPECT_EQ(stop.log, c.log);
        EXPECT_FALSE(stop.closePanel);
        EXPECT_FALSE(stop.hideBaseNotice);
        EXPECT_EQ(hidden, c.noticeHidden);
        EXPECT_EQ(stop.clearDescription, c.failAt != 4);
        EXPECT_FALSE(chain.DownLoaderBusy());
    }
}

TEST(InstallChain, ADownloadThatCannotStartEndsOnlyItsOwnChain) {
    // Inside a chain: the next archive cannot start, so the chain ends and frees the panel.
    InstallChain chain;
    chain.DocsUpdateFound();
    chain.BaseUpdateFound();
    ChainStep step = chain.Downloaded(chain.AcceptDataUpdate().file, true, "");
    step = chain.Unpacked(step.file, "");
    ASSERT_EQ(step.file, "updatebase.zip");
    ASSERT_TRUE(chain.DownLoaderBusy());
    step = chain.NotStarted(step.file);
    EXPECT_EQ(step.log, " - Update stopped: updatebase.zip was not fetched: another download is still running");
    EXPECT_FALSE(chain.DownLoaderBusy());

    // A starter run while a chain runs is refused and leaves that chain its busy flag.
    InstallChain running;
    running.DocsUpdateFound();
    (void)running.AcceptDataUpdate();
    step = running.NotStarted(running.StartDocuments().file);
    EXPECT_EQ(step.status, std::optional<std::string>("Status: Update stopped: docs.zip was not fetched: another "
                                                      "download is still running"));
    EXPECT_TRUE(running.DownLoaderBusy());
}

TEST(InstallChain, AProgramUpdateIsHandedOverOnlyWhenItArrivedWhole) {
    InstallChain chain;
    ChainStep step = chain.AcceptProgramUpdate();
    EXPECT_EQ(step.status, std::optional<std::string>("Update VantorBooks. Please wait"));
    EXPECT_EQ(step.work, Work::Download);
    EXPECT_EQ(step.file, "updatevnbooks.zip");
    EXPECT_TRUE(chain.DownLoaderBusy());
    step = chain.Downloaded("updatevnbooks.zip", true, "");
    EXPECT_EQ(step.work, Work::HandOver);
    step = chain.HandOverFailed(ChainFailure::HandOver, "Cannot start \"x\".");
    EXPECT_EQ(step.status, std::optional<std::string>("Status: Update stopped: the updater could not be started"));
    EXPECT_FALSE(chain.DownLoaderBusy());

    (void)chain.AcceptProgramUpdate();
    step = chain.Downloaded("updatevnbooks.zip", false, "HTTP status 404");
    EXPECT_EQ(step.work, Work::None);
    EXPECT_EQ(step.log, " - Update stopped: updatevnbooks.zip could not be downloaded. HTTP status 404");
    EXPECT_FALSE(chain.DownLoaderBusy());

    // Downloads that are not the chain's are not its business.
    EXPECT_FALSE(InstallChain::Handles("update_temp.lasx"));
    EXPECT_FALSE(InstallChain::Handles("update_whatnew.txt"));
    EXPECT_TRUE(InstallChain::Handles("update.lasx"));
}

TEST(InstallChain, AnotherUpdateInTheWayStopsTheChainBeforeItInstallsAnything) {
    const std::string why = "an interrupted update is to be undone at the next start";
    const std::string docsStop = "Update stopped: docs.zip was not installed: " + why;
    // Refused at the accept, before its download, and where its unpack or hand-over would start.
    InstallChain accepted;
    accepted.DocsUpdateFound();
    const ChainStep first = accepted.AcceptDataUpdate();
    ASSERT_TRUE(first.Installs());
    ChainStep stop = accepted.InTheWay(first, why);
    EXPECT_EQ(stop.work, Work::None);
    EXPECT_EQ(stop.status, std::optional<std::string>("Status: Update stopped: " + why));
    EXPECT_EQ(stop.log, " - " + docsStop);
    EXPECT_FALSE(stop.clearDescription);  // no download ended: the completion handler did not run
    EXPECT_FALSE(stop.hideBaseNotice);    // the update is still offered
    EXPECT_FALSE(accepted.DownLoaderBusy());

    InstallChain downloaded;
    downloaded.DocsUpdateFound();
    const ChainStep unpack = downloaded.Downloaded(downloaded.AcceptDataUpdate().file, true, "");
    ASSERT_TRUE(unpack.Installs());
    stop = downloaded.InTheWay(unpack, why);
    EXPECT_EQ(stop.log, " - " + docsStop);
    EXPECT_TRUE(stop.clearDescription);
    EXPECT_FALSE(downloaded.DownLoaderBusy());

    InstallChain program;
    const ChainStep handOver = program.Downloaded(program.AcceptProgramUpdate().file, true, "");
    ASSERT_TRUE(handOver.Installs());
    EXPECT_EQ(program.InTheWay(handOver, "another update is being put in place").log,
              " - Update stopped: updatevnbooks.zip was not installed: another update is being put in place");

    // The fresh update.lasx ends an update already installed: nothing of it moves.
    InstallChain ending;
    EXPECT_FALSE(ending.StartFreshUpdateInfo().Installs());
    EXPECT_FALSE(ChainStep{}.Installs());
}

#include "InstallChain.h"

#include "UpdateServer.h"

namespace viewer {

std::optional<std::string> DocsStarterStatus(bool docsUpdate, bool baseUpdate) {
    if (docsUpdate && !baseUpdate) return kStatusUpdating;
    if (docsUpdate && baseUpdate) return kStatusFirstOfTwo;
    return std::nullopt;
}

std::optional<std::string> BaseStarterStatus(bool docsUpdate, bool baseUpdate) {
    if (!docsUpdate && baseUpdate) return kStatusUpdating;
    if (docsUpdate && baseUpdate) return kStatusSecondOfTwo;
    return std::nullopt;
}

std::vector<std::string> DataUpdateOrder(bool docsUpdate, bool baseUpdate) {
    std::vector<std::string> order;
    if (docsUpdate) order.push_back(kDocsArchiveName);
    if (baseUpdate) order.push_back(kBaseArchiveName);
    if (!order.empty()) order.push_back(kUpdateInfoName);
    return order;
}

std::string NextDataDownload(bool docsUpdate, bool baseUpdate, std::string_view finished) {
    if (finished == kDocsArchiveName) docsUpdate = true;
    if (finished == kBaseArchiveName) baseUpdate = true;
    const auto order = DataUpdateOrder(docsUpdate, baseUpdate);
    for (size_t i = 0; i + 1 < order.size(); ++i)
        if (order[i] == finished) return order[i + 1];
    return {};
}

ChainStopTexts ChainStopped(std::string_view file, ChainFailure why, std::string_view reason,
                            std::string_view cause) {
    std::string what;
    switch (why) {
        case ChainFailure::Download: what = std::string(file) + " could not be downloaded"; break;
        case ChainFailure::Unpack: what = std::string(file) + " could not be unpacked"; break;
        case ChainFailure::NotStarted: what = std::string(file) + " was not fetched: another download is still running"; break;
        case ChainFailure::HandOver: what = "the updater could not be started"; break;
        case ChainFailure::InTheWay: what = std::string(file) + " was not installed: " + std::string(reason); break;
    }
    ChainStopTexts texts;
    // The status line has room for the reason only; the log names the archive too.
    texts.status = "Status: Update stopped: " +
                   (why == ChainFailure::InTheWay ? std::string(reason)
                                                  : what + (cause.empty() ? "" : ": " + std::string(cause)));
    // An unpack error already names the archive and says what went wrong.
    if (why == ChainFailure::Unpack && !reason.empty()) texts.log = " - Update stopped: " + std::string(reason);
    else if (reason.empty() || why == ChainFailure::InTheWay) texts.log = " - Update stopped: " + what;
    else texts.log = " - Update stopped: " + what + ". " + std::string(reason);
    return texts;
}

bool ChainStep::Installs() const {
    if (work == Work::Download) return file != kUpdateInfoName;
    return work == Work::Unpack || work == Work::HandOver;
}

std::optional<ChainStopTexts> RecoveryTexts(std::string_view notice) {
    if (notice.empty()) return std::nullopt;
    return ChainStopTexts{"Status: " + std::string(notice), " - " + std::string(notice)};
}

bool InstallChain::Handles(std::string_view file) {
    return file == kUpdateInfoName || file == kDocsArchiveName || file == kBaseArchiveName ||
           file == kProgramArchiveName;
}

namespace {

ChainStep DownloadStep(std::string file, std::optional<std::string> status = std::nullopt) {
    ChainStep step;
    step.status = std::move(status);
    step.work = ChainStep::Work::Download;
    step.file = std::move(file);
    return step;
}

}  // namespace

ChainStep InstallChain::StartDocuments() { return DownloadStep(kDocsArchiveName, DocsStarterStatus(docs_, base_)); }

ChainStep InstallChain::StartDatabase() { return DownloadStep(kBaseArchiveName, BaseStarterStatus(docs_, base_)); }

ChainStep InstallChain::StartFreshUpdateInfo() { return DownloadStep(kUpdateInfoName); }

ChainStep InstallChain::StartProgramArchive() { return DownloadStep(kProgramArchiveName); }

ChainStep InstallChain::AcceptDataUpdate() {
    if (!docs_ && !base_) return {};
    ChainStep step = docs_ ? StartDocuments() : StartDatabase();
    busy_ = true;
    return step;
}

ChainStep InstallChain::AcceptProgramUpdate() {
    ChainStep step = StartProgramArchive();
    step.status = kStatusProgram;
    busy_ = true;
    return step;
}

ChainStep InstallChain::DownloadStories() {
    docs_ = true;
    ChainStep step = StartDocuments();
    busy_ = true;
    return step;
}

ChainStep InstallChain::Next(std::string file) {
    ChainStep step = file == kBaseArchiveName ? StartDatabase() : StartFreshUpdateInfo();
    continuing_ = std::move(file);
    return step;
}

ChainStep InstallChain::Stop(std::string_view file, ChainFailure why, std::string_view reason,
                             std::string_view cause) {
    const ChainStopTexts texts = ChainStopped(file, why, reason, cause);
    ChainStep step;
    step.status = texts.status;
    step.log = texts.log;
    step.stopped = true;
    busy_ = false;
    return step;
}

ChainStep InstallChain::Downloaded(std::string_view file, bool ok, std::string_view error, std::string_view cause) {
    if (file == continuing_) continuing_.clear();
    ChainStep step;
    if (file == kUpdateInfoName) {
        // The end of a data update. A failed fetch keeps the old update.lasx, whose counters
        // offer the same update again; the panel stays open and says so.
        if (!ok) return Stop(file, ChainFailure::Download, error, cause);
        step.closePanel = true;
        busy_ = false;
        return step;
    }
    if (file != kDocsArchiveName && file != kBaseArchiveName && file != kProgramArchiveName) return step;
    // A failed download keeps whatever file was there before, so only one that arrived whole
    // is unpacked or handed over.
    if (!ok) {
        step = Stop(file, ChainFailure::Download, error, cause);
        step.clearDescription = true;
        return step;
    }
    step.work = file == kProgramArchiveName ? ChainStep::Work::HandOver : ChainStep::Work::Unpack;
    step.file = std::string(file);
    return step;
}

ChainStep InstallChain::Unpacked(std::string_view file, std::string_view error) {
    if (!error.empty()) {
        ChainStep step = Stop(file, ChainFailure::Unpack, error);
        step.clearDescription = true;
        return step;
    }
    ChainStep step = Next(NextDataDownload(docs_, base_, file));
    step.hideBaseNotice = true;
    if (file == kBaseArchiveName) {
        busy_ = false;  // also while the fresh update.lasx is still on its way
        step.clearDescription = true;
    }
    return step;
}

ChainStep InstallChain::NotStarted(std::string_view file) {
    if (file == continuing_) {
        continuing_.clear();
        return Stop(file, ChainFailure::NotStarted, "");
    }
    // Refused before anything changed: the chain that runs keeps its busy flag.
    const ChainStopTexts texts = ChainStopped(file, ChainFailure::NotStarted, "");
    ChainStep step;
    step.status = texts.status;
    step.log = texts.log;
    return step;
}

ChainStep InstallChain::InTheWay(const ChainStep& refused, std::string_view why) {
    if (refused.file == continuing_) continuing_.clear();
    ChainStep step = Stop(refused.file, ChainFailure::InTheWay, why);
    // An unpack or a hand-over is refused inside a completion handler, which ends as usual.
    step.clearDescription = refused.work != ChainStep::Work::Download;
    return step;
}

ChainStep InstallChain::HandOverFailed(ChainFailure why, std::string_view reason) {
    ChainStep step = Stop(kProgramArchiveName, why, reason);
    step.clearDescription = true;
    return step;
}

}  // namespace viewer

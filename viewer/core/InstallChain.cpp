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

ChainStopTexts ChainStopped(std::string_view file, ChainFailure why, std::string_view reason) {
    std::string what;
    switch (why) {
        case ChainFailure::Download: what = std::string(file) + " could not be downloaded"; break;
        case ChainFailure::Unpack: what = std::string(file) + " could not be unpacked"; break;
        case ChainFailure::NotStarted: what = std::string(file) + " was not fetched: another download is still running"; break;
        case ChainFailure::HandOver: what = "the updater could not be started"; break;
    }
    ChainStopTexts texts;
    texts.status = "Status: Update stopped: " + what;
    // An unpack error already names the archive and says what went wrong.
    if (why == ChainFailure::Unpack && !reason.empty()) texts.log = " - Update stopped: " + std::string(reason);
    else if (reason.empty()) texts.log = " - Update stopped: " + what;
    else texts.log = " - Update stopped: " + what + ". " + std::string(reason);
    return texts;
}

}  // namespace viewer

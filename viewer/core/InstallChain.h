// Installing updates without a window: the status texts of the update panel, the order of the
// downloads of a data update, and the texts of a chain that stopped.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viewer {

inline constexpr const char* kStatusUpdating = "Status: Updating the database. Please wait";
inline constexpr const char* kStatusFirstOfTwo = "Status: Downloading 1st package of two";
inline constexpr const char* kStatusSecondOfTwo = "Status: Downloading 2nd package of two";

// The status line the starters of docs.zip and updatebase.zip set from the two update flags;
// nothing when it stays as it is.
std::optional<std::string> DocsStarterStatus(bool docsUpdate, bool baseUpdate);
std::optional<std::string> BaseStarterStatus(bool docsUpdate, bool baseUpdate);

// The downloads of a data update in order: the archives the flags select, then a fresh
// update.lasx. Empty when neither flag is set.
std::vector<std::string> DataUpdateOrder(bool docsUpdate, bool baseUpdate);

// The download that follows the unpacked archive `finished` in a data update (the archive's
// own flag counts as set: it was fetched).
std::string NextDataDownload(bool docsUpdate, bool baseUpdate, std::string_view finished);

// Why a chain stopped.
enum class ChainFailure {
    Download,    // the file did not arrive whole
    Unpack,      // the archive could not be unpacked (or checked)
    NotStarted,  // another download was still running
    HandOver,    // the updater could not be started
};

struct ChainStopTexts {
    std::string status;  // for the update panel's status line
    std::string log;     // for the update log, after its time stamp
};
ChainStopTexts ChainStopped(std::string_view file, ChainFailure why, std::string_view reason);

}  // namespace viewer

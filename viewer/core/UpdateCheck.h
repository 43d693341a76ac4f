// The update check without a window: the lines of update.lasx it reads, the comparison of the
// server's copy with the local one, and the lines it writes to the update log.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace viewer {

// Lines of update.lasx, counted from 0.
inline constexpr size_t kLineBaseDate = 3;
inline constexpr size_t kLineDocsCounter = 8;
inline constexpr size_t kLineBaseCounter = 12;
inline constexpr size_t kLineProgramVersion = 15;

// Texts of the update log; each line is a time stamp followed by one of them.
inline constexpr const char* kLogStart = " - Start checking for updates";
inline constexpr const char* kLogAvailable = " - >>  Update is available now";
inline constexpr const char* kLogNothing = " - No updates found";
inline constexpr const char* kLogFailed = " - Update check failed: ";
inline constexpr const char* kLogBusy = " - Update check not started: another download is still running";

// Local time of a log line as hour:minute:second without leading zeros (9:5:7).
std::string LogTime(int hour, int minute, int second);
std::string LogTimeNow();

// Line `index` of a file's lines; past the end reads as empty text.
std::string LineAt(const std::vector<std::string>& lines, size_t index);

// What the check knows when the server's copy has arrived.
struct UpdateCheckInput {
    std::vector<std::string> serverLines;  // update_temp.lasx
    std::vector<std::string> localLines;   // update.lasx beside the program
    bool checkBase = false;                // AutoCheckBase = 1
    bool checkProgram = false;             // AutoCheckProgram = 1
    bool docsFolderExists = false;
    std::string programVersion;
    // State left by earlier checks of the run; the check only ever raises it.
    bool docsUpdateAvailable = false;
    bool baseUpdateAvailable = false;
    bool programNoticeShown = false;
};

struct UpdateCheckOutcome {
    bool docsUpdateAvailable = false;
    bool baseUpdateAvailable = false;
    bool showBaseNotice = false;     // Label6
    bool showProgramNotice = false;  // Label10
    std::vector<std::string> logTexts;  // log texts in order, without their time stamps
    // Set when a counter is not a number: the check stopped there. What it found before
    // stays (flags, notices, log texts); no outcome text follows.
    std::string failure;
    bool failed() const { return !failure.empty(); }
};

// A text of a data file as a log line shows it: cut after `max` characters (UTF-8), with "..."
// saying so.
std::string ShownText(std::string_view text, size_t max = 40);

// Why the bytes of an update.lasx from the server cannot replace the local one: not text, or
// without the lines the check and the start-up read (the base date as eight digits, the two
// counters as numbers, the version). Empty when they can.
std::string UpdateInfoProblem(std::string_view bytes);

// Compares the server's copy with the local one. A server copy of fewer than two lines holds
// nothing; a missing or empty version line offers no program update.
UpdateCheckOutcome RunUpdateCheck(const UpdateCheckInput& in);

}  // namespace viewer

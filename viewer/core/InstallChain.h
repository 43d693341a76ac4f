// Installing updates without a window: the chain that turns each finished download into the
// next step (the next download, an unpack, the hand-over to the updater), the status and log
// texts on the way, whether the update panel closes, and the update and busy flags the chain
// and the update check share. The window (and the update panel) only carry out its steps.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viewer {

inline constexpr const char* kStatusUpdating = "Status: Updating the database. Please wait";
inline constexpr const char* kStatusFirstOfTwo = "Status: Downloading 1st package of two";
inline constexpr const char* kStatusSecondOfTwo = "Status: Downloading 2nd package of two";
inline constexpr const char* kStatusProgram = "Update VantorBooks. Please wait";
// While start-up puts back what an interrupted update moved into place.
inline constexpr const char* kStatusUndoing = "Status: Undoing an interrupted update. Please wait";

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
    InTheWay,    // another update's moves are not all put back, or are under way
};

struct ChainStopTexts {
    std::string status;  // for the update panel's status line
    std::string log;     // for the update log, after its time stamp
};
// `reason`: the failure in full, for the log; `cause`: in a few words, for the status line.
ChainStopTexts ChainStopped(std::string_view file, ChainFailure why, std::string_view reason,
                            std::string_view cause = {});

// What the window tells once start-up has undone an interrupted update (`notice`, empty when
// there is nothing to tell): the update panel's status line and a line of the update log.
std::optional<ChainStopTexts> RecoveryTexts(std::string_view notice);

// One step for the window, carried out in the order of the fields.
struct ChainStep {
    std::optional<std::string> status;  // the update panel's new status line
    std::string log;                    // a line for the update log after its time stamp; empty: none
    bool hideBaseNotice = false;        // a data archive is installed: the notice goes
    enum class Work {
        None,
        Download,  // start the download `file` (selector and local name); report NotStarted when it can't
        Unpack,    // unpack the downloaded archive `file` into the installation; report Unpacked
        HandOver,  // check the program archive `file` and start the updater, then close; report HandOverFailed
    };
    Work work = Work::None;
    std::string file;
    bool stopped = false;           // the chain stopped here: the gauge keeps where it came
    bool closePanel = false;        // the data update ended: the update panel closes
    bool clearDescription = false;  // the completion handler's last act: the description box is emptied

    // Whether it fetches, unpacks or hands over an archive: none of that starts while another
    // update is in the way.
    bool Installs() const;
};

class InstallChain {
public:
    // Whether a finished download of this name belongs to the chain (the archives and the
    // fresh update.lasx).
    static bool Handles(std::string_view file);

    // The update flags (a document or a database update was found) only ever rise during a
    // run; the busy flag is set while a chain runs and keeps the update panel open.
    bool DocsUpdateAvailable() const { return docs_; }
    bool BaseUpdateAvailable() const { return base_; }
    bool DownLoaderBusy() const { return busy_; }
    void DocsUpdateFound() { docs_ = true; }
    void BaseUpdateFound() { base_ = true; }
    // Every branch of the completion handler that ends the dispatch frees the busy flag; the
    // update check's does so too.
    void DispatchEnded() { busy_ = false; }

    // The starters of the four chain downloads (the hidden routines 0705, 0706, 0707, 0711):
    // the status line their flags ask for, then the download.
    ChainStep StartDocuments();
    ChainStep StartDatabase();
    ChainStep StartFreshUpdateInfo();
    ChainStep StartProgramArchive();

    // What the update panel's accept button starts once the what's-new text is there: the data
    // archives the flags select (nothing when neither is set), or the program update.
    ChainStep AcceptDataUpdate();
    ChainStep AcceptProgramUpdate();
    // "Download stories for reading": the documents at once, followed by a pending database.
    ChainStep DownloadStories();

    // A download of the chain ended (ok: the file arrived whole; error: why not, in full and,
    // as `cause`, in a few words).
    ChainStep Downloaded(std::string_view file, bool ok, std::string_view error, std::string_view cause = {});
    // The unpack of a downloaded archive ended; an empty error: it is installed.
    ChainStep Unpacked(std::string_view file, std::string_view error);
    // A download the chain asked for could not start because another one runs. Inside a chain
    // that ends it; a starter run by hand leaves the running chain its busy flag.
    ChainStep NotStarted(std::string_view file);
    // The program update was not handed over (why: the archive or the updater, and the reason).
    ChainStep HandOverFailed(ChainFailure why, std::string_view reason);
    // A step that installs did not run because another update is in the way (`why`, for the
    // user): the chain stops there, and the update stays offered.
    ChainStep InTheWay(const ChainStep& refused, std::string_view why);

private:
    ChainStep Stop(std::string_view file, ChainFailure why, std::string_view reason, std::string_view cause = {});
    ChainStep Next(std::string file);  // a download that continues the chain
    bool docs_ = false;
    bool base_ = false;
    bool busy_ = false;
    std::string continuing_;  // the download the chain itself started last, until it ended
};

}  // namespace viewer

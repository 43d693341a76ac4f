// One download: a worker thread with its own HTTP client fetches one URL into one file. The
// body goes to a temporary file beside the target, which replaces the target only when the
// transfer succeeded, so a failed download leaves the old file as it was.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/SafeFile.h"

namespace viewer {

// Kinds of progress report: the transfer begins (value: announced size, -1 when the server
// announces none) and bytes so far.
inline constexpr int kProgressBegin = 0;
inline constexpr int kProgressBytes = 1;

struct DownloadSettings {
    std::chrono::milliseconds connectTimeout{15000};
    // A transfer that moves no byte for this long fails, while waiting for the answer as well
    // as in the middle of the body.
    std::chrono::milliseconds stallTimeout{30000};
    // A transfer slower than lowSpeedBytes a second over a whole lowSpeedWindow fails, so a
    // server that trickles cannot hold a download (and the ones after it) for long.
    long lowSpeedBytes = 512;
    std::chrono::seconds lowSpeedWindow{30};
    // A body larger than this fails, whether the server announces it or only sends it
    // (-1: no limit).
    int64_t maxBytes = -1;
    // Looks at the complete body before it replaces the target: a non-empty answer is why it
    // is not what was asked for, and the target stays as it was.
    std::function<std::string(const std::filesystem::path& body)> check;
    // Byte counts are reported at most this often, plus once at the end.
    std::chrono::milliseconds progressInterval{50};
    // Certificates to trust for https instead of the system's (empty: the system's).
    std::string caFile;
};

// What a failed download ran into.
enum class DownloadFailure {
    None,
    LocalFile,     // the file could not be made, written or put in place
    NoConnection,  // the server could not be reached
    HttpStatus,    // the server answered with an error status (httpStatus)
    Stalled,       // the server sent nothing for the stall timeout
    Cut,           // the transfer broke off, or the body stopped short of its announced size
    TooLarge,      // the body is larger than allowed
    Rejected,      // the body is not what was asked for (the settings' check)
    Stopped,       // Abort()
    Client,        // the HTTP client itself failed
};

struct DownloadResult {
    std::string name;  // the selector the download was started with
    std::string url;
    std::filesystem::path destFile;
    bool ok = false;       // the target now holds the complete response body
    bool aborted = false;  // stopped by Abort()
    long httpStatus = 0;   // of the last response, 0 when none arrived
    int64_t bytes = 0;     // body bytes received
    int64_t announced = -1;
    std::string error;  // why it failed, for the user
    DownloadFailure failure = DownloadFailure::None;
};

// Removes the partial downloads (".NAME.part-...") that a killed run left in `folder`; those a
// running download owns stay. Returns how many went.
size_t RemoveStalePartials(const std::filesystem::path& folder);

class TDownLoader {
public:
    // Runs on the worker thread; must not block it for long.
    using ProgressHandler = std::function<void(int kind, int64_t value)>;
    // Runs on the worker thread as its last act, also after a failure.
    using DoneHandler = std::function<void(const DownloadResult&)>;

    TDownLoader(std::string url, std::filesystem::path destFile, std::string name, DownloadSettings settings = {});
    // Aborts a running transfer and waits for the worker.
    ~TDownLoader();
    TDownLoader(const TDownLoader&) = delete;
    TDownLoader& operator=(const TDownLoader&) = delete;

    // Starts the worker; call once.
    void Start(ProgressHandler onProgress, DoneHandler onDone);
    // Asks the worker to stop; the transfer then fails as aborted. Safe from any thread.
    void Abort() { abort_.store(true); }

    const std::string URL;
    const std::filesystem::path DestFile;
    const std::string Name;

private:
    DownloadResult Execute();
    void DownLoaderWorkBegin(int64_t total);
    void DownLoaderWork(int64_t count, bool final);

    // The worker's side of the HTTP client: response headers, body chunks, stop requests.
    void OnHeaderLine(std::string_view line);
    bool OnBody(const char* data, size_t size);
    bool StopRequested() const { return abort_.load(); }
    struct Curl;  // the client's C callbacks and its transfer loop
    friend struct Curl;

    DownloadSettings settings_;
    ProgressHandler onProgress_;
    std::atomic<bool> abort_{false};
    std::thread worker_;

    // Worker-only state of the running transfer.
    platform::ReplacementFile file_;
    int writeErrno_ = 0;
    long responseStatus_ = 0;
    int64_t responseLength_ = -1;
    bool responseChunked_ = false;
    std::string responseEncoding_;  // Content-Encoding, when not the identity
    std::string unasked_;           // the encoding of the kept body, which was not asked for
    int64_t announced_ = -1;
    int64_t bytes_ = 0;
    bool tooLarge_ = false;
    int64_t reported_ = -1;
    bool begun_ = false;
    std::chrono::steady_clock::time_point lastReport_{};
    std::chrono::steady_clock::time_point lastActivity_{};
};

}  // namespace viewer

#include "TDownLoader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/SafeFile.h"
#include "platform/Unicode.h"

namespace fs = std::filesystem;

namespace viewer {

struct TDownLoader::Curl {
    static size_t Header(char* data, size_t size, size_t count, void* self) {
        static_cast<TDownLoader*>(self)->OnHeaderLine(std::string_view(data, size * count));
        return size * count;
    }
    static size_t Body(char* data, size_t size, size_t count, void* self) {
        return static_cast<TDownLoader*>(self)->OnBody(data, size * count) ? size * count : 0;
    }

    // The transfer of self's URL into self, with its limits; `errorBuffer` gets the client's
    // own text of a failure.
    static void Configure(TDownLoader& self, CURL* curl, char* errorBuffer) {
        const DownloadSettings& settings = self.settings_;
        curl_easy_setopt(curl, CURLOPT_URL, self.URL.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
        // An error status ends the transfer before its body could be mistaken for the file.
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connectTimeout.count()));
        if (settings.lowSpeedBytes > 0) {
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, settings.lowSpeedBytes);
            curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(settings.lowSpeedWindow.count()));
        }
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 256L * 1024L);
        if (!settings.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, settings.caFile.c_str());
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Header);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &self);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Body);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &self);
    }

    enum class End { Done, Stopped, Stalled, Broken };
    // Drives the transfer in short waits, so a stop request or a silent server is noticed
    // within a tenth of a second whatever the server does.
    static End Run(TDownLoader& self, CURL* easy, CURLcode& rc) {
        CURLM* multi = curl_multi_init();
        if (!multi) return End::Broken;
        curl_multi_add_handle(multi, easy);
        self.lastActivity_ = std::chrono::steady_clock::now();
        End end = End::Broken;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) break;
            if (!running) {
                int left = 0;
                while (CURLMsg* msg = curl_multi_info_read(multi, &left))
                    if (msg->msg == CURLMSG_DONE) rc = msg->data.result;
                end = End::Done;
                break;
            }
            if (self.StopRequested()) {
                end = End::Stopped;
                break;
            }
            if (std::chrono::steady_clock::now() - self.lastActivity_ >= self.settings_.stallTimeout) {
                end = End::Stalled;
                break;
            }
            if (curl_multi_poll(multi, nullptr, 0, 100, nullptr) != CURLM_OK) break;
        }
        curl_multi_remove_handle(multi, easy);
        curl_multi_cleanup(multi);
        return end;
    }
};

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

constexpr const char* kPartialMark = ".part-";

}  // namespace

size_t RemoveStalePartials(const fs::path& folder) {
    std::vector<fs::path> partials;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 1 && name[0] == '.' && name.find(kPartialMark) != std::string::npos &&
            it->is_regular_file(ec) && !it->is_symlink(ec))
            partials.push_back(it->path());
    }
    size_t removed = 0;
    for (const auto& p : partials) {
        const int lock = platform::OpenUnowned(p);
        if (lock < 0) continue;  // a running download's
        if (::unlink(p.c_str()) == 0) ++removed;
        ::close(lock);
    }
    return removed;
}

TDownLoader::TDownLoader(std::string url, fs::path destFile, std::string name, DownloadSettings settings)
    : URL(std::move(url)), DestFile(std::move(destFile)), Name(std::move(name)), settings_(std::move(settings)) {}

TDownLoader::~TDownLoader() {
    Abort();
    if (worker_.joinable()) worker_.join();
}

void TDownLoader::Start(ProgressHandler onProgress, DoneHandler onDone) {
    InitCurlOnce();
    onProgress_ = std::move(onProgress);
    worker_ = std::thread([this, onDone = std::move(onDone)] {
        const DownloadResult result = Execute();
        if (onDone) onDone(result);
    });
}

void TDownLoader::DownLoaderWorkBegin(int64_t total) {
    // The interval between counts runs from the begin; the clock's own zero is the machine's
    // start, which would let the first chunk through once the machine has run that long.
    lastReport_ = std::chrono::steady_clock::now();
    if (onProgress_) onProgress_(kProgressBegin, total);
}

void TDownLoader::DownLoaderWork(int64_t count, bool final) {
    const auto now = std::chrono::steady_clock::now();
    if (count == reported_) return;
    if (!final && now - lastReport_ < settings_.progressInterval) return;
    reported_ = count;
    lastReport_ = now;
    if (onProgress_) onProgress_(kProgressBytes, count);
}

// Header lines of every response arrive here, redirects included; only the response whose body
// is kept (a 2xx) begins the transfer.
void TDownLoader::OnHeaderLine(std::string_view line) {
    lastActivity_ = std::chrono::steady_clock::now();
    if (line.starts_with("HTTP/")) {
        responseStatus_ = 0;
        responseLength_ = -1;
        responseChunked_ = false;
        responseEncoding_.clear();
        const size_t space = line.find(' ');
        if (space != std::string_view::npos) {
            const std::string_view code = line.substr(space + 1, 3);
            std::from_chars(code.data(), code.data() + code.size(), responseStatus_);
        }
        return;
    }
    const std::string_view content = Trim(line);
    if (content.empty()) {
        if (responseStatus_ >= 200 && responseStatus_ < 300 && !begun_) {
            begun_ = true;
            announced_ = responseChunked_ ? -1 : responseLength_;
            if (settings_.maxBytes >= 0 && announced_ > settings_.maxBytes) tooLarge_ = true;
            // No encoding is asked for, so an encoded body is not the file (a compressed
            // update.lasx or archive would be taken for a damaged one).
            unasked_ = responseEncoding_;
            DownLoaderWorkBegin(announced_);
        }
        return;
    }
    const size_t colon = content.find(':');
    if (colon == std::string_view::npos) return;
    const std::string name(content.substr(0, colon));
    const std::string_view value = Trim(content.substr(colon + 1));
    if (platform::EqualsNoCase(name, "Content-Length")) {
        int64_t length = -1;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), length);
        responseLength_ = ec == std::errc() && end == value.data() + value.size() && length >= 0 ? length : -1;
    } else if (platform::EqualsNoCase(name, "Transfer-Encoding")) {
        responseChunked_ = true;
    } else if (platform::EqualsNoCase(name, "Content-Encoding") && !platform::EqualsNoCase(value, "identity")) {
        responseEncoding_ = value;
    }
}

bool TDownLoader::OnBody(const char* data, size_t size) {
    if (StopRequested() || !unasked_.empty()) return false;
    if (settings_.maxBytes >= 0 && (tooLarge_ || bytes_ + static_cast<int64_t>(size) > settings_.maxBytes)) {
        tooLarge_ = true;  // refused before it fills the disk
        return false;
    }
    if (const int err = file_.Write(data, size)) {
        writeErrno_ = err;
        return false;
    }
    lastActivity_ = std::chrono::steady_clock::now();
    bytes_ += static_cast<int64_t>(size);
    DownLoaderWork(bytes_, false);
    return true;
}

namespace {

// What a transfer the client ended with an error ran into; `answered`: a response had begun.
DownloadFailure TransferFailure(CURLcode rc, bool answered) {
    switch (rc) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
            return DownloadFailure::NoConnection;
        case CURLE_OPERATION_TIMEDOUT:
            return answered ? DownloadFailure::Cut : DownloadFailure::NoConnection;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return DownloadFailure::Cut;
        default:
            return DownloadFailure::Client;
    }
}

}  // namespace

DownloadResult TDownLoader::Execute() {
    DownloadResult r;
    r.name = Name;
    r.url = URL;
    r.destFile = DestFile;

    std::error_code ec;
    if (DestFile.has_parent_path()) {
        fs::create_directories(DestFile.parent_path(), ec);
        if (ec) {
            r.error = "Cannot create folder \"" + DestFile.parent_path().string() + "\". " + ec.message();
            r.failure = DownloadFailure::LocalFile;
            return r;
        }
    }
    // The body goes to a file of its own beside the target, which takes the target's place
    // only when the transfer succeeded.
    if (const int err = file_.Open(DestFile, "." + DestFile.filename().string() + kPartialMark, true)) {
        r.error = "Cannot create a file beside \"" + DestFile.string() + "\". " + std::strerror(err);
        r.failure = DownloadFailure::LocalFile;
        return r;
    }
    const fs::path tmp = DestFile.parent_path() / file_.TemporaryName();
    // It gets the mode the target has (or the usual mode of a new file), since it will take
    // the target's place.
    struct stat old;
    if (::stat(DestFile.c_str(), &old) == 0) (void)::fchmod(file_.fd(), old.st_mode & 07777);

    char curlError[CURL_ERROR_SIZE] = {};
    CURL* curl = curl_easy_init();
    CURLcode rc = CURLE_FAILED_INIT;
    Curl::End end = Curl::End::Broken;
    if (curl) {
        Curl::Configure(*this, curl, curlError);
        end = Curl::Run(*this, curl, rc);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.httpStatus);
        curl_easy_cleanup(curl);
    }
    if (begun_) DownLoaderWork(bytes_, true);

    r.bytes = bytes_;
    r.announced = announced_;
    r.aborted = end == Curl::End::Stopped || (abort_.load() && rc == CURLE_WRITE_ERROR);
    using F = DownloadFailure;
    const auto fail = [&r](F failure, std::string error) {
        r.failure = failure;
        r.error = std::move(error);
    };
    if (r.aborted) fail(F::Stopped, "The download was stopped");
    else if (end == Curl::End::Stalled)
        fail(F::Stalled, "The server sent nothing for " + std::to_string(settings_.stallTimeout.count()) + " ms");
    else if (end == Curl::End::Broken) fail(F::Client, "The HTTP client failed");
    else if (!unasked_.empty())
        fail(F::Rejected, "The server sent the file encoded as \"" + unasked_ + "\", which was not asked for");
    else if (tooLarge_)
        fail(F::TooLarge, "The file is larger than the " + std::to_string(settings_.maxBytes) + " bytes allowed for it");
    else if (writeErrno_) fail(F::LocalFile, "Cannot write file \"" + tmp.string() + "\". " + std::strerror(writeErrno_));
    else if (rc == CURLE_HTTP_RETURNED_ERROR || (rc == CURLE_OK && (r.httpStatus < 200 || r.httpStatus > 299)))
        fail(F::HttpStatus, "The server answered with HTTP status " + std::to_string(r.httpStatus));
    else if (rc != CURLE_OK)
        fail(TransferFailure(rc, r.httpStatus != 0 || bytes_ > 0), *curlError ? curlError : curl_easy_strerror(rc));
    else if (announced_ >= 0 && bytes_ != announced_)
        fail(F::Cut, "The server sent " + std::to_string(bytes_) + " of " + std::to_string(announced_) + " bytes");
    else if (const std::string wrong = settings_.check ? settings_.check(tmp) : std::string(); !wrong.empty())
        fail(F::Rejected, wrong);
    else if (const int err = file_.Commit(platform::Flush::Full))
        fail(F::LocalFile, "Cannot replace file \"" + DestFile.string() + "\". " + std::strerror(err));
    else r.ok = true;

    file_.Discard();
    return r;
}

}  // namespace viewer

#include "DownloadCause.h"

namespace viewer {

std::string DownloadCause(const DownloadResult& r) {
    switch (r.failure) {
        case DownloadFailure::None: return r.ok ? std::string() : r.error;
        case DownloadFailure::LocalFile: return "the file could not be saved";
        case DownloadFailure::NoConnection: return "no connection to the update server";
        case DownloadFailure::HttpStatus: return "the server answered " + std::to_string(r.httpStatus);
        case DownloadFailure::Stalled: return "the server stopped sending";
        case DownloadFailure::Cut:
            if (r.announced > 0)
                return "the transfer broke off at " + std::to_string(r.bytes * 100 / r.announced) + "%";
            return "the transfer broke off";
        case DownloadFailure::TooLarge: return "the file is larger than allowed";
        case DownloadFailure::Rejected: return "the server sent something else";
        case DownloadFailure::Stopped: return "the download was stopped";
        case DownloadFailure::Client: return r.error;
    }
    return r.error;
}

}  // namespace viewer

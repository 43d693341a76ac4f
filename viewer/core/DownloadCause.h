// Why a download failed, in the few words a status line gives it ("the server answered 404",
// "no connection to the update server"); the download's own error text, with its details,
// is for the update log.
#pragma once

#include <string>

#include "TDownLoader.h"

namespace viewer {

std::string DownloadCause(const DownloadResult& result);

}  // namespace viewer

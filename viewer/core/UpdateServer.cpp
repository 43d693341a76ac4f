#include "UpdateServer.h"

#include <cstdlib>

#ifndef VB_UPDATE_SERVER
#define VB_UPDATE_SERVER "http://vantorbooks.example.org"
#endif

namespace viewer {

std::string UpdateServerBase() {
    const char* chosen = std::getenv(kUpdateServerVariable);
    std::string base = chosen && *chosen ? chosen : VB_UPDATE_SERVER;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

std::string UpdateUrl(std::string_view serverFile) { return UpdateUrl(UpdateServerBase(), serverFile); }

std::string UpdateUrl(std::string_view serverBase, std::string_view serverFile) {
    while (!serverBase.empty() && serverBase.back() == '/') serverBase.remove_suffix(1);
    return std::string(serverBase) + kUpdatePath + std::string(serverFile);
}

bool MovesGauge(std::string_view selector) {
    return selector == kBaseArchiveName || selector == kDocsArchiveName || selector == kProgramArchiveName;
}

int64_t DownloadSizeLimit(std::string_view selector) { return MovesGauge(selector) ? -1 : kTextFileLimit; }

}  // namespace viewer

#include "UpdateServer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <exception>

#include "UpdateCheck.h"
#include "platform/TextFile.h"

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

int GaugeShift(int64_t size) {
    int shift = 0;
    while ((size >> shift) > INT_MAX) ++shift;
    return shift;
}

int GaugeValue(int64_t bytes, int shift, int maximum) {
    const int64_t scaled = std::max<int64_t>(bytes, 0) >> shift;
    return static_cast<int>(std::min<int64_t>(scaled, maximum));
}

int64_t DownloadSizeLimit(std::string_view selector) { return MovesGauge(selector) ? -1 : kTextFileLimit; }

DownloadCheck DownloadContentCheck(std::string_view selector) {
    if (selector != kUpdateInfoName) return {};
    return [](const std::filesystem::path& body) {
        try {
            return UpdateInfoProblem(platform::ReadFileBytes(body));
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
    };
}

}  // namespace viewer

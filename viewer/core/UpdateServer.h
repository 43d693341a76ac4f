// Where the update files live: the server address, the path below it, and the names of the
// files the viewer fetches and keeps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace viewer {

// The environment variable that points the viewer at another update server ("http://host:port"
// or "https://host"); without it the build's default server is used.
inline constexpr const char* kUpdateServerVariable = "VANTORBOOKS_UPDATE_SERVER";
inline constexpr const char* kUpdatePath = "/vncsoft/vantorbooks/update/";

// Selectors of the downloads; each also names the local file beside the program, and all but
// the first the server file ("update_temp.lasx" is the server's "update.lasx").
inline constexpr const char* kUpdateTempName = "update_temp.lasx";
inline constexpr const char* kUpdateInfoName = "update.lasx";
inline constexpr const char* kDataWhatsNewName = "update_whatnew.txt";
inline constexpr const char* kProgramWhatsNewName = "updatevantorbooks_whatnew.txt";
inline constexpr const char* kDocsArchiveName = "docs.zip";
inline constexpr const char* kBaseArchiveName = "updatebase.zip";
inline constexpr const char* kProgramArchiveName = "updatevnbooks.zip";

// Scheme and host (and port) of the update server, without a trailing "/".
std::string UpdateServerBase();
// The address of a file on the update server.
std::string UpdateUrl(std::string_view serverFile);
std::string UpdateUrl(std::string_view serverBase, std::string_view serverFile);

// Archive downloads move the progress gauge; the small text files do not.
bool MovesGauge(std::string_view selector);
// The gauge counts in int: a size beyond its range is shown scaled down by 2^shift, the
// least shift that brings it within.
int GaugeShift(int64_t size);
// Where the gauge stands after `bytes` of a file scaled by `shift`: never below nothing nor
// beyond its maximum.
int GaugeValue(int64_t bytes, int shift, int maximum);

// The largest body a download may bring: the small text files (update.lasx, the what's-new
// texts) are read whole into memory and shown, so a few hundred KiB; the archives have no
// limit but the disk (-1).
inline constexpr int64_t kTextFileLimit = 512 * 1024;
int64_t DownloadSizeLimit(std::string_view selector);

// Looks at a complete body before it replaces the local file: non-empty is why it must not.
using DownloadCheck = std::function<std::string(const std::filesystem::path& body)>;
// The fresh update.lasx of a data update replaces the local one, which every later check and
// start reads, only when it reads as one; the other downloads have no such check (empty).
DownloadCheck DownloadContentCheck(std::string_view selector);

}  // namespace viewer

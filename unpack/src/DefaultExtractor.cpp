// The extraction that the programs use by default: the archive component's five steps. The
// unpack step answers the archiver's questions itself (a full disk, a password, a failed item
// end the extraction at once), so no dialog is ever asked for from the unpacking thread, and
// it turns what it saw into a message that names the cause.
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "LibraryExtraction.h"
#include "platform/Unicode.h"
#include "unpack/UnpackArchive.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

namespace unpack {

namespace {

std::string Quoted(const std::u16string& name) { return "\"" + platform::Utf16ToUtf8(name) + "\""; }

// Whether an item name, as the archiver hands it on ('\' separators), would lead out of the
// folder it is extracted to: absolute, with a drive or a server, or climbing with "..".
bool LeavesTheFolder(const std::u16string& name) {
    if (name.empty()) return false;
    if (name[0] == u'\\' || name[0] == u'/' || name.find(u':') != std::u16string::npos) return true;
    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of(u"\\/", start);
        if (name.substr(start, end == std::u16string::npos ? end : end - start) == u"..") return true;
        if (end == std::u16string::npos) return false;
        start = end + 1;
    }
}

// Why the system would not let the item `name` be written, by its errno.
std::string WriteErrorText(const std::u16string& name, int err) {
    if (err == EFBIG) {
        struct rlimit limit{};
        std::string text = "The file " + Quoted(name) + " is larger than the file-size limit of this process allows";
        if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            text += " (" + std::to_string(limit.rlim_cur) + " bytes)";
        return text + ".";
    }
    return "The file " + Quoted(name) + " could not be written. " + std::strerror(err) + ".";
}

}  // namespace

void ExtractWithLibrary(const std::filesystem::path& archive, const std::filesystem::path& folder,
                        const std::function<void(double fraction)>& fraction) {
    ziplib::TZipArchiver zip;
    zip.Name = "ZipArchiver1";
    // What went wrong, first of each kind.
    bool diskFull = false;
    std::u16string needsPassword, failedItem;
    zip.OnDiskFull = [&](ziplib::TZABaseArchiver&, int32_t, const std::u16string&, bool& cancel) {
        diskFull = true;
        cancel = true;
    };
    zip.OnPassword = [&](ziplib::TZABaseArchiver&, const std::u16string& name, std::string&, bool& skip) {
        if (needsPassword.empty()) needsPassword = name;
        skip = true;
    };
    zip.OnProcessFileFailure = [&](ziplib::TZABaseArchiver&, const std::u16string& name, ziplib::TZAProcessOperation,
                                   int32_t, int32_t, const std::u16string&, ziplib::TZAAction& action) {
        if (failedItem.empty()) failedItem = name;
        action = ziplib::TZAAction::fxaAbort;  // the update is refused whole anyway
    };
    if (fraction)
        zip.OnOverallProgress = [&](ziplib::TZABaseArchiver&, double percent, ziplib::TZAProcessOperation,
                                    ziplib::TZAProgressPhase, bool&) { fraction(percent / 100.0); };
    zip.FileName = ziplib::NativeToWidePath(archive.string());
    zip.OpenArchive();
    // The library salvages what it can of an archive whose directory is gone; an update is
    // installed whole or not at all.
    if (zip.DirectoryRecovered()) {
        zip.CloseArchive();
        throw std::runtime_error("The archive is cut short or damaged: its directory is missing.");
    }
    zip.BaseDir = ziplib::NativeToWidePath(folder.string());
    zip.ExtractFiles(u"*.*", ziplib::kSearchEveryItem, u"");
    zip.CloseArchive();
    // An item that failed, was skipped or was cancelled leaves the update incomplete.
    if (!zip.BatchSucceeded()) {
        if (diskFull) throw std::runtime_error("There is no space left on the disk for the unpacked files.");
        if (zip.LastSystemError && !failedItem.empty())
            throw std::runtime_error(WriteErrorText(failedItem, zip.LastSystemError));
        if (!needsPassword.empty())
            throw std::runtime_error("The item " + Quoted(needsPassword) + " is encrypted: it needs a password.");
        if (!failedItem.empty() && LeavesTheFolder(failedItem))
            throw std::runtime_error("The item " + Quoted(failedItem) +
                                     " has a name that leads out of the installation.");
        if (!zip.LastError.empty()) throw std::runtime_error(zip.LastError);
        throw std::runtime_error(zip.Cancelled ? "The extraction was cancelled."
                                               : "Not every item of the archive was extracted.");
    }
}

Extractor DefaultExtractor() {
    return [](const std::filesystem::path& archive, const std::filesystem::path& folder) {
        ExtractWithLibrary(archive, folder, nullptr);
    };
}

}  // namespace unpack

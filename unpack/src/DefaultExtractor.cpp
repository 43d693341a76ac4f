// The extraction that the programs use by default: the archive component's five steps. The
// unpack step answers the archiver's questions itself (a full disk, a password, a failed item
// end the extraction at once), so no dialog is ever asked for from the unpacking thread, and
// it turns what it saw into a message that names the cause.
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "LibraryExtraction.h"
#include "platform/Unicode.h"
#include "unpack/UnpackArchive.h"
#include "ziplib/EZAException.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

namespace unpack {

namespace {

// An item's name as it is installed: '/' between its parts, as the other unpack messages
// write names (the archiver hands them on with '\\').
std::string Installed(const std::u16string& name) {
    std::string text = platform::Utf16ToUtf8(name);
    for (char& c : text)
        if (c == '\\') c = '/';
    return text;
}

std::string Quoted(const std::u16string& name) { return "\"" + Installed(name) + "\""; }

// Whether an item name, as the archiver hands it on ('\\' separators), would lead out of the
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

// The part of a failed item's path where the archive has both a file and a folder of one name
// (the item a file where a folder was made, or a folder where a file was written); empty when
// there is none. Looked up in what the extraction wrote so far.
std::string FileAndFolderClash(const std::filesystem::path& folder, const std::u16string& name) {
    const std::filesystem::path rel(Installed(name));
    std::filesystem::path at = folder, part;
    for (auto it = rel.begin(); it != rel.end(); ++it) {
        at /= *it;
        part /= *it;
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0) return {};
        const bool last = std::next(it) == rel.end();
        if (last ? S_ISDIR(st.st_mode) : !S_ISDIR(st.st_mode)) return part.generic_string();
    }
    return {};
}

// Why the library failed an item, from its message ("... Item "docs\\a.doc": <why> - Native
// error: 00008"); empty when it gave no reason of its own.
std::string ItemReason(const std::string& message) {
    const size_t item = message.find(" Item \"");
    const size_t colon = item == std::string::npos ? item : message.find("\": ", item + 7);
    if (colon == std::string::npos) return {};
    const size_t code = message.rfind(" - Native error: ");
    return message.substr(colon + 3, code == std::string::npos || code < colon ? std::string::npos : code - colon - 3);
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

// Opens the archive; what stops it is said in words, the library's code left out.
void Open(ziplib::TZipArchiver& zip, const std::filesystem::path& archive) {
    std::error_code ec;
    if (std::filesystem::file_size(archive, ec) == 0 && !ec) throw std::runtime_error("It is empty.");
    try {
        zip.FileName = ziplib::NativeToWidePath(archive.string());
        zip.OpenArchive();
    } catch (const ziplib::EZAException& e) {
        if (e.SystemError()) throw std::runtime_error(std::string("It cannot be read. ") + std::strerror(e.SystemError()) + ".");
        throw std::runtime_error("It is damaged or cut short.");
    }
    // The library salvages what it can of an archive whose directory is gone; an update is
    // installed whole or not at all.
    if (zip.DirectoryRecovered()) {
        zip.CloseArchive();
        throw std::runtime_error("It is damaged or cut short.");
    }
}

// What went wrong in a batch, first of each kind.
struct BatchTrouble {
    bool diskFull = false;
    std::u16string needsPassword, failedItem;
    std::string failedMessage;
};

// Why not every item came out, for the user.
std::string BatchFailureText(const ziplib::TZipArchiver& zip, const BatchTrouble& t, const std::filesystem::path& folder) {
    if (t.diskFull) return "There is no space left on the disk for the unpacked files.";
    if (!t.failedItem.empty()) {
        if (const std::string both = FileAndFolderClash(folder, t.failedItem); !both.empty())
            return "It holds a file and a folder both named \"" + both + "\".";
    }
    if (zip.LastSystemError && !t.failedItem.empty()) return WriteErrorText(t.failedItem, zip.LastSystemError);
    if (!t.needsPassword.empty()) return "The item " + Quoted(t.needsPassword) + " is encrypted: it needs a password.";
    if (t.failedItem.empty()) return zip.Cancelled ? "The extraction was cancelled." : "Not every item of the archive was extracted.";
    if (LeavesTheFolder(t.failedItem))
        return "The item " + Quoted(t.failedItem) + " has a name that leads out of the installation.";
    const std::string why = ItemReason(t.failedMessage);
    return "The item " + Quoted(t.failedItem) + " cannot be read" + (why.empty() ? "" : ": " + why) + ".";
}

}  // namespace

void ExtractWithLibrary(const std::filesystem::path& archive, const std::filesystem::path& folder,
                        const std::function<void(double fraction)>& fraction) {
    ziplib::TZipArchiver zip;
    zip.Name = "ZipArchiver1";
    BatchTrouble trouble;
    zip.OnDiskFull = [&](ziplib::TZABaseArchiver&, int32_t, const std::u16string&, bool& cancel) {
        trouble.diskFull = true;
        cancel = true;
    };
    zip.OnPassword = [&](ziplib::TZABaseArchiver&, const std::u16string& name, std::string&, bool& skip) {
        if (trouble.needsPassword.empty()) trouble.needsPassword = name;
        skip = true;
    };
    zip.OnProcessFileFailure = [&](ziplib::TZABaseArchiver&, const std::u16string& name, ziplib::TZAProcessOperation,
                                   int32_t, int32_t, const std::u16string& message, ziplib::TZAAction& action) {
        if (trouble.failedItem.empty()) {
            trouble.failedItem = name;
            trouble.failedMessage = platform::Utf16ToUtf8(message);
        }
        action = ziplib::TZAAction::fxaAbort;  // the update is refused whole anyway
    };
    if (fraction)
        zip.OnOverallProgress = [&](ziplib::TZABaseArchiver&, double percent, ziplib::TZAProcessOperation,
                                    ziplib::TZAProgressPhase, bool&) { fraction(percent / 100.0); };
    Open(zip, archive);
    zip.BaseDir = ziplib::NativeToWidePath(folder.string());
    zip.ExtractFiles(u"*.*", ziplib::kSearchEveryItem, u"");
    zip.CloseArchive();
    // An item that failed, was skipped or was cancelled leaves the update incomplete.
    if (!zip.BatchSucceeded()) throw std::runtime_error(BatchFailureText(zip, trouble, folder));
}

Extractor DefaultExtractor() {
    return [](const std::filesystem::path& archive, const std::filesystem::path& folder) {
        ExtractWithLibrary(archive, folder, nullptr);
    };
}

}  // namespace unpack

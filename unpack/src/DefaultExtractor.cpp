// The extraction that the programs use by default: the archive component's five steps.
#include <stdexcept>

#include "LibraryExtraction.h"
#include "unpack/UnpackArchive.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

namespace unpack {

void ExtractWithLibrary(const std::filesystem::path& archive, const std::filesystem::path& folder,
                        const std::function<void(double fraction)>& fraction) {
    ziplib::TZipArchiver zip;
    zip.Name = "ZipArchiver1";
    if (fraction)
        zip.OnOverallProgress = [&](ziplib::TZABaseArchiver&, double percent, ziplib::TZAProcessOperation,
                                    ziplib::TZAProgressPhase, bool&) { fraction(percent / 100.0); };
    zip.FileName = ziplib::NativeToWidePath(archive.string());
    zip.OpenArchive();
    // The library salvages what it can of an archive whose directory is gone; an update is
    // installed whole or not at all.
    if (zip.DirManager()->Recovered) {
        zip.CloseArchive();
        throw std::runtime_error("The archive is cut short or damaged: its directory is missing.");
    }
    zip.BaseDir = ziplib::NativeToWidePath(folder.string());
    zip.ExtractFiles(u"*.*", 10431, u"");
    zip.CloseArchive();
    // An item that failed, was skipped or was cancelled leaves the update incomplete.
    if (!zip.BatchSucceeded()) {
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

// The extraction that the programs use by default: the archive component's five steps.
#include <stdexcept>

#include "unpack/UnpackArchive.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

namespace unpack {
namespace {

void ExtractWithArchiver(const std::filesystem::path& archive, const std::filesystem::path& folder) {
    ziplib::TZipArchiver zip;
    zip.Name = "ZipArchiver1";
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
        if (!zip.LastError.empty()) throw std::runtime_error(zip.LastError);
        throw std::runtime_error(zip.Cancelled ? "The extraction was cancelled."
                                               : "Not every item of the archive was extracted.");
    }
}

}  // namespace

Extractor DefaultExtractor() { return ExtractWithArchiver; }

}  // namespace unpack

// The extraction that the programs use by default: the archive component's five steps.
#include <algorithm>
#include <stdexcept>

#include "platform/Unicode.h"
#include "unpack/UnpackArchive.h"
#include "ziplib/TZipArchiver.h"

namespace unpack {
namespace {

// The archive library names files in Windows form.
std::u16string LibraryName(const std::filesystem::path& p) {
    std::u16string s = platform::Utf8ToUtf16(p.string());
    std::replace(s.begin(), s.end(), u'/', u'\\');
    return s;
}

void ExtractWithArchiver(const std::filesystem::path& archive, const std::filesystem::path& folder) {
    ziplib::TZipArchiver zip;
    zip.Name = "ZipArchiver1";
    zip.FileName = LibraryName(archive);
    zip.OpenArchive();
    // The library salvages what it can of an archive whose directory is gone; an update is
    // installed whole or not at all.
    if (zip.DirManager()->Recovered) {
        zip.CloseArchive();
        throw std::runtime_error("The archive is cut short or damaged: its directory is missing.");
    }
    zip.BaseDir = LibraryName(folder);
    zip.ExtractFiles(u"*.*", 10431, u"");
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

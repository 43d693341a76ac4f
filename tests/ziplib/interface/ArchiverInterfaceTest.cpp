// Guards the archive library's interface: a program that includes the archiver's header alone,
// built against the public include folder alone, runs the archiver and catches what it raises.
#include "ziplib/TZipArchiver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "TempDir.h"

namespace {

std::u16string LibraryName(const std::filesystem::path& p) {
    std::u16string name = p.u16string();
    std::replace(name.begin(), name.end(), u'/', u'\\');
    return name;
}

}  // namespace

TEST(ArchiverInterface, TheLibrarysExceptionIsCaughtThroughTheArchiverHeader) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "junk.zip", "not an archive at all");
    struct Case {
        const char* name;
        const char* file;
        int32_t code;
    };
    const Case cases[] = {
        {"missing file", "missing.zip", ziplib::ZAError::ArchiveNotFound},
        {"not an archive", "junk.zip", ziplib::ZAError::InvalidArchive},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ziplib::TZipArchiver zip;
        zip.Name = "ZipArchiver1";
        zip.FileName = LibraryName(dir / c.file);
        try {
            zip.OpenArchive(ziplib::TZABaseArchiver::kModeReadOnly);
            ADD_FAILURE() << "the archive opened";
        } catch (const ziplib::EZAException& e) {
            EXPECT_EQ(e.NativeError(), c.code);
            EXPECT_EQ(std::string(e.Message()).rfind("ZipArchiver1: ", 0), 0u) << e.Message();
        }
        EXPECT_FALSE(zip.IsOpen());
        EXPECT_FALSE(zip.DirectoryRecovered());
    }
}

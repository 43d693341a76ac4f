// Guards that no name counts as lying on a removable drive here: with no drive letters on this
// platform, the floppy letters and every other name answer "not removable".
#include <gtest/gtest.h>

#include "UniTestHelpers.h"
#include "files/Drives.h"

using namespace ziplib;

TEST(Drives, NothingIsRemovable) {
    for (const char16_t* name : {u"A:\\archive.zip", u"b:\\x", u"B:", u"E:\\vol.z01", u"C:\\data\\a.zip",
                                 u"\\\\srv\\share\\a.zip", u"\\tmp\\a.zip", u"a.zip", u""}) {
        EXPECT_EQ(DriveTypeOf(name), kDriveFixed) << unitest::U8(name);
        EXPECT_FALSE(IsFloppyDrive(name)) << unitest::U8(name);
        EXPECT_FALSE(IsRemovableDrive(name)) << unitest::U8(name);
    }
}

// Guards the archive errors: every native code picks its message text (typos and all) and the
// composed message carries the component name and the five-digit code; building a message never
// fails, whatever the code or the arguments.
#include <gtest/gtest.h>

#include "ziplib/EZAException.h"

using namespace ziplib;

namespace {

std::string Suffix(int code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%05d", code);
    return std::string(" - Native error: ") + buf;
}

}  // namespace

TEST(EZAException, EveryCodeComposesItsMessage) {
    // Raised by a component named ZipArchiver1 with the arguments "a.zip", 7 and 9.
    struct Case { int code; int index; const char* text; };
    const Case cases[] = {
        {0, 0, "Unknown error"},
        {1, 1, "Index out of bounds"}, {2, 1, "Index out of bounds"}, {3, 1, "Index out of bounds"},
        {4, 1, "Index out of bounds"},
        {5, 2, "Invalid compression mode. Mode must be in [0-9] range"},
        {6, 3, "Unexpected nil pointer"},
        {7, 1, "Index out of bounds"},
        {8, 4, "Invalid size or check sum of file or unsupported compression format"},
        {9, 5, "File name is blank. Specify appropriate file name"},
        {10, 5, "File name is blank. Specify appropriate file name"},
        {11, 6, "File \"a.zip\" not found"}, {12, 6, "File \"a.zip\" not found"},
        {13, 7, "Archive is not open"}, {14, 7, "Archive is not open"},
        {15, 6, "File \"a.zip\" not found"},
        {16, 1, "Index out of bounds"},
        {17, 8, "SFXStub property is not specified"},
        {18, 6, "File \"a.zip\" not found"},
        {19, 9, "Cannot create file \"a.zip\""},
        {20, 10, "Cannot create directory \"a.zip\""},
        {21, 1, "Index out of bounds"},
        {22, 11, "Internal error. Update is not started"},
        {23, 9, "Cannot create file \"a.zip\""},
        {24, 1, "Index out of bounds"},
        {25, 11, "Internal error. Update is not started"},
        {26, 13, "Cannot proceed when update is not ended. Preceding EndUpdate call is required."},
        {27, 14, "Cannot delete file \"a.zip\""},
        {28, 15, "In-memory archive can be created only"},
        {29, 5, "File name is blank. Specify appropriate file name"},
        {30, 6, "File \"a.zip\" not found"}, {31, 6, "File \"a.zip\" not found"},
        {32, 16, "File is open in read-only mode"},
        {33, 12, "Cannot open file \"a.zip\""},
        {34, 17, "Invalid compressed size, rfs.size = a.zip, count = 7"},
        {35, 18, "Invalid archive file."},
        {36, 19, "Cannot create output file. Probably file is locked by another process. FileName = 'a.zip'."},
        {37, 20, "Archive is open. You should close it beore performing this operation."},
        {38, 6, "File \"a.zip\" not found"},
        {39, 21, "Unable to create directory"},
        {40, 22, "Cannot find Zip64 directory end record"},
        {41, 23, "Cannot compress file 'a.zip'. Zip64 mode is not enabled"},
        {42, 6, "File \"a.zip\" not found"},
        {43, 23, "Cannot compress file 'a.zip'. Zip64 mode is not enabled"},
        {44, 24, "Cannot open archive file. Opening aborted or invalid file"},
        {45, 24, "Cannot open archive file. Opening aborted or invalid file"},
        {46, 25, "Write to stream error"},
        {47, 26, "Cannot place SFX stub on volume. Volume size limit is too small"},
        {48, 27, "Archive is damaged. Open failed"},
        {49, 28, "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX"},
        {50, 29, "Archive already has SFX stub"},
        {51, 30, "Multi-volume archive is not allowed for custom stream"},
        {52, 31, "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times"},
        {53, 6, "File \"a.zip\" not found"}, {54, 6, "File \"a.zip\" not found"},
        {55, 32, "Deflate64 compression method is not supported"},
        {56, 33, "MakeSFX error"},
        {57, 27, "Archive is damaged. Open failed"},
        {58, 34, "Hashed list of file names is invalid"}, {59, 34, "Hashed list of file names is invalid"},
        {60, 35, "Cannot delete folder \"a.zip\""},
        {61, 36, "File name is too long: \r\n\"a.zip\""},
        {62, 37, "Multiple transactions are not supported for multi-volume archives"},
        {63, 0, "Unknown error"},
        {-1, 0, "Unknown error"},
        {100000, 0, "Unknown error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const EZAException e(c.code, "ZipArchiver1", {u"a.zip", 7, 9});
        EXPECT_EQ(e.NativeError(), c.code);
        EXPECT_EQ(e.ErrorCode(), c.index);
        const std::string suffix = c.code == -1 ? " - Native error: 000-1"
                                 : c.code == 100000 ? " - Native error: 100000" : Suffix(c.code);
        EXPECT_EQ(std::string(e.Message()), std::string("ZipArchiver1: ") + c.text + suffix);
    }
}

TEST(EZAException, TablesHoldEveryCodeOnce) {
    EXPECT_EQ(ErrorMessages().size(), 41u);
    for (size_t i = 38; i < 41; ++i) EXPECT_TRUE(ErrorMessages()[i].empty());
    for (size_t i = 0; i < ErrorCodeMap().size(); ++i) EXPECT_EQ(ErrorCodeMap()[i].code, static_cast<int>(i));
    EXPECT_EQ(ZAError::ArchiveNotFound, 12);
    EXPECT_EQ(EZAException::MessageIndexOf(ZAError::EndRecordNotFound), static_cast<int>(ZAMessage::ArchiveDamaged));
}

TEST(EZAException, NameArgumentsAndPlaceholders) {
    struct Case { const char* name; EZAException e; std::string message; };
    const Case cases[] = {
        {"no component name", EZAException(12, "", {u"C:\\Книги\\a.zip"}),
         "File \"C:\\Книги\\a.zip\" not found - Native error: 00012"},
        {"no arguments", EZAException(12, "ZipArchiver1"), "ZipArchiver1: File \"%s\" not found - Native error: 00012"},
        {"missing second number", EZAException(34, "", {5}), "Invalid compressed size, rfs.size = 5, count = %d - Native error: 00034"},
        {"extra arguments", EZAException(13, "Z", {u"x", 1, 2}), "Z: Archive is not open - Native error: 00013"},
        {"code 5", EZAException(5), "Invalid compression mode. Mode must be in [0-9] range - Native error: 00005"},
        {"percent in the name", EZAException(9, "%s%d"), "%s%d: File name is blank. Specify appropriate file name - Native error: 00009"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.e.Message(), c.message);
    }
    EXPECT_EQ(EZAException(5).ErrorCode(), 2);
    try {
        throw EZAException(ZAError::EndRecordNotFound, "ZipArchiver1");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "ZipArchiver1: Archive is damaged. Open failed - Native error: 00048");
    }
}

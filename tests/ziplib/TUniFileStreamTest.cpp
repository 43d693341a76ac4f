// Guards the wide-named file stream: create, write, seek and read back; and the open and create
// failures with their texts (full name, then the system's reason), a bad mode included.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "UniTestHelpers.h"
#include "ziplib/TUniFileStream.h"
#include "ziplib/UniExceptions.h"

using namespace ziplib;
using testsupport::TempDir;
using unitest::WinName;

TEST(TUniFileStream, CreatesWritesSeeksAndReads) {
    TempDir dir;
    const std::u16string name = WinName(dir / "Поток.bin");
    {
        TUniFileStream s(name, fmCreate);
        s.WriteBuffer("hello world", 11);
        EXPECT_EQ(s.Size(), 11);
        EXPECT_EQ(s.Seek(-5, TSeekOrigin::soEnd), 6);
        char buf[5];
        s.ReadBuffer(buf, 5);
        EXPECT_EQ(std::string(buf, 5), "world");
        EXPECT_EQ(s.Read(buf, 5), 0);  // at the end
        EXPECT_THROW(s.ReadBuffer(buf, 1), EReadError);
        s.SetSize(5);
        EXPECT_EQ(s.Size(), 5);
        EXPECT_EQ(s.Position(), 5);
    }
    TUniFileStream r(WinName(dir / "ПОТОК.BIN"), fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(r.Size(), 5);
    char buf[8] = {};
    EXPECT_EQ(r.Read(buf, 8), 5);
    EXPECT_EQ(std::string(buf), "hello");
    EXPECT_THROW(r.WriteBuffer("x", 1), EWriteError);  // opened for reading only

    TUniFileStream again(name, fmCreate);  // create truncates
    EXPECT_EQ(again.Size(), 0);
}

TEST(TUniFileStream, FailuresRaiseWithFullNameAndReason) {
    TempDir dir;
    const std::u16string missing = WinName(dir / "missing.zip");
    const std::string full = unitest::U8(missing);
    struct Case { const char* name; std::u16string file; uint16_t mode; bool create; std::string message; };
    const Case cases[] = {
        {"missing file", missing, fmOpenRead, false,
         "Cannot open file \"" + full + "\". No such file or directory"},
        {"mode outside the table", missing, 0x03, false, "Cannot open file \"" + full + "\". Invalid argument"},
        {"folder missing", WinName(dir / "no/such.zip"), fmCreate, true,
         "Cannot create file \"" + unitest::U8(WinName(dir / "no/such.zip")) + "\". No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            TUniFileStream s(c.file, c.mode);
            ADD_FAILURE() << "no exception";
        } catch (const EFCreateError& e) {
            EXPECT_TRUE(c.create);
            EXPECT_EQ(e.what(), c.message);
        } catch (const EFOpenError& e) {
            EXPECT_FALSE(c.create);
            EXPECT_EQ(e.what(), c.message);
        }
    }
}

#include "files/TempFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "platform/Unicode.h"
#include "ziplib/WideFiles.h"

namespace ziplib {
namespace {

std::u16string WithTrailingBackslash(std::u16string_view dir) {
    std::u16string s(dir);
    if (s.empty() || s.back() != u'\\') s += u'\\';
    return s;
}

std::u16string Hex4(uint32_t v) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string s(4, u'0');
    for (int i = 3; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = kDigits[v & 0xF];
    return s;
}

// Where the search for a free number starts: differs between processes and between calls.
uint32_t StartNumber() {
    static std::atomic<uint32_t> calls{0};
    const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return static_cast<uint32_t>(now ^ (now >> 16) ^ (static_cast<uint64_t>(::getpid()) << 4)) + 7919u * calls++;
}

bool IsLink(std::u16string_view name) {
    struct stat st;
    return ::lstat(WideToNativePath(name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

std::u16string SystemTempDir() {
    const char* env = std::getenv("TMPDIR");
    std::u16string dir = platform::Utf8ToUtf16(env && *env ? env : "/tmp");
    std::replace(dir.begin(), dir.end(), u'/', u'\\');
    return WithTrailingBackslash(dir);
}

std::u16string MakeTempFileName(std::u16string_view tempDir) {
    const std::u16string dir = tempDir.empty() ? SystemTempDir() : WithTrailingBackslash(tempDir);
    const uint32_t start = StartNumber();
    for (uint32_t k = 0; k < 0x10000; ++k) {
        const uint32_t number = (start + k) & 0xFFFF;
        if (number == 0) continue;
        std::u16string name = dir + u"FC" + Hex4(number) + u".TMP";
        const int fd = ::open(WideToNativePath(name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

bool RemoveDirTree(std::u16string_view dir) {
    // An empty name would list the root and take every empty folder of the disk with it.
    if (dir.empty()) return false;
    const std::u16string folder(dir);
    TWideSearchRec f;
    const uint32_t everyEntry = faReadOnly | faHidden | faSysFile | faDirectory | faArchive;  // no volume label
    for (int r = WideFindFirst(folder + u"\\*", everyEntry, f); r == 0; r = WideFindNext(f)) {
        if (!(f.Attr & faDirectory) || f.Name == u"." || f.Name == u"..") continue;
        const std::u16string sub = folder + u"\\" + f.Name;
        if (IsLink(sub)) continue;  // left in place, like a file; the tree then stays
        if (!RemoveDirTree(sub)) {
            WideFindClose(f);
            return false;
        }
    }
    WideFindClose(f);
    if (::rmdir(WideToNativePath(folder).c_str()) == 0) return true;
    return !WideDirectoryExists(folder);
}

}  // namespace ziplib

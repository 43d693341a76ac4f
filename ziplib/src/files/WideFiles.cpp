#include "ziplib/WideFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/Paths.h"
#include "platform/Unicode.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WidePaths.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {

struct WideFindState {
    std::string dir;                   // the local folder being listed
    std::vector<std::u16string> names;  // its matching entries, in order
    size_t next = 0;
};

namespace {

std::u16string WindowsForm(std::u16string_view name) {
    std::u16string s(name);
    std::replace(s.begin(), s.end(), u'/', u'\\');
    return s;
}

bool StatOf(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

bool ReadsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

uint32_t AttributesOf(const struct stat& st) {
    uint32_t a = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
    if (ReadsReadOnly(st)) a |= faReadOnly;
    return a;
}

int32_t DosDateTime(time_t t) {
    struct tm tm;
    if (!::localtime_r(&t, &tm)) return -1;
    const int year = tm.tm_year + 1900;
    if (year < 1980 || year > 2107) return -1;
    const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) | (static_cast<uint32_t>(tm.tm_mon + 1) << 5) |
                          static_cast<uint32_t>(tm.tm_mday);
    const uint32_t time = (static_cast<uint32_t>(tm.tm_hour) << 11) | (static_cast<uint32_t>(tm.tm_min) << 5) |
                          static_cast<uint32_t>(std::min(tm.tm_sec, 59) / 2);
    return static_cast<int32_t>((date << 16) | time);
}

// A drive ("C:") or a network share root: folders that cannot be made, only found.
bool IsVolumeRoot(std::u16string_view dir) {
    return !dir.empty() && WideExtractFileDrive(dir).size() == dir.size();
}

int Fail(int err) {
    errno = err;
    return InvalidHandle;
}

// Fills f from the next entry not excluded by its attributes; ENOENT when none is left.
int FillNext(TWideSearchRec& f) {
    WideFindState& s = *f.FindHandle;
    while (s.next < s.names.size()) {
        const std::u16string& name = s.names[s.next++];
        const std::string path = s.dir + "/" + platform::Utf16ToUtf8(name);
        struct stat st;
        if (!StatOf(path, st) && ::lstat(path.c_str(), &st) != 0) continue;  // vanished meanwhile
        const uint32_t attr = AttributesOf(st);
        if (attr & f.ExcludeAttr) continue;
        f.Time = DosDateTime(st.st_mtime);
        f.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
        f.Attr = attr;
        f.Name = name;
        return 0;
    }
    return ENOENT;
}

}  // namespace

std::string WideToNativePath(std::u16string_view name) {
    return platform::ResolvePath(platform::Utf16ToUtf8(name)).string();
}

std::u16string NativeToWidePath(std::string_view path) { return WindowsForm(platform::Utf8ToUtf16(path)); }

int WideFileCreate(std::u16string_view name) {
    const std::string path = WideToNativePath(name);
    struct stat st;
    if (StatOf(path, st)) {
        if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
        if (ReadsReadOnly(st)) return Fail(EACCES);
    }
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int WideFileOpen(std::u16string_view name, uint16_t mode) {
    const unsigned access = mode & 0x3;
    const unsigned share = (mode >> 4) & 0xF;
    if (access > 2 || share > 4) return Fail(EINVAL);
    static const int kFlags[] = {O_RDONLY, O_WRONLY, O_RDWR};
    const std::string path = WideToNativePath(name);
    const int fd = ::open(path.c_str(), kFlags[access] | O_CLOEXEC);
    if (fd < 0) return fd;
    struct stat st;
    int err = 0;
    if (::fstat(fd, &st) != 0) err = errno;
    else if (S_ISDIR(st.st_mode)) err = EISDIR;
    else if (access != 0 && ReadsReadOnly(st)) err = EACCES;
    if (err) {
        ::close(fd);
        return Fail(err);
    }
    return fd;
}

int32_t WideFileAge(std::u16string_view name) {
    struct stat st;
    if (!StatOf(WideToNativePath(name), st) || S_ISDIR(st.st_mode)) return -1;
    return DosDateTime(st.st_mtime);
}

bool WideFileExists(std::u16string_view name) {
    struct stat st;
    return !name.empty() && StatOf(WideToNativePath(name), st) && !S_ISDIR(st.st_mode);
}

bool WideDirectoryExists(std::u16string_view name) {
    struct stat st;
    return !name.empty() && StatOf(WideToNativePath(name), st) && S_ISDIR(st.st_mode);
}

uint32_t WideFileGetAttr(std::u16string_view name) {
    struct stat st;
    if (name.empty()) {
        errno = ENOENT;
        return InvalidFileAttributes;
    }
    if (!StatOf(WideToNativePath(name), st)) return InvalidFileAttributes;
    return AttributesOf(st);
}

bool WideFileSetAttr(std::u16string_view name, uint32_t attr) {
    const std::string path = WideToNativePath(name);
    struct stat st;
    if (name.empty() || !StatOf(path, st)) return false;
    mode_t mode = st.st_mode & 07777;
    if (attr & faReadOnly) mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else mode |= S_IWUSR;
    return ::chmod(path.c_str(), mode) == 0;
}

bool WideForceDirectories(std::u16string_view dir) {
    if (dir.empty()) throw EUniGeneralError("Unable to create directory");
    std::u16string target = WindowsForm(dir);
    while (target.size() > 1 && target.back() == u'\\') target.pop_back();
    // The missing folders from the target up, then made from the top down.
    std::vector<std::u16string> missing;
    std::u16string cur = target;
    while (!cur.empty() && !IsVolumeRoot(cur) && !WideDirectoryExists(cur)) {
        missing.push_back(cur);
        std::u16string parent = WideExcludeTrailingBackslash(WideExtractFilePath(cur));
        if (parent == cur) break;
        cur = std::move(parent);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        ::mkdir(WideToNativePath(*it).c_str(), 0777);  // a failure shows in the check below
    return WideDirectoryExists(target);
}

bool WideRenameFile(std::u16string_view oldName, std::u16string_view newName) {
    const std::string from = WideToNativePath(oldName);
    std::string to = WideToNativePath(newName);
    if (to == from) {
        // Only the case of the name changes: the new name as written, in the same folder.
        const std::u16string w = WindowsForm(newName);
        const std::u16string folder = WideExtractFilePath(w);
        const std::string base = folder.empty() ? std::string() : WideToNativePath(folder) + "/";
        to = base + platform::Utf16ToUtf8(WideExtractFileName(w));
        if (to == from) return true;
    }
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool WideDeleteFile(std::u16string_view name) {
    if (name.empty()) {
        errno = ENOENT;
        return false;
    }
    return ::unlink(WideToNativePath(name).c_str()) == 0;
}

int WideFindFirst(std::u16string_view path, uint32_t attr, TWideSearchRec& f) {
    WideFindClose(f);
    f.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory);
    const std::u16string p = WindowsForm(path);
    const std::u16string folder = WideExtractFilePath(p);
    const std::u16string mask = WideExtractFileName(p);
    if (mask.empty()) return ENOENT;
    auto state = std::make_shared<WideFindState>();
    state->dir = folder.empty() ? std::string(".") : WideToNativePath(folder);
    if (state->dir.empty()) state->dir = "/";
    DIR* d = ::opendir(state->dir.c_str());
    if (!d) return errno;
    std::vector<std::u16string> entries;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        entries.push_back(platform::Utf8ToUtf16(e->d_name));
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end());
    // A folder lists itself and its parent first; the root has neither.
    if (state->dir != "/") entries.insert(entries.begin(), {u".", u".."});
    for (auto& e : entries)
        if (WideMatchesMask(e, mask, true)) state->names.push_back(std::move(e));
    f.FindHandle = std::move(state);
    const int r = FillNext(f);
    if (r != 0) WideFindClose(f);
    return r;
}

int WideFindNext(TWideSearchRec& f) {
    if (!f.FindHandle) return EBADF;
    return FillNext(f);
}

void WideFindClose(TWideSearchRec& f) { f.FindHandle.reset(); }

std::u16string WideGetCurrentDir() {
    std::vector<char> buf(4096);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    return WindowsForm(platform::Utf8ToUtf16(buf.data()));
}

std::u16string WideExpandFileName(std::u16string_view name) {
    if (name.empty()) return {};
    std::u16string s = WindowsForm(name);
    std::u16string root;
    std::u16string drive = WideExtractFileDrive(s);
    if (!drive.empty()) {
        root = drive;
        root += u'\\';
        s.erase(0, drive.size());
    } else if (s.front() == u'\\') {
        root.assign(1, u'\\');
    } else {
        std::u16string full = WideGetCurrentDir();
        full += u'\\';
        full += s;
        s = std::move(full);
        drive = WideExtractFileDrive(s);
        root = drive;
        root += u'\\';
        s.erase(0, drive.size());
    }
    const bool trailing = s.size() > 1 && s.back() == u'\\';
    std::vector<std::u16string_view> parts;
    const std::u16string_view rest(s);
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t end = rest.find(u'\\', pos);
        if (end == std::u16string_view::npos) end = rest.size();
        const std::u16string_view part = rest.substr(pos, end - pos);
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        pos = end + 1;
    }
    std::u16string out = root;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += u'\\';
        out += parts[i];
    }
    if (trailing && !parts.empty()) out += u'\\';
    return out;
}

std::u16string WideSysErrorMessage(int code) {
    char buf[256];
    const char* text = ::strerror_r(code, buf, sizeof buf);
    const std::string_view t(text ? text : "");
    if (std::all_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) < 33; }))
        return platform::Utf8ToUtf16(FormatText("Unspecified error (%d) from %s.", {FormatArg(code), "system"}));
    return platform::Utf8ToUtf16(t);
}

}  // namespace ziplib

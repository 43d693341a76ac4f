// Fuzz target of the archive library: each input is an archive that is opened, listed, tested
// and extracted the way the programs do it, then changed and committed. Errors the library reports are expected; a crash, a
// sanitizer report, a leak, a hang, unbounded memory, a symbolic link or set-ID bit made, or
// anything written outside the extraction folder is a finding. An input holding the volume
// marker is a split archive: the bytes before each marker are its numbered volumes, the rest
// its last one.
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "archive/ArchiveChanges.h"
#include "platform/Unicode.h"
#include "ziplib/TZipArchiver.h"

namespace fs = std::filesystem;

namespace {

// One folder per process, reused by every input: the archive file, the volumes before it and
// base/, the extraction folder, and nothing else.
struct Scratch {
    fs::path root;
    fs::path archive;
    fs::path base;
};

[[noreturn]] void Finding(const std::string& what) {
    std::fprintf(stderr, "FINDING: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

constexpr char kVolumeMarker[] = "VBFZ-VOL";
constexpr std::size_t kMaxVolumes = 8;

// The volume files of an input, in order; the last is the archive itself.
std::vector<fs::path> WriteVolumes(const Scratch& s, const uint8_t* data, size_t size) {
    std::vector<fs::path> files;
    const auto write = [&](const fs::path& p, const uint8_t* from, size_t n) {
        std::ofstream f(p, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(from), static_cast<std::streamsize>(n));
        if (!f) Finding("cannot write " + p.string());
        files.push_back(p);
    };
    const size_t markerSize = std::strlen(kVolumeMarker);
    while (files.size() + 1 < kMaxVolumes) {
        const void* at = size ? ::memmem(data, size, kVolumeMarker, markerSize) : nullptr;
        if (!at) break;
        const size_t n = static_cast<size_t>(static_cast<const uint8_t*>(at) - data);
        char name[16];
        std::snprintf(name, sizeof name, "archive.z%02zu", files.size() + 1);
        write(s.root / name, data, n);
        data += n + markerSize;
        size -= n + markerSize;
    }
    write(s.archive, data, size);
    return files;
}

void RemoveEntryAt(int fd, const char* name, bool checking);

// Removes everything inside the folder open as fd, also what extraction left without write or
// search permission. While checking, a symbolic link or a set-ID or sticky bit found there is a
// finding: extraction makes none. Works by handles, so no path grows too long however deep the
// tree.
void EmptyFolderAt(int fd, bool checking) {
    const int listFd = ::dup(fd);
    DIR* d = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!d) {
        if (listFd >= 0) ::close(listFd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
    for (const auto& n : names) RemoveEntryAt(fd, n.c_str(), checking);
}

void RemoveEntryAt(int fd, const char* name, bool checking) {
    struct stat st;
    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (checking && S_ISLNK(st.st_mode)) Finding(std::string("symbolic link created: ") + name);
    if (checking && (st.st_mode & (S_ISUID | S_ISGID | S_ISVTX)))
        Finding(std::string("set-ID or sticky bit applied: ") + name);
    if (!S_ISDIR(st.st_mode)) {
        ::unlinkat(fd, name, 0);
        return;
    }
    ::fchmodat(fd, name, 0700, 0);
    const int sub = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub >= 0) {
        EmptyFolderAt(sub, checking);
        ::close(sub);
    }
    ::unlinkat(fd, name, AT_REMOVEDIR);
}

void EmptyFolder(const fs::path& dir, bool checking) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    EmptyFolderAt(fd, checking);
    ::close(fd);
}

void RemoveScratch();

const Scratch& TheScratch() {
    // Never destroyed, so the exit handler still finds it.
    static const Scratch* s = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/vbfuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        return new Scratch{tmpl, fs::path(tmpl) / "archive.zip", fs::path(tmpl) / "base"};
    }();
    static const bool removedAtExit = std::atexit(RemoveScratch) == 0;
    (void)removedAtExit;
    return *s;
}

void RemoveScratch() {
    const Scratch& s = TheScratch();
    EmptyFolder(s.root, false);
    std::error_code ec;
    fs::remove(s.root, ec);
}

// The library names files in Windows form.
std::u16string LibraryName(const fs::path& p) {
    std::u16string s = platform::Utf8ToUtf16(p.string());
    std::replace(s.begin(), s.end(), u'/', u'\\');
    return s;
}

// Nothing outside base/ but the volumes.
void CheckNothingEscaped(const Scratch& s, const std::vector<fs::path>& volumes) {
    std::error_code ec;
    for (fs::directory_iterator it(s.root, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        if (p != s.base && std::find(volumes.begin(), volumes.end(), p) == volumes.end())
            Finding("written outside the extraction folder: " + p.string());
    }
    if (ec) Finding("cannot list " + s.root.string() + ": " + ec.message());
}

// VB_FUZZ_TRACE=1 tells what each input did, to check by hand that the seeds reach the data.
bool Tracing() {
    static const bool on = [] {
        const char* v = std::getenv("VB_FUZZ_TRACE");
        return v && *v && *v != '0';
    }();
    return on;
}

void TraceBatch(const char* what, const ziplib::TZABaseArchiver& zip) {
    if (!Tracing()) return;
    std::fprintf(stderr, "  %s: %d of %d processed, %d failed%s %s\n", what, zip.ProcessedCount, zip.MarkedCount,
                 zip.FailedCount, zip.LastError.empty() ? "" : ", last:", zip.LastError.c_str());
}

void Exercise(const Scratch& s) {
    ziplib::TZipArchiver zip;
    zip.Name = "ZipArchiver1";
    zip.FileName = LibraryName(s.archive);
    // A wrong password first; the password event then gives the one the encrypted seeds were
    // made with, and skips the item when that one is wrong too.
    zip.SetPassword("wrong");
    zip.OnPassword = [](ziplib::TZABaseArchiver&, const std::u16string&, std::string& password, bool& skip) {
        skip = password == "fuzz";
        password = "fuzz";
    };
    zip.OnProcessFileFailure = [](ziplib::TZABaseArchiver&, const std::u16string&, ziplib::TZAProcessOperation,
                                  int32_t, int32_t, const std::u16string&, ziplib::TZAAction& action) {
        action = ziplib::TZAAction::fxaIgnore;
    };
    try {
        zip.OpenArchive();
        ziplib::TZAArchiveItem rec;
        for (bool more = zip.FindFirst(u"*.*", rec, u"", ziplib::kSearchEveryItem); more;
             more = zip.FindNext(rec)) {
            if (Tracing())
                std::fprintf(stderr, "  item %s (%llu bytes)\n",
                             platform::Utf16ToUtf8(rec.StoredPath + rec.FileName).c_str(),
                             static_cast<unsigned long long>(rec.UncompressedSize));
        }
        zip.BaseDir = LibraryName(s.base);
        zip.TestFiles(u"*.*", ziplib::kSearchEveryItem, u"");
        TraceBatch("test", zip);
        zip.ExtractFiles(u"*.*", ziplib::kSearchEveryItem, u"");
        TraceBatch("extract", zip);
        zip.CloseArchive();
    } catch (const std::exception& e) {
        // The library's own failures: EZAException, EArchiverError and the stream errors.
        if (Tracing()) std::fprintf(stderr, "  exception: %s\n", e.what());
    }
}

// The writing side on the same input: an item renamed, one deleted, a file added, committed,
// and the result opened and tested again. The commit may refuse or fail; it must not crash,
// leak, hang or leave its temporary file beside the archive.
void ExerciseCommit(const Scratch& s) {
    const fs::path added = s.base / "added.txt";
    {
        std::ofstream f(added, std::ios::binary);
        f << "added by the fuzz target";
    }
    ziplib::TZipArchiver zip;
    zip.FileName = LibraryName(s.archive);
    zip.BaseDir = LibraryName(s.base);
    zip.SetPassword("fuzz");
    zip.OnProcessFileFailure = [](ziplib::TZABaseArchiver&, const std::u16string&, ziplib::TZAProcessOperation,
                                  int32_t, int32_t, const std::u16string&, ziplib::TZAAction& action) {
        action = ziplib::TZAAction::fxaIgnore;
    };
    try {
        zip.OpenArchive();
        ziplib::ArchiveChanges::Begin(zip);
        ziplib::TZAArchiveItem rec;
        if (zip.FindFirst(u"*.*", rec, u"", ziplib::kSearchEveryItem)) {
            ziplib::ArchiveChanges::Rename(zip, rec.InternalSearchRec.Index, u"renamed/item.txt");
            if (zip.FindNext(rec)) {
                zip.MarkFilesToProcess(rec.StoredPath + rec.FileName, ziplib::kSearchEveryItem, u"");
                zip.ProcessFiles(ziplib::TZAProcessOperation::poDelete);
            }
        }
        ziplib::ArchiveChanges::Add(zip, LibraryName(added));
        ziplib::ArchiveChanges::Commit(zip);
        TraceBatch("commit", zip);
        zip.CloseArchive();
        zip.OpenArchive();
        zip.TestFiles(u"*.*", ziplib::kSearchEveryItem, u"");
        TraceBatch("test after the commit", zip);
        zip.CloseArchive();
    } catch (const std::exception& e) {
        if (Tracing()) std::fprintf(stderr, "  commit exception: %s\n", e.what());
    }
    fs::remove(added);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Scratch& s = TheScratch();
    const std::vector<fs::path> volumes = WriteVolumes(s, data, size);
    Exercise(s);
    CheckNothingEscaped(s, volumes);
    EmptyFolder(s.base, true);
    ExerciseCommit(s);
    CheckNothingEscaped(s, volumes);
    EmptyFolder(s.base, true);
    EmptyFolder(s.root, false);
    return 0;
}

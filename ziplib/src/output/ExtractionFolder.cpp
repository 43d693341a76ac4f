#include "ziplib/ExtractionFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/Unicode.h"
#include "ziplib/SafeOutputFile.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {

// The names of one folder by their case-folded form, read on the first name that is not there
// under its own spelling. Only this batch writes the folder, and it adds what it makes.
struct ExtractionFolder::Listing {
    std::unordered_map<std::string, std::string> byFolded;
    void Add(const std::string& name) {
        auto [it, fresh] = byFolded.try_emplace(platform::FoldCaseUtf8(name), name);
        if (!fresh && name < it->second) it->second = name;
    }
};

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string KeyOf(const struct stat& st) {
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

std::string SystemText(int err) { return platform::Utf16ToUtf8(WideSysErrorMessage(err)); }

std::string TempName() {
    thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char* hex = "0123456789abcdef";
    std::string s = ".extract-";
    std::uint64_t v = gen();
    for (int i = 0; i < 12; ++i, v >>= 4) s += hex[v & 0xF];
    return s + ".tmp";
}

}  // namespace

ExtractionFolder::ExtractionFolder(std::u16string_view baseDir) : baseDir_(baseDir) {
    for (char16_t& c : baseDir_)
        if (c == u'/') c = u'\\';
    if (!baseDir_.empty() && baseDir_.back() != u'\\') baseDir_ += u'\\';
    const std::u16string dir = baseDir_.empty() ? u"." : baseDir_;
    if (!WideDirectoryExists(dir)) WideForceDirectories(dir);
    baseFd_ = ::open(WideToNativePath(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd_ < 0) {
        const int err = errno;
        throw EExtractionFolderError(FormatText("Cannot create directory \"%s\". %s",
                                                {FormatArg(baseDir_), FormatArg(SystemText(err))}),
                                     baseDir_);
    }
}

ExtractionFolder::~ExtractionFolder() {
    if (haveLast_ && lastFd_ != baseFd_) ::close(lastFd_);
    if (baseFd_ >= 0) ::close(baseFd_);
}

std::u16string ExtractionFolder::FolderText(std::span<const std::u16string> folders) const {
    std::u16string s = baseDir_;
    for (const auto& f : folders) s += f + u"\\";
    return s;
}

ExtractionFolder::Listing* ExtractionFolder::ListingOf(int dirFd, bool load) {
    struct stat st;
    if (::fstat(dirFd, &st) != 0) return nullptr;
    const std::string key = KeyOf(st);
    if (auto it = listings_.find(key); it != listings_.end()) return it->second.get();
    if (!load) return nullptr;
    auto listing = std::make_unique<Listing>();
    const int dup = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dup < 0) return nullptr;
    DIR* d = ::fdopendir(dup);
    if (!d) {
        ::close(dup);
        return nullptr;
    }
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") listing->Add(name);
    }
    ::closedir(d);
    return listings_.emplace(key, std::move(listing)).first->second.get();
}

std::string ExtractionFolder::ResolveName(int dirFd, const std::string& name) {
    struct stat st;
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return name;
    if (Listing* l = ListingOf(dirFd, true)) {
        if (auto it = l->byFolded.find(platform::FoldCaseUtf8(name)); it != l->byFolded.end()) return it->second;
    }
    return name;
}

void ExtractionFolder::Remember(int dirFd, const std::string& name) {
    if (Listing* l = ListingOf(dirFd, false)) l->Add(name);
}

int ExtractionFolder::OpenFolder(std::span<const std::u16string> folders, bool create) {
    std::u16string key;
    for (const auto& f : folders) key += platform::FoldCaseUtf16(f) + u'\0';
    if (haveLast_ && key == lastKey_) return lastFd_;
    if (haveLast_ && lastFd_ != baseFd_) ::close(lastFd_);
    haveLast_ = false;

    int fd = baseFd_;
    const auto fail = [&](std::size_t upTo, int err) {
        if (fd != baseFd_) ::close(fd);
        const std::u16string text = FolderText(folders.first(upTo + 1));
        throw EExtractionFolderError(
            FormatText("Cannot create directory \"%s\". %s", {FormatArg(text), FormatArg(SystemText(err))}), text);
    };
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string name = ResolveName(fd, platform::Utf16ToUtf8(folders[i]));
        struct stat st;
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const int err = errno;
            if (err != ENOENT || !create) fail(i, err);
            if (::mkdirat(fd, name.c_str(), 0777) != 0 && errno != EEXIST) fail(i, errno);
            Remember(fd, name);
        } else if (S_ISLNK(st.st_mode)) {
            if (fd != baseFd_) ::close(fd);
            throw EUnsafePath("The folder \"" + platform::Utf16ToUtf8(FolderText(folders.first(i + 1))) +
                              "\" is a symbolic link; nothing is written through it");
        } else if (!S_ISDIR(st.st_mode)) {
            fail(i, ENOTDIR);
        }
        // O_NOFOLLOW: a link put in its place since the check is refused here too.
        const int next = ::openat(fd, name.c_str(), kDirFlags);
        if (next < 0) {
            const int err = errno;
            if (err == ELOOP) {
                if (fd != baseFd_) ::close(fd);
                throw EUnsafePath("The folder \"" + platform::Utf16ToUtf8(FolderText(folders.first(i + 1))) +
                                  "\" is a symbolic link; nothing is written through it");
            }
            fail(i, err);
        }
        if (fd != baseFd_) ::close(fd);
        fd = next;
    }
    lastKey_ = std::move(key);
    lastFd_ = fd;
    haveLast_ = true;
    return fd;
}

void ExtractionFolder::MakeFolders(std::span<const std::u16string> folders) { OpenFolder(folders, true); }

std::unique_ptr<SafeOutputFile> ExtractionFolder::CreateFile(const ItemPath& path) {
    const auto createError = [&](int err) {
        return EFCreateError(FormatText("Cannot create file \"%s\". %s",
                                        {FormatArg(path.target), FormatArg(SystemText(err))}));
    };
    if (!path.ok()) throw EUnsafePath(path.Message());
    if (path.parts.empty()) throw createError(EISDIR);
    const std::span<const std::u16string> folders(path.parts.data(), path.parts.size() - 1);
    int dirFd = -1;
    try {
        dirFd = OpenFolder(folders, false);
    } catch (const EExtractionFolderError&) {
        throw createError(ENOENT);
    }
    const std::string finalName = ResolveName(dirFd, platform::Utf16ToUtf8(path.parts.back()));
    struct stat st;
    if (::fstatat(dirFd, finalName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
        throw createError(EISDIR);
    const int ownDir = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (ownDir < 0) throw createError(errno);
    for (int attempt = 0;; ++attempt) {
        std::string temp = TempName();
        // O_EXCL | O_NOFOLLOW: a fresh file of our own, never one a link points at.
        const int fd = ::openat(ownDir, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return std::unique_ptr<SafeOutputFile>(
                new SafeOutputFile(*this, ownDir, fd, std::move(temp), finalName, path.target));
        const int err = errno;
        if (err != EEXIST || attempt >= 16) {
            ::close(ownDir);
            throw createError(err);
        }
    }
}

}  // namespace ziplib

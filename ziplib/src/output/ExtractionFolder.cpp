#include "output/ExtractionFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "ExtractionFolderParts.h"
#include "output/SafeOutputFile.h"
#include "platform/Unicode.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/WideFiles.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string SystemText(int err) { return platform::Utf16ToUtf8(WideSysErrorMessage(err)); }

}  // namespace

ExtractionFolder::ExtractionFolder(std::u16string_view baseDir, bool create) : baseDir_(baseDir) {
    for (char16_t& c : baseDir_)
        if (c == u'/') c = u'\\';
    if (!baseDir_.empty() && baseDir_.back() != u'\\') baseDir_ += u'\\';
    const std::u16string dir = baseDir_.empty() ? u"." : baseDir_;
    if (create && !WideDirectoryExists(dir)) WideForceDirectories(dir);
    const int fd = ::open(WideToNativePath(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        throw EExtractionFolderError(FormatText("Cannot create directory \"%s\". %s",
                                                {FormatArg(baseDir_), FormatArg(SystemText(err))}),
                                     baseDir_);
    }
    base_ = {std::make_shared<Handle>(fd), ListingFor(u"")};
}

ExtractionFolder::~ExtractionFolder() = default;

std::u16string ExtractionFolder::FolderText(std::span<const std::u16string> folders) const {
    std::u16string s = baseDir_;
    for (const auto& f : folders) s += f + u"\\";
    return s;
}

ExtractionFolder::Listing* ExtractionFolder::ListingFor(const std::u16string& key) {
    auto& slot = listings_[key];
    if (!slot) slot = std::make_unique<Listing>();
    return slot.get();
}


std::string ExtractionFolder::Lookup(const Open& folder, const std::string& name, EntryKind kind) {
    Listing& l = *folder.listing;
    if (!l.loaded) l.Load(folder.handle->fd);
    if (l.Holds(name)) {
        if (kind == EntryKind::File) Reclaim(folder, name);
        return name;
    }
    if (kind == EntryKind::Folder) return l.Spelling(name, false);
    // A file that another item of this batch wrote is that item's; this one gets its own.
    return l.Spelling(name, true);
}

void ExtractionFolder::Reclaim(const Open& folder, const std::string& name) {
    Listing& l = *folder.listing;
    const auto writer = l.WriterOf(name, true);
    if (!writer || writer->name == name) return;
    // An item spelt otherwise took this file's place, which was there before the batch, and now
    // the item of exactly this name comes: the other one moves to its own name. When that name
    // is taken too, a later item of that name replaced it already, and this copy gives way.
    const ExtractionFolder::Listing::Writer& other = *writer;
    if (l.Holds(other.name)) {
        l.Disown(name);
        return;
    }
    if (::renameat(folder.handle->fd, name.c_str(), folder.handle->fd, other.name.c_str()) != 0) {
        // Writing over it would lose the other item's bytes.
        const int err = errno;
        throw EFCreateError(FormatText("Cannot create file \"%s\". %s",
                                       {FormatArg(other.target), FormatArg(SystemText(err))}));
    }
    l.Remove(name);
    l.Wrote(other.name, other.name, other.target);
}

ExtractionFolder::Open ExtractionFolder::OpenFolder(std::span<const std::u16string> folders, bool create) {
    // The open folders are reused for the same names as asked for; another spelling is looked
    // up again, as it may name another folder (one the batch made under that spelling).
    std::size_t same = 0;
    while (same < folders.size() && same < openKeys_.size() && folders[same] == openKeys_[same]) ++same;
    openKeys_.resize(same);
    openFolders_.resize(same);
    openPaths_.resize(same);

    // A listing belongs to the folder on disk, by the spellings its path has there.
    std::u16string path = same == 0 ? std::u16string() : openPaths_.back();
    for (std::size_t i = same; i < folders.size(); ++i) {
        const Open parent = i == 0 ? base_ : openFolders_.back();
        const auto unsafe = [&] {
            return EUnsafePath("The folder \"" + platform::Utf16ToUtf8(FolderText(folders.first(i + 1))) +
                               "\" is a symbolic link; nothing is written through it");
        };
        const auto fail = [&](int err) {
            const std::u16string text = FolderText(folders.first(i + 1));
            return EExtractionFolderError(
                FormatText("Cannot create directory \"%s\". %s", {FormatArg(text), FormatArg(SystemText(err))}), text);
        };
        const std::string name = Lookup(parent, platform::Utf16ToUtf8(folders[i]), EntryKind::Folder);
        path += platform::Utf8ToUtf16(name) + u'\0';
        bool made = false;
        // O_NOFOLLOW: a link is never opened as a folder, whatever the listing said.
        int fd = ::openat(parent.handle->fd, name.c_str(), kDirFlags);
        if (fd < 0 && errno == ENOENT && create) {
            if (::mkdirat(parent.handle->fd, name.c_str(), 0777) == 0) made = true;
            else if (errno != EEXIST) throw fail(errno);
            parent.listing->Add(name);
            fd = ::openat(parent.handle->fd, name.c_str(), kDirFlags);
        }
        if (fd < 0) {
            const int err = errno;
            struct stat st;
            if (err == ELOOP ||
                (err == ENOTDIR && ::fstatat(parent.handle->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                 S_ISLNK(st.st_mode)))
                throw unsafe();
            throw fail(err);
        }
        Listing* listing = ListingFor(path);
        if (made) listing->loaded = listing->made = true;  // new and empty: nothing to read
        openKeys_.push_back(folders[i]);
        openFolders_.push_back({std::make_shared<Handle>(fd), listing});
        openPaths_.push_back(path);
    }
    return folders.empty() ? base_ : openFolders_.back();
}

void ExtractionFolder::MakeFolders(std::span<const std::u16string> folders) { OpenFolder(folders, true); }

std::optional<ExtractionFolder::Existing> ExtractionFolder::Find(const ItemPath& path) {
    if (!path.ok()) throw EUnsafePath(path.Message());
    if (path.parts.empty()) return Existing{faDirectory, -1};
    Open folder;
    try {
        folder = OpenFolder(std::span(path.parts.data(), path.parts.size() - 1), false);
    } catch (const EExtractionFolderError&) {
        return std::nullopt;
    }
    const std::string name = Lookup(folder, platform::Utf16ToUtf8(path.parts.back()), EntryKind::File);
    struct stat st;
    if (::fstatat(folder.handle->fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    std::uint32_t attr = faArchive;
    if (S_ISDIR(st.st_mode)) attr = faDirectory;
    else if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
    std::int32_t when = -1;
    std::tm tm{};
    if (::localtime_r(&st.st_mtime, &tm) && tm.tm_year + 1900 >= 1980 && tm.tm_year + 1900 <= 2107) {
        const auto date = static_cast<std::uint32_t>((tm.tm_year + 1900 - 1980) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
        const auto time = static_cast<std::uint32_t>(tm.tm_hour << 11 | tm.tm_min << 5 | tm.tm_sec / 2);
        when = static_cast<std::int32_t>(date << 16 | time);
    }
    return Existing{attr, when};
}

std::unique_ptr<SafeOutputFile> ExtractionFolder::CreateFile(const ItemPath& path) {
    const auto createError = [&](int err) {
        return EFCreateError(FormatText("Cannot create file \"%s\". %s",
                                        {FormatArg(path.target), FormatArg(SystemText(err))}));
    };
    if (!path.ok()) throw EUnsafePath(path.Message());
    if (path.parts.empty()) throw createError(EISDIR);
    const std::span<const std::u16string> folders(path.parts.data(), path.parts.size() - 1);
    Open folder;
    try {
        folder = OpenFolder(folders, false);
    } catch (const EExtractionFolderError&) {
        throw createError(ENOENT);
    }
    // The listing picks the spelling; the disk has the last word on what is there now.
    const std::string item = platform::Utf16ToUtf8(path.parts.back());
    const std::string target = Lookup(folder, item, EntryKind::File);
    // An item of this name under a folder spelt otherwise that found the same folder wrote
    // here: replacing its file would lose it silently.
    struct stat st;
    const bool there = ::fstatat(folder.handle->fd, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (const auto w = folder.listing->WriterOf(target, there && !S_ISDIR(st.st_mode)); w && w->target != path.target)
        throw EFCreateError(FormatText("Cannot create file \"%s\". The item \"%s\" of this batch was written there",
                                       {FormatArg(path.target), FormatArg(w->target)}));
    if (there && S_ISDIR(st.st_mode)) throw createError(EISDIR);
    auto file = std::make_unique<platform::ReplacementFile>();
    if (const int err = file->OpenAt(folder.handle->fd, target, ".extract-")) throw createError(err);
    return std::unique_ptr<SafeOutputFile>(
        new SafeOutputFile(folder.handle, folder.listing, std::move(file), target, item, path.target));
}

}  // namespace ziplib

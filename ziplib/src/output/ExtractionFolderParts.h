// The parts of an extraction folder that the files written in it share: the open folder
// handle and the folder's listing.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "output/ExtractionFolder.h"
#include "platform/Unicode.h"

namespace ziplib {

struct ExtractionFolder::Handle {
    explicit Handle(int f) : fd(f) {}
    ~Handle() { ::close(fd); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    int fd;
};

// A folder's names, read on the first look-up in it (a folder the batch made starts empty), and
// what the batch wrote there. Only the batch writes the folder, and it adds what it makes; the
// listing only chooses spellings, so a stale one can't lead anywhere the checks don't allow.
//
// A name that differs only in case finds an entry that was there before the batch (the data tree
// comes from a file system that ignores case), never one the batch made: two items "README" and
// "readme" are two files, as they are in the archive.
struct ExtractionFolder::Listing {
    // Who wrote a file of the batch: the item's own name and its whole target as the item
    // spells it (two items with the same name under folders spelt otherwise, which found the
    // same folder, have different targets).
    struct Writer {
        std::string name;
        std::u16string target;
    };

    bool loaded = false;
    // The batch made the folder: it started empty, so whatever it holds the batch put there.
    bool made = false;
    std::unordered_map<std::string, std::string> byFolded;  // the smallest spelling of each entry found there

    void Load(int dirFd) {
        loaded = true;
        const int dup = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dup < 0) return;
        DIR* d = ::fdopendir(dup);
        if (!d) {
            ::close(dup);
            return;
        }
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            names_.emplace(name, kNotWritten);
            auto [it, fresh] = byFolded.try_emplace(platform::FoldCaseUtf8(name), name);
            if (!fresh && name < it->second) it->second = name;
        }
        ::closedir(d);
    }

    // What the folder holds now, of what the batch did not write in a folder it made.
    bool Holds(const std::string& name) const { return names_.count(name) != 0; }
    // An entry the batch made.
    void Add(const std::string& name) { names_.try_emplace(name, kNotWritten); }
    void Remove(const std::string& name) { names_.erase(name); }
    // A file the batch wrote at `spelling` for the item named `item` with the target `target`.
    void Wrote(const std::string& spelling, const std::string& item, const std::u16string& target) {
        // Most files are written under their own item's name, through the one spelling of the
        // folder every item used: those are told by a mark, with no copy of either name, and in
        // a folder the batch made not even that (what it holds there is the batch's).
        const std::u16string own = platform::Utf8ToUtf16(item);
        if (target.ends_with(own)) {
            const std::u16string_view folder = std::u16string_view(target).substr(0, target.size() - own.size());
            if (!prefixKnown_) {
                prefix_ = folder;
                prefixKnown_ = true;
            }
            if (spelling == item && folder == prefix_) {
                const auto it = names_.find(spelling);
                if (it != names_.end()) it->second = kOwnName;
                else if (!made) names_.emplace(spelling, kOwnName);
                return;
            }
        }
        names_[spelling] = static_cast<std::uint32_t>(writers_.size()) + kFirstWriter;
        writers_.push_back({item, target});
    }
    bool Written(const std::string& spelling) const {
        const auto it = names_.find(spelling);
        return it != names_.end() && it->second != kNotWritten;
    }
    // Who wrote the file at `spelling`, when the batch did; `onDisk`: a file is there now.
    std::optional<Writer> WriterOf(const std::string& spelling, bool onDisk) const {
        const auto it = names_.find(spelling);
        if (it == names_.end() && made && onDisk && prefixKnown_)
            return Writer{spelling, prefix_ + platform::Utf8ToUtf16(spelling)};
        if (it == names_.end() || it->second == kNotWritten) return std::nullopt;
        if (it->second == kOwnName) return Writer{spelling, prefix_ + platform::Utf8ToUtf16(spelling)};
        return writers_[it->second - kFirstWriter];
    }
    // The file at `spelling` stays, but counts as one the batch did not write.
    void Disown(const std::string& spelling) {
        if (const auto it = names_.find(spelling); it != names_.end()) it->second = kNotWritten;
    }

private:
    static constexpr std::uint32_t kNotWritten = 0;  // there before the batch, or a folder it made
    static constexpr std::uint32_t kOwnName = 1;
    static constexpr std::uint32_t kFirstWriter = 2;  // then an index into writers_

    // Every entry of the folder, with who wrote it.
    std::unordered_map<std::string, std::uint32_t> names_;
    std::vector<Writer> writers_;
    std::u16string prefix_;  // the folder as the first item written here spelt it
    bool prefixKnown_ = false;
};

}  // namespace ziplib

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
#include "platform/CaseTwins.h"
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
// A name that differs only in case finds an entry that was there before the batch, never one the
// batch made: two items "README" and "readme" are two files, as they are in the archive.
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
            names_.Add(name, true);  // there before the batch: other spellings find it
        }
        ::closedir(d);
    }

    // What the folder holds now, of what the batch did not write in a folder it made.
    bool Holds(const std::string& name) const { return names_.Holds(name); }
    // The spelling `name` takes here; `refuseWritten`: never one a file of the batch took.
    std::string Spelling(const std::string& name, bool refuseWritten) const {
        if (!refuseWritten) return names_.Spelling(name);
        return names_.Spelling(name, [this](const std::string& twin) { return Written(twin); });
    }
    // An entry the batch made.
    void Add(const std::string& name) { names_.Add(name, false); }
    void Remove(const std::string& name) {
        names_.Remove(name);
        written_.erase(name);
    }
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
                if (made && !names_.Holds(spelling)) return;
                names_.Add(spelling, false);
                written_[spelling] = kOwnName;
                return;
            }
        }
        names_.Add(spelling, false);
        written_[spelling] = static_cast<std::uint32_t>(writers_.size()) + kFirstWriter;
        writers_.push_back({item, target});
    }
    bool Written(const std::string& spelling) const { return written_.count(spelling) != 0; }
    // Who wrote the file at `spelling`, when the batch did; `onDisk`: a file is there now.
    std::optional<Writer> WriterOf(const std::string& spelling, bool onDisk) const {
        const auto it = written_.find(spelling);
        if (it == written_.end()) {
            if (made && onDisk && prefixKnown_ && !names_.Holds(spelling))
                return Writer{spelling, prefix_ + platform::Utf8ToUtf16(spelling)};
            return std::nullopt;
        }
        if (it->second == kOwnName) return Writer{spelling, prefix_ + platform::Utf8ToUtf16(spelling)};
        return writers_[it->second - kFirstWriter];
    }
    // The file at `spelling` stays, but counts as one the batch did not write.
    void Disown(const std::string& spelling) { written_.erase(spelling); }

private:
    static constexpr std::uint32_t kOwnName = 0;
    static constexpr std::uint32_t kFirstWriter = 1;  // then an index into writers_

    platform::CaseTwins names_;  // every entry of the folder; what was there before is findable
    std::unordered_map<std::string, std::uint32_t> written_;  // the files the batch wrote: by whom
    std::vector<Writer> writers_;
    std::u16string prefix_;  // the folder as the first item written here spelt it
    bool prefixKnown_ = false;
};

}  // namespace ziplib

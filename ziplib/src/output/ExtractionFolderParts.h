// The parts of an extraction folder that the files written in it share: the open folder
// handle and the folder's listing.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <unordered_map>

#include "output/ExtractionFolder.h"
#include "platform/CaseTwins.h"

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
    bool loaded = false;
    platform::CaseTwins names;  // what the folder holds now; what was there before is findable
    // Files the batch wrote, by the spelling on disk: the item's own name and its whole target
    // as the item spells it (two items with the same name under folders spelt otherwise, which
    // found the same folder, have different targets).
    struct Writer {
        std::string name;
        std::u16string target;
    };
    std::unordered_map<std::string, Writer> writtenFor;
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
            names.Add(name, true);
        }
        ::closedir(d);
    }
    // An entry the batch made.
    void Add(const std::string& name) { names.Add(name, false); }
    // A file the batch wrote at `spelling` for the item named `item` with the target `target`.
    void Wrote(const std::string& spelling, const std::string& item, const std::u16string& target) {
        names.Add(spelling, false);
        writtenFor[spelling] = {item, target};
    }
};

}  // namespace ziplib

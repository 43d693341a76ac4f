// The parts of an extraction folder that the files written in it share: the open folder
// handle and the folder's listing.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <unordered_map>
#include <unordered_set>

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
    bool loaded = false;
    std::unordered_set<std::string> names;  // what the folder holds now
    std::unordered_map<std::string, std::string> byFolded;  // the smallest spelling of each entry found there
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
            names.insert(name);
            auto [it, fresh] = byFolded.try_emplace(platform::FoldCaseUtf8(name), name);
            if (!fresh && name < it->second) it->second = name;
        }
        ::closedir(d);
    }
    // An entry the batch made.
    void Add(const std::string& name) { names.insert(name); }
    // A file the batch wrote at `spelling` for the item named `item` with the target `target`.
    void Wrote(const std::string& spelling, const std::string& item, const std::u16string& target) {
        names.insert(spelling);
        writtenFor[spelling] = {item, target};
    }
};

}  // namespace ziplib

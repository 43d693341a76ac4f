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

// A folder's names and their case-folded forms, read on the first look-up in it (a folder the
// batch made starts empty). Only the batch writes the folder, and it adds what it makes; the
// listing only chooses spellings, so a stale one can't lead anywhere the checks don't allow.
struct ExtractionFolder::Listing {
    bool loaded = false;
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::string> byFolded;  // the smallest spelling of each
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
            if (name != "." && name != "..") Add(name);
        }
        ::closedir(d);
    }
    void Add(const std::string& name) {
        if (!names.insert(name).second) return;
        auto [it, fresh] = byFolded.try_emplace(platform::FoldCaseUtf8(name), name);
        if (!fresh && name < it->second) it->second = name;
    }
};

}  // namespace ziplib

// The names of one folder and which of them a name spelt otherwise finds. The data tree comes
// from a file system that ignores case, so "docs/Readme.txt" means "Docs/readme.txt" where that
// is there; but a file never takes a spelling another file of the same batch took, so "README"
// and "readme" of one batch stay two files.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace platform {

class CaseTwins {
public:
    // A name the folder holds. `findable`: names spelt otherwise find it (what was there
    // before, or what a caller brings together); otherwise only its own spelling does.
    void Add(const std::string& name, bool findable);
    // The folder no longer holds `name`; another spelling no longer finds it either.
    void Remove(const std::string& name) { names_.erase(name); }
    bool Holds(const std::string& name) const { return names_.count(name) != 0; }

    // The spelling `name` takes: its own where the folder holds it; else the smallest findable
    // name the folder holds that equals it without case, unless `refused` turns that one down
    // (a spelling a file of the batch took); else its own, an entry still to be made.
    std::string Spelling(const std::string& name, const std::function<bool(const std::string&)>& refused = {}) const;

private:
    std::unordered_set<std::string> names_;
    std::unordered_map<std::string, std::string> smallestByFolded_;  // of the findable names
};

}  // namespace platform

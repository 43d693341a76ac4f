// The journal of a move into place: written into the scratch folder before the first move, it
// says for each move what to put back when a move fails or the process is killed half-way. It
// is read whole or not at all, and applied only while every path in it lies inside the
// installation or its scratch folder and the files on disk are still as its moves left them;
// otherwise it is damaged and must not be applied.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace unpack {

// What the journal holds for one move; every path absolute.
struct JournalRecord {
    bool folder = false;
    std::filesystem::path target;  // in the installation
    std::filesystem::path from;    // a file's extracted copy, in the scratch folder
    std::filesystem::path kept;    // where a replaced file is kept, in the scratch folder
    ino_t newIno = 0;              // of the extracted file
    ino_t oldIno = 0;              // of the replaced file or the kept folder; 0: there was none
};

class Journal {
public:
    // The journal of `scratch`, a scratch folder directly inside the installation.
    explicit Journal(std::filesystem::path scratch);

    const std::filesystem::path& path() const { return path_; }

    // Writes the journal whole and flushed; throws std::exception with the reason.
    void Write(const std::vector<JournalRecord>& records) const;

    enum class State {
        None,      // no journal: nothing was begun, or all of it is done
        Pending,   // moves to put back
        Damaged,   // it must not be applied
        SetAside,  // a damaged one was set aside here before: the folder is left for a repair by hand
    };
    struct Contents {
        State state = State::None;
        std::vector<JournalRecord> records;  // when Pending
        std::string damage;                  // when Damaged: how, for the user, without a full stop
    };
    // Reads the journal and checks it against the installation as it is now.
    Contents Load() const;

    // Whether a journal lies in `scratch`, whatever it holds; cheap, for a look before an unpack.
    static bool PresentIn(const std::filesystem::path& scratch);

    // Its moves are done or all put back: the journal goes.
    void Retire() const;
    // Renames a damaged journal to a name that says so ("journal.damaged", or with a number when
    // that is taken), where later starts leave it and its folder alone; 0 or the errno.
    int SetAside(std::filesystem::path& asidePath) const;

private:
    std::string CheckPaths(const std::vector<JournalRecord>& records) const;
    std::string CheckDisk(const std::vector<JournalRecord>& records) const;
    std::filesystem::path scratch_;
    std::filesystem::path path_;
};

}  // namespace unpack

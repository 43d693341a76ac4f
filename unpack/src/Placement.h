// Putting an extracted tree in place over the installation: every move planned and checked
// before the first one, each replaced file kept until all moves are done, and a journal in the
// scratch folder that says what to put back when a move fails or the process is killed half-way.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace unpack {

struct Move {
    std::filesystem::path from;    // in the scratch folder
    std::filesystem::path target;  // in the installation, spelled as it is there
    std::string rel;               // relative to the installation, '/' separators, for messages
    bool folder = false;
    bool replaces = false;  // the target exists (a file that is replaced, a folder that is kept)
};

struct Plan {
    std::vector<Move> moves;  // parents before their contents
    std::vector<std::string> keptUserFiles;
    size_t files = 0;
};

// The extracted entries below `extracted` matched with the installation below `base`, each
// folder of the installation read once. Throws UnpackError (its message begins with `what`)
// when an entry is neither a file nor a folder, a file meets a folder or the reverse, or a
// folder that would be written into (or a file that would be replaced) cannot be written.
Plan PlanPlacement(const std::filesystem::path& extracted, const std::filesystem::path& base, const std::string& what);

// Carries out the plan: the extracted data and then a journal flushed to disk, the moves, the
// installation's folders flushed, the journal retired. When a move fails, what was moved is
// put back and UnpackError is thrown; `kept` is set when something could not be put back, so
// the scratch folder (with its journal) must stay for the next start.
void PlaceAll(const Plan& plan, const std::filesystem::path& scratch, const std::string& what,
              const std::function<void(size_t done, size_t total)>& progress, bool& kept);

enum class RollBackOutcome {
    Done,            // nothing is left to put back (also when there is no journal): the folder can go
    NotPutBack,      // a move could not be put back; the journal stays for the next start
    DamagedJournal,  // the journal cannot be read, is not whole, leads outside the installation or no
                     // longer matches it; nothing of it was applied
    KeptForRepair,   // a damaged journal was set aside here before: the folder stays as it is
};

// Puts back what the journal in `scratch` says was begun, and removes what copies over its
// targets that a kill cut off left beside them; a journal whose moves are all put back is
// retired. `why` says what went wrong, for the user.
RollBackOutcome RollBack(const std::filesystem::path& scratch, std::string& why);

}  // namespace unpack

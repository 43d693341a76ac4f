// The moves into place and their undo, file by file, as the journal records them. A replaced
// file is always kept (in the scratch folder) until every move is done, so each move can be put
// back; where two paths lie on different file systems a move is a copy.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "Journal.h"

namespace unpack {

// Renames, or copies where the two lie on different file systems.
void MoveOver(const std::filesystem::path& from, const std::filesystem::path& target);

// Moves one extracted file over its existing target and keeps the replaced file where the
// record says (the scratch folder's copy of it, or `kept`).
void ReplaceKeeping(const JournalRecord& r);

// The move that could not be put back: the installed file and why.
struct UndoFailure {
    std::string file;
    std::string why;  // the system's text: a sentence without its full stop
};

// Puts back the first `count` moves, the last one first; false when one could not be put back,
// and the first such names its file and why in `failure`.
bool UndoAll(const std::vector<JournalRecord>& records, size_t count, UndoFailure* failure);

// Whether a name is that of a copy over a target until it takes the target's place
// (".NAME.unpack-" and a random tail).
bool IsCopyLeftoverName(std::string_view name);

// Removes the copies over the records' targets that a kill left beside them; one that a
// running copy holds locked stays, and so does every other file.
void RemoveCopyLeftovers(const std::vector<JournalRecord>& records);

}  // namespace unpack

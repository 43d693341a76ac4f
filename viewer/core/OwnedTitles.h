// The titles of the books the user owns, one file per sub-list: S\Books\_have.txt, code page
// 1251, one title per line in the order they were added. Titles compare exactly with the
// items of the book list.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "Catalog.h"

namespace viewer {

std::filesystem::path OwnedTitlesFile(const CatalogPlace& place);

// The lines of the file; a file that does not exist yet is an empty list. A file that exists
// but cannot be read is a FileError, so nothing is written over it.
std::vector<std::string> ReadOwnedTitles(const std::filesystem::path& file);

// Appends the title unless a line already equals it; returns whether the file was written.
// The first title of a sub-list creates the file (and its Books folder). The file is replaced
// through a temporary file, so a failed write leaves the old list whole.
bool AddOwnedTitle(const std::filesystem::path& file, const std::string& title);

// Deletes the last line equal to the title; returns whether the file was written. Without
// the file, or without such a line, nothing is written.
bool RemoveOwnedTitle(const std::filesystem::path& file, const std::string& title);

// Indices of the items that equal some owned title: the rows that get "Have".
std::vector<int> OwnedRows(const std::vector<std::string>& items, const std::vector<std::string>& owned);

}  // namespace viewer

// INI files with the rules the data and options files were written for: section and key names
// compare case-insensitively, keys may hold spaces, values are trimmed, a missing file reads as
// empty, and every write reaches the disk at once through a temporary file and a rename.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/FileStamp.h"

namespace platform {

enum class IniEncoding { Cp1251, Utf8 };

// Integer text as the INI readers take it: optional sign, decimal, or hex after "$" or "0x";
// nothing else, and nothing outside 32 bits.
std::optional<int32_t> ParseInt32(std::string_view text);

class IniFile {
public:
    explicit IniFile(std::filesystem::path path, IniEncoding encoding = IniEncoding::Cp1251);

    const std::filesystem::path& FileName() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    bool SectionExists(std::string_view section) const;
    // Names of all sections, in file order.
    std::vector<std::string> ReadSections() const;

    // Throw FileError when the file cannot be written; the file on disk is then unchanged.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    // Several keys of one section in one write, so they reach the disk together, at the cost
    // of one.
    void WriteIntegers(std::string_view section, std::initializer_list<std::pair<std::string_view, int32_t>> values);
    // Makes an empty section (used where a section stands for a key that exists without values).
    void CreateSection(std::string_view section);

private:
    void Refresh() const;
    void Store(std::vector<std::string> lines);
    // Index of the first line of the section's header, or -1.
    int FindSection(std::string_view section) const { return FindSection(lines_, section); }
    static int FindSection(const std::vector<std::string>& lines, std::string_view section);
    // Index of the key's line within the section that starts at header, or -1.
    int FindKey(int header, std::string_view key) const { return FindKey(lines_, header, key); }
    static int FindKey(const std::vector<std::string>& lines, int header, std::string_view key);
    // The key's line in the section set to the value, the section made where there is none.
    static void SetValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                         std::string_view value);

    std::filesystem::path path_;
    IniEncoding encoding_;
    // Lines in UTF-8, re-read when the file on disk changed since the last look.
    mutable std::vector<std::string> lines_;
    mutable FileStamp stamp_;
    mutable bool loaded_ = false;
};

}  // namespace platform

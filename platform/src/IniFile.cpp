#include "platform/IniFile.h"

#include <cerrno>
#include <charconv>

#include "platform/CodePage.h"
#include "platform/FileError.h"
#include "platform/TextFile.h"
#include "platform/Unicode.h"

namespace platform {
namespace {

std::string_view Trim(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// The section name of a header line "[name]", or nothing.
std::optional<std::string_view> HeaderName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// Splits "key=value"; lines without "=" and comment lines hold no key.
bool SplitKey(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return false;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    // A value quoted at both ends loses its quotes.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

}  // namespace

std::optional<int32_t> ParseInt32(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (base == 16) {
        // Hex texts are bit patterns: $FFFFFFFF is -1.
        if (value > 0xFFFFFFFFull) return std::nullopt;
        const auto bits = static_cast<int32_t>(static_cast<uint32_t>(value));
        return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(bits)) : bits;
    }
    if (negative) {
        if (value > 2147483648ull) return std::nullopt;
        return static_cast<int32_t>(-static_cast<int64_t>(value));
    }
    if (value > 2147483647ull) return std::nullopt;
    return static_cast<int32_t>(value);
}

IniFile::IniFile(std::filesystem::path path, IniEncoding encoding)
    : path_(std::move(path)), encoding_(encoding) {}

void IniFile::Refresh() const {
    const FileStamp now = FileStamp::Of(path_);
    if (loaded_ && now == stamp_ && !now.IsRecent()) return;
    lines_.clear();
    if (now.exists) {
        std::string bytes;
        try {
            bytes = ReadFileBytes(path_);
        } catch (const FileError&) {
            bytes.clear();  // an unreadable file reads as empty, like a missing one
        }
        if (encoding_ == IniEncoding::Utf8 && bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
        lines_ = SplitLines(bytes);
        if (encoding_ == IniEncoding::Cp1251)
            for (auto& line : lines_) line = BytesToUtf8(line, CodePage::Cp1251);
    }
    stamp_ = now;
    loaded_ = true;
}

int IniFile::FindSection(const std::vector<std::string>& lines, std::string_view section) {
    const std::string want = FoldCaseUtf8(Trim(section));
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = HeaderName(lines[i]);
        if (name && FoldCaseUtf8(*name) == want) return static_cast<int>(i);
    }
    return -1;
}

int IniFile::FindKey(const std::vector<std::string>& lines, int header, std::string_view key) {
    const std::string want = FoldCaseUtf8(Trim(key));
    for (size_t i = static_cast<size_t>(header) + 1; i < lines.size(); ++i) {
        if (HeaderName(lines[i])) break;
        std::string_view k, v;
        if (SplitKey(lines[i], k, v) && FoldCaseUtf8(k) == want) return static_cast<int>(i);
    }
    return -1;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    Refresh();
    const int header = FindSection(section);
    if (header < 0) return std::string(def);
    const int line = FindKey(header, key);
    if (line < 0) return std::string(def);
    std::string_view k, v;
    SplitKey(lines_[static_cast<size_t>(line)], k, v);
    return std::string(v);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
    return ParseInt32(ReadString(section, key, "")).value_or(def);
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    Refresh();
    const int header = FindSection(section);
    return header >= 0 && FindKey(header, key) >= 0;
}

bool IniFile::SectionExists(std::string_view section) const {
    Refresh();
    return FindSection(section) >= 0;
}

std::vector<std::string> IniFile::ReadSections() const {
    Refresh();
    std::vector<std::string> names;
    for (const auto& line : lines_)
        if (const auto name = HeaderName(line)) names.emplace_back(*name);
    return names;
}

void IniFile::Store(std::vector<std::string> lines) {
    std::string out;
    for (const auto& line : lines) {
        out += encoding_ == IniEncoding::Cp1251 ? Utf8ToBytes(line, CodePage::Cp1251) : line;
        out += "\r\n";
    }
    WriteFileAtomically(path_, out);
    lines_ = std::move(lines);
    loaded_ = false;  // take the new stamp on the next read
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Refresh();
    std::vector<std::string> lines = lines_;
    SetValue(lines, section, key, value);
    Store(std::move(lines));
}

void IniFile::WriteIntegers(std::string_view section,
                            std::initializer_list<std::pair<std::string_view, int32_t>> values) {
    Refresh();
    std::vector<std::string> lines = lines_;
    for (const auto& [key, value] : values) SetValue(lines, section, key, std::to_string(value));
    Store(std::move(lines));
}

void IniFile::SetValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                       std::string_view value) {
    const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
    const int header = FindSection(lines, section);
    if (header < 0) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(Trim(section)) + "]");
        lines.push_back(entry);
    } else if (const int line = FindKey(lines, header, key); line >= 0) {
        lines[static_cast<size_t>(line)] = entry;
    } else {
        // After the section's last non-blank line, so a blank line before the next section stays.
        size_t at = static_cast<size_t>(header) + 1;
        for (size_t i = at; i < lines.size() && !HeaderName(lines[i]); ++i)
            if (!Trim(lines[i]).empty()) at = i + 1;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
    }
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::CreateSection(std::string_view section) {
    Refresh();
    if (FindSection(section) >= 0) return;
    std::vector<std::string> lines = lines_;
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + std::string(Trim(section)) + "]");
    Store(std::move(lines));
}

}  // namespace platform

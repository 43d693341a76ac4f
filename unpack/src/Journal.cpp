#include "Journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "Moves.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "platform/TextFile.h"

namespace fs = std::filesystem;

namespace unpack {

namespace {

constexpr const char* kName = "journal";
constexpr const char* kDamagedName = "journal.damaged";
// A journal names the number of its records in its last line, so one cut short at a line's
// end is found too. Those of earlier builds have no such line and are still read.
constexpr const char* kHeader = "unpack journal 2";
constexpr const char* kHeaderWithoutEnd = "unpack journal 1";

std::string Quoted(const fs::path& p) { return "\"" + platform::PathText(p) + "\""; }

// ---- The text: one record a line, fields split by tabs, so those and line ends are escaped.

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '%') out += "%25";
        else if (c == '\t') out += "%09";
        else if (c == '\n') out += "%0A";
        else if (c == '\r') out += "%0D";
        else out += c;
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// False for a '%' without two hex digits after it: that journal was not written by Escape.
bool Unescape(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        const int hi = i + 2 < s.size() ? HexDigit(s[i + 1]) : -1;
        const int lo = hi >= 0 ? HexDigit(s[i + 2]) : -1;
        if (lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

// A path field: escaped as Escape writes it, and absolute, as every path in a journal is.
bool PathField(const std::string& field, fs::path& out) {
    std::string text;
    if (!Unescape(field, text) || text.empty() || text[0] != '/') return false;
    out = text;
    return true;
}

// A decimal number field, digits only and within its type.
template <typename N>
bool NumberField(const std::string& field, N& out) {
    unsigned long long v = 0;
    const char* end = field.data() + field.size();
    const auto [at, ec] = std::from_chars(field.data(), end, v);
    if (field.empty() || ec != std::errc() || at != end || v > std::numeric_limits<N>::max()) return false;
    out = static_cast<N>(v);
    return true;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        f.push_back(line.substr(start, tab - start));
    f.push_back(line.substr(start));
    return f;
}

std::string Encode(const JournalRecord& r) {
    if (r.folder) return "D\t" + Escape(r.target.string()) + "\t" + std::to_string(r.oldIno) + "\n";
    return "F\t" + Escape(r.target.string()) + "\t" + Escape(r.from.string()) + "\t" + Escape(r.kept.string()) + "\t" +
           std::to_string(r.newIno) + "\t" + std::to_string(r.oldIno) + "\n";
}

// One line after the first into `records`: empty, or why the journal is damaged. `ended` is set
// by the end line, which must be the last.
std::string DecodeLine(const std::string& line, size_t number, bool withEnd, bool& ended,
                       std::vector<JournalRecord>& records) {
    const std::string where = "line " + std::to_string(number);
    if (ended) return where + " follows its end";
    const auto f = Fields(line);
    if (withEnd && f.size() == 2 && f[0] == "E") {
        size_t count = 0;
        if (!NumberField(f[1], count)) return where + " holds \"" + f[1] + "\" where a number belongs";
        if (count != records.size()) return "it is cut short";
        ended = true;
        return {};
    }
    JournalRecord r;
    bool ok = false;
    if (f.size() == 3 && f[0] == "D") {
        r.folder = true;
        ok = PathField(f[1], r.target) && NumberField(f[2], r.oldIno);
    } else if (f.size() == 6 && f[0] == "F") {
        ok = PathField(f[1], r.target) && PathField(f[2], r.from) && PathField(f[3], r.kept) &&
             NumberField(f[4], r.newIno) && NumberField(f[5], r.oldIno);
    } else {
        return where + " is not a record of a move";
    }
    if (!ok) return where + " holds a path or a number that is not one";
    records.push_back(std::move(r));
    return {};
}

// The records of a journal's text, whole or not at all: a line that is not a record, a number
// or a path that is not one, a journal cut short, each make it damaged. Empty, or the damage.
std::string Decode(const std::string& text, std::vector<JournalRecord>& records) {
    if (text.empty()) return "it is empty";
    const std::vector<std::string> lines = platform::SplitLines(text);
    const bool withEnd = lines[0] == kHeader;
    if (!withEnd && lines[0] != kHeaderWithoutEnd) return "it does not begin as a journal does";
    // Every line the program writes ends with a line end; a last one without it was cut.
    if (text.back() != '\n') return "it is cut short";
    bool ended = false;
    for (size_t i = 1; i < lines.size(); ++i)
        if (std::string damage = DecodeLine(lines[i], i + 1, withEnd, ended, records); !damage.empty()) return damage;
    if (withEnd && !ended) return "it is cut short";
    return {};
}

// ---- Where its paths lead, after resolving ".", ".." and links.

bool StrictlyInside(const fs::path& p, const fs::path& root) {
    auto a = p.begin();
    for (auto b = root.begin(); b != root.end(); ++a, ++b)
        if (a == p.end() || *a != *b) return false;
    return a != p.end();
}

// Resolves the folders of journal paths once each: the records of one folder share them.
class Resolver {
public:
    // The path with its folder resolved; its last part must be a name ("." or ".." is not).
    bool Resolve(const fs::path& p, fs::path& out) {
        const fs::path name = p.filename();
        if (name.empty() || name == "." || name == "..") return false;
        auto [it, fresh] = folders_.try_emplace(p.parent_path().string());
        if (fresh) {
            std::error_code ec;
            it->second = fs::weakly_canonical(p.parent_path(), ec);
            if (ec) it->second.clear();
        }
        if (it->second.empty()) return false;
        out = it->second / name;
        return true;
    }

private:
    std::unordered_map<std::string, fs::path> folders_;
};

// ---- Whether the files on disk are as the moves left them.

bool SameBytes(const fs::path& a, const fs::path& b) {
    std::error_code ec1, ec2;
    if (fs::file_size(a, ec1) != fs::file_size(b, ec2) || ec1 || ec2) return false;
    const int fa = ::open(a.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const int fb = fa < 0 ? -1 : ::open(b.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    bool same = fa >= 0 && fb >= 0;
    static thread_local char bufA[65536], bufB[65536];
    while (same) {
        const ssize_t n = ::read(fa, bufA, sizeof bufA);
        if (n <= 0) {
            same = n == 0 && ::read(fb, bufB, 1) == 0;
            break;
        }
        ssize_t got = 0;
        while (got < n) {
            const ssize_t m = ::read(fb, bufB + got, static_cast<size_t>(n - got));
            if (m <= 0) break;
            got += m;
        }
        same = got == n && std::memcmp(bufA, bufB, static_cast<size_t>(n)) == 0;
    }
    if (fa >= 0) ::close(fa);
    if (fb >= 0) ::close(fb);
    return same;
}

bool RegularAt(const fs::path& p, struct stat& st) { return ::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode); }

// A file's record: empty when the target is in a state its move and its undo pass through,
// else what differs. A copy across file systems has an inode nobody wrote down, so there the
// target must hold the bytes of the extracted file or of the replaced one.
std::string FileDiffers(const JournalRecord& r, dev_t scratchDev, const std::string& name) {
    struct stat t, k;
    const bool there = ::lstat(r.target.c_str(), &t) == 0;
    if (there && !S_ISREG(t.st_mode)) return name + " is no longer a file";
    const bool copied = there && t.st_dev != scratchDev;
    bool old;  // the target is the replaced file: nothing to put back
    if (!there || t.st_ino == r.newIno) old = false;
    else if (r.oldIno && t.st_ino == r.oldIno) old = true;
    else if (copied && RegularAt(r.from, k) && SameBytes(r.target, r.from)) old = false;
    else if (copied && r.oldIno && RegularAt(r.kept, k) && SameBytes(r.target, r.kept)) old = true;
    else return name + " has changed since the update was interrupted";
    if (old || !r.oldIno) return {};
    // Moved, or gone: the replaced file must be where the undo takes it from.
    if (RegularAt(r.kept, k) || (RegularAt(r.from, k) && k.st_ino == r.oldIno)) return {};
    return "the file that " + name + " replaced is gone from " + Quoted(r.kept);
}

}  // namespace

Journal::Journal(fs::path scratch) : scratch_(std::move(scratch)), path_(scratch_ / kName) {}

bool Journal::PresentIn(const fs::path& scratch) {
    struct stat st;
    return ::lstat((scratch / kName).c_str(), &st) == 0;
}

void Journal::Write(const std::vector<JournalRecord>& records) const {
    std::string text = std::string(kHeader) + "\n";
    for (const JournalRecord& r : records) text += Encode(r);
    text += "E\t" + std::to_string(records.size()) + "\n";
    platform::WriteFileAtomically(path_, text);
}

Journal::Contents Journal::Load() const {
    Contents c;
    std::string text;
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    int err = fd < 0 ? errno : 0;
    if (err == ENOENT) {
        struct stat st;
        c.state = ::lstat((scratch_ / kDamagedName).c_str(), &st) == 0 ? State::SetAside : State::None;
        return c;
    }
    if (!err) err = platform::ReadAll(fd, text);
    if (fd >= 0) ::close(fd);
    c.state = State::Damaged;
    if (err) {
        c.damage = std::string("it cannot be read. ") + std::strerror(err);
        return c;
    }
    std::vector<JournalRecord> records;
    c.damage = Decode(text, records);
    if (c.damage.empty()) c.damage = CheckPaths(records);
    if (c.damage.empty()) c.damage = CheckDisk(records);
    if (!c.damage.empty()) return c;
    c.state = State::Pending;
    c.records = std::move(records);
    return c;
}

// Every target inside the installation and outside the scratch folder, every extracted and
// kept file inside the scratch folder: a journal is a file anybody with write access to the
// installation can edit, and it must not lead the undo anywhere else.
std::string Journal::CheckPaths(const std::vector<JournalRecord>& records) const {
    std::error_code ec;
    const fs::path scratch = fs::canonical(scratch_, ec);
    if (ec) return "its folder cannot be resolved. " + ec.message();
    const fs::path base = scratch.parent_path();
    Resolver resolver;
    const auto outside = [](const fs::path& p, const char* where) {
        return "it names " + Quoted(p) + ", which lies outside " + where;
    };
    for (const JournalRecord& r : records) {
        fs::path real;
        if (!resolver.Resolve(r.target, real) || !StrictlyInside(real, base) || StrictlyInside(real, scratch) ||
            real == scratch)
            return outside(r.target, "the installation");
        if (r.folder) continue;
        for (const fs::path* p : {&r.from, &r.kept})
            if (!resolver.Resolve(*p, real) || !StrictlyInside(real, scratch)) return outside(*p, "its scratch folder");
    }
    return {};
}

// The undo puts files back and removes what the moves made; it may do so only while the
// installation is as the moves left it. A target that changed since (another update installed
// over it, a hand edit) would be overwritten with an older file or removed.
std::string Journal::CheckDisk(const std::vector<JournalRecord>& records) const {
    struct stat s;
    if (::stat(scratch_.c_str(), &s) != 0) return std::string("its folder cannot be read. ") + std::strerror(errno);
    const fs::path base = scratch_.parent_path();
    const auto name = [&](const fs::path& p) { return Quoted(p.lexically_relative(base)); };
    std::unordered_set<std::string> targets;
    for (const JournalRecord& r : records) targets.insert(r.target.string());
    const std::string prefix = "it no longer matches the installation: ";
    for (const JournalRecord& r : records) {
        if (!r.folder) {
            if (std::string why = FileDiffers(r, s.st_dev, name(r.target)); !why.empty()) return prefix + why;
            continue;
        }
        if (r.oldIno) continue;  // a folder that was there is left as it is
        // A folder the moves made is removed once it is empty again; whatever else it holds
        // would keep it, or be lost.
        struct stat t;
        if (::lstat(r.target.c_str(), &t) != 0) continue;
        if (!S_ISDIR(t.st_mode)) return prefix + name(r.target) + " is no longer a folder";
        DIR* d = ::opendir(r.target.c_str());
        if (!d) continue;  // the undo says why it cannot be removed
        std::string stranger;
        while (const dirent* e = ::readdir(d)) {
            const std::string n = e->d_name;
            if (n == "." || n == ".." || targets.count((r.target / n).string()) || IsCopyLeftoverName(n)) continue;
            stranger = n;
            break;
        }
        ::closedir(d);
        if (!stranger.empty())
            return prefix + "the folder " + name(r.target) + " holds \"" + stranger + "\", which the update did not put there";
    }
    return {};
}

void Journal::Retire() const {
    ::unlink(path_.c_str());
    (void)platform::FlushFolder(scratch_);
}

int Journal::SetAside(fs::path& asidePath) const {
    // One set aside before (a hand repair that did not take) is not replaced; the caller holds
    // the folder's lock, so no other start picks the same name.
    struct stat st;
    asidePath = scratch_ / kDamagedName;
    for (int n = 2; ::lstat(asidePath.c_str(), &st) == 0; ++n) {
        if (n > 99) return EEXIST;
        asidePath = scratch_ / (std::string(kDamagedName) + "." + std::to_string(n));
    }
    if (::rename(path_.c_str(), asidePath.c_str()) != 0) return errno;
    (void)platform::FlushFolder(scratch_);
    return 0;
}

}  // namespace unpack

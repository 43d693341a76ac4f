// Archives made by the tests: a small generator over the record writers (stored items, a stub in
// front, Zip64 records, any directory order, flags and extra fields), wide file names in Windows
// form, and a prompter that answers from a script and records what it was asked.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "Tools.h"
#include "ZlibOracle.h"
#include "format/ByteWriter.h"
#include "format/CentralHeader.h"
#include "format/EndRecord.h"
#include "format/ExtraField.h"
#include "format/LocalHeader.h"
#include "format/Zip64EndRecord.h"
#include "format/Zip64Locator.h"
#include "format/ZipConstants.h"
#include "platform/Unicode.h"
#include "ziplib/Prompts.h"

namespace ziptest {

using Bytes = std::vector<std::uint8_t>;

// CRC-32 as zlib computes it, so the fixtures do not trust the library's own.
inline std::uint32_t Crc(std::string_view s) { return zliboracle::Crc32(s); }

// A path as the library names files: wide, with '\' separators.
inline std::u16string WinName(const std::filesystem::path& p) {
    std::u16string s = platform::Utf8ToUtf16(p.string());
    for (auto& c : s)
        if (c == u'/') c = u'\\';
    return s;
}

using testsupport::HaveTool;

inline void WriteBytes(const std::filesystem::path& p, const Bytes& b) {
    testsupport::WriteFile(p, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

inline Bytes LoadBytes(const std::filesystem::path& p) {
    const auto s = testsupport::ReadFile(p);
    return {s.begin(), s.end()};
}

// One stored item of a generated archive.
struct GenEntry {
    std::string name{};  // the stored bytes of the name
    std::string data{};
    std::uint16_t flags = 0;
    std::uint32_t externalAttributes = ziplib::kAttrArchive;
    std::string comment{};
    std::vector<ziplib::ExtraField> centralExtra{};
    std::vector<ziplib::ExtraField> localExtra{};
    std::uint16_t versionNeeded = 20;
    std::uint16_t modTime = 0x6000;
    std::uint16_t modDate = 0x5A21;
};

struct GenOptions {
    std::string stub{};               // bytes in front of the archive
    bool offsetsCountStub = false;   // offsets written from the start of the file, as an adjusted stub has
    bool zip64 = false;              // Zip64 end record and locator, counts escaped in the end record
    bool escapeDisks = false;        // with zip64: the end record's disk fields escaped too
    std::vector<int> directoryOrder{};  // entries' order in the directory; empty: file order
    std::string archiveComment{};
    std::string trailing{};           // bytes after the end record
    bool dataDescriptors = false;    // sizes and CRC after the data, zeros in the local headers
    std::uint16_t diskNumber = 0;    // the end record's number of this disk
};

// Where the generator put things.
struct GenLayout {
    std::vector<std::uint64_t> localAt;  // file position of each local header
    std::uint64_t directoryAt = 0;       // file position of the central directory
    std::uint64_t endAt = 0;             // file position of the end record
    std::uint64_t zip64EndAt = 0;
};

inline Bytes BuildZip(const std::vector<GenEntry>& entries, const GenOptions& o = {}, GenLayout* layout = nullptr) {
    using namespace ziplib;
    ByteWriter w;
    w.Bytes(o.stub);
    const std::uint64_t base = o.offsetsCountStub ? 0 : o.stub.size();
    GenLayout l;
    for (const auto& e : entries) {
        l.localAt.push_back(w.size());
        LocalHeader h;
        h.signature = kLocalHeaderSignature;
        h.versionNeeded = e.versionNeeded;
        h.flags = static_cast<std::uint16_t>(e.flags | (o.dataDescriptors ? kFlagDataDescriptor : 0));
        h.method = kMethodStored;
        h.modTime = e.modTime;
        h.modDate = e.modDate;
        if (!o.dataDescriptors) {
            h.crc32 = Crc(e.data);
            h.compressedSize = h.uncompressedSize = static_cast<std::uint32_t>(e.data.size());
        }
        h.nameLength = static_cast<std::uint16_t>(e.name.size());
        h.extraLength = static_cast<std::uint16_t>(ExtraFieldsLength(e.localExtra));
        h.Write(w);
        w.Bytes(e.name);
        WriteExtraFields(w, e.localExtra);
        w.Bytes(e.data);
        if (o.dataDescriptors) {
            w.U32(kDataDescriptorSignature);
            w.U32(Crc(e.data));
            w.U32(static_cast<std::uint32_t>(e.data.size()));
            w.U32(static_cast<std::uint32_t>(e.data.size()));
        }
    }
    std::vector<int> order = o.directoryOrder;
    if (order.empty()) {
        order.resize(entries.size());
        std::iota(order.begin(), order.end(), 0);
    }
    l.directoryAt = w.size();
    for (int i : order) {
        const auto& e = entries[static_cast<std::size_t>(i)];
        CentralHeader h;
        h.signature = kCentralHeaderSignature;
        h.versionMadeBy = e.versionNeeded;
        h.versionNeeded = e.versionNeeded;
        h.flags = static_cast<std::uint16_t>(e.flags | (o.dataDescriptors ? kFlagDataDescriptor : 0));
        h.method = kMethodStored;
        h.modTime = e.modTime;
        h.modDate = e.modDate;
        h.crc32 = Crc(e.data);
        h.compressedSize = h.uncompressedSize = static_cast<std::uint32_t>(e.data.size());
        h.nameLength = static_cast<std::uint16_t>(e.name.size());
        h.extraLength = static_cast<std::uint16_t>(ExtraFieldsLength(e.centralExtra));
        h.commentLength = static_cast<std::uint16_t>(e.comment.size());
        h.externalAttributes = e.externalAttributes;
        h.localHeaderOffset = static_cast<std::uint32_t>(l.localAt[static_cast<std::size_t>(i)] - base);
        h.Write(w);
        w.Bytes(e.name);
        WriteExtraFields(w, e.centralExtra);
        w.Bytes(e.comment);
    }
    const std::uint64_t directorySize = w.size() - l.directoryAt;
    if (o.zip64) {
        l.zip64EndAt = w.size();
        Zip64EndRecord z;
        z.entriesOnDisk = z.totalEntries = entries.size();
        z.directorySize = directorySize;
        z.directoryOffset = l.directoryAt - base;
        z.Write(w);
        Zip64Locator loc;
        loc.zip64EndOffset = l.zip64EndAt - base;
        loc.Write(w);
    }
    l.endAt = w.size();
    EndRecord r;
    r.signature = kEndRecordSignature;
    r.diskNumber = o.zip64 && o.escapeDisks ? kEscape16 : o.diskNumber;
    r.directoryDisk = o.zip64 && o.escapeDisks ? kEscape16 : o.diskNumber;
    r.entriesOnDisk = r.totalEntries = o.zip64 ? kEscape16 : static_cast<std::uint16_t>(entries.size());
    r.directorySize = o.zip64 ? kEscape32 : static_cast<std::uint32_t>(directorySize);
    r.directoryOffset = o.zip64 ? kEscape32 : static_cast<std::uint32_t>(l.directoryAt - base);
    r.commentLength = static_cast<std::uint16_t>(o.archiveComment.size());
    r.Write(w);
    w.Bytes(o.archiveComment);
    w.Bytes(o.trailing);
    if (layout) *layout = l;
    return w.Take();
}

inline void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Put64(Bytes& b, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (8 * i));
}

// What a prompt was asked, and the answers it gives, in turn.
class ScriptedPrompter : public ziplib::TZAPrompter {
public:
    struct Question {
        ziplib::TZAPromptKind kind;
        std::string text;
        ziplib::TZAButtons buttons;
    };

    std::deque<ziplib::TZAModalResult> answers;
    std::deque<std::optional<std::string>> passwords;  // nullopt: cancelled
    std::vector<Question> asked;
    std::vector<std::pair<std::string, std::string>> passwordWindows;  // caption, prompt
    std::function<void()> whileAsking;  // runs inside every prompt, as a handler of the window would

    ziplib::TZAModalResult Ask(ziplib::TZAPromptKind kind, const std::string& text, ziplib::TZAButtons buttons) override {
        asked.push_back({kind, text, buttons});
        if (whileAsking) whileAsking();
        if (answers.empty()) return ziplib::TZAModalResult::mrNone;
        const auto a = answers.front();
        answers.pop_front();
        return a;
    }
    bool InputPassword(const std::string& caption, const std::string& prompt, std::string& password) override {
        passwordWindows.emplace_back(caption, prompt);
        if (passwords.empty() || !passwords.front()) {
            if (!passwords.empty()) passwords.pop_front();
            return false;
        }
        password = *passwords.front();
        passwords.pop_front();
        return true;
    }
};

}  // namespace ziptest

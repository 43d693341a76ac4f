// Test support for the item-data engine and extraction: archives made at run time by other
// tools, read into directory items by a small reader of the records, and an engine context and
// output that record what the engine did.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Tools.h"
#include "directory/TDirItem.h"
#include "engine/ItemDataContext.h"
#include "format/AesExtraField.h"
#include "format/ByteReader.h"
#include "format/CentralHeader.h"
#include "format/EndRecord.h"
#include "format/ExtraField.h"
#include "format/Zip64EndRecord.h"
#include "format/Zip64ExtraField.h"
#include "format/Zip64Locator.h"
#include "format/ZipConstants.h"
#include "output/ItemOutput.h"
#include "platform/Unicode.h"
#include "ziplib/TMemoryStream.h"

namespace zipfixtures {

using Bytes = std::vector<std::uint8_t>;

using testsupport::HaveTool;
using testsupport::RunShell;

inline Bytes LoadBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void SaveBytes(const std::filesystem::path& p, const Bytes& b) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Text that compresses like real text: words drawn with a fixed seed.
inline std::string MakeText(std::size_t n, unsigned seed = 1) {
    static const char* words[] = {"archive", "item", "the", "of", "folder", "catalog", "book", "story",
                                  "reader", "update", "and", "a", "page", "cover", "skin", "window"};
    std::string s;
    s.reserve(n + 16);
    std::uint32_t x = seed * 2654435761u + 1;
    while (s.size() < n) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 16];
        s += ((x >> 8) % 11 == 0) ? '\n' : ' ';
    }
    s.resize(n);
    return s;
}

inline std::string MakeRandom(std::size_t n, unsigned seed = 7) {
    std::string s(n, '\0');
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// An archive read the way the directory loader reads it: end record (Zip64 when escaped), then
// every central header with its name and extra fields, the Zip64 values behind the escapes and
// the real method of AES items.
struct Archive {
    Bytes bytes;
    std::vector<ziplib::TDirItem> items;
    std::int64_t directoryStart = -1;

    const ziplib::TDirItem& Item(std::u16string_view name) const {
        for (const auto& it : items)
            if (it.Name == name) return it;
        ADD_FAILURE() << "no item " << platform::Utf16ToUtf8(name);
        return items.front();
    }
    std::size_t IndexOf(std::u16string_view name) const {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].Name == name) return i;
        ADD_FAILURE() << "no item " << platform::Utf16ToUtf8(name);
        return 0;
    }
    // The offset of the item's data (after its local header), for tests that damage it.
    std::size_t DataOffset(const ziplib::TDirItem& it) const {
        const std::size_t at = it.Header.localHeaderOffset == ziplib::kEscape32 ? it.LocalHeaderOffset
                                                                                 : it.Header.localHeaderOffset;
        ziplib::ByteReader r(bytes);
        return at + 30 + r.U16At(at + 26) + r.U16At(at + 28);
    }
};

inline Archive ParseArchive(Bytes bytes) {
    using namespace ziplib;
    Archive a;
    a.bytes = std::move(bytes);
    const std::span<const std::uint8_t> all(a.bytes);
    const std::size_t tailSize = std::min(all.size(), kEndRecordSearchWindow);
    const auto tail = all.subspan(all.size() - tailSize);
    const auto at = FindEndRecord(tail, kEndRecordSignature);
    if (!at) {
        ADD_FAILURE() << "no end record";
        return a;
    }
    const std::size_t eocdPos = all.size() - tailSize + *at;
    const EndRecord eocd = *EndRecord::Parse(all.subspan(eocdPos));
    std::uint64_t count = eocd.totalEntries;
    std::uint64_t cd = eocd.directoryOffset;
    if (eocd.directoryOffset == kEscape32 || eocd.totalEntries == kEscape16) {
        const auto loc = eocdPos >= Zip64Locator::kSize ? Zip64Locator::Parse(all.subspan(eocdPos - Zip64Locator::kSize))
                                                        : std::nullopt;
        if (loc && loc->signature == kZip64LocatorSignature) {
            const auto z = *Zip64EndRecord::Parse(all.subspan(loc->zip64EndOffset));
            count = z.totalEntries;
            cd = z.directoryOffset;
        } else {
            cd = eocdPos - eocd.directorySize;  // a pipe-made archive: escapes but no Zip64 records
        }
    }
    a.directoryStart = static_cast<std::int64_t>(cd);
    std::size_t pos = cd;
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto h = CentralHeader::Parse(all.subspan(pos));
        if (!h || h->signature != kCentralHeaderSignature) {
            ADD_FAILURE() << "bad central header " << i;
            break;
        }
        TDirItem it;
        it.Header = *h;
        const auto name = all.subspan(pos + CentralHeader::kSize, h->nameLength);
        it.Name = platform::Utf8ToUtf16(std::string(name.begin(), name.end()));
        it.ExtraFields = ParseExtraFields(all.subspan(pos + CentralHeader::kSize + h->nameLength, h->extraLength));
        it.UncompressedSize = h->uncompressedSize;
        it.CompressedSize = h->compressedSize;
        it.LocalHeaderOffset = h->localHeaderOffset;
        it.StartDisk = h->startDisk;
        it.Method = h->method;
        for (const auto& f : it.ExtraFields) {
            if (f.id == kZip64ExtraId) {
                const auto z = Zip64ExtraField::Parse(f.data, Zip64Escapes::Of(*h));
                if (z.uncompressedSize) it.UncompressedSize = *z.uncompressedSize;
                if (z.compressedSize) it.CompressedSize = *z.compressedSize;
                if (z.localHeaderOffset) it.LocalHeaderOffset = *z.localHeaderOffset;
                if (z.startDisk) it.StartDisk = *z.startDisk;
                it.HasZip64 = 1;
            } else if (f.id == kAesExtraId) {
                if (const auto aes = AesExtraField::Parse(f.data)) {
                    it.EncryptionStrength = aes->keyStrength;
                    it.Method = aes->method;
                }
            }
        }
        a.items.push_back(std::move(it));
        pos += h->RecordSize();
    }
    return a;
}

inline Archive LoadArchive(const std::filesystem::path& p) { return ParseArchive(LoadBytes(p)); }

// Collects what the engine writes; can refuse writes after a given number of bytes.
class MemoryOutput : public ziplib::ItemOutput {
public:
    bool Write(std::span<const std::uint8_t> block) override {
        ++writes;
        if (refuseAfter && data.size() + block.size() > *refuseAfter) return false;
        data.insert(data.end(), block.begin(), block.end());
        return true;
    }
    std::string Text() const { return std::string(data.begin(), data.end()); }

    Bytes data;
    int writes = 0;
    std::optional<std::size_t> refuseAfter;
};

// The archiver side of the engine, scripted: passwords to answer with, a cancel after so many
// bytes, volumes to continue on.
class ScriptedContext : public ziplib::ItemDataContext {
public:
    std::string Password() override { return password; }
    ziplib::PasswordReply AskPassword(const ziplib::TDirItem&, std::string& pw) override {
        ++asked;
        if (replies.empty()) return ziplib::PasswordReply::Skip;
        auto [reply, next] = replies.front();
        replies.pop_front();
        pw = next;
        return reply;
    }
    void Progress(const ziplib::TDirItem&, std::uint64_t position, std::uint64_t total) override {
        ++progressCalls;
        lastPosition = position;
        lastTotal = total;
        if (cancelAtPosition && position >= *cancelAtPosition) cancelled = true;
    }
    bool Cancelled() override { return cancelled; }
    bool SingleVolume() override { return !multiVolume; }
    std::int64_t CentralDirectoryStart() override { return directoryStart; }
    ziplib::TStream* OpenNextVolume() override {
        if (volumes.empty()) return nullptr;
        current = std::move(volumes.front());
        volumes.pop_front();
        ++volumesOpened;
        return current.get();
    }

    std::string password;
    std::deque<std::pair<ziplib::PasswordReply, std::string>> replies;
    int asked = 0;
    int progressCalls = 0;
    std::uint64_t lastPosition = 0, lastTotal = 0;
    std::optional<std::uint64_t> cancelAtPosition;
    bool cancelled = false;
    bool multiVolume = false;
    std::int64_t directoryStart = -1;
    std::deque<std::unique_ptr<ziplib::TStream>> volumes;
    std::unique_ptr<ziplib::TStream> current;
    int volumesOpened = 0;
};

inline std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }

// A memory stream over archive bytes, positioned at an item's local header.
inline std::unique_ptr<ziplib::TMemoryStream> StreamAt(const Bytes& bytes, std::uint64_t offset) {
    auto s = std::make_unique<ziplib::TMemoryStream>(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    s->Seek(static_cast<std::int64_t>(offset), ziplib::TSeekOrigin::soBeginning);
    return s;
}

}  // namespace zipfixtures

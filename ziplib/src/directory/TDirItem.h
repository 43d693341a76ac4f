// One entry of an archive's directory: the central header image as stored, the names, comment
// and extra fields read with it, the 64-bit values behind the header's escapes, and what a new
// or updated item is written from.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "format/CentralHeader.h"
#include "format/ExtraField.h"
#include "ziplib/TStream.h"

namespace ziplib {

// A string that most items leave empty: held apart, so that an empty one costs a pointer
// instead of a whole string in every item of a large directory. Reads as the string it holds.
template <class S>
class RareText {
public:
    RareText() = default;
    explicit RareText(const S& s) { *this = s; }
    RareText(const RareText& other) : RareText(other.str()) {}
    RareText(RareText&&) noexcept = default;
    RareText& operator=(const RareText& other) { return *this = other.str(); }
    RareText& operator=(RareText&&) noexcept = default;
    RareText& operator=(const S& s) {
        if (s.empty()) text_.reset();
        else if (text_) *text_ = s;
        else text_ = std::make_unique<S>(s);
        return *this;
    }

    const S& str() const { return text_ ? *text_ : Empty(); }
    operator const S&() const { return str(); }  // NOLINT(google-explicit-constructor): reads as the string
    // Byte strings also read as a view (the wide ones would make the message arguments ambiguous).
    operator std::string_view() const  // NOLINT(google-explicit-constructor)
        requires std::same_as<S, std::string>
    {
        return str();
    }
    bool empty() const { return !text_ || text_->empty(); }
    std::size_t size() const { return str().size(); }
    void clear() { text_.reset(); }
    template <class It>
    void assign(It first, It last) {
        *this = S(first, last);
    }
    friend bool operator==(const RareText& a, const RareText& b) { return a.str() == b.str(); }
    friend bool operator==(const RareText& a, const S& b) { return a.str() == b; }

private:
    static const S& Empty() {
        static const S empty;
        return empty;
    }
    std::unique_ptr<S> text_;
};

// The stream a new or updated item's data comes from, held apart: most items have none, and
// then it costs a pointer. Copies share the stream; an owned stream is freed when the last of
// them lets go, one not owned never is.
class ItemSource {
public:
    ItemSource() = default;
    ItemSource(const ItemSource& other) : held_(other.held_ ? std::make_unique<Held>(*other.held_) : nullptr) {}
    ItemSource(ItemSource&&) noexcept = default;
    ItemSource& operator=(const ItemSource& other) {
        held_ = other.held_ ? std::make_unique<Held>(*other.held_) : nullptr;
        return *this;
    }
    ItemSource& operator=(ItemSource&&) noexcept = default;

    // nullptr clears both the stream and the ownership.
    void Set(TStream* stream, bool owns);
    TStream* Stream() const { return held_ ? held_->stream.get() : nullptr; }
    bool Owns() const { return held_ && held_->owns; }

private:
    struct Held {
        std::shared_ptr<TStream> stream;
        bool owns = false;
    };
    std::unique_ptr<Held> held_;
};

// The fields are in an order that leaves no padding between them: a large directory holds
// one per item.
struct TDirItem {
    // The 46 bytes as stored; the 32- and 16-bit fields keep their escape values when the
    // 64-bit fields below carry the value.
    CentralHeader Header;
    std::u16string Name;        // '/' separators, a directory ends in '/'
    RareText<std::u16string> SecondName;  // a renamed item's name as opened; carried and copied with the item
    RareText<std::string> Comment;        // raw bytes
    std::vector<ExtraField> ExtraFields;  // each with its own copy of the data
    uint64_t UncompressedSize = 0;
    uint64_t CompressedSize = 0;
    uint64_t LocalHeaderOffset = 0;
    RareText<std::string> Password;
    ItemSource Source;
    RareText<std::u16string> SourceFileName;
    uint32_t StartDisk = 0;
    // Where the item stood in the directory when the pending changes began; -1 for an item added
    // since. The commit finds the stored bytes of a kept item by it, whatever names repeat.
    int32_t OpenedIndex = -1;
    uint16_t Method = 0;  // the real method: the header's, or the AES field's for AES items
    uint8_t EncryptionStrength = 0;  // 0 traditional, 1-3 AES-128/192/256
    uint8_t HasZip64 = 0;            // carries or needs the Zip64 extra field
    // Added or changed since the archive was opened (by the item initialiser, a rename): the
    // commit writes it anew, where it copies an unchanged item's stored bytes.
    uint8_t IsNew = 0;
    uint8_t Mark = 0;       // selected for the running batch
    uint8_t Operation = 0;  // the batch operation (TZAProcessOperation) last applied to it
    uint8_t CompressionMode = 0;  // 0-9, the deflate level the item is written with

    // Where the local header is: in place, or escaped to the Zip64 value when it does not fit
    // 32 bits or `escape` asks for it (Zip64 forced, or the item already had it escaped).
    void SetLocalHeaderOffset(uint64_t offset, bool escape);

    void SetSourceStream(TStream* stream, bool owns) { Source.Set(stream, owns); }
    TStream* SourceStream() const { return Source.Stream(); }
    bool OwnsSourceStream() const { return Source.Owns(); }
};

}  // namespace ziplib

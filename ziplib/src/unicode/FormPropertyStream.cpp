#include "unicode/FormPropertyStream.h"

#include "unicode/CodePages.h"
#include "ziplib/TUniStrings.h"
#include "ziplib/UniExceptions.h"

namespace ziplib {

FormReader::FormReader(std::span<const std::uint8_t> bytes, const TComponent* owner, bool ownerDesigning)
    : bytes_(bytes), owner_(owner), ownerDesigning_(ownerDesigning) {}

std::span<const std::uint8_t> FormReader::Take(std::uint64_t n) {
    // Checked before anything is made of a stored length, which may be anything.
    if (n > bytes_.size() - at_) throw EReadError("Form stream ends inside a value");
    const auto part = bytes_.subspan(at_, static_cast<std::size_t>(n));
    at_ += static_cast<std::size_t>(n);
    return part;
}

std::uint32_t FormReader::TakeLength() {
    const auto b = Take(4);
    return static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16) | static_cast<std::uint32_t>(b[3]) << 24;
}

FormValueKind FormReader::NextValue() const {
    if (AtEnd()) throw EReadError("Form stream ends inside a value");
    const auto kind = static_cast<FormValueKind>(bytes_[at_]);
    switch (kind) {
    case FormValueKind::Null:
    case FormValueKind::List:
    case FormValueKind::String:
    case FormValueKind::LString:
    case FormValueKind::WString:
    case FormValueKind::Utf8String: return kind;
    }
    throw EReadError("Invalid property value");
}

void FormReader::Expect(FormValueKind kind) {
    if (NextValue() != kind) throw EReadError("Invalid property value");
    ++at_;
}

void FormReader::ReadListBegin() { Expect(FormValueKind::List); }

void FormReader::ReadListEnd() { Expect(FormValueKind::Null); }

std::string FormReader::ReadString() {
    std::uint32_t n;
    switch (NextValue()) {
    case FormValueKind::String: ++at_; n = Take(1)[0]; break;
    case FormValueKind::LString:
    case FormValueKind::Utf8String: ++at_; n = TakeLength(); break;
    default: throw EReadError("Invalid property value");
    }
    const auto b = Take(n);
    return {b.begin(), b.end()};
}

std::u16string FormReader::ReadWideString() {
    switch (NextValue()) {
    case FormValueKind::WString: {
        ++at_;
        const auto b = Take(std::uint64_t{TakeLength()} * 2);
        std::u16string text(b.size() / 2, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(b[2 * i] | b[2 * i + 1] << 8);
        return text;
    }
    case FormValueKind::Utf8String: return CodePageToWide(ReadString(), CP_UTF8);
    default: return CodePageToWide(ReadString(), CP_ACP);
    }
}

void FormReader::ReadProperties(TUniStrings& list) {
    while (!AtEnd()) {
        const auto name = Take(Take(1)[0]);
        wanted_.assign(name.begin(), name.end());
        found_ = false;
        list.DefineProperties(*this);
        if (!found_) throw EReadError("Property " + wanted_ + " does not exist");
    }
}

void FormReader::DefineProperty(std::string_view name, const ReadProc& read, const WriteProc&, bool) {
    if (found_ || name != wanted_ || !read) return;
    found_ = true;
    read(*this);
}

void FormWriter::PutLength(std::size_t n) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
}

void FormWriter::WriteString(std::string_view bytes) {
    if (bytes.size() <= 0xFF) {
        bytes_.push_back(static_cast<std::uint8_t>(FormValueKind::String));
        bytes_.push_back(static_cast<std::uint8_t>(bytes.size()));
    } else {
        bytes_.push_back(static_cast<std::uint8_t>(FormValueKind::LString));
        PutLength(bytes.size());
    }
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void FormWriter::WriteWideString(std::u16string_view text) {
    bytes_.push_back(static_cast<std::uint8_t>(FormValueKind::WString));
    PutLength(text.size());
    for (const char16_t c : text) {
        bytes_.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

void FormWriter::WriteUtf8String(std::string_view utf8) {
    bytes_.push_back(static_cast<std::uint8_t>(FormValueKind::Utf8String));
    PutLength(utf8.size());
    bytes_.insert(bytes_.end(), utf8.begin(), utf8.end());
}

void FormWriter::WriteProperties(TUniStrings& list) { list.DefineProperties(*this); }

void FormWriter::DefineProperty(std::string_view name, const ReadProc&, const WriteProc& write, bool hasData) {
    if (!hasData || !write) return;
    bytes_.push_back(static_cast<std::uint8_t>(name.size()));
    bytes_.insert(bytes_.end(), name.begin(), name.end());
    write(*this);
}

}  // namespace ziplib

// Property values of a binary form stream, the form older saved forms hold a string list's
// properties in: a property's name (one length byte, then its bytes) and its value, which starts
// with one byte naming its kind. Only the kinds a string list's properties use are read and
// written: 8-bit, wide and UTF-8 strings, and lists of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ziplib {

class TComponent;
class TUniStrings;
class FormReader;
class FormWriter;

enum class FormValueKind : std::uint8_t {
    Null = 0,         // ends a list
    List = 1,         // values up to a Null
    String = 6,       // 8-bit, one length byte
    LString = 12,     // 8-bit, four length bytes
    WString = 18,     // UTF-16 little-endian, four bytes of character count
    Utf8String = 20,  // UTF-8, four length bytes
};

// The unit-wide half of the readers' help flag: false from start-up on, and nothing in the
// library changes it. Tests set it to reach what the flag guards.
inline bool FormStreamHelpFlag = false;

// What an object's DefineProperties tells each of its stored properties to. A property without
// data to write is only ever read.
class FormFiler {
public:
    using ReadProc = std::function<void(FormReader&)>;
    using WriteProc = std::function<void(FormWriter&)>;
    virtual ~FormFiler() = default;
    virtual void DefineProperty(std::string_view name, const ReadProc& read, const WriteProc& write, bool hasData) = 0;
};

// Reads a stream of properties into an object. Every failure raises EReadError: a stream that
// ends inside a value, a value of a kind that does not belong where it stands, a property the
// object does not define.
class FormReader final : public FormFiler {
public:
    // `owner` is the component the object read belongs to, `ownerDesigning` whether that
    // component is being designed; both only decide the help flag.
    explicit FormReader(std::span<const std::uint8_t> bytes, const TComponent* owner = nullptr,
                        bool ownerDesigning = false);

    // Reads every property to the end of the stream into `list`.
    void ReadProperties(TUniStrings& list);

    // On with an owner that is not being designed, and then only with FormStreamHelpFlag.
    bool HelpFlag() const { return owner_ != nullptr && !ownerDesigning_ && FormStreamHelpFlag; }

    FormValueKind NextValue() const;  // the kind of the next value, which stays unread
    bool EndOfList() const { return NextValue() == FormValueKind::Null; }
    void ReadListBegin();
    void ReadListEnd();
    std::string ReadString();         // an 8-bit or UTF-8 string value: its bytes as they are
    std::u16string ReadWideString();  // a wide value; 8-bit ones widened by the ANSI code page
    bool AtEnd() const { return at_ == bytes_.size(); }

    void DefineProperty(std::string_view name, const ReadProc& read, const WriteProc& write, bool hasData) override;

private:
    void Expect(FormValueKind kind);
    std::span<const std::uint8_t> Take(std::uint64_t n);
    std::uint32_t TakeLength();

    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    const TComponent* owner_;
    bool ownerDesigning_;
    std::string wanted_;  // the property being read, while its object defines its properties
    bool found_ = false;
};

// Writes the properties of an object that have data to write, and the values of each.
class FormWriter final : public FormFiler {
public:
    void WriteProperties(TUniStrings& list);

    void WriteListBegin() { bytes_.push_back(static_cast<std::uint8_t>(FormValueKind::List)); }
    void WriteListEnd() { bytes_.push_back(static_cast<std::uint8_t>(FormValueKind::Null)); }
    void WriteString(std::string_view bytes);  // a short string up to 255 bytes, else a long one
    void WriteWideString(std::u16string_view text);
    void WriteUtf8String(std::string_view utf8);
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    void DefineProperty(std::string_view name, const ReadProc& read, const WriteProc& write, bool hasData) override;

private:
    void PutLength(std::size_t n);
    std::vector<std::uint8_t> bytes_;
};

}  // namespace ziplib

#include "ziplib/TUniStrings.h"

#include <vector>

#include "unicode/CodePages.h"
#include "unicode/FormPropertyStream.h"
#include "ziplib/TStream.h"
#include "ziplib/TUniFileStream.h"

namespace ziplib {

TStreamCharSet DetectStreamCharSet(TStream& stream) {
    unsigned char mark[3];
    int64_t left = stream.Size() - stream.Position();
    if (left >= 2) {
        stream.ReadBuffer(mark, 2);
        if (mark[0] == 0xFF && mark[1] == 0xFE) return TStreamCharSet::scUtf16LE;
        if (mark[0] == 0xFE && mark[1] == 0xFF) return TStreamCharSet::scUtf16BE;
        stream.Seek(-2, TSeekOrigin::soCurrent);
    }
    if (left >= 3) {
        stream.ReadBuffer(mark, 3);
        if (mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) return TStreamCharSet::scUtf8;
        stream.Seek(-3, TSeekOrigin::soCurrent);
    }
    return TStreamCharSet::scAnsi;
}

namespace {

// BeginUpdate for a scope, ended however the scope is left.
class UpdateScope {
public:
    explicit UpdateScope(TWideStrings& list) : list_(list) { list_.BeginUpdate(); }
    ~UpdateScope() { list_.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    TWideStrings& list_;
};

// Reads the rest of a list and keeps nothing of it.
void DropElements(FormReader& reader) {
    while (!reader.EndOfList()) reader.ReadString();
}

}  // namespace

TUniStrings::TUniStrings() : ansi_(std::make_unique<TAnsiStringsForWideStringsAdapter>(*this, CP_ACP)) {}

TUniStrings::~TUniStrings() = default;

void TUniStrings::LoadFromFile(std::u16string_view fileName) {
    TUniFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    lastLoadedCharSet_ = DetectStreamCharSet(stream);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TUniStrings::LoadFromStreamWithMark(TStream& stream, bool withBom) {
    BeginUpdate();
    try {
        const TStreamCharSet set = withBom ? DetectStreamCharSet(stream) : TStreamCharSet::scUtf16LE;
        const int64_t n = stream.Size() - stream.Position();
        std::string bytes;
        if (set == TStreamCharSet::scUtf16LE || set == TStreamCharSet::scUtf16BE) {
            // An odd last byte is no character and stays unread.
            bytes.resize(static_cast<size_t>(n >= 2 ? n / 2 * 2 : 0));
        } else {
            bytes.resize(static_cast<size_t>(n > 0 ? n : 0));
        }
        stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        std::u16string text;
        switch (set) {
        case TStreamCharSet::scUtf16LE:
        case TStreamCharSet::scUtf16BE: {
            const bool be = set == TStreamCharSet::scUtf16BE;
            text.resize(bytes.size() / 2);
            for (size_t i = 0; i < text.size(); ++i) {
                const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
                const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
                text[i] = be ? static_cast<char16_t>((b0 << 8) | b1) : static_cast<char16_t>((b1 << 8) | b0);
            }
            break;
        }
        case TStreamCharSet::scUtf8: text = CodePageToWide(bytes, CP_UTF8); break;
        case TStreamCharSet::scAnsi: text = CodePageToWide(bytes, CP_ACP); break;
        }
        SetText(text);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TUniStrings::SaveToFile(std::u16string_view fileName) const {
    TUniFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TUniStrings::SaveToStreamWithMark(TStream& stream, bool withBom) const {
    const std::u16string text = GetText();
    std::string bytes;
    bytes.reserve(2 + text.size() * 2);
    if (withBom) bytes += "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TUniStrings::DefineProperties(FormFiler& filer) {
    filer.DefineProperty("WideStrings", [this](FormReader& r) { ReadWideStrings(r); }, nullptr, false);
    filer.DefineProperty("WideStringsW", [this](FormReader& r) { ReadWideStringsW(r); }, nullptr, false);
    filer.DefineProperty("WideStrings_UTF7", [this](FormReader& r) { ReadWideStringsUtf7(r); },
                         [this](FormWriter& w) { WriteWideStringsUtf7(w); }, false);
}

void TUniStrings::ReadWideStrings(FormReader& reader) {
    if (reader.NextValue() != FormValueKind::List) {
        SetText(reader.ReadWideString());
        return;
    }
    UpdateScope update(*this);
    Clear();
    reader.ReadListBegin();
    while (!reader.EndOfList()) Add(reader.ReadWideString());
    reader.ReadListEnd();
}

void TUniStrings::ReadWideStringsW(FormReader& reader) {
    reader.ReadListBegin();
    if (Count() > 0 && !reader.HelpFlag()) {
        DropElements(reader);
    } else {
        UpdateScope update(*this);
        Clear();
        while (!reader.EndOfList()) Add(CodePageToWide(reader.ReadString(), CP_UTF8));
    }
    reader.ReadListEnd();
}

void TUniStrings::ReadWideStringsUtf7(FormReader& reader) {
    reader.ReadListBegin();
    if (reader.HelpFlag()) {
        Clear();
        while (!reader.EndOfList()) Add(Utf7ToWide(reader.ReadString()));
    } else {
        DropElements(reader);
    }
    reader.ReadListEnd();
}

void TUniStrings::WriteWideStringsUtf7(FormWriter& writer) const {
    writer.WriteListBegin();
    for (int i = 0; i < Count(); ++i) writer.WriteString(WideToUtf7(Get(i)));
    writer.WriteListEnd();
}

}  // namespace ziplib

#include "ziplib/TAnsiStringsForWideStringsAdapter.h"

#include "unicode/CodePages.h"
#include "ziplib/TStream.h"
#include "ziplib/TWideStrings.h"

namespace ziplib {

std::string TAnsiStringsForWideStringsAdapter::Get(int index) const {
    return WideToCodePage(wide_.Get(index), codePage_);
}

void TAnsiStringsForWideStringsAdapter::Put(int index, const std::string& s) {
    wide_.Put(index, CodePageToWide(s, codePage_));
}

void* TAnsiStringsForWideStringsAdapter::GetObject(int index) const { return wide_.GetObject(index); }

void TAnsiStringsForWideStringsAdapter::PutObject(int index, void* obj) { wide_.PutObject(index, obj); }

int TAnsiStringsForWideStringsAdapter::GetCount() const { return wide_.GetCount(); }

void TAnsiStringsForWideStringsAdapter::Clear() { wide_.Clear(); }

void TAnsiStringsForWideStringsAdapter::Delete(int index) { wide_.Delete(index); }

void TAnsiStringsForWideStringsAdapter::Insert(int index, const std::string& s) {
    wide_.Insert(index, CodePageToWide(s, codePage_));
}

void TAnsiStringsForWideStringsAdapter::LoadFromStream(TStream& stream) {
    const int64_t n = stream.Size() - stream.Position();
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    wide_.SetText(CodePageToWide(bytes, codePage_));
}

void TAnsiStringsForWideStringsAdapter::SaveToStream(TStream& stream) const {
    const std::string bytes = WideToCodePage(wide_.GetText(), codePage_);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TAnsiStringsForWideStringsAdapter::SetUpdateState(bool updating) {
    if (updating) wide_.BeginUpdate();
    else wide_.EndUpdate();
}

}  // namespace ziplib

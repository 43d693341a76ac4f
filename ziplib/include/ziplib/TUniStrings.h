// A wide string list that reads text files by their byte-order mark and writes them as UTF-16
// little-endian with a mark, and shows itself as 8-bit strings through AnsiStrings().
#pragma once

#include <memory>
#include <string_view>

#include "ziplib/TAnsiStringsForWideStringsAdapter.h"
#include "ziplib/TWideStrings.h"

namespace ziplib {

class TStream;
class FormFiler;
class FormReader;
class FormWriter;

enum class TStreamCharSet { scAnsi, scUtf16LE, scUtf16BE, scUtf8 };

// The character set named by a mark at the stream's position; the position is left just behind a
// recognised mark and unchanged otherwise. Without a mark: scAnsi.
TStreamCharSet DetectStreamCharSet(TStream& stream);

class TUniStrings : public TWideStrings {
public:
    ~TUniStrings() override;

    TAnsiStrings& AnsiStrings() { return *ansi_; }
    void SetAnsiStrings(const TAnsiStrings& source) { ansi_->Assign(source); }
    TStreamCharSet LastLoadedCharSet() const { return lastLoadedCharSet_; }

    void LoadFromFile(std::u16string_view fileName);
    void LoadFromStream(TStream& stream) { LoadFromStreamWithMark(stream, true); }
    // Without the mark the stream is read as UTF-16 little-endian.
    void LoadFromStreamWithMark(TStream& stream, bool withBom);
    void SaveToFile(std::u16string_view fileName) const;
    void SaveToStream(TStream& stream) const { SaveToStreamWithMark(stream, true); }
    void SaveToStreamWithMark(TStream& stream, bool withBom) const;

    // The properties older saved forms hold a list under: "WideStrings", "WideStringsW" and
    // "WideStrings_UTF7". None reports data to write, so a list is only ever read from them.
    void DefineProperties(FormFiler& filer);

protected:
    TUniStrings();

private:
    void ReadWideStrings(FormReader& reader);
    void ReadWideStringsW(FormReader& reader);
    void ReadWideStringsUtf7(FormReader& reader);
    void WriteWideStringsUtf7(FormWriter& writer) const;

    std::unique_ptr<TAnsiStringsForWideStringsAdapter> ansi_;
    TStreamCharSet lastLoadedCharSet_ = TStreamCharSet::scUtf16LE;
};

}  // namespace ziplib

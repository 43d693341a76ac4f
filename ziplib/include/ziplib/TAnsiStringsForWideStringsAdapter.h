// A wide list seen as 8-bit strings in a code page (0 = the system ANSI code page). Strings are
// converted on every access; the wide list holds the only copy.
#pragma once

#include "ziplib/TAnsiStrings.h"

namespace ziplib {

class TWideStrings;

class TAnsiStringsForWideStringsAdapter : public TAnsiStrings {
public:
    TAnsiStringsForWideStringsAdapter(TWideStrings& wide, uint32_t codePage = 0) : wide_(wide), codePage_(codePage) {}

    std::string Get(int index) const override;
    void Put(int index, const std::string& s) override;
    void* GetObject(int index) const override;
    void PutObject(int index, void* obj) override;
    int GetCount() const override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;
    // Every byte from the position to the end is one text in the code page.
    void LoadFromStream(TStream& stream) override;
    // The wide list's text in the code page, without a byte-order mark.
    void SaveToStream(TStream& stream) const override;

    uint32_t CodePage() const { return codePage_; }

protected:
    void SetUpdateState(bool updating) override;

private:
    TWideStrings& wide_;
    uint32_t codePage_;
};

}  // namespace ziplib

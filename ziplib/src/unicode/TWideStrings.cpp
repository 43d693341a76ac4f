#include "ziplib/TWideStrings.h"

#include "platform/Unicode.h"

namespace ziplib {

void TWideStrings::Put(int index, const std::u16string& s) {
    void* obj = GetObject(index);
    Delete(index);
    InsertObject(index, s, obj);
}

void* TWideStrings::GetObject(int) const { return nullptr; }

void TWideStrings::PutObject(int, void*) {}

int TWideStrings::CompareStrings(std::u16string_view a, std::u16string_view b) const {
    const int c = platform::FoldCaseUtf16(a).compare(platform::FoldCaseUtf16(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int TWideStrings::Add(const std::u16string& s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TWideStrings::AddObject(const std::u16string& s, void* obj) {
    const int index = Add(s);
    PutObject(index, obj);
    return index;
}

void TWideStrings::Exchange(int index1, int index2) {
    BeginUpdate();
    const std::u16string s = Get(index1);
    void* obj = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s);
    PutObject(index2, obj);
    EndUpdate();
}

int TWideStrings::IndexOf(const std::u16string& s) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), s) == 0) return i;
    return -1;
}

int TWideStrings::IndexOfName(const std::u16string& name) const {
    for (int i = 0; i < GetCount(); ++i) {
        const std::u16string s = Get(i);
        const size_t p = s.find(NameValueSeparator);
        if (p != std::u16string::npos && CompareStrings(std::u16string_view(s).substr(0, p), name) == 0) return i;
    }
    return -1;
}

void TWideStrings::Insert(int index, const std::u16string& s) { InsertObject(index, s, nullptr); }

std::u16string TWideStrings::GetText() const {
    std::u16string text;
    for (int i = 0; i < GetCount(); ++i) {
        text += Get(i);
        text += u"\r\n";
    }
    return text;
}

void TWideStrings::SetText(std::u16string_view text) {
    BeginUpdate();
    try {
        Clear();
        size_t i = 0;
        while (i < text.size()) {
            const size_t start = i;
            while (i < text.size() && text[i] != u'\r' && text[i] != u'\n') ++i;
            Add(std::u16string(text.substr(start, i - start)));
            if (i < text.size() && text[i] == u'\r') ++i;
            if (i < text.size() && text[i] == u'\n') ++i;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TWideStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

void TWideStrings::Assign(const TWideStrings& source) {
    if (&source == this) return;
    BeginUpdate();
    try {
        Clear();
        AddStrings(source);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TWideStrings::AddStrings(const TWideStrings& source) {
    BeginUpdate();
    try {
        for (int i = 0; i < source.GetCount(); ++i) AddObject(source.Get(i), source.GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

}  // namespace ziplib

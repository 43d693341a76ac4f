// The abstract list of wide strings, each with an object pointer the list never owns. The text
// form is every string followed by CR LF; names and values are split at the first '='.
#pragma once

#include <string>
#include <string_view>

namespace ziplib {

class TWideStrings {
public:
    virtual ~TWideStrings() = default;

    virtual std::u16string Get(int index) const = 0;
    virtual void Put(int index, const std::u16string& s);
    virtual void* GetObject(int index) const;
    virtual void PutObject(int index, void* obj);
    virtual int GetCount() const = 0;
    virtual int GetCapacity() const { return GetCount(); }
    virtual void SetCapacity(int) {}
    virtual int CompareStrings(std::u16string_view a, std::u16string_view b) const;  // without case

    virtual int Add(const std::u16string& s);
    virtual int AddObject(const std::u16string& s, void* obj);
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Exchange(int index1, int index2);
    virtual int IndexOf(const std::u16string& s) const;
    virtual int IndexOfName(const std::u16string& name) const;
    virtual void Insert(int index, const std::u16string& s);
    virtual void InsertObject(int index, const std::u16string& s, void* obj) = 0;

    int Count() const { return GetCount(); }
    std::u16string operator[](int index) const { return Get(index); }

    std::u16string GetText() const;
    // Lines end at CR LF, LF or CR; a last line end adds no empty line. A NUL character is text
    // like any other.
    virtual void SetText(std::u16string_view text);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // This list becomes a copy of source: strings and object pointers.
    void Assign(const TWideStrings& source);
    void AddStrings(const TWideStrings& source);

    static constexpr char16_t NameValueSeparator = u'=';

protected:
    TWideStrings() = default;
    TWideStrings(const TWideStrings&) = delete;
    TWideStrings& operator=(const TWideStrings&) = delete;

    // Called when the outermost BeginUpdate starts (true) and the matching EndUpdate ends (false).
    virtual void SetUpdateState(bool) {}

private:
    int updateCount_ = 0;
};

}  // namespace ziplib

// A list of 8-bit strings. Its one kind here is the adapter that shows a wide list in a code page.
#pragma once

#include <cstdint>
#include <string>

namespace ziplib {

class TStream;

class TAnsiStrings {
public:
    virtual ~TAnsiStrings() = default;

    virtual std::string Get(int index) const = 0;
    virtual void Put(int index, const std::string& s) = 0;
    virtual void* GetObject(int index) const = 0;
    virtual void PutObject(int index, void* obj) = 0;
    virtual int GetCount() const = 0;
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Insert(int index, const std::string& s) = 0;
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;

    int Count() const { return GetCount(); }
    int Add(const std::string& s);
    void BeginUpdate();
    void EndUpdate();
    // This list becomes a copy of source: strings and object pointers.
    void Assign(const TAnsiStrings& source);

protected:
    TAnsiStrings() = default;
    TAnsiStrings(const TAnsiStrings&) = delete;
    TAnsiStrings& operator=(const TAnsiStrings&) = delete;

    virtual void SetUpdateState(bool) {}

private:
    int updateCount_ = 0;
};

}  // namespace ziplib

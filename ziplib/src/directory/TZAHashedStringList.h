// A wide string list whose IndexOf and IndexOfName answer through hashes built on the first
// look-up after a change and kept current by Add. Keys are the strings themselves when the list
// is case-sensitive, else their lower case (Latin, Greek and Cyrillic). Among equal strings the
// highest index is found.
#pragma once

#include <memory>

#include "directory/TZAStringHash.h"
#include "ziplib/TUniStringList.h"

namespace ziplib {

class TZAHashedStringList : public TUniStringList {
public:
    TZAHashedStringList() = default;
    ~TZAHashedStringList() override;

    // Add goes through here. The value hash takes the new string; once the list holds more than
    // five strings per bucket the hash is dropped, to be rebuilt larger by the next look-up.
    int AddObject(const std::u16string& s, void* obj) override;
    void Clear() override;
    void Delete(int index) override;
    int IndexOf(const std::u16string& s) const override;
    int IndexOfName(const std::u16string& name) const override;

    // Replaces string index and keeps the value hash in step.
    void PutHashed(int index, const std::u16string& s);
    void UpdateValueHash() const;
    void UpdateNameHash() const;

    // Changes that move or rename strings behind the hashes' back: the hashes are rebuilt on
    // the next look-up.
    void Put(int index, const std::u16string& s) override;
    void InsertObject(int index, const std::u16string& s, void* obj) override;
    void Exchange(int index1, int index2) override;
    void CustomSort(const TUniStringListSortCompare& compare) override;
    void SetCaseSensitive(bool caseSensitive) override;

    const TZAStringHash* ValueHash() const { return valueHash_.get(); }
    const TZAStringHash* NameHash() const { return nameHash_.get(); }
    bool ValueHashValid() const { return valueHashValid_; }
    bool NameHashValid() const { return nameHashValid_; }

private:
    std::u16string KeyOf(std::u16string_view s) const;
    void Invalidate();

    mutable std::unique_ptr<TZAStringHash> valueHash_;
    mutable std::unique_ptr<TZAStringHash> nameHash_;
    mutable bool valueHashValid_ = false;
    mutable bool nameHashValid_ = false;
};

}  // namespace ziplib

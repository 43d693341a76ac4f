// The concrete wide string list: unsorted or kept sorted (with a duplicates rule), compared with
// or without case, growing in steps, and telling OnChanging/OnChange around every change.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ziplib/TUniStrings.h"

namespace ziplib {

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TUniStringList;
using TNotifyEvent = std::function<void(TUniStringList& sender)>;
using TUniStringListSortCompare = std::function<int(TUniStringList& list, int index1, int index2)>;

class TUniStringList : public TUniStrings {
public:
    TUniStringList() = default;
    ~TUniStringList() override;

    std::u16string Get(int index) const override;
    void Put(int index, const std::u16string& s) override;
    void* GetObject(int index) const override;
    void PutObject(int index, void* obj) override;
    int GetCount() const override { return count_; }
    int GetCapacity() const override { return static_cast<int>(items_.size()); }
    // A capacity below the count (or below 0) is refused: EStringListError.
    void SetCapacity(int newCapacity) override;
    int CompareStrings(std::u16string_view a, std::u16string_view b) const override;

    int Add(const std::u16string& s) override;
    int AddObject(const std::u16string& s, void* obj) override;
    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    int IndexOf(const std::u16string& s) const override;
    int IndexOfName(const std::u16string& name) const override;
    void InsertObject(int index, const std::u16string& s, void* obj) override;

    // Binary search of a sorted list: true when found, with index at the first equal item (for
    // dupAccept) or at an equal one; otherwise index is where s would go.
    virtual bool Find(const std::u16string& s, int& index) const;
    void Sort();
    // Does nothing on a sorted list or one with fewer than two items.
    virtual void CustomSort(const TUniStringListSortCompare& compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);  // sorts the list when switched on
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return caseSensitive_; }
    virtual void SetCaseSensitive(bool caseSensitive);  // a sorted list is sorted again

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    void SetUpdateState(bool updating) override;
    void NotifyChanging();
    void NotifyChanged();
    void InsertAt(int index, const std::u16string& s, void* obj);
    void CheckIndex(int index, int limit) const;  // EStringListError unless 0 <= index < limit

private:
    struct Item {
        std::u16string text;
        void* obj = nullptr;
    };
    void Grow();
    void QuickSort(int l, int r, const TUniStringListSortCompare& compare);
    void ExchangeItems(int index1, int index2);

    std::vector<Item> items_;  // its size is the capacity
    int count_ = 0;
    bool sorted_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
    bool caseSensitive_ = false;
};

}  // namespace ziplib

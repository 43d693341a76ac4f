#include "ziplib/TUniStringList.h"

#include <algorithm>

#include "platform/Unicode.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {
namespace {

[[noreturn]] void SortedListError() { throw EStringListError("Operation not allowed on sorted list"); }

}  // namespace

TUniStringList::~TUniStringList() {
    // No notification while the list is going away.
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TUniStringList::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit) throw EStringListError(FormatText("List index out of bounds (%d)", {FormatArg(index)}));
}

std::u16string TUniStringList::Get(int index) const {
    CheckIndex(index, count_);
    return items_[index].text;
}

void TUniStringList::Put(int index, const std::u16string& s) {
    if (sorted_) SortedListError();
    CheckIndex(index, count_);
    NotifyChanging();
    items_[index].text = s;
    NotifyChanged();
}

void* TUniStringList::GetObject(int index) const {
    CheckIndex(index, count_);
    return items_[index].obj;
}

void TUniStringList::PutObject(int index, void* obj) {
    CheckIndex(index, count_);
    NotifyChanging();
    items_[index].obj = obj;
    NotifyChanged();
}

void TUniStringList::SetCapacity(int newCapacity) {
    // Fewer slots than items would drop items behind the caller's back.
    if (newCapacity < count_)
        throw EStringListError(FormatText("List capacity out of bounds (%d)", {FormatArg(newCapacity)}));
    items_.resize(static_cast<size_t>(newCapacity));
}

int TUniStringList::CompareStrings(std::u16string_view a, std::u16string_view b) const {
    if (!caseSensitive_) return TUniStrings::CompareStrings(a, b);
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int TUniStringList::Add(const std::u16string& s) { return AddObject(s, nullptr); }

int TUniStringList::AddObject(const std::u16string& s, void* obj) {
    int index = count_;
    if (sorted_ && Find(s, index)) {
        switch (duplicates_) {
        case TDuplicates::dupIgnore: return index;
        case TDuplicates::dupError: throw EStringListError("String list does not allow duplicates");
        case TDuplicates::dupAccept: break;
        }
    }
    InsertAt(index, s, obj);
    return index;
}

void TUniStringList::Clear() {
    if (count_ == 0) return;
    NotifyChanging();
    std::vector<Item>().swap(items_);
    count_ = 0;
    NotifyChanged();
}

void TUniStringList::Delete(int index) {
    CheckIndex(index, count_);
    NotifyChanging();
    std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
    items_[--count_] = Item{};
    NotifyChanged();
}

void TUniStringList::Exchange(int index1, int index2) {
    CheckIndex(index1, count_);
    CheckIndex(index2, count_);
    NotifyChanging();
    ExchangeItems(index1, index2);
    NotifyChanged();
}

int TUniStringList::IndexOf(const std::u16string& s) const {
    if (!sorted_) return TUniStrings::IndexOf(s);
    int index;
    return Find(s, index) ? index : -1;
}

int TUniStringList::IndexOfName(const std::u16string& name) const {
    if (!sorted_) return TUniStrings::IndexOfName(name);
    const std::u16string key = name + NameValueSeparator;
    int index;
    Find(key, index);
    if (index >= 0 && index < count_ &&
        CompareStrings(std::u16string_view(items_[index].text).substr(0, key.size()), key) == 0)
        return index;
    return -1;
}

void TUniStringList::InsertObject(int index, const std::u16string& s, void* obj) {
    if (sorted_) SortedListError();
    CheckIndex(index, count_ + 1);
    InsertAt(index, s, obj);
}

void TUniStringList::InsertAt(int index, const std::u16string& s, void* obj) {
    NotifyChanging();
    if (count_ == GetCapacity()) Grow();
    std::move_backward(items_.begin() + index, items_.begin() + count_, items_.begin() + count_ + 1);
    items_[index] = Item{s, obj};
    ++count_;
    NotifyChanged();
}

void TUniStringList::Grow() {
    const int cap = GetCapacity();
    const int delta = cap > 64 ? cap / 4 : (cap > 8 ? 16 : 4);
    SetCapacity(cap + delta);
}

bool TUniStringList::Find(const std::u16string& s, int& index) const {
    bool found = false;
    int l = 0;
    int h = count_ - 1;
    while (l <= h) {
        const int i = static_cast<int>(static_cast<unsigned>(l + h) >> 1);
        const int c = CompareStrings(items_[i].text, s);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept) l = i;
            }
        }
    }
    index = l;
    return found;
}

void TUniStringList::Sort() {
    CustomSort([](TUniStringList& list, int a, int b) {
        return list.CompareStrings(list.items_[a].text, list.items_[b].text);
    });
}

void TUniStringList::CustomSort(const TUniStringListSortCompare& compare) {
    if (sorted_ || count_ < 2) return;
    NotifyChanging();
    QuickSort(0, count_ - 1, compare);
    NotifyChanged();
}

void TUniStringList::QuickSort(int l, int r, const TUniStringListSortCompare& compare) {
    int i;
    do {
        i = l;
        int j = r;
        int p = static_cast<int>(static_cast<unsigned>(l + r) >> 1);
        do {
            while (compare(*this, i, p) < 0) ++i;
            while (compare(*this, j, p) > 0) --j;
            if (i <= j) {
                ExchangeItems(i, j);
                if (p == i) p = j;
                else if (p == j) p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) QuickSort(l, j, compare);
        l = i;
    } while (i < r);
}

void TUniStringList::ExchangeItems(int index1, int index2) { std::swap(items_[index1], items_[index2]); }

void TUniStringList::SetSorted(bool sorted) {
    if (sorted_ == sorted) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TUniStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive_ == caseSensitive) return;
    caseSensitive_ = caseSensitive;
    if (sorted_) {
        // The order depends on the comparison; Find needs the new one.
        sorted_ = false;
        Sort();
        sorted_ = true;
    }
}

void TUniStringList::SetUpdateState(bool updating) {
    if (updating) NotifyChanging();
    else NotifyChanged();
}

void TUniStringList::NotifyChanging() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(*this);
}

void TUniStringList::NotifyChanged() {
    if (UpdateCount() == 0 && OnChange) OnChange(*this);
}

}  // namespace ziplib

#include "directory/TZADirArray.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/Unicode.h"
#include "ziplib/EZAException.h"

namespace ziplib {

std::u16string TZADirArray::LowerName(std::u16string_view name) { return platform::FoldCaseUtf16(name); }

void TZADirArray::CheckIndex(int index, int32_t code) const {
    if (index < 0 || index >= count_) throw EZAException(code);
}

void TZADirArray::SetCount(int n) {
    if (n < 0) throw std::invalid_argument("TZADirArray::SetCount: negative count");
    if (n > Capacity()) {
        delta_ = std::min(delta_ * 2, kMaxDelta);
        const int64_t grown = int64_t{Capacity()} + delta_;
        const auto capacity = static_cast<size_t>(grown > n ? grown : n);
        // Exactly that many slots, and as many for their names: a vector left to grow by itself
        // would double, and a directory of 100,000 items hold room for twice as many.
        items_.reserve(capacity);
        items_.resize(capacity);
        if (names_.GetCapacity() < n) names_.SetCapacity(n);
    } else if (n == 0) {
        items_.clear();
        items_.shrink_to_fit();
    } else {
        // The slots that stop being items own nothing from here on.
        for (int i = n; i < count_; ++i) items_[static_cast<size_t>(i)] = TDirItem{};
    }
    // Their strings go with them, so string i keeps belonging to item i.
    if (n == 0) names_.Clear();
    while (names_.Count() > n) names_.Delete(names_.Count() - 1);
    count_ = n;
}

TDirItem TZADirArray::GetItem(int index) const {
    CheckIndex(index, ZAError::GetItemIndex);
    return items_[static_cast<size_t>(index)];
}

TDirItem* TZADirArray::ItemPtr(int index) {
    CheckIndex(index, ZAError::ItemPtrIndex);
    return &items_[static_cast<size_t>(index)];
}

const TDirItem* TZADirArray::ItemPtr(int index) const {
    CheckIndex(index, ZAError::ItemPtrIndex);
    return &items_[static_cast<size_t>(index)];
}

bool TZADirArray::HasNameString(int index) const {
    if (names_.Count() > index) return true;
    if (names_.Count() < index) throw EZAException(ZAError::NameListOutOfStep);
    return false;
}

void TZADirArray::PutNameString(int index, bool exists, std::u16string_view name) {
    const std::u16string lower = LowerName(name);
    if (exists) names_.PutHashed(index, lower);
    else names_.Add(lower);
}

void TZADirArray::SetItem(int index, const TDirItem& item) {
    CheckIndex(index, ZAError::SetItemIndex);
    const bool exists = HasNameString(index);  // checked before anything changes
    TDirItem copy = item;  // item may be a slot of this array
    PutNameString(index, exists, copy.Name);
    items_[static_cast<size_t>(index)] = std::move(copy);
}

void TZADirArray::Delete(int index) {
    CheckIndex(index, ZAError::DeleteItemIndex);
    items_[static_cast<size_t>(index)] = TDirItem{};
    if (index < names_.Count()) names_.Delete(index);
    std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
    SetCount(count_ - 1);
}

void TZADirArray::Rename(int index, const std::u16string& newName) {
    TDirItem* item = ItemPtr(index);
    const bool exists = HasNameString(index);
    if (exists && names_.Get(index) != LowerName(item->Name)) throw EZAException(ZAError::RenameNameTaken);
    PutNameString(index, exists, newName);
    item->Name = newName;
}

void TZADirArray::Clear() {
    for (TDirItem& slot : items_) slot = TDirItem{};
    count_ = 0;
    names_.Clear();
}

void TZADirArray::ClearMarks() {
    for (int i = 0; i < count_; ++i) items_[static_cast<size_t>(i)].Mark = 0;
}

void TZADirArray::Assign(const TZADirArray& source) {
    if (&source == this) return;
    Clear();
    SetCount(source.Count());
    for (int i = 0; i < source.Count(); ++i) SetItem(i, source.items_[static_cast<size_t>(i)]);
}

}  // namespace ziplib

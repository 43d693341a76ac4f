#include "directory/TZAHashedStringList.h"

#include <algorithm>

#include "platform/Unicode.h"

namespace ziplib {
namespace {

constexpr uint32_t kMinValueBuckets = 1000;
constexpr uint32_t kNameBuckets = 256;
constexpr int kStringsPerBucket = 5;

}  // namespace

TZAHashedStringList::~TZAHashedStringList() = default;

std::u16string TZAHashedStringList::KeyOf(std::u16string_view s) const {
    return CaseSensitive() ? std::u16string(s) : platform::FoldCaseUtf16(s);
}

void TZAHashedStringList::Invalidate() {
    valueHashValid_ = false;
    nameHashValid_ = false;
}

int TZAHashedStringList::AddObject(const std::u16string& s, void* obj) {
    const int before = Count();
    const int index = TUniStringList::AddObject(s, obj);
    if (Count() == before) return index;  // a sorted list kept the equal string it had
    if (index != Count() - 1) {
        Invalidate();  // inserted into a sorted list: the strings after it moved up
        return index;
    }
    if (valueHash_ && valueHashValid_) {
        valueHash_->Add(KeyOf(s), index);
        if (Count() > kStringsPerBucket * static_cast<int64_t>(valueHash_->BucketCount())) {
            valueHash_.reset();
            valueHashValid_ = false;
        }
    }
    nameHashValid_ = false;
    return index;
}

void TZAHashedStringList::Clear() {
    TUniStringList::Clear();
    // Emptied rather than invalidated: empty hashes are right for an empty list.
    if (valueHash_) valueHash_->Clear();
    if (nameHash_) nameHash_->Clear();
}

void TZAHashedStringList::Delete(int index) {
    TUniStringList::Delete(index);
    Invalidate();  // the strings after it moved down
}

int TZAHashedStringList::IndexOf(const std::u16string& s) const {
    UpdateValueHash();
    return valueHash_->ValueOf(KeyOf(s));
}

int TZAHashedStringList::IndexOfName(const std::u16string& name) const {
    UpdateNameHash();
    return nameHash_->ValueOf(KeyOf(name));
}

void TZAHashedStringList::UpdateValueHash() const {
    if (!valueHash_) valueHash_ = std::make_unique<TZAStringHash>(std::max<uint32_t>(static_cast<uint32_t>(Count()), kMinValueBuckets));
    if (valueHashValid_) return;
    valueHash_->Clear();
    for (int i = 0; i < Count(); ++i) valueHash_->Add(KeyOf(Get(i)), i);
    valueHashValid_ = true;
}

void TZAHashedStringList::UpdateNameHash() const {
    if (nameHashValid_ && nameHash_) return;
    if (!nameHash_) nameHash_ = std::make_unique<TZAStringHash>(kNameBuckets);
    else nameHash_->Clear();
    for (int i = 0; i < Count(); ++i) {
        const std::u16string s = Get(i);
        const size_t p = s.find(NameValueSeparator);
        if (p != std::u16string::npos) nameHash_->Add(KeyOf(std::u16string_view(s).substr(0, p)), i);
    }
    nameHashValid_ = true;
}

void TZAHashedStringList::PutHashed(int index, const std::u16string& s) {
    const std::u16string old = Get(index);
    TUniStringList::Put(index, s);
    nameHashValid_ = false;  // the name part may have changed too
    if (!valueHash_) return;
    const std::u16string oldKey = KeyOf(old);
    valueHash_->Remove(oldKey);
    // With equal strings elsewhere the entry removed may have been another index's.
    if (valueHash_->ValueOf(oldKey) >= 0) valueHashValid_ = false;
    valueHash_->Add(KeyOf(s), index);
}

void TZAHashedStringList::Put(int index, const std::u16string& s) {
    TUniStringList::Put(index, s);
    Invalidate();
}

void TZAHashedStringList::InsertObject(int index, const std::u16string& s, void* obj) {
    TUniStringList::InsertObject(index, s, obj);
    Invalidate();
}

void TZAHashedStringList::Exchange(int index1, int index2) {
    TUniStringList::Exchange(index1, index2);
    Invalidate();
}

void TZAHashedStringList::CustomSort(const TUniStringListSortCompare& compare) {
    TUniStringList::CustomSort(compare);
    Invalidate();
}

void TZAHashedStringList::SetCaseSensitive(bool caseSensitive) {
    TUniStringList::SetCaseSensitive(caseSensitive);
    Invalidate();  // the keys are made differently now
}

}  // namespace ziplib

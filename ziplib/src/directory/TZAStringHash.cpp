#include "directory/TZAStringHash.h"

namespace ziplib {

TZAStringHash::TZAStringHash(uint32_t size) : buckets_(size > 0 ? size : 1, nullptr) {}

TZAStringHash::~TZAStringHash() { Clear(); }

uint32_t TZAStringHash::HashOf(std::u16string_view key) const {
    uint32_t h = 0;
    for (char16_t c : key) h = ((h << 2) | (h >> 30)) ^ c;
    return h;
}

void TZAStringHash::Add(std::u16string_view key, int32_t value) {
    THashItem*& head = buckets_[HashOf(key) % buckets_.size()];
    head = new THashItem{head, std::u16string(key), value};
}

THashItem** TZAStringHash::Find(std::u16string_view key) {
    THashItem** link = &buckets_[HashOf(key) % buckets_.size()];
    while (*link && (*link)->Key != key) link = &(*link)->Next;
    return link;
}

void TZAStringHash::Remove(std::u16string_view key) {
    THashItem** link = Find(key);
    if (THashItem* item = *link) {
        *link = item->Next;
        delete item;
    }
}

int32_t TZAStringHash::ValueOf(std::u16string_view key) {
    const THashItem* item = *Find(key);
    return item ? item->Value : -1;
}

void TZAStringHash::Clear() {
    for (THashItem*& head : buckets_) {
        while (THashItem* item = head) {
            head = item->Next;
            delete item;
        }
    }
}

}  // namespace ziplib

// A bucket hash from wide-string keys to list indexes. Equal keys may be added more than once;
// the newest comes first in its chain, so it is the one found.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ziplib {

struct THashItem {
    THashItem* Next;
    std::u16string Key;
    int32_t Value;
};

class TZAStringHash {
public:
    explicit TZAStringHash(uint32_t size);  // size empty buckets (at least one)
    virtual ~TZAStringHash();
    TZAStringHash(const TZAStringHash&) = delete;
    TZAStringHash& operator=(const TZAStringHash&) = delete;

    void Add(std::u16string_view key, int32_t value);
    // The link that points at the first item with this key in its chain, or at the chain's end.
    THashItem** Find(std::u16string_view key);
    void Remove(std::u16string_view key);  // the first item with this key, if any
    int32_t ValueOf(std::u16string_view key);  // -1 when absent
    void Clear();

    uint32_t BucketCount() const { return static_cast<uint32_t>(buckets_.size()); }
    // Rotate left by 2, then xor each UTF-16 unit.
    virtual uint32_t HashOf(std::u16string_view key) const;

private:
    std::vector<THashItem*> buckets_;
};

}  // namespace ziplib

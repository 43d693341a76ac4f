#include "engine/ItemOverlap.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/ItemDataReader.h"
#include "format/LocalHeader.h"

namespace ziplib {
namespace {

struct Extent {
    std::uint32_t disk;
    std::uint64_t begin;
    std::uint64_t end;  // one past the last byte
    int index;
};

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

}  // namespace

std::vector<int> FindOverlappingItems(const TZADirArray& items) {
    std::vector<Extent> ex;
    ex.reserve(static_cast<std::size_t>(items.Count()));
    for (int i = 0; i < items.Count(); ++i) {
        const TDirItem& it = *items.ItemPtr(i);
        const std::uint64_t begin = ItemLocalHeaderOffset(it);
        ex.push_back({ItemStartDisk(it), begin, SaturatingAdd(SaturatingAdd(begin, LocalHeader::kSize), ItemCompressedSize(it)), i});
    }
    std::sort(ex.begin(), ex.end(), [](const Extent& a, const Extent& b) {
        if (a.disk != b.disk) return a.disk < b.disk;
        if (a.begin != b.begin) return a.begin < b.begin;
        return a.end > b.end;
    });
    std::vector<char> hit(ex.size(), 0);
    // Sweep each volume keeping the extent that reaches furthest: a start before its end is an
    // overlap of both. Every overlapping pair is caught this way (the furthest-reaching extent
    // is either one of the pair or overlaps the later one of them too).
    std::size_t reach = 0;
    for (std::size_t k = 1; k < ex.size(); ++k) {
        if (ex[k].disk != ex[reach].disk) {
            reach = k;
            continue;
        }
        if (ex[k].begin < ex[reach].end) {
            hit[static_cast<std::size_t>(ex[k].index)] = 1;
            hit[static_cast<std::size_t>(ex[reach].index)] = 1;
        }
        if (ex[k].end > ex[reach].end) reach = k;
    }
    std::vector<int> out;
    for (std::size_t i = 0; i < hit.size(); ++i)
        if (hit[i]) out.push_back(static_cast<int>(i));
    return out;
}

}  // namespace ziplib

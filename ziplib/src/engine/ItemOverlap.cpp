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

Extent ExtentOf(const TZADirArray& items, int i) {
    const TDirItem& it = *items.ItemPtr(i);
    const std::uint64_t begin = ItemLocalHeaderOffset(it);
    return {ItemStartDisk(it), begin, SaturatingAdd(SaturatingAdd(begin, LocalHeader::kSize), ItemCompressedSize(it)), i};
}

// The sweep's order: by volume, then by start, the longer first of extents that start together.
bool Before(const Extent& a, const Extent& b) {
    if (a.disk != b.disk) return a.disk < b.disk;
    if (a.begin != b.begin) return a.begin < b.begin;
    return a.end > b.end;
}

// Sweeps each volume keeping the extent that reaches furthest: a start before its end is an
// overlap of both. Every overlapping pair is caught this way (the furthest-reaching extent is
// either one of the pair or overlaps the later one of them too). `at(k)` is the k-th extent in
// the sweep's order.
template <class At>
void Sweep(std::size_t count, At at, std::vector<char>& hit) {
    if (count == 0) return;
    Extent reach = at(0);
    for (std::size_t k = 1; k < count; ++k) {
        const Extent e = at(k);
        if (e.disk != reach.disk) {
            reach = e;
            continue;
        }
        if (e.begin < reach.end) {
            hit[static_cast<std::size_t>(e.index)] = 1;
            hit[static_cast<std::size_t>(reach.index)] = 1;
        }
        if (e.end > reach.end) reach = e;
    }
}

}  // namespace

std::vector<int> FindOverlappingItems(const TZADirArray& items) {
    const int count = items.Count();
    std::vector<char> hit(static_cast<std::size_t>(count), 0);
    // Most archives list their items in the order they are stored: their directory is swept as
    // it stands, without a sorted copy of every item's extent beside it.
    bool ordered = true;
    for (int i = 1; i < count && ordered; ++i) ordered = !Before(ExtentOf(items, i), ExtentOf(items, i - 1));
    if (ordered) {
        Sweep(hit.size(), [&](std::size_t k) { return ExtentOf(items, static_cast<int>(k)); }, hit);
    } else {
        std::vector<Extent> ex;
        ex.reserve(hit.size());
        for (int i = 0; i < count; ++i) ex.push_back(ExtentOf(items, i));
        std::sort(ex.begin(), ex.end(), Before);
        Sweep(ex.size(), [&](std::size_t k) { return ex[k]; }, hit);
    }
    std::vector<int> out;
    for (std::size_t i = 0; i < hit.size(); ++i)
        if (hit[i]) out.push_back(static_cast<int>(i));
    return out;
}

}  // namespace ziplib

// How every dispatcher picks its kernel: the last supported one of its list (the lists run from
// the portable one to the fastest), or the portable one when the caller's switch forces it.
#pragma once

#include <span>

namespace ziplib::detail {

template <typename Implementation>
const Implementation& ChooseKernel(std::span<const Implementation> all, bool portableForced) {
    if (portableForced) return all.front();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (it->supported) return *it;
    return all.front();
}

}  // namespace ziplib::detail

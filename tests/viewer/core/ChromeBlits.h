// The blits of one bitmap among the tiles a chrome or a panel frame is drawn with.
#pragma once

#include <vector>

#include "Chrome.h"

namespace viewertest {

inline std::vector<viewer::ChromeBlit> Of(const std::vector<viewer::ChromeBlit>& all, int bitmap) {
    std::vector<viewer::ChromeBlit> out;
    for (const auto& b : all)
        if (b.bitmap == bitmap) out.push_back(b);
    return out;
}

}  // namespace viewertest

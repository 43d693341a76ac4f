// The archiver's published options: how names are stored and searched, and what extraction does
// with existing files, folders and attributes.
#pragma once

#include <cstdint>

#include "ziplib/ZAEnums.h"

namespace ziplib {

// The search attributes that select every item, hidden, system, volume and folder items included
// (0x28BF): what the programs pass to every search and batch.
inline constexpr int32_t kSearchEveryItem = 10431;

struct TZAOptions {
    // Laid out in this order; the defaults are what a new archiver starts with.
    TZAStorePathMode StorePath = TZAStorePathMode::spRelativePath;
    bool Recurse = true;
    TZAFileShareMode ShareMode = TZAFileShareMode::smShareDenyNone;
    TZAOverwriteMode OverwriteMode = TZAOverwriteMode::omAlways;
    bool CreateDirs = true;
    bool ReplaceReadOnly = true;
    bool SetAttributes = true;
    int32_t SearchAttr = kSearchEveryItem;
    bool FlushBuffers = true;
    bool OEMFileNames = true;  // 8-bit names are in the OEM code page (866), not the ANSI one

    // Copies all ten.
    void Assign(const TZAOptions& source) { *this = source; }
    bool operator==(const TZAOptions&) const = default;
};

}  // namespace ziplib

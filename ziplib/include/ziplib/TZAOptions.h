// The archiver's published options: how names are stored and searched, and what extraction does
// with existing files, folders and attributes.
#pragma once

#include <cstdint>

#include "ziplib/ZAEnums.h"

namespace ziplib {

struct TZAOptions {
    // Laid out in this order; the defaults are what a new archiver starts with.
    TZAStorePathMode StorePath = TZAStorePathMode::spRelativePath;
    bool Recurse = true;
    TZAFileShareMode ShareMode = TZAFileShareMode::smShareDenyNone;
    TZAOverwriteMode OverwriteMode = TZAOverwriteMode::omAlways;
    bool CreateDirs = true;
    bool ReplaceReadOnly = true;
    bool SetAttributes = true;
    int32_t SearchAttr = 10431;  // 0x28BF: every kind of item
    bool FlushBuffers = true;
    bool OEMFileNames = true;  // 8-bit names are in the OEM code page (866), not the ANSI one

    // Copies all ten.
    void Assign(const TZAOptions& source) { *this = source; }
    bool operator==(const TZAOptions&) const = default;
};

}  // namespace ziplib

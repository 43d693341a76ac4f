// What a batch needs to derive the keys of AES items before their turn: which items the engine
// decodes as AES items, and the salt in front of an item's data, read through its local header.
#pragma once

#include <cstddef>
#include <optional>

#include "crypto/AesKeyCache.h"
#include "directory/TDirItem.h"
#include "ziplib/TStream.h"

namespace ziplib {

// An encrypted item of the standard family with an AES strength, stored or deflated, whose
// stored size holds at least its salt, verifier and authentication code.
bool IsAesItem(const TDirItem& item);

// The salt of an item IsAesItem accepts, read through its local header; nothing when no local
// header is where the directory says or the salt does not follow it whole. Leaves `archive`
// at any position.
std::optional<AesSalt> ReadAesSalt(TStream& archive, const TDirItem& item);

}  // namespace ziplib

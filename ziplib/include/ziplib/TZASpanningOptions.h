// Size limits and naming of the volumes of a multi-volume archive.
#pragma once

#include <cstdint>

#include "ziplib/TZAVolumeNumberInfo.h"
#include "ziplib/ZAEnums.h"

namespace ziplib {

class TZASpanningOptions {
public:
    static constexpr int64_t kMinCustomVolumeSize = 65536;
    static constexpr int64_t kNoLimit = -1;

    // Volumes named name_001.zip, name_002.zip, ... instead of the default naming.
    bool AdvancedNaming = false;
    int64_t FirstVolumeSize = 0;  // above 0: the limit of the first volume only
    TZAVolumeSize VolumeSize = TZAVolumeSize::vsAutoDetect;

    int64_t CustomVolumeSize() const { return customVolumeSize_; }
    // Anything below 64 KiB, negative values included, becomes 64 KiB.
    void SetCustomVolumeSize(int64_t size) { customVolumeSize_ = size < kMinCustomVolumeSize ? kMinCustomVolumeSize : size; }

    uint8_t Reserved = 0;  // kept and copied; nothing reads it

    // The most a volume may hold, or kNoLimit when the free space of the disk decides.
    int64_t GetVolumeSize(const TZAVolumeNumberInfo& volume) const;

    // Copies all five.
    void Assign(const TZASpanningOptions& source) { *this = source; }

private:
    int64_t customVolumeSize_ = 0;
};

}  // namespace ziplib

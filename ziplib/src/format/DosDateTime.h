// MS-DOS packed date and time as stored in the headers: time bits 0-4 seconds/2, 5-10 minutes,
// 11-15 hours; date bits 0-4 day, 5-8 month, 9-15 years since 1980.
#pragma once

#include <cstdint>

namespace ziplib {

struct DosDateTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // A time before 1980 packs as 1980-01-01 00:00:00 and one after 2107 as the last moment
    // of 2107, rather than spilling into the other bits; odd seconds round down.
    std::uint16_t PackedTime() const noexcept;
    std::uint16_t PackedDate() const noexcept;
    static DosDateTime Unpack(std::uint16_t date, std::uint16_t time) noexcept;

    bool operator==(const DosDateTime&) const = default;
};

}  // namespace ziplib

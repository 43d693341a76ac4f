#include "format/DosDateTime.h"

namespace ziplib {
namespace {

// The range the 7-bit year field can hold.
constexpr int kFirstYear = 1980;
constexpr int kLastYear = kFirstYear + 127;

DosDateTime Clamped(const DosDateTime& t) noexcept {
    if (t.year < kFirstYear) return {kFirstYear, 1, 1, 0, 0, 0};
    if (t.year > kLastYear) return {kLastYear, 12, 31, 23, 59, 58};
    return t;
}

}  // namespace

std::uint16_t DosDateTime::PackedTime() const noexcept {
    const DosDateTime t = Clamped(*this);
    return static_cast<std::uint16_t>(((t.hour & 0x1F) << 11) | ((t.minute & 0x3F) << 5) | ((t.second / 2) & 0x1F));
}

std::uint16_t DosDateTime::PackedDate() const noexcept {
    const DosDateTime t = Clamped(*this);
    return static_cast<std::uint16_t>(((t.year - kFirstYear) << 9) | ((t.month & 0x0F) << 5) | (t.day & 0x1F));
}

DosDateTime DosDateTime::Unpack(std::uint16_t date, std::uint16_t time) noexcept {
    return {kFirstYear + (date >> 9), (date >> 5) & 0x0F, date & 0x1F, time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2};
}

}  // namespace ziplib

// Which volume of a multi-volume archive is meant: the first, the last, one by its number, or
// one not yet known. The last volume may be named before its number is known.
#pragma once

#include <cstdint>

namespace ziplib {

class TZAVolumeNumberInfo {
public:
    enum class Kind : uint8_t { First = 0, Last = 1, Numbered = 2, Unknown = 3 };

    // The highest volume number. Volumes are named and shown counted from 1, and that count
    // must still be a number; disk numbers read from an archive are cut to this (no volume set
    // is that large, so such a volume is asked for and not found).
    static constexpr int32_t kMaxNumber = INT32_MAX - 1;

    TZAVolumeNumberInfo() { Reset(); }

    void Reset() {
        kind_ = Kind::Unknown;
        Number = -1;
        LastNumber = -1;
    }
    bool IsFirst() const { return Number == 0; }
    void SetFirst() {
        Number = 0;
        kind_ = Kind::First;
    }
    // With the last number known the numbers decide, else the kind does.
    bool IsLast() const { return LastNumber >= 0 ? Number == LastNumber : kind_ == Kind::Last; }
    void SetLast() {
        Number = LastNumber;
        kind_ = Kind::Last;
    }
    void SetNumber(int32_t n) {
        kind_ = Kind::Numbered;
        Number = n;
    }
    Kind GetKind() const { return kind_; }
    // Takes another volume's number and kind (not its last number).
    void TakeVolume(const TZAVolumeNumberInfo& v) {
        Number = v.Number;
        kind_ = v.kind_;
    }

    // a and b name the same volume: both last, both first, the same kind while a's number is
    // unknown, else the same number.
    static bool SameVolume(const TZAVolumeNumberInfo& a, const TZAVolumeNumberInfo& b) {
        if (a.IsLast()) return b.IsLast();
        if (a.IsFirst()) return b.IsFirst();
        if (a.Number < 0) return a.kind_ == b.kind_;
        return a.Number == b.Number;
    }

    int32_t Number;      // from 0; -1 while not set
    int32_t LastNumber;  // -1 while not known

private:
    Kind kind_;
};

}  // namespace ziplib

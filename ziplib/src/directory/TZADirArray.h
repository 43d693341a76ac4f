// The items of an archive's directory in a growable array, with their names lower-cased in a
// hashed list for look-ups. String i of Names() always belongs to item i: every operation that
// names, renames, moves or drops an item changes that one string, never another found by value,
// so empty names, equal names and names differing only in case are all kept apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "directory/TDirItem.h"
#include "directory/TZAHashedStringList.h"

namespace ziplib {

class TZADirArray {
public:
    TZADirArray() = default;
    ~TZADirArray() = default;
    TZADirArray(const TZADirArray&) = delete;
    TZADirArray& operator=(const TZADirArray&) = delete;

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(items_.size()); }

    // Growing past the capacity doubles the growth step (up to 10,000) and takes capacity plus
    // step, or exactly n when that is more; the new slots are empty. 0 releases every slot.
    // Shrinking empties the slots that stop being items and drops their strings from Names().
    // Slots move when the array grows: pointers from ItemPtr do not survive a growth.
    // A negative n is refused with std::invalid_argument.
    void SetCount(int n);

    TDirItem GetItem(int index) const;  // a copy; code 2 outside 0..Count()-1
    TDirItem* ItemPtr(int index);       // the slot itself; code 3 outside the range
    const TDirItem* ItemPtr(int index) const;
    // Replaces the slot with a copy of item and string index of Names() with its lower-cased
    // name, or appends that string when Names() ends just before index. Codes: 1 outside the
    // range; 58 when Names() ends further before index (it is out of step).
    void SetItem(int index, const TDirItem& item);
    // Drops the item and its string; the later items move down. Code 4 outside the range.
    void Delete(int index);
    // Sets the item's name as given and string index of Names() to its lower case (appended
    // when Names() ends just before index). Code 3 outside the range; 58 when Names() ends
    // further before index; 59 when string index is not the lower-cased current name, so the
    // list is out of step with the items. Names equal to other items' names are allowed: an
    // archive may hold them.
    void Rename(int index, const std::u16string& newName);
    // Empties every item and Names(); the capacity stays.
    void Clear();
    void ClearMarks();
    // Becomes a copy of source, item by item.
    void Assign(const TZADirArray& source);

    // Look-ups: Names().IndexOf(name) finds an item by its name in any case (Latin, Greek,
    // Cyrillic); among equal names the last item is found.
    const TZAHashedStringList& Names() const { return names_; }

    // The key a name is kept under in Names().
    static std::u16string LowerName(std::u16string_view name);

private:
    void CheckIndex(int index, int32_t code) const;
    // True when Names() holds a string for item index, false when it ends just before it;
    // code 58 when it ends further before.
    bool HasNameString(int index) const;
    // Sets or appends string index, as HasNameString found.
    void PutNameString(int index, bool exists, std::u16string_view name);

    static constexpr int kInitialDelta = 500;
    static constexpr int kMaxDelta = 10000;

    std::vector<TDirItem> items_;  // its size is the capacity
    TZAHashedStringList names_;
    int delta_ = kInitialDelta;
    int count_ = 0;
};

}  // namespace ziplib

#include "ziplib/TAnsiStrings.h"

namespace ziplib {

int TAnsiStrings::Add(const std::string& s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

void TAnsiStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TAnsiStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

void TAnsiStrings::Assign(const TAnsiStrings& source) {
    if (&source == this) return;
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < source.GetCount(); ++i) {
            const int index = Add(source.Get(i));
            PutObject(index, source.GetObject(i));
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

}  // namespace ziplib

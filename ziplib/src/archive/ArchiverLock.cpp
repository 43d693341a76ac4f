#include "archive/ArchiverLock.h"

namespace ziplib {

std::recursive_mutex& ArchiverLock() {
    static std::recursive_mutex lock;  // made on first use, gone when the program ends
    return lock;
}

}  // namespace ziplib

// The one lock that every archiver of the process shares. A batch holds it from start to end,
// its events and dialogs included, so the thread that holds it may take it again.
#pragma once

#include <mutex>

namespace ziplib {

std::recursive_mutex& ArchiverLock();

}  // namespace ziplib

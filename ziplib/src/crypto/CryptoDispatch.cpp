#include "crypto/CryptoDispatch.h"

#include <cstdlib>
#include <cstring>

namespace ziplib::detail {

bool CryptoPortableForced() {
    const char* v = std::getenv("ZIPLIB_FORCE_PORTABLE_CRYPTO");
    return v && *v && std::strcmp(v, "0") != 0;
}

}  // namespace ziplib::detail

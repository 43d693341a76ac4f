// The switch shared by the AES and SHA-1 dispatchers.
#pragma once

namespace ziplib::detail {

// Whether the environment variable ZIPLIB_FORCE_PORTABLE_CRYPTO (anything but "" or "0") asks
// for the portable kernels.
bool CryptoPortableForced();

}  // namespace ziplib::detail

// Random bytes from the operating system's generator, for salts and encryption headers: a
// generator seeded from the clock would repeat a salt, and so a key stream, sooner or later.
#pragma once

#include <cstdint>
#include <span>

namespace ziplib {

// Fills `out`; raises std::system_error when the system gives no random bytes.
void OsRandomBytes(std::span<std::uint8_t> out);

// Random bytes in 0 .. 254, each value equally likely: the range the archives' salts have
// always had.
void OsRandomSaltBytes(std::span<std::uint8_t> out);

}  // namespace ziplib

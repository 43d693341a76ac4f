#include "crypto/OsRandom.h"

#include <sys/random.h>

#include <cerrno>
#include <system_error>

namespace ziplib {

void OsRandomBytes(std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::getrandom(out.data() + done, out.size() - done, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), "no random bytes from the system");
        }
        done += static_cast<std::size_t>(n);
    }
}

void OsRandomSaltBytes(std::span<std::uint8_t> out) {
    std::uint8_t pool[64];
    std::size_t used = sizeof pool;
    for (auto& b : out) {
        // 255 is drawn again rather than folded, which would make 0 twice as likely.
        do {
            if (used == sizeof pool) {
                OsRandomBytes(pool);
                used = 0;
            }
            b = pool[used++];
        } while (b == 255);
    }
}

}  // namespace ziplib

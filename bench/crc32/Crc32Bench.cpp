// CRC-32 throughput over one buffer (256 MiB of seeded random bytes by default; the first argument
// gives another size in MiB): each implementation of the library this CPU runs, UpdateCRC32 as
// callers see it, zlib's crc32 and libdeflate's. Best of several runs, warm cache; figures in GB/s
// (10^9 bytes per second) and as a ratio to zlib.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ziplib/Crc32.h"

namespace {

constexpr double kTargetGbPerSecond = 8.0;
constexpr int kRuns = 7;

struct Figure {
    std::string name;
    double gbPerSecond;
    std::uint32_t crc;
};

Figure Measure(const std::string& name, const std::vector<std::uint8_t>& data,
               const std::function<std::uint32_t(const std::uint8_t*, std::size_t)>& crcOf) {
    double best = 1e30;
    std::uint32_t crc = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        crc = crcOf(data.data(), data.size());
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
    }
    return {name, static_cast<double>(data.size()) / best / 1e9, crc};
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    std::vector<std::uint8_t> data(mib << 20);
    std::mt19937_64 gen(20240611);
    for (std::size_t i = 0; i + 8 <= data.size(); i += 8) {
        const std::uint64_t v = gen();
        for (int k = 0; k < 8; ++k) data[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
    }

    std::vector<Figure> figures;
    for (const auto& impl : ziplib::Crc32Implementations()) {
        if (!impl.supported) continue;
        figures.push_back(Measure(std::string(impl.name), data, [&](const std::uint8_t* p, std::size_t n) {
            return ~impl.update(0xFFFFFFFF, p, n);
        }));
    }
    const std::string active = "UpdateCRC32 (" + std::string(ziplib::ActiveCrc32Implementation().name) + ")";
    figures.push_back(Measure(active, data, [](const std::uint8_t* p, std::size_t n) {
        std::uint32_t reg = 0xFFFFFFFF;
        ziplib::UpdateCRC32(p, static_cast<std::int64_t>(n), reg);
        return ~reg;
    }));
    const Figure zlib = Measure("zlib crc32_z", data, [](const std::uint8_t* p, std::size_t n) {
        return static_cast<std::uint32_t>(crc32_z(0, p, n));
    });
    figures.push_back(zlib);
    figures.push_back(Measure("libdeflate_crc32", data, [](const std::uint8_t* p, std::size_t n) {
        return libdeflate_crc32(0, p, n);
    }));

    std::printf("CRC-32 over %zu MiB, best of %d runs\n", mib, kRuns);
    bool agree = true;
    for (const auto& f : figures) {
        std::printf("  %-32s %8.2f GB/s  %5.2fx zlib  crc %08x\n", f.name.c_str(), f.gbPerSecond,
                    f.gbPerSecond / zlib.gbPerSecond, f.crc);
        agree = agree && f.crc == zlib.crc;
    }
    const Figure& ours = figures[figures.size() - 3];
    std::printf("target %.1f GB/s for UpdateCRC32: %s\n", kTargetGbPerSecond,
                ours.gbPerSecond >= kTargetGbPerSecond ? "met" : "MISSED");
    if (!agree) std::printf("CRC VALUES DISAGREE\n");
    return agree ? 0 : 1;
}

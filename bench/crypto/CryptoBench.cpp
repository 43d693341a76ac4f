// Throughput on one core, warm cache, over the engine's 1 MiB chunks of seeded random bytes:
//   - each AES kernel this CPU runs, counter mode (AES-128 and AES-256);
//   - each SHA-1 kernel, and each multi-message kernel over as many messages as it has lanes
//     (the sum over all lanes);
//   - AES-CTR decryption with HMAC-SHA1, as the item engine runs them (the transform's
//     DecryptBuffer over each chunk): the target is 1.5 GB/s where the CPU has AES and SHA
//     instructions;
//   - one PBKDF2 key derivation of an AES-256 item (1000 iterations, 66 bytes), per SHA-1 kernel,
//     and per item when several items' keys are derived at once (four AES-256 items fill sixteen
//     lanes), per multi-message kernel.
// Figures are median, minimum and maximum of several runs, in GB/s (10^9 bytes per second).
//   bench_crypto [MiB per run] [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Spread.h"
#include "crypto/Aes.h"
#include "crypto/Pbkdf2.h"
#include "crypto/Sha1.h"
#include "crypto/TAESCryptoTransform.h"
#include "ziplib/TMemoryStream.h"

namespace {

using Clock = std::chrono::steady_clock;
using benchsupport::SpreadOf;

constexpr double kTargetGbPerSecond = 1.5;
constexpr std::size_t kChunk = 1u << 20;

// Runs `work` over `mib` chunks `runs` times; GB/s of each run.
benchsupport::Spread Rate(std::size_t mib, int runs, const std::function<void()>& chunk) {
    std::vector<double> v;
    for (int r = 0; r < runs; ++r) {
        const auto t0 = Clock::now();
        for (std::size_t i = 0; i < mib; ++i) chunk();
        v.push_back(static_cast<double>(mib * kChunk) / std::chrono::duration<double>(Clock::now() - t0).count() / 1e9);
    }
    return SpreadOf(v);
}

void Print(const std::string& name, const benchsupport::Spread& s, const char* unit = "GB/s") {
    std::printf("  %-40s median %8.3f %s  (min %.3f, max %.3f)\n", name.c_str(), s.median, unit, s.min, s.max);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 512;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    std::vector<std::uint8_t> buf(kChunk);
    std::mt19937_64 gen(20240612);
    for (auto& b : buf) b = static_cast<std::uint8_t>(gen());
    benchsupport::PrintLoadAverage("before");
    std::printf("%zu MiB per run, %d runs, one core\n", mib, runs);

    std::printf("AES counter mode\n");
    for (std::size_t keyLength : {16u, 32u}) {
        ziplib::AesKey key;
        ziplib::AesExpandKey(key, buf.data(), keyLength);
        for (const auto& impl : ziplib::AesImplementations()) {
            if (!impl.supported) continue;
            std::uint64_t counter = 0;
            const std::size_t n = impl.name == "portable" ? std::max<std::size_t>(1, mib / 16) : mib;
            Print("AES-" + std::to_string(keyLength * 8) + " " + std::string(impl.name),
                  Rate(n, runs, [&] { impl.ctr(key, counter, buf.data(), buf.data(), kChunk / 16); }));
        }
    }

    std::printf("SHA-1\n");
    for (const auto& impl : ziplib::Sha1Implementations()) {
        if (!impl.supported) continue;
        std::uint32_t state[5] = {};
        const std::size_t n = impl.name == "portable" ? std::max<std::size_t>(1, mib / 4) : mib;
        Print(std::string(impl.name), Rate(n, runs, [&] { impl.compress(state, buf.data(), kChunk / 64); }));
    }

    std::printf("SHA-1, independent messages side by side (all lanes together)\n");
    for (const auto& impl : ziplib::Sha1MultiImplementations()) {
        if (!impl.supported) continue;
        // Each lane hashes its own slice of the buffer; the slices add up to one chunk.
        const std::size_t blocks = kChunk / 64 / impl.lanes;
        std::vector<const std::uint8_t*> messages;
        for (std::size_t l = 0; l < impl.lanes; ++l) messages.push_back(buf.data() + l * blocks * 64);
        std::vector<std::uint32_t> states(5 * impl.lanes);
        const std::size_t n = impl.name == "portable" ? std::max<std::size_t>(1, mib / 4) : mib;
        Print(std::string(impl.name) + ", " + std::to_string(impl.lanes) + (impl.lanes == 1 ? " lane" : " lanes"),
              Rate(n, runs, [&] {
                  impl.compress(reinterpret_cast<std::uint32_t(*)[5]>(states.data()), messages.data(), impl.lanes, blocks);
              }));
    }

    std::printf("AES-CTR decryption with HMAC-SHA1 (the item transform, %s AES, %s SHA-1)\n",
                std::string(ziplib::ActiveAesImplementation().name).c_str(),
                std::string(ziplib::ActiveSha1Implementation().name).c_str());
    int missed = 0;
    for (int bits : {128, 256}) {
        ziplib::TAESCryptoTransform writer(bits, 8, 2);
        writer.SetDirection(ziplib::kCryptoEncrypt, nullptr);
        writer.CryptoInit("benchmark");
        const auto header = writer.GetEncryptionHeader();
        ziplib::TAESCryptoTransform t(bits, 8, 2);
        t.SetDirection(ziplib::kCryptoDecrypt, nullptr);
        t.CryptoInit("benchmark");
        ziplib::TMemoryStream h(std::string(header.begin(), header.end()));
        t.ReadEncryptionHeader(h, 0);
        const auto s = Rate(mib, runs, [&] { t.DecryptBuffer(buf.data(), 0, buf.data(), 0, kChunk); });
        Print("AES-" + std::to_string(bits) + "-CTR + HMAC-SHA1", s);
        const bool met = s.median >= kTargetGbPerSecond;
        missed += !met;
        std::printf("    target %.1f GB/s: %s\n", kTargetGbPerSecond, met ? "met" : "MISSED");
    }

    std::printf("PBKDF2-HMAC-SHA1, 1000 iterations, 66 bytes (one AES-256 item)\n");
    for (const auto& impl : ziplib::Sha1Implementations()) {
        if (!impl.supported) continue;
        // The chain kernel is what a derivation spends its time in; time it as the library runs it.
        ziplib::Sha1HmacPads pads{};
        std::vector<double> us;
        for (int r = 0; r < runs; ++r) {
            std::uint32_t u[4][5] = {}, tt[4][5] = {};
            const auto t0 = Clock::now();
            for (int k = 0; k < 20; ++k) impl.hmacChain(pads, u, tt, 4, 999);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / 20);
        }
        Print(std::string(impl.name), SpreadOf(us), "us  ");
    }
    {
        std::vector<double> us;
        std::uint8_t out[66];
        for (int r = 0; r < runs; ++r) {
            const auto t0 = Clock::now();
            for (int k = 0; k < 20; ++k) ziplib::Pbkdf2Sha1("benchmark", 9, "saltsaltsaltsalt", 16, 1000, out, sizeof out);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / 20);
        }
        Print("Pbkdf2Sha1 as the library runs it", SpreadOf(us), "us  ");
    }
    std::printf("PBKDF2-HMAC-SHA1 of several AES-256 items with one password, per item\n");
    for (const auto& impl : ziplib::Sha1MultiImplementations()) {
        if (!impl.supported) continue;
        // Four output blocks an item, the lanes filled as the batch's read-ahead fills them.
        const std::size_t items = std::max<std::size_t>(1, impl.lanes / 4);
        ziplib::Sha1HmacPads pads{};
        std::vector<std::uint32_t> u(5 * 4 * items), tt(5 * 4 * items);
        std::vector<double> us;
        for (int r = 0; r < runs; ++r) {
            const auto t0 = Clock::now();
            for (int k = 0; k < 20; ++k)
                impl.hmacChain(pads, reinterpret_cast<std::uint32_t(*)[5]>(u.data()),
                               reinterpret_cast<std::uint32_t(*)[5]>(tt.data()), 4 * items, 999);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / 20 /
                         static_cast<double>(items));
        }
        Print(std::string(impl.name) + ", " + std::to_string(items) + (items == 1 ? " item" : " items") + " a run",
              SpreadOf(us), "us  ");
    }
    {
        constexpr std::size_t kItems = 4;
        std::uint8_t out[kItems][66];
        std::uint8_t salts[kItems][16];
        std::vector<ziplib::Pbkdf2Request> requests;
        for (std::size_t i = 0; i < kItems; ++i) {
            std::fill(std::begin(salts[i]), std::end(salts[i]), static_cast<std::uint8_t>(i));
            requests.push_back({salts[i], out[i]});
        }
        std::vector<double> us;
        for (int r = 0; r < runs; ++r) {
            const auto t0 = Clock::now();
            for (int k = 0; k < 20; ++k) ziplib::Pbkdf2Sha1Many("benchmark", 9, 1000, requests);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / 20 / kItems);
        }
        Print("Pbkdf2Sha1Many, 4 items at once", SpreadOf(us), "us  ");
    }
    benchsupport::PrintLoadAverage("after");
    return missed ? 1 : 0;
}

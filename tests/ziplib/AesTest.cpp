// Guards AES and the cipher framework: the FIPS-197 vectors for each key length, every AES kernel
// against the portable one (blocks, counter mode, a counter that wraps), and the framework's
// counter mode, key set-up and use-before-key error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "TempDir.h"
#include "crypto/Aes.h"
#include "crypto/Sha1.h"
#include "crypto/TCipher_Rijndael.h"

namespace ziplib {
void PrintTo(const AesImplementation& i, std::ostream* os) { *os << i.name; }
}  // namespace ziplib

namespace {

using namespace ziplib;
using ziptest::Hex;
using ziptest::RandomBytes;
using Bytes = std::vector<std::uint8_t>;


AesKey KeyOf(const Bytes& k) {
    AesKey key;
    AesExpandKey(key, k.data(), k.size());
    return key;
}

struct Fips197 {
    const char* name;
    const char* key;
    const char* cipher;
};

const Fips197 kFips197[] = {
    {"AES-128", "000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {"AES-192", "000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {"AES-256", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
};
const char* const kFips197Plain = "00112233445566778899aabbccddeeff";

TEST(AesKeySchedule, Fips197Expansions) {
    // The last round keys of the key expansion examples.
    struct Case { const char* key; int rounds; const char* last; } cases[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c", 10, "d014f9a8c9ee2589e13f0cc8b6630ca6"},
        {"8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b", 12, "e98ba06f448c773c8ecc720401002202"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", 14, "fe4890d1e6188d0b046df344706c631e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const AesKey k = KeyOf(Hex(c.key));
        EXPECT_EQ(k.rounds, c.rounds);
        EXPECT_EQ(Bytes(k.keys.enc[k.rounds], k.keys.enc[k.rounds] + 16), Hex(c.last));
    }
    // A short key is zero-padded to the next length.
    const AesKey short5 = KeyOf(Hex("0102030405"));
    const AesKey padded = KeyOf(Hex("01020304050000000000000000000000"));
    EXPECT_EQ(short5.rounds, 10);
    EXPECT_EQ(std::memcmp(&short5.keys, &padded.keys, sizeof padded.keys), 0);
    EXPECT_EQ(KeyOf(Bytes(20, 1)).rounds, 12);
}

// One switch for the AES and the SHA-1 kernels.
TEST(CryptoKernels, PortableCanBeForcedFromTheEnvironment) {
    {
        testsupport::EnvGuard env("ZIPLIB_FORCE_PORTABLE_CRYPTO", "1");
        EXPECT_EQ(ChooseAesImplementation().name, "portable");
        EXPECT_EQ(ChooseSha1Implementation().name, "portable");
    }
    {
        testsupport::EnvGuard env("ZIPLIB_FORCE_PORTABLE_CRYPTO", "0");
        const auto best = [](auto all) {
            return std::find_if(all.rbegin(), all.rend(), [](const auto& i) { return i.supported; })->name;
        };
        EXPECT_EQ(ChooseAesImplementation().name, best(AesImplementations()));
        EXPECT_EQ(ChooseSha1Implementation().name, best(Sha1Implementations()));
    }
}

class AesKernel : public testing::TestWithParam<AesImplementation> {
protected:
    void SetUp() override {
        if (!GetParam().supported) GTEST_SKIP() << GetParam().name << " is not supported by this CPU";
    }
    const AesImplementation& portable() { return AesImplementations().front(); }
};

TEST_P(AesKernel, Fips197Vectors) {
    for (const auto& c : kFips197) {
        SCOPED_TRACE(c.name);
        const AesKey k = KeyOf(Hex(c.key));
        const Bytes plain = Hex(kFips197Plain);
        Bytes out(16), back(16);
        GetParam().encrypt(k, plain.data(), out.data(), 1);
        EXPECT_EQ(out, Hex(c.cipher));
        GetParam().decrypt(k, out.data(), back.data(), 1);
        EXPECT_EQ(back, plain);
    }
}

TEST_P(AesKernel, BlocksAndCounterModeAgreeWithPortable) {
    const Bytes data = RandomBytes(16 * 80, 21);
    for (std::size_t keyLength : {16u, 24u, 32u}) {
        const AesKey k = KeyOf(RandomBytes(keyLength, static_cast<unsigned>(keyLength)));
        // Counts around each kernel's batch sizes, and counters about to wrap past 2^64.
        for (std::size_t blocks : {1u, 3u, 4u, 7u, 8u, 9u, 15u, 16u, 31u, 32u, 33u, 80u}) {
            for (std::uint64_t start : {std::uint64_t{0}, std::uint64_t{1000}, ~std::uint64_t{0} - 5}) {
                SCOPED_TRACE(testing::Message() << keyLength << "-byte key, " << blocks << " blocks, counter " << start);
                Bytes a(16 * blocks), b(16 * blocks);
                std::uint64_t ca = start, cb = start;
                GetParam().ctr(k, ca, data.data(), a.data(), blocks);
                portable().ctr(k, cb, data.data(), b.data(), blocks);
                EXPECT_EQ(a, b);
                EXPECT_EQ(ca, cb);
                EXPECT_EQ(ca, start + blocks);
                // In place, as the item data is decrypted.
                Bytes inPlace(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(16 * blocks));
                ca = start;
                GetParam().ctr(k, ca, inPlace.data(), inPlace.data(), blocks);
                EXPECT_EQ(inPlace, b);
            }
            Bytes e(16 * blocks), pe(16 * blocks), d(16 * blocks);
            GetParam().encrypt(k, data.data(), e.data(), blocks);
            portable().encrypt(k, data.data(), pe.data(), blocks);
            EXPECT_EQ(e, pe);
            GetParam().decrypt(k, e.data(), d.data(), blocks);
            EXPECT_TRUE(std::equal(d.begin(), d.end(), data.begin()));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, AesKernel, testing::ValuesIn(AesImplementations().begin(), AesImplementations().end()),
                         [](const testing::TestParamInfo<AesImplementation>& info) {
                             std::string n(info.param.name);
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

// A cipher in counter mode, keyed with `key`.
struct CounterCipher {
    explicit CounterCipher(Bytes key) : keyCopy(std::move(key)), cipher(keyCopy) {
        cipher.Mode = TCipherMode::ModeCounter;
    }
    Bytes keyCopy;
    TCipher_Rijndael cipher;
};

TEST(TCipherCounterMode, KeystreamIsTheLittleEndianCounterFromOne) {
    const Bytes key = Hex(kFips197[2].key);
    CounterCipher c(key);
    Bytes zeros(48), ks(48);
    c.cipher.EncodeBuffer(zeros.data(), ks.data(), ks.size());
    const AesKey k = KeyOf(key);
    for (std::uint8_t n = 1; n <= 3; ++n) {
        Bytes block(16), want(16);
        block[0] = n;
        AesImplementations().front().encrypt(k, block.data(), want.data(), 1);
        EXPECT_TRUE(std::equal(want.begin(), want.end(), ks.begin() + 16 * (n - 1))) << "block " << int{n};
    }
}

TEST(TCipherCounterMode, PiecesContinueOneKeystream) {
    const Bytes key = RandomBytes(32, 4), data = RandomBytes(1000, 5);
    CounterCipher whole(key);
    Bytes one(data.size());
    whole.cipher.EncodeBuffer(data.data(), one.data(), data.size());
    for (const std::vector<std::size_t>& cuts : {std::vector<std::size_t>{10, 22}, {1, 15, 16, 17, 300}, {0, 999}}) {
        CounterCipher parts(key);
        Bytes out(data.size());
        std::size_t at = 0;
        for (std::size_t n : cuts) {
            parts.cipher.EncodeBuffer(data.data() + at, out.data() + at, n);
            at += n;
        }
        parts.cipher.EncodeBuffer(data.data() + at, out.data() + at, data.size() - at);
        EXPECT_EQ(out, one) << "cut after " << cuts.front();
    }
}

TEST(TCipher, KeySetUpLeavesTheEncryptedKeyCopy) {
    // Chain-xor over the key with the vector E(FF..FF): one block is E(key xor vector).
    const Bytes key = Hex(kFips197[0].key);
    Bytes handed = key;
    TCipher_Rijndael c(handed);
    EXPECT_TRUE(c.Initialized());
    EXPECT_TRUE(c.Keyed());
    const AesKey k = KeyOf(key);
    Bytes vector(16, 0xFF), block(16), want(16);
    AesImplementations().front().encrypt(k, vector.data(), vector.data(), 1);
    for (int i = 0; i < 16; ++i) block[i] = key[i] ^ vector[i];
    AesImplementations().front().encrypt(k, block.data(), want.data(), 1);
    EXPECT_EQ(handed, want);
    EXPECT_EQ(c.Context().BlockSize, 16u);
    EXPECT_EQ(c.Context().MaxKeySize, 32u);
    EXPECT_EQ(c.Context().PrivateSize, 480u);
}

TEST(TCipher, CodingBeforeAKeyRaises) {
    TCipher_Rijndael c;
    std::uint8_t b[4] = {};
    for (int which = 0; which < 3; ++which) {
        try {
            if (which == 0) c.EncodeBuffer(b, b, 4);
            if (which == 1) c.DecodeBuffer(b, b, 4);
            if (which == 2) c.BeginCoding(TProtectionAction::paEncode);
            ADD_FAILURE() << "no exception, case " << which;
        } catch (const ECipherException& e) {
            EXPECT_EQ(e.Code(), ECipherError::NotInitialized);
            EXPECT_STREQ(e.what(), "TCipher_Rijndael is not initialized call Init() or InitKey() before.");
        }
    }
}

}  // namespace

namespace ziplib {
void PrintTo(const AesCtrSha1Implementation& i, std::ostream* os) { *os << i.name; }
}  // namespace ziplib

namespace {

class AesCtrSha1Kernel : public testing::TestWithParam<ziplib::AesCtrSha1Implementation> {};

TEST_P(AesCtrSha1Kernel, AgreesWithSeparateHashAndCounterMode) {
    if (!GetParam().supported) GTEST_SKIP() << GetParam().name << " is not supported by this CPU";
    const Bytes data = RandomBytes(64 * 70, 31);
    for (std::size_t keyLength : {16u, 32u}) {
        const AesKey k = KeyOf(RandomBytes(keyLength, 7));
        for (std::size_t blocks : {1u, 15u, 16u, 17u, 70u}) {
            for (std::uint64_t start : {std::uint64_t{0}, ~std::uint64_t{0} - 9}) {
                SCOPED_TRACE(testing::Message() << keyLength << "-byte key, " << blocks << " blocks, counter " << start);
                std::uint32_t sha[5] = {1, 2, 3, 4, 5}, want[5] = {1, 2, 3, 4, 5};
                Bytes out(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(64 * blocks)), expect(64 * blocks);
                std::uint64_t c = start, cw = start;
                GetParam().run(k, c, sha, out.data(), out.data(), blocks);  // in place
                Sha1Implementations().front().compress(want, data.data(), blocks);
                AesImplementations().front().ctr(k, cw, data.data(), expect.data(), 4 * blocks);
                EXPECT_EQ(out, expect);
                EXPECT_TRUE(std::equal(sha, sha + 5, want));
                EXPECT_EQ(c, cw);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, AesCtrSha1Kernel,
                         testing::ValuesIn(AesCtrSha1Implementations().begin(), AesCtrSha1Implementations().end()),
                         [](const testing::TestParamInfo<AesCtrSha1Implementation>& info) {
                             std::string n(info.param.name);
                             for (char& ch : n)
                                 if (ch == '-' || ch == '+') ch = '_';
                             return n;
                         });

}  // namespace

// Guards SHA-1, HMAC-SHA1 and PBKDF2-HMAC-SHA1 against the published vectors (FIPS 180,
// RFC 2202, RFC 6070), every SHA-1 kernel against the portable one, the hash registry's look-ups,
// and the salts of the key-derivation object.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "crypto/Hmac.h"
#include "crypto/Pbkdf2.h"
#include "crypto/Sha1.h"
#include "crypto/TPBKDF2.h"

namespace ziplib {
void PrintTo(const Sha1Implementation& i, std::ostream* os) { *os << i.name; }
}  // namespace ziplib

namespace {

using namespace ziplib;
using ziptest::Bytes;
using ziptest::Hex;
using ziptest::RandomBytes;

std::vector<std::uint8_t> Digest(const Sha1Digest& d) { return {d.begin(), d.end()}; }


std::vector<std::uint8_t> HmacSha1(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data) {
    THmacContext c;
    HmacInit(c, &Sha1Descriptor(), key.data(), key.size());
    HmacUpdate(c, data.data(), data.size());
    std::vector<std::uint8_t> d(kSha1DigestSize);
    HmacFinal(c, d.data());
    return d;
}

TEST(Sha1, Fips180Vectors) {
    struct Case { std::string message; const char* digest; } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.substr(0, 20));
        EXPECT_EQ(Digest(Sha1Of(Bytes(c.message))), Hex(c.digest));
    }
}

TEST(Sha1, PiecewiseUpdatesEqualOne) {
    const auto data = RandomBytes(5000, 3);
    const auto whole = Sha1Of(data);
    for (std::size_t piece : {1u, 7u, 63u, 64u, 65u, 1000u}) {
        SCOPED_TRACE(piece);
        Sha1Context c;
        Sha1Init(c);
        for (std::size_t at = 0; at < data.size(); at += piece) Sha1Update(c, data.data() + at, std::min(piece, data.size() - at));
        Sha1Digest d;
        Sha1Final(c, d.data());
        EXPECT_EQ(d, whole);
    }
}

TEST(HmacSha1, Rfc2202Vectors) {
    struct Case { std::vector<std::uint8_t> key, data; const char* mac; } cases[] = {
        {std::vector<std::uint8_t>(20, 0x0b), Bytes("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        {Bytes("Jefe"), Bytes("what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::vector<std::uint8_t>(20, 0xaa), std::vector<std::uint8_t>(50, 0xdd), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {Hex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::vector<std::uint8_t>(50, 0xcd),
         "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {std::vector<std::uint8_t>(20, 0x0c), Bytes("Test With Truncation"), "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {std::vector<std::uint8_t>(80, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {std::vector<std::uint8_t>(80, 0xaa),
         Bytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(HmacSha1(cases[i].key, cases[i].data), Hex(cases[i].mac));
    }
}

struct Pbkdf2Case {
    std::string password, salt;
    std::int32_t iterations;
    const char* derived;
};

// RFC 6070, less its 16,777,216-iteration case, which would only add run time.
const Pbkdf2Case kRfc6070[] = {
    {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
    {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
    {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
    {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
     "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
    {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
};

TEST(Pbkdf2Sha1, Rfc6070Vectors) {
    for (const auto& c : kRfc6070) {
        SCOPED_TRACE(c.password + " " + std::to_string(c.iterations));
        const auto want = Hex(c.derived);
        std::vector<std::uint8_t> out(want.size());
        EXPECT_EQ(Pbkdf2Sha1(c.password.data(), c.password.size(), c.salt.data(), c.salt.size(), c.iterations,
                             out.data(), out.size()),
                  Pbkdf2Result::Ok);
        EXPECT_EQ(out, want);
    }
}

TEST(Pbkdf2Sha1, ResultCodesAndZeroIterations) {
    std::vector<std::uint8_t> out(8, 0x77);
    EXPECT_EQ(Pbkdf2(nullptr, "p", 1, "s", 1, 1, out.data(), out.size()), Pbkdf2Result::NoDescriptor);
    THashDescriptor noDigest = Sha1Descriptor();
    noDigest.DigestLength = 0;
    EXPECT_EQ(Pbkdf2(&noDigest, "p", 1, "s", 1, 1, out.data(), out.size()), Pbkdf2Result::NoDigest);
    EXPECT_EQ(out, std::vector<std::uint8_t>(8, 0x77)) << "a failure writes nothing";
    EXPECT_EQ(Pbkdf2Sha1("p", 1, "s", 1, 0, out.data(), out.size()), Pbkdf2Result::Ok);
    EXPECT_EQ(out, std::vector<std::uint8_t>(8, 0));
}

// A descriptor that is SHA-1 in all but its identity runs the generic loop: both loops agree.
TEST(Pbkdf2Sha1, GenericLoopAgreesWithTheChainedKernel) {
    THashDescriptor copy = Sha1Descriptor();
    copy.Init = [](THashContext& c) { Sha1Init(c.sha1); };
    const auto& c = kRfc6070[3];
    const auto want = Hex(c.derived);
    std::vector<std::uint8_t> out(want.size());
    ASSERT_EQ(Pbkdf2(&copy, c.password.data(), c.password.size(), c.salt.data(), c.salt.size(), c.iterations,
                     out.data(), out.size()),
              Pbkdf2Result::Ok);
    EXPECT_EQ(out, want);
}

TEST(TPBKDF2, KeysForAnAesItemAndFreshSalts) {
    TPBKDF2 k("secret", 1000, 8);
    ASSERT_EQ(k.Salt.size(), 8u);
    std::vector<std::uint8_t> item, first;
    EXPECT_EQ(k.GetKey(34, item), Pbkdf2Result::Ok);  // AES-128: key, HMAC key, verifier
    EXPECT_EQ(k.GetKey(20, first), Pbkdf2Result::Ok);
    ASSERT_EQ(item.size(), 34u);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), item.begin()));
    TPBKDF2 same("secret", 1000, k.GetSalt());
    std::vector<std::uint8_t> again;
    same.GetKey(34, again);
    EXPECT_EQ(again, item);

    // Salts are random from the system, never 255, and every other value turns up.
    std::vector<int> seen(256);
    for (int i = 0; i < 200; ++i) {
        TPBKDF2 s("", 1, 64);
        for (std::uint8_t b : s.Salt) ++seen[b];
    }
    EXPECT_EQ(seen[255], 0);
    EXPECT_EQ(std::count(seen.begin(), seen.end() - 1, 0), 0);
    EXPECT_NE(TPBKDF2("", 1, 16).Salt, TPBKDF2("", 1, 16).Salt);
}

TEST(HashRegistry, LookUps) {
    EXPECT_EQ(FindHashByName("SHA1"), &Sha1Descriptor());
    EXPECT_EQ(FindHashByName("sha1"), &Sha1Descriptor());
    EXPECT_EQ(FindHashByName("SHA-1"), nullptr);
    EXPECT_EQ(FindHashById(3), &Sha1Descriptor());
    EXPECT_EQ(FindHashById(4), nullptr);
    EXPECT_EQ(FindHashById(9), nullptr);
    const THashDescriptor& d = Sha1Descriptor();
    EXPECT_EQ(d.BlockLength, 64);
    EXPECT_EQ(d.DigestLength, 20);
    EXPECT_EQ(std::vector<std::uint32_t>(d.Oid, d.Oid + d.OidArcs), (std::vector<std::uint32_t>{1, 3, 14, 3, 2, 26}));

    // Refused: a wrong id for the descriptor, a slot past 8, a bad signature.
    THashDescriptor other = d;
    other.AlgorithmId = 5;
    other.Name = "OTHER";
    RegisterHash(6, &other);
    RegisterHash(9, &other);
    THashDescriptor unsigned_ = other;
    unsigned_.Signature = 0;
    RegisterHash(5, &unsigned_);
    EXPECT_EQ(FindHashByName("other"), nullptr);
    RegisterHash(5, &other);
    EXPECT_EQ(FindHashByName("Other"), &other);
    EXPECT_EQ(FindHashById(5), &other);
    RegisterHash(5, nullptr);  // ignored: the slot keeps its descriptor
    EXPECT_EQ(FindHashById(5), &other);

    Sha1Digest viaAll;
    HashAll(&d, viaAll.data(), "abc", 3);
    EXPECT_EQ(Digest(viaAll), Hex("a9993e364706816aba3e25717850c26c9cd0d89d"));
}

class Sha1Kernel : public testing::TestWithParam<Sha1Implementation> {
protected:
    void SetUp() override {
        if (!GetParam().supported) GTEST_SKIP() << GetParam().name << " is not supported by this CPU";
    }
    const Sha1Implementation& portable() { return Sha1Implementations().front(); }
};

TEST_P(Sha1Kernel, CompressAgreesWithPortable) {
    const auto data = RandomBytes(64 * 40 + 1, 5);
    for (std::size_t blocks : {1u, 2u, 3u, 17u, 40u}) {
        for (std::size_t offset : {0u, 1u}) {  // unaligned input too
            std::uint32_t a[5] = {1, 2, 3, 4, 5}, b[5] = {1, 2, 3, 4, 5};
            GetParam().compress(a, data.data() + offset, blocks);
            portable().compress(b, data.data() + offset, blocks);
            EXPECT_TRUE(std::equal(a, a + 5, b)) << blocks << " blocks at offset " << offset;
        }
    }
}

TEST_P(Sha1Kernel, HmacChainAgreesWithPortableForAnyLaneCount) {
    Sha1HmacPads pads;
    const auto seed = RandomBytes(40, 9);
    std::memcpy(pads.inner, seed.data(), 20);
    std::memcpy(pads.outer, seed.data() + 20, 20);
    for (std::size_t lanes = 1; lanes <= 9; ++lanes) {
        for (std::uint32_t rounds : {1u, 5u}) {
            std::uint32_t u1[9][5], t1[9][5], u2[9][5], t2[9][5];
            const auto start = RandomBytes(sizeof u1, static_cast<unsigned>(lanes));
            std::memcpy(u1, start.data(), sizeof u1);
            std::memcpy(t1, start.data(), sizeof t1);
            std::memcpy(u2, u1, sizeof u1);
            std::memcpy(t2, t1, sizeof t1);
            GetParam().hmacChain(pads, u1, t1, lanes, rounds);
            portable().hmacChain(pads, u2, t2, lanes, rounds);
            EXPECT_EQ(std::memcmp(u1, u2, sizeof u1), 0) << lanes << " lanes, " << rounds << " rounds";
            EXPECT_EQ(std::memcmp(t1, t2, sizeof t1), 0) << lanes << " lanes, " << rounds << " rounds";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, Sha1Kernel,
                         testing::ValuesIn(Sha1Implementations().begin(), Sha1Implementations().end()),
                         [](const testing::TestParamInfo<Sha1Implementation>& info) {
                             std::string n(info.param.name);
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });

}  // namespace

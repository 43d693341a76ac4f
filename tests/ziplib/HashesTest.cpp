// Guards SHA-1, HMAC-SHA1 and PBKDF2-HMAC-SHA1 against the published vectors (FIPS 180,
// RFC 2202, RFC 6070), every SHA-1 kernel (one message or many side by side) against the
// portable one, PBKDF2 of many salts at once against one at a time, the hash registry's
// look-ups, and the salts of the key-derivation object.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
void PrintTo(const Sha1MultiImplementation& i, std::ostream* os) { *os << i.name; }
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

// Several salts and output lengths under one password in one run: each output is the one-at-a-
// time derivation, whichever lane its blocks landed in, and the RFC vectors hold among them.
TEST(Pbkdf2Sha1, ManyRequestsAtOnceEqualOneAtATime) {
    const std::string password = "passwordPASSWORDpassword";
    struct Want { std::vector<std::uint8_t> salt; std::size_t length; };
    std::vector<Want> wants;
    const std::size_t lengths[] = {66, 34, 50, 20, 1, 0, 41, 66, 66, 19, 21, 66};
    for (std::size_t i = 0; i < std::size(lengths); ++i) wants.push_back({RandomBytes(8 + i % 9, 40 + i), lengths[i]});
    wants.push_back({Bytes(kRfc6070[3].salt), 25});
    wants.push_back({wants[0].salt, 66});  // the same salt twice
    for (std::int32_t iterations : {1, 2, 1000}) {
        SCOPED_TRACE(iterations);
        std::vector<std::vector<std::uint8_t>> outs;
        for (const Want& w : wants) outs.emplace_back(w.length, 0xEE);
        std::vector<Pbkdf2Request> requests;
        for (std::size_t i = 0; i < wants.size(); ++i) requests.push_back({wants[i].salt, outs[i]});
        ASSERT_EQ(Pbkdf2Sha1Many(password.data(), password.size(), iterations, requests), Pbkdf2Result::Ok);
        for (std::size_t i = 0; i < wants.size(); ++i) {
            SCOPED_TRACE(i);
            std::vector<std::uint8_t> one(wants[i].length);
            Pbkdf2Sha1(password.data(), password.size(), wants[i].salt.data(), wants[i].salt.size(), iterations,
                       one.data(), one.size());
            EXPECT_EQ(outs[i], one);
        }
    }
    std::vector<std::uint8_t> rfc(25);
    const auto rfcSalt = Bytes(kRfc6070[3].salt);
    const Pbkdf2Request one[] = {{rfcSalt, rfc}};
    Pbkdf2Sha1Many(password.data(), password.size(), 4096, one);
    EXPECT_EQ(rfc, Hex(kRfc6070[3].derived));
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
    {
        // The registry is the process's: the descriptor on this stack leaves it with the scope,
        // whatever the checks in it say.
        struct TakenOut {
            ~TakenOut() { UnregisterHash(5); }
        } takenOut;
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
    }
    // Left as it was found: slot 5 empty, SHA-1 in its own.
    EXPECT_EQ(FindHashById(5), nullptr);
    EXPECT_EQ(FindHashByName("other"), nullptr);
    EXPECT_EQ(FindHashById(3), &Sha1Descriptor());

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

class Sha1MultiKernel : public testing::TestWithParam<Sha1MultiImplementation> {
protected:
    void SetUp() override {
        if (!GetParam().supported) GTEST_SKIP() << GetParam().name << " is not supported by this CPU";
    }
};

// Lane counts that leave lanes idle, fill a pass exactly, and spill into another.
std::vector<std::size_t> LaneCounts(std::size_t lanes) {
    std::vector<std::size_t> v = {1, 2, lanes - 1, lanes, lanes + 1, 2 * lanes + 3};
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), std::remove(v.begin(), v.end(), 0u)), v.end());
    return v;
}

// A different message and start state in every lane, unaligned too: each lane's state is the
// portable one's for its own message.
TEST_P(Sha1MultiKernel, CompressAgreesWithPortableLaneByLane) {
    const auto& kernel = GetParam();
    const auto pool = RandomBytes(64 * 5 * 40 + 64, 11);
    for (std::size_t count : LaneCounts(kernel.lanes)) {
        for (std::size_t blocks : {1u, 2u, 5u}) {
            std::vector<const std::uint8_t*> messages;
            std::vector<std::array<std::uint32_t, 5>> got(count), want(count);
            for (std::size_t l = 0; l < count; ++l) {
                messages.push_back(pool.data() + (l * 64 * blocks + l) % (pool.size() - 64 * blocks));
                for (int i = 0; i < 5; ++i) got[l][i] = want[l][i] = static_cast<std::uint32_t>(l * 977 + i * 31);
                Sha1Implementations().front().compress(want[l].data(), messages[l], blocks);
            }
            kernel.compress(reinterpret_cast<std::uint32_t(*)[5]>(got.data()), messages.data(), count, blocks);
            EXPECT_EQ(got, want) << count << " messages of " << blocks << " blocks";
        }
    }
}

// Each FIPS 180 vector, padded as SHA-1 pads it, in one lane among others holding other messages.
TEST_P(Sha1MultiKernel, Fips180VectorsInAnyLane) {
    const auto& kernel = GetParam();
    struct Case { std::string message; const char* digest; } cases[] = {
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> padded = Bytes(c.message);
        padded.push_back(0x80);
        while (padded.size() % 64 != 56) padded.push_back(0);
        const std::uint64_t bits = c.message.size() * 8;
        for (int i = 7; i >= 0; --i) padded.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        const std::size_t blocks = padded.size() / 64;
        const auto other = RandomBytes(padded.size() + kernel.lanes, 12);
        const std::size_t count = kernel.lanes + 1;
        for (std::size_t lane : {std::size_t{0}, kernel.lanes / 2, kernel.lanes}) {
            SCOPED_TRACE(c.message.substr(0, 10) + " in lane " + std::to_string(lane));
            std::vector<const std::uint8_t*> messages;
            for (std::size_t l = 0; l < count; ++l) messages.push_back(l == lane ? padded.data() : other.data() + l);
            std::vector<std::array<std::uint32_t, 5>> states(
                count, {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u});
            kernel.compress(reinterpret_cast<std::uint32_t(*)[5]>(states.data()), messages.data(), count, blocks);
            std::vector<std::uint8_t> digest;
            for (std::uint32_t w : states[lane])
                for (int i = 3; i >= 0; --i) digest.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
            EXPECT_EQ(digest, Hex(c.digest));
        }
    }
}

TEST_P(Sha1MultiKernel, HmacChainAgreesWithPortable) {
    const auto& kernel = GetParam();
    Sha1HmacPads pads;
    const auto seed = RandomBytes(40, 13);
    std::memcpy(pads.inner, seed.data(), 20);
    std::memcpy(pads.outer, seed.data() + 20, 20);
    for (std::size_t lanes : LaneCounts(kernel.lanes)) {
        for (std::uint32_t rounds : {1u, 7u}) {
            const auto start = RandomBytes(lanes * 40, static_cast<unsigned>(lanes));
            std::vector<std::array<std::uint32_t, 5>> u1(lanes), t1(lanes);
            std::memcpy(u1.data(), start.data(), lanes * 20);
            std::memcpy(t1.data(), start.data() + lanes * 20, lanes * 20);
            auto u2 = u1, t2 = t1;
            kernel.hmacChain(pads, reinterpret_cast<std::uint32_t(*)[5]>(u1.data()),
                             reinterpret_cast<std::uint32_t(*)[5]>(t1.data()), lanes, rounds);
            Sha1Implementations().front().hmacChain(pads, reinterpret_cast<std::uint32_t(*)[5]>(u2.data()),
                                                    reinterpret_cast<std::uint32_t(*)[5]>(t2.data()), lanes, rounds);
            EXPECT_EQ(u1, u2) << lanes << " lanes, " << rounds << " rounds";
            EXPECT_EQ(t1, t2) << lanes << " lanes, " << rounds << " rounds";
        }
    }
}

// A kernel's name as a test name may spell it.
template <typename Implementation>
std::string KernelName(const testing::TestParamInfo<Implementation>& info) {
    std::string n(info.param.name);
    std::replace(n.begin(), n.end(), '-', '_');
    return n;
}

INSTANTIATE_TEST_SUITE_P(All, Sha1MultiKernel,
                         testing::ValuesIn(Sha1MultiImplementations().begin(), Sha1MultiImplementations().end()),
                         KernelName<Sha1MultiImplementation>);

INSTANTIATE_TEST_SUITE_P(All, Sha1Kernel,
                         testing::ValuesIn(Sha1Implementations().begin(), Sha1Implementations().end()),
                         KernelName<Sha1Implementation>);

}  // namespace

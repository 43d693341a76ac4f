// Guards the cipher framework's chaining modes other than counter mode: ECB, CBC and CFB8 against
// the published AES-128 vectors, every coding mode decoding back at any length and in pieces,
// the tail rule of the block modes, and the MAC modes leaving the data alone while their value
// covers every byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HexBytes.h"
#include "crypto/Aes.h"
#include "crypto/TCipher_Rijndael.h"

namespace {

using namespace ziplib;
using ziptest::Hex;
using ziptest::RandomBytes;
using Bytes = std::vector<std::uint8_t>;

const char* const kKey = "2b7e151628aed2a6abf7158809cf4f3c";
const char* const kIv = "000102030405060708090a0b0c0d0e0f";
const char* const kPlain =
    "6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710";

// A cipher in `mode` with `key` and the vector `iv` (or the framework's own when empty).
struct Cipher {
    Cipher(TCipherMode mode, Bytes key, const Bytes& iv = {}) : keyCopy(std::move(key)) {
        cipher.Mode = mode;
        cipher.InitKey(keyCopy, iv.empty() ? nullptr : iv.data());
    }
    Bytes Encode(const Bytes& in) {
        Bytes out(in.size());
        cipher.EncodeBuffer(in.data(), out.data(), in.size());
        return out;
    }
    Bytes Decode(const Bytes& in) {
        Bytes out(in.size());
        cipher.DecodeBuffer(in.data(), out.data(), in.size());
        return out;
    }
    Bytes keyCopy;
    TCipher_Rijndael cipher;
};

Bytes EncryptBlock(const Bytes& key, const Bytes& block) {
    AesKey k;
    AesExpandKey(k, key.data(), key.size());
    Bytes out(16);
    AesImplementations().front().encrypt(k, block.data(), out.data(), 1);
    return out;
}

std::string Name(TCipherMode m) { return "mode " + std::to_string(static_cast<int>(m)); }

TEST(TCipherModes, PublishedAes128Vectors) {
    // ECB, CBC and CFB8 of the block cipher modes' recommendation, AES-128.
    struct Case {
        TCipherMode mode;
        std::size_t length;
        const char* cipher;
    } cases[] = {
        {TCipherMode::ModeECB, 64,
         "3ad77bb40d7a3660a89ecaf32466ef97 f5d3d58503b9699de785895a96fdbaaf"
         "43b1cd7f598ece23881b00e3ed030688 7b0c785e27e8ad3f8223207104725dd4"},
        {TCipherMode::ModeCBC, 64,
         "7649abac8119b246cee98e9b12e9197d 5086cb9b507219ee95db113a917678b2"
         "73bed6b8e3c1743b7116e69e22229516 3ff1caa1681fac09120eca307586e1a7"},
        {TCipherMode::ModeCFB8, 18, "3b79424c9c0dd436bace9e0ed4586a4f32b9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Name(c.mode));
        const Bytes all = Hex(kPlain);
        const Bytes plain(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(c.length));
        Cipher enc(c.mode, Hex(kKey), Hex(kIv)), dec(c.mode, Hex(kKey), Hex(kIv));
        EXPECT_EQ(enc.Encode(plain), Hex(c.cipher));
        // Decoding in place, as a caller may hand one buffer for both.
        Bytes inPlace = Hex(c.cipher);
        dec.cipher.DecodeBuffer(inPlace.data(), inPlace.data(), inPlace.size());
        EXPECT_EQ(inPlace, plain);
    }
}

TEST(TCipherModes, EveryCodingModeDecodesBackAtAnyLength) {
    const Bytes key = RandomBytes(32, 1);
    for (const TCipherMode mode : {TCipherMode::ModeChainXor, TCipherMode::ModeCBC, TCipherMode::ModeCFB8,
                                   TCipherMode::ModeOFB8, TCipherMode::ModeCounter, TCipherMode::ModeECB}) {
        for (std::size_t size : {0u, 1u, 15u, 16u, 17u, 31u, 33u, 100u}) {
            SCOPED_TRACE(testing::Message() << Name(mode) << ", " << size << " bytes");
            const Bytes data = RandomBytes(size, static_cast<unsigned>(size) + 7);
            Cipher enc(mode, key), dec(mode, key);
            const Bytes coded = enc.Encode(data);
            if (size > 0) {
                EXPECT_NE(coded, data);
            }
            EXPECT_EQ(dec.Decode(coded), data);

            // Keyed by the constructor, with a key of another length, before the mode is set.
            Bytes k1 = RandomBytes(24, 6), k2 = k1;
            TCipher_Rijndael enc24(k1), dec24(k2);
            enc24.Mode = dec24.Mode = mode;
            Bytes coded24(size), back24(size);
            enc24.EncodeBuffer(data.data(), coded24.data(), size);
            dec24.DecodeBuffer(coded24.data(), back24.data(), size);
            EXPECT_EQ(back24, data) << "24-byte key";
        }
    }
}

TEST(TCipherModes, PiecesContinueOneMessage) {
    // The byte modes code any cut as one call; the block modes any cut at a block boundary.
    const Bytes key = RandomBytes(16, 2), data = RandomBytes(100, 3);
    struct Case {
        TCipherMode mode;
        std::vector<std::size_t> cuts;
    } cases[] = {
        {TCipherMode::ModeCFB8, {1, 7, 30}},  {TCipherMode::ModeOFB8, {3, 15, 17}},
        {TCipherMode::ModeCBC, {16, 48}},     {TCipherMode::ModeECB, {32, 16}},
        {TCipherMode::ModeChainXor, {16, 64}}, {TCipherMode::ModeCFB8Mac, {5, 50}},
        {TCipherMode::ModeCBCMac, {16, 32}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Name(c.mode));
        Cipher whole(c.mode, key), parts(c.mode, key);
        const Bytes one = whole.Encode(data);
        Bytes out(data.size());
        std::size_t at = 0;
        for (std::size_t n : c.cuts) {
            parts.cipher.EncodeBuffer(data.data() + at, out.data() + at, n);
            at += n;
        }
        parts.cipher.EncodeBuffer(data.data() + at, out.data() + at, data.size() - at);
        EXPECT_EQ(out, one);
        EXPECT_EQ(parts.cipher.Feedback(), whole.cipher.Feedback());
    }
}

TEST(TCipherModes, BlockModeTailIsXoredWithTheEncryptedFeedback) {
    // After one CBC block the feedback is that block's ciphertext; in ECB it stays the vector.
    const Bytes key = Hex(kKey), iv = Hex(kIv), plain = Hex(kPlain);
    const Bytes tail(plain.begin() + 16, plain.begin() + 21);
    const Bytes message(plain.begin(), plain.begin() + 21);
    struct Case {
        TCipherMode mode;
        Bytes feedback;
        const char* first;
    } cases[] = {
        {TCipherMode::ModeCBC, Hex("7649abac8119b246cee98e9b12e9197d"), "7649abac8119b246cee98e9b12e9197d"},
        {TCipherMode::ModeECB, iv, "3ad77bb40d7a3660a89ecaf32466ef97"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Name(c.mode));
        Cipher enc(c.mode, key, iv);
        const Bytes coded = enc.Encode(message);
        EXPECT_EQ(Bytes(coded.begin(), coded.begin() + 16), Hex(c.first));
        const Bytes stream = EncryptBlock(key, c.feedback);
        for (std::size_t i = 0; i < tail.size(); ++i) EXPECT_EQ(coded[16 + i], tail[i] ^ stream[i]) << "tail byte " << i;
        Cipher dec(c.mode, key, iv);
        EXPECT_EQ(dec.Decode(coded), message);
    }
}

TEST(TCipherModes, Ofb8KeystreamDoesNotDependOnTheData) {
    const Bytes key = Hex(kKey), iv = Hex(kIv);
    const Bytes data = RandomBytes(40, 4);
    Cipher zeros(TCipherMode::ModeOFB8, key, iv), other(TCipherMode::ModeOFB8, key, iv);
    const Bytes stream = zeros.Encode(Bytes(data.size()));
    EXPECT_EQ(stream[0], EncryptBlock(key, iv)[0]);
    const Bytes coded = other.Encode(data);
    for (std::size_t i = 0; i < data.size(); ++i) EXPECT_EQ(coded[i], data[i] ^ stream[i]) << "byte " << i;
}

TEST(TCipherModes, MacModesKeepTheDataAndTheirValueCoversEveryByte) {
    const Bytes key = Hex(kKey), iv = Hex(kIv), plain = Hex(kPlain);
    // Over whole blocks CBC-MAC is the last CBC block; CFB8-MAC holds the last 16 CFB8 bytes.
    struct Case {
        TCipherMode mode;
        std::size_t length;
        const char* value;
    } known[] = {
        {TCipherMode::ModeCBCMac, 64, "3ff1caa1681fac09120eca307586e1a7"},
        {TCipherMode::ModeCFB8Mac, 18, "424c9c0dd436bace9e0ed4586a4f32b9"},
    };
    for (const auto& c : known) {
        SCOPED_TRACE(Name(c.mode));
        const Bytes message(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(c.length));
        Cipher mac(c.mode, key, iv);
        EXPECT_EQ(mac.Encode(message), message);
        EXPECT_EQ(mac.cipher.Feedback(), Hex(c.value));
    }
    // Mode 6 over whole blocks carries the feedback exactly as mode 0 does.
    Cipher chain(TCipherMode::ModeChainXor, key, iv), chainMac(TCipherMode::ModeChainXorMac, key, iv);
    chain.Encode(plain);
    EXPECT_EQ(chainMac.Encode(plain), plain);
    EXPECT_EQ(chainMac.cipher.Feedback(), chain.cipher.Feedback());

    for (const TCipherMode mode : {TCipherMode::ModeChainXorMac, TCipherMode::ModeCBCMac, TCipherMode::ModeCFB8Mac}) {
        for (std::size_t size : {1u, 16u, 21u, 64u}) {
            SCOPED_TRACE(testing::Message() << Name(mode) << ", " << size << " bytes");
            const Bytes message(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(size));
            Cipher enc(mode, key, iv), dec(mode, key, iv);
            Bytes inPlace = message;
            enc.cipher.EncodeBuffer(inPlace.data(), inPlace.data(), inPlace.size());
            EXPECT_EQ(inPlace, message);
            EXPECT_EQ(dec.Decode(message), message);
            EXPECT_EQ(dec.cipher.Feedback(), enc.cipher.Feedback()) << "both directions give one value";
            // Any changed byte, the last one of a tail included, changes the value.
            for (std::size_t at : {std::size_t{0}, size - 1}) {
                Bytes changed = message;
                changed[at] ^= 0x01;
                Cipher other(mode, key, iv);
                other.Encode(changed);
                EXPECT_NE(other.cipher.Feedback(), enc.cipher.Feedback()) << "byte " << at << " changed";
            }
        }
    }
}

}  // namespace

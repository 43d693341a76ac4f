// Guards the AES item transform: header and code sizes per key length, an encrypt-decrypt round
// trip through the stored form (salt, verifier, data, code), wrong passwords, damaged data or
// code, the CRC-32 check of vendor version 1, fresh salts, and a key that can't be derived.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "crypto/TAESCryptoTransform.h"
#include "ziplib/TMemoryStream.h"

namespace {

using namespace ziplib;
using Bytes = std::vector<std::uint8_t>;
using ziptest::RandomBytes;


std::string AsString(const Bytes& b) { return {b.begin(), b.end()}; }

// An item's stored form as the writing side makes it: header, ciphertext (in the given pieces),
// authentication code.
struct Stored {
    Bytes header, data, code;
    Bytes All() const {
        Bytes b = header;
        b.insert(b.end(), data.begin(), data.end());
        b.insert(b.end(), code.begin(), code.end());
        return b;
    }
};

Stored Encrypt(int bits, const std::string& password, const Bytes& plain, const std::vector<std::size_t>& pieces = {}) {
    TAESCryptoTransform t(bits, 8, 2);
    t.SetDirection(kCryptoEncrypt, nullptr);
    t.CryptoInit(password);
    Stored s;
    s.header = t.GetEncryptionHeader();
    s.data.resize(plain.size());
    std::size_t at = 0;
    for (std::size_t n : pieces) {
        t.EncryptBuffer(plain.data(), at, s.data.data(), at, n);
        at += n;
    }
    t.EncryptBuffer(plain.data(), at, s.data.data(), at, plain.size() - at);
    s.code = t.GetAuthCode();
    return s;
}

// Reads a stored form back: the plain bytes, or nullopt when the password or the checks fail.
std::optional<Bytes> Decrypt(int bits, const std::string& password, const Stored& s, std::uint16_t vendor = 2,
                             const TDirItem* item = nullptr, std::uint32_t crc = 0) {
    TAESCryptoTransform t(bits, 8, vendor);
    t.SetDirection(kCryptoDecrypt, item);
    t.CryptoInit(password);
    TMemoryStream in(AsString(s.All()));
    if (!t.ReadEncryptionHeader(in, 0) || !t.CheckPassword(password, item)) return std::nullopt;
    Bytes plain(s.data.size());
    in.Read(plain.data(), static_cast<std::int64_t>(plain.size()));
    t.DecryptBuffer(plain.data(), 0, plain.data(), 0, plain.size());
    if (!t.ReadAuthCode(in, 0) || t.IsDataCorrupted(item, crc)) return std::nullopt;
    return plain;
}

TEST(TAESCryptoTransform, SizesPerKeyLength) {
    struct Case { int bits; std::size_t header; std::uint8_t strength; } cases[] = {{128, 10, 1}, {192, 14, 2}, {256, 18, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        for (std::uint16_t vendor : {1, 2}) {
            TAESCryptoTransform t(c.bits, 0, vendor);
            EXPECT_EQ(t.GetEncryptionHeaderSize(), c.header);
            EXPECT_EQ(t.GetAuthCodeSize(), 10u);  // version 1 items carry the code too
            EXPECT_EQ(t.GetAESExtraField().data[4], c.strength);
        }
        EXPECT_EQ(Encrypt(c.bits, "pw", Bytes(5)).header.size(), c.header);
    }
    TAESCryptoTransform t(256, 8, 2);
    const ExtraField f = t.GetAESExtraField();
    EXPECT_EQ(f.id, 0x9901);
    EXPECT_EQ(f.data, ziptest::Hex("02 00 41 45 03 08 00"));
}

TEST(TAESCryptoTransform, RoundTripAndPieces) {
    const Bytes plain = RandomBytes(70000, 1);
    for (int bits : {128, 192, 256}) {
        SCOPED_TRACE(bits);
        const Stored s = Encrypt(bits, "secret", plain);
        EXPECT_NE(s.data, plain);
        EXPECT_EQ(s.code.size(), 10u);
        EXPECT_EQ(Decrypt(bits, "secret", s), plain);

        // The same salt and password in several calls: the same ciphertext and code.
        TAESCryptoTransform again(bits, 8, 2);
        again.SetDirection(kCryptoDecrypt, nullptr);
        again.CryptoInit("secret");
        TMemoryStream header(AsString(s.header));
        ASSERT_TRUE(again.ReadEncryptionHeader(header, 0));
        Bytes pieces(plain.size());
        for (std::size_t at = 0, n = 1; at < plain.size(); at += n, n = n * 3 + 1) {
            n = std::min(n, plain.size() - at);
            again.EncryptBuffer(plain.data(), at, pieces.data(), at, n);
        }
        EXPECT_EQ(pieces, s.data);
        EXPECT_EQ(again.GetAuthCode(), s.code);

        // Decrypting in pieces of any size, whole blocks and odd bytes mixed.
        TAESCryptoTransform reader(bits, 8, 2);
        reader.SetDirection(kCryptoDecrypt, nullptr);
        reader.CryptoInit("secret");
        header.SetPosition(0);
        ASSERT_TRUE(reader.ReadEncryptionHeader(header, 0));
        Bytes back = s.data;
        for (std::size_t at = 0, n = 64; at < back.size(); at += n, n = n == 64 ? 1000 : n == 1000 ? 7 : 64) {
            n = std::min(n, back.size() - at);
            reader.DecryptBuffer(back.data(), at, back.data(), at, n);
        }
        EXPECT_EQ(back, plain);
        TMemoryStream code(AsString(s.code));
        ASSERT_TRUE(reader.ReadAuthCode(code, 0));
        EXPECT_FALSE(reader.IsDataCorrupted(nullptr, 0));
    }
    EXPECT_EQ(Decrypt(256, "", Encrypt(256, "", Bytes())), Bytes()) << "an empty item with an empty password";
}

TEST(TAESCryptoTransform, WrongPasswordDamagedDataAndDamagedCode) {
    const Bytes plain = RandomBytes(1000, 2);
    const Stored s = Encrypt(128, "secret", plain);
    EXPECT_EQ(Decrypt(128, "secreT", s), std::nullopt);

    TAESCryptoTransform t(128, 8, 2);
    t.SetDirection(kCryptoDecrypt, nullptr);
    t.CryptoInit("wrong");
    TMemoryStream in(AsString(s.header));
    ASSERT_TRUE(t.ReadEncryptionHeader(in, 0));
    EXPECT_FALSE(t.CheckPassword("wrong", nullptr));
    EXPECT_TRUE(t.CheckPassword("secret", nullptr)) << "a check leaves the keys alone";
    EXPECT_EQ(t.GetPassword(), "wrong");
    t.CryptoInit("secret");  // as the engine does after the prompt
    EXPECT_TRUE(t.CheckPassword("secret", nullptr));

    Stored badData = s;
    badData.data[500] ^= 0x01;
    EXPECT_EQ(Decrypt(128, "secret", badData), std::nullopt);
    Stored badCode = s;
    badCode.code[9] ^= 0x80;
    EXPECT_EQ(Decrypt(128, "secret", badCode), std::nullopt);
    Stored shortCode = s;
    shortCode.code.pop_back();
    EXPECT_EQ(Decrypt(128, "secret", shortCode), std::nullopt);
}

// The check answers for the password it is given, never for the keys already made: keyed with
// the right password, any other one is refused; with no header read there is nothing to match.
TEST(TAESCryptoTransform, CheckPasswordRefusesAnyOtherPasswordAndAnyBeforeAKey) {
    // A fixed salt: with a fresh one, a wrong password would now and then share the two-byte
    // verifier and pass by chance.
    const Bytes salt = RandomBytes(16, 4);
    const auto verifierOf = [&](const std::string& password) {
        Bytes derived;
        EXPECT_EQ(TPBKDF2(password, kAesIterations, salt).GetKey(2 * 32 + 2, derived), Pbkdf2Result::Ok);
        return Bytes(derived.end() - 2, derived.end());
    };
    Bytes header = salt;
    const Bytes verifier = verifierOf("secret");
    header.insert(header.end(), verifier.begin(), verifier.end());

    TAESCryptoTransform t(256, 8, 2);
    t.SetDirection(kCryptoDecrypt, nullptr);
    EXPECT_FALSE(t.CheckPassword("secret", nullptr)) << "before any header";
    t.CryptoInit("secret");
    EXPECT_FALSE(t.CheckPassword("secret", nullptr)) << "a password but no salt yet";
    TMemoryStream in(AsString(header));
    ASSERT_TRUE(t.ReadEncryptionHeader(in, 0));
    for (const std::string other : {"Secret", "secret ", "", "secre"}) {
        ASSERT_NE(verifierOf(other), verifier) << "the fixture's salt tells \"" << other << "\" apart";
        EXPECT_FALSE(t.CheckPassword(other, nullptr)) << "\"" << other << "\" against keys made from \"secret\"";
    }
    EXPECT_TRUE(t.CheckPassword("secret", nullptr));
}

// Version 1 items store their CRC-32 and their code: both are checked.
TEST(TAESCryptoTransform, VendorVersionOneChecksCodeAndCrc) {
    const Bytes plain = RandomBytes(300, 3);
    const Stored s = Encrypt(192, "pw", plain);
    TDirItem item;
    item.Header.crc32 = 0x12345678;
    EXPECT_EQ(Decrypt(192, "pw", s, 1, &item, 0x12345678), plain);
    EXPECT_EQ(Decrypt(192, "pw", s, 1, &item, 0x12345679), std::nullopt);
    EXPECT_EQ(Decrypt(192, "pw", s, 2, &item, 0x12345679), plain) << "version 2 keeps no CRC";
    Stored badCode = s;
    badCode.code[0] ^= 1;
    EXPECT_EQ(Decrypt(192, "pw", badCode, 1, &item, 0x12345678), std::nullopt);
    TAESCryptoTransform v1(192, 8, 1);
    v1.SetDirection(kCryptoEncrypt, nullptr);
    v1.CryptoInit("pw");
    EXPECT_EQ(v1.GetAuthCode().size(), 10u);
}

TEST(TAESCryptoTransform, SaltsAreFreshAndKeysAreNeverMadeUp) {
    const Stored a = Encrypt(256, "same", Bytes(32)), b = Encrypt(256, "same", Bytes(32));
    EXPECT_NE(a.header, b.header);
    EXPECT_NE(a.data, b.data) << "a repeated salt would repeat the key stream";

    // No key length: nothing to derive, so nothing is coded with an empty or zero key.
    TAESCryptoTransform none(0, 8, 2);
    none.SetDirection(kCryptoEncrypt, nullptr);
    try {
        none.CryptoInit("pw");
        FAIL() << "no exception";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.Code(), ECipherError::KeyDerivationFailed);
    }
    std::uint8_t buf[4] = {};
    EXPECT_THROW(none.EncryptBuffer(buf, 0, buf, 0, 4), ECipherException);
}

}  // namespace

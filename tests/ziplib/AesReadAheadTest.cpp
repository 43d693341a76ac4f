// Guards the keys a batch derives for AES items before their turn: they are the keys each item
// would derive alone, kept only under a password that opened an item and dropped when it
// changes; reading the next items' salts ahead changes nothing an item does, also when their
// headers are damaged or can't be read; and the derivation count still counts items.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "FiveSteps.h"
#include "TempDir.h"
#include "crypto/AesKeyCache.h"
#include "crypto/Sha1.h"
#include "crypto/TAESCryptoTransform.h"
#include "crypto/TPBKDF2.h"
#include "format/AesExtraField.h"
#include "platform/Unicode.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

using namespace ziplib;
using namespace ziptest;
namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

AesSalt SaltOf(std::size_t keyLength, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(keyLength / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + i);
    return *AesSalt::Of(keyLength, bytes);
}

std::vector<std::uint8_t> AloneKeys(const std::string& password, const AesSalt& s) {
    std::vector<std::uint8_t> key;
    TPBKDF2(password, kAesIterations, s.Salt()).GetKey(AesDerivedLength(s.keyLength), key);
    return key;
}

std::vector<std::uint8_t> Held(const AesKeyCache& cache, const std::string& password, const AesSalt& s) {
    std::vector<std::uint8_t> out(AesDerivedLength(s.keyLength));
    if (!cache.Find(password, s, out)) out.clear();
    return out;
}

TEST(AesKeyCache, DerivesAheadOnlyUnderAPasswordThatOpenedAnItem) {
    AesKeyCache cache;
    std::vector<std::size_t> asked;
    const std::vector<AesSalt> next = {SaltOf(32, 2), SaltOf(16, 3), SaltOf(32, 2), SaltOf(24, 4), SaltOf(32, 1)};
    const auto ahead = [&](std::size_t blocks) {
        asked.push_back(blocks);
        return next;
    };
    cache.Prepare("pw", SaltOf(32, 1), ahead);
    EXPECT_EQ(cache.Count(), 0u) << "a password not known to be right is spent on no item";
    EXPECT_TRUE(asked.empty());

    cache.Tried("pw", true);
    cache.Prepare("pw", SaltOf(32, 1), ahead);
    const std::size_t lanes = ActiveSha1MultiImplementation().lanes;
    if (lanes > 4) {
        EXPECT_EQ(asked, std::vector<std::size_t>{lanes - 4});
    } else {
        EXPECT_TRUE(asked.empty()) << "one AES-256 item fills the lanes";
    }
    // What fits the lanes left, each salt once, each with the keys it derives alone.
    std::size_t left = lanes > 4 ? lanes - 4 : 0, expected = 1;
    for (const AesSalt& s : {SaltOf(32, 2), SaltOf(16, 3), SaltOf(24, 4)}) {
        const std::size_t blocks = AesDerivedBlocks(s.keyLength);
        SCOPED_TRACE(int{s.keyLength});
        if (blocks > left) {
            EXPECT_TRUE(Held(cache, "pw", s).empty());
            continue;
        }
        left -= blocks;
        ++expected;
        EXPECT_EQ(Held(cache, "pw", s), AloneKeys("pw", s));
    }
    EXPECT_EQ(Held(cache, "pw", SaltOf(32, 1)), AloneKeys("pw", SaltOf(32, 1)));
    EXPECT_EQ(cache.Count(), expected);
    EXPECT_TRUE(Held(cache, "pw", SaltOf(16, 1)).empty()) << "another key length is another entry";

    // Another password finds nothing, and trying it drops what the first one derived.
    EXPECT_TRUE(Held(cache, "other", SaltOf(32, 1)).empty());
    cache.Tried("other", false);
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_TRUE(Held(cache, "pw", SaltOf(32, 1)).empty());
    // A password that failed its item derives nothing ahead until it opens one.
    asked.clear();
    cache.Prepare("other", SaltOf(32, 5), ahead);
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_TRUE(asked.empty());
}

TEST(AesKeyCache, DroppedKeysAreWiped) {
    alignas(AesKeyCache) unsigned char storage[sizeof(AesKeyCache)];
    auto* cache = new (storage) AesKeyCache;
    cache->Tried("pw", true);
    cache->Prepare("pw", SaltOf(32, 9), [](std::size_t) { return std::vector<AesSalt>{}; });
    const auto key = AloneKeys("pw", SaltOf(32, 9));
    const auto holds = [&] { return std::search(storage, storage + sizeof storage, key.begin(), key.begin() + 16); };
    ASSERT_NE(holds(), storage + sizeof storage) << "the key is kept in the cache itself";
    cache->Clear();
    EXPECT_EQ(holds(), storage + sizeof storage);
    cache->~AesKeyCache();
}

// ---- Batches over archives of AES items made by the transform itself.

struct Item {
    std::string name;
    std::string data;
    int bits = 0;  // 0: a plain item
    std::string password = "first";
};

std::string Content(std::size_t i) {
    std::string s;
    for (std::size_t k = 0; k <= i * 7 % 23; ++k) s += "Item " + std::to_string(i) + ", line " + std::to_string(k) + "\n";
    return s;
}

struct Built {
    Bytes bytes;
    GenLayout layout;
    std::vector<std::size_t> central;  // where each item's central header starts
};

Built BuildArchive(const std::vector<Item>& items) {
    std::vector<GenEntry> entries;
    for (const Item& it : items) {
        GenEntry e;
        e.name = it.name;
        e.data = it.data;
        if (it.name.back() == '/') e.externalAttributes = faDirectory;
        if (it.bits) {
            TAESCryptoTransform t(it.bits, kMethodStored, 2);
            t.SetDirection(kCryptoEncrypt, nullptr);
            t.CryptoInit(it.password);
            const auto header = t.GetEncryptionHeader();
            std::string cipher(it.data.size(), '\0');
            t.EncryptBuffer(reinterpret_cast<const std::uint8_t*>(it.data.data()), 0,
                            reinterpret_cast<std::uint8_t*>(cipher.data()), 0, cipher.size());
            const auto code = t.GetAuthCode();
            e.data = std::string(header.begin(), header.end()) + cipher + std::string(code.begin(), code.end());
            e.flags = kFlagEncrypted;
            e.versionNeeded = 51;
            AesExtraField f;
            f.vendorVersion = 2;
            f.keyStrength = static_cast<std::uint8_t>((it.bits - 64) / 64);
            f.method = kMethodStored;
            e.centralExtra = e.localExtra = {f.ToExtraField()};
        }
        entries.push_back(e);
    }
    Built b;
    b.bytes = BuildZip(entries, {}, &b.layout);
    // The generator stores every item at its stored size; an AES item's plain size is smaller.
    std::size_t at = b.layout.directoryAt;
    for (std::size_t i = 0; i < items.size(); ++i) {
        b.central.push_back(at);
        const auto size = static_cast<std::uint32_t>(items[i].data.size());
        Put32(b.bytes, at + 24, size);
        Put32(b.bytes, b.layout.localAt[i] + 22, size);
        const auto u16 = [&](std::size_t p) { return std::size_t{b.bytes[p]} | (std::size_t{b.bytes[p + 1]} << 8); };
        at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
    }
    return b;
}

// The five steps, with the password event answered from a list and the key derivations counted.
struct Batch : Extractor {
    std::vector<std::string> asked;    // items the password event was raised for
    std::vector<std::string> answers;  // what it answers, in turn; skip when none is left
    std::uint64_t derived = 0, runs = 0;

    Batch() {
        zip.OnPassword = [this](TZABaseArchiver&, const std::u16string& name, std::string& password, bool& skip) {
            asked.push_back(platform::Utf16ToUtf8(name));
            if (asked.size() > answers.size()) skip = true;
            else password = answers[asked.size() - 1];
        };
    }
    void Run(const fs::path& archive, const fs::path& out, bool test = false) {
        const std::uint64_t derivedBefore = TAESCryptoTransform::Derivations();
        const std::uint64_t runsBefore = TAESCryptoTransform::DerivationRuns();
        Extractor::Run(archive, out, test);
        derived = TAESCryptoTransform::Derivations() - derivedBefore;
        runs = TAESCryptoTransform::DerivationRuns() - runsBefore;
    }
};

std::size_t AesCount(const std::vector<Item>& items) {
    return static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const Item& i) { return i.bits; }));
}

void ExpectExtracted(const fs::path& out, const std::vector<Item>& items, const std::string& except = "") {
    for (const Item& it : items) {
        if (it.name.back() == '/' || it.name == except) continue;
        SCOPED_TRACE(it.name);
        EXPECT_EQ(ReadFile(out / it.name), it.data);
    }
}

std::string Backslashed(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

TEST(AesReadAhead, MixedPlainAndAesItemsOfEachStrength) {
    TempDir dir;
    const int bits[] = {0, 256, 256, 128, -1, 0, 192, 256, 128, 128, 256, 0, 0, 192, 256, 256, 128, 256, 256};
    std::vector<Item> items;
    for (std::size_t i = 0; i < std::size(bits); ++i) {
        if (bits[i] < 0) items.push_back({"docs/folder" + std::to_string(i) + "/", "", 0});
        else items.push_back({"docs/item" + std::to_string(i) + ".txt", i == 10 ? "" : Content(i), bits[i]});
    }
    WriteBytes(dir / "mixed.zip", BuildArchive(items).bytes);
    for (const bool test : {false, true}) {
        SCOPED_TRACE(test ? "test" : "extract");
        Batch b;
        b.zip.SetPassword("first");
        b.Run(dir / "mixed.zip", dir / "out", test);
        EXPECT_TRUE(b.failures.empty());
        EXPECT_TRUE(b.asked.empty());
        EXPECT_EQ(b.derived, AesCount(items)) << "one key derivation per item";
        EXPECT_LE(b.runs, b.derived);
        if (ActiveSha1MultiImplementation().lanes >= 8) {
            EXPECT_LT(b.runs, b.derived) << "several items at once";
        }
    }
    ExpectExtracted(dir / "out", items);
}

// The first half under one password, the second under another, which the event gives when the
// first item of the second half refuses the first password: that item is asked for once, every
// item comes out, and no item derives keys more than once per password.
TEST(AesReadAhead, PasswordChangedMidBatch) {
    TempDir dir;
    std::vector<Item> items;
    for (std::size_t i = 0; i < 12; ++i)
        items.push_back({"item" + std::to_string(i) + ".txt", Content(i), i % 3 ? 256 : 128, i < 6 ? "first" : "second"});
    WriteBytes(dir / "two.zip", BuildArchive(items).bytes);
    Batch b;
    b.zip.SetPassword("first");
    b.answers = {"second"};
    b.Run(dir / "two.zip", dir / "out");
    EXPECT_TRUE(b.failures.empty());
    EXPECT_EQ(b.asked, std::vector<std::string>{"item6.txt"});
    ExpectExtracted(dir / "out", items);
    EXPECT_GE(b.derived, items.size() + 1);
    EXPECT_LE(b.derived, 2 * items.size());
}

// One item among those read ahead with its local header damaged, or its salt out of reach: that
// item fails as it would alone (asked for a password only where the header still leads to a
// salt), every other comes out, and no key is derived for a salt that could not be read.
TEST(AesReadAhead, DamagedOrUnreadableHeaderAmongTheItemsAhead) {
    TempDir dir;
    std::vector<Item> items;
    for (std::size_t i = 0; i < 9; ++i) items.push_back({"item" + std::to_string(i) + ".txt", Content(i), 256});
    const Built good = BuildArchive(items);
    constexpr std::size_t kBad = 2;  // derived ahead with the item before it where lanes allow
    const std::size_t local = good.layout.localAt[kBad], central = good.central[kBad];
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        bool asked;     // the header still leads to bytes taken for a salt: the password looks wrong
        bool derived;   // keys are derived for that item
    } cases[] = {
        {"local signature", [&](Bytes& b) { b[local + 1] ^= 0xFF; }, false, false},
        {"extra field longer than stored", [&](Bytes& b) { Put16(b, local + 28, static_cast<std::uint16_t>(b[local + 28] + 4)); },
         true, true},
        {"local header past the end", [&](Bytes& b) { Put32(b, central + 42, static_cast<std::uint32_t>(b.size() + 100)); },
         false, false},
        {"local header cut by the end", [&](Bytes& b) { Put32(b, central + 42, static_cast<std::uint32_t>(b.size() - 12)); },
         false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = good.bytes;
        c.damage(bytes);
        WriteBytes(dir / "bad.zip", bytes);
        Batch b;
        b.zip.SetPassword("first");
        const fs::path out = dir / c.what;
        b.Run(dir / "bad.zip", out);
        EXPECT_EQ(b.FailedNames(), std::vector<std::string>{Backslashed(items[kBad].name)});
        EXPECT_EQ(b.asked, c.asked ? std::vector<std::string>{items[kBad].name} : std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(out / items[kBad].name));
        ExpectExtracted(out, items, items[kBad].name);
        EXPECT_EQ(b.derived, items.size() - (c.derived ? 0 : 1));
    }
}

}  // namespace

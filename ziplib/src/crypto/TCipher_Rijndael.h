// AES as a block cipher of the framework: 16-byte blocks, keys of up to 32 bytes, both key
// schedules (480 bytes) as its private data. Counter mode runs through the fast AES kernels.
#pragma once

#include <cstdint>
#include <vector>

#include "crypto/Aes.h"
#include "crypto/AesCtrSha1.h"
#include "crypto/TCipher.h"

namespace ziplib {

class TCipher_Rijndael final : public TCipher {
public:
    static constexpr TCipherContext kContext{kAesBlockSize, kAesMaxKeySize, sizeof(AesRoundKeys)};

    // Without a key the cipher waits for InitKey; with one it is keyed at once (and `key` holds
    // its encrypted copy afterwards, as InitKey leaves it).
    TCipher_Rijndael();
    explicit TCipher_Rijndael(std::vector<std::uint8_t>& key);
    ~TCipher_Rijndael() override;

    int Rounds() const { return key_.rounds; }

    // Counter-mode decoding of the whole 64-byte blocks of `size` bytes, with SHA-1 over the
    // coded bytes into `sha`, in one pass. Only in counter mode at a keystream block boundary;
    // returns the bytes done (a multiple of 64, 0 when it can't start).
    std::size_t DecodeHashing(const AesCtrSha1Implementation& kernel, std::uint32_t sha[5], const std::uint8_t* source,
                              std::uint8_t* dest, std::size_t size);

protected:
    void Init(const std::uint8_t* key, std::size_t size, const std::uint8_t* vector) override;
    void EncodeBlock(const std::uint8_t* in, std::uint8_t* out) override;
    void DecodeBlock(const std::uint8_t* in, std::uint8_t* out) override;
    void CounterBlocks(std::uint8_t* data, std::size_t blocks) override;
    void WipePrivate() override;

private:
    AesKey key_{};
    const AesImplementation& aes_;
};

}  // namespace ziplib

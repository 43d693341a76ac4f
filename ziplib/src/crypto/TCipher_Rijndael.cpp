#include "crypto/TCipher_Rijndael.h"

#include <cstring>

#include "crypto/Hmac.h"

namespace ziplib {

TCipher_Rijndael::TCipher_Rijndael() : TCipher(kContext, "TCipher_Rijndael"), aes_(ActiveAesImplementation()) {}

TCipher_Rijndael::TCipher_Rijndael(std::vector<std::uint8_t>& key) : TCipher_Rijndael() {
    if (!key.empty()) InitKey(key);
}

TCipher_Rijndael::~TCipher_Rijndael() { WipePrivate(); }

void TCipher_Rijndael::Init(const std::uint8_t* key, std::size_t size, const std::uint8_t* vector) {
    AesExpandKey(key_, key, size);
    InitVector(vector);
}

void TCipher_Rijndael::EncodeBlock(const std::uint8_t* in, std::uint8_t* out) { aes_.encrypt(key_, in, out, 1); }

void TCipher_Rijndael::DecodeBlock(const std::uint8_t* in, std::uint8_t* out) { aes_.decrypt(key_, in, out, 1); }

void TCipher_Rijndael::CounterBlocks(std::uint8_t* data, std::size_t blocks) {
    std::uint64_t counter = 0;
    for (int i = 7; i >= 0; --i) counter = (counter << 8) | CounterBlock[static_cast<std::size_t>(i)];
    aes_.ctr(key_, counter, data, data, blocks);
    for (int i = 0; i < 8; ++i) CounterBlock[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(counter >> (8 * i));
}

std::size_t TCipher_Rijndael::DecodeHashing(const AesCtrSha1Implementation& kernel, std::uint32_t sha[5],
                                            const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    if (!Initialized() || Mode != TCipherMode::ModeCounter || !AtBlockBoundary()) return 0;
    const std::size_t blocks = size / 64;
    if (blocks == 0) return 0;
    std::uint64_t counter = 0;
    for (int i = 7; i >= 0; --i) counter = (counter << 8) | CounterBlock[static_cast<std::size_t>(i)];
    kernel.run(key_, counter, sha, source, dest, blocks);
    for (int i = 0; i < 8; ++i) CounterBlock[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(counter >> (8 * i));
    return blocks * 64;
}

void TCipher_Rijndael::WipePrivate() { WipeBytes(&key_, sizeof key_); }

}  // namespace ziplib

// The block-cipher framework: a cipher's buffers, its key set-up, and the chaining modes the
// archive library codes with. A concrete cipher supplies its sizes, key schedule and single-block
// transforms; counter mode may also hand whole runs of blocks to a faster routine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "crypto/ECipherException.h"

namespace ziplib {

// What a protection does with a buffer; the wipe action scrambles the feedback.
enum class TProtectionAction : std::uint8_t { paEncode, paDecode, paScramble, paCalculate, paWipe };

// The base of coding objects.
class TProtection {
public:
    virtual ~TProtection() = default;
    virtual void BeginCoding(TProtectionAction action) = 0;
    virtual void EndCoding(TProtectionAction action) = 0;
    virtual void CodeBuffer(std::uint8_t* buffer, std::size_t size, TProtectionAction action) = 0;
};

// The chaining modes, by their stored byte. Counter mode codes item data; chain-xor encrypts the
// key copy during key set-up. In the block modes a tail shorter than a block is xored with the
// feedback encrypted in place, so it codes to as many bytes and decodes back. The three MAC modes
// leave the data as it is and only carry the feedback along, in either direction alike; a tail is
// taken into the feedback too, so every byte counts in the value.
enum class TCipherMode : std::uint8_t {
    ModeChainXor = 0,     // each block: xor the feedback, encrypt, xor the result into the feedback
    ModeCBC = 1,          // cipher-block chaining from the feedback
    ModeCFB8 = 2,         // per byte: the first byte of the encrypted feedback; the output byte fed back
    ModeOFB8 = 3,         // as CFB8, but the keystream byte is fed back
    ModeCounter = 4,      // keystream of encrypted little-endian counter blocks from 1
    ModeECB = 5,          // each block encrypted alone
    ModeChainXorMac = 6,  // the feedback of mode 0 over the data
    ModeCBCMac = 7,       // the feedback of mode 1 over the data
    ModeCFB8Mac = 8,      // the feedback of mode 2 over the data
};

// Block size, largest key and size of the key schedule, in bytes.
struct TCipherContext {
    std::size_t BlockSize;
    std::size_t MaxKeySize;
    std::size_t PrivateSize;
};

class TCipher : public TProtection {
public:
    ~TCipher() override;
    TCipher(const TCipher&) = delete;
    TCipher& operator=(const TCipher&) = delete;

    // Sets the key (cut to the largest key size) and the vector (`vector`, or the all-0xFF block
    // encrypted when null); then replaces `key` by its encryption in the current mode, which is
    // what GetKey of a transform shows; then resets the feedback.
    void InitKey(std::vector<std::uint8_t>& key, const std::uint8_t* vector = nullptr);
    // Code `size` bytes in the current mode; `source` and `dest` may be the same buffer.
    // ECipherException NotInitialized before a key is set.
    void EncodeBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t size);
    void DecodeBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t size);
    // The feedback back to the vector, for a fresh message under the same key.
    void ResetFeedback();

    void BeginCoding(TProtectionAction action) override;
    void EndCoding(TProtectionAction action) override;
    void CodeBuffer(std::uint8_t* buffer, std::size_t size, TProtectionAction action) override;

    TCipherMode Mode = TCipherMode::ModeChainXor;
    bool Initialized() const { return initialized_; }
    bool Keyed() const { return keyed_; }
    // The feedback register: after a MAC mode has run over a message, its authentication value.
    const std::vector<std::uint8_t>& Feedback() const { return feedback_; }
    const TCipherContext& Context() const { return context_; }

protected:
    explicit TCipher(const TCipherContext& context, std::string_view className);

    // The concrete key schedule; ends by calling InitVector.
    virtual void Init(const std::uint8_t* key, std::size_t size, const std::uint8_t* vector) = 0;
    virtual void EncodeBlock(const std::uint8_t* in, std::uint8_t* out) = 0;
    virtual void DecodeBlock(const std::uint8_t* in, std::uint8_t* out) = 0;
    // Counter mode over `blocks` whole blocks in place, from the counter in CounterBlock; a
    // cipher with a faster routine overrides it. The default steps block by block.
    virtual void CounterBlocks(std::uint8_t* data, std::size_t blocks);
    // Overwrites the concrete cipher's key schedule.
    virtual void WipePrivate() = 0;

    // Whether the keystream block is used up, so the next byte starts a new counter block.
    bool AtBlockBoundary() const { return position_ == context_.BlockSize; }
    // The shared end of Init: the vector, the feedback, the initialised flag.
    void InitVector(const std::uint8_t* vector);
    // Adds 1 to the counter, the first eight bytes of CounterBlock as a little-endian number.
    void IncrementCounter();

    std::vector<std::uint8_t> CounterBlock;  // bytes 8 and above stay zero

private:
    void ProtectionWipe();
    void CheckInitialized() const;
    void Code(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode);
    void Counter(const std::uint8_t* source, std::uint8_t* dest, std::size_t size);
    void ChainXor(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode);
    void Cbc(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode);
    void Cfb8(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode);
    void Ofb8(const std::uint8_t* source, std::uint8_t* dest, std::size_t size);
    void Ecb(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode);
    void Mac(const std::uint8_t* source, std::uint8_t* dest, std::size_t size);
    // The tail of the block modes: xored with the feedback encrypted in place.
    void Tail(const std::uint8_t* source, std::uint8_t* dest, std::size_t size);
    // One block decrypted and xored with the feedback; the ciphertext stays in the work buffer
    // for the feedback step, as `out` may be `in`.
    void DecodeAgainstFeedback(const std::uint8_t* in, std::uint8_t* out);
    // One byte of the 8-bit feedback modes: shifts the feedback left and appends `in`.
    void ShiftIn(std::uint8_t in);

    TCipherContext context_;
    std::string_view className_;
    std::vector<std::uint8_t> buffer_, vector_, feedback_, keystream_;
    bool keyed_ = false;
    bool initialized_ = false;
    std::size_t position_ = 0;  // bytes of the keystream block used
};

}  // namespace ziplib

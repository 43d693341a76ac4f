#include "crypto/TCipher.h"

#include <algorithm>
#include <cstring>

#include "crypto/Hmac.h"
#include "crypto/OsRandom.h"

namespace ziplib {
namespace {

// Fills that reach memory one after the other: what a wipe does to the buffers it frees.
void Fill(std::vector<std::uint8_t>& v, std::uint8_t value) {
    std::fill(v.begin(), v.end(), value);
    __asm__ __volatile__("" : : "r"(v.data()) : "memory");
}

}  // namespace

TCipher::TCipher(const TCipherContext& context, std::string_view className)
    : CounterBlock(context.BlockSize),
      context_(context),
      className_(className),
      buffer_(context.BlockSize),
      vector_(context.BlockSize),
      feedback_(context.BlockSize),
      keystream_(context.BlockSize) {
    ProtectionWipe();
    position_ = context.BlockSize;
}

TCipher::~TCipher() {
    ProtectionWipe();
    WipeBytes(keystream_.data(), keystream_.size());
}

void TCipher::ProtectionWipe() {
    keyed_ = initialized_ = false;
    for (const std::uint8_t v : {0xAA, 0x55, 0xFF}) {
        Fill(vector_, v);
        Fill(feedback_, v);
    }
    for (const std::uint8_t v : {0xAA, 0x55, 0x00}) Fill(buffer_, v);
    Fill(CounterBlock, 0);
}

void TCipher::InitKey(std::vector<std::uint8_t>& key, const std::uint8_t* vector) {
    Init(key.data(), std::min(key.size(), context_.MaxKeySize), vector);
    std::vector<std::uint8_t> coded(key.size());
    EncodeBuffer(key.data(), coded.data(), key.size());
    WipeBytes(key.data(), key.size());
    key.swap(coded);
    ResetFeedback();
    keyed_ = true;
}

void TCipher::InitVector(const std::uint8_t* vector) {
    if (vector) std::memcpy(vector_.data(), vector, vector_.size());
    else EncodeBlock(vector_.data(), vector_.data());
    feedback_ = vector_;
    initialized_ = true;
}

void TCipher::ResetFeedback() {
    if (feedback_ != vector_) {
        buffer_ = feedback_;
        feedback_ = vector_;
    }
}

void TCipher::CheckInitialized() const {
    if (!initialized_) throw ECipherException(ECipherError::NotInitialized, className_);
}

void TCipher::EncodeBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    CheckInitialized();
    Code(source, dest, size, false);
}

void TCipher::DecodeBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    CheckInitialized();
    Code(source, dest, size, true);
}

void TCipher::Code(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode) {
    switch (Mode) {
    case TCipherMode::ModeChainXor: ChainXor(source, dest, size, decode); break;
    case TCipherMode::ModeCBC: Cbc(source, dest, size, decode); break;
    case TCipherMode::ModeCFB8: Cfb8(source, dest, size, decode); break;
    case TCipherMode::ModeOFB8: Ofb8(source, dest, size); break;
    case TCipherMode::ModeCounter: Counter(source, dest, size); break;
    case TCipherMode::ModeECB: Ecb(source, dest, size, decode); break;
    case TCipherMode::ModeChainXorMac:
    case TCipherMode::ModeCBCMac:
    case TCipherMode::ModeCFB8Mac: Mac(source, dest, size); break;
    }
}

void TCipher::BeginCoding(TProtectionAction action) {
    CheckInitialized();
    EndCoding(action);
}

void TCipher::EndCoding(TProtectionAction action) {
    if (action == TProtectionAction::paWipe) OsRandomBytes(feedback_);
    else ResetFeedback();
}

void TCipher::CodeBuffer(std::uint8_t* buffer, std::size_t size, TProtectionAction action) {
    if (action == TProtectionAction::paEncode) EncodeBuffer(buffer, buffer, size);
    else if (action == TProtectionAction::paDecode) DecodeBuffer(buffer, buffer, size);
}

void TCipher::IncrementCounter() {
    for (std::size_t i = 0; i < 8 && i < CounterBlock.size(); ++i)
        if (++CounterBlock[i] != 0) break;
}

void TCipher::CounterBlocks(std::uint8_t* data, std::size_t blocks) {
    const std::size_t b = context_.BlockSize;
    for (; blocks > 0; --blocks, data += b) {
        IncrementCounter();
        EncodeBlock(CounterBlock.data(), keystream_.data());
        for (std::size_t i = 0; i < b; ++i) data[i] ^= keystream_[i];
    }
}

// Both directions alike. The counter and the position in the keystream block carry over from
// call to call, so consecutive calls continue one keystream.
void TCipher::Counter(const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    const std::size_t b = context_.BlockSize;
    if (size > 0 && source != dest) std::memmove(dest, source, size);
    std::size_t at = 0;
    while (at < size && position_ < b) dest[at++] ^= keystream_[position_++];
    if (const std::size_t whole = (size - at) / b) {
        CounterBlocks(dest + at, whole);
        at += whole * b;
    }
    if (at < size) {
        IncrementCounter();
        EncodeBlock(CounterBlock.data(), keystream_.data());
        position_ = 0;
        while (at < size) dest[at++] ^= keystream_[position_++];
    }
}

void TCipher::Tail(const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    EncodeBlock(feedback_.data(), feedback_.data());
    for (std::size_t i = 0; i < size; ++i) dest[i] = source[i] ^ feedback_[i];
}

void TCipher::DecodeAgainstFeedback(const std::uint8_t* in, std::uint8_t* out) {
    std::memcpy(buffer_.data(), in, buffer_.size());
    DecodeBlock(buffer_.data(), out);
    for (std::size_t i = 0; i < buffer_.size(); ++i) out[i] ^= feedback_[i];
}

void TCipher::ShiftIn(std::uint8_t in) {
    std::memmove(feedback_.data(), feedback_.data() + 1, feedback_.size() - 1);
    feedback_.back() = in;
}

void TCipher::ChainXor(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode) {
    const std::size_t b = context_.BlockSize;
    std::size_t at = 0;
    for (; at + b <= size; at += b) {
        if (decode) {
            DecodeAgainstFeedback(source + at, dest + at);
            for (std::size_t i = 0; i < b; ++i) feedback_[i] ^= buffer_[i];
        } else {
            for (std::size_t i = 0; i < b; ++i) buffer_[i] = source[at + i] ^ feedback_[i];
            EncodeBlock(buffer_.data(), buffer_.data());
            for (std::size_t i = 0; i < b; ++i) feedback_[i] ^= buffer_[i];
            std::memcpy(dest + at, buffer_.data(), b);
        }
    }
    if (at < size) Tail(source + at, dest + at, size - at);
}

void TCipher::Cbc(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode) {
    const std::size_t b = context_.BlockSize;
    std::size_t at = 0;
    for (; at + b <= size; at += b) {
        if (decode) {
            DecodeAgainstFeedback(source + at, dest + at);
            feedback_ = buffer_;
        } else {
            for (std::size_t i = 0; i < b; ++i) feedback_[i] ^= source[at + i];
            EncodeBlock(feedback_.data(), feedback_.data());
            std::memcpy(dest + at, feedback_.data(), b);
        }
    }
    if (at < size) Tail(source + at, dest + at, size - at);
}

void TCipher::Cfb8(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode) {
    for (std::size_t at = 0; at < size; ++at) {
        EncodeBlock(feedback_.data(), buffer_.data());
        const std::uint8_t in = source[at];
        dest[at] = static_cast<std::uint8_t>(in ^ buffer_[0]);
        ShiftIn(decode ? in : dest[at]);
    }
}

void TCipher::Ofb8(const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    for (std::size_t at = 0; at < size; ++at) {
        EncodeBlock(feedback_.data(), buffer_.data());
        dest[at] = static_cast<std::uint8_t>(source[at] ^ buffer_[0]);
        ShiftIn(buffer_[0]);
    }
}

void TCipher::Ecb(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode) {
    const std::size_t b = context_.BlockSize;
    std::size_t at = 0;
    for (; at + b <= size; at += b) {
        if (decode) DecodeBlock(source + at, dest + at);
        else EncodeBlock(source + at, dest + at);
    }
    // A tail encrypted as a padded block could not be decoded from its own bytes: it is coded as
    // the other block modes code theirs.
    if (at < size) Tail(source + at, dest + at, size - at);
}

// The feedback goes the way encoding in the underlying mode takes it; a tail's coded bytes then
// replace the start of the feedback, so the value covers the tail too.
void TCipher::Mac(const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    const std::size_t b = context_.BlockSize;
    std::vector<std::uint8_t> scratch(b);
    for (std::size_t at = 0; at < size; at += b) {
        const std::size_t n = std::min(b, size - at);
        switch (Mode) {
        case TCipherMode::ModeChainXorMac: ChainXor(source + at, scratch.data(), n, false); break;
        case TCipherMode::ModeCBCMac: Cbc(source + at, scratch.data(), n, false); break;
        default: Cfb8(source + at, scratch.data(), n, false); break;
        }
        if (n < b && Mode != TCipherMode::ModeCFB8Mac) std::memcpy(feedback_.data(), scratch.data(), n);
    }
    WipeBytes(scratch.data(), scratch.size());
    if (size > 0 && source != dest) std::memmove(dest, source, size);
}

}  // namespace ziplib

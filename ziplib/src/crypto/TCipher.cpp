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
    if (Mode == TCipherMode::ModeCounter) Counter(source, dest, size);
    else ChainXor(source, dest, size, false);
}

void TCipher::DecodeBuffer(const std::uint8_t* source, std::uint8_t* dest, std::size_t size) {
    CheckInitialized();
    if (Mode == TCipherMode::ModeCounter) Counter(source, dest, size);
    else ChainXor(source, dest, size, true);
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

// A tail shorter than a block is xored with the feedback encrypted in place.
void TCipher::ChainXor(const std::uint8_t* source, std::uint8_t* dest, std::size_t size, bool decode) {
    const std::size_t b = context_.BlockSize;
    std::size_t at = 0;
    for (; at + b <= size; at += b) {
        if (decode) {
            std::memcpy(buffer_.data(), source + at, b);
            DecodeBlock(buffer_.data(), dest + at);
            for (std::size_t i = 0; i < b; ++i) {
                dest[at + i] ^= feedback_[i];
                feedback_[i] ^= buffer_[i];
            }
        } else {
            for (std::size_t i = 0; i < b; ++i) buffer_[i] = source[at + i] ^ feedback_[i];
            EncodeBlock(buffer_.data(), buffer_.data());
            for (std::size_t i = 0; i < b; ++i) feedback_[i] ^= buffer_[i];
            std::memcpy(dest + at, buffer_.data(), b);
        }
    }
    if (at < size) {
        EncodeBlock(feedback_.data(), feedback_.data());
        for (std::size_t i = 0; at < size; ++i, ++at) dest[at] = source[at] ^ feedback_[i];
    }
}

}  // namespace ziplib

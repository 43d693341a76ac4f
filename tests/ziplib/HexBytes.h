// Byte vectors written as hex in tests: Hex("50 4B 03 04") or Hex("504B0304"); spaces and
// line breaks are ignored so a record can be laid out field by field.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ziptest {

inline std::vector<std::uint8_t> Hex(std::string_view text) {
    std::vector<std::uint8_t> out;
    std::string digits;
    for (const char c : text)
        if (c != ' ' && c != '\n' && c != '|') digits.push_back(c);
    if (digits.size() % 2 != 0) std::abort();
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
    return out;
}

inline std::vector<std::uint8_t> Concat(std::initializer_list<std::span<const std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// n bytes of a fixed pseudo-random sequence.
inline std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v) b = static_cast<std::uint8_t>(gen());
    return v;
}

}  // namespace ziptest

// UTF-7 of RFC 2152 with the choices the stored texts were written with: the optional direct
// characters go out directly, and a run is closed by '-' only where the next byte needs it.
#include <array>

#include "unicode/CodePages.h"
#include "ziplib/UniExceptions.h"

namespace ziplib {
namespace {

constexpr std::string_view kDirect =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
constexpr std::string_view kSpaces = "\t\r\n ";
constexpr std::string_view kOptional = "!\"#$%&*;<=>@[]^_`{|}";
constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct Classes {
    std::array<bool, 128> direct{};        // written as itself
    std::array<signed char, 256> value{};  // base64 value, -1 outside the alphabet
    Classes() {
        for (std::string_view set : {kDirect, kSpaces, kOptional})
            for (char c : set) direct[static_cast<unsigned char>(c)] = true;
        value.fill(-1);
        for (size_t i = 0; i < kBase64.size(); ++i) value[static_cast<unsigned char>(kBase64[i])] = static_cast<signed char>(i);
    }
};

const Classes& Tables() {
    static const Classes c;
    return c;
}

[[noreturn]] void Invalid() { throw EUniGeneralError("Invalid UTF7"); }

}  // namespace

std::string WideToUtf7(std::u16string_view w) {
    const Classes& t = Tables();
    std::string out;
    out.reserve(w.size() + w.size() / 2);
    bool inRun = false;
    uint32_t bits = 0;  // pending bits, the oldest highest
    int nbits = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const char16_t c = w[i];
        const bool direct = c < 128 && t.direct[c];
        if (inRun && direct) {
            if (nbits > 0) out += kBase64[(bits << (6 - nbits)) & 0x3F];
            bits = 0;
            nbits = 0;
            inRun = false;
            // Without '-' the decoder would read a following base64 letter or '-' as part of the run.
            if (t.value[c] >= 0 || c == u'-') out += '-';
        }
        if (!inRun) {
            if (direct) {
                out += static_cast<char>(c);
                continue;
            }
            if (c == u'+') {
                out += "+-";
                continue;
            }
            out += '+';
            inRun = true;
        }
        bits = (bits << 16) | c;
        nbits += 16;
        while (nbits >= 6) {
            nbits -= 6;
            out += kBase64[(bits >> nbits) & 0x3F];
        }
        bits &= (1u << nbits) - 1;
    }
    if (inRun && nbits > 0) out += kBase64[(bits << (6 - nbits)) & 0x3F];
    return out;
}

std::u16string Utf7ToWide(std::string_view s) {
    const Classes& t = Tables();
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b != '+') {
            if (b > 127) Invalid();
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        ++i;
        if (i < s.size() && s[i] == '-') {
            out += u'+';
            ++i;
            continue;
        }
        uint32_t bits = 0;
        int nbits = 0;
        bool produced = false;
        while (i < s.size() && t.value[static_cast<unsigned char>(s[i])] >= 0) {
            bits = (bits << 6) | static_cast<uint32_t>(t.value[static_cast<unsigned char>(s[i])]);
            nbits += 6;
            if (nbits >= 16) {
                nbits -= 16;
                out += static_cast<char16_t>((bits >> nbits) & 0xFFFF);
                produced = true;
            }
            bits &= (1u << nbits) - 1;
            ++i;
        }
        if (!produced || bits != 0) Invalid();
        if (i < s.size() && s[i] == '-') ++i;  // the run's closing '-' is not text
    }
    return out;
}

}  // namespace ziplib

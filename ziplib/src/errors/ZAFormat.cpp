#include "ziplib/ZAFormat.h"

#include "platform/Unicode.h"

namespace ziplib {

FormatArg::FormatArg(std::u16string_view wide) : text_(platform::Utf16ToUtf8(wide)) {}

std::string FormatText(std::string_view pattern, std::span<const FormatArg> args) {
    std::string out;
    out.reserve(pattern.size() + 32);
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        const char kind = pattern[i + 1];
        if (kind == '%') {
            out += '%';
            ++i;
        } else if ((kind == 's' || kind == 'd') && next < args.size()) {
            out += args[next++].text();
            ++i;
        } else {
            out += c;  // unknown or unfilled placeholder: kept, so the message still shows its shape
        }
    }
    return out;
}

}  // namespace ziplib

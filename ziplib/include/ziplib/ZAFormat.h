// Filling "%s" and "%d" into the library's message texts. It never fails: a placeholder without
// an argument stays as written, extra arguments are ignored, and an argument of the other kind is
// written as text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace ziplib {

class FormatArg {
public:
    FormatArg(std::u16string_view wide);   // a wide file name, written as UTF-8
    FormatArg(std::string_view utf8) : text_(utf8) {}
    FormatArg(const std::string& utf8) : text_(utf8) {}
    FormatArg(const std::u16string& wide) : FormatArg(std::u16string_view(wide)) {}
    FormatArg(const char* utf8) : text_(utf8 ? utf8 : "") {}
    FormatArg(const char16_t* wide) : FormatArg(std::u16string_view(wide ? wide : u"")) {}
    template <typename N, typename = std::enable_if_t<std::is_integral_v<N>>>
    FormatArg(N n) : text_(std::to_string(n)) {}

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

std::string FormatText(std::string_view pattern, std::span<const FormatArg> args);
inline std::string FormatText(std::string_view pattern, std::initializer_list<FormatArg> args) {
    return FormatText(pattern, std::span<const FormatArg>(args.begin(), args.size()));
}

}  // namespace ziplib

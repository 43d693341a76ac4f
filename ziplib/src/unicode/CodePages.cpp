#include "unicode/CodePages.h"

#include "platform/CodePage.h"
#include "platform/Unicode.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {
namespace {

// The single-byte code pages this platform carries; false for any other number.
bool SingleByte(uint32_t codePage, platform::CodePage& cp) {
    switch (codePage) {
    case CP_ACP:
    case AnsiCodePage: cp = platform::CodePage::Cp1251; return true;
    case CP_OEMCP:
    case OemCodePage: cp = platform::CodePage::Cp866; return true;
    default: return false;
    }
}

[[noreturn]] void Unsupported(uint32_t codePage) {
    throw EUniGeneralError(FormatText("Unsupported code page %d", {FormatArg(codePage)}));
}

}  // namespace

std::u16string CodePageToWide(std::string_view s, uint32_t codePage) {
    if (s.empty()) return {};
    if (codePage == CP_UTF7) return Utf7ToWide(s);
    if (codePage == CP_UTF8) return platform::Utf8ToUtf16(s);
    platform::CodePage cp;
    if (!SingleByte(codePage, cp)) Unsupported(codePage);
    return platform::DecodeBytes(s, cp);
}

std::string WideToCodePage(std::u16string_view w, uint32_t codePage) {
    if (w.empty()) return {};
    if (codePage == CP_UTF7) return WideToUtf7(w);
    if (codePage == CP_UTF8) return platform::Utf16ToUtf8(w);
    platform::CodePage cp;
    if (!SingleByte(codePage, cp)) Unsupported(codePage);
    return platform::EncodeBytes(w, cp);
}

}  // namespace ziplib

#include "ziplib/EZAException.h"

#include <cstdio>
#include <utility>

#include "platform/Unicode.h"
#include "ziplib/WideFiles.h"

namespace ziplib {
namespace {

constexpr std::array<std::string_view, ZAMessageCount> kMessages = [] {
    std::array<std::string_view, ZAMessageCount> m{};
#define ZA_MESSAGE_TEXT(index, name, text) m[index] = text;
    ZA_MESSAGES(ZA_MESSAGE_TEXT)
#undef ZA_MESSAGE_TEXT
    return m;
}();

constexpr std::array<TZAErrorCodeMapEntry, ZAErrorCodeCount> kCodeMap = {{
#define ZA_CODE_ENTRY(code, name, message) {code, static_cast<int32_t>(ZAMessage::message)},
    ZA_ERROR_CODES(ZA_CODE_ENTRY)
#undef ZA_CODE_ENTRY
}};

// The lists above are written by hand; the tables rely on their numbering.
constexpr bool MessagesNumberedInOrder() {
    int32_t expected = 0;
    bool ok = true;
#define ZA_MESSAGE_CHECK(index, name, text) ok = ok && (index) == expected++;
    ZA_MESSAGES(ZA_MESSAGE_CHECK)
#undef ZA_MESSAGE_CHECK
    return ok && expected == 38;
}
static_assert(MessagesNumberedInOrder());

constexpr bool CodesAscending() {
    for (size_t i = 0; i < kCodeMap.size(); ++i)
        if (kCodeMap[i].code != static_cast<int32_t>(i)) return false;
    return true;
}
static_assert(CodesAscending());

}  // namespace

const std::array<std::string_view, ZAMessageCount>& ErrorMessages() { return kMessages; }

const std::array<TZAErrorCodeMapEntry, ZAErrorCodeCount>& ErrorCodeMap() { return kCodeMap; }

int32_t EZAException::MessageIndexOf(int32_t code) {
    for (const auto& e : kCodeMap)
        if (e.code == code) return e.messageIndex;
    return 0;  // "Unknown error"
}

std::string EZAException::ComposeMessage(int32_t code, std::string_view componentName, std::span<const FormatArg> args,
                                         std::string_view detail) {
    std::string text = FormatText(kMessages[static_cast<size_t>(MessageIndexOf(code))], args);
    if (!detail.empty()) text += ". " + std::string(detail);
    if (!componentName.empty()) text = FormatText("%s: %s", {FormatArg(componentName), FormatArg(text)});
    // "%5d" with its blanks turned into zeros: five digits for the codes there are.
    char number[16];
    std::snprintf(number, sizeof number, "%5d", static_cast<int>(code));
    for (char* p = number; *p; ++p)
        if (*p == ' ') *p = '0';
    return text + " - Native error: " + number;
}

EZAException::EZAException(int32_t code, std::string_view componentName)
    : EZAException(code, componentName, std::span<const FormatArg>()) {}

EZAException::EZAException(int32_t code, std::string_view componentName, std::initializer_list<FormatArg> args)
    : EZAException(code, componentName, std::span<const FormatArg>(args.begin(), args.size())) {}

EZAException::EZAException(int32_t code, std::string_view componentName, std::span<const FormatArg> args)
    : std::runtime_error(ComposeMessage(code, componentName, args)), errorCode_(MessageIndexOf(code)), nativeError_(code) {}

EZAException::EZAException(int32_t code, std::string message, std::string itemName)
    : std::runtime_error(std::move(message)),
      errorCode_(MessageIndexOf(code)),
      nativeError_(code),
      itemName_(std::move(itemName)) {}

EZAException EZAException::ForItem(int32_t code, std::string_view componentName, std::string_view itemName,
                                   std::string_view reason) {
    std::string detail = "Item \"" + std::string(itemName) + "\"";
    if (!reason.empty()) detail += ": " + std::string(reason);
    return EZAException(code, ComposeMessage(code, componentName, {}, detail), std::string(itemName));
}

EZAException EZAException::ForSystemError(int32_t code, std::string_view componentName, const FormatArg& file,
                                          int systemError, std::string_view reason) {
    const FormatArg args[] = {file};
    const std::string why = reason.empty() ? platform::Utf16ToUtf8(WideSysErrorMessage(systemError)) : std::string(reason);
    EZAException e(code, ComposeMessage(code, componentName, args, why), std::string());
    e.systemError_ = systemError;
    return e;
}

}  // namespace ziplib

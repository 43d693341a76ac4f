// The questions the archiver asks when no event handler answers them. The library shows no
// window itself: it hands text and buttons to a prompter. A program installs one that shows
// message boxes; without one the non-interactive prompter answers every question the safe way
// (Cancel, else No, else Abort, and no password), so nothing is overwritten, retried or waited
// for.
#pragma once

#include <cstdint>
#include <string>

namespace ziplib {

// Which prompt is shown; lets a prompter or a test tell the questions apart.
enum class TZAPromptKind { Overwrite, Failure, BlankVolume, FirstVolume, LastVolume, FileNotOnDisk, MiddleVolume, DiskFull };

// The platform's modal results; mrNone is a window closed without an answer.
enum class TZAModalResult { mrNone, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrYes, mrNo, mrNoToAll, mrYesToAll };

// Buttons of a prompt, as a set of bits, shown in this order.
using TZAButtons = uint32_t;
inline constexpr TZAButtons mbYes = 1u << 0;
inline constexpr TZAButtons mbNo = 1u << 1;
inline constexpr TZAButtons mbOK = 1u << 2;
inline constexpr TZAButtons mbCancel = 1u << 3;
inline constexpr TZAButtons mbAbort = 1u << 4;
inline constexpr TZAButtons mbRetry = 1u << 5;
inline constexpr TZAButtons mbIgnore = 1u << 6;
inline constexpr TZAButtons mbNoToAll = 1u << 7;
inline constexpr TZAButtons mbYesToAll = 1u << 8;

class TZAPrompter {
public:
    virtual ~TZAPrompter() = default;
    // A modal confirmation box with text (UTF-8) and the given buttons.
    virtual TZAModalResult Ask(TZAPromptKind kind, const std::string& text, TZAButtons buttons) = 0;
    // The password window: true with password set when confirmed, false when cancelled (the
    // password is then left alone). Texts and password are UTF-8.
    virtual bool InputPassword(const std::string& caption, const std::string& prompt, std::string& password) = 0;
};

// Cancel, else No, else Abort among the offered buttons (mrNone when none of them is); never a
// password.
class NonInteractivePrompter : public TZAPrompter {
public:
    TZAModalResult Ask(TZAPromptKind kind, const std::string& text, TZAButtons buttons) override;
    bool InputPassword(const std::string& caption, const std::string& prompt, std::string& password) override;
};

// The prompter of every archiver that has none of its own. nullptr puts the non-interactive one
// back. The prompter is not owned and must outlive its use.
void SetDefaultPrompter(TZAPrompter* prompter);
TZAPrompter& DefaultPrompter();

}  // namespace ziplib

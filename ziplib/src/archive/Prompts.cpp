#include "ziplib/Prompts.h"

#include <atomic>

namespace ziplib {

namespace {

std::atomic<TZAPrompter*> installedPrompter{nullptr};

}  // namespace

TZAModalResult NonInteractivePrompter::Ask(TZAPromptKind, const std::string&, TZAButtons buttons) {
    if (buttons & mbCancel) return TZAModalResult::mrCancel;
    if (buttons & mbNo) return TZAModalResult::mrNo;
    if (buttons & mbAbort) return TZAModalResult::mrAbort;
    return TZAModalResult::mrNone;
}

bool NonInteractivePrompter::InputPassword(const std::string&, const std::string&, std::string&) { return false; }

void SetDefaultPrompter(TZAPrompter* prompter) { installedPrompter.store(prompter); }

TZAPrompter& DefaultPrompter() {
    static NonInteractivePrompter nonInteractive;
    TZAPrompter* p = installedPrompter.load();
    return p ? *p : nonInteractive;
}

}  // namespace ziplib

// The archiver's default questions as Qt windows: a modal confirmation box with the prompt's
// text and buttons, and the small password window. Programs install one with
// ziplib::SetDefaultPrompter; it lives outside the archive library, which never links Qt.
#pragma once

#include <string>

#include "ziplib/Prompts.h"

class QWidget;

namespace ziplib_qt {

class QtPrompter : public ziplib::TZAPrompter {
public:
    // Windows are owned by parent (the application when nullptr) while they are shown.
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}

    ziplib::TZAModalResult Ask(ziplib::TZAPromptKind kind, const std::string& text, ziplib::TZAButtons buttons) override;
    bool InputPassword(const std::string& caption, const std::string& prompt, std::string& password) override;

    // Button captions and the box's title follow the user's language: Russian or English.
    static bool RussianCaptions();

private:
    QWidget* parent_;
};

}  // namespace ziplib_qt

// The archiver's default questions as Qt windows: a modal confirmation box with the prompt's
// text and buttons, and the small password window. Both programs install one with
// ziplib::SetDefaultPrompter at start-up; it lives outside the archive library, which never
// links Qt. A question asked on another thread is shown on the application's thread, and the
// asking thread waits for the answer.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ziplib/Prompts.h"

class QWidget;

namespace ziplib_qt {

class QtPrompter : public ziplib::TZAPrompter {
public:
    // Windows are owned by parent (the application when nullptr) while they are shown; parent
    // must live on the application's thread.
    explicit QtPrompter(QWidget* parent = nullptr);
    ~QtPrompter() override;
    QtPrompter(const QtPrompter&) = delete;
    QtPrompter& operator=(const QtPrompter&) = delete;

    ziplib::TZAModalResult Ask(ziplib::TZAPromptKind kind, const std::string& text, ziplib::TZAButtons buttons) override;
    bool InputPassword(const std::string& caption, const std::string& prompt, std::string& password) override;

    // Button captions and the box's title follow the user's language: Russian or English.
    static bool RussianCaptions();

    // From now on a question from another thread gets the safe answer, and one waiting gets it
    // at once. A program calls it when its event loop has ended, before it waits for its worker
    // threads, which could otherwise wait for a window that is never shown.
    void Shutdown();

private:
    struct Waiting;
    // Runs `show` on the application's thread; false when it was not shown (no application, or
    // shut down), and the safe answer stands.
    bool OnGuiThread(const std::function<void()>& show);
    ziplib::TZAModalResult AskHere(const std::string& text, ziplib::TZAButtons buttons);
    bool InputPasswordHere(const std::string& caption, const std::string& prompt, std::string& password);

    QWidget* parent_;
    std::shared_ptr<Waiting> waiting_;
};

// A program's prompter for its whole run: every archiver's default while it lives.
class InstalledQtPrompter {
public:
    InstalledQtPrompter() { ziplib::SetDefaultPrompter(&prompter_); }
    ~InstalledQtPrompter() { ziplib::SetDefaultPrompter(nullptr); }
    InstalledQtPrompter(const InstalledQtPrompter&) = delete;
    InstalledQtPrompter& operator=(const InstalledQtPrompter&) = delete;

    // See QtPrompter::Shutdown: called once the event loop has ended.
    void Shutdown() { prompter_.Shutdown(); }

private:
    QtPrompter prompter_;
};

}  // namespace ziplib_qt

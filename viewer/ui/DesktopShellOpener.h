// The desktop's opener: a document opens in the application the desktop associates with its
// type, a web address in the desktop's browser, both through the desktop's launcher
// (xdg-open), whose exit status says why it gave up.
#pragma once

#include <QString>

#include "platform/Shell.h"

namespace viewerui {

class DesktopShellOpener final : public platform::ShellOpener {
public:
    // The launcher is looked for on the PATH when a document is opened.
    explicit DesktopShellOpener(QString launcher = QStringLiteral("xdg-open")) : launcher_(std::move(launcher)) {}
    void Open(const std::filesystem::path& document, platform::ShellFailure failed) override;

private:
    QString launcher_;
};

}  // namespace viewerui

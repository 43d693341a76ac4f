// The desktop's opener: a document opens in the application the desktop associates with its
// type (xdg-open on Linux desktops); a web address opens in the desktop's browser.
#pragma once

#include "platform/Shell.h"

namespace viewerui {

class DesktopShellOpener final : public platform::ShellOpener {
public:
    bool Open(const std::filesystem::path& document) override;
};

}  // namespace viewerui

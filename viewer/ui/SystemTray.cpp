#include "SystemTray.h"

#include <QSystemTrayIcon>

namespace viewerui {
namespace {

std::optional<bool>& Override() {
    static std::optional<bool> available;
    return available;
}

}  // namespace

bool SystemTrayAvailable() { return Override().value_or(QSystemTrayIcon::isSystemTrayAvailable()); }

std::optional<bool> SetSystemTrayAvailable(std::optional<bool> available) {
    const std::optional<bool> previous = Override();
    Override() = available;
    return previous;
}

}  // namespace viewerui

#include "DesktopShellOpener.h"

#include <QDesktopServices>
#include <QUrl>

#include "QtBridge.h"

namespace viewerui {

bool DesktopShellOpener::Open(const std::filesystem::path& document) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(document)));
}

}  // namespace viewerui

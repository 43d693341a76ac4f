#include "DesktopShellOpener.h"

#include <QDesktopServices>
#include <QUrl>

#include "QtBridge.h"

namespace viewerui {

bool DesktopShellOpener::Open(const std::filesystem::path& document) {
    // A web address opens in the browser, as the shell opens one; anything else is a file.
    const QString target = Q(document);
    const QUrl web(target, QUrl::StrictMode);
    if (web.isValid() && (web.scheme() == QLatin1String("http") || web.scheme() == QLatin1String("https")))
        return QDesktopServices::openUrl(web);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}

}  // namespace viewerui

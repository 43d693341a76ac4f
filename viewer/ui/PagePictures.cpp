#include "PagePictures.h"

#include <QImageReader>

#include "QtBridge.h"
#include "platform/Paths.h"

namespace viewerui {

const QImage& PagePictures::Picture(const std::string& file) {
    if (const auto found = pictures_.find(file); found != pictures_.end()) return found->second;
    QImage picture;
    const std::filesystem::path path = platform::ResolvePath(file);
    if (platform::FileExists(path.string())) {
        ++reads_;
        // Pages draw bitmaps only, whatever the file is called.
        QImageReader reader(Q(path), "bmp");
        reader.setDecideFormatFromContent(false);
        picture = reader.read();
    }
    return pictures_.emplace(file, std::move(picture)).first->second;
}

}  // namespace viewerui

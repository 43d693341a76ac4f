#include "SkinBitmaps.h"

#include <QImageReader>
#include <cerrno>

#include "QtBridge.h"
#include "SkinFiles.h"
#include "platform/FileError.h"
#include "platform/Paths.h"

namespace viewerui {
namespace {

QImage ReadBitmap(const std::filesystem::path& file) {
    QImageReader reader(Q(file), "bmp");
    QImage image = reader.read();
    if (image.isNull()) {
        if (!platform::FileExists(file.string())) throw platform::FileError::Open(file, ENOENT);
        throw platform::FileError("Cannot read bitmap \"" + platform::PathText(file) + "\". " + S(reader.errorString()),
                                  file);
    }
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

}  // namespace

void SkinBitmaps::LoadSet(const std::string& programDir, const std::string& skin, std::span<const char* const> names) {
    std::map<std::string, QImage, std::less<>> loaded;
    for (const char* name : names) loaded[name] = ReadBitmap(viewer::SkinBitmapFile(programDir, skin, name));
    for (auto& [name, image] : loaded) images_[name] = std::move(image);
}

SkinBitmaps SkinBitmaps::LoadComplete(const std::string& programDir, const std::string& skin) {
    SkinBitmaps all;
    all.LoadSet(programDir, skin, viewer::kChromeBitmaps);
    all.LoadSet(programDir, skin, viewer::kButtonBitmaps);
    all.LoadSet(programDir, skin, viewer::kPanelBitmaps);
    const auto optional = viewer::SkinBitmapFile(programDir, skin, viewer::kOptionalPanelBitmap);
    if (platform::FileExists(optional.string())) all.images_[viewer::kOptionalPanelBitmap] = ReadBitmap(optional);
    return all;
}

const QImage& SkinBitmaps::Get(std::string_view name) const {
    static const QImage none;
    const auto it = images_.find(name);
    return it == images_.end() ? none : it->second;
}

viewer::Size SkinBitmaps::SizeOf(std::string_view name) const {
    const QImage& image = Get(name);
    return {image.width(), image.height()};
}

}  // namespace viewerui

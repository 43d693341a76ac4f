// The bitmaps of one skin folder, by name. Sets are loaded whole: a file that is missing or
// is no readable bitmap throws a FileError naming it, and nothing of that set is kept.
#pragma once

#include <QImage>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "WindowLayout.h"

namespace viewerui {

class SkinBitmaps {
public:
    // Adds the named bitmaps of the skin, replacing those of the same names. On an error the
    // bitmaps held before stay as they were.
    void LoadSet(const std::string& programDir, const std::string& skin, std::span<const char* const> names);
    // Every bitmap a skin must hold, and "w_dr" when the skin has it.
    static SkinBitmaps LoadComplete(const std::string& programDir, const std::string& skin);

    // A null image for a name the skin does not have, so callers can measure it safely.
    const QImage& Get(std::string_view name) const;
    viewer::Size SizeOf(std::string_view name) const;
    bool Has(std::string_view name) const { return images_.count(name) > 0; }
    void Put(const std::string& name, QImage image) { images_[name] = std::move(image); }

private:
    std::map<std::string, QImage, std::less<>> images_;
};

}  // namespace viewerui

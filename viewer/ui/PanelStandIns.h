// The panels' frame and button bitmaps for a window without a skin (the "Windows" look, or a
// skin that could not be shown): drawn in the desktop's colours, so the update panel and the
// options panel work without any skin file, and a user can always choose a skin again.
#pragma once

#include <QFont>
#include <QPalette>

#include "SkinBitmaps.h"

namespace viewerui {

// The frame (a title strip `titleLineHeight` rows high, thin lines round the rest) and the
// accept and cancel buttons in their states, under the skin bitmaps' names.
SkinBitmaps MakePanelStandIns(const QPalette& palette, const QFont& font, int titleLineHeight);

}  // namespace viewerui

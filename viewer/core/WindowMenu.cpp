#include "WindowMenu.h"

#include <algorithm>

namespace viewer {

double OpacityOf(int alpha) { return std::clamp(alpha, 0, kOpaqueAlpha) / static_cast<double>(kOpaqueAlpha); }

}  // namespace viewer

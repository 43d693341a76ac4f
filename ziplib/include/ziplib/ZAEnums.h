// Enumerations of the archiver's published settings, in their published order (stored forms
// keep them by position).
#pragma once

namespace ziplib {

enum class TZACompressionLevel { clNone, clFastest, clNormal, clMax };

// How much of a file's path goes into the name stored for it.
enum class TZAStorePathMode { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };

}  // namespace ziplib

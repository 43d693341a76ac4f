// Enumerations of the archiver's published settings and of its events, in their published order
// (stored forms keep them by position).
#pragma once

namespace ziplib {

enum class TZACompressionLevel { clNone, clFastest, clNormal, clMax };

// How much of a file's path goes into the name stored for it.
enum class TZAStorePathMode { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };

enum class TZACryptoAlgorithm { caPkzipClassic, caAES_128, caAES_192, caAES_256 };

enum class TZip64Mode { zmDisabled, zmAuto, zmAlways };

// One file, numbered files in one folder, or one volume per removable disk.
enum class TZASpanningMode { smNone, smSpanning, smSplitting };

enum class TZAFileShareMode { smShareCompat, smShareExclusive, smShareDenyWrite, smShareDenyRead, smShareDenyNone };

enum class TZAOverwriteMode { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };

enum class TZAVolumeSize {
    vsAutoDetect,
    vsCustom,
    vs1_44MB,
    vs100MB,
    vs200MB,
    vs250MB,
    vs600MB,
    vs650MB,
    vs700MB,
    vs4700MB
};

enum class TZAProcessOperation {
    poAdd,
    poMove,
    poDelete,
    poUpdate,
    poExtract,
    poTest,
    poRename,
    poChangeAttr,
    poChangeComment,
    poMakeSFX
};

enum class TZAProgressPhase { ppStart, ppProcess, ppEnd };

// What a failed item's batch does next.
enum class TZAAction { fxaRetry, fxaIgnore, fxaAbort };

}  // namespace ziplib

// The updater program as built, its own main included, with the unzip tool behind the unpack
// seam: the seam is set while the program starts, before its main runs.
#include "ZipTool.h"
#include "unpack/UnpackArchive.h"

namespace {

struct UnzipBehindTheSeam {
    UnzipBehindTheSeam() { unpack::SetExtractorForTesting(testsupport::UnzipExtract); }
} const installed;

}  // namespace

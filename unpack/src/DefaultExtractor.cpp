// The extraction that the programs use by default: the archive component's five steps.
#include "unpack/UnpackArchive.h"

namespace unpack {

// The archive component cannot extract yet; until it can, unpacking reports that it is not
// available instead of pretending.
Extractor DefaultExtractor() { return nullptr; }

}  // namespace unpack

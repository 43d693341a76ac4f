// The updater program with the unzip tool behind the unpack seam.
#include "TForm1.h"
#include "ZipTool.h"
#include "unpack/UnpackArchive.h"

int main(int argc, char** argv) {
    unpack::SetExtractorForTesting(testsupport::UnzipExtract);
    return RunUpdater(argc, argv);
}

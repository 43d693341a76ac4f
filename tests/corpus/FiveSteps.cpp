// The programs' five steps over one archive, for the script that compares our extraction with
// other readers: set the file name, open, set the base folder, extract "*.*" with the attribute
// mask of every item, close. Prints what the batch reported and exits 0 only when every item
// came through from the archive's own directory.
//
//   vb_five_steps ARCHIVE FOLDER [PASSWORD]
//
// Exit status: 0 extracted whole; 1 a batch or open failure (the message on stderr); 2 the
// directory was recovered from the local headers (nothing is extracted then).
#include <cstdio>
#include <exception>
#include <string>

#include "ziplib/EZAException.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER [PASSWORD]\n", argv[0]);
        return 64;
    }
    ziplib::TZipArchiver zip;
    zip.Name = "ZipArchiver1";
    if (argc == 4) zip.SetPassword(argv[3]);
    try {
        zip.FileName = ziplib::NativeToWidePath(argv[1]);
        zip.OpenArchive();
        if (zip.DirectoryRecovered()) {
            std::fprintf(stderr, "recovered: the directory was rebuilt from the local headers\n");
            zip.CloseArchive();
            return 2;
        }
        zip.BaseDir = ziplib::NativeToWidePath(argv[2]);
        zip.ExtractFiles(u"*.*", ziplib::kSearchEveryItem, u"");
        zip.CloseArchive();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "open failed: %s\n", e.what());
        return 1;
    }
    std::printf("marked %d processed %d failed %d\n", zip.MarkedCount, zip.ProcessedCount, zip.FailedCount);
    if (!zip.BatchSucceeded()) {
        std::fprintf(stderr, "batch failed: %s\n", zip.LastError.empty() ? "(no message)" : zip.LastError.c_str());
        return 1;
    }
    return 0;
}

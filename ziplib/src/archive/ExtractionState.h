// What an archiver keeps for extracting and testing: the data engine with its buffers, the
// folder the running batch writes into, the AES keys it derived ahead, and which items of the
// open archive overlap others.
#pragma once

#include <memory>
#include <vector>

#include "crypto/AesKeyCache.h"
#include "engine/ItemDataReader.h"
#include "output/ExtractionFolder.h"
#include "ziplib/TZABaseArchiver.h"

namespace ziplib {

struct TZABaseArchiver::ExtractionState {
    ItemDataReader reader;
    // The batch's extraction folder; dropped at the end of each batch, so the next one sees
    // the folder tree as it is then.
    std::unique_ptr<ExtractionFolder> folder;
    // Keys of the batch's next AES items under its password; wiped at the end of each batch.
    AesKeyCache aesKeys;
    bool overlapChecked = false;
    std::vector<bool> overlapping;  // by item index, for the archive open now

    // The archive was closed or another one opened.
    void ForgetArchive() {
        folder.reset();
        aesKeys.Clear();
        overlapChecked = false;
        overlapping.clear();
    }

    // The running batch is over.
    void EndBatch() {
        folder.reset();
        aesKeys.Clear();
    }
};

}  // namespace ziplib

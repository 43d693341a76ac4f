// The file an item is extracted to: a temporary file beside the target, renamed over it only
// when the item checked out. Until then the target (an installed program, say) is untouched, and
// a bad or cancelled item leaves nothing behind. A running program replaced this way keeps its
// old image; a target that is a symbolic link is replaced by the file, not written through.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "output/ExtractionFolder.h"
#include "output/WriteBufferWithRetry.h"
#include "platform/SafeFile.h"
#include "ziplib/TStream.h"

namespace ziplib {

struct OutputFileInfo {
    std::optional<std::int32_t> dosDateTime;  // date in the high half; sets the modification time
    // Permission bits (0777 at most) from the archive. Without them the file takes those of the
    // file it replaces, so an updated program stays executable, or the default for a new file.
    std::optional<std::uint32_t> permissions;
    bool readOnly = false;  // the read-only attribute: no write permission for anyone
    bool flush = false;     // the data reaches the device before the rename (removable drives)
};

class SafeOutputFile : public TStream, public WriteErrorSource {
public:
    ~SafeOutputFile() override;  // a file never committed is removed

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    int LastWriteError() const override { return writeError_; }

    // Sets the time and mode, closes the file and renames it over the target, flushed only when
    // info.flush asks for it: extraction to fixed disks relies on the system cache (a caller
    // that needs more flushes the whole tree once). EFCreateError, with the temporary file
    // removed, when any step fails.
    void Commit(const OutputFileInfo& info);
    // Removes the temporary file; the target stays as it was. Safe to call more than once.
    void Discard() noexcept;

private:
    friend class ExtractionFolder;
    SafeOutputFile(std::shared_ptr<ExtractionFolder::Handle> folder, ExtractionFolder::Listing* listing,
                   std::unique_ptr<platform::ReplacementFile> file, std::string finalName, std::string itemName,
                   std::u16string target);
    [[noreturn]] void Fail(int err);

    std::shared_ptr<ExtractionFolder::Handle> folder_;  // keeps the folder open while the file is written
    int dirFd_;
    ExtractionFolder::Listing* listing_;  // the folder's names, told of the new one on commit
    std::unique_ptr<platform::ReplacementFile> file_;
    std::string finalName_;
    std::string itemName_;  // the item's own name, which finalName_ may spell otherwise
    std::u16string target_;
    int writeError_ = 0;
};

}  // namespace ziplib

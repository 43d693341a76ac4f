// A file stream opened or created by a wide name.
#pragma once

#include <string>
#include <string_view>

#include "ziplib/TStream.h"
#include "ziplib/WideFiles.h"

namespace ziplib {

class TUniFileStream : public TStream {
public:
    // mode fmCreate (0xFFFF) makes or truncates the file; any other mode opens an existing one
    // (access in bits 0-1, sharing in bits 4-7). Failures raise EFCreateError
    // "Cannot create file "%s". %s" or EFOpenError "Cannot open file "%s". %s" with the full name
    // and the system's text.
    TUniFileStream(std::u16string_view fileName, uint16_t mode);
    ~TUniFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;  // EStreamError when the file cannot be cut or grown

    int Handle() const { return handle_; }
    const std::u16string& FileName() const { return fileName_; }

private:
    int handle_ = InvalidHandle;
    std::u16string fileName_;
};

}  // namespace ziplib

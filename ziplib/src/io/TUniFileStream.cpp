#include "ziplib/TUniFileStream.h"

#include <unistd.h>

#include <cerrno>

#include "io/FdStream.h"
#include "platform/Unicode.h"
#include "ziplib/UniExceptions.h"
#include "ziplib/ZAFormat.h"

namespace ziplib {

TUniFileStream::TUniFileStream(std::u16string_view fileName, uint16_t mode) : fileName_(fileName) {
    const bool create = mode == fmCreate;
    handle_ = create ? WideFileCreate(fileName) : WideFileOpen(fileName, mode);
    if (handle_ < 0) {
        const int err = errno;
        const std::string text = FormatText(create ? "Cannot create file \"%s\". %s" : "Cannot open file \"%s\". %s",
                                            {FormatArg(WideExpandFileName(fileName)), FormatArg(WideSysErrorMessage(err))});
        if (create) throw EFCreateError(text);
        throw EFOpenError(text);
    }
}

TUniFileStream::~TUniFileStream() {
    if (handle_ >= 0) ::close(handle_);
}

int64_t TUniFileStream::Read(void* buffer, int64_t count) { return FdRead(handle_, buffer, count); }

int64_t TUniFileStream::Write(const void* buffer, int64_t count) { return FdWrite(handle_, buffer, count); }

int64_t TUniFileStream::Seek(int64_t offset, TSeekOrigin origin) { return FdSeek(handle_, offset, origin); }

void TUniFileStream::SetSize(int64_t newSize) {
    if (newSize < 0 || ::ftruncate(handle_, newSize) != 0)
        throw EStreamError(FormatText("Cannot set size of file \"%s\". %s",
                                      {FormatArg(WideExpandFileName(fileName_)), FormatArg(WideSysErrorMessage(errno))}));
    if (Position() > newSize) Seek(newSize, TSeekOrigin::soBeginning);
}

}  // namespace ziplib

// The archiver's event types. Sender is always the archiver; reference parameters are the ones a
// handler may change. Names reach the handlers with '\' separators; passwords and comments are
// 8-bit strings (passwords as UTF-8 text, comments as stored).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ziplib/ZAEnums.h"

namespace ziplib {

class TZABaseArchiver;

using TZAFileProgressEvent =
    std::function<void(TZABaseArchiver& Sender, const std::u16string& FileName, double Progress,
                       TZAProcessOperation Operation, TZAProgressPhase ProgressPhase, bool& Cancel)>;
using TZAProgressEvent = std::function<void(TZABaseArchiver& Sender, double Progress, TZAProcessOperation Operation,
                                            TZAProgressPhase ProgressPhase, bool& Cancel)>;
using TZACopyTempFileProgressEvent =
    std::function<void(TZABaseArchiver& Sender, double Progress, TZAProgressPhase ProgressPhase, bool& Cancel)>;
using TZAConfirmOverwriteEvent = std::function<void(TZABaseArchiver& Sender, const std::u16string& SourceFileName,
                                                    std::u16string& DestFileName, bool& Confirm)>;
using TZAConfirmProcessFileEvent = std::function<void(TZABaseArchiver& Sender, const std::u16string& FileName,
                                                      TZAProcessOperation Operation, bool& Confirm)>;
using TZAOnPasswordEvent = std::function<void(TZABaseArchiver& Sender, const std::u16string& FileName,
                                              std::string& NewPassword, bool& SkipFile)>;
using TZAProcessFileFailureEvent =
    std::function<void(TZABaseArchiver& Sender, const std::u16string& FileName, TZAProcessOperation Operation,
                       int32_t NativeError, int32_t ErrorCode, const std::u16string& ErrorMessage, TZAAction& Action)>;
using TZAOnRequestBlankVolumeEvent =
    std::function<void(TZABaseArchiver& Sender, int32_t VolumeNumber, std::u16string& VolumeFileName, bool& Cancel)>;
using TZAOnRequestFirstVolumeEvent =
    std::function<void(TZABaseArchiver& Sender, std::u16string& VolumeFileName, bool& Cancel)>;
using TZAOnRequestLastVolumeEvent =
    std::function<void(TZABaseArchiver& Sender, std::u16string& VolumeFileName, bool& Cancel)>;
using TZAOnRequestMiddleVolumeEvent =
    std::function<void(TZABaseArchiver& Sender, int32_t VolumeNumber, std::u16string& VolumeFileName, bool& Cancel)>;
using TZAOnDiskFullEvent = std::function<void(TZABaseArchiver& Sender, int32_t VolumeNumber,
                                              const std::u16string& VolumeFileName, bool& Cancel)>;
using TZAOnStoreFileEvent = std::function<void(TZABaseArchiver& Sender, std::u16string& FileName, uint32_t& FileAttr,
                                               std::string& Comment, const std::u16string& OriginalFileName)>;
using TZAOnExtractFileEvent = std::function<void(TZABaseArchiver& Sender, std::u16string& FileName,
                                                 uint32_t& FileAttr, const std::string& Comment)>;
// The unpublished handler: no operation raises it.
using TZAReservedEvent = std::function<void(TZABaseArchiver& Sender, uint8_t Kind, int32_t Value1, int32_t Value2)>;
// AfterOpen.
using TZANotifyEvent = std::function<void(TZABaseArchiver& Sender)>;

}  // namespace ziplib

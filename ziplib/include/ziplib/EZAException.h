// The archive library's one exception for the failures it finds itself. A native error code
// picks a message text; the message names the component (when it has a name) and ends with the
// code in five digits: "ZipArchiver1: File "a.zip" not found - Native error: 00012".
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ziplib/ZAFormat.h"

namespace ziplib {

// The message texts, by index. Their wording, typos included, is what callers and users have
// always seen, so it stays as it is.
#define ZA_MESSAGES(X)                                                                                          \
    X(0, Unknown, "Unknown error")                                                                              \
    X(1, IndexOutOfBounds, "Index out of bounds")                                                               \
    X(2, InvalidCompressionMode, "Invalid compression mode. Mode must be in [0-9] range")                       \
    X(3, NilPointer, "Unexpected nil pointer")                                                                  \
    X(4, InvalidSizeOrChecksum, "Invalid size or check sum of file or unsupported compression format")          \
    X(5, BlankFileName, "File name is blank. Specify appropriate file name")                                    \
    X(6, FileNotFound, "File \"%s\" not found")                                                                 \
    X(7, ArchiveNotOpen, "Archive is not open")                                                                 \
    X(8, NoSfxStub, "SFXStub property is not specified")                                                        \
    X(9, CannotCreateFile, "Cannot create file \"%s\"")                                                         \
    X(10, CannotCreateDirectory, "Cannot create directory \"%s\"")                                              \
    X(11, UpdateNotStarted, "Internal error. Update is not started")                                            \
    X(12, CannotOpenFile, "Cannot open file \"%s\"")                                                            \
    X(13, UpdateNotEnded, "Cannot proceed when update is not ended. Preceding EndUpdate call is required.")      \
    X(14, CannotDeleteFile, "Cannot delete file \"%s\"")                                                        \
    X(15, InMemoryCreateOnly, "In-memory archive can be created only")                                          \
    X(16, ReadOnlyMode, "File is open in read-only mode")                                                       \
    X(17, InvalidCompressedSize, "Invalid compressed size, rfs.size = %d, count = %d")                          \
    X(18, InvalidArchive, "Invalid archive file.")                                                              \
    X(19, CannotCreateOutput, "Cannot create output file. Probably file is locked by another process. FileName = '%s'.") \
    X(20, ArchiveIsOpen, "Archive is open. You should close it beore performing this operation.")               \
    X(21, UnableToCreateDirectory, "Unable to create directory")                                                \
    X(22, NoZip64EndRecord, "Cannot find Zip64 directory end record")                                           \
    X(23, Zip64NotEnabled, "Cannot compress file '%s'. Zip64 mode is not enabled")                              \
    X(24, CannotOpenArchive, "Cannot open archive file. Opening aborted or invalid file")                       \
    X(25, WriteToStreamError, "Write to stream error")                                                          \
    X(26, SfxStubTooLarge, "Cannot place SFX stub on volume. Volume size limit is too small")                   \
    X(27, ArchiveDamaged, "Archive is damaged. Open failed")                                                    \
    X(28, MakeSfxNotAllowed, "MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX") \
    X(29, HasSfxStub, "Archive already has SFX stub")                                                           \
    X(30, MultiVolumeCustomStream, "Multi-volume archive is not allowed for custom stream")                     \
    X(31, MultiSpannedModification, "Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times") \
    X(32, Deflate64NotSupported, "Deflate64 compression method is not supported")                               \
    X(33, MakeSfxError, "MakeSFX error")                                                                        \
    X(34, HashedListInvalid, "Hashed list of file names is invalid")                                            \
    X(35, CannotDeleteFolder, "Cannot delete folder \"%s\"")                                                    \
    X(36, FileNameTooLong, "File name is too long: \r\n\"%s\"")                                                 \
    X(37, MultipleTransactions, "Multiple transactions are not supported for multi-volume archives")

// The native error codes, each with the message it shows. The names say where a code is raised;
// codes that no operation raises are named after their message and number.
#define ZA_ERROR_CODES(X)                         \
    X(0, Unknown, Unknown)                        \
    X(1, SetItemIndex, IndexOutOfBounds)          \
    X(2, GetItemIndex, IndexOutOfBounds)          \
    X(3, ItemPtrIndex, IndexOutOfBounds)          \
    X(4, DeleteItemIndex, IndexOutOfBounds)       \
    X(5, InvalidCompressionMode, InvalidCompressionMode) \
    X(6, NoTempArchiveStream, NilPointer)         \
    X(7, CopyItemIndex, IndexOutOfBounds)         \
    X(8, BadItemData, InvalidSizeOrChecksum)      \
    X(9, OpenBlankFileName, BlankFileName)        \
    X(10, OpenModeBlankFileName, BlankFileName)   \
    X(11, FileNotFound11, FileNotFound)           \
    X(12, ArchiveNotFound, FileNotFound)          \
    X(13, ArchiveNotOpen, ArchiveNotOpen)         \
    X(14, ArchiveNotOpen14, ArchiveNotOpen)       \
    X(15, FileNotFound15, FileNotFound)           \
    X(16, ExtractItemIndex, IndexOutOfBounds)     \
    X(17, NoSfxStub17, NoSfxStub)                 \
    X(18, FileNotFound18, FileNotFound)           \
    X(19, CannotCreateFile, CannotCreateFile)     \
    X(20, CannotCreateDirectory, CannotCreateDirectory) \
    X(21, DeleteIndex, IndexOutOfBounds)          \
    X(22, DeleteNotInUpdate, UpdateNotStarted)    \
    X(23, CannotCreateFile23, CannotCreateFile)   \
    X(24, UpdateIndex, IndexOutOfBounds)          \
    X(25, UpdateNotInUpdate, UpdateNotStarted)    \
    X(26, UpdateNotEnded, UpdateNotEnded)         \
    X(27, CannotDeleteFile, CannotDeleteFile)     \
    X(28, InMemoryCreateOnly, InMemoryCreateOnly) \
    X(29, InMemoryBlankFileName, BlankFileName)   \
    X(30, FileNotFound30, FileNotFound)           \
    X(31, FileNotFound31, FileNotFound)           \
    X(32, ReadOnlyMode32, ReadOnlyMode)           \
    X(33, CannotOpenSourceFile, CannotOpenFile)   \
    X(34, InvalidCompressedSize, InvalidCompressedSize) \
    X(35, InvalidArchive, InvalidArchive)         \
    X(36, CannotCreateOutput36, CannotCreateOutput) \
    X(37, ArchiveIsOpen37, ArchiveIsOpen)         \
    X(38, FileNotFound38, FileNotFound)           \
    X(39, UnableToCreateDirectory39, UnableToCreateDirectory) \
    X(40, NoZip64EndRecord, NoZip64EndRecord)     \
    X(41, WriteZip64NotEnabled, Zip64NotEnabled)  \
    X(42, FileNotFound42, FileNotFound)           \
    X(43, CompressZip64NotEnabled, Zip64NotEnabled) \
    X(44, CannotOpenArchive, CannotOpenArchive)   \
    X(45, VolumeOpenAborted, CannotOpenArchive)   \
    X(46, VolumeWriteError, WriteToStreamError)   \
    X(47, SfxStubTooLarge, SfxStubTooLarge)       \
    X(48, EndRecordNotFound, ArchiveDamaged)      \
    X(49, MakeSfxNotAllowed49, MakeSfxNotAllowed) \
    X(50, HasSfxStub50, HasSfxStub)               \
    X(51, MultiVolumeCustomStream51, MultiVolumeCustomStream) \
    X(52, MultiSpannedModification52, MultiSpannedModification) \
    X(53, FileNotFound53, FileNotFound)           \
    X(54, FileNotFound54, FileNotFound)           \
    X(55, Deflate64NotSupported, Deflate64NotSupported) \
    X(56, MakeSfxError56, MakeSfxError)           \
    X(57, DirectoryDamaged, ArchiveDamaged)       \
    X(58, NameListOutOfStep, HashedListInvalid)   \
    X(59, RenameNameTaken, HashedListInvalid)     \
    X(60, CannotDeleteFolder, CannotDeleteFolder) \
    X(61, FileNameTooLong, FileNameTooLong)       \
    X(62, MultipleTransactions62, MultipleTransactions)

enum class ZAMessage : int32_t {
#define ZA_MESSAGE_ENUM(index, name, text) name = index,
    ZA_MESSAGES(ZA_MESSAGE_ENUM)
#undef ZA_MESSAGE_ENUM
};

namespace ZAError {
#define ZA_CODE_CONST(code, name, message) inline constexpr int32_t name = code;
ZA_ERROR_CODES(ZA_CODE_CONST)
#undef ZA_CODE_CONST
}  // namespace ZAError

struct TZAErrorCodeMapEntry {
    int32_t code;
    int32_t messageIndex;
};

// 41 texts: the 38 above, then three empty ones.
inline constexpr size_t ZAMessageCount = 41;
const std::array<std::string_view, ZAMessageCount>& ErrorMessages();
// The 63 codes 0-62 in ascending order with their message index.
inline constexpr size_t ZAErrorCodeCount = 63;
const std::array<TZAErrorCodeMapEntry, ZAErrorCodeCount>& ErrorCodeMap();

class EZAException : public std::runtime_error {
public:
    // componentName is the raising component's Name; empty when it has none or there is none.
    explicit EZAException(int32_t code, std::string_view componentName = {});
    // The same, with arguments for the text's "%s" and "%d" placeholders.
    EZAException(int32_t code, std::string_view componentName, std::initializer_list<FormatArg> args);
    EZAException(int32_t code, std::string_view componentName, std::span<const FormatArg> args);

    // A failure of one archive item: the code's text, then the item and why it failed, then the
    // code as always: "<text>. Item "docs\a.bin": compression method 12 (bzip2) is not
    // supported - Native error: 00008". An empty reason names the item alone.
    static EZAException ForItem(int32_t code, std::string_view componentName, std::string_view itemName,
                                std::string_view reason);

    // A file the system would not let the library write: the code's text with the file, then
    // the system's reason, then the code: "Cannot create file "C:\a.doc". Input/output error -
    // Native error: 00019". A reason given says why in the library's words instead.
    static EZAException ForSystemError(int32_t code, std::string_view componentName, const FormatArg& file,
                                       int systemError, std::string_view reason = {});

    int32_t ErrorCode() const { return errorCode_; }      // index of the message text
    int32_t NativeError() const { return nativeError_; }  // the code raised
    const char* Message() const { return what(); }        // UTF-8
    // The item the message names (UTF-8), empty when the failure is not about one item.
    const std::string& ItemName() const { return itemName_; }
    // The system's error (an errno) behind the failure, 0 when the library found it itself.
    int SystemError() const { return systemError_; }

    // The whole message for a code, as the constructors build it; never fails. A detail is put
    // after the code's text, before the code.
    static std::string ComposeMessage(int32_t code, std::string_view componentName, std::span<const FormatArg> args,
                                      std::string_view detail = {});
    static int32_t MessageIndexOf(int32_t code);

private:
    EZAException(int32_t code, std::string message, std::string itemName);

    int32_t errorCode_;
    int32_t nativeError_;
    std::string itemName_;
    int systemError_ = 0;
};

}  // namespace ziplib

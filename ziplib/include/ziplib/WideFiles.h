// Files and folders by wide Windows-form names on this platform. A name becomes UTF-8 with '/'
// for '\' only here, and each component is looked up without case (the names come from a
// case-insensitive file system). Failures leave errno set; "system error codes" are errno values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ziplib {

// File attribute bits. Only directory and read-only (no owner write permission) come from the
// file system; any other file reads as archive.
inline constexpr uint32_t faReadOnly = 0x01;
inline constexpr uint32_t faHidden = 0x02;
inline constexpr uint32_t faSysFile = 0x04;
inline constexpr uint32_t faDirectory = 0x10;
inline constexpr uint32_t faArchive = 0x20;
inline constexpr uint32_t InvalidFileAttributes = 0xFFFFFFFF;

// Open modes: access in bits 0-1, sharing in bits 4-7; fmCreate makes or truncates the file.
// Sharing is accepted for the callers' sake and has no effect on this platform.
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareCompat = 0x0000;
inline constexpr uint16_t fmShareExclusive = 0x0010;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyRead = 0x0030;
inline constexpr uint16_t fmShareDenyNone = 0x0040;
inline constexpr uint16_t fmCreate = 0xFFFF;

inline constexpr int InvalidHandle = -1;

// The local file-system path a wide name stands for.
std::string WideToNativePath(std::u16string_view name);
// The wide Windows-form name of a local path (UTF-8, '/' separators): the name the library takes.
std::u16string NativeToWidePath(std::string_view path);

// A file handle, or InvalidHandle. Write access to a file that reads as read-only is refused
// (EACCES) for every user, so the attribute means the same to root as to anyone else.
int WideFileCreate(std::u16string_view name);
// An access value of 3 or a sharing value above 4 is not a mode: InvalidHandle with EINVAL.
// A folder is not a file: InvalidHandle with EISDIR.
int WideFileOpen(std::u16string_view name, uint16_t mode);

// Last-write time as local DOS date-time (date in the high word); -1 when the name is missing,
// a folder, or outside the years 1980-2107.
int32_t WideFileAge(std::u16string_view name);
bool WideFileExists(std::u16string_view name);
bool WideDirectoryExists(std::u16string_view name);
uint32_t WideFileGetAttr(std::u16string_view name);  // InvalidFileAttributes on failure
bool WideFileSetAttr(std::u16string_view name, uint32_t attr);
// Makes the folder and every missing folder above it; true only when the folder exists at the
// end. An empty name raises EUniGeneralError "Unable to create directory".
bool WideForceDirectories(std::u16string_view dir);
bool WideRenameFile(std::u16string_view oldName, std::u16string_view newName);  // never replaces
bool WideDeleteFile(std::u16string_view name);

struct WideFindState;

struct TWideSearchRec {
    int32_t Time = 0;  // local DOS date-time, -1 when it has none
    int64_t Size = 0;
    uint32_t Attr = 0;
    std::u16string Name;
    uint32_t ExcludeAttr = 0;
    std::shared_ptr<WideFindState> FindHandle;  // empty once closed
};

// path is a folder and a mask ("C:\dir\*.*"); entries come in name order, "." and ".." included
// as the folder's first entries. attr selects hidden, system and folder entries. Results are 0
// or an errno value (ENOENT when nothing, or nothing more, matches).
int WideFindFirst(std::u16string_view path, uint32_t attr, TWideSearchRec& f);
int WideFindNext(TWideSearchRec& f);
void WideFindClose(TWideSearchRec& f);

// The current folder in Windows form ('\' for '/').
std::u16string WideGetCurrentDir();
// A full name: a relative one is taken from the current folder; '/' becomes '\', and "." and
// ".." parts are resolved. The file need not exist.
std::u16string WideExpandFileName(std::u16string_view name);
// The system's text for an errno value; "Unspecified error (<code>) from system." when it has none.
std::u16string WideSysErrorMessage(int code);

}  // namespace ziplib

// Exceptions of the Unicode text, list and file layer. The list and stream errors keep the
// names the callers know from the string-list and stream classes this layer stands in for.
#pragma once

#include <stdexcept>
#include <string>

namespace ziplib {

// A malformed UTF-7 text, a folder that cannot be made, an unsupported code page.
class EUniGeneralError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A conversion that would run past its output buffer.
class EUniInternalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Misuse of a string list: bad index, change of a sorted list, refused duplicate.
class EStringListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Messages are UTF-8: "Cannot open file "<full name>". <system text>".
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A stream that delivered or took fewer bytes than a whole-buffer call asked for.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

}  // namespace ziplib

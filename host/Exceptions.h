// The framework's exceptions. Thrown by value and caught by reference;
// memory exhaustion is std::bad_alloc as `new` throws it.
#pragma once

#include <exception>

#include "host/String.h"
#include "host/Types.h"
#include "library/Export.h"

class BACNET_API CException : public std::exception {
public:
    const char* what() const noexcept override;
};

class BACNET_API CArchiveException : public CException {
public:
    // Cause codes, numbered as the framework numbers them.
    enum {
        none = 0,
        genericException = 1,
        readOnly = 2,   // storing into a loading archive
        endOfFile = 3,
        writeOnly = 4,  // loading from a storing archive
        badIndex = 5,
        badClass = 6,
        badSchema = 7,
        bufferFull = 8,
    };

    explicit CArchiveException(int cause = none, const CString& fileName = CString());
    const char* what() const noexcept override;

    int m_cause;
    CString m_strFileName;
};

class BACNET_API CFileException : public CException {
public:
    // Cause codes, numbered as the framework numbers them.
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, LONG lOsError = -1,
                            const CString& fileName = CString());
    const char* what() const noexcept override;

    int m_cause;
    LONG m_lOsError;  // errno of the failed call, -1 if none
    CString m_strFileName;
};

class BACNET_API CInvalidArgException : public CException {
public:
    const char* what() const noexcept override;
};

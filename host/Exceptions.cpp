#include "host/Exceptions.h"

namespace {

const char* const kArchiveCauses[] = {
    "archive: no error",
    "archive: generic error",
    "archive: store into a loading archive",
    "archive: end of data",
    "archive: load from a storing archive",
    "archive: bad index",
    "archive: bad class",
    "archive: bad schema",
    "archive: buffer full",
};

const char* const kFileCauses[] = {
    "file: no error",
    "file: generic error",
    "file: not found",
    "file: bad path",
    "file: too many open files",
    "file: access denied",
    "file: invalid file",
    "file: cannot remove current directory",
    "file: directory full",
    "file: bad seek",
    "file: hardware I/O error",
    "file: sharing violation",
    "file: lock violation",
    "file: disk full",
    "file: end of file",
};

template <size_t N>
const char* CauseText(const char* const (&texts)[N], int cause) {
    return cause >= 0 && static_cast<size_t>(cause) < N ? texts[cause] : texts[1];
}

}  // namespace

const char* CException::what() const noexcept { return "host framework exception"; }

CArchiveException::CArchiveException(int cause, const CString& fileName)
    : m_cause(cause), m_strFileName(fileName) {}

const char* CArchiveException::what() const noexcept {
    return CauseText(kArchiveCauses, m_cause);
}

CFileException::CFileException(int cause, LONG lOsError, const CString& fileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(fileName) {}

const char* CFileException::what() const noexcept { return CauseText(kFileCauses, m_cause); }

const char* CInvalidArgException::what() const noexcept { return "invalid argument"; }

#include "host/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "host/CodePage.h"

namespace {

struct ErrnoCause {
    int err;
    int cause;
};

constexpr ErrnoCause kErrnoCauses[] = {
    {ENOENT, CFileException::fileNotFound},
    {ENOTDIR, CFileException::badPath},
    {ENAMETOOLONG, CFileException::badPath},
    {EMFILE, CFileException::tooManyOpenFiles},
    {ENFILE, CFileException::tooManyOpenFiles},
    {EACCES, CFileException::accessDenied},
    {EPERM, CFileException::accessDenied},
    {EISDIR, CFileException::accessDenied},
    {EROFS, CFileException::accessDenied},
    {EBADF, CFileException::accessDenied},  // reading a write-only file, or the reverse
    {EINVAL, CFileException::badSeek},
    {EIO, CFileException::hardIO},
    {ENOSPC, CFileException::diskFull},
    {EFBIG, CFileException::diskFull},
};

int CauseOf(int err) {
    for (const ErrnoCause& e : kErrnoCauses)
        if (e.err == err)
            return e.cause;
    return CFileException::genericException;
}

// Linux file names are UTF-8; the string holds UTF-16 units.
std::string ToUtf8(const CString& name) {
    return HostWideToUtf8(name.GetString(), static_cast<size_t>(name.GetLength()));
}

}  // namespace

// ---- CFile -------------------------------------------------------------------

CFile::CFile(const wchar_t* lpszFileName, UINT nOpenFlags) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        throw error;
}

CFile::~CFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

BOOL CFile::Open(const wchar_t* lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (m_fd >= 0 || !lpszFileName) {
        if (pError)
            *pError = CFileException(CFileException::genericException, -1, CString(lpszFileName));
        return FALSE;
    }
    int flags = O_CLOEXEC;
    switch (nOpenFlags & 3) {
    case modeWrite: flags |= O_WRONLY; break;
    case modeReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    if (nOpenFlags & modeCreate)
        flags |= O_CREAT | ((nOpenFlags & modeNoTruncate) ? 0 : O_TRUNC);
    const CString name(lpszFileName);
    const int fd = ::open(ToUtf8(name).c_str(), flags, 0666);
    if (fd < 0) {
        if (pError)
            *pError = CFileException(CauseOf(errno), errno, name);
        return FALSE;
    }
    m_fd = fd;
    m_strFileName = name;
    return TRUE;
}

void CFile::ThrowOsError(int err) const {
    throw CFileException(CauseOf(err), err, m_strFileName);
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    UINT done = 0;
    while (done < nCount) {
        const ssize_t n = ::read(m_fd, static_cast<BYTE*>(lpBuf) + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowOsError(errno);
        }
        if (n == 0)
            break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    UINT done = 0;
    while (done < nCount) {
        const ssize_t n = ::write(m_fd, static_cast<const BYTE*>(lpBuf) + done, nCount - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowOsError(errno);
        }
        done += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (nFrom > end)
        throw CInvalidArgException();
    const off_t pos = ::lseek(m_fd, lOff, kWhence[nFrom]);
    if (pos < 0)
        ThrowOsError(errno);
    return static_cast<ULONGLONG>(pos);
}

ULONGLONG CFile::GetLength() const {
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        ThrowOsError(errno);
    return static_cast<ULONGLONG>(st.st_size);
}

ULONGLONG CFile::GetPosition() const {
    const off_t pos = ::lseek(m_fd, 0, SEEK_CUR);
    if (pos < 0)
        ThrowOsError(errno);
    return static_cast<ULONGLONG>(pos);
}

void CFile::Flush() {
    if (m_fd >= 0 && ::fsync(m_fd) != 0 && errno != EINVAL)
        ThrowOsError(errno);
}

void CFile::Close() {
    if (m_fd < 0)
        return;
    const int fd = m_fd;
    m_fd = -1;
    m_strFileName.Empty();
    if (::close(fd) != 0 && errno != EINTR)
        ThrowOsError(errno);
}

// ---- CMemFile ----------------------------------------------------------------

CMemFile::CMemFile(UINT) {}

CMemFile::CMemFile(BYTE* lpBuffer, UINT nBufferSize)
    : m_extern(lpBuffer), m_capacity(lpBuffer ? nBufferSize : 0), m_size(m_capacity) {}

BOOL CMemFile::Open(const wchar_t* lpszFileName, UINT, CFileException* pError) {
    if (pError)
        *pError = CFileException(CFileException::genericException, -1, CString(lpszFileName));
    return FALSE;
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
    if (m_pos >= m_size || nCount == 0)
        return 0;
    const size_t n = std::min<ULONGLONG>(nCount, m_size - m_pos);
    std::memcpy(lpBuf, Bytes() + m_pos, n);
    m_pos += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0)
        return;
    if (m_pos > std::numeric_limits<size_t>::max() - nCount)
        throw std::bad_alloc();
    const size_t endPos = static_cast<size_t>(m_pos) + nCount;
    if (m_extern) {
        if (endPos > m_capacity)
            throw std::bad_alloc();
    } else if (endPos > m_owned.size()) {
        m_owned.resize(endPos);  // a gap left by seeking past the end reads as zeros
    }
    std::memcpy(Bytes() + m_pos, lpBuf, nCount);
    m_pos = endPos;
    m_size = std::max(m_size, endPos);
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
    if (nFrom > end)
        throw CInvalidArgException();
    const LONGLONG base = nFrom == begin     ? 0
                          : nFrom == current ? static_cast<LONGLONG>(m_pos)
                                             : static_cast<LONGLONG>(m_size);
    if ((lOff < 0 && base + lOff < 0) ||
        (lOff > 0 && base > std::numeric_limits<LONGLONG>::max() - lOff))
        throw CFileException(CFileException::badSeek);
    m_pos = static_cast<ULONGLONG>(base + lOff);
    return m_pos;
}

void CMemFile::Close() {
    std::vector<BYTE>().swap(m_owned);
    m_extern = nullptr;
    m_capacity = 0;
    m_size = 0;
    m_pos = 0;
}

std::vector<BYTE> CMemFile::GetData() const {
    const BYTE* p = Bytes();
    return p ? std::vector<BYTE>(p, p + m_size) : std::vector<BYTE>();
}

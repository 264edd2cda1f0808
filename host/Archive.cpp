#include "host/Archive.h"

#include <algorithm>
#include <cstring>

#include "host/File.h"

namespace {

constexpr UINT kMinBufSize = 128;

}  // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void* lpBuf)
    : m_pFile(pFile), m_nMode(nMode), m_buf(nullptr),
      m_bufSize(std::max<UINT>(nBufSize > 0 ? static_cast<UINT>(nBufSize) : 0, kMinBufSize)) {
    if (!pFile)
        throw CInvalidArgException();
    m_strFileName = pFile->GetFilePath();
    // A caller's buffer smaller than the minimum cannot be used as is.
    if (lpBuf && nBufSize >= static_cast<int>(kMinBufSize)) {
        m_buf = static_cast<BYTE*>(lpBuf);
    } else {
        m_ownBuf.resize(m_bufSize);
        m_buf = m_ownBuf.data();
    }
}

CArchive::~CArchive() {
    if (m_pFile && !(m_nMode & bNoFlushOnDelete)) {
        try {
            Close();
        } catch (...) {
            // A destructor cannot report; call Close() to see the failure.
        }
    }
}

void CArchive::CheckStoring() const {
    if (!m_pFile)
        throw CArchiveException(CArchiveException::genericException, m_strFileName);
    if (IsLoading())
        throw CArchiveException(CArchiveException::readOnly, m_strFileName);
}

void CArchive::CheckLoading() const {
    if (!m_pFile)
        throw CArchiveException(CArchiveException::genericException, m_strFileName);
    if (IsStoring())
        throw CArchiveException(CArchiveException::writeOnly, m_strFileName);
}

void CArchive::WriteBuffer() {
    if (m_cur > 0)
        m_pFile->Write(m_buf, m_cur);
    m_cur = 0;
}

void CArchive::FillBuffer(UINT nNeeded) {
    // Keep the unconsumed bytes: a failed load must not lose them.
    const UINT kept = m_max - m_cur;
    std::memmove(m_buf, m_buf + m_cur, kept);
    m_cur = 0;
    m_max = kept;
    while (m_max < nNeeded) {
        const UINT n = m_pFile->Read(m_buf + m_max, m_bufSize - m_max);
        if (n == 0)
            break;
        m_max += n;
    }
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
    if (nMax == 0 || !lpBuf)
        return 0;
    CheckLoading();
    BYTE* out = static_cast<BYTE*>(lpBuf);
    UINT done = 0;
    while (done < nMax) {
        if (m_cur == m_max) {
            FillBuffer(1);
            if (m_max == 0)
                break;
        }
        const UINT n = std::min(nMax - done, m_max - m_cur);
        std::memcpy(out + done, m_buf + m_cur, n);
        m_cur += n;
        done += n;
    }
    return done;
}

void CArchive::EnsureRead(void* lpBuf, UINT nCount) {
    if (Read(lpBuf, nCount) != nCount)
        throw CArchiveException(CArchiveException::endOfFile);
}

void CArchive::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0 || !lpBuf)
        return;
    CheckStoring();
    const BYTE* in = static_cast<const BYTE*>(lpBuf);
    while (nCount > 0) {
        if (m_cur == m_bufSize)
            WriteBuffer();
        const UINT n = std::min(nCount, m_bufSize - m_cur);
        std::memcpy(m_buf + m_cur, in, n);
        m_cur += n;
        in += n;
        nCount -= n;
    }
}

CArchive& CArchive::StoreLE(ULONGLONG value, UINT nBytes) {
    BYTE bytes[8];
    for (UINT i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<BYTE>(value >> (8 * i));
    Write(bytes, nBytes);
    return *this;
}

ULONGLONG CArchive::LoadBytesLE(UINT nBytes) {
    CheckLoading();
    if (m_max - m_cur < nBytes) {
        FillBuffer(nBytes);
        if (m_max - m_cur < nBytes)
            throw CArchiveException(CArchiveException::endOfFile);
    }
    ULONGLONG value = 0;
    for (UINT i = 0; i < nBytes; ++i)
        value |= static_cast<ULONGLONG>(m_buf[m_cur + i]) << (8 * i);
    m_cur += nBytes;
    return value;
}

CArchive& CArchive::operator<<(float f) {
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    return StoreLE(bits, 4);
}

CArchive& CArchive::operator<<(double d) {
    ULONGLONG bits;
    std::memcpy(&bits, &d, sizeof bits);
    return StoreLE(bits, 8);
}

CArchive& CArchive::operator>>(bool& b) {
    b = LoadBytesLE(1) != 0;
    return *this;
}

CArchive& CArchive::operator>>(wchar_t& ch) {
    ch = static_cast<wchar_t>(LoadBytesLE(2));
    return *this;
}

CArchive& CArchive::operator>>(float& f) {
    const auto bits = static_cast<DWORD>(LoadBytesLE(4));
    std::memcpy(&f, &bits, sizeof f);
    return *this;
}

CArchive& CArchive::operator>>(double& d) {
    const ULONGLONG bits = LoadBytesLE(8);
    std::memcpy(&d, &bits, sizeof d);
    return *this;
}

void CArchive::WriteCount(DWORD_PTR dwCount) {
    if (dwCount < 0xFFFF) {
        *this << static_cast<WORD>(dwCount);
        return;
    }
    *this << static_cast<WORD>(0xFFFF);
    if (dwCount < 0xFFFFFFFF) {
        *this << static_cast<DWORD>(dwCount);
        return;
    }
    *this << static_cast<DWORD>(0xFFFFFFFF);
    *this << static_cast<ULONGLONG>(dwCount);
}

DWORD_PTR CArchive::ReadCount() {
    WORD w;
    *this >> w;
    if (w != 0xFFFF)
        return w;
    DWORD d;
    *this >> d;
    if (d != 0xFFFFFFFF)
        return d;
    ULONGLONG q;
    *this >> q;
    return static_cast<DWORD_PTR>(q);
}

void CArchive::Flush() {
    if (!m_pFile)
        return;
    if (IsLoading()) {
        if (m_max > m_cur)
            m_pFile->Seek(-static_cast<LONGLONG>(m_max - m_cur), CFile::current);
        m_cur = m_max = 0;
    } else {
        WriteBuffer();
    }
}

void CArchive::Close() {
    Flush();
    m_pFile = nullptr;
}

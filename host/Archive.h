// The framework's archive: a buffered binary stream over a CFile.
//
// Values are stored as the Windows host lays them out in memory: little-endian,
// Windows widths (wchar_t 2 bytes), no padding, no tags. Stored bytes reach
// the file at Flush or Close; the destructor closes unless bNoFlushOnDelete.
#pragma once

#include <vector>

#include "host/Exceptions.h"
#include "host/Types.h"
#include "library/Export.h"

class CFile;

class BACNET_API CArchive {
public:
    enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };

    // nBufSize below 128 is raised to 128; lpBuf, when given and large
    // enough, is used instead of an allocated buffer.
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    ~CArchive();

    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    // Null once closed.
    CFile* GetFile() const { return m_pFile; }

    // Returns the bytes copied; fewer than asked only at the end of the data.
    UINT Read(void* lpBuf, UINT nMax);
    // Read that throws CArchiveException(endOfFile) when short.
    void EnsureRead(void* lpBuf, UINT nCount);
    void Write(const void* lpBuf, UINT nCount);

    // Element count: a WORD below FFFF, else FFFF and a DWORD below
    // FFFFFFFF, else FFFF FFFFFFFF and a QWORD.
    void WriteCount(DWORD_PTR dwCount);
    DWORD_PTR ReadCount();

    // Storing: writes the buffered bytes to the file. Loading: moves the
    // file back to the first byte not yet consumed.
    void Flush();
    // Flushes and detaches the file.
    void Close();

    // Storing into a loading archive throws CArchiveException(readOnly),
    // loading from a storing one writeOnly; a load short of bytes throws
    // endOfFile and consumes nothing.
    CArchive& operator<<(BYTE b) { return StoreLE(b, 1); }
    CArchive& operator<<(char ch) { return StoreLE(static_cast<BYTE>(ch), 1); }
    CArchive& operator<<(bool b) { return StoreLE(b ? 1 : 0, 1); }
    CArchive& operator<<(WORD w) { return StoreLE(w, 2); }
    CArchive& operator<<(short w) { return StoreLE(static_cast<WORD>(w), 2); }
    // The host's wchar_t is one UTF-16 unit: only the low 16 bits are kept.
    CArchive& operator<<(wchar_t ch) { return StoreLE(static_cast<WORD>(ch), 2); }
    CArchive& operator<<(LONG l) { return StoreLE(static_cast<DWORD>(l), 4); }  // also int
    CArchive& operator<<(DWORD dw) { return StoreLE(dw, 4); }                   // also unsigned
    CArchive& operator<<(float f);
    CArchive& operator<<(double d);
    CArchive& operator<<(LONGLONG l) { return StoreLE(static_cast<ULONGLONG>(l), 8); }
    CArchive& operator<<(ULONGLONG l) { return StoreLE(l, 8); }
    // The framework has no pointer overloads, so `ar << L"x"` would quietly
    // store the bool 01; refuse it at compile time instead.
    template <class T>
    CArchive& operator<<(const T*) = delete;

    CArchive& operator>>(BYTE& b) { return LoadLE(b); }
    CArchive& operator>>(char& ch) { return LoadLE(ch); }
    CArchive& operator>>(bool& b);
    CArchive& operator>>(WORD& w) { return LoadLE(w); }
    CArchive& operator>>(short& w) { return LoadLE(w); }
    CArchive& operator>>(wchar_t& ch);
    CArchive& operator>>(LONG& l) { return LoadLE(l); }
    CArchive& operator>>(DWORD& dw) { return LoadLE(dw); }
    CArchive& operator>>(float& f);
    CArchive& operator>>(double& d);
    CArchive& operator>>(LONGLONG& l) { return LoadLE(l); }
    CArchive& operator>>(ULONGLONG& l) { return LoadLE(l); }

    // Name of the file, for the exceptions' m_strFileName.
    CString m_strFileName;

private:
    CArchive& StoreLE(ULONGLONG value, UINT nBytes);
    ULONGLONG LoadBytesLE(UINT nBytes);
    template <class T>
    CArchive& LoadLE(T& value) {
        value = static_cast<T>(LoadBytesLE(sizeof(T)));
        return *this;
    }
    void CheckStoring() const;
    void CheckLoading() const;
    // Refills the load buffer until it holds nNeeded bytes or the file ends.
    void FillBuffer(UINT nNeeded);
    void WriteBuffer();

    CFile* m_pFile;
    UINT m_nMode;
    std::vector<BYTE> m_ownBuf;
    BYTE* m_buf;
    UINT m_bufSize;
    UINT m_cur = 0;  // next byte to consume or to fill
    UINT m_max = 0;  // loading: end of the bytes read from the file
};

// The framework's files: a disk file and a growable in-memory file. Both are
// what an archive reads from and writes to.
#pragma once

#include <vector>

#include "host/Exceptions.h"
#include "host/Object.h"
#include "host/String.h"
#include "host/Types.h"
#include "library/Export.h"

class BACNET_API CFile : public CObject {
public:
    // Open flags, valued as the framework's.
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,      // create, or truncate an existing file
        modeNoTruncate = 0x2000,  // with modeCreate: keep an existing file's bytes
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens or throws CFileException.
    CFile(const wchar_t* lpszFileName, UINT nOpenFlags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() override;

    // Returns FALSE and fills *pError (when given) on failure, as the
    // framework does; it does not throw.
    virtual BOOL Open(const wchar_t* lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

    // Read returns the bytes read, fewer only at the end of the file. Every
    // other failure throws CFileException.
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    virtual void Flush();
    virtual void Close();

    ULONGLONG SeekToBegin() { return Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    const CString& GetFilePath() const { return m_strFileName; }

protected:
    [[noreturn]] void ThrowOsError(int err) const;

    CString m_strFileName;

private:
    int m_fd = -1;
};

class BACNET_API CMemFile : public CFile {
public:
    // A growable file in memory; nGrowBytes is accepted for the framework's
    // signature, growth is left to the container.
    explicit CMemFile(UINT nGrowBytes = 1024);
    // A file over the caller's nBufferSize bytes, which it reads and
    // overwrites in place. It cannot grow: writing past the end throws
    // std::bad_alloc, the framework's memory exception.
    CMemFile(BYTE* lpBuffer, UINT nBufferSize);

    BOOL Open(const wchar_t* lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;
    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetLength() const override { return m_size; }
    ULONGLONG GetPosition() const override { return m_pos; }
    void Flush() override {}
    // Releases the bytes; the file is then empty.
    void Close() override;

    // Copy of the file's bytes, from the start to its length.
    std::vector<BYTE> GetData() const;

private:
    BYTE* Bytes() { return m_extern ? m_extern : m_owned.data(); }
    const BYTE* Bytes() const { return m_extern ? m_extern : m_owned.data(); }

    std::vector<BYTE> m_owned;  // storage of a growable file
    BYTE* m_extern = nullptr;   // the caller's buffer, when attached
    size_t m_capacity = 0;      // of the caller's buffer
    size_t m_size = 0;
    ULONGLONG m_pos = 0;
};

// Archive helpers: tests state archive bytes as hex.
#pragma once

#include <utility>
#include <vector>

#include "Hex.h"

#include "host/Archive.h"
#include "host/File.h"

// Runs store(ar) on a storing archive and returns the bytes it wrote.
template <class F>
std::vector<BYTE> Stored(F store) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        store(ar);
    }
    return file.GetData();
}

// A loading archive over its own copy of `bytes`.
class Loading {
public:
    explicit Loading(std::vector<BYTE> bytes)
        : m_bytes(std::move(bytes)), m_file(m_bytes.data(), static_cast<UINT>(m_bytes.size())),
          m_ar(&m_file, CArchive::load) {}
    CArchive& ar() { return m_ar; }
    CMemFile& file() { return m_file; }

private:
    std::vector<BYTE> m_bytes;
    CMemFile m_file;
    CArchive m_ar;
};

// The cause of the archive exception f() throws; -1 when it throws none.
template <class F>
int ArchiveCause(F f) {
    try {
        f();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

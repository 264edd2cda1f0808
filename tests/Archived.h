// Archive helpers: tests state archive bytes as hex.
#pragma once

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

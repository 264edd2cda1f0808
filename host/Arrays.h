// The framework's pointer array and DWORD array.
//
// Every bad index or count throws CInvalidArgException, as the framework
// does in release builds. The pointer array never deletes what it points to.
#pragma once

#include <vector>

#include "host/Object.h"
#include "host/Types.h"
#include "library/Export.h"

// Shared by both arrays; T is void* or DWORD.
template <class T>
class BACNET_API CHostArray : public CObject {
public:
    CHostArray() = default;
    CHostArray(const CHostArray&) = delete;
    CHostArray& operator=(const CHostArray&) = delete;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_data.empty(); }
    // New elements are zero. A size of 0 frees the storage; nGrowBy is
    // accepted for the framework's signature, growth is the container's.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    void RemoveAll() { SetSize(0); }

    T GetAt(INT_PTR nIndex) const;
    void SetAt(INT_PTR nIndex, T newElement);
    T& ElementAt(INT_PTR nIndex);
    const T& ElementAt(INT_PTR nIndex) const;
    T operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    T& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    T* GetData() { return m_data.empty() ? nullptr : m_data.data(); }
    const T* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }

    // Grows the array (zero-filled) when nIndex is past the end.
    void SetAtGrow(INT_PTR nIndex, T newElement);
    // Returns the new element's index.
    INT_PTR Add(T newElement);
    // Past the end pads with zeros; otherwise shifts the rest up.
    void InsertAt(INT_PTR nIndex, T newElement, INT_PTR nCount = 1);
    // Keeps the capacity.
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);

protected:
    std::vector<T> m_data;
};

extern template class CHostArray<void*>;
extern template class CHostArray<DWORD>;

class BACNET_API CPtrArray : public CHostArray<void*> {};

class BACNET_API CDWordArray : public CHostArray<DWORD> {
public:
    // WriteCount and the DWORDs little-endian; loading replaces the contents.
    void Serialize(CArchive& ar) override;
};

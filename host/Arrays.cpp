#include "host/Arrays.h"

#include "host/Archive.h"
#include "host/Exceptions.h"

template <class T>
void CHostArray<T>::SetSize(INT_PTR nNewSize, INT_PTR) {
    if (nNewSize < 0)
        throw CInvalidArgException();
    if (nNewSize == 0)
        std::vector<T>().swap(m_data);
    else
        m_data.resize(static_cast<size_t>(nNewSize), T());
}

template <class T>
T CHostArray<T>::GetAt(INT_PTR nIndex) const {
    return ElementAt(nIndex);
}

template <class T>
void CHostArray<T>::SetAt(INT_PTR nIndex, T newElement) {
    ElementAt(nIndex) = newElement;
}

template <class T>
T& CHostArray<T>::ElementAt(INT_PTR nIndex) {
    if (nIndex < 0 || nIndex >= GetSize())
        throw CInvalidArgException();
    return m_data[static_cast<size_t>(nIndex)];
}

template <class T>
const T& CHostArray<T>::ElementAt(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= GetSize())
        throw CInvalidArgException();
    return m_data[static_cast<size_t>(nIndex)];
}

template <class T>
void CHostArray<T>::SetAtGrow(INT_PTR nIndex, T newElement) {
    if (nIndex < 0)
        throw CInvalidArgException();
    if (nIndex >= GetSize())
        SetSize(nIndex + 1);
    m_data[static_cast<size_t>(nIndex)] = newElement;
}

template <class T>
INT_PTR CHostArray<T>::Add(T newElement) {
    const INT_PTR index = GetSize();
    SetAtGrow(index, newElement);
    return index;
}

template <class T>
void CHostArray<T>::InsertAt(INT_PTR nIndex, T newElement, INT_PTR nCount) {
    if (nIndex < 0 || nCount <= 0)
        throw CInvalidArgException();
    if (nIndex >= GetSize())
        SetSize(nIndex);
    m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), newElement);
}

template <class T>
void CHostArray<T>::RemoveAt(INT_PTR nIndex, INT_PTR nCount) {
    if (nIndex < 0 || nCount < 0 || nCount > GetSize() - nIndex)
        throw CInvalidArgException();
    m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
}

template class CHostArray<void*>;
template class CHostArray<DWORD>;

void CDWordArray::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD_PTR>(m_data.size()));
        for (DWORD dw : m_data)
            ar << dw;
        return;
    }
    // Grown as the values arrive, so a corrupt count fails at the end of the
    // data instead of reserving memory for it.
    const DWORD_PTR count = ar.ReadCount();
    RemoveAll();
    for (DWORD_PTR i = 0; i < count; ++i) {
        DWORD dw;
        ar >> dw;
        m_data.push_back(dw);
    }
}

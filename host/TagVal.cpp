#include "host/TagVal.h"

#include <cmath>
#include <cwchar>

namespace {

// Shortest %g form, between the type's usual and round-trip precisions,
// that reads back to the same value.
template <class T>
CString ShortestText(T value, int minDigits, int maxDigits) {
    CString s;
    for (int digits = minDigits; digits <= maxDigits; ++digits) {
        s.Format(L"%.*g", digits, static_cast<double>(value));
        if (static_cast<T>(std::wcstod(s.GetString(), nullptr)) == value)
            break;
    }
    return s;
}

}  // namespace

CTagVal::~CTagVal() = default;

const CTagVal& CTagVal::operator=(const CTagVal& other) {
    m_type = other.m_type;
    m_val = other.m_val;
    m_str = other.m_str;
    return *this;
}

int CTagVal::operator==(const CTagVal& other) const {
    if (m_type != other.m_type)
        return 0;
    if (m_type == typeText)
        return m_str == other.m_str;
    return m_val == other.m_val || (std::isnan(m_val) && std::isnan(other.m_val));
}

void CTagVal::SetVal(int value) {
    m_type = typeInt;
    m_val = value;
    m_str.Empty();
}

void CTagVal::SetVal(unsigned value) {
    m_type = typeInt;
    m_val = value;
    m_str.Empty();
}

void CTagVal::SetVal(float value) {
    m_type = typeFloat;
    m_val = value;
    m_str.Empty();
}

void CTagVal::SetVal(double value) {
    m_type = typeDouble;
    m_val = value;
    m_str.Empty();
}

void CTagVal::SetVal(const wchar_t* text) {
    m_type = typeText;
    m_val = 0;
    m_str = text;
}

void CTagVal::SetAnsiText(const char* text, size_t n) {
    m_type = typeText;
    m_val = 0;
    m_str.AssignAnsi(text, n);
}

void CTagVal::SetInvalidVal() {
    m_type = typeInvalid;
    m_val = 0;
    m_str.Empty();
}

CString& CTagVal::GetValStr() {
    switch (m_type) {
    case typeText:
        break;
    case typeInt:
        m_str.Format(L"%lld", static_cast<long long>(m_val));
        break;
    case typeFloat:
        m_str = ShortestText(static_cast<float>(m_val), 6, 9);
        break;
    case typeDouble:
        m_str = ShortestText(m_val, 15, 17);
        break;
    default:
        m_str.Empty();
        break;
    }
    return m_str;
}

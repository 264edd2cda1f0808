// The host's value of one tag: a number, a text, or nothing valid.
#pragma once

#include "host/String.h"
#include "library/Export.h"

class BACNET_API CTagVal {
public:
    // GetType() codes. Drivers and the value conversion branch on them.
    enum : unsigned short {
        typeEmpty = 0,
        typeInvalid = 1,
        typeInt = 3,
        typeFloat = 4,
        typeDouble = 7,
        typeText = 8,
    };

    CTagVal() = default;
    CTagVal(const CTagVal& other) = default;
    const CTagVal& operator=(const CTagVal& other);
    virtual ~CTagVal();

    // Non-zero when type and value are equal (text by its characters). A NaN
    // equals a NaN, so an unchanged NaN is not reported as a change.
    int operator==(const CTagVal& other) const;

    void SetVal(int value);
    void SetVal(unsigned value);  // also type 3, so DWORD callers are not ambiguous
    void SetVal(float value);     // kept in single precision
    void SetVal(double value);
    void SetVal(const wchar_t* text);  // NULL stores an empty text
    // n bytes of narrow text through the code page. Like every setter, it
    // keeps the capacity the value's text had: no allocation once it holds
    // a text as long.
    void SetAnsiText(const char* text, size_t n);
    void SetInvalidVal();

    unsigned short GetType() const { return m_type; }
    // The number; 0 for a text, an empty or an invalid value.
    double GetVal() const { return m_type == typeText ? 0 : m_val; }
    // The text; a number in decimal (integers without a fraction, reals in
    // the shortest form that reads back to the same value); empty otherwise.
    CString& GetValStr();

private:
    unsigned short m_type = typeEmpty;
    double m_val = 0;
    CString m_str;  // the text, or the last text made for a number
};

// Conversions of one value between a frame, the decoded value buffer and the
// host's tag value.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Hex.h"
#include "object/Types.h"
#include "object/ValueText.h"

namespace {

using T = CBACnetTypes;
const char* const kUntouched = "text 'untouched'";

TEST(TypesTest, SubTypeIndexOfKeys)
{
    const struct {
        unsigned short dataType;
        const wchar_t* key;
        unsigned short expected;
    } rows[] = {
        {T::DT_DATE, L"YEAR", 3},
        {T::DT_TIME, L"minute", 2},
        {T::DT_OBJECT_ID, L"2", 2},   // a number needs no list
        {T::DT_DATE, L"-1", 0xFFFF},  // low 16 bits
        {T::DT_BIT_STRING, L"5x", 5},  // leading digits only
        {T::DT_DATE, L"year ", 0},     // the whole key must match
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, T::GetSubTypeIndex(row.dataType, row.key)) << row.dataType << " " << row.expected;
    EXPECT_EQ(0, T::GetSubTypeIndex(T::DT_DATE, nullptr));
}

// 2009-03-15 (a Sunday), 12:34:56.78
const char* const kDate = "07 0F 03 6D";
const char* const kTime = "4E 38 22 0C";
const char* const kDateTime = "07 0F 03 6D 4E 38 22 0C";

// Each buffer sits in a heap block of exactly its size, so a read past a
// value shows up under AddressSanitizer.
TEST(TypesTest, GetTagValFromDecodedBuffers)
{
    const struct {
        const char* name;
        const char* data;  // the decoded value buffer, exactly as large as given
        unsigned char dataType;
        unsigned short hostType, subType;
        int isNull;
        const char* expected;
    } rows[] = {
        {"null", "00 00 00 00", T::DT_NULL, 0, 0, 1, "invalid"},
        {"boolean non-zero", "02", T::DT_BOOLEAN, 0, 0, 0, "1"},
        {"unsigned", "2C 01 00 00", T::DT_UNSIGNED, 0, 0, 0, "300"},
        {"signed", "FE FF FF FF", T::DT_SIGNED, 0, 0, 0, "-2"},
        {"real in a short buffer", "00 00 C8", T::DT_REAL, 0, 0, 0, kUntouched},
        {"double into text", "00 00 00 00 00 00 F8 3F", T::DT_DOUBLE, T::HOST_TEXT, 0, 0, kUntouched},
        {"double", "00 00 00 00 00 00 F8 3F", T::DT_DOUBLE, 0, 0, 0, "1.5"},
        {"character string", "41 42 43 00 58", T::DT_CHARACTER_STRING, T::HOST_TEXT, 0, 0, "text 'ABC'"},
        {"string into number", "41 00", T::DT_CHARACTER_STRING, 0, 0, 0, kUntouched},
        {"bit 15", "00 01", T::DT_BIT_STRING, 0, 15, 0, "1"},
        {"bit beyond the octets", "FF", T::DT_BIT_STRING, 0, 8, 0, kUntouched},
        {"enumerated", "03", T::DT_ENUMERATED, 0, 0, 0, "3"},
        {"date as text", kDate, T::DT_DATE, T::HOST_TEXT, 0, 0, "text '2009/3/15'"},
        {"date year", kDate, T::DT_DATE, 0, 3, 0, "2009"},
        {"time as text", kTime, T::DT_TIME, T::HOST_TEXT, 0, 0, "text '12:34:56'"},
        {"time hour", kTime, T::DT_TIME, 0, 3, 0, "12"},
        {"time sub-type 4", kTime, T::DT_TIME, 0, 4, 0, kUntouched},
        {"object type", "E9 03 00 02", T::DT_OBJECT_ID, 0, 0, 0, "8"},
        {"instance", "E9 03 00 02", T::DT_OBJECT_ID, 0, 1, 0, "1001"},
        {"object id sub-type 2", "E9 03 00 02", T::DT_OBJECT_ID, 0, 2, 0, kUntouched},
        {"date-time hour", kDateTime, T::DT_DATE_TIME, 0, 7, 0, "12"},
        {"date-time in a short buffer", kDate, T::DT_DATE_TIME, 0, 0, 0, kUntouched},
        {"priority float, host 12", "00 00 C8 42", T::DT_PRIORITY_VALUE, T::HOST_FLOAT, 0, 0, "100"},
        {"priority host 15", "05 00 00 00", T::DT_PRIORITY_VALUE, 15, 0, 0, kUntouched},
    };
    for (const auto& row : rows) {
        Received data(row.data);
        CTagVal value;
        value.SetVal(L"untouched");
        T::GetTagVal(data.buf(), row.dataType, value, row.hostType, row.subType, row.isNull, data.end());
        EXPECT_EQ(row.expected, Describe(value)) << row.name;
    }
}

TEST(TypesTest, SetTagValEncodesHostValues)
{
    enum Kind { NUMBER, FLOAT, TEXT };
    const struct {
        const char* name;
        unsigned char dataType;
        Kind kind;
        double number;
        std::wstring text;
        int scratch;  // octets of scratch room; 0: the form that assumes a property's
        int result;
        const char* wire;
    } rows[] = {
        {"boolean 5", T::DT_BOOLEAN, NUMBER, 5, L"", 0, 1, "11"},
        {"unsigned -1", T::DT_UNSIGNED, NUMBER, -1, L"", 0, 1, "24 FF FF FF FF"},
        {"unsigned out of range", T::DT_UNSIGNED, NUMBER, 1e30, L"", 0, 1, "24 00 00 00 00"},
        {"signed -2", T::DT_SIGNED, NUMBER, -2.9, L"", 0, 1, "34 FF FF FF FE"},
        {"boolean into 3 octets", T::DT_BOOLEAN, NUMBER, 1, L"", 3, 0, ""},
        {"real, the largest float", T::DT_REAL, NUMBER, 3.4028234663852886e38, L"", 0, 1, "44 7F 7F FF FF"},
        {"real overflow", T::DT_REAL, NUMBER, 1e300, L"", 0, 1, "44 7F 80 00 00"},
        {"double 1.5", T::DT_DOUBLE, NUMBER, 1.5, L"", 0, 1, "55 08 3F F8 00 00 00 00 00 00"},
        {"units low byte", T::DT_ENGINEERING_UNITS, NUMBER, 256 + 62, L"", 0, 1, "91 3E"},
        {"priority -1", T::DT_PRIORITY_VALUE, NUMBER, -1, L"", 0, 1, "00"},
        {"priority 300", T::DT_PRIORITY_VALUE, NUMBER, 300, L"", 0, 1, "21 2C"},
        {"priority float", T::DT_PRIORITY_VALUE, FLOAT, 1.0, L"", 0, 1, "44 3F 80 00 00"},
        {"string text", T::DT_CHARACTER_STRING, TEXT, 0, L"ABC", 0, 1, "75 05 00 41 42 43 00"},
        {"text through the code page", T::DT_CHARACTER_STRING, TEXT, 0, L"\u20AC\u4E2D", 0, 1, "74 00 80 3F 00"},
        {"83 characters fill a property", T::DT_CHARACTER_STRING, TEXT, 0, std::wstring(83, L'x'), 0, 1,
         "75 55 00 78"},
        {"84 characters do not", T::DT_CHARACTER_STRING, TEXT, 0, std::wstring(84, L'x'), 0, 0, ""},
        {"3 characters into 4 octets", T::DT_CHARACTER_STRING, TEXT, 0, L"xyz", 4, 1, "75 05 00 78 79 7A 00"},
        {"4 characters into 4 octets", T::DT_CHARACTER_STRING, TEXT, 0, L"wxyz", 4, 0, ""},
        {"number to a string", T::DT_CHARACTER_STRING, NUMBER, 12, L"", 0, 1, ""},
        {"text to unsigned", T::DT_UNSIGNED, TEXT, 0, L"5", 0, 0, ""},
        {"code 25", 25, NUMBER, 1, L"", 0, 0, ""},
    };
    for (const auto& row : rows) {
        CTagVal value;
        if (row.kind == TEXT)
            value.SetVal(row.text.c_str());
        else if (row.kind == FLOAT)
            value.SetVal(static_cast<float>(row.number));
        else
            value.SetVal(row.number);
        std::vector<unsigned char> frame(120, 0xEE);
        std::vector<unsigned char> scratch(row.scratch ? row.scratch : 84);
        int len = 2;
        unsigned char* room = scratch.data();
        const int result = row.scratch ? T::SetTagVal(room, frame.data(), len, row.dataType, value, row.scratch)
                                       : T::SetTagVal(room, frame.data(), len, row.dataType, value);
        EXPECT_EQ(row.result, result) << row.name;
        const std::string wire = ToHex(frame.data() + 2, len - 2);
        EXPECT_EQ(row.wire, wire.substr(0, strlen(row.wire))) << row.name;
        EXPECT_EQ(0xEE, frame[len]) << row.name;
    }
}

}  // namespace

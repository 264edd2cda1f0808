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

// ---------------------------------------------------------------- sub-type keys

TEST(TypesTest, SubTypeIndexOfKeys)
{
    struct Row {
        unsigned short dataType;
        const wchar_t* key;
        unsigned short expected;
    };
    const Row rows[] = {
        {T::DT_DATE, L"YEAR", 3},
        {T::DT_DATE, L"week", 0},
        {T::DT_DATE, L"decade", 0},
        {T::DT_DATE_TIME, L"hour", 7},
        {T::DT_DATE_TIME, L"100MS", 4},
        {T::DT_TIME, L"100ms", 0},
        {T::DT_OBJECT_ID, L"InstanceNo", 1},
        {T::DT_OBJECT_ID, L"2", 2},        // a number needs no list
        {T::DT_DATE, L"2.9", 2},           // truncated toward zero
        {T::DT_DATE, L"1e1", 10},
        {T::DT_DATE, L"-1", 0xFFFF},       // low 16 bits
        {T::DT_DATE, L"", 0},
        {T::DT_BIT_STRING, L"5x", 5},      // leading digits only
        {T::DT_BIT_STRING, L"x5", 0},
        {T::DT_REAL, L"year", 0},          // no list for this data type
        {T::DT_DATE, L"year ", 0},         // the whole key must match
    };
    for (const Row& row : rows) {
        const std::string name = HostWideToAnsi(row.key, wcslen(row.key));
        EXPECT_EQ(row.expected, T::GetSubTypeIndex(row.dataType, row.key)) << "type " << row.dataType << " key '" << name << "'";
    }
    EXPECT_EQ(0, T::GetSubTypeIndex(T::DT_DATE, nullptr));
}

// ---------------------------------------------------------------- decoded buffer to host value

struct GetRow {
    const char* name;
    const char* data;  // the decoded value buffer, exactly as large as given
    unsigned char dataType;
    unsigned short hostType;
    unsigned short subType;
    int isNull;
    const char* expected;
};

// 2009-03-15 (a Sunday), 12:34:56.78
const char* const kDate = "07 0F 03 6D";
const char* const kTime = "4E 38 22 0C";
const char* const kDateTime = "07 0F 03 6D 4E 38 22 0C";

const GetRow kGetRows[] = {
    {"null", "00 00 00 00", T::DT_NULL, 0, 0, 1, "invalid"},
    {"boolean true", "01", T::DT_BOOLEAN, 0, 0, 0, "1"},
    {"boolean non-zero", "02", T::DT_BOOLEAN, 0, 0, 0, "1"},
    {"boolean into text", "01", T::DT_BOOLEAN, T::HOST_TEXT, 0, 0, kUntouched},
    {"binary pv", "01", T::DT_BINARY_PV, 3, 0, 0, "1"},
    {"unsigned", "2C 01 00 00", T::DT_UNSIGNED, 0, 0, 0, "300"},
    {"unsigned top", "FF FF FF FF", T::DT_UNSIGNED, 0, 0, 0, "4294967295"},
    {"unused code 13", "2C 01 00 00", 13, 0, 0, 0, "300"},
    {"signed", "FE FF FF FF", T::DT_SIGNED, 0, 0, 0, "-2"},
    {"real", "00 00 C8 42", T::DT_REAL, 0, 0, 0, "100"},
    {"double", "00 00 00 00 00 00 F8 3F", T::DT_DOUBLE, 0, 0, 0, "1.5"},
    {"character string", "41 42 43 00 58", T::DT_CHARACTER_STRING, T::HOST_TEXT, 0, 0, "text 'ABC'"},
    {"string without its 0", "41 42 43", T::DT_CHARACTER_STRING, T::HOST_TEXT, 0, 0, "text 'ABC'"},
    {"string code page", "80 E9 00", T::DT_CHARACTER_STRING, T::HOST_TEXT, 0, 0, "text '\x80\xE9'"},
    {"string into number", "41 00", T::DT_CHARACTER_STRING, 0, 0, 0, kUntouched},
    {"bit 1 of 0x40", "40", T::DT_BIT_STRING, 0, 1, 0, "1"},
    {"bit 15", "00 01", T::DT_BIT_STRING, 0, 15, 0, "1"},
    {"bit beyond the octets", "FF", T::DT_BIT_STRING, 0, 8, 0, kUntouched},
    {"bit far beyond", "FF", T::DT_BIT_STRING, 0, 65535, 0, kUntouched},
    {"enumerated", "03", T::DT_ENUMERATED, 0, 0, 0, "3"},
    {"polarity into text", "01", T::DT_POLARITY, T::HOST_TEXT, 0, 0, kUntouched},
    {"date as text", kDate, T::DT_DATE, T::HOST_TEXT, 0, 0, "text '2009/3/15'"},
    {"date year", kDate, T::DT_DATE, 0, 3, 0, "2009"},
    {"date week day", kDate, T::DT_DATE, 0, 0, 0, "7"},
    {"date sub-type 4", kDate, T::DT_DATE, 0, 4, 0, kUntouched},
    {"time as text", kTime, T::DT_TIME, T::HOST_TEXT, 0, 0, "text '12:34:56'"},
    {"time hundredths", kTime, T::DT_TIME, 0, 0, 0, "78"},
    {"time sub-type 3", kTime, T::DT_TIME, 0, 3, 0, "12"},
    {"time sub-type 4", kTime, T::DT_TIME, 0, 4, 0, kUntouched},
    {"object type", "E9 03 00 02", T::DT_OBJECT_ID, 0, 0, 0, "8"},
    {"instance", "E9 03 00 02", T::DT_OBJECT_ID, 0, 1, 0, "1001"},
    {"object id sub-type 2", "E9 03 00 02", T::DT_OBJECT_ID, 0, 2, 0, kUntouched},
    {"date-time as text", kDateTime, T::DT_DATE_TIME, T::HOST_TEXT, 0, 0, "text '2009/3/15 12:34:56'"},
    {"date-time hundredths", kDateTime, T::DT_DATE_TIME, 0, 4, 0, "78"},
    {"date-time hour", kDateTime, T::DT_DATE_TIME, 0, 7, 0, "12"},
    {"date-time sub-type 8", kDateTime, T::DT_DATE_TIME, 0, 8, 0, kUntouched},
    {"date-time in a short buffer", kDate, T::DT_DATE_TIME, 0, 0, 0, kUntouched},
    {"priority null, host 0", "00 00 00 00", T::DT_PRIORITY_VALUE, 0, 0, 1, "-1"},
    {"priority null, host 3", "00 00 00 00", T::DT_PRIORITY_VALUE, 3, 0, 1, "0"},
    {"priority unsigned, host 2", "05 00 00 00", T::DT_PRIORITY_VALUE, 2, 0, 0, "5"},
    {"priority float, host 12", "00 00 C8 42", T::DT_PRIORITY_VALUE, T::HOST_FLOAT, 0, 0, "100"},
    {"priority into text", "05 00 00 00", T::DT_PRIORITY_VALUE, T::HOST_TEXT, 0, 0, kUntouched},
    {"priority host 15", "05 00 00 00", T::DT_PRIORITY_VALUE, 15, 0, 0, kUntouched},
    {"real in a short buffer", "00 00", T::DT_REAL, 0, 0, 0, kUntouched},
};

// Each buffer sits in a heap block of exactly its size, so a read past a
// value shows up under AddressSanitizer.
TEST(TypesTest, GetTagValFromDecodedBuffers)
{
    for (const GetRow& row : kGetRows) {
        Received data(row.data);
        CTagVal value;
        value.SetVal(L"untouched");
        T::GetTagVal(data.end() ? data.buf() : nullptr, row.dataType, value, row.hostType, row.subType, row.isNull,
                     data.end());
        EXPECT_EQ(row.expected, Describe(value)) << row.name;
    }
}

TEST(TypesTest, GetTagValUnboundedFormMatchesOnWholeValues)
{
    for (const GetRow& row : kGetRows) {
        if (Received(row.data).end() < 4 || std::string(row.name).find("short buffer") != std::string::npos)
            continue;  // only the bounded form knows where a short buffer ends
        std::vector<unsigned char> data = Hex(row.data);
        CTagVal value;
        value.SetVal(L"untouched");
        T::GetTagVal(data.data(), row.dataType, value, row.hostType, row.subType, row.isNull);
        EXPECT_EQ(row.expected, Describe(value)) << row.name;
    }
}

// ---------------------------------------------------------------- host value to frame

struct SetRow {
    const char* name;
    unsigned char dataType;
    enum { NUMBER, FLOAT, TEXT } kind;
    double number;
    const wchar_t* text;
    int result;
    const char* wire;
};

const SetRow kSetRows[] = {
    {"boolean 1", T::DT_BOOLEAN, SetRow::NUMBER, 1, nullptr, 1, "11"},
    {"boolean 0", T::DT_BOOLEAN, SetRow::NUMBER, 0, nullptr, 1, "10"},
    {"boolean 5", T::DT_BOOLEAN, SetRow::NUMBER, 5, nullptr, 1, "11"},
    {"unsigned 5", T::DT_UNSIGNED, SetRow::NUMBER, 5, nullptr, 1, "24 00 00 00 05"},
    {"unsigned low 32 bits", T::DT_UNSIGNED, SetRow::NUMBER, 4294967296.0 + 7, nullptr, 1, "24 00 00 00 07"},
    {"unsigned -1", T::DT_UNSIGNED, SetRow::NUMBER, -1, nullptr, 1, "24 FF FF FF FF"},
    {"unsigned out of range", T::DT_UNSIGNED, SetRow::NUMBER, 1e30, nullptr, 1, "24 00 00 00 00"},
    {"signed -2", T::DT_SIGNED, SetRow::NUMBER, -2.9, nullptr, 1, "34 FF FF FF FE"},
    {"signed out of range", T::DT_SIGNED, SetRow::NUMBER, 3e9, nullptr, 1, "34 80 00 00 00"},
    {"real 1.0", T::DT_REAL, SetRow::NUMBER, 1.0, nullptr, 1, "44 3F 80 00 00"},
    {"real overflow", T::DT_REAL, SetRow::NUMBER, 1e300, nullptr, 1, "44 7F 80 00 00"},
    {"double 1.5", T::DT_DOUBLE, SetRow::NUMBER, 1.5, nullptr, 1, "55 08 3F F8 00 00 00 00 00 00"},
    {"enumerated 2", T::DT_ENUMERATED, SetRow::NUMBER, 2, nullptr, 1, "91 02"},
    {"units low byte", T::DT_ENGINEERING_UNITS, SetRow::NUMBER, 256 + 62, nullptr, 1, "91 3E"},
    {"priority -1", T::DT_PRIORITY_VALUE, SetRow::NUMBER, -1, nullptr, 1, "00"},
    {"priority 2", T::DT_PRIORITY_VALUE, SetRow::NUMBER, 2, nullptr, 1, "21 02"},
    {"priority 300", T::DT_PRIORITY_VALUE, SetRow::NUMBER, 300, nullptr, 1, "21 2C"},
    {"priority float", T::DT_PRIORITY_VALUE, SetRow::FLOAT, 1.0, nullptr, 1, "44 3F 80 00 00"},
    {"string text", T::DT_CHARACTER_STRING, SetRow::TEXT, 0, L"ABC", 1, "75 05 00 41 42 43 00"},
    {"octet string text", T::DT_OCTET_STRING, SetRow::TEXT, 0, L"AB", 1, "74 00 41 42 00"},
    {"empty text", T::DT_CHARACTER_STRING, SetRow::TEXT, 0, L"", 1, "72 00 00"},
    {"text through the code page", T::DT_CHARACTER_STRING, SetRow::TEXT, 0, L"\u20AC\u4E2D", 1, "74 00 80 3F 00"},
    {"number to a string", T::DT_CHARACTER_STRING, SetRow::NUMBER, 12, nullptr, 1, ""},
    {"text to unsigned", T::DT_UNSIGNED, SetRow::TEXT, 0, L"5", 0, ""},
    {"text to priority", T::DT_PRIORITY_VALUE, SetRow::TEXT, 0, L"1", 0, ""},
    {"null type", T::DT_NULL, SetRow::NUMBER, 1, nullptr, 0, ""},
    {"bit string", T::DT_BIT_STRING, SetRow::NUMBER, 1, nullptr, 0, ""},
    {"date", T::DT_DATE, SetRow::NUMBER, 1, nullptr, 0, ""},
    {"code 13", 13, SetRow::NUMBER, 1, nullptr, 0, ""},
    {"date-time", T::DT_DATE_TIME, SetRow::NUMBER, 1, nullptr, 0, ""},
    {"code 25", 25, SetRow::NUMBER, 1, nullptr, 0, ""},
};

void SetFrom(const SetRow& row, CTagVal& value)
{
    if (row.kind == SetRow::TEXT)
        value.SetVal(row.text);
    else if (row.kind == SetRow::FLOAT)
        value.SetVal(static_cast<float>(row.number));
    else
        value.SetVal(row.number);
}

TEST(TypesTest, SetTagValEncodesHostValues)
{
    for (const SetRow& row : kSetRows) {
        CTagVal value;
        SetFrom(row, value);
        std::vector<unsigned char> frame(32, 0xEE);
        std::vector<unsigned char> scratch(84, 0);
        int len = 2;
        EXPECT_EQ(row.result, T::SetTagVal(scratch.data(), frame.data(), len, row.dataType, value)) << row.name;
        EXPECT_EQ(row.wire, ToHex(frame.data() + 2, len - 2)) << row.name;
        EXPECT_EQ(0xEE, frame[len]) << row.name;
    }
}

// A property's scratch buffer holds its size plus 3 octets (84 for a
// character string): the text and its 0 byte must fit, or nothing is sent.
TEST(TypesTest, TextLongerThanTheScratchRoomIsRefused)
{
    struct Row {
        int scratchSize;
        int textLength;
        int result;
    };
    const Row rows[] = {{84, 83, 1}, {84, 84, 0}, {84, 500, 0}, {4, 3, 1}, {4, 4, 0}, {0, 0, 0}};
    for (const Row& row : rows) {
        CTagVal value;
        value.SetVal(std::wstring(row.textLength, L'x').c_str());
        std::unique_ptr<unsigned char[]> scratch(new unsigned char[row.scratchSize > 0 ? row.scratchSize : 1]);
        std::vector<unsigned char> frame(600, 0xEE);
        int len = 0;
        EXPECT_EQ(row.result, T::SetTagVal(scratch.get(), frame.data(), len, T::DT_CHARACTER_STRING, value,
                                           row.scratchSize))
            << row.textLength << " characters into " << row.scratchSize;
        if (!row.result) {
            EXPECT_EQ(0, len);
        }
    }
    // The form without a size assumes a property's 84 octets.
    CTagVal value;
    std::vector<unsigned char> frame(600);
    std::unique_ptr<unsigned char[]> scratch(new unsigned char[84]);
    int len = 0;
    value.SetVal(std::wstring(84, L'x').c_str());
    EXPECT_EQ(0, T::SetTagVal(scratch.get(), frame.data(), len, T::DT_CHARACTER_STRING, value));
    value.SetVal(std::wstring(83, L'x').c_str());
    EXPECT_EQ(1, T::SetTagVal(scratch.get(), frame.data(), len, T::DT_CHARACTER_STRING, value));
    EXPECT_EQ("75 55 00 78", ToHex(frame.data(), 4));
}

// ---------------------------------------------------------------- frame to decoded buffer

struct ReceiveRow {
    const char* name;
    const char* wire;
    unsigned short size;
    int result;
    int consumed;
    int isNull;
    const char* data;  // the first octets of the buffer after a success
};

const ReceiveRow kReceiveRows[] = {
    {"real 100", "44 42 C8 00 00", 4, 1, 5, 0, "00 00 C8 42"},
    {"null", "00", 4, 1, 1, 1, "00 00 00 00"},
    {"boolean true", "11", 1, 1, 1, 0, "01"},
    {"unsigned 300", "22 01 2C", 4, 1, 3, 0, "2C 01 00 00"},
    {"signed -1", "31 FF", 4, 1, 2, 0, "FF FF FF FF"},
    {"double", "55 08 3F F8 00 00 00 00 00 00", 8, 1, 10, 0, "00 00 00 00 00 00 F8 3F"},
    {"enumerated", "91 03", 1, 1, 2, 0, "03"},
    {"date", "A4 6D 03 0F 07", 4, 1, 5, 0, "07 0F 03 6D"},
    {"time", "B4 0C 22 38 4E", 4, 1, 5, 0, "4E 38 22 0C"},
    {"object id", "C4 02 00 03 E9", 4, 1, 5, 0, "E9 03 00 02"},
    {"bit string", "82 04 40", 4, 1, 3, 0, "40 00 00 00"},
    {"character string", "74 00 41 42 43", 81, 1, 5, 0, "41 42 43 00"},
    {"character string cut to the buffer", "75 06 00 41 42 43 44 45", 4, 1, 8, 0, "41 42 43 00"},
    {"character string in a 1-octet buffer", "74 00 41 42 43", 1, 1, 5, 0, "00"},
    {"character set 4", "74 04 41 42 43", 81, 0, -1, 0, ""},
    {"long character string in set 4", "75 06 04 41 42 43 44 45", 4, 0, -1, 0, ""},
    {"context tag", "0C 00 00 00 05", 4, 0, -1, 0, ""},
    {"opening tag", "3E", 4, 0, -1, 0, ""},
    {"unsigned longer than the buffer", "25 05 01 02 03 04 05", 4, 0, -1, 0, ""},
    {"real in a 1-octet buffer", "44 42 C8 00 00", 1, 0, -1, 0, ""},
    {"application tag 13", "D1 00", 4, 0, -1, 0, ""},
    {"boolean into no room", "11", 0, 0, -1, 0, ""},
};

TEST(TypesTest, ReceiveDataTypeValueDecodesByTheTagsOwnNumber)
{
    for (const ReceiveRow& row : kReceiveRows) {
        Received wire(row.wire);
        std::unique_ptr<unsigned char[]> data(new unsigned char[row.size > 0 ? row.size : 1]);
        memset(data.get(), 0xEE, row.size);
        CBACnetTag tag;
        int len = 0, isNull = -1;
        // The data type argument is not consulted: pass an unrelated one.
        ASSERT_EQ(row.result, T::ReceiveDataTypeValue(data.get(), T::DT_DATE_TIME, row.size, tag, wire.buf(), len,
                                                      isNull, wire.end()))
            << row.name;
        if (!row.result)
            continue;
        EXPECT_EQ(row.consumed, len) << row.name;
        EXPECT_EQ(row.isNull, isNull) << row.name;
        EXPECT_EQ(row.data, ToHex(data.get(), static_cast<int>(Hex(row.data).size()))) << row.name;
    }
}

// Every prefix of every value: the decoder refuses without reading past the
// received octets (AddressSanitizer watches the exact-size block).
TEST(TypesTest, ReceiveDataTypeValueRefusesEveryTruncation)
{
    for (const ReceiveRow& row : kReceiveRows) {
        if (!row.result)
            continue;
        EXPECT_EQ(CutsTaken(row.wire, [&](unsigned char* buf, int& len, int end) {
                      unsigned char data[96];
                      CBACnetTag tag;
                      int isNull = 0;
                      return T::ReceiveDataTypeValue(data, 0, row.size, tag, buf, len, isNull, end);
                  }), "")
            << row.name;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>

#include "Hex.h"
#include "service/MyBACnetBlkData.h"
#include "service/ReadPropertyService.h"

namespace {

// An Error's class and code, in application or context tags, alone or
// inside opening tag 0; every cut of a good one is refused.
TEST(ErrFrame, DecodesClassAndCode)
{
    const struct {
        const char* name;
        const char* params;
        int result;
        unsigned char errorClass, errorCode;
    } cases[] = {
        {"property, unknown property", "91 02 91 20", 1, 2, 32},
        {"context tags", "09 01 19 1F", 1, 1, 31},
        {"two-octet code", "91 02 92 01 00", 0, 0xEE, 0xEE},
        {"two-octet class", "92 00 02 91 20", 0, 0xEE, 0xEE},
        {"inside opening tag 0", "0E 91 02 91 28 0F 1E 0C 00 40 00 01 19 55 1F", 1, 2, 40},
        {"opening tag 0 alone", "0E", 0, 0xEE, 0xEE},
    };
    CBACnetReadPropertyService read;
    for (const auto& c : cases) {
        Received frame(c.params);
        unsigned char errorClass = 0xEE, errorCode = 0xEE;
        EXPECT_EQ(read.ErrFrame(frame.buf(), nullptr, frame.end(), errorClass, errorCode), c.result) << c.name;
        EXPECT_EQ(errorClass, c.errorClass) << c.name;
        EXPECT_EQ(errorCode, c.errorCode) << c.name;
        EXPECT_EQ(read.ErrFrame(frame.buf(), nullptr, frame.end()), c.result) << c.name;
        if (!c.result)
            continue;
        EXPECT_EQ(read.ErrFrame(frame.buf(), nullptr), 1) << c.name;  // the unbounded form on complete parameters
        const auto needed = Hex(std::string(c.params).substr(0, 14));  // class and code, no further
        const auto decode = [&](unsigned char* buf, int&, int end) { return read.ErrFrame(buf, nullptr, end); };
        EXPECT_EQ(CutsTaken(needed, decode), "") << c.name;
    }
}

std::wstring Text(CMyBACnetBlkData& record)
{
    CString text = L"unchanged";
    record.GetErrorMsg(text);
    return text.GetString();
}

std::wstring Describe(int status, int value, uintptr_t code = 0)
{
    CMyBACnetBlkData record;
    record.SetData(status, value, reinterpret_cast<unsigned char*>(code));
    return Text(record);
}

// The texts a driver shows: status, class and code, reject and abort reasons, and
// "unknown" for anything past the tables (only the low octets count).
TEST(BlkData, ReasonTexts)
{
    const struct {
        int status, value;
        uintptr_t code;
        const wchar_t* text;
    } rows[] = {
        {1, 0, 0, L"Time out "},
        {4, 0, 0, L"unchanged"},
        {5, 0x102, 0x120, L"error : propertyunknown property"},
        {5, 7, 43, L"error : unknown class - unknown code"},
        {6, 9, 0, L"reject : unrecognized service"},
        {7, 4, 0, L"abort : segmentation not supported"},
        {7, 5, 0, L"abort : unknown code"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Describe(row.status, row.value, row.code), row.text) << row.status << " " << row.value;
}

// Blocks accumulate; an error recorded mid-way keeps the data; a block it
// cannot hold sets status 2 and keeps what it has; a restart clears all.
TEST(BlkData, AccumulatesBlocks)
{
    std::vector<unsigned char> big(65532, 0xAB);
    unsigned char a[] = {1, 2, 3}, one[] = {1};
    CMyBACnetBlkData record;
    record.SetData(0, 3, a);
    record.SetData(0, 65532, big.data());
    EXPECT_EQ(record.m_status, 0);
    ASSERT_EQ(record.m_length, 65535);
    EXPECT_EQ(ToHex(record.m_data, 4), "01 02 03 AB");
    record.SetData(5, 2, reinterpret_cast<unsigned char*>(uintptr_t(32)));
    EXPECT_EQ(Text(record), L"error : propertyunknown property");
    for (int count : {1, -1}) {
        record.SetData(0, count, one);
        EXPECT_EQ(record.m_status, 2) << count;
        EXPECT_EQ(record.m_length, 65535) << count;
    }
    record.SetData(0, 4, nullptr);
    EXPECT_EQ(record.m_status, 2);
    EXPECT_EQ(record.m_data[65534], 0xAB);
    record.Start_BlkData();
    EXPECT_EQ(record.m_status + record.m_length + record.m_errorClass + record.m_errorCode, 0);
    EXPECT_EQ(record.m_data, nullptr);
}

TEST(BlkData, CopiesOwnTheirData)
{
    unsigned char a[] = {1, 2, 3};
    CMyBACnetBlkData original, assigned, error;
    original.SetData(0, 3, a);
    assigned.SetData(7, 4, nullptr);
    assigned = original;
    CMyBACnetBlkData constructed(original);
    original.Start_BlkData();  // frees the original's buffer
    for (CMyBACnetBlkData* copy : {&assigned, &constructed}) {
        ASSERT_EQ(copy->m_length, 3);
        EXPECT_EQ(ToHex(copy->m_data, 3), "01 02 03");
    }
    error.SetData(6, 4, nullptr);
    assigned = error;
    EXPECT_EQ(assigned.m_data, nullptr);
    EXPECT_EQ(assigned.m_length, 0);
    EXPECT_EQ(Text(assigned), L"reject : invalid tag");
}

}  // namespace

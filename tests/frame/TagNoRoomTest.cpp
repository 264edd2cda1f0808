// Values decoded for a caller that gives no room (no buffer, size 0): the
// decoder must neither write to nor clear the missing buffer. Found by the
// tag and value-conversion fuzz targets.
#include <gtest/gtest.h>

#include "Hex.h"
#include "frame/Tag.h"
#include "object/Types.h"

namespace {

TEST(TagNoRoom, ValuesWithoutRoom)
{
    struct Row {
        const char* name;
        const char* wire;
        int type;
        int result;
        int consumed;
    };
    const Row rows[] = {
        {"Boolean needs one octet", "11", CBACnetTag::TYPE_BOOLEAN, 0, 1},
        {"Boolean read from a Null header (fuzz_tag reproducer)", "01 09 00 65 FE", CBACnetTag::TYPE_BOOLEAN, 0, 1},
        {"empty Real", "40", CBACnetTag::TYPE_REAL, 1, 1},
        {"empty Unsigned", "20", CBACnetTag::TYPE_UNSIGNED, 1, 1},
        {"empty octet string", "60", CBACnetTag::TYPE_OCTET_STRING, 1, 1},
        {"empty enumeration", "90", CBACnetTag::TYPE_ENUMERATED, 1, 1},
        {"bit string without bits", "81 00", CBACnetTag::TYPE_BIT_STRING, 1, 2},
        {"Null", "00", CBACnetTag::TYPE_NULL, 1, 1},
        {"Real with content", "44 42 C8 00 00", CBACnetTag::TYPE_REAL, 0, 1},
    };
    for (const Row& row : rows) {
        Received wire(row.wire);
        CBACnetTag tag;
        int len = 0;
        int isNull = -1;
        ASSERT_EQ(1, tag.ReadHeaderFrame(wire.buf(), len, wire.end())) << row.name;
        EXPECT_EQ(row.result, tag.ReadDataFrame(nullptr, row.type, 0, wire.buf(), len, isNull, wire.end()))
            << row.name;
        EXPECT_EQ(row.consumed, len) << row.name;
    }
}

// fuzz_types reproducer: empty Real values converted into no room.
TEST(TagNoRoom, ReceivedValuesWithoutRoom)
{
    Received wire("40 40 40");
    CBACnetTag tag;
    int len = 0;
    for (int i = 1; i <= 3; i++) {
        int isNull = -1;
        EXPECT_EQ(1, CBACnetTypes::ReceiveDataTypeValue(nullptr, CBACnetTypes::DT_REAL, 0, tag, wire.buf(), len,
                                                        isNull, wire.end()));
        EXPECT_EQ(i, len);
        EXPECT_EQ(0, isNull);
    }
}

}  // namespace

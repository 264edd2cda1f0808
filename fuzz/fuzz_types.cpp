// Value conversion: the application values of the frame decoded into a
// buffer of exactly `room` octets, each then converted to a host value as
// the chosen data type and as the value's own, for a chosen host tag type
// and sub-type. Selector octets: room, sub-type, data type (index), host
// tag type (index).
#include "FuzzInput.h"

#include <vector>

namespace {

using T = CBACnetTypes;

const unsigned char kDataTypes[] = {
    T::DT_NULL, T::DT_BOOLEAN, T::DT_UNSIGNED, T::DT_SIGNED, T::DT_REAL, T::DT_DOUBLE,
    T::DT_OCTET_STRING, T::DT_CHARACTER_STRING, T::DT_BIT_STRING, T::DT_ENUMERATED,
    T::DT_DATE, T::DT_TIME, T::DT_OBJECT_ID, T::DT_BINARY_PV, T::DT_OBJECT_TYPE,
    T::DT_EVENT_STATE, T::DT_RELIABILITY, T::DT_ENGINEERING_UNITS, T::DT_NOTIFY_TYPE,
    T::DT_POLARITY, T::DT_DATE_TIME, T::DT_PRIORITY_VALUE,
};
const unsigned short kHostTypes[] = {0, 3, T::HOST_FLOAT, T::HOST_TEXT};
constexpr int kMaxConverted = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const unsigned short room = in.Take();  // 0 to 255 octets
    const unsigned short subType = in.Take();
    const unsigned short declared = kDataTypes[in.Take() % sizeof kDataTypes];
    const unsigned short hostType = kHostTypes[in.Take() % (sizeof kHostTypes / sizeof kHostTypes[0])];
    in.Rest();
    unsigned char* buf = in.buf();
    const int end = in.end();

    std::vector<unsigned char> value(room);
    CBACnetTag tag;
    int len = 0;
    // Conversions cost far more than decoding: later values add nothing new.
    for (int n = 0; n < kMaxConverted && len < end; n++) {
        const int before = len;
        int isNull = -1;
        const int ok = T::ReceiveDataTypeValue(value.data(), declared, room, tag, buf, len, isNull, end);
        fuzz::CheckCursor(len, end);
        if (!ok || len <= before)
            break;
        for (unsigned char dataType : {static_cast<unsigned char>(declared), tag.m_tagNumber}) {
            CTagVal host;
            T::GetTagVal(value.data(), dataType, host, hostType, subType, isNull, room);
            host.GetValStr();
        }
    }
    return 0;
}

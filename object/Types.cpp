#include "object/Types.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>

#include "host/CodePage.h"
#include "host/Crt.h"
#include "host/String.h"
#include "host/TagVal.h"

namespace {

// Number conversions truncate toward zero. A value outside the target range
// (or NaN) gives the x86 "integer indefinite" the host's own conversion
// produces, instead of undefined behaviour.
int32_t TruncToInt32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

int64_t TruncToInt64(double v)
{
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0))
        return INT64_MIN;
    return static_cast<int64_t>(v);
}

float ToFloat(double v)
{
    if (std::isnan(v) || std::fabs(v) <= FLT_MAX)
        return static_cast<float>(v);
    return v > 0 ? HUGE_VALF : -HUGE_VALF;
}

uint32_t Load32(const unsigned char* data)
{
    uint32_t v;
    memcpy(&v, data, sizeof v);
    return v;
}

// Index of `key` in `keys` (A-Z folded), or 0 when absent: an unknown key
// selects the first part.
unsigned short FindKey(const wchar_t* key, const char* const* keys, int count)
{
    for (int i = 0; i < count; i++)
        if (_wcsicmp(key, CString(keys[i])) == 0)
            return static_cast<unsigned short>(i);
    return 0;
}

const char* const kDateKeys[] = {"week", "day", "month", "year"};
const char* const kTimeKeys[] = {"100ms", "second", "minute", "hour"};
const char* const kObjectIDKeys[] = {"objecttype", "instanceno"};
const char* const kDateTimeKeys[] = {"week", "day", "month", "year", "100ms", "second", "minute", "hour"};

template <size_t N>
int Count(const char* const (&)[N])
{
    return static_cast<int>(N);
}

// Scratch room a property's buffer offers for a data type: its catalogue
// size plus the 3 spare octets.
int PropertyScratchSize(unsigned char dataType)
{
    switch (dataType) {
    case CBACnetTypes::DT_BOOLEAN:
    case CBACnetTypes::DT_ENUMERATED:
    case CBACnetTypes::DT_BINARY_PV:
    case CBACnetTypes::DT_OBJECT_TYPE:
    case CBACnetTypes::DT_EVENT_STATE:
    case CBACnetTypes::DT_RELIABILITY:
    case CBACnetTypes::DT_ENGINEERING_UNITS:
    case CBACnetTypes::DT_NOTIFY_TYPE:
    case CBACnetTypes::DT_POLARITY:
        return 1 + 3;
    case CBACnetTypes::DT_DOUBLE:
    case CBACnetTypes::DT_DATE_TIME:
        return 8 + 3;
    case CBACnetTypes::DT_OCTET_STRING:
    case CBACnetTypes::DT_CHARACTER_STRING:
        return 81 + 3;
    default:
        return 4 + 3;
    }
}

void SetText(CTagVal& value, const char* format, int a, int b, int c)
{
    char text[48];
    snprintf(text, sizeof text, format, a, b, c);
    value.SetVal(CString(text).GetString());
}

void SetText(CTagVal& value, const char* format, int a, int b, int c, int d, int e, int f)
{
    char text[96];
    snprintf(text, sizeof text, format, a, b, c, d, e, f);
    value.SetVal(CString(text).GetString());
}

}  // namespace

int CBACnetTypes::ReceiveDataTypeValue(unsigned char* data, unsigned short dataType, unsigned short size,
                                       CBACnetTag& tag, unsigned char* buf, int& len, int& isNull)
{
    (void)dataType;  // the tag's own number decides
    isNull = 0;
    if (!tag.ReadHeaderFrame(buf, len))
        return 0;
    if (tag.m_class != CBACnetTag::CLASS_APPLICATION)
        return tag.Refuse(CBACnetTag::REFUSAL_WRONG_TYPE);
    // A character string longer than the buffer keeps what fits and its 0
    // byte, and the rest is stepped over so the frame stays in step.
    return tag.ReadDataFrame(data, tag.m_tagNumber, size, buf, len, isNull);
}

int CBACnetTypes::ReceiveDataTypeValue(unsigned char* data, unsigned short dataType, unsigned short size,
                                       CBACnetTag& tag, unsigned char* buf, int& len, int& isNull, int end)
{
    tag.m_end = end;
    return ReceiveDataTypeValue(data, dataType, size, tag, buf, len, isNull);
}

unsigned short CBACnetTypes::GetSubTypeIndex(unsigned short dataType, const wchar_t* key)
{
    if (!key || !*key)
        return 0;
    wchar_t* stop = nullptr;
    const double number = std::wcstod(key, &stop);
    if (stop != key && *stop == 0)
        return static_cast<unsigned short>(TruncToInt64(number));

    switch (dataType) {
    case DT_BIT_STRING:
        return static_cast<unsigned short>(_wtoi(key));
    case DT_DATE:
        return FindKey(key, kDateKeys, Count(kDateKeys));
    case DT_TIME:
        return FindKey(key, kTimeKeys, Count(kTimeKeys));
    case DT_OBJECT_ID:
        return FindKey(key, kObjectIDKeys, Count(kObjectIDKeys));
    case DT_DATE_TIME:
        return FindKey(key, kDateTimeKeys, Count(kDateTimeKeys));
    default:
        return 0;
    }
}

void CBACnetTypes::GetTagVal(unsigned char* data, unsigned char dataType, CTagVal& value, unsigned short hostType,
                             unsigned short subType, int isNull)
{
    GetTagVal(data, dataType, value, hostType, subType, isNull, INT_MAX);
}

void CBACnetTypes::GetTagVal(unsigned char* data, unsigned char dataType, CTagVal& value, unsigned short hostType,
                             unsigned short subType, int isNull, int size)
{
    if (dataType == DT_NULL) {
        value.SetInvalidVal();
        return;
    }
    // Every other data type reads the buffer; a value wider than the buffer
    // delivers nothing.
    auto fits = [&](int n) { return data && size >= n; };
    const bool text = hostType == HOST_TEXT;

    switch (dataType) {
    case DT_BOOLEAN:
    case DT_BINARY_PV:
        if (!text && fits(1))
            value.SetVal(data[0] ? 1.0 : 0.0);
        return;
    case DT_SIGNED:
        if (!text && fits(4)) {
            int32_t v;
            memcpy(&v, data, sizeof v);
            value.SetVal(static_cast<double>(v));
        }
        return;
    case DT_REAL:
        if (!text && fits(4)) {
            float v;
            memcpy(&v, data, sizeof v);
            value.SetVal(static_cast<double>(v));
        }
        return;
    case DT_DOUBLE:
        if (!text && fits(8)) {
            double v;
            memcpy(&v, data, sizeof v);
            value.SetVal(v);
        }
        return;
    case DT_OCTET_STRING:
    case DT_CHARACTER_STRING:
        if (text && data && size > 0) {
            const void* zero = memchr(data, 0, static_cast<size_t>(size));
            const size_t n = zero ? static_cast<const unsigned char*>(zero) - data : static_cast<size_t>(size);
            value.SetAnsiText(reinterpret_cast<const char*>(data), n);
        }
        return;
    case DT_BIT_STRING:
        if (!text && fits(subType / 8 + 1))
            value.SetVal(static_cast<double>((data[subType / 8] >> (7 - subType % 8)) & 1));
        return;
    case DT_ENUMERATED:
    case DT_OBJECT_TYPE:
    case DT_EVENT_STATE:
    case DT_RELIABILITY:
    case DT_ENGINEERING_UNITS:
    case DT_NOTIFY_TYPE:
    case DT_POLARITY:
        if (!text && fits(1))
            value.SetVal(static_cast<double>(data[0]));
        return;
    case DT_DATE:
    case DT_TIME:
        if (!fits(4))
            return;
        if (text && dataType == DT_DATE)
            SetText(value, "%d/%d/%d", data[3] + 1900, data[2], data[1]);
        else if (text)
            SetText(value, "%d:%d:%d", data[3], data[2], data[1]);
        else if (dataType == DT_DATE && subType == 3)
            value.SetVal(static_cast<double>(data[3] + 1900));
        else if (subType < 4)
            value.SetVal(static_cast<double>(data[subType]));
        return;
    case DT_OBJECT_ID:
        if (!text && fits(4)) {
            const uint32_t id = Load32(data);
            if (subType == 0)
                value.SetVal(static_cast<double>(id >> 22));
            else if (subType == 1)
                value.SetVal(static_cast<double>(id & 0x3FFFFF));
        }
        return;
    case DT_DATE_TIME:
        if (!fits(8))
            return;
        if (text)
            SetText(value, "%d/%d/%d %d:%d:%d", data[3] + 1900, data[2], data[1], data[7], data[6], data[5]);
        else if (subType == 3)
            value.SetVal(static_cast<double>(data[3] + 1900));
        else if (subType < 8)
            value.SetVal(static_cast<double>(data[subType]));
        return;
    case DT_PRIORITY_VALUE:
        if (!fits(4))
            return;
        switch (hostType) {
        case HOST_FLOAT: {
            float v;
            memcpy(&v, data, sizeof v);
            value.SetVal(static_cast<double>(v));
            return;
        }
        case 0: case 1: case 2: case 6: case 7: case 8:
            value.SetVal(isNull ? -1.0 : static_cast<double>(Load32(data)));
            return;
        case 3: case 4: case 5: case 9: case 10: case 11: case 13:
            value.SetVal(static_cast<double>(Load32(data)));
            return;
        default:
            return;  // text tags and codes above
        }
    default:
        // Unsigned, and every code without a meaning of its own.
        if (!text && fits(4))
            value.SetVal(static_cast<double>(Load32(data)));
        return;
    }
}

int CBACnetTypes::SetTagVal(unsigned char* scratch, unsigned char* buf, int& len, unsigned char dataType,
                            CTagVal& value)
{
    return SetTagVal(scratch, buf, len, dataType, value, PropertyScratchSize(dataType));
}

int CBACnetTypes::SetTagVal(unsigned char* scratch, unsigned char* buf, int& len, unsigned char dataType,
                            CTagVal& value, int scratchSize)
{
    const bool text = value.GetType() == CTagVal::typeText;
    auto room = [&](int n) { return scratch && scratchSize >= n; };
    CBACnetTag tag;

    switch (dataType) {
    case DT_OCTET_STRING:
    case DT_CHARACTER_STRING: {
        if (!text)
            return 1;  // a number has no text form here: nothing to send
        CString& str = value.GetValStr();
        const std::string ansi = HostWideToAnsi(str.GetString(), static_cast<size_t>(str.GetLength()));
        // The converted octets travel with their 0 byte. Too long a text is
        // refused rather than cut: a shortened text is not what the host wrote.
        const int n = static_cast<int>(ansi.size()) + 1;
        if (!room(n))
            return 0;
        memcpy(scratch, ansi.c_str(), n);
        tag.MakeStringFrame(buf, len, n, reinterpret_cast<const wchar_t*>(scratch));
        return 1;
    }
    case DT_NULL:
    case DT_BIT_STRING:
    case DT_DATE:
    case DT_TIME:
    case DT_OBJECT_ID:
    case DT_DATE_TIME:
        return 0;
    default:
        break;
    }
    if (text)
        return 0;

    const double v = value.GetVal();
    // Puts `number` in scratch and writes it as application `type`, high-order
    // octet first (or in order, for an enumeration), taking `octets` of it.
    auto put = [&](auto number, int type, int octets) {
        if (!room(sizeof number))
            return 0;
        memcpy(scratch, &number, sizeof number);
        if (type == CBACnetTag::TYPE_ENUMERATED)
            tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_APPLICATION, type, octets, scratch);
        else
            tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_APPLICATION, type, octets, scratch);
        return 1;
    };
    switch (dataType) {
    case DT_BOOLEAN: {
        // A Boolean tag carries 0 or 1 in its header; any other number
        // would make a header that claims content.
        const int32_t b = TruncToInt32(v) != 0;
        if (!room(4))
            return 0;
        memcpy(scratch, &b, 4);
        tag.MakeBoolFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_BOOLEAN, b);
        return 1;
    }
    case DT_UNSIGNED:
        return put(static_cast<uint32_t>(static_cast<uint64_t>(TruncToInt64(v))), CBACnetTag::TYPE_UNSIGNED, 4);
    case DT_SIGNED:
        return put(TruncToInt32(v), CBACnetTag::TYPE_SIGNED, 4);
    case DT_REAL:
        return put(ToFloat(v), CBACnetTag::TYPE_REAL, 4);
    case DT_DOUBLE:
        return put(v, CBACnetTag::TYPE_DOUBLE, 8);
    case DT_ENUMERATED:
    case DT_BINARY_PV:
    case DT_OBJECT_TYPE:
    case DT_EVENT_STATE:
    case DT_RELIABILITY:
    case DT_ENGINEERING_UNITS:
    case DT_NOTIFY_TYPE:
    case DT_POLARITY:
        return put(static_cast<unsigned char>(TruncToInt32(v)), CBACnetTag::TYPE_ENUMERATED, 1);
    case DT_PRIORITY_VALUE:
        if (value.GetType() == CTagVal::typeFloat)
            return put(ToFloat(v), CBACnetTag::TYPE_REAL, 4);
        if (v == -1.0) {
            tag.MakeNullFrame(buf, len);  // -1 relinquishes the slot
            return 1;
        }
        return put(static_cast<unsigned char>(TruncToInt32(v)), CBACnetTag::TYPE_UNSIGNED, 1);
    default:
        return 0;  // 13 to 15 and 25 up have no wire form
    }
}

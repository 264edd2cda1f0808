// Conversion of single property values between the tagged bytes of a frame,
// a decoded value buffer (the raw value in host form, as the tag codec
// leaves it) and the host's tag value.
//
// Decoded value buffer, by data type: Boolean, enumerations and BinaryPV one
// byte; Unsigned, Signed, Real, object identifier and priority-array element
// 32 bits; Double 64 bits; Date day-of-week, day, month, year-1900; Time
// hundredths, second, minute, hour; DateTime the Date bytes then the Time
// bytes; strings their octets then a 0 byte; bit strings the bit octets in
// wire order (bit 0 is the top bit of the first octet).
#pragma once

#include <climits>

#include "frame/Tag.h"
#include "library/Export.h"

class CTagVal;

class BACNET_API CBACnetTypes {
public:
    // Data type codes: 0 to 12 are the application tag numbers, 16 and up the
    // library's codes for enumerations and constructed values.
    enum : unsigned char {
        DT_NULL = 0,
        DT_BOOLEAN = 1,
        DT_UNSIGNED = 2,
        DT_SIGNED = 3,
        DT_REAL = 4,
        DT_DOUBLE = 5,
        DT_OCTET_STRING = 6,
        DT_CHARACTER_STRING = 7,
        DT_BIT_STRING = 8,
        DT_ENUMERATED = 9,
        DT_DATE = 10,
        DT_TIME = 11,
        DT_OBJECT_ID = 12,
        DT_BINARY_PV = 16,          // inactive 0, active 1
        DT_OBJECT_TYPE = 17,
        DT_EVENT_STATE = 18,
        DT_RELIABILITY = 19,
        DT_ENGINEERING_UNITS = 20,
        DT_NOTIFY_TYPE = 21,
        DT_POLARITY = 22,
        DT_DATE_TIME = 23,          // a Date tag followed by a Time tag
        DT_PRIORITY_VALUE = 24,     // priority-array element: Null, Unsigned or Real
    };

    // Host tag types with a meaning of their own; every other code is a
    // numeric tag.
    enum : unsigned short {
        HOST_FLOAT = 12,  // priority-array elements are delivered as float
        HOST_TEXT = 14,   // values are delivered as text
    };

    // Decodes the application-tagged value at buf[len] into `data` (room for
    // `size` octets) by the tag's own number; `dataType` is not consulted.
    // A Null zero-fills `data` and sets isNull. A character string longer
    // than `size` - 1 characters is cut to fit (its whole content is still
    // consumed). The tag's end bounds the read. Returns 1, or 0 on a bad
    // header, a context tag or content the tag codec refuses.
    static int ReceiveDataTypeValue(unsigned char* data, unsigned short dataType, unsigned short size,
                                    CBACnetTag& tag, unsigned char* buf, int& len, int& isNull);
    // The same, bounded by `end` (which becomes the tag's end).
    static int ReceiveDataTypeValue(unsigned char* data, unsigned short dataType, unsigned short size,
                                    CBACnetTag& tag, unsigned char* buf, int& len, int& isNull, int end);

    // The sub-type index of a name's key: a decimal key is its own index,
    // otherwise the key's position in the data type's key list (0 if absent).
    static unsigned short GetSubTypeIndex(unsigned short dataType, const wchar_t* key);

    // Sets `value` from a decoded value buffer, or leaves it untouched where
    // the data type has nothing for that host tag type or sub-type.
    static void GetTagVal(unsigned char* data, unsigned char dataType, CTagVal& value, unsigned short hostType,
                          unsigned short subType, int isNull);
    // The same, reading nothing at or beyond data[size]: a sub-type or bit
    // number outside the buffer delivers nothing, and a string without a 0
    // byte ends at the buffer's end.
    static void GetTagVal(unsigned char* data, unsigned char dataType, CTagVal& value, unsigned short hostType,
                          unsigned short subType, int isNull, int size);

    // Encodes `value` at buf[len] as an application-tagged value of
    // `dataType`, leaving the converted raw value in `scratch`. Returns 1 when
    // accepted (a number for a string property is accepted and encodes
    // nothing), 0 when refused with buf and len untouched. `scratch` must
    // hold the data type's catalogue size plus 3 octets, as a property's
    // buffer does.
    static int SetTagVal(unsigned char* scratch, unsigned char* buf, int& len, unsigned char dataType,
                         CTagVal& value);
    // The same with the scratch room given: a text whose converted octets and
    // 0 byte exceed `scratchSize` is refused, never cut.
    static int SetTagVal(unsigned char* scratch, unsigned char* buf, int& len, unsigned char dataType,
                         CTagVal& value, int scratchSize);
};

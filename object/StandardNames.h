// The standard's enumerations as constant tables of named rows: object
// types, property identifiers, engineering units, error classes and codes,
// reject and abort reasons, and the smaller enumerations and bit names a
// person reads. Names are spelt as the standard spells them, lower case with
// hyphens ("present-value", "analog-input", "degrees-celsius").
//
// The catalogue (PropertyCatalogue.h) keeps the driver's own closed
// vocabulary; these tables are the open standard beside it.
#pragma once

#include <cstddef>
#include <string>

#include "library/Export.h"

struct BACnetNamedValue {
    unsigned m_value;
    const char* m_name;
};

// The enumerations, each one table.
enum BACnetEnumeration {
    BACNET_ENUM_OBJECT_TYPE,          // 0..1023 (128 and up proprietary)
    BACNET_ENUM_PROPERTY_ID,          // 0..4194303
    BACNET_ENUM_ENGINEERING_UNITS,    // 0..65535
    BACNET_ENUM_ERROR_CLASS,
    BACNET_ENUM_ERROR_CODE,
    BACNET_ENUM_REJECT_REASON,
    BACNET_ENUM_ABORT_REASON,
    BACNET_ENUM_SEGMENTATION,
    BACNET_ENUM_EVENT_STATE,
    BACNET_ENUM_RELIABILITY,
    BACNET_ENUM_BINARY_PV,
    BACNET_ENUM_POLARITY,
    BACNET_ENUM_DEVICE_STATUS,
    BACNET_ENUM_CONFIRMED_SERVICE,
    BACNET_ENUM_UNCONFIRMED_SERVICE,
    // Bit names, by bit number.
    BACNET_ENUM_SERVICES_SUPPORTED,   // protocol-services-supported
    BACNET_ENUM_OBJECT_TYPES_SUPPORTED,  // protocol-object-types-supported (the object type names)
    BACNET_ENUM_STATUS_FLAGS,
    // The BACnet/IP link: BVLC functions and BVLC-Result codes.
    BACNET_ENUM_BVLC_FUNCTION,        // 0..255
    BACNET_ENUM_BVLC_RESULT,          // 0..65535
    BACNET_ENUM_COUNT
};

// The rows of one enumeration, sorted by value; `count` receives their number.
// Null (count 0) for an enumeration outside the list.
BACNET_API const BACnetNamedValue* BACnetEnumRows(int enumeration, size_t& count);
// The largest value the enumeration admits (a number beyond its named rows
// is still a valid value up to this).
BACNET_API unsigned BACnetEnumMax(int enumeration);
// The standard's name of `value`, or null when it has none.
BACNET_API const char* BACnetEnumName(int enumeration, unsigned value);
// The name, or the decimal number when the value has no name.
BACNET_API std::string BACnetEnumText(int enumeration, unsigned value);
// Name (case ignored, '_' taken as '-') or decimal number up to the
// enumeration's maximum, to its value. 1 found, 0 refused.
BACNET_API int BACnetEnumValue(int enumeration, const char* text, unsigned& value);

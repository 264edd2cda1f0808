// One property definition of the fixed catalogue: what a host tag bound to
// that property of an object type reads, decodes and converts.
#pragma once

#include "host/Types.h"

#pragma pack(push, 1)
struct _BACnetPropertyDef {
    WORD m_propertyID;  // BACnet property identifier
    BYTE m_dataType;    // data type code (CBACnetTypes::DT_...)
    BYTE m_dataSize;    // octets a decoded value takes; bits for a bit string
    BYTE m_isArray;     // 1: addressed with an array index
    BYTE m_writable;    // 0: identity and status properties
    BYTE m_textValue;   // 1: can be delivered to a text tag
};
#pragma pack(pop)

static_assert(sizeof(_BACnetPropertyDef) == 7, "a definition record is packed");

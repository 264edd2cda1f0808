// The 32-bit BACnet object identifier, held in host order: the instance
// number in the low 22 bits, the object type in the high 10 bits.
#pragma once

#include <cstring>

#include "host/Types.h"

// Interface name: kept as the replaced interface spells it.
struct _BACnetObjectID {
    DWORD m_instance : 22;
    DWORD m_type : 10;

    _BACnetObjectID() : m_instance(0), m_type(0) {}
    _BACnetObjectID(unsigned type, unsigned instance) : m_instance(instance & 0x3FFFFF), m_type(type & 0x3FF) {}

    // The identifier as one host-order 32-bit value, as it goes on the wire.
    DWORD GetValue() const { return (DWORD(m_type) << 22) | m_instance; }
    void SetValue(DWORD value)
    {
        m_instance = value & 0x3FFFFF;
        m_type = value >> 22;
    }
};

static_assert(sizeof(_BACnetObjectID) == 4, "the object identifier is one 32-bit word");

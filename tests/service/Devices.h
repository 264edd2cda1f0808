// Device records and bound host tags for service tests.
#pragma once

#include <memory>

#include "host/String.h"
#include "object/OBJ.h"
#include "object/ObjTypes.h"

// A record on the local network with the given accepted APDU size.
inline CBACnetOBJ LocalDevice(unsigned short maxAPDU = 1400)
{
    CBACnetOBJ obj;
    obj.m_maxAPDU = maxAPDU;
    return obj;
}

// A host tag bound by property name; null when the binding is refused.
inline std::unique_ptr<CBACnetObjTypes> Bind(unsigned type, unsigned instance, const wchar_t* name,
                                             unsigned short hostType = 12)
{
    auto tag = std::make_unique<CBACnetObjTypes>(_BACnetObjectID(type, instance));
    CString text(name);
    unsigned short subType = 0;
    if (!tag->CreateProperty(text, subType, hostType))
        return nullptr;
    return tag;
}

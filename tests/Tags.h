// Host tags bound by property name, as a driver binds them.
#pragma once

#include <memory>

#include "host/String.h"
#include "object/ObjTypes.h"

// Binds property `name` of object (type, instance); null when the binding is
// refused. `subType` receives the sub-type the name selects.
inline std::unique_ptr<CBACnetObjTypes> Bind(unsigned type, unsigned instance, const wchar_t* name,
                                             unsigned short hostType = 0, unsigned short* subType = nullptr)
{
    auto tag = std::make_unique<CBACnetObjTypes>(_BACnetObjectID(type, instance));
    CString text(name);
    unsigned short sub = 0xFFFF;
    if (!tag->CreateProperty(text, sub, hostType))
        return nullptr;
    if (subType)
        *subType = sub;
    return tag;
}

// Steps shared by the service encoders and decoders: an object identifier
// as a tagged value, and one tagged value read through a bounded tag decoder.
#pragma once

#include "frame/ObjectID.h"
#include "frame/Tag.h"
#include "property/PropertyID.h"

namespace bacnetcodec::detail {

// Writes `id` as a four-octet tagged value, most significant octet first.
inline void MakeObjectIDFrame(CBACnetTag& tag, unsigned char* buf, int& len, int cls, int tagNumber,
                              const _BACnetObjectID& id)
{
    tag.MakeWord32Frame(buf, len, cls, tagNumber, id.GetValue());
}

// The property a ReadProperty or WriteProperty request names: object
// identifier (context 0), property identifier (context 1) and, unless the
// codec holds none, the array index (context 2).
inline void MakePropertyRefFrame(CBACnetTag& tag, unsigned char* buf, int& len, CBACnetPropertyID& prop)
{
    MakeObjectIDFrame(tag, buf, len, CBACnetTag::CLASS_CONTEXT, 0, prop.m_objectID);
    tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 1, 1, &prop.m_propertyID);
    if (prop.m_arrayIndex != CBACnetPropertyID::NO_ARRAY_INDEX)
        tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 2, 1, &prop.m_arrayIndex);
}

// A tag header and its content as data type `type` into `size` octets at `out`.
// Tag number and class are not checked: the caller knows what comes next.
inline int ReadValue(CBACnetTag& in, unsigned char* buf, int& len, void* out, int type, int size)
{
    int isNull;
    return in.ReadHeaderFrame(buf, len) && in.ReadDataFrame(out, type, size, buf, len, isNull);
}

// A tag header and a four-octet object identifier; `id` changes only on success.
inline int ReadObjectID(CBACnetTag& in, unsigned char* buf, int& len, _BACnetObjectID& id)
{
    DWORD value;
    if (!in.ReadHeaderFrame(buf, len) || !in.ReadWord32(buf, len, CBACnetTag::TYPE_OBJECT_ID, value))
        return 0;
    id.SetValue(value);
    return 1;
}

// A tag header and an unsigned or enumerated value of at most `size` octets
// (1, 2 or 4) into a host integer. Unsigned content arrives reversed into
// host order; enumerated content keeps wire order, which for one octet is the same.
template <typename T>
int ReadInteger(CBACnetTag& in, unsigned char* buf, int& len, T& out, int type)
{
    unsigned char host[sizeof(T)];
    if (!ReadValue(in, buf, len, host, type, sizeof host))
        return 0;
    T value = 0;
    for (int i = sizeof(T) - 1; i >= 0; i--)
        value = static_cast<T>((value << 8) | host[i]);
    out = value;
    return 1;
}

}  // namespace bacnetcodec::detail

#include "Names.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <strings.h>

namespace tool {

namespace {

constexpr const char* kPduTypeNames[] = {"Confirmed-Request", "Unconfirmed-Request", "Simple-ACK", "Complex-ACK",
                                         "Segment-ACK", "Error", "Reject", "Abort"};

// The catalogue's codes 18 to 20 travel as another BACnet object type.
struct WireType {
    unsigned catalogue;
    unsigned bacnet;
};
constexpr WireType kWireTypes[] = {{18, 151}, {19, 152}, {20, 23}};

// Two-letter forms of types the catalogue does not name.
constexpr BACnetNamedValue kExtraShortNames[] = {{19, "MV"}, {20, "TL"}};

bool ParseNumber(const std::string& text, unsigned long limit, unsigned long& out)
{
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return isdigit((unsigned char)c); }))
        return false;
    out = strtoul(text.c_str(), nullptr, 10);
    return out <= limit;
}

bool SameName(const std::string& a, const char* b)
{
    return b != nullptr && *b != '\0' && strcasecmp(a.c_str(), b) == 0;
}

bool ParseObjectType(const std::string& text, unsigned& type)
{
    if (BACnetEnumValue(BACNET_ENUM_OBJECT_TYPE, text.c_str(), type))
        return true;
    for (const BACnetNamedValue& row : kExtraShortNames)
        if (SameName(text, row.m_name)) {
            type = row.m_value;
            return true;
        }
    for (unsigned k = 0; k < static_cast<unsigned>(CBACnetOBJ::OBJ_TYPES); k++)
        if (SameName(text, CBACnetOBJ::str_BACnetObjAddrType[k]) || SameName(text, CBACnetOBJ::str_BACnetObjType[k])) {
            type = k;
            for (const WireType& w : kWireTypes)
                if (k == w.catalogue)
                    type = w.bacnet;
            return true;
        }
    return false;
}

long FindProperty(const std::string& name)
{
    unsigned value;
    if (BACnetEnumValue(BACNET_ENUM_PROPERTY_ID, name.c_str(), value))
        return static_cast<long>(value);
    // The catalogue's own spellings ("PresentValue", "priorityarray") name
    // identifiers below 4096.
    for (int id = 0; id < 4096; id++)
        if (SameName(name, CBACnetObjTypes::GetStr_BACnetPropertyID(id)))
            return id;
    return -1;
}

}  // namespace

bool ParseObject(const std::string& text, _BACnetObjectID& out, std::string* error)
{
    const size_t split = text.find_first_of(":,");
    unsigned long instance;
    if (split == std::string::npos || !ParseNumber(text.substr(split + 1), 0x3FFFFF, instance)) {
        if (error)
            *error = "object '" + text + "' is not TYPE:INSTANCE (analog-input:1, AI:1, 0:1; instance 0 to 4194303)";
        return false;
    }
    const std::string typeText = text.substr(0, split);
    unsigned type;
    if (!ParseObjectType(typeText, type)) {
        if (error)
            *error = "unknown object type '" + typeText + "' (a name such as analog-input, or a number 0 to 1023)";
        return false;
    }
    out = _BACnetObjectID(type, static_cast<unsigned>(instance));
    return true;
}

bool CatalogueType(unsigned bacnetType, unsigned& catalogue)
{
    for (const WireType& w : kWireTypes)
        if (bacnetType == w.bacnet) {
            catalogue = w.catalogue;
            return true;
        }
    if (bacnetType >= 18)
        return false;
    catalogue = bacnetType;
    return true;
}

std::string ObjectText(const _BACnetObjectID& id)
{
    return BACnetEnumText(BACNET_ENUM_OBJECT_TYPE, id.m_type) + ":" + std::to_string(id.m_instance);
}

std::string ObjectText(DWORD value)
{
    _BACnetObjectID id;
    id.SetValue(value);
    return ObjectText(id);
}

std::string CatalogueObjectText(const _BACnetObjectID& id)
{
    for (const WireType& w : kWireTypes)
        if (id.m_type == w.catalogue)
            return ObjectText(_BACnetObjectID(w.bacnet, id.m_instance));
    return ObjectText(id);
}

bool ParseProperty(const std::string& text, PropertyRef& out, std::string* error)
{
    out = PropertyRef();
    out.text = text;
    std::string rest = text;
    const size_t open = rest.find('[');
    if (open != std::string::npos) {
        const size_t close = rest.find(']', open);
        if (close == std::string::npos || !ParseNumber(rest.substr(open + 1, close - open - 1), 4294967294UL, out.index) ||
            (close + 1 < rest.size() && rest[close + 1] != '.')) {
            if (error)
                *error = "bad array index in '" + text + "' (0 to 4294967294)";
            return false;
        }
        out.hasIndex = true;
        out.name = rest.substr(0, open);
        if (close + 1 < rest.size())
            out.key = rest.substr(close + 2);
    } else {
        const size_t dot = rest.find('.');
        out.name = rest.substr(0, dot);
        if (dot != std::string::npos)
            out.key = rest.substr(dot + 1);
    }
    out.id = FindProperty(out.name);
    if (out.id < 0) {
        if (error)
            *error = "unknown property '" + out.name + "' (a name such as present-value, or a number 0 to 4194303)";
        return false;
    }
    return true;
}

std::string PropertyName(unsigned long id)
{
    if (id > 0xFFFFFFFFUL)
        return std::to_string(id);
    return BACnetEnumText(BACNET_ENUM_PROPERTY_ID, static_cast<unsigned>(id));
}

std::string ConfirmedServiceName(int choice)
{
    return BACnetEnumText(BACNET_ENUM_CONFIRMED_SERVICE, static_cast<unsigned>(choice));
}

std::string UnconfirmedServiceName(int choice)
{
    return BACnetEnumText(BACNET_ENUM_UNCONFIRMED_SERVICE, static_cast<unsigned>(choice));
}

std::string SegmentationName(int segmentation)
{
    return BACnetEnumText(BACNET_ENUM_SEGMENTATION, static_cast<unsigned>(segmentation));
}

const char* PduTypeName(int type)
{
    return type >= 0 && type < 8 ? kPduTypeNames[type] : "unknown PDU type";
}

std::string ErrorText(unsigned errorClass, unsigned errorCode)
{
    return BACnetEnumText(BACNET_ENUM_ERROR_CLASS, errorClass) + ": " +
           BACnetEnumText(BACNET_ENUM_ERROR_CODE, errorCode);
}

}  // namespace tool

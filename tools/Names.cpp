#include "Names.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <strings.h>

namespace tool {

namespace {

constexpr const char* kServiceNames[] = {
    "acknowledgeAlarm", "confirmedCOVNotification", "confirmedEventNotification", "getAlarmSummary",
    "getEnrollmentSummary", "subscribeCOV", "atomicReadFile", "atomicWriteFile", "addListElement",
    "removeListElement", "createObject", "deleteObject", "readProperty", "readPropertyConditional",
    "readPropertyMultiple", "writeProperty", "writePropertyMultiple", "deviceCommunicationControl",
    "confirmedPrivateTransfer", "confirmedTextMessage", "reinitializeDevice", "vtOpen", "vtClose", "vtData",
    "authenticate", "requestKey", "i-Am", "i-Have", "unconfirmedCOVNotification",
    "unconfirmedEventNotification", "unconfirmedPrivateTransfer", "unconfirmedTextMessage",
    "timeSynchronization", "who-Has", "who-Is",
};
constexpr int kConfirmedServices = 26;
constexpr int kServiceCount = sizeof kServiceNames / sizeof kServiceNames[0];

constexpr const char* kSegmentationNames[] = {"both", "transmit", "receive", "none"};
constexpr const char* kPduTypeNames[] = {"Confirmed-Request", "Unconfirmed-Request", "Simple-ACK", "Complex-ACK",
                                         "Segment-ACK", "Error", "Reject", "Abort"};

// Catalogue codes that travel as another BACnet object type.
struct WireType {
    unsigned catalogue;
    unsigned wire;
};
constexpr WireType kWireTypes[] = {{18, 151}, {19, 152}, {20, 23}};

bool ParseUnsigned(const std::string& text, unsigned long limit, unsigned long& out)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return isdigit((unsigned char)c); }))
        return false;
    out = strtoul(text.c_str(), nullptr, 10);
    return out <= limit && text.size() < 12;
}

bool SameName(const std::string& a, const char* b)
{
    return b != nullptr && *b != '\0' && strcasecmp(a.c_str(), b) == 0;
}

int FindProperty(const std::string& name)
{
    unsigned long number;
    if (ParseUnsigned(name, 0xFFFF, number))
        return static_cast<int>(number);
    // Named identifiers beyond the table lie below 4096.
    for (int id = 0; id < 4096; id++)
        if (SameName(name, CBACnetObjTypes::GetStr_BACnetPropertyID(id)))
            return id;
    return -1;
}

}  // namespace

bool ParseObject(const std::string& text, _BACnetObjectID& out, std::string* error)
{
    const size_t colon = text.find(':');
    unsigned long instance;
    if (colon == std::string::npos || !ParseUnsigned(text.substr(colon + 1), 0x3FFFFF, instance)) {
        if (error)
            *error = "object '" + text + "' is not TYPE:INSTANCE (e.g. AI:3, Device:1234)";
        return false;
    }
    const std::string type = text.substr(0, colon);
    unsigned long code;
    bool found = ParseUnsigned(type, CBACnetOBJ::OBJ_TYPES - 1, code);
    for (int k = 0; !found && k < CBACnetOBJ::OBJ_TYPES; k++)
        if (SameName(type, CBACnetOBJ::str_BACnetObjAddrType[k]) || SameName(type, CBACnetOBJ::str_BACnetObjType[k])) {
            code = k;
            found = true;
        }
    if (!found) {
        if (error)
            *error = "unknown object type '" + type + "'";
        return false;
    }
    out = _BACnetObjectID(static_cast<unsigned>(code), static_cast<unsigned>(instance));
    return true;
}

_BACnetObjectID ToWire(_BACnetObjectID id)
{
    for (const WireType& w : kWireTypes)
        if (id.m_type == w.catalogue)
            return _BACnetObjectID(w.wire, id.m_instance);
    return id;
}

std::string ObjectText(const _BACnetObjectID& id)
{
    const std::string type = id.m_type < CBACnetOBJ::OBJ_TYPES ? CBACnetOBJ::str_BACnetObjAddrType[id.m_type]
                                                               : "type" + std::to_string(id.m_type);
    return type + ":" + std::to_string(id.m_instance);
}

std::string WireObjectText(DWORD value)
{
    _BACnetObjectID id;
    id.SetValue(value);
    for (const WireType& w : kWireTypes)
        if (id.m_type == w.wire)
            return ObjectText(_BACnetObjectID(w.catalogue, id.m_instance));
    if (id.m_type >= 18)
        return "type" + std::to_string(id.m_type) + ":" + std::to_string(id.m_instance);
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
        unsigned long index;
        if (close == std::string::npos || !ParseUnsigned(rest.substr(open + 1, close - open - 1), 0xFFFF, index)) {
            if (error)
                *error = "bad array index in '" + text + "'";
            return false;
        }
        out.hasIndex = true;
        out.index = static_cast<unsigned>(index);
        out.name = rest.substr(0, open);
        rest = rest.substr(close + 1);
        if (!rest.empty() && rest[0] == '.')
            out.key = rest.substr(1);
    } else {
        const size_t dot = rest.find('.');
        out.name = rest.substr(0, dot);
        if (dot != std::string::npos)
            out.key = rest.substr(dot + 1);
    }
    out.id = FindProperty(out.name);
    if (out.id < 0) {
        if (error)
            *error = "unknown property '" + out.name + "'";
        return false;
    }
    return true;
}

std::string PropertyName(unsigned id)
{
    const char* name = CBACnetObjTypes::GetStr_BACnetPropertyID(static_cast<int>(id));
    return name && *name ? std::string(name) : "property" + std::to_string(id);
}

const char* ServiceName(int bit)
{
    return bit >= 0 && bit < kServiceCount ? kServiceNames[bit] : "unknown service";
}

const char* ConfirmedServiceName(int choice)
{
    return choice >= 0 && choice < kConfirmedServices ? kServiceNames[choice] : "unknown service";
}

const char* UnconfirmedServiceName(int choice)
{
    return choice >= 0 && choice < kServiceCount - kConfirmedServices ? kServiceNames[kConfirmedServices + choice]
                                                                      : "unknown service";
}

const char* SegmentationName(int segmentation)
{
    return segmentation >= 0 && segmentation < 4 ? kSegmentationNames[segmentation] : "unknown";
}

const char* PduTypeName(int type)
{
    return type >= 0 && type < 8 ? kPduTypeNames[type] : "unknown PDU type";
}

}  // namespace tool

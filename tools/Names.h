// Names on the command line and in output: objects by the library's
// two-letter codes ("AI:3"), properties by the library's property names,
// and the tool's own tables of service and segmentation names.
#pragma once

#include <string>

#include <bacnetcodec/bacnetcodec.h>

namespace tool {

// "AI:3", "AnalogInput:3", "8:1234" (catalogue code), case ignored.
// The type is a catalogue code 0 to 20, as the object property set wants it.
bool ParseObject(const std::string& text, _BACnetObjectID& out, std::string* error);
// The identifier as it travels: catalogue codes 18, 19 and 20 are BACnet types 151, 152 and 23.
_BACnetObjectID ToWire(_BACnetObjectID catalogueID);
// "AI:3" for an identifier received from a device (BACnet object types).
std::string WireObjectText(DWORD value);
// "AI:3" for a catalogue identifier.
std::string ObjectText(const _BACnetObjectID& catalogueID);

// A property as written on the command line: name[index].key.
struct PropertyRef {
    std::string text;       // as given
    std::string name;       // before '[' and '.'
    int id = -1;            // property identifier, -1 unknown
    bool hasIndex = false;
    unsigned index = 0;
    std::string key;        // after '.', may be empty
};
bool ParseProperty(const std::string& text, PropertyRef& out, std::string* error);
// The library's name of a property identifier, or its number.
std::string PropertyName(unsigned id);

// BACnet service names: confirmed choice k and supported-services bit k for
// k below 26; unconfirmed choice u is entry 26 + u.
const char* ServiceName(int bit);
const char* ConfirmedServiceName(int choice);
const char* UnconfirmedServiceName(int choice);
const char* SegmentationName(int segmentation);
const char* PduTypeName(int type);

}  // namespace tool

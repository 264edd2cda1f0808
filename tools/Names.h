// Names on the command line and in output. Objects are written
// "analog-input:1", "analog-input,1", "AI:1" or "0:1" (the number is the
// BACnet object type); properties by the standard's name
// ("present-value"), by the library catalogue's name ("PresentValue") or
// by number. Everything printed can be fed back.
#pragma once

#include <string>

#include <bacnetcodec/bacnetcodec.h>

// The standard's names and the generic value (not in every umbrella header yet).
#include "object/StandardNames.h"
#include "property/Value.h"

namespace tool {

// The identifier as it travels: BACnet object type 0 to 1023, instance 0 to 4194303.
bool ParseObject(const std::string& text, _BACnetObjectID& out, std::string* error);
// The library catalogue's code of a BACnet object type (the catalogue names
// types 0 to 17, 23 and its own 151 and 152); false when it has none.
bool CatalogueType(unsigned bacnetType, unsigned& catalogue);
// "analog-input:1"; a type without a name as its number ("151:7").
std::string ObjectText(const _BACnetObjectID& id);
std::string ObjectText(DWORD value);
// The same for an identifier the library catalogue holds (codes 18 to 20
// are its own and travel as 151, 152 and 23).
std::string CatalogueObjectText(const _BACnetObjectID& catalogueID);

// A property as written on the command line: name[index].key.
struct PropertyRef {
    std::string text;       // as given
    std::string name;       // before '[' and '.'
    long id = -1;           // property identifier 0 to 4194303; -1 unknown
    bool hasIndex = false;
    unsigned long index = 0;  // 0 to 4294967294
    std::string key;        // after '.', may be empty
};
bool ParseProperty(const std::string& text, PropertyRef& out, std::string* error);
// The standard's name of a property identifier, or its number.
std::string PropertyName(unsigned long id);

// BACnet service names by confirmed or unconfirmed service choice.
std::string ConfirmedServiceName(int choice);
std::string UnconfirmedServiceName(int choice);
std::string SegmentationName(int segmentation);
const char* PduTypeName(int type);

// "property: unknown-property", the class and code by the standard's names.
std::string ErrorText(unsigned errorClass, unsigned errorCode);

}  // namespace tool

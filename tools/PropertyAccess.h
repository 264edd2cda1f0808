// ReadProperty, WriteProperty and ReadPropertyMultiple for any object type,
// property identifier and array index, with values of any datatype: the
// service parameters are generic values (CBACnetValue) built and read by the
// library, behind the request headers of the library's services.
#pragma once

#include <string>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

#include "Client.h"
#include "Names.h"

namespace tool {

// One property of one object, as asked or as answered.
struct PropertyResult {
    _BACnetObjectID object;
    unsigned long property = 0;
    bool hasIndex = false;
    unsigned long index = 0;
    bool failed = false;            // the device answered with an Error for it
    unsigned errorClass = 0, errorCode = 0;
    std::vector<CBACnetValue> values;
    int valueAt = -1;               // ReadProperty: offset of the value's opening tag in the reply
};

// The property identifiers ReadPropertyMultiple takes for "all", "required" and "optional".
enum { PROPERTY_ALL = 8, PROPERTY_REQUIRED = 105, PROPERTY_OPTIONAL = 80 };

Request BuildReadRequest(CBACnetOBJ& device, const _BACnetObjectID& object, const PropertyRef& property);
// `values` inside the value's opening and closing tag; priority 1 to 16, or 0 none.
Request BuildWriteRequest(CBACnetOBJ& device, const _BACnetObjectID& object, const PropertyRef& property,
                          const std::vector<CBACnetValue>& values, unsigned priority);
// One object, each property without index.
Request BuildReadMultipleRequest(CBACnetOBJ& device, const _BACnetObjectID& object,
                                 const std::vector<unsigned long>& properties);

// Decode the service parameters of an acknowledgement, bounded by `end`.
// False with `why` when they do not have the acknowledgement's form.
bool ReadPropertyAck(const unsigned char* buf, int end, PropertyResult& out, std::string& why);
bool ReadMultipleAck(const unsigned char* buf, int end, std::vector<PropertyResult>& out, std::string& why);
// The parameters of a ReadProperty acknowledgement of `result` (a device's
// side; for tests and the fuzz oracle). False when they do not fit [len, end).
bool MakeReadPropertyAck(const PropertyResult& result, unsigned char* buf, int& len, int end);
// An Error reply's class and code.
bool ReadErrorParams(const unsigned char* buf, int end, unsigned& errorClass, unsigned& errorCode);

// True when the acknowledgement names what was asked; `why` says what differs.
bool Matches(const PropertyResult& asked, const PropertyResult& answered, std::string& why);

}  // namespace tool

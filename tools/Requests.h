// Every request the tool sends, built by the library's service encoders into
// a buffer of the tool's. The network commands send them; `encode` prints them.
#pragma once

#include <bacnetcodec/bacnetcodec.h>

#include "Client.h"

namespace tool {

Request BuildWhoIs();
// A Who-Has for `object`, addressed like `device` (a local device: a global broadcast).
Request BuildWhoHas(CBACnetOBJ& device, const _BACnetObjectID& object);
Request BuildTimeSync();
// ReadProperty of the codec's object, property and array index.
Request BuildReadProperty(CBACnetOBJ& device, CBACnetPropertyID& codec);
// ReadProperty of a property bound by name through the catalogue.
Request BuildReadProperty(CBACnetOBJ& device, CBACnetObjTypes& property);
// WriteProperty of a value the codec encodes (no priority).
Request BuildWriteProperty(CBACnetOBJ& device, CBACnetPropertyID& codec);
// WriteProperty of a host value to a bound property, with a priority 1 to 16 or none (0).
// Empty frame when the value does not convert to the property's data type.
Request BuildWriteProperty(CBACnetOBJ& device, CBACnetObjTypes& property, CTagVal& value, unsigned short priority);
Request BuildCreateObject(CBACnetOBJ& device, _BACnetObjectID object);
Request BuildDeleteObject(CBACnetOBJ& device, _BACnetObjectID object);
// The ReadPropertyMultiple request `rpm` holds after MakeHeaderFrame and MakeBodyFrame.
Request TakeRequest(CBACnetReadMultiService& rpm);

}  // namespace tool

// What `write OBJECT PROPERTY VALUE` sends: the value typed by the
// property's datatype (or --tag, or what the device holds now), a Null
// that relinquishes, and the refusals that keep a wrong value off the wire.
#pragma once

#include <functional>
#include <string>

#include "Names.h"
#include "PropertyAccess.h"

namespace tool {

struct WritePlan {
    _BACnetObjectID object;
    PropertyRef property;
    CBACnetValue value;
    unsigned priority = 0;  // 1 to 16, 0 none
};

// Asks the device for the property's application tag when neither --tag nor
// the tool's table says it: -1 when it cannot tell (`error` says why).
using AskDatatype = std::function<int(const WritePlan&, std::string& error)>;

// effective-period and list-of-object-property-reference written whole from
// text by their property codecs (no --tag, no priority).
bool WrittenByCodec(const std::string& property, bool tagGiven, bool priorityGiven);

// `tagWord` empty: typed by the property. `ask` may be empty (no network).
bool PlanWriteValue(const std::string& object, const std::string& property, const std::string& value,
                    const std::string& tagWord, unsigned priority, const AskDatatype& ask, WritePlan& plan,
                    std::string& error);
Request BuildWrite(CBACnetOBJ& device, const WritePlan& plan);
// "analog-output:1 present-value = null at priority 8"
std::string WriteText(const WritePlan& plan);

}  // namespace tool

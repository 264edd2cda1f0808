// What `read` and `write` of OBJECT PROPERTY [VALUE] turn into: the
// property's codec where the library has one for it, the catalogue binding
// (a host value) otherwise. Shared by the network commands and `encode`.
#pragma once

#include <memory>
#include <string>

#include "Binding.h"
#include "Client.h"
#include "Names.h"
#include "PropertyValues.h"

namespace tool {

struct PropertyPlan {
    _BACnetObjectID object;                 // catalogue code
    PropertyRef property;
    std::unique_ptr<PropertyValue> codec;   // the codec path, when set
    Binding binding;                        // the catalogue path otherwise
    CTagVal value;                          // the host value to write
    unsigned short priority = 0;            // 1 to 16, 0 none

    bool UsesCodec() const { return codec != nullptr; }
};

bool PlanRead(const std::string& object, const std::string& property, PropertyPlan& plan, std::string& error);
// `priority` 0: none. A priority always takes the catalogue path, as only
// the host-value write carries one.
bool PlanWrite(const std::string& object, const std::string& property, const std::string& value,
               unsigned short priority, PropertyPlan& plan, std::string& error);

Request BuildRead(CBACnetOBJ& device, PropertyPlan& plan);
// Decodes a ReadProperty acknowledgement into the plan's codec or binding.
bool DecodeRead(PropertyPlan& plan, Reply& reply);
// Empty frame when the library refuses the value for the property's data type.
Request BuildWrite(CBACnetOBJ& device, PropertyPlan& plan);

}  // namespace tool

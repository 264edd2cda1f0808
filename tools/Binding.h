// A host tag bound by name to one property of one remote object, the way
// the driver binds its tags: CBACnetObjTypes::CreateProperty with the
// library's property names, then GetValue into a CTagVal.
#pragma once

#include <memory>
#include <string>

#include <bacnetcodec/bacnetcodec.h>

#include "Output.h"

namespace tool {

struct Binding {
    std::string name;                           // "AI:3/PresentValue", as given
    std::unique_ptr<CBACnetObjTypes> property;  // owned; bound
    unsigned short subType = 0;                 // from the name's key (localdate.year)
    unsigned short hostType = 0;                // the kind of host tag that receives the value
    bool delivered = false;                     // a value was handed over at least once
};

// Binds `property` (name[index].key) of `object` (AI:3). False with `error`
// when the object or the catalogue refuses.
bool Bind(const std::string& object, const std::string& property, Binding& out, std::string& error);
// "AI:3/PresentValue"
bool BindTag(const std::string& tag, Binding& out, std::string& error);

// With a new value waiting: hands it over as a host value, clears the change
// state, and returns true.
bool TakeValue(Binding& binding, CTagVal& value);
// "21.5", "Building 1", "null" for a received Null.
std::string ValueText(const Binding& binding, CTagVal& value);
void ValueJson(JsonWriter& json, const Binding& binding, CTagVal& value);

}  // namespace tool

// Generic values (CBACnetValue) for people: printed with the standard's
// names where the property says which enumeration or bit names apply, and
// read from command-line text by application tag.
#pragma once

#include <string>
#include <vector>

#include <bacnetcodec/client/Value.h>

#include "Names.h"

#include "Output.h"

namespace tool {

// Where a value was found: it decides which names its numbers carry.
struct ValueContext {
    unsigned objectType = 0;
    unsigned long property = 0;
};

// The enumeration (BACNET_ENUM_...) that names this property's Enumerated
// values, or -1.
int EnumerationOf(const ValueContext& where);
// The bit names (BACNET_ENUM_...) of this property's Bit Strings, or -1.
int BitNamesOf(const ValueContext& where);

// One value on one line: "21.5", "degrees-celsius", "analog-input:1",
// "2025-12-24", "{fault, out-of-service}", "\"Zone\"".
std::string ValueText(const CBACnetValue& value, const ValueContext& where);
// A value the client library decoded, printed the same ways.
std::string ClientValueText(const bacnet::Value& value, const ValueContext& where);
void ClientValueJson(JsonWriter& json, const bacnet::Value& value, const ValueContext& where);
// The same without quotes around texts (CSV cells).
std::string PlainValueText(const CBACnetValue& value, const ValueContext& where);
// The JSON form documented in the README.
void ValueJson(JsonWriter& json, const CBACnetValue& value, const ValueContext& where);

// "08:00", "08:00:30", "08:00:30.25" -> packed time; false when not a time.
bool ParseTime(const std::string& text, DWORD& time);
// The --tag words and the application tags (CBACnetTag::TYPE_...) they choose.
bool ParseTagName(const std::string& word, int& tag);
const char* TagName(int tag);
// The application tag a written value of this property takes, or -1 when
// it depends on the device (then the tool asks the device first).
int DatatypeOf(const ValueContext& where);
// True for the present value of an object type with a priority array.
bool IsCommandable(const ValueContext& where);
// Reads `text` as a value of application tag `tag`; the word "null" is the
// Null whatever the tag. False with `error` when the text does not fit.
bool ValueFromText(const std::string& text, int tag, const ValueContext& where, CBACnetValue& out,
                   std::string& error);

}  // namespace tool

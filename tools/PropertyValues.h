// The property codecs the tool reads and writes with, each wrapped with its
// printing (text and JSON) and, where the codec encodes, its parsing from
// command-line text. The wrapper holds the codec by value, so the codec is
// destroyed through its own class.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include <bacnetcodec/bacnetcodec.h>

#include "Output.h"

namespace tool {

class PropertyValue {
public:
    virtual ~PropertyValue() = default;
    virtual CBACnetPropertyID& Codec() = 0;
    // The value held, readably: one line, or a table for lists and schedules.
    virtual void Print(std::ostream& out) = 0;
    virtual void Json(JsonWriter& json) = 0;
    // True when Print writes a table under a heading line.
    virtual bool Table() const { return false; }
    // Sets the value to write from text; false (with `error`) when this codec
    // has no encoder or the text does not fit it.
    virtual bool Parse(const std::string& text, std::string& error);
};

// The codec for a property identifier; null when the library has none.
std::unique_ptr<PropertyValue> MakePropertyValue(unsigned propertyID);

// ISO 8601 "2024-12-25"; "*" for an unspecified part, and then the weekday
// when one is given ("*-12-*"... "(Wed)"). The packed form the codecs hold.
std::string DateText(DWORD date);
// "08:00:00", with hundredths when set.
std::string TimeText(DWORD time);
// "2024-12-25" -> packed date with its weekday; false when not a date.
bool ParseDate(const std::string& text, DWORD& date);

}  // namespace tool

#include "Binding.h"

#include "Names.h"

namespace tool {

namespace {

// Texts go to a text tag, dates and times too unless a key picks one part,
// priority-array elements to a floating tag (a Real keeps its value), and
// everything else to a numeric tag.
unsigned short HostTypeFor(const CBACnetObjTypes& property, bool hasKey)
{
    switch (property.m_dataType) {
    case CBACnetTypes::DT_OCTET_STRING:
    case CBACnetTypes::DT_CHARACTER_STRING:
        return CBACnetTypes::HOST_TEXT;
    case CBACnetTypes::DT_DATE:
    case CBACnetTypes::DT_TIME:
    case CBACnetTypes::DT_DATE_TIME:
        return hasKey ? 0 : CBACnetTypes::HOST_TEXT;
    case CBACnetTypes::DT_PRIORITY_VALUE:
        return CBACnetTypes::HOST_FLOAT;
    default:
        return 0;
    }
}

}  // namespace

bool Bind(const std::string& object, const std::string& property, Binding& out, std::string& error)
{
    _BACnetObjectID id;
    if (!ParseObject(object, id, &error))
        return false;
    out.name = object + "/" + property;
    out.property = std::make_unique<CBACnetObjTypes>(id);
    CString name = Wide(property);  // CreateProperty parses it in place
    if (!out.property->CreateProperty(name, out.subType, 0)) {
        error = std::string(CBACnetOBJ::str_BACnetObjType[id.m_type]) + " has no property '" + property +
                "' in the library's catalogue (or its array index is missing or not wanted)";
        return false;
    }
    out.hostType = HostTypeFor(*out.property, property.find('.') != std::string::npos);
    return true;
}

bool BindTag(const std::string& tag, Binding& out, std::string& error)
{
    const size_t slash = tag.find('/');
    if (slash == std::string::npos) {
        error = "tag '" + tag + "' is not OBJECT/PROPERTY (e.g. AI:3/PresentValue)";
        return false;
    }
    return Bind(tag.substr(0, slash), tag.substr(slash + 1), out, error);
}

bool TakeValue(Binding& binding, CTagVal& value)
{
    if (binding.property->IsChangeValue() != CBACnetObjTypes::CHANGE_NEW)
        return false;
    if (!binding.property->GetValue(value, binding.hostType, binding.subType))
        return false;
    binding.property->ResetChangeValue();
    binding.delivered = true;
    return true;
}

std::string ValueText(const Binding& binding, CTagVal& value)
{
    return binding.property->m_isNull ? "null" : TagValText(value);
}

void ValueJson(JsonWriter& json, const Binding& binding, CTagVal& value)
{
    if (binding.property->m_isNull || value.GetType() == CTagVal::typeInvalid || value.GetType() == CTagVal::typeEmpty)
        json.Null();
    else if (value.GetType() == CTagVal::typeText)
        json.String(Utf8(value.GetValStr()));
    else
        json.Number(value.GetVal());
}

}  // namespace tool

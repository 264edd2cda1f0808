#include "Binding.h"

#include "Names.h"

namespace tool {

namespace {

// Texts go to a text tag, dates and times too unless a key picks one part,
// priority-array elements of analog objects to a floating tag (a Real keeps
// its value; the binding holds the element's octets, not its tag, so an
// Enumerated or Unsigned element must go to an integer tag), and everything
// else to a numeric tag.
unsigned short HostTypeFor(const CBACnetObjTypes& property, unsigned bacnetType, bool hasKey)
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
        return bacnetType <= 2 ? CBACnetTypes::HOST_FLOAT : 0;
    default:
        return 0;
    }
}

}  // namespace

bool Bind(const std::string& object, const std::string& property, Binding& out, std::string& error)
{
    _BACnetObjectID wire;
    unsigned catalogue;
    PropertyRef ref;
    if (!ParseObject(object, wire, &error) || !ParseProperty(property, ref, &error))
        return false;
    if (!CatalogueType(wire.m_type, catalogue)) {
        error = "the library catalogue has no " + BACnetEnumText(BACNET_ENUM_OBJECT_TYPE, wire.m_type) +
                " to bind (read it with `read`)";
        return false;
    }
    // The catalogue parses its own spelling of the property, index and key.
    const char* own = CBACnetObjTypes::GetStr_BACnetPropertyID(static_cast<int>(ref.id));
    if (own == nullptr || *own == '\0') {
        error = "the library catalogue has no property " + PropertyName(ref.id) + " to bind (read it with `read`)";
        return false;
    }
    const std::string spelt = std::string(own) + (ref.hasIndex ? "[" + std::to_string(ref.index) + "]" : "") +
                              (ref.key.empty() ? "" : "." + ref.key);
    out.name = object + "/" + property;
    out.property = std::make_unique<CBACnetObjTypes>(_BACnetObjectID(catalogue, wire.m_instance));
    CString name = Wide(spelt);  // CreateProperty parses it in place
    if (!out.property->CreateProperty(name, out.subType, 0)) {
        error = std::string(CBACnetOBJ::str_BACnetObjType[catalogue]) + " has no property '" + property +
                "' in the library's catalogue (or its array index is missing or not wanted)";
        return false;
    }
    out.hostType = HostTypeFor(*out.property, wire.m_type, !ref.key.empty());
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

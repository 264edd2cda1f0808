#include "Plans.h"

#include <cstdlib>
#include <strings.h>

#include "Requests.h"

namespace tool {

namespace {

bool IsWord(const std::string& text, const char* word)
{
    return strcasecmp(text.c_str(), word) == 0;
}

// The command-line value as the host value a tag of this property would hold.
bool HostValue(const Binding& binding, const std::string& text, CTagVal& value, std::string& error)
{
    const unsigned char type = binding.property->m_dataType;
    if (type == CBACnetTypes::DT_CHARACTER_STRING || type == CBACnetTypes::DT_OCTET_STRING) {
        value.SetVal(Wide(text).GetString());
        return true;
    }
    double number;
    if (IsWord(text, "active") || IsWord(text, "true") || IsWord(text, "on")) {
        number = 1;
    } else if (IsWord(text, "inactive") || IsWord(text, "false") || IsWord(text, "off")) {
        number = 0;
    } else if (IsWord(text, "null")) {
        // A host value cannot say Null for every data type; the generic write does.
        error = "null is written by the generic write (bacnet-tool write ... null --priority N)";
        return false;
    } else {
        char* stop = nullptr;
        number = strtod(text.c_str(), &stop);
        if (text.empty() || *stop != '\0') {
            error = "'" + text + "' is not a number";
            return false;
        }
    }
    // A floating tag writes a priority-array element as a Real.
    if (type == CBACnetTypes::DT_PRIORITY_VALUE)
        value.SetVal(static_cast<float>(number));
    else
        value.SetVal(number);
    return true;
}

bool ParseNames(const std::string& object, const std::string& property, PropertyPlan& plan, std::string& error)
{
    return ParseObject(object, plan.object, &error) && ParseProperty(property, plan.property, &error);
}

// Codecs carry the identifiers as they travel and one-octet indexes.
bool CodecFits(const PropertyPlan& plan)
{
    return plan.property.key.empty() && plan.property.id < 256 && (!plan.property.hasIndex || plan.property.index < 255);
}

void Address(PropertyPlan& plan)
{
    CBACnetPropertyID& codec = plan.codec->Codec();
    codec.m_objectID = plan.object;
    codec.m_arrayIndex = plan.property.hasIndex ? static_cast<unsigned char>(plan.property.index)
                                                : static_cast<unsigned char>(CBACnetPropertyID::NO_ARRAY_INDEX);
}

}  // namespace

bool PlanRead(const std::string& object, const std::string& property, PropertyPlan& plan, std::string& error)
{
    if (!ParseNames(object, property, plan, error))
        return false;
    if (CodecFits(plan))
        plan.codec = MakePropertyValue(static_cast<unsigned>(plan.property.id));
    if (plan.codec) {
        Address(plan);
        return true;
    }
    return Bind(object, property, plan.binding, error);
}

bool PlanWrite(const std::string& object, const std::string& property, const std::string& value,
               unsigned short priority, PropertyPlan& plan, std::string& error)
{
    if (!ParseNames(object, property, plan, error))
        return false;
    plan.priority = priority;
    std::string codecError;
    if (!priority && CodecFits(plan))
        plan.codec = MakePropertyValue(static_cast<unsigned>(plan.property.id));
    if (plan.codec && plan.codec->Parse(value, codecError)) {
        Address(plan);
        return true;
    }
    plan.codec.reset();
    if (!Bind(object, property, plan.binding, error)) {
        if (!codecError.empty())
            error = codecError;
        return false;
    }
    return HostValue(plan.binding, value, plan.value, error);
}

Request BuildRead(CBACnetOBJ& device, PropertyPlan& plan)
{
    return plan.codec ? BuildReadProperty(device, plan.codec->Codec())
                      : BuildReadProperty(device, *plan.binding.property);
}

bool DecodeRead(PropertyPlan& plan, Reply& reply)
{
    int len = 0;
    if (!plan.codec)
        return plan.binding.property->ReadFrameToSingle(reply.Data(), len, reply.Length());
    CBACnetPropertyID& codec = plan.codec->Codec();
    CBACnetReadPropertyService service;
    return service.ReadFrame(reply.Data(), len, reply.Length(), &codec) &&
           codec.ReadFrame(reply.Data(), len, reply.Length());
}

Request BuildWrite(CBACnetOBJ& device, PropertyPlan& plan)
{
    return plan.codec ? BuildWriteProperty(device, plan.codec->Codec())
                      : BuildWriteProperty(device, *plan.binding.property, plan.value, plan.priority);
}

}  // namespace tool

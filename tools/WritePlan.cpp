#include "WritePlan.h"

#include <strings.h>

#include "Values.h"

namespace tool {

bool WrittenByCodec(const std::string& property, bool tagGiven, bool priorityGiven)
{
    PropertyRef ref;
    return !tagGiven && !priorityGiven && ParseProperty(property, ref, nullptr) && !ref.hasIndex &&
           (ref.id == 32 || ref.id == 54);
}

bool PlanWriteValue(const std::string& object, const std::string& property, const std::string& value,
                    const std::string& tagWord, unsigned priority, const AskDatatype& ask, WritePlan& plan,
                    std::string& error)
{
    if (!ParseObject(object, plan.object, &error) || !ParseProperty(property, plan.property, &error))
        return false;
    if (!plan.property.key.empty()) {
        error = "'." + plan.property.key + "' picks a part of a value for a host tag; write the whole value";
        return false;
    }
    plan.priority = priority;
    const ValueContext where{plan.object.m_type, static_cast<unsigned long>(plan.property.id)};
    const bool isNull = strcasecmp(value.c_str(), "null") == 0 && (tagWord.empty() || tagWord == "null");
    if (isNull && !priority && IsCommandable(where)) {
        error = "null relinquishes a priority slot: say which with --priority 1..16 (" + PropertyName(where.property) +
                " of " + BACnetEnumText(BACNET_ENUM_OBJECT_TYPE, where.objectType) + " is commandable)";
        return false;
    }
    int tag = -1;
    if (isNull) {
        tag = CBACnetTag::TYPE_NULL;
    } else if (!tagWord.empty()) {
        if (!ParseTagName(tagWord, tag)) {
            error = "unknown --tag '" + tagWord +
                    "' (null, boolean, unsigned, signed, real, double, octets, text, bits, enumerated, date, time, object)";
            return false;
        }
    } else {
        tag = DatatypeOf(where);
        if (tag < 0 && ask)
            tag = ask(plan, error);
        if (tag < 0) {
            if (error.empty())
                error = "the tool does not know the datatype of " + PropertyName(where.property) + " here";
            error += "; give it with --tag (real, unsigned, enumerated, text, ...)";
            return false;
        }
    }
    return ValueFromText(value, tag, where, plan.value, error);
}

Request BuildWrite(CBACnetOBJ& device, const WritePlan& plan)
{
    return BuildWriteRequest(device, plan.object, plan.property, {plan.value}, plan.priority);
}

std::string WriteText(const WritePlan& plan)
{
    const ValueContext where{plan.object.m_type, static_cast<unsigned long>(plan.property.id)};
    return ObjectText(plan.object) + " " + PropertyName(where.property) +
           (plan.property.hasIndex ? "[" + std::to_string(plan.property.index) + "]" : "") + " = " +
           ValueText(plan.value, where) + (plan.priority ? " at priority " + std::to_string(plan.priority) : "");
}

}  // namespace tool

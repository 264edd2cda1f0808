#include "PropertyAccess.h"

namespace tool {

namespace {

// Room for any request the tool builds: one APDU of the largest size plus
// the longest network header.
constexpr int kFrameRoom = 1476 + 64;

// The request headers every confirmed service writes, and the invoke-ID
// counter they share.
class RequestHeader : public CBACnetConfirmSrvPDU {
public:
    Request Build(CBACnetOBJ& device, unsigned char service, const std::vector<CBACnetValue>& params)
    {
        unsigned char frame[kFrameRoom];
        int len = 0;
        Request request;
        request.invokeID = NextInvokeID();
        request.service = service;
        MakeRequestHeader(frame, len, &device, request.invokeID, service, true);
        for (const CBACnetValue& p : params)
            if (!p.MakeFrame(frame, len, kFrameRoom))
                return Request();  // does not fit one request
        request.frame.assign(frame, frame + len);
        return request;
    }
};

CBACnetValue Context(int tag, std::vector<unsigned char> octets)
{
    CBACnetValue v;
    v.m_kind = CBACnetValue::KIND_CONTEXT;
    v.m_contextTag = tag;
    v.m_octets = std::move(octets);
    return v;
}

// An Unsigned in the fewest octets, high-order first.
CBACnetValue ContextUnsigned(int tag, unsigned long long value)
{
    std::vector<unsigned char> octets;
    do {
        octets.insert(octets.begin(), static_cast<unsigned char>(value & 0xFF));
        value >>= 8;
    } while (value);
    return Context(tag, octets);
}

CBACnetValue ContextObject(int tag, const _BACnetObjectID& id)
{
    const DWORD w = id.GetValue();
    return Context(tag, {static_cast<unsigned char>(w >> 24), static_cast<unsigned char>(w >> 16),
                         static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w)});
}

CBACnetValue Constructed(int tag, std::vector<CBACnetValue> children)
{
    CBACnetValue v;
    v.m_kind = CBACnetValue::KIND_CONSTRUCTED;
    v.m_contextTag = tag;
    v.m_children = std::move(children);
    return v;
}

bool IsContext(const CBACnetValue& v, int tag)
{
    return v.m_kind == CBACnetValue::KIND_CONTEXT && v.m_contextTag == tag;
}

bool IsConstructed(const CBACnetValue& v, int tag)
{
    return v.m_kind == CBACnetValue::KIND_CONSTRUCTED && v.m_contextTag == tag;
}

// A context-tagged Unsigned of one to four octets.
bool ContextNumber(const CBACnetValue& v, unsigned long& out)
{
    if (v.m_octets.empty() || v.m_octets.size() > 4)
        return false;
    out = 0;
    for (unsigned char o : v.m_octets)
        out = out << 8 | o;
    return true;
}

bool ContextObjectID(const CBACnetValue& v, _BACnetObjectID& out)
{
    if (!IsContext(v, 0) || v.m_octets.size() != 4)
        return false;
    out.SetValue(DWORD(v.m_octets[0]) << 24 | DWORD(v.m_octets[1]) << 16 | DWORD(v.m_octets[2]) << 8 |
                 v.m_octets[3]);
    return true;
}

// Property identifier (tag `propertyTag`) and optional array index (the next tag) from items[at].
bool PropertyAndIndex(const std::vector<CBACnetValue>& items, size_t& at, int propertyTag, PropertyResult& out)
{
    if (at >= items.size() || !IsContext(items[at], propertyTag) || !ContextNumber(items[at], out.property))
        return false;
    at++;
    out.hasIndex = at < items.size() && IsContext(items[at], propertyTag + 1);
    if (out.hasIndex && !ContextNumber(items[at++], out.index))
        return false;
    return true;
}

bool ErrorPair(const std::vector<CBACnetValue>& items, unsigned& errorClass, unsigned& errorCode)
{
    // CreateObject, WritePropertyMultiple and others wrap the pair in [0]
    // and add what failed after it.
    if (!items.empty() && IsConstructed(items[0], 0))
        return ErrorPair(items[0].m_children, errorClass, errorCode);
    if (items.size() != 2 || items[0].m_kind != CBACnetTag::TYPE_ENUMERATED ||
        items[1].m_kind != CBACnetTag::TYPE_ENUMERATED || items[0].m_unsigned > 0xFFFF || items[1].m_unsigned > 0xFFFF)
        return false;
    errorClass = static_cast<unsigned>(items[0].m_unsigned);
    errorCode = static_cast<unsigned>(items[1].m_unsigned);
    return true;
}

std::vector<CBACnetValue> Reference(const _BACnetObjectID& object, const PropertyRef& property)
{
    std::vector<CBACnetValue> params = {ContextObject(0, object),
                                        ContextUnsigned(1, static_cast<unsigned long long>(property.id))};
    if (property.hasIndex)
        params.push_back(ContextUnsigned(2, property.index));
    return params;
}

bool ReadAll(const unsigned char* buf, int end, std::vector<CBACnetValue>& items, std::string& why)
{
    int len = 0;
    if (!CBACnetValue::ReadList(buf, len, end, -1, items) || len != end) {
        why = "its tags are refused at octet " + std::to_string(len);
        return false;
    }
    return true;
}

}  // namespace

Request BuildReadRequest(CBACnetOBJ& device, const _BACnetObjectID& object, const PropertyRef& property)
{
    return RequestHeader().Build(device, CBACnetReadPropertyService::SERVICE_CHOICE, Reference(object, property));
}

Request BuildWriteRequest(CBACnetOBJ& device, const _BACnetObjectID& object, const PropertyRef& property,
                          const std::vector<CBACnetValue>& values, unsigned priority)
{
    std::vector<CBACnetValue> params = Reference(object, property);
    params.push_back(Constructed(3, values));
    if (priority)
        params.push_back(ContextUnsigned(4, priority));
    return RequestHeader().Build(device, CBACnetWritePropertyService::SERVICE_CHOICE, params);
}

Request BuildReadMultipleRequest(CBACnetOBJ& device, const _BACnetObjectID& object,
                                 const std::vector<unsigned long>& properties)
{
    std::vector<CBACnetValue> list;
    for (unsigned long p : properties)
        list.push_back(ContextUnsigned(0, p));
    return RequestHeader().Build(device, CBACnetReadMultiService::SERVICE_CHOICE,
                                 {ContextObject(0, object), Constructed(1, list)});
}

bool ReadPropertyAck(const unsigned char* buf, int end, PropertyResult& out, std::string& why)
{
    std::vector<CBACnetValue> items;
    if (!ReadAll(buf, end, items, why))
        return false;
    size_t at = 1;
    if (items.empty() || !ContextObjectID(items[0], out.object) || !PropertyAndIndex(items, at, 1, out) ||
        at + 1 != items.size() || !IsConstructed(items[at], 3)) {
        why = "it is not object, property, [index], value";
        return false;
    }
    out.values = items[at].m_children;
    // The value's opening tag: walk the tags again up to it, for a codec
    // that wants to read the value itself.
    int len = 0;
    for (size_t i = 0; i < at; i++) {
        CBACnetValue skip;
        skip.ReadFrame(buf, len, end);
    }
    out.valueAt = len;
    return true;
}

bool ReadMultipleAck(const unsigned char* buf, int end, std::vector<PropertyResult>& out, std::string& why)
{
    std::vector<CBACnetValue> items;
    if (!ReadAll(buf, end, items, why))
        return false;
    for (size_t i = 0; i < items.size(); i += 2) {
        PropertyResult object;
        if (!ContextObjectID(items[i], object.object) || i + 1 >= items.size() || !IsConstructed(items[i + 1], 1)) {
            why = "result " + std::to_string(out.size() + 1) + " is not object, list of results";
            return false;
        }
        const std::vector<CBACnetValue>& results = items[i + 1].m_children;
        for (size_t at = 0; at < results.size();) {
            PropertyResult result = object;
            if (!PropertyAndIndex(results, at, 2, result) || at >= results.size()) {
                why = "result " + std::to_string(out.size() + 1) + " has no property identifier";
                return false;
            }
            const CBACnetValue& outcome = results[at++];
            if (IsConstructed(outcome, 4)) {
                result.values = outcome.m_children;
            } else if (IsConstructed(outcome, 5) && ErrorPair(outcome.m_children, result.errorClass, result.errorCode)) {
                result.failed = true;
            } else {
                why = "result " + std::to_string(out.size() + 1) + " has neither a value nor an error";
                return false;
            }
            out.push_back(std::move(result));
        }
    }
    return true;
}

bool MakeReadPropertyAck(const PropertyResult& result, unsigned char* buf, int& len, int end)
{
    PropertyRef property;
    property.id = static_cast<long>(result.property);
    property.hasIndex = result.hasIndex;
    property.index = result.index;
    std::vector<CBACnetValue> params = Reference(result.object, property);
    params.push_back(Constructed(3, result.values));
    for (const CBACnetValue& p : params)
        if (!p.MakeFrame(buf, len, end))
            return false;
    return true;
}

bool ReadErrorParams(const unsigned char* buf, int end, unsigned& errorClass, unsigned& errorCode)
{
    std::vector<CBACnetValue> items;
    std::string why;
    return ReadAll(buf, end, items, why) && ErrorPair(items, errorClass, errorCode);
}

bool Matches(const PropertyResult& asked, const PropertyResult& answered, std::string& why)
{
    if (asked.object.GetValue() == answered.object.GetValue() && asked.property == answered.property &&
        asked.hasIndex == answered.hasIndex && (!asked.hasIndex || asked.index == answered.index))
        return true;
    why = "the reply is for " + ObjectText(answered.object) + " " + PropertyName(answered.property) +
          (answered.hasIndex ? "[" + std::to_string(answered.index) + "]" : "") + ", not what was asked";
    return false;
}

}  // namespace tool

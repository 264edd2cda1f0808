#include "Values.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "Names.h"
#include "PropertyValues.h"

namespace tool {

namespace {

using Tag = CBACnetTag;

// Properties by the standard's number, as the tool needs them.
enum : unsigned long {
    P_ACTIVE_TEXT = 4, P_APDU_TIMEOUT = 11, P_APP_SOFTWARE_VERSION = 12, P_NOTIFICATION_CLASS = 17,
    P_COV_INCREMENT = 22, P_DEADBAND = 25, P_DESCRIPTION = 28, P_DEVICE_TYPE = 31, P_EVENT_STATE = 36,
    P_FIRMWARE_REVISION = 44, P_HIGH_LIMIT = 45, P_INACTIVE_TEXT = 46, P_LOCAL_DATE = 56, P_LOCAL_TIME = 57,
    P_LOCATION = 58, P_LOW_LIMIT = 59, P_MAX_APDU = 62, P_MAX_PRES_VALUE = 65, P_MIN_PRES_VALUE = 69,
    P_MODEL_NAME = 70, P_APDU_RETRIES = 73, P_NUMBER_OF_STATES = 74, P_OBJECT_IDENTIFIER = 75,
    P_OBJECT_NAME = 77, P_OBJECT_TYPE = 79, P_OUT_OF_SERVICE = 81, P_POLARITY = 84, P_PRESENT_VALUE = 85,
    P_PRIORITY_ARRAY = 87, P_PRIORITY_FOR_WRITING = 88, P_TYPES_SUPPORTED = 96, P_SERVICES_SUPPORTED = 97,
    P_PROTOCOL_VERSION = 98, P_RELIABILITY = 103, P_RELINQUISH_DEFAULT = 104, P_RESOLUTION = 106,
    P_SEGMENTATION = 107, P_STATUS_FLAGS = 111, P_SYSTEM_STATUS = 112, P_TIME_DELAY = 113, P_UNITS = 117,
    P_UPDATE_INTERVAL = 118, P_UTC_OFFSET = 119, P_VENDOR_ID = 120, P_VENDOR_NAME = 121,
    P_PROTOCOL_REVISION = 139, P_DATABASE_REVISION = 155, P_PROFILE_NAME = 168, P_DATE_LIST = 23,
    P_PROPERTY_LIST = 371,
};

struct PropertyRow {
    unsigned long property;
    int value;  // an enumeration, bit names or an application tag, by table
};

constexpr PropertyRow kEnumerations[] = {
    {P_OBJECT_TYPE, BACNET_ENUM_OBJECT_TYPE}, {P_UNITS, BACNET_ENUM_ENGINEERING_UNITS},
    {P_RELIABILITY, BACNET_ENUM_RELIABILITY}, {P_EVENT_STATE, BACNET_ENUM_EVENT_STATE},
    {P_SEGMENTATION, BACNET_ENUM_SEGMENTATION}, {P_POLARITY, BACNET_ENUM_POLARITY},
    {P_SYSTEM_STATUS, BACNET_ENUM_DEVICE_STATUS}, {P_PROPERTY_LIST, BACNET_ENUM_PROPERTY_ID},
};

constexpr PropertyRow kBitNames[] = {
    {P_STATUS_FLAGS, BACNET_ENUM_STATUS_FLAGS},
    {P_SERVICES_SUPPORTED, BACNET_ENUM_SERVICES_SUPPORTED},
    {P_TYPES_SUPPORTED, BACNET_ENUM_OBJECT_TYPES_SUPPORTED},
};

// Datatypes of properties whatever the object.
constexpr PropertyRow kDatatypes[] = {
    {P_ACTIVE_TEXT, Tag::TYPE_CHARACTER_STRING}, {P_APDU_TIMEOUT, Tag::TYPE_UNSIGNED},
    {P_APP_SOFTWARE_VERSION, Tag::TYPE_CHARACTER_STRING}, {P_NOTIFICATION_CLASS, Tag::TYPE_UNSIGNED},
    {P_COV_INCREMENT, Tag::TYPE_REAL}, {P_DEADBAND, Tag::TYPE_REAL}, {P_DESCRIPTION, Tag::TYPE_CHARACTER_STRING},
    {P_DEVICE_TYPE, Tag::TYPE_CHARACTER_STRING}, {P_EVENT_STATE, Tag::TYPE_ENUMERATED},
    {P_FIRMWARE_REVISION, Tag::TYPE_CHARACTER_STRING}, {P_HIGH_LIMIT, Tag::TYPE_REAL},
    {P_INACTIVE_TEXT, Tag::TYPE_CHARACTER_STRING}, {P_LOCAL_DATE, Tag::TYPE_DATE}, {P_LOCAL_TIME, Tag::TYPE_TIME},
    {P_LOCATION, Tag::TYPE_CHARACTER_STRING}, {P_LOW_LIMIT, Tag::TYPE_REAL}, {P_MAX_APDU, Tag::TYPE_UNSIGNED},
    {P_MAX_PRES_VALUE, Tag::TYPE_REAL}, {P_MIN_PRES_VALUE, Tag::TYPE_REAL},
    {P_MODEL_NAME, Tag::TYPE_CHARACTER_STRING}, {P_APDU_RETRIES, Tag::TYPE_UNSIGNED},
    {P_NUMBER_OF_STATES, Tag::TYPE_UNSIGNED}, {P_OBJECT_IDENTIFIER, Tag::TYPE_OBJECT_ID},
    {P_OBJECT_NAME, Tag::TYPE_CHARACTER_STRING}, {P_OBJECT_TYPE, Tag::TYPE_ENUMERATED},
    {P_OUT_OF_SERVICE, Tag::TYPE_BOOLEAN}, {P_POLARITY, Tag::TYPE_ENUMERATED},
    {P_PRIORITY_FOR_WRITING, Tag::TYPE_UNSIGNED}, {P_PROTOCOL_VERSION, Tag::TYPE_UNSIGNED},
    {P_RELIABILITY, Tag::TYPE_ENUMERATED}, {P_RESOLUTION, Tag::TYPE_REAL}, {P_SEGMENTATION, Tag::TYPE_ENUMERATED},
    {P_STATUS_FLAGS, Tag::TYPE_BIT_STRING}, {P_SYSTEM_STATUS, Tag::TYPE_ENUMERATED},
    {P_TIME_DELAY, Tag::TYPE_UNSIGNED}, {P_UNITS, Tag::TYPE_ENUMERATED}, {P_UPDATE_INTERVAL, Tag::TYPE_UNSIGNED},
    {P_UTC_OFFSET, Tag::TYPE_SIGNED}, {P_VENDOR_ID, Tag::TYPE_UNSIGNED}, {P_VENDOR_NAME, Tag::TYPE_CHARACTER_STRING},
    {P_PROTOCOL_REVISION, Tag::TYPE_UNSIGNED}, {P_DATABASE_REVISION, Tag::TYPE_UNSIGNED},
    {P_PROFILE_NAME, Tag::TYPE_CHARACTER_STRING},
};

// The present value's datatype (and so its priority array's and relinquish
// default's), by object type.
struct TypeRow {
    unsigned objectType;
    int tag;
    bool commandable;
};
constexpr TypeRow kPresentValues[] = {
    {0, Tag::TYPE_REAL, false},         {1, Tag::TYPE_REAL, true},          {2, Tag::TYPE_REAL, true},
    {3, Tag::TYPE_ENUMERATED, false},   {4, Tag::TYPE_ENUMERATED, true},    {5, Tag::TYPE_ENUMERATED, true},
    {13, Tag::TYPE_UNSIGNED, false},    {14, Tag::TYPE_UNSIGNED, true},     {19, Tag::TYPE_UNSIGNED, true},
    {23, Tag::TYPE_UNSIGNED, false},    {24, Tag::TYPE_REAL, false},        {39, Tag::TYPE_BIT_STRING, true},
    {40, Tag::TYPE_CHARACTER_STRING, true}, {42, Tag::TYPE_DATE, true},    {45, Tag::TYPE_SIGNED, true},
    {46, Tag::TYPE_DOUBLE, true},       {47, Tag::TYPE_OCTET_STRING, true}, {48, Tag::TYPE_UNSIGNED, true},
    {50, Tag::TYPE_TIME, true},         {54, Tag::TYPE_REAL, true},
};

constexpr const char* kTagNames[] = {"null",   "boolean", "unsigned", "signed",     "real", "double", "octets",
                                     "text",   "bits",    "enumerated", "date",     "time", "object"};

const TypeRow* PresentValueRow(unsigned objectType)
{
    for (const TypeRow& row : kPresentValues)
        if (row.objectType == objectType)
            return &row;
    return nullptr;
}

bool HoldsPresentValue(unsigned long property)
{
    return property == P_PRESENT_VALUE || property == P_PRIORITY_ARRAY || property == P_RELINQUISH_DEFAULT;
}

template <size_t N>
int Find(const PropertyRow (&rows)[N], unsigned long property)
{
    for (const PropertyRow& row : rows)
        if (row.property == property)
            return row.value;
    return -1;
}

bool IsBinary(unsigned objectType)
{
    return objectType == 3 || objectType == 4 || objectType == 5;
}

std::string BitsText(const CBACnetValue& value, int names)
{
    if (names < 0) {
        std::string bits;
        for (int i = 0; i < value.m_bitCount; i++)
            bits += value.Bit(i) ? '1' : '0';
        return "B'" + bits + "'";
    }
    std::string text;
    for (int i = 0; i < value.m_bitCount; i++)
        if (value.Bit(i))
            text += (text.empty() ? "" : ", ") + BACnetEnumText(names, static_cast<unsigned>(i));
    return "{" + text + "}";
}

std::string DoubleText(double d)
{
    char text[40];
    for (int precision = 1; precision <= 17; precision++) {
        snprintf(text, sizeof text, "%.*g", precision, d);
        if (strtod(text, nullptr) == d)
            break;
    }
    return text;
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

DWORD Word(const std::vector<unsigned char>& o)
{
    return DWORD(o[0]) << 24 | DWORD(o[1]) << 16 | DWORD(o[2]) << 8 | o[3];
}

// A calendar entry of a date list: [0] a date, [1] a date range, [2] a
// week-n-day (month, week of month, day of week; 255 any). Empty when the
// value has none of these forms.
std::string CalendarEntryText(const CBACnetValue& v)
{
    if (v.m_kind == CBACnetValue::KIND_CONTEXT && v.m_contextTag == 0 && v.m_octets.size() == 4)
        return "date " + DateText(Word(v.m_octets));
    if (v.m_kind == CBACnetValue::KIND_CONTEXT && v.m_contextTag == 2 && v.m_octets.size() == 3) {
        const auto part = [](unsigned x) { return x == 255 ? std::string("*") : std::to_string(x); };
        return "month " + part(v.m_octets[0]) + ", week " + part(v.m_octets[1]) + ", weekday " + part(v.m_octets[2]);
    }
    if (v.m_kind == CBACnetValue::KIND_CONSTRUCTED && v.m_contextTag == 1 && v.m_children.size() == 2 &&
        v.m_children[0].m_kind == Tag::TYPE_DATE && v.m_children[1].m_kind == Tag::TYPE_DATE)
        return "dates " + DateText(v.m_children[0].m_word) + " to " + DateText(v.m_children[1].m_word);
    return "";
}

std::string Text(const CBACnetValue& v, const ValueContext& where, bool quote)
{
    if (where.property == P_DATE_LIST) {
        const std::string entry = CalendarEntryText(v);
        if (!entry.empty())
            return entry;
    }
    switch (v.m_kind) {
    case Tag::TYPE_NULL: return "null";
    case Tag::TYPE_BOOLEAN: return v.m_boolean ? "true" : "false";
    case Tag::TYPE_UNSIGNED: return std::to_string(v.m_unsigned);
    case Tag::TYPE_SIGNED: return std::to_string(v.m_signed);
    case Tag::TYPE_REAL: return NumberText(v.m_real);
    case Tag::TYPE_DOUBLE: return DoubleText(v.m_double);
    case Tag::TYPE_OCTET_STRING: return "X'" + HexOctets(v.m_octets) + "'";
    case Tag::TYPE_CHARACTER_STRING: return quote ? Quoted(v.m_text) : v.m_text;
    case Tag::TYPE_BIT_STRING: return BitsText(v, BitNamesOf(where));
    case Tag::TYPE_ENUMERATED: {
        const int names = EnumerationOf(where);
        return names >= 0 && v.m_unsigned <= 0xFFFFFFFFu ? BACnetEnumText(names, static_cast<unsigned>(v.m_unsigned))
                                                          : std::to_string(v.m_unsigned);
    }
    case Tag::TYPE_DATE: return DateText(v.m_word);
    case Tag::TYPE_TIME: return TimeText(v.m_word);
    case Tag::TYPE_OBJECT_ID: return ObjectText(v.m_word);
    case CBACnetValue::KIND_CONTEXT: return "[" + std::to_string(v.m_contextTag) + "] " + HexOctets(v.m_octets);
    case CBACnetValue::KIND_CONSTRUCTED: {
        std::string text = "[" + std::to_string(v.m_contextTag) + "] {";
        for (size_t i = 0; i < v.m_children.size(); i++)
            text += (i ? ", " : "") + Text(v.m_children[i], where, true);
        return text + "}";
    }
    default: return "?";
    }
}

bool ParseUnsigned64(const std::string& text, uint64_t& out)
{
    if (text.empty() || !isdigit(static_cast<unsigned char>(text[0])))
        return false;
    errno = 0;
    char* stop = nullptr;
    out = strtoull(text.c_str(), &stop, 10);
    return errno == 0 && *stop == '\0';
}

bool ParseSigned64(const std::string& text, int64_t& out)
{
    if (text.empty())
        return false;
    errno = 0;
    char* stop = nullptr;
    out = strtoll(text.c_str(), &stop, 10);
    return errno == 0 && *stop == '\0';
}

bool ParseFloating(const std::string& text, double& out)
{
    char* stop = nullptr;
    out = strtod(text.c_str(), &stop);
    return !text.empty() && *stop == '\0';
}

bool IsWord(const std::string& text, const char* word)
{
    return strcasecmp(text.c_str(), word) == 0;
}

}  // namespace

bool ParseTime(const std::string& text, DWORD& time)
{
    unsigned h, m, s = 0, hundredths = 0;
    char tail;
    const int n = sscanf(text.c_str(), "%u:%u:%u.%2u%c", &h, &m, &s, &hundredths, &tail);
    if (n < 2 || n > 4 || h > 23 || m > 59 || s > 59 || hundredths > 99)
        return false;
    time = DWORD(h) << 24 | DWORD(m) << 16 | DWORD(s) << 8 | hundredths;
    return true;
}

int EnumerationOf(const ValueContext& where)
{
    if (HoldsPresentValue(where.property) && IsBinary(where.objectType))
        return BACNET_ENUM_BINARY_PV;
    return Find(kEnumerations, where.property);
}

int BitNamesOf(const ValueContext& where)
{
    return Find(kBitNames, where.property);
}

namespace {

// The codec's form of a value the client decoded, so it prints as the
// codec's values do; false for lists and raw content.
bool ToCodec(const bacnet::Value& value, CBACnetValue& out)
{
    struct Convert {
        CBACnetValue& out;
        bool operator()(const bacnet::Value::Null&) { return out = CBACnetValue::Null(), true; }
        bool operator()(bool v) { return out = CBACnetValue::Boolean(v), true; }
        bool operator()(uint64_t v) { return out = CBACnetValue::Unsigned(v), true; }
        bool operator()(int64_t v) { return out = CBACnetValue::Signed(v), true; }
        bool operator()(float v) { return out = CBACnetValue::Real(v), true; }
        bool operator()(double v) { return out = CBACnetValue::Double(v), true; }
        bool operator()(const bacnet::OctetString& v) { return out = CBACnetValue::Octets(v.m_octets), true; }
        bool operator()(const std::string& v) { return out = CBACnetValue::Text(v), true; }
        bool operator()(const bacnet::BitString& v) { return out = CBACnetValue::Bits(v.m_bits), true; }
        bool operator()(const bacnet::Enumerated& v) { return out = CBACnetValue::Enumerated(v.m_value), true; }
        bool operator()(const bacnet::Date& d)
        {
            return out = CBACnetValue::Date(DWORD(d.m_year) << 24 | DWORD(d.m_month) << 16 | DWORD(d.m_day) << 8 | d.m_weekday),
                   true;
        }
        bool operator()(const bacnet::Time& t)
        {
            return out = CBACnetValue::Time(DWORD(t.m_hour) << 24 | DWORD(t.m_minute) << 16 | DWORD(t.m_second) << 8 |
                                            t.m_hundredths),
                   true;
        }
        bool operator()(const bacnet::ObjectId& v) { return out = CBACnetValue::ObjectID(v.Word()), true; }
        bool operator()(const bacnet::Value::List&) { return false; }
        bool operator()(const bacnet::RawValue&) { return false; }
    };
    return std::visit(Convert{out}, value.Data());
}

}  // namespace

std::string ClientValueText(const bacnet::Value& value, const ValueContext& where)
{
    CBACnetValue codec;
    return ToCodec(value, codec) ? ValueText(codec, where) : value.ToString();
}

void ClientValueJson(JsonWriter& json, const bacnet::Value& value, const ValueContext& where)
{
    CBACnetValue codec;
    if (ToCodec(value, codec))
        ValueJson(json, codec, where);
    else
        json.String(value.ToString());
}

std::string ValueText(const CBACnetValue& value, const ValueContext& where)
{
    return Text(value, where, true);
}

std::string PlainValueText(const CBACnetValue& value, const ValueContext& where)
{
    return Text(value, where, false);
}

void ValueJson(JsonWriter& json, const CBACnetValue& v, const ValueContext& where)
{
    switch (v.m_kind) {
    case Tag::TYPE_NULL: json.Null(); return;
    case Tag::TYPE_BOOLEAN: json.Bool(v.m_boolean); return;
    case Tag::TYPE_UNSIGNED:
        if (v.m_unsigned <= 0x7FFFFFFFFFFFFFFFull)
            json.Integer(static_cast<long long>(v.m_unsigned));
        else
            json.Number(static_cast<double>(v.m_unsigned));
        return;
    case Tag::TYPE_SIGNED: json.Integer(v.m_signed); return;
    case Tag::TYPE_REAL: json.Number(v.m_real); return;
    case Tag::TYPE_DOUBLE: json.Number(v.m_double); return;
    case Tag::TYPE_CHARACTER_STRING: json.String(v.m_text); return;
    case Tag::TYPE_OCTET_STRING: json.BeginObject().Member("octets", HexOctets(v.m_octets)).EndObject(); return;
    case Tag::TYPE_BIT_STRING: {
        std::string bits;
        for (int i = 0; i < v.m_bitCount; i++)
            bits += v.Bit(i) ? '1' : '0';
        json.BeginObject().Member("bits", bits);
        const int names = BitNamesOf(where);
        if (names >= 0) {
            json.Key("set").BeginArray();
            for (int i = 0; i < v.m_bitCount; i++)
                if (v.Bit(i))
                    json.String(BACnetEnumText(names, static_cast<unsigned>(i)));
            json.EndArray();
        }
        json.EndObject();
        return;
    }
    case Tag::TYPE_ENUMERATED: {
        json.BeginObject().Member("enumerated", static_cast<long long>(v.m_unsigned));
        const int names = EnumerationOf(where);
        const char* name = names >= 0 && v.m_unsigned <= 0xFFFFFFFFu
                               ? BACnetEnumName(names, static_cast<unsigned>(v.m_unsigned))
                               : nullptr;
        if (name)
            json.Member("name", name);
        json.EndObject();
        return;
    }
    case Tag::TYPE_DATE: json.BeginObject().Member("date", DateText(v.m_word)).EndObject(); return;
    case Tag::TYPE_TIME: json.BeginObject().Member("time", TimeText(v.m_word)).EndObject(); return;
    case Tag::TYPE_OBJECT_ID: {
        _BACnetObjectID id;
        id.SetValue(v.m_word);
        json.BeginObject()
            .Member("object", ObjectText(id))
            .Member("type", unsigned(id.m_type))
            .Member("instance", unsigned(id.m_instance))
            .EndObject();
        return;
    }
    case CBACnetValue::KIND_CONTEXT:
        json.BeginObject().Member("context", v.m_contextTag).Member("octets", HexOctets(v.m_octets)).EndObject();
        return;
    case CBACnetValue::KIND_CONSTRUCTED:
        json.BeginObject().Member("context", v.m_contextTag).Key("values").BeginArray();
        for (const CBACnetValue& child : v.m_children)
            ValueJson(json, child, where);
        json.EndArray().EndObject();
        return;
    default: json.Null();
    }
}

bool ParseTagName(const std::string& word, int& tag)
{
    for (int k = 0; k <= Tag::TYPE_OBJECT_ID; k++)
        if (IsWord(word, kTagNames[k])) {
            tag = k;
            return true;
        }
    return false;
}

const char* TagName(int tag)
{
    return tag >= 0 && tag <= Tag::TYPE_OBJECT_ID ? kTagNames[tag] : "constructed";
}

int DatatypeOf(const ValueContext& where)
{
    if (HoldsPresentValue(where.property)) {
        const TypeRow* row = PresentValueRow(where.objectType);
        return row ? row->tag : -1;
    }
    return Find(kDatatypes, where.property);
}

bool IsCommandable(const ValueContext& where)
{
    const TypeRow* row = PresentValueRow(where.objectType);
    return where.property == P_PRESENT_VALUE && row && row->commandable;
}

bool ValueFromText(const std::string& text, int tag, const ValueContext& where, CBACnetValue& out, std::string& error)
{
    if (IsWord(text, "null")) {
        out = CBACnetValue::Null();
        return true;
    }
    const std::string want = std::string("a value of type ") + TagName(tag);
    uint64_t u;
    int64_t s;
    double d;
    DWORD word;
    _BACnetObjectID id;
    bool ok = true;
    switch (tag) {
    case Tag::TYPE_NULL: ok = false; break;
    case Tag::TYPE_BOOLEAN:
        if (IsWord(text, "true") || IsWord(text, "1") || IsWord(text, "active"))
            out = CBACnetValue::Boolean(true);
        else if (IsWord(text, "false") || IsWord(text, "0") || IsWord(text, "inactive"))
            out = CBACnetValue::Boolean(false);
        else
            ok = false;
        break;
    case Tag::TYPE_UNSIGNED:
        ok = ParseUnsigned64(text, u);
        if (ok)
            out = CBACnetValue::Unsigned(u);
        break;
    case Tag::TYPE_SIGNED:
        ok = ParseSigned64(text, s);
        if (ok)
            out = CBACnetValue::Signed(s);
        break;
    case Tag::TYPE_REAL:
        ok = ParseFloating(text, d);
        if (ok)
            out = CBACnetValue::Real(static_cast<float>(d));
        break;
    case Tag::TYPE_DOUBLE:
        ok = ParseFloating(text, d);
        if (ok)
            out = CBACnetValue::Double(d);
        break;
    case Tag::TYPE_OCTET_STRING: {
        std::vector<unsigned char> octets;
        ok = ParseHex(text, octets);
        if (ok)
            out = CBACnetValue::Octets(octets);
        break;
    }
    case Tag::TYPE_CHARACTER_STRING: out = CBACnetValue::Text(text); break;
    case Tag::TYPE_BIT_STRING: {
        std::vector<bool> bits;
        for (char c : text)
            if (c == '0' || c == '1')
                bits.push_back(c == '1');
            else
                ok = false;
        if (ok)
            out = CBACnetValue::Bits(bits);
        break;
    }
    case Tag::TYPE_ENUMERATED: {
        unsigned value;
        const int names = EnumerationOf(where);
        if (ParseUnsigned64(text, u) && u <= 0xFFFFFFFFu)
            out = CBACnetValue::Enumerated(u);
        else if (names >= 0 && BACnetEnumValue(names, text.c_str(), value))
            out = CBACnetValue::Enumerated(value);
        else
            ok = false;
        break;
    }
    case Tag::TYPE_DATE:
        ok = ParseDate(text, word);
        if (ok)
            out = CBACnetValue::Date(word);
        break;
    case Tag::TYPE_TIME:
        ok = ParseTime(text, word);
        if (ok)
            out = CBACnetValue::Time(word);
        break;
    case Tag::TYPE_OBJECT_ID:
        ok = ParseObject(text, id, nullptr);
        if (ok)
            out = CBACnetValue::ObjectID(id.GetValue());
        break;
    default: ok = false;
    }
    if (!ok)
        error = "'" + text + "' is not " + want;
    return ok;
}

}  // namespace tool

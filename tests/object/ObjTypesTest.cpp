// A host tag bound to one property: its name grammar, its requests, its
// replies (through the fixed-shape decoder and the general one, which must
// agree), its change state and its writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Hex.h"
#include "Tags.h"
#include "host/String.h"
#include "object/ObjTypes.h"
#include "object/Types.h"
#include "object/ValueText.h"

namespace {

using T = CBACnetTypes;

TEST(ObjTypesTest, CreatePropertyNameGrammar)
{
    const struct {
        unsigned type;
        const wchar_t* name;
        unsigned short hostType;
        int result, propertyID, arrayIndex, subType, dataType;
        const wchar_t* nameAfter;  // the caller's string after the call
    } rows[] = {
        {0, L"PresentValue", 0, 1, 85, 0, 0, T::DT_REAL, L"PresentValue"},
        {0, L"1737", 0, 1, 1737, 0, 0, T::DT_ENUMERATED, L"1737"},
        {0, L"0", 0, 1, 0, 0, 0, T::DT_BIT_STRING, L"0"},
        {0, L"objectid.instanceno", 0, 1, 75, 0, 1, T::DT_OBJECT_ID, L"objectid.instanceno"},
        {1, L"priorityarray[8]", 0, 1, 87, 8, 0, T::DT_PRIORITY_VALUE, L"8]"},
        {1, L"87[3].5", 0, 1, 87, 3, 5, T::DT_PRIORITY_VALUE, L"3].5"},
        {3, L"COStime.hour", 0, 1, 16, 0, 7, T::DT_DATE_TIME, L"COStime.hour"},
        {18, L"ObjectName", T::HOST_TEXT, 1, 77, 0, 0, T::DT_CHARACTER_STRING, L"ObjectName"},
        // refused
        {0, L"PresentValue", T::HOST_TEXT, 0, 0, 0, 0, 0, L"PresentValue"},
        {1, L"priorityarray", 0, 0, 0, 0, 0, 0, L"priorityarray"},
        {1, L"priorityarray[]", 0, 0, 0, 0, 0, 0, L"]"},
        {1, L"priorityarray[8", 0, 0, 0, 0, 0, 0, L"8"},
        {0, L"Description[1]", 0, 0, 0, 0, 0, 0, L"1]"},
        {0, L"NoSuchProperty", 0, 0, 0, 0, 0, 0, L"NoSuchProperty"},
        {0, L"65621", 0, 0, 0, 0, 0, 0, L"65621"},  // 85 + 65536 must not wrap to 85
        {1, L"1737", 0, 0, 0, 0, 0, 0, L"1737"},  // not in the analog output list
        {1023, L"ObjectID", 0, 0, 0, 0, 0, 0, L"ObjectID"},
    };
    for (const auto& row : rows) {
        const std::string label = std::to_string(row.type) + " '" + HostWideToAnsi(row.name, wcslen(row.name)) + "'";
        CBACnetObjTypes prop(_BACnetObjectID(row.type, 1));
        CString name(row.name);
        unsigned short subType = 0xFFFF;
        ASSERT_EQ(row.result, prop.CreateProperty(name, subType, row.hostType)) << label;
        EXPECT_TRUE(name == row.nameAfter) << label;
        if (!row.result)
            continue;
        EXPECT_EQ(row.propertyID, prop.m_propertyID) << label;
        EXPECT_EQ(row.arrayIndex, prop.m_arrayIndex) << label;
        EXPECT_EQ(row.subType, subType) << label;
        EXPECT_EQ(row.dataType, prop.m_dataType) << label;
        EXPECT_EQ(-1, prop.IsChangeValue()) << label;
    }
}

// Both requests, each appended at the cursor; nothing before or after them
// is written.
std::string Requests(CBACnetObjTypes& tag)
{
    std::vector<unsigned char> buf(40, 0xAA);
    int len = 1;
    EXPECT_EQ(1, tag.MakeFrameToMulti(buf.data(), len));
    const int multi = len;
    EXPECT_EQ(0xAA, buf[len]);
    EXPECT_EQ(1, tag.MakeFrameToSingle(buf.data(), len));
    EXPECT_TRUE(buf[0] == 0xAA && buf[len] == 0xAA);
    return ToHex(buf.data() + 1, multi - 1) + " | " + ToHex(buf.data() + multi, len - multi);
}

// The requests of a bound tag, built again whenever a public field they
// come from has changed since; catalogue types 18 to 20 go out as BACnet
// types 151, 152 and 23.
TEST(ObjTypesTest, RequestsFollowTheFieldsAcrossCalls)
{
    auto tag = Bind(1, 1, L"priorityarray[300]");
    EXPECT_EQ("0C 00 40 00 01 1E 09 57 1A 01 2C 1F | 0C 00 40 00 01 19 57 2A 01 2C", Requests(*tag));
    const struct {
        unsigned type, instance;
        WORD propertyID;
        BYTE isArray;
        WORD arrayIndex;
        const char* requests;
    } steps[] = {
        {1, 1, 87, 1, 8, "0C 00 40 00 01 1E 09 57 19 08 1F | 0C 00 40 00 01 19 57 29 08"},
        {18, 70000, 85, 0, 0, "0C 25 C0 11 70 1E 09 55 1F | 0C 25 C0 11 70 19 55"},
        {20, 0x3F0007, 85, 0, 0, "0C 05 C0 00 07 1E 09 55 1F | 0C 05 C0 00 07 19 55"},
        {18, 6, 1836, 0, 0, "0C 25 C0 00 06 1E 0A 07 2C 1F | 0C 25 C0 00 06 1A 07 2C"},
        {18, 6, 85, 0, 0, "0C 25 C0 00 06 1E 09 55 1F | 0C 25 C0 00 06 19 55"},
        {2, 6, 85, 0, 9, "0C 00 80 00 06 1E 09 55 1F | 0C 00 80 00 06 19 55"},
        {2, 6, 85, 1, 9, "0C 00 80 00 06 1E 09 55 19 09 1F | 0C 00 80 00 06 19 55 29 09"},
        {2, 6, 85, 1, 256, "0C 00 80 00 06 1E 09 55 1A 01 00 1F | 0C 00 80 00 06 19 55 2A 01 00"},
        {2, 6, 85, 0, 256, "0C 00 80 00 06 1E 09 55 1F | 0C 00 80 00 06 19 55"},
    };
    for (const auto& step : steps) {
        tag->m_objectID = _BACnetObjectID(step.type, step.instance);
        tag->m_propertyID = step.propertyID;
        tag->m_isArray = step.isArray;
        tag->m_arrayIndex = step.arrayIndex;
        EXPECT_EQ(step.requests, Requests(*tag)) << step.requests;
        EXPECT_EQ(step.requests, Requests(*tag)) << step.requests << ", again";
    }
}

// Everything a decode leaves for the driver to see, as one comparable text.
std::string State(const CBACnetObjTypes& p)
{
    return "change " + std::to_string(p.m_changeState) + " null " + std::to_string(p.m_isNull) + " result " +
           std::to_string(p.m_result) + " refusal " + std::to_string(p.m_refusal) + " error " +
           std::to_string(p.m_errorClass) + "/" + std::to_string(p.m_errorCode) + " value " +
           ToHex(p.m_value, p.m_dataSize) + " received " + ToHex(p.m_received, p.m_dataSize);
}

enum Decoder { MULTI, SINGLE };

// Runs `read` with the fixed-shape decoder, then with the general one only.
void BothDecoders(const std::function<void(bool general)>& read)
{
    for (bool general : {false, true}) {
        CBACnetObjTypes::SetFastDecode(!general);
        read(general);
        CBACnetObjTypes::SetFastDecode(true);
    }
}

// A tag as a test binds it, and the host type its value is taken as.
struct Binding {
    unsigned type, instance;
    const wchar_t* property;
    unsigned short hostType;
};
const Binding kAI5{0, 5, L"PresentValue", 0};
const Binding kAI5InputType{0, 5, L"1737", 0};
const Binding kAO1Slot8{1, 1, L"priorityarray[8]", 0};
const Binding kAO1Slot8Unsigned{1, 1, L"priorityarray[8]", 2};
const Binding kAO1Slot300{1, 1, L"priorityarray[300]", 2};
const Binding kAI5OutOfService{0, 5, L"OutOfService", 0};
const Binding kAI5UpdateInterval{0, 5, L"UpdateInterval", 0};
const Binding kDevice1Name{8, 1, L"ObjectName", T::HOST_TEXT};
const Binding kBI3ChangeTimeText{3, 3, L"COStime", T::HOST_TEXT};
const Binding kBI3ChangeTime{3, 3, L"COStime", 0};
const Binding kAccumulator9{20, 9, L"PresentValue", 0};
const Binding kProgram2User1{16, 2, L"User1", 0};
const Binding kAI5Units{0, 5, L"Units", 0};

struct ReplyRow {
    const char* name;
    Binding tag;
    Decoder decoder;
    const char* wire;
    int result, consumed;
    int changeState = -1;
    const char* value = "none";  // GetValue into a tag, the access error, or "none"
};

const ReplyRow kReplies[] = {
    {"real", kAI5, MULTI, "0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F", 1, 16, 1, "100"},
    {"real, single, bare", kAI5, SINGLE, "0C 00 00 00 05 19 55 44 42 C8 00 00", 1, 12, 1, "100"},
    {"access error", kAI5, MULTI, "0C 00 00 00 05 1E 29 55 5E 91 02 91 20 5F 1F", 1, 15, 0, "error 2/32"},
    {"neither value nor error", kAI5, MULTI, "0C 00 00 00 05 1E 29 55 1F", 1, 9, -1, "none"},
    {"two-octet property", kAI5InputType, MULTI, "0C 00 00 00 05 1E 2A 06 C9 4E 91 03 4F 1F", 1, 14, 1, "3"},
    {"priority null", kAO1Slot8, MULTI, "0C 00 40 00 01 1E 29 57 39 08 4E 00 4F 1F", 1, 14, 1, "-1"},
    {"priority unsigned", kAO1Slot8Unsigned, SINGLE, "0C 00 40 00 01 19 57 29 08 3E 21 07 3F", 1, 13, 1, "7"},
    {"two-octet index", kAO1Slot300, MULTI, "0C 00 40 00 01 1E 29 57 3A 01 2C 4E 21 05 4F 1F", 1, 16, 1, "5"},
    {"boolean of length 2", kAI5OutOfService, MULTI, "0C 00 00 00 05 1E 29 51 4E 12 4F 1F", 1, 12, 1, "1"},
    {"unsigned of octets like the closing tags", kAI5UpdateInterval, MULTI,
     "0C 00 00 00 05 1E 29 76 4E 22 4F 1F 4F 1F", 1, 14, 1, "20255"},
    {"object name as text", kDevice1Name, MULTI,
     "0C 02 00 00 01 1E 29 4D 4E 75 06 00 48 61 6C 6C 6F 4F 1F", 1, 19, 1, "text 'Hallo'"},
    {"unsigned in an extended length where a name is bound", kDevice1Name, MULTI,
     "0C 02 00 00 01 1E 29 4D 4E 25 04 41 42 43 44 4F 1F", 1, 17, 1, "text 'DCBA'"},
    {"date-time", kBI3ChangeTimeText, MULTI,
     "0C 00 C0 00 03 1E 29 10 4E A4 6D 03 0F 07 B4 0C 22 38 4E 4F 1F", 1, 21, 1, "text '2009/3/15 12:34:56'"},
    {"date-time null", kBI3ChangeTime, MULTI, "0C 00 C0 00 03 1E 29 10 4E 00 4F 1F", 1, 12, 1, "0"},
    {"accumulator under its BACnet type", kAccumulator9, SINGLE, "0C 05 C0 00 09 19 55 3E 21 2A 3F", 1, 11, 1, "42"},
    {"program user value, a Real wider than its catalogue size", kProgram2User1, SINGLE,
     "0C 04 00 00 02 1A 09 C4 3E 44 42 C8 00 00 3F", 1, 15, 1, "100"},
    // refused
    {"another object", kAI5, MULTI, "0C 00 00 00 06 1E 29 55 4E 44 42 C8 00 00 4F 1F", 0, 5},
    {"another property", kAI5, MULTI, "0C 00 00 00 05 1E 29 56 4E 44 42 C8 00 00 4F 1F", 0, 7},
    {"one-octet form of a large property", kAI5InputType, MULTI, "0C 00 00 00 05 1E 29 C9 4E 91 03 4F 1F", 0, 7},
    {"another index", kAO1Slot8, MULTI, "0C 00 40 00 01 1E 29 57 39 09 4E 00 4F 1F", 0, 9},
    {"double into a real's room", kAI5, MULTI, "0C 00 00 00 05 1E 29 55 4E 55 08 3F F8 00 00 00 00 00 00 4F 1F", 0, 11},
    {"enumerated longer than its room", kAI5Units, MULTI, "0C 00 00 00 05 1E 29 75 4E 92 BA C0 4F 1F", 0, 10},
    // A value whose octets look like the closing tags: taken only as the header says.
    {"real cut before what looks like its closing tags", kAI5, MULTI,
     "0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 4F 1F", 0, 14},
    {"unsigned of one octet, then four", kAI5, MULTI, "0C 00 00 00 05 1E 29 55 4E 21 07 00 00 00 4F 1F", 0, 11},
    {"context-tagged value", kAI5, SINGLE, "0C 00 00 00 05 19 55 3E 0C 42 C8 00 00 3F", 0, 9},
    {"closing 3F replaced, single", kAI5, SINGLE, "0C 00 00 00 05 19 55 3E 44 42 C8 00 00 4F", 0, 13},
    {"closing 4F missing takes nothing", kAI5, MULTI, "0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 1F", 0, 14},
    {"error without 5F takes nothing", kAI5, MULTI, "0C 00 00 00 05 1E 29 55 5E 91 02 91 20 1F", 0, 13},
    {"date-time without its time", kBI3ChangeTime, MULTI, "0C 00 C0 00 03 1E 29 10 4E A4 6D 03 0F 07 4F 1F", 0, 15},
};

TEST(ObjTypesTest, RepliesDecodeAndRaiseTheChangeState)
{
    for (const ReplyRow& row : kReplies) {
        std::string state[2];
        BothDecoders([&](bool general) {
            const std::string where = std::string(row.name) + (general ? ", general" : ", fixed shape");
            auto prop = Bind(row.tag.type, row.tag.instance, row.tag.property);
            ASSERT_TRUE(prop) << where;
            Received wire(row.wire);
            int len = 0;
            EXPECT_EQ(row.result, row.decoder == MULTI ? prop->ReadFrameToMulti(wire.buf(), len, wire.end())
                                                       : prop->ReadFrameToSingle(wire.buf(), len, wire.end()))
                << where;
            EXPECT_EQ(row.consumed, len) << where;
            EXPECT_EQ(row.changeState, prop->IsChangeValue()) << where;
            state[general] = State(*prop);
            CTagVal value;
            value.SetVal(L"untouched");
            std::string got = "none";
            if (prop->GetValue(value, row.tag.hostType, 0))
                got = Describe(value);
            else if (prop->m_result == CBACnetObjTypes::RESULT_ACCESS_ERROR)
                got = "error " + std::to_string(prop->m_errorClass) + "/" + std::to_string(prop->m_errorCode);
            EXPECT_EQ(row.value, got) << where;
        });
        EXPECT_EQ(state[1], state[0]) << row.name;
        // The forms without an end give the same results on whole good replies.
        auto prop = Bind(row.tag.type, row.tag.instance, row.tag.property);
        Received wire(row.wire);
        int len = 0;
        if (row.result) {
            EXPECT_EQ(1, row.decoder == MULTI ? prop->ReadFrameToMulti(wire.buf(), len)
                                              : prop->ReadFrameToSingle(wire.buf(), len)) << row.name;
            EXPECT_EQ(row.consumed, len) << row.name;
        }
    }
}

// One tag read again and again: what it holds and whether a change waits
// carry from one reply to the next, alike in both decoders.
TEST(ObjTypesTest, ChangeStateAcrossSuccessiveReads)
{
    const struct {
        const char* wire;  // after the object identifier and the property
        int result, changeState;
        const char* value;  // the value held, in host order
        bool taken;         // the driver takes the value after this read
    } steps[] = {
        {"4E 44 00 00 00 00 4F 1F", 1, 1, "00 00 00 00", true},  // the first value always counts, even 0
        {"4E 44 00 00 00 00 4F 1F", 1, 0, "00 00 00 00", false},
        {"4E 44 42 C8 00 00 4F 1F", 1, 1, "00 00 C8 42", false},
        {"4E 44 42 C8 00 00 4F 1F", 1, 1, "00 00 C8 42", true},  // not yet taken: still waits
        {"4E 44 C2 C8 00 00 4F 1F", 1, 1, "00 00 C8 C2", true},  // only the sign differs
        {"4E 00 4F 1F", 1, 1, "00 00 00 00", true},
        {"4E 44 00 00 00 00 4F 1F", 1, 1, "00 00 00 00", true},  // 0 after Null differs too
        {"4E 31 F0 4F 1F", 1, 1, "F0 FF FF FF", true},           // signed, sign-extended
        {"4E 11 4F 1F", 1, 1, "01 FF FF FF", true},              // boolean: its one octet only
        {"4E 45 04 42 C8 00 00 4F 1F", 1, 1, "00 00 C8 42", true},
        {"4E 55 08 3F F8 00 00 00 00 00 00 4F 1F", 0, 0, "00 00 C8 42", true},
        {"5E 91 02 91 20 5F 1F", 1, 0, "00 00 C8 42", false},  // an access error clears the change
        {"4E 44 42 C8 00 00 4F 1F", 1, 0, "00 00 C8 42", false},  // unchanged since the error
    };
    BothDecoders([&](bool general) {
        auto prop = Bind(0, 5, L"PresentValue");
        int index = 0;
        for (const auto& step : steps) {
            const std::string where = "step " + std::to_string(index++) + (general ? ", general" : "");
            Received wire("0C 00 00 00 05 1E 29 55 " + std::string(step.wire));
            int len = 0;
            EXPECT_EQ(step.result, prop->ReadFrameToMulti(wire.buf(), len, wire.end())) << where;
            EXPECT_EQ(step.changeState, prop->IsChangeValue()) << where;
            EXPECT_EQ(step.value, ToHex(prop->m_value, 4)) << where;
            if (step.taken)
                prop->ResetChangeValue();
        }
    });
}

// A bound tag encodes into its own value buffer: a description's holds 84
// octets, 83 characters and the 0.
TEST(ObjTypesTest, SetValueEncodesInTheTagsOwnRoom)
{
    auto prop = Bind(0, 1, L"Description");
    for (int n : {83, 84}) {
        CTagVal value;
        value.SetVal(std::wstring(n, L'd').c_str());
        std::vector<unsigned char> buf(100);
        int len = 0;
        EXPECT_EQ(n == 83 ? 1 : 0, prop->SetValue(buf.data(), len, value, 0, 0)) << n;
        EXPECT_EQ(n == 83 ? "75 55 00 64 64" : "", ToHex(buf.data(), std::min(len, 5))) << n;
    }
}

// Copies and assignments own their buffers; a rebinding replaces them, and
// one refused after the property was found leaves the tag unbound: it then
// decodes, hands over and encodes nothing. Every object releases its own
// buffers once (LeakSanitizer, AddressSanitizer).
TEST(ObjTypesTest, CopiesAndRebindingsOwnTheirBuffers)
{
    auto prop = Bind(0, 5, L"PresentValue");
    Received wire("0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F");
    int len = 0;
    ASSERT_EQ(1, prop->ReadFrameToMulti(wire.buf(), len, wire.end()));
    const std::string state = State(*prop);

    CBACnetObjTypes copy(*prop);
    EXPECT_EQ(state, State(copy));
    auto assigned = Bind(8, 1, L"ObjectName");
    *assigned = *prop;
    CBACnetObjTypes& alias = *assigned;
    *assigned = alias;
    EXPECT_EQ(state, State(*assigned));
    CBACnetObjTypes unbound(_BACnetObjectID(0, 1));
    *assigned = unbound;
    CBACnetObjTypes unboundCopy(unbound);
    EXPECT_TRUE(!assigned->m_value && !assigned->m_received && !unboundCopy.m_value);

    unsigned short subType;
    const struct {
        const wchar_t* name;
        int result, propertyID, changeState;
        bool bound;
    } bindings[] = {
        {L"Description", 1, 28, -1, true},
        {L"NoSuchProperty", 0, 28, -1, true},  // nothing found: the binding stays
        {L"PresentValue[2]", 0, 85, -1, false},
    };
    for (const auto& b : bindings) {
        CString name(b.name);
        EXPECT_EQ(b.result, copy.CreateProperty(name, subType, 0));
        EXPECT_EQ(b.propertyID, copy.m_propertyID);
        EXPECT_EQ(b.changeState, copy.IsChangeValue());
        EXPECT_EQ(b.bound, copy.m_value != nullptr);
    }
    len = 0;
    EXPECT_EQ(0, copy.ReadFrameToMulti(wire.buf(), len, wire.end()));
    Received single("0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F");
    EXPECT_EQ(0, copy.ReadFrameToSingle(single.buf(), len, single.end()));
    EXPECT_EQ(0, len);
    CTagVal value;
    EXPECT_EQ(0, copy.GetValue(value, 0, 0));
    unsigned char buf[16];
    value.SetVal(1.0);
    EXPECT_EQ(0, copy.SetValue(buf, len, value, 0, 0));
}

// The catalogue's invariants and the edges of its name table; its rows are
// checked where tags bind by them (above).
TEST(PropertyCatalogueTest, NamesByIdentifier)
{
    const struct {
        int id;
        const char* name;
    } rows[] = {
        {0, "ackedtransition"}, {124, "..."}, {125, ""},     {1737, "Input_Type"}, {1836, "Outside_Enthalphy"},
        {1837, ""},             {2509, "User10"}, {2510, ""}, {-1, ""},            {-2147483647 - 1, ""},
    };
    for (const auto& row : rows)
        EXPECT_STREQ(row.name, CBACnetObjTypes::GetStr_BACnetPropertyID(row.id)) << row.id;
}

// Every list: no identifier twice, ObjectName present (writable only for the
// three catalogue-only types), and a text form exactly for character strings
// and the device's date and time.
TEST(PropertyCatalogueTest, ListInvariants)
{
    for (unsigned type = 0; type < CBACnetObjTypes::OBJECT_TYPE_COUNT; type++) {
        int count = -1;
        const _BACnetPropertyDef* list = CBACnetObjTypes::GetPropertyList(type, count);
        ASSERT_NE(nullptr, list) << type;
        ASSERT_GT(count, 3) << type;
        std::set<int> ids;
        for (int i = 0; i < count; i++) {
            const _BACnetPropertyDef& def = list[i];
            const std::string where = std::to_string(type) + ", property " + std::to_string(def.m_propertyID);
            EXPECT_TRUE(ids.insert(def.m_propertyID).second) << where << " twice";
            const bool text = def.m_dataType == CBACnetTypes::DT_CHARACTER_STRING ||
                              (type == 8 && (def.m_propertyID == 56 || def.m_propertyID == 57));
            EXPECT_EQ(text ? 1 : 0, def.m_textValue) << where;
            if (def.m_propertyID == 77) {
                EXPECT_EQ(type >= 18 ? 1 : 0, def.m_writable) << where;
            }
        }
        EXPECT_EQ(1u, ids.count(77)) << type;
    }
    int count = -1;
    EXPECT_EQ(nullptr, CBACnetObjTypes::GetPropertyList(21, count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, CBACnetObjTypes::GetPropertyList(1023, count));
}

}  // namespace

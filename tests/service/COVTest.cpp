#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Devices.h"
#include "Hex.h"
#include "frame/PDU.h"
#include "object/OBJ.h"
#include "service/COVNotifyService.h"
#include "service/SubscribeCOVService.h"

namespace {

const DWORD kAnalogInput10 = 0x0000000A;
const DWORD kDevice4 = 0x02000004;

using Property = CBACnetSubscribeCOVPropertyService;
using Plain = CBACnetSubscribeCOVService;

// The plain form is the base class's: its calls on a property subscription
// use only the plain fields.
unsigned char Make(bool property, Property& s, unsigned char* buf, int& len, CBACnetOBJ* device)
{
    return property ? s.MakeFrame(buf, len, device) : static_cast<Plain&>(s).MakeFrame(buf, len, device);
}

int Read(bool property, unsigned char* buf, int& len, int end, Property& s)
{
    return property ? s.ReadFrame(buf, len, end) : static_cast<Plain&>(s).ReadFrame(buf, len, end);
}

// Built, decoded back and built again: the same octets (the fuzz target
// decodes every cut). Malformed requests are refused.
TEST(SubscribeCOV, RequestsBothWays)
{
    const struct {
        const char* name;
        bool property;
        DWORD processID;
        int cancel, confirmed;
        DWORD lifetime, propertyID, arrayIndex;
        int hasIncrement;
        const char* params;  // after the four-octet APDU header
    } cases[] = {
        {"confirmed, no end", false, 18, 0, 1, 0, 0, 0, 0, "09 12 1C 00 00 00 0A 29 01 39 00"},
        {"unconfirmed, one hour", false, 18, 0, 0, 3600, 0, 0, 0, "09 12 1C 00 00 00 0A 29 00 3A 0E 10"},
        {"cancellation", false, 18, 1, 0, 0, 0, 0, 0, "09 12 1C 00 00 00 0A"},
        {"property with increment", true, 18, 0, 1, 60, 85, Property::NO_ARRAY_INDEX, 1,
         "09 12 1C 00 00 00 0A 29 01 39 3C 4E 09 55 4F 5C 3F 80 00 00"},
        {"property element, no increment", true, 7, 0, 0, 300, 87, 8, 0,
         "09 07 1C 00 00 00 0A 29 00 3A 01 2C 4E 09 57 19 08 4F"},
        {"property cancellation", true, 7, 1, 0, 0, 85, Property::NO_ARRAY_INDEX, 0,
         "09 07 1C 00 00 00 0A 4E 09 55 4F"},
    };
    for (const auto& c : cases) {
        InvokeIDScope scope(14);
        CBACnetOBJ device = LocalDevice(206);
        Property s;
        s.m_processID = c.processID;
        s.m_objectID.SetValue(kAnalogInput10);
        s.m_cancel = c.cancel;
        s.m_issueConfirmed = c.confirmed;
        s.m_lifetime = c.lifetime;
        s.m_propertyID = c.propertyID;
        s.m_arrayIndex = c.arrayIndex;
        s.m_hasIncrement = c.hasIncrement;
        s.m_covIncrement = 1.0f;
        unsigned char buf[64];
        int len = 0;
        EXPECT_EQ(Make(c.property, s, buf, len, &device), 15) << c.name;
        const std::string frame = (c.property ? "01 04 02 02 0F 1C " : "01 04 02 02 0F 05 ") + std::string(c.params);
        EXPECT_EQ(ToHex(buf, len), frame) << c.name;

        Received params(c.params);
        Property back;
        int at = 0;
        ASSERT_EQ(Read(c.property, params.buf(), at, params.end(), back), 1) << c.name;
        EXPECT_EQ(at, params.end()) << c.name;
        CBACnetPDU::c_invokeID = 14;
        len = 0;
        Make(c.property, back, buf, len, &device);
        EXPECT_EQ(ToHex(buf, len), frame) << c.name;
    }

    const struct {
        const char* name;
        bool property;
        const char* params;
    } refused[] = {
        {"issue-confirmed without lifetime", false, "09 12 1C 00 00 00 0A 29 01"},
        {"lifetime without issue-confirmed", false, "09 12 1C 00 00 00 0A 39 00"},
        {"boolean of 2", false, "09 12 1C 00 00 00 0A 29 02 39 00"},
        {"empty lifetime", false, "09 12 1C 00 00 00 0A 29 01 38"},
        {"application-tagged process", false, "21 12 1C 00 00 00 0A"},
        {"property: reference missing", true, "09 12 1C 00 00 00 0A 5C 3F 80 00 00"},
        {"property: two-octet increment", true, "09 12 1C 00 00 00 0A 4E 09 55 4F 5A 3F 80"},
        {"property: index of no octets", true, "09 07 1C 00 00 00 0A 4E 09 57 18 4F"},
        {"an octet after the parameters", false, "09 12 1C 00 00 00 0A 29 01 39 00 00"},
        {"property: an octet after the increment", true, "09 12 1C 00 00 00 0A 4E 09 55 4F 5C 3F 80 00 00 00"},
    };
    for (const auto& c : refused) {
        Received frame(c.params);
        Property s;
        int pos = 0;
        EXPECT_EQ(Read(c.property, frame.buf(), pos, frame.end(), s), 0) << c.name;
        EXPECT_LE(pos, frame.end()) << c.name;
    }
}

// Analog input 10 of device 4 at 65.0, no status flag set, for process 18.
const char* const kNotification =
    "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 44 42 82 00 00 2F 09 6F 2E 82 04 00 2F 4F";

// Decoded, then written back from the decoded fields: the same octets (the
// fuzz target decodes every cut and encodes into too little room).
TEST(COVNotification, DecodesPresentValueAndStatusFlags)
{
    const std::string head = "09 12 1C 02 00 00 04 2C 00 00 00 0A ";
    const struct {
        const char* name;
        std::string params;
        int entries;  // -1: refused
        DWORD timeRemaining = 0;
        double presentValue = NAN;  // NAN: none
        int flags = -1;             // -1: none
    } cases[] = {
        {"real and flags", kNotification, 2, 0, 65.0, 0},
        {"binary, in alarm and out of service, 5 minutes left",
         "09 12 1C 02 00 00 04 2C 00 C0 00 01 3A 01 2C 4E 09 55 2E 91 01 2F 09 6F 2E 82 04 90 2F 4F", 2, 300, 1, 0x09},
        {"unsigned, with index and priority",
         "09 01 1C 02 00 00 04 2C 04 C0 00 01 39 3C 4E 09 55 19 00 2E 21 07 2F 39 08 4F", 1, 60, 7, -1},
        {"a list value and a text", head + "39 00 4E 09 57 2E 00 00 44 41 A0 00 00 2F 09 4D 2E 73 00 41 42 2F 4F", 2, 0,
         NAN, -1},
        {"no values", head + "39 00 4E 4F", 0, 0, NAN, -1},
        {"list not opened", head + "39 00 09 55", -1},
        {"value not closed before the list closes", head + "39 00 4E 09 55 2E 44 42 82 00 00 4F", -1},
        {"value shorter than its length", head + "39 00 4E 09 55 2E 44 42 82 2F 4F", -1},
        {"priority 17", head + "39 00 4E 09 55 2E 10 2F 39 11 4F", -1},
        {"time remaining missing", head + "4E 4F", -1},
        {"initiating device context 2", "09 12 2C 02 00 00 04 2C 00 00 00 0A 39 00 4E 4F", -1},
        {"an octet after the list", head + "39 00 4E 4F 00", -1},
    };
    for (const auto& c : cases) {
        Received frame(c.params);
        CBACnetCOVNotifyService n;
        int len = 0;
        ASSERT_EQ(n.ReadFrame(frame.buf(), len, frame.end()), c.entries >= 0 ? 1 : 0) << c.name;
        if (c.entries < 0)
            continue;
        EXPECT_EQ(len, frame.end()) << c.name;
        EXPECT_EQ(n.m_deviceID.GetValue(), kDevice4) << c.name;
        EXPECT_EQ(n.m_timeRemaining, c.timeRemaining) << c.name;
        EXPECT_EQ(n.m_values.size(), size_t(c.entries)) << c.name;
        double pv = NAN;
        unsigned char flags = 0;
        EXPECT_EQ(n.GetPresentValue(pv), std::isnan(c.presentValue) ? 0 : 1) << c.name;
        EXPECT_EQ(std::isnan(pv) ? -1.0 : pv, std::isnan(c.presentValue) ? -1.0 : c.presentValue) << c.name;
        EXPECT_EQ(n.GetStatusFlags(flags) ? flags : -1, c.flags) << c.name;

        unsigned char out[128];
        int at = 0;
        ASSERT_EQ(n.MakeParamsFrame(out, at, sizeof out), 1) << c.name;
        EXPECT_EQ(ToHex(out, at), c.params) << c.name;
    }
}

TEST(COVNotification, WholeFramesAndTheAcknowledgement)
{
    InvokeIDScope scope(14);
    CBACnetConfirmedCOVNotifyService confirmed;
    confirmed.m_processID = 18;
    confirmed.m_deviceID.SetValue(kDevice4);
    confirmed.m_objectID.SetValue(kAnalogInput10);
    confirmed.m_values.emplace_back(85, CBACnetValue::Real(65.0f));
    confirmed.m_values.emplace_back(111, CBACnetValue::Bits({false, false, false, false}));
    CBACnetOBJ subscriber = LocalDevice(1476);
    unsigned char buf[128];
    int len = 0;
    EXPECT_EQ(confirmed.MakeFrame(buf, len, sizeof buf, &subscriber), 15);
    EXPECT_EQ(ToHex(buf, len), std::string("01 04 02 05 0F 01 ") + kNotification);
    // No room for the header: refused, nothing written.
    len = 0;
    EXPECT_EQ(confirmed.MakeFrame(buf, len, 5, &subscriber), -1);
    EXPECT_EQ(len, 0);

    CBACnetCOVNotifyService unconfirmed;
    static_cast<CBACnetCOVNotification&>(unconfirmed) = confirmed;
    len = 0;
    EXPECT_EQ(unconfirmed.MakeFrame(buf, len, sizeof buf), 1);
    EXPECT_EQ(ToHex(buf, len), std::string("01 00 10 02 ") + kNotification);

    // The Simple-ACK to a notifier behind a router.
    CBACnetOBJ routed = RoutedDevice(5, {0x0A});
    len = 0;
    CBACnetConfirmedCOVNotifyService::MakeAckFrame(buf, len, &routed, 200);
    EXPECT_EQ(ToHex(buf, len), "01 20 00 05 01 0A FF 20 C8 01");
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "Hex.h"
#include "InvokeID.h"
#include "frame/PDU.h"
#include "object/OBJ.h"
#include "service/COVNotifyService.h"
#include "service/SubscribeCOVService.h"

namespace {

const DWORD kAnalogInput10 = 0x0000000A;
const DWORD kDevice4 = 0x02000004;

// ---- Subscriptions ---------------------------------------------------------

struct SubscribeCase {
    const char* name;
    bool property;                 // SubscribeCOVProperty
    DWORD processID;
    int cancel, confirmed;
    DWORD lifetime;
    DWORD propertyID, arrayIndex;  // property only
    int hasIncrement;
    float increment;
    const char* params;            // after the four-octet APDU header
};

const SubscribeCase kSubscriptions[] = {
    {"confirmed, no end", false, 18, 0, 1, 0, 0, 0, 0, 0, "09 12 1C 00 00 00 0A 29 01 39 00"},
    {"unconfirmed, one hour", false, 18, 0, 0, 3600, 0, 0, 0, 0, "09 12 1C 00 00 00 0A 29 00 3A 0E 10"},
    {"cancellation", false, 18, 1, 0, 0, 0, 0, 0, 0, "09 12 1C 00 00 00 0A"},
    {"four-octet process", false, 0x01020304, 0, 0, 0x00FFFFFF, 0, 0, 0, 0,
     "0C 01 02 03 04 1C 00 00 00 0A 29 00 3B FF FF FF"},
    {"property with increment", true, 18, 0, 1, 60, 85, CBACnetSubscribeCOVPropertyService::NO_ARRAY_INDEX, 1, 1.0f,
     "09 12 1C 00 00 00 0A 29 01 39 3C 4E 09 55 4F 5C 3F 80 00 00"},
    {"property element, no increment", true, 7, 0, 0, 300, 87, 8, 0, 0,
     "09 07 1C 00 00 00 0A 29 00 3A 01 2C 4E 09 57 19 08 4F"},
    {"property cancellation", true, 7, 1, 0, 0, 85, CBACnetSubscribeCOVPropertyService::NO_ARRAY_INDEX, 0, 0,
     "09 07 1C 00 00 00 0A 4E 09 55 4F"},
};

TEST(SubscribeCOV, RequestsBothWays)
{
    for (const SubscribeCase& c : kSubscriptions) {
        InvokeIDScope scope(14);
        CBACnetOBJ device;
        device.m_maxAPDU = 206;
        CBACnetSubscribeCOVPropertyService property;
        CBACnetSubscribeCOVService plain;
        CBACnetSubscribeCOVService& s = c.property ? property : plain;
        s.m_processID = c.processID;
        s.m_objectID.SetValue(kAnalogInput10);
        s.m_cancel = c.cancel;
        s.m_issueConfirmed = c.confirmed;
        s.m_lifetime = c.lifetime;
        property.m_propertyID = c.propertyID;
        property.m_arrayIndex = c.arrayIndex;
        property.m_hasIncrement = c.hasIncrement;
        property.m_covIncrement = c.increment;
        unsigned char buf[64];
        int len = 0;
        const unsigned char id = c.property ? property.MakeFrame(buf, len, &device) : plain.MakeFrame(buf, len, &device);
        EXPECT_EQ(id, 15) << c.name;
        const std::string header = c.property ? "01 04 02 02 0F 1C " : "01 04 02 02 0F 05 ";
        EXPECT_EQ(ToHex(buf, len), header + c.params) << c.name;

        // A device decodes the same parameters back.
        Received frame(c.params);
        CBACnetSubscribeCOVPropertyService backProperty;
        CBACnetSubscribeCOVService backPlain;
        int at = 0;
        const int ok = c.property ? backProperty.ReadFrame(frame.buf(), at, frame.end())
                                  : backPlain.ReadFrame(frame.buf(), at, frame.end());
        ASSERT_EQ(ok, 1) << c.name;
        EXPECT_EQ(at, frame.end()) << c.name;
        CBACnetSubscribeCOVService& b = c.property ? backProperty : backPlain;
        EXPECT_EQ(b.m_processID, c.processID) << c.name;
        EXPECT_EQ(b.m_objectID.GetValue(), kAnalogInput10) << c.name;
        EXPECT_EQ(b.m_cancel, c.cancel) << c.name;
        if (!c.cancel) {
            EXPECT_EQ(b.m_issueConfirmed, c.confirmed) << c.name;
            EXPECT_EQ(b.m_lifetime, c.lifetime) << c.name;
        }
        if (c.property) {
            EXPECT_EQ(backProperty.m_propertyID, c.propertyID) << c.name;
            EXPECT_EQ(backProperty.m_arrayIndex, c.arrayIndex) << c.name;
            EXPECT_EQ(backProperty.m_hasIncrement, c.hasIncrement) << c.name;
            EXPECT_EQ(backProperty.m_covIncrement, c.increment) << c.name;
        }

        // Every cut that loses a field the grammar needs is refused; a cut
        // after a whole optional tail is a shorter valid request.
        const auto bytes = Hex(c.params);
        const size_t objectEnd = 1 + (bytes[0] & 7) + 5;  // process [0] and object [1]
        const std::string shorter = !c.property && !c.cancel ? std::to_string(objectEnd)
                                    : c.property && c.hasIncrement ? std::to_string(bytes.size() - 5)
                                                                   : "";
        EXPECT_EQ(CutsTaken(bytes, [&](unsigned char* buf, int& len, int end) {
                      return c.property ? CBACnetSubscribeCOVPropertyService().ReadFrame(buf, len, end)
                                        : CBACnetSubscribeCOVService().ReadFrame(buf, len, end);
                  }), shorter)
            << c.name;
    }
}

TEST(SubscribeCOV, RefusedRequests)
{
    const struct {
        const char* name;
        bool property;
        const char* params;
    } cases[] = {
        {"issue-confirmed without lifetime", false, "09 12 1C 00 00 00 0A 29 01"},
        {"lifetime without issue-confirmed", false, "09 12 1C 00 00 00 0A 39 00"},
        {"boolean of 2", false, "09 12 1C 00 00 00 0A 29 02 39 00"},
        {"five-octet lifetime", false, "09 12 1C 00 00 00 0A 29 01 3D 05 00 00 00 00 01"},
        {"empty lifetime", false, "09 12 1C 00 00 00 0A 29 01 38"},
        {"application-tagged process", false, "21 12 1C 00 00 00 0A"},
        {"three-octet object", false, "09 12 1B 00 00 0A"},
        {"property: reference not closed", true, "09 12 1C 00 00 00 0A 4E 09 55 5F"},
        {"property: reference missing", true, "09 12 1C 00 00 00 0A 5C 3F 80 00 00"},
        {"property: two-octet increment", true, "09 12 1C 00 00 00 0A 4E 09 55 4F 5A 3F 80"},
        {"an octet after the parameters", false, "09 12 1C 00 00 00 0A 29 01 39 00 00"},
        {"property: an octet after the increment", true, "09 12 1C 00 00 00 0A 4E 09 55 4F 5C 3F 80 00 00 00"},
    };
    for (const auto& c : cases) {
        Received frame(c.params);
        CBACnetSubscribeCOVPropertyService p;
        CBACnetSubscribeCOVService q;
        int pos = 0;
        EXPECT_EQ(c.property ? p.ReadFrame(frame.buf(), pos, frame.end()) : q.ReadFrame(frame.buf(), pos, frame.end()),
                  0)
            << c.name;
        EXPECT_LE(pos, frame.end()) << c.name;
    }
}

// ---- Notifications ----------------------------------------------------------

// Analog input 10 of device 4 at 65.0, no status flag set, for process 18.
const char* const kNotification =
    "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 44 42 82 00 00 2F 09 6F 2E 82 04 00 2F 4F";

TEST(COVNotification, DecodesPresentValueAndStatusFlags)
{
    const struct {
        const char* name;
        const char* params;
        double presentValue;
        int hasPresentValue;
        unsigned char flags;
        int hasFlags;
        size_t entries;
        DWORD timeRemaining;
    } cases[] = {
        {"real and flags", kNotification, 65.0, 1, 0, 1, 2, 0},
        {"binary, in alarm and out of service, 5 minutes left",
         "09 12 1C 02 00 00 04 2C 00 C0 00 01 3A 01 2C 4E 09 55 2E 91 01 2F 09 6F 2E 82 04 90 2F 4F", 1, 1, 0x09, 1,
         2, 300},
        {"unsigned, with index and priority",
         "09 01 1C 02 00 00 04 2C 04 C0 00 01 39 3C 4E 09 55 19 00 2E 21 07 2F 39 08 4F", 7, 1, 0, 0, 1, 60},
        {"a list value and a text",
         "09 01 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 57 2E 00 00 44 41 A0 00 00 2F 09 4D 2E 73 00 41 42 2F 4F",
         0, 0, 0, 0, 2, 0},
        {"no values", "09 01 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 4F", 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        Received frame(c.params);
        CBACnetCOVNotifyService n;
        int len = 0;
        ASSERT_EQ(n.ReadFrame(frame.buf(), len, frame.end()), 1) << c.name;
        EXPECT_EQ(len, frame.end()) << c.name;
        EXPECT_EQ(n.m_deviceID.GetValue(), kDevice4) << c.name;
        EXPECT_EQ(n.m_timeRemaining, c.timeRemaining) << c.name;
        EXPECT_EQ(n.m_values.size(), c.entries) << c.name;
        double pv = -1;
        unsigned char flags = 0xFF;
        EXPECT_EQ(n.GetPresentValue(pv), c.hasPresentValue) << c.name;
        if (c.hasPresentValue) {
            EXPECT_EQ(pv, c.presentValue) << c.name;
        }
        EXPECT_EQ(n.GetStatusFlags(flags), c.hasFlags) << c.name;
        if (c.hasFlags) {
            EXPECT_EQ(flags, c.flags) << c.name;
        }

        // Written back from the decoded fields: the same octets.
        unsigned char out[128];
        int at = 0;
        ASSERT_EQ(n.MakeParamsFrame(out, at, sizeof out), 1) << c.name;
        EXPECT_EQ(ToHex(out, at), c.params) << c.name;
        // With one octet too little room: refused, nothing moved.
        at = 0;
        EXPECT_EQ(n.MakeParamsFrame(out, at, frame.end() - 1), 0) << c.name;
        EXPECT_EQ(at, 0) << c.name;

        // Every cut is refused: a value never ends before its closing tag.
        EXPECT_EQ(CutsTaken(c.params, [](unsigned char* buf, int& len, int end) {
                      return CBACnetConfirmedCOVNotifyService().ReadFrame(buf, len, end);
                  }), "")
            << c.name;
    }
}

TEST(COVNotification, RefusedNotifications)
{
    const struct {
        const char* name;
        const char* params;
    } cases[] = {
        {"list not opened", "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 09 55"},
        {"value not closed before the list closes", "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 44 42 82 00 00 4F"},
        {"closing tag 3 for opening tag 2", "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 44 42 82 00 00 3F 4F"},
        {"value shorter than its length", "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 44 42 82 2F 4F"},
        {"priority 0", "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 10 2F 39 00 4F"},
        {"priority 17", "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 10 2F 39 11 4F"},
        {"time remaining missing", "09 12 1C 02 00 00 04 2C 00 00 00 0A 4E 4F"},
        {"initiating device context 2", "09 12 2C 02 00 00 04 2C 00 00 00 0A 39 00 4E 4F"},
        {"an octet after the list", "09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 4F 00"},
    };
    for (const auto& c : cases) {
        Received frame(c.params);
        CBACnetCOVNotifyService n;
        int len = 0;
        EXPECT_EQ(n.ReadFrame(frame.buf(), len, frame.end()), 0) << c.name;
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
    CBACnetOBJ subscriber;
    subscriber.m_maxAPDU = 1476;
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

    // The Simple-ACK to the notifier, local and behind a router.
    len = 0;
    CBACnetOBJ local;
    CBACnetConfirmedCOVNotifyService::MakeAckFrame(buf, len, &local, 15);
    EXPECT_EQ(ToHex(buf, len), "01 00 20 0F 01");
    CBACnetOBJ routed;
    routed.m_address.m_network[0] = 0x00;
    routed.m_address.m_network[1] = 0x05;
    routed.m_address.m_macLength = 1;
    routed.m_address.m_mac[0] = 0x0A;
    len = 0;
    CBACnetConfirmedCOVNotifyService::MakeAckFrame(buf, len, &routed, 200);
    EXPECT_EQ(ToHex(buf, len), "01 20 00 05 01 0A FF 20 C8 01");
}

}  // namespace

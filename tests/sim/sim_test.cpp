// The simulated device, driven on an in-memory network by a client built
// from the library's own request encoders and reply decoders.
#include <gtest/gtest.h>

#include <bacnetcodec/bacnetcodec.h>

#include <chrono>
#include <memory>
#include <thread>

#include "Hex.h"
#include "sim/SimClient.h"
#include "SimDatabase.h"
#include "SimDevice.h"
#include "SimFrame.h"
#include "SimServices.h"
#include "client/MemoryLink.h"
#include "client/UdpLink.h"

namespace {

constexpr uint32_t kInstance = 4321;  // device 02 00 10 E1 on the wire
constexpr int kObjectsWithoutExtras = 11;
constexpr bacnet::Endpoint kDeviceAt = bacnet::Endpoint::Loopback(47808);
constexpr bacnet::Endpoint kClientAt = bacnet::Endpoint::Loopback(40000);

// One reply, reassembled when it came in segments.
struct Exchange {
    std::vector<unsigned char> apdu;
    int segments = 0;
    int negativeAcks = 0;
};

void SegmentAck(Client& client, unsigned char invokeID, int sequence, int window, bool negative)
{
    CBACnetSegmentAckPDU ack;
    ack.m_firstOctet = negative ? 0x42 : 0x40;
    ack.SetInvokeID(invokeID);
    ack.SetSequenceNo(static_cast<unsigned char>(sequence));
    ack.SetWindowSize(static_cast<unsigned char>(window));
    std::vector<unsigned char> apdu(4);
    int len = 0;
    ack.MakeFrame(apdu.data(), len);
    client.Request(apdu);
}

// Collects the reply to a request. A segmented Complex-ACK is put back
// together: the first segment is acknowledged at once, then every `window`
// segments and the last; a gap is reported once with a negative
// acknowledgement; a lost segment is waited for (the device resends).
bool Collect(Client& client, Exchange& out, int window = 1)
{
    std::vector<unsigned char> apdu;
    if (!client.Receive(apdu))
        return false;
    if (apdu.size() < 5 || (apdu[0] & 0xF8) != 0x38) {
        out.apdu = apdu;
        return true;
    }
    const unsigned char invokeID = apdu[1];
    out.apdu = {0x30, invokeID, apdu[4]};
    int expected = 0, sinceAck = 0;
    bool gapReported = false;
    for (;;) {
        if (apdu.size() < 5 || (apdu[0] & 0xF8) != 0x38 || apdu[1] != invokeID)
            return false;
        const int sequence = apdu[2];
        const bool more = (apdu[0] & 0x04) != 0;
        if (sequence == expected) {
            out.apdu.insert(out.apdu.end(), apdu.begin() + 5, apdu.end());
            out.segments++;
            expected++;
            sinceAck++;
            gapReported = false;
            if (!more || expected == 1 || sinceAck == window) {
                SegmentAck(client, invokeID, sequence, window, false);
                sinceAck = 0;
            }
            if (!more)
                return true;
        } else if (sequence > expected && expected > 0 && !gapReported) {
            SegmentAck(client, invokeID, expected - 1, window, true);
            out.negativeAcks++;
            gapReported = true;
            sinceAck = 0;
        }
        if (!client.Receive(apdu, 5000))
            return false;
    }
}

// Binds a host tag to a property of an object, as a driver does.
std::unique_ptr<CBACnetObjTypes> Bind(unsigned type, unsigned instance, const wchar_t* property)
{
    auto tag = std::make_unique<CBACnetObjTypes>(_BACnetObjectID(type, instance));
    CString name(property);
    unsigned short subType;
    EXPECT_TRUE(tag->CreateProperty(name, subType, 0)) << "binding " << type << "," << instance;
    return tag;
}

class SimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.deviceInstance = kInstance;
        options.verbose = getenv("SIM_VERBOSE") != nullptr;
        device = std::make_unique<SimDevice>(net, kDeviceAt, options);
        client = std::make_unique<Client>(link, kDeviceAt);
        record.m_objectID = _BACnetObjectID(8, kInstance);
    }

    // Sends a frame a library encoder built and collects the reply.
    std::vector<unsigned char> Transact(const unsigned char* frame, int n)
    {
        client->Send(frame, n);
        Exchange reply;
        EXPECT_TRUE(Collect(*client, reply)) << "no reply";
        return reply.apdu;
    }

    // Reads one property into a property codec with ReadProperty: the
    // acknowledgement's fixed fields go to the service, the value to the codec.
    template <class Codec>
    ::testing::AssertionResult ReadInto(Codec& codec, int window = 1, Exchange* exchange = nullptr)
    {
        CBACnetReadPropertyService service;
        unsigned char frame[64];
        int len = 0;
        const unsigned char invokeID = service.MakeFrame(frame, len, &record, &codec);
        client->Send(frame, len);
        Exchange reply;
        if (!Collect(*client, reply, window))
            return ::testing::AssertionFailure() << "no reply";
        if (reply.apdu.size() < 3 || reply.apdu[0] != 0x30 || reply.apdu[1] != invokeID || reply.apdu[2] != 12)
            return ::testing::AssertionFailure() << "reply " << ToHex(reply.apdu);
        Received ack(reply.apdu);
        int at = 3;
        if (!service.ReadFrame(ack.buf(), at, ack.end(), &codec) || !codec.ReadFrame(ack.buf(), at, ack.end()))
            return ::testing::AssertionFailure() << "undecodable " << ToHex(reply.apdu);
        if (exchange)
            *exchange = reply;
        return ::testing::AssertionSuccess();
    }

    // Reads a bound host tag with ReadProperty; its change state takes the value.
    ::testing::AssertionResult ReadTag(CBACnetObjTypes& tag)
    {
        CBACnetReadPropertyService service;
        unsigned char frame[64];
        int len = 0;
        service.MakeHeaderFrame(frame, len, &record, 50);
        tag.MakeFrameToSingle(frame, len);
        const std::vector<unsigned char> reply = Transact(frame, len);
        if (reply.size() < 3 || reply[0] != 0x30)
            return ::testing::AssertionFailure() << "reply " << ToHex(reply);
        Received ack(reply);
        int at = 3;
        if (!tag.ReadFrameToSingle(ack.buf(), at, ack.end()))
            return ::testing::AssertionFailure() << "undecodable " << ToHex(reply);
        return ::testing::AssertionSuccess();
    }

    bacnet::MemoryNetwork net;
    bacnet::MemoryLink link{net, kClientAt};
    SimOptions options;
    std::unique_ptr<SimDevice> device;
    std::unique_ptr<Client> client;
    CBACnetOBJ record;  // the simulated device as a driver knows it
};

// Requests and replies octet by octet (APDUs; the client adds 01 04, the
// device's replies carry 01 00). Rows run in order on one device; an empty
// reply: none comes.
TEST_F(SimTest, RepliesOnTheWire)
{
    struct Case {
        const char* name;
        const char* request;
        const char* reply;
    } cases[] = {
        {"object name", "02 05 01 0C 0C 00 80 00 01 19 4D",
         "30 01 0C 0C 00 80 00 01 19 4D 3E 75 0E 00 5A 6F 6E 65 20 53 65 74 70 6F 69 6E 74 3F"},
        {"priority array size", "02 05 02 0C 0C 00 40 00 01 19 57 29 00", "30 02 0C 0C 00 40 00 01 19 57 29 00 3E 21 10 3F"},
        {"empty priority slot", "02 05 03 0C 0C 00 40 00 01 19 57 29 08", "30 03 0C 0C 00 40 00 01 19 57 29 08 3E 00 3F"},
        {"state text", "02 05 04 0C 0C 04 C0 00 01 19 6E 29 02", "30 04 0C 0C 04 C0 00 01 19 6E 29 02 3E 75 05 00 48 65 61 74 3F"},
        {"status flags", "02 05 05 0C 0C 00 00 00 01 19 6F", "30 05 0C 0C 00 00 00 01 19 6F 3E 82 04 00 3F"},
        {"unknown object", "02 05 06 0C 0C 00 00 00 63 19 55", "50 06 0C 91 01 91 1F"},
        {"unknown property", "02 05 07 0C 0C 00 00 00 01 19 7B", "50 07 0C 91 02 91 20"},
        {"index on a plain property", "02 05 08 0C 0C 00 00 00 01 19 75 29 01", "50 08 0C 91 02 91 32"},
        {"index past the array", "02 05 09 0C 0C 00 40 00 01 19 57 29 11", "50 09 0C 91 02 91 2A"},
        {"read-only present value", "02 05 0A 0F 0C 00 00 00 01 19 55 3E 44 41 20 00 00 3F", "50 0A 0F 91 02 91 28"},
        {"read-only identifier", "02 05 0B 0F 0C 00 80 00 01 19 4B 3E C4 00 80 00 05 3F", "50 0B 0F 91 02 91 28"},
        {"binary value out of range", "02 05 0C 0F 0C 01 40 00 01 19 55 3E 91 02 3F", "50 0C 0F 91 02 91 25"},
        {"wrong data type", "02 05 0D 0F 0C 00 80 00 01 19 55 3E 71 00 3F", "50 0D 0F 91 02 91 09"},
        {"commanded at priority 9", "02 05 0E 0F 0C 00 80 03 E8 19 55 3E 44 41 B4 00 00 3F 49 09", "20 0E 0F"},
        {"present value follows", "02 05 0F 0C 0C 00 80 03 E8 19 55", "30 0F 0C 0C 00 80 03 E8 19 55 3E 44 41 B4 00 00 3F"},
        {"relinquished", "02 05 10 0F 0C 00 80 03 E8 19 55 3E 00 3F 49 09", "20 10 0F"},
        {"relinquish default again", "02 05 11 0C 0C 00 80 03 E8 19 55", "30 11 0C 0C 00 80 03 E8 19 55 3E 44 00 00 00 00 3F"},
        {"unknown confirmed service", "02 05 12 1B 09 01", "60 12 09"},
        {"service beyond the table", "02 05 13 1E", "60 13 09"},
        {"missing property", "02 05 14 0C 0C 00 00 00 01", "60 14 05"},
        {"wrong tag", "02 05 15 0C 1C 00 00 00 01 19 55", "60 15 04"},
        {"too many arguments", "02 05 16 0C 0C 00 00 00 01 19 55 49 01", "60 16 07"},
        {"priority out of range", "02 05 17 0F 0C 00 80 00 01 19 55 3E 00 3F 49 11", "60 17 06"},
        {"segmented request", "0A 05 18 00 01 0C 0C 00 00 00 01 19 55", "71 18 04"},
        {"output not deletable", "02 05 19 0B C4 00 40 00 01", "50 19 0B 91 01 91 17"},
        {"delete unknown", "02 05 1A 0B C4 00 80 00 63", "50 1A 0B 91 01 91 1F"},
        {"create existing", "02 05 1B 0A 0E 1C 00 80 00 01 0F", "50 1B 0A 0E 91 01 91 18 0F 19 00"},
        {"create an input", "02 05 1C 0A 0E 09 00 0F", "50 1C 0A 0E 91 01 91 04 0F 19 00"},
        {"create with a name", "02 05 1D 0A 0E 1C 00 80 07 D0 0F 1E 09 4D 2E 75 04 00 4E 65 77 2F 1F",
         "30 1D 0A C4 00 80 07 D0"},
        {"created object's name", "02 05 1E 0C 0C 00 80 07 D0 19 4D", "30 1E 0C 0C 00 80 07 D0 19 4D 3E 74 00 4E 65 77 3F"},
        {"create failing an initial value", "02 05 1F 0A 0E 1C 00 80 07 D1 0F 1E 09 55 2E 71 00 2F 1F",
         "50 1F 0A 0E 91 02 91 09 0F 19 01"},
        {"delete created", "02 05 20 0B C4 00 80 07 D0", "20 20 0B"},
        {"deleted is gone", "02 05 21 0C 0C 00 80 07 D0 19 4D", "50 21 0C 91 01 91 1F"},
        {"create by type", "02 05 22 0A 0E 09 05 0F", "30 22 0A C4 01 40 00 02"},
        {"write multiple, second fails", "02 05 23 10 0C 00 80 00 01 1E 09 1C 2E 71 00 2F 09 4F 2E 91 00 2F 1F",
         "50 23 10 0E 91 02 91 28 0F 1E 0C 00 80 00 01 19 4F 1F"},
        {"multiple read: value and slot", "02 05 24 0E 0C 00 80 00 01 1E 09 55 09 57 19 10 1F",
         "30 24 0E 0C 00 80 00 01 1E 29 55 4E 44 41 A8 00 00 4F 29 57 39 10 4E 00 4F 1F"},
        {"multiple read: unknown object", "02 05 25 0E 0C 00 00 00 63 1E 09 55 1F",
         "30 25 0E 0C 00 00 00 63 1E 29 55 5E 91 01 91 1F 5F 1F"},
        {"multiple read: optional of an input", "02 05 26 0E 0C 00 00 00 03 1E 09 50 1F",
         "30 26 0E 0C 00 00 00 03 1E 29 1C 4E 71 00 4F 29 67 4E 91 00 4F 29 16 4E 44 3D CC CC CD 4F 1F"},
        {"property list", "02 05 28 0C 0C 01 40 00 01 1A 01 73",
         "30 28 0C 0C 01 40 00 01 1A 01 73 3E 91 55 91 6F 91 24 91 51 91 1C 91 67 91 2E 91 04 91 57 91 68 3F"},
        {"multiple read: empty list", "02 05 27 0E 0C 00 00 00 01 1E 1F", "60 27 04"},
        {"output commanded at 8", "02 05 29 0F 0C 00 40 00 01 19 55 3E 44 42 2A 00 00 3F 49 08", "20 29 0F"},
        {"and at 4, which wins", "02 05 2A 0F 0C 00 40 00 01 19 55 3E 44 41 20 00 00 3F 49 04", "20 2A 0F"},
        {"output at 10", "02 05 2B 0C 0C 00 40 00 01 19 55", "30 2B 0C 0C 00 40 00 01 19 55 3E 44 41 20 00 00 3F"},
        {"4 relinquished", "02 05 2C 0F 0C 00 40 00 01 19 55 3E 00 3F 49 04", "20 2C 0F"},
        {"output back at 42.5", "02 05 2D 0C 0C 00 40 00 01 19 55", "30 2D 0C 0C 00 40 00 01 19 55 3E 44 42 2A 00 00 3F"},
        {"slot 4 empty", "02 05 2E 0C 0C 00 40 00 01 19 57 29 04", "30 2E 0C 0C 00 40 00 01 19 57 29 04 3E 00 3F"},
        {"8 relinquished", "02 05 2F 0F 0C 00 40 00 01 19 55 3E 00 3F 49 08", "20 2F 0F"},
        {"output at its default", "02 05 30 0C 0C 00 40 00 01 19 55", "30 30 0C 0C 00 40 00 01 19 55 3E 44 00 00 00 00 3F"},
        {"who is", "10 08", "10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"who is, range holding the device", "10 08 0A 10 E0 1A 10 E2", "10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"who is, the device alone", "10 08 0A 10 E1 1A 10 E1", "10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"who is, range below", "10 08 09 01 19 05", ""},
        {"who is, range above", "10 08 0A 10 E2 1A FF FF", ""},
        {"who is, low limit alone", "10 08 0A 10 E1", ""},
        {"who is, limits swapped in tags", "10 08 19 05 09 01", ""},
        {"who has an object", "10 07 2C 00 00 00 01",
         "10 01 C4 02 00 10 E1 C4 00 00 00 01 75 11 00 5A 6F 6E 65 20 54 65 6D 70 65 72 61 74 75 72 65"},
        {"who has a name", "10 07 3D 09 00 48 6F 6C 69 64 61 79 73",
         "10 01 C4 02 00 10 E1 C4 01 80 00 01 75 09 00 48 6F 6C 69 64 61 79 73"},
        {"who has what is not there", "10 07 2C 00 00 00 63", ""},
    };
    for (const Case& c : cases) {
        client->Request(Hex(c.request));
        Exchange reply;
        EXPECT_EQ(Collect(*client, reply) ? ToHex(reply.apdu) : "", ToHex(Hex(c.reply))) << c.name;
    }
}

TEST_F(SimTest, StructuredPropertiesDecodeWithThePropertyCodecs)
{
    CBACnetObjectName name;
    name.m_objectID = _BACnetObjectID(8, kInstance);
    ASSERT_TRUE(ReadInto(name));
    EXPECT_TRUE(name.m_name == L"Simulated Device 4321");

    CBACnetWeekSchedule week;
    week.m_objectID = _BACnetObjectID(17, 1);
    ASSERT_TRUE(ReadInto(week));
    EXPECT_EQ(week.m_dayCounter, 7);
    ASSERT_EQ(week.m_dayLists[0].GetSize(), 2);
    auto* first = static_cast<_BACnetTimeValue*>(week.m_dayLists[0].GetAt(0));
    auto* second = static_cast<_BACnetTimeValue*>(week.m_dayLists[0].GetAt(1));
    EXPECT_EQ(first->m_time, 0x08000000u);
    EXPECT_EQ(first->m_value[0], 1);
    EXPECT_EQ(second->m_time, 0x12000000u);
    EXPECT_EQ(second->m_value[0], 0);
    EXPECT_EQ(week.m_dayLists[4].GetSize(), 2);
    EXPECT_EQ(week.m_dayLists[5].GetSize(), 0);
    EXPECT_EQ(week.m_dayLists[6].GetSize(), 0);

    CBACnetExpSchedule exceptions;
    exceptions.m_objectID = _BACnetObjectID(17, 1);
    ASSERT_TRUE(ReadInto(exceptions));
    ASSERT_EQ(exceptions.m_specialEvents.GetSize(), 4);
    auto event = [&](int i) { return static_cast<_BACnetSpecialEvent*>(exceptions.m_specialEvents.GetAt(i)); };
    EXPECT_EQ(event(0)->m_periodChoice, 0u);
    EXPECT_EQ(event(0)->m_calendarEntryChoice, 0u);
    EXPECT_EQ(event(0)->m_date, 0x7D070405u);  // 2025-07-04, a Friday
    EXPECT_EQ(event(1)->m_calendarEntryChoice, 1u);
    EXPECT_EQ(event(1)->m_startDate, 0x7D0C1803u);
    EXPECT_EQ(event(1)->m_endDate, 0x7D0C1F03u);
    EXPECT_EQ(event(2)->m_calendarEntryChoice, 2u);
    EXPECT_EQ(ToHex(event(2)->m_weekNDay, 3), "01 03 01");
    EXPECT_EQ(event(3)->m_periodChoice, 1u);
    EXPECT_EQ(event(3)->m_calendarID.GetValue(), 0x01800001u);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(event(i)->m_eventPriority, 10 + 2 * i) << "event " << i;
        EXPECT_EQ(event(i)->m_timeValues.GetSize(), 1) << "event " << i;
    }

    CBACnetDateRange period;
    period.m_objectID = _BACnetObjectID(17, 1);
    ASSERT_TRUE(ReadInto(period));
    EXPECT_EQ(period.m_startDate, 0x7D0101FFu);
    EXPECT_EQ(period.m_endDate, 0xC70C1FFFu);

    CBACnetObjPropertyRef references;
    references.m_objectID = _BACnetObjectID(17, 1);
    ASSERT_TRUE(ReadInto(references));
    ASSERT_EQ(references.m_references.GetSize(), 1);
    auto* ref = static_cast<_BACnetPropertyRef*>(references.m_references.GetAt(0));
    EXPECT_EQ(ref->m_objectID.GetValue(), 0x01400001u);
    EXPECT_EQ(ref->m_propertyID, 85);
}

TEST_F(SimTest, PresentValuesArriveThroughReadPropertyMultiple)
{
    std::vector<std::unique_ptr<CBACnetObjTypes>> owned;
    owned.push_back(Bind(0, 1, L"PresentValue"));  // drifting input
    owned.push_back(Bind(1, 1, L"PresentValue"));  // output at its relinquish default 0
    owned.push_back(Bind(2, 1, L"PresentValue"));  // setpoint 21
    owned.push_back(Bind(5, 1, L"PresentValue"));  // fan off
    owned.push_back(Bind(2, 99, L"PresentValue")); // no such object
    owned.push_back(Bind(8, kInstance, L"localdate.year"));
    CPtrArray tags;
    for (auto& tag : owned)
        tags.Add(tag.get());

    CBACnetReadMultiService service(0);
    int len = 0;
    service.MakeHeaderFrame(len, &record, 0);
    for (int i = 0; i < tags.GetSize(); i++)
        if (!service.MakeBodyFrame(len, static_cast<CBACnetObjTypes*>(tags.GetAt(i)), i))
            break;
    ASSERT_EQ(service.m_last, 5);
    const std::vector<unsigned char> reply = Transact(service.m_frame, service.m_frameLength);
    ASSERT_GE(reply.size(), 3u);
    ASSERT_EQ(ToHex(reply.data(), 3), ToHex(std::vector<unsigned char>{0x30, service.m_invokeID, 14}));
    Received params(std::vector<unsigned char>(reply.begin() + 3, reply.end()));
    ASSERT_EQ(service.ReadBodyFrame(params.buf(), params.end(), tags), 1);

    CTagVal value;
    ASSERT_EQ(owned[0]->GetValue(value, 12, 0), 1);
    EXPECT_GE(value.GetVal(), 19.99);
    EXPECT_LE(value.GetVal(), 23.01);
    ASSERT_EQ(owned[1]->GetValue(value, 12, 0), 1);
    EXPECT_EQ(value.GetVal(), 0.0);
    ASSERT_EQ(owned[2]->GetValue(value, 12, 0), 1);
    EXPECT_EQ(value.GetVal(), 21.0);
    ASSERT_EQ(owned[3]->GetValue(value, 0, 0), 1);
    EXPECT_EQ(value.GetVal(), 0.0);
    EXPECT_EQ(owned[4]->m_changeState, 0);  // an access error: nothing to take
    ASSERT_EQ(owned[5]->GetValue(value, 0, 3), 1);
    EXPECT_GE(value.GetVal(), 2025.0);
}

TEST_F(SimTest, LibraryWritesOfStructuredPropertiesAreTaken)
{
    // A new Monday, written by the weekly schedule codec, read back.
    CBACnetWeekSchedule monday;
    monday.m_objectID = _BACnetObjectID(17, 1);
    monday.m_arrayIndex = 1;
    monday.m_dayLists[0].Add(new _BACnetTimeValue(0x07000000, 1));
    CBACnetWritePropertyService write;
    unsigned char frame[256];
    int len = 0;
    const unsigned char id = write.MakeFrame(frame, len, &record, &monday);
    EXPECT_EQ(ToHex(Transact(frame, len)), ToHex(std::vector<unsigned char>{0x20, id, 0x0F}));
    CBACnetWeekSchedule week;
    week.m_objectID = _BACnetObjectID(17, 1);
    ASSERT_TRUE(ReadInto(week));
    ASSERT_EQ(week.m_dayLists[0].GetSize(), 1);
    EXPECT_EQ(static_cast<_BACnetTimeValue*>(week.m_dayLists[0].GetAt(0))->m_time, 0x07000000u);
    EXPECT_EQ(week.m_dayLists[1].GetSize(), 2);

    // The exception schedule: its size first, then the events.
    CBACnetExpSchedule exceptions;
    exceptions.m_objectID = _BACnetObjectID(17, 1);
    auto* event = new _BACnetSpecialEvent;
    event->m_periodChoice = _BACnetSpecialEvent::PERIOD_CALENDAR_ENTRY;
    event->m_calendarEntryChoice = _BACnetSpecialEvent::ENTRY_DATE;
    event->m_date = 0x7E0C1905;  // 2026-12-25
    event->m_timeValues.Add(new _BACnetTimeValue(0x09000000, 1));
    event->m_eventPriority = 7;
    exceptions.m_specialEvents.Add(event);
    len = 0;
    const unsigned char sizeID = write.MakeScheduleArySize(frame, len, &record, &exceptions);
    EXPECT_EQ(ToHex(Transact(frame, len)), ToHex(std::vector<unsigned char>{0x20, sizeID, 0x0F}));
    len = 0;
    const unsigned char eventsID = write.MakeFrame(frame, len, &record, &exceptions);
    EXPECT_EQ(ToHex(Transact(frame, len)), ToHex(std::vector<unsigned char>{0x20, eventsID, 0x0F}));
    CBACnetExpSchedule readBack;
    readBack.m_objectID = _BACnetObjectID(17, 1);
    ASSERT_TRUE(ReadInto(readBack));
    ASSERT_EQ(readBack.m_specialEvents.GetSize(), 1);
    EXPECT_EQ(static_cast<_BACnetSpecialEvent*>(readBack.m_specialEvents.GetAt(0))->m_date, 0x7E0C1905u);
    EXPECT_EQ(static_cast<_BACnetSpecialEvent*>(readBack.m_specialEvents.GetAt(0))->m_eventPriority, 7);

    // Name and description of one object in one WritePropertyMultiple.
    CBACnetWriteMultiService multiple;
    CBACnetObjectName name;
    name.m_name = L"Renamed Setpoint";
    CBACnetObjectDesc description;
    description.m_description = L"written twice at once";
    len = 0;
    const unsigned char multipleID = multiple.MakeHeaderFrame(frame, len, &record);
    for (CBACnetPropertyID* prop : std::initializer_list<CBACnetPropertyID*>{&name, &description}) {
        CBACnetTag tag;
        unsigned char host[4] = {0x01, 0x00, 0x80, 0x00};  // analog value 1
        tag.MakeAnalogFrame(frame, len, CBACnetTag::CLASS_CONTEXT, 0, 4, host);
        multiple.MakeFrame(frame, len, prop);
    }
    EXPECT_EQ(ToHex(Transact(frame, len)), ToHex(std::vector<unsigned char>{0x20, multipleID, 0x10}));
    CBACnetObjectName newName;
    newName.m_objectID = _BACnetObjectID(2, 1);
    ASSERT_TRUE(ReadInto(newName));
    EXPECT_TRUE(newName.m_name == L"Renamed Setpoint");
    CBACnetObjectDesc newDescription;
    newDescription.m_objectID = _BACnetObjectID(2, 1);
    ASSERT_TRUE(ReadInto(newDescription));
    EXPECT_TRUE(newDescription.m_description == L"written twice at once");
}

TEST_F(SimTest, TimeSynchronizationMovesTheClockTheScheduleFollows)
{
    struct Case {
        const char* name;
        const char* dateTime;  // application date and time
        const char* schedule;  // present value of the schedule
        const char* calendar;  // present value of the calendar
    } cases[] = {
        {"a Monday morning", "A4 82 06 11 01 B4 0A 00 00 00", "91 01", "10"},
        {"the same Monday at eight exactly", "A4 82 06 11 01 B4 08 00 00 00", "91 01", "10"},
        {"a moment before", "A4 82 06 11 01 B4 07 3B 3B 63", "91 00", "10"},
        {"the same Monday night", "A4 82 06 11 01 B4 14 00 00 00", "91 00", "10"},
        {"a Saturday", "A4 82 06 0F 06 B4 0A 00 00 00", "91 00", "10"},
        {"Thanksgiving, a Thursday", "A4 82 0B 1C 04 B4 0A 00 00 00", "91 00", "11"},
        {"New Year's Day", "A4 82 01 01 02 B4 0A 00 00 00", "91 00", "11"},
        {"the third Monday of January", "A4 82 01 15 01 B4 0A 00 00 00", "91 00", "10"},
    };
    unsigned char invokeID = 1;
    auto read = [&](const char* object, const char* property) {
        client->Request(Hex(std::string("02 05 ") + ToHex(&invokeID, 1) + " 0C 0C " + object + " 19 " + property));
        std::vector<unsigned char> reply;
        EXPECT_TRUE(client->Receive(reply));
        invokeID++;
        // The value between 3E and 3F.
        return reply.size() > 12 ? ToHex(reply.data() + 11, static_cast<int>(reply.size()) - 12) : ToHex(reply);
    };
    for (const Case& c : cases) {
        client->Request(Hex(std::string("10 06 ") + c.dateTime));
        EXPECT_EQ(read("02 00 10 E1", "38"), ToHex(Hex(c.dateTime).data(), 5)) << c.name;  // local date
        EXPECT_EQ(read("04 40 00 01", "55"), c.schedule) << c.name;
        EXPECT_EQ(read("01 80 00 01", "55"), c.calendar) << c.name;
    }
}

TEST_F(SimTest, LongReplyComesInSegmentsAndSurvivesALostOne)
{
    record.m_maxAPDU = 480;  // 475 octets of the list in each segment
    device->DropSegmentOnce(3);
    CBACnetObjectList list;
    list.m_objectID = _BACnetObjectID(8, kInstance);
    Exchange exchange;
    const auto started = net.Now();
    ASSERT_TRUE(ReadInto(list, 1, &exchange));
    const auto took = net.Now() - started;
    EXPECT_EQ(exchange.segments, 7);
    // The lost segment came again once the device waited for its acknowledgement in vain.
    EXPECT_GE(took, std::chrono::milliseconds(900));
    ASSERT_EQ(list.m_objectIDs.GetSize(), kObjectsWithoutExtras + options.extraObjects);
    EXPECT_EQ(list.m_objectIDs.GetAt(0), 0x020010E1u);
    EXPECT_EQ(list.m_objectIDs.GetAt(list.m_objectIDs.GetSize() - 1), 0x05000001u);  // trend log 1

    // With a window of four, a gap is reported at once and filled from the
    // segment after the last one in order.
    record.m_maxAPDU = 206;
    device->DropSegmentOnce(6);
    CBACnetObjectList again;
    again.m_objectID = _BACnetObjectID(8, kInstance);
    Exchange windowed;
    ASSERT_TRUE(ReadInto(again, 4, &windowed));
    EXPECT_EQ(windowed.segments, 16);
    EXPECT_EQ(windowed.negativeAcks, 1);
    EXPECT_EQ(std::vector<unsigned char>(windowed.apdu.begin() + 2, windowed.apdu.end()),
              std::vector<unsigned char>(exchange.apdu.begin() + 2, exchange.apdu.end()));
    ASSERT_EQ(again.m_objectIDs.GetSize(), list.m_objectIDs.GetSize());
}

TEST_F(SimTest, LongReplyWithoutSegmentationIsAborted)
{
    CBACnetObjectList list;
    list.m_objectID = _BACnetObjectID(8, kInstance);
    CBACnetReadPropertyService read;
    unsigned char frame[64];
    int len = 0;
    const unsigned char invokeID = read.MakeFrame(frame, len, &record, &list);
    frame[2] &= static_cast<unsigned char>(~CBACnetPDU::BIT_SA);  // the APDU's first octet, after 01 04
    EXPECT_EQ(ToHex(Transact(frame, len)), ToHex(std::vector<unsigned char>{0x71, invokeID, 0x04}));

    // A short reply fits whatever the requester accepts.
    CBACnetObjectName name;
    name.m_objectID = _BACnetObjectID(8, kInstance);
    len = 0;
    read.MakeFrame(frame, len, &record, &name);
    frame[2] = 0x00;
    frame[3] = 0x00;  // 50 octets
    EXPECT_EQ(Transact(frame, len)[0], 0x30);
}

// Every prefix and many single-octet corruptions of valid requests, fed to
// the handlers in buffers of exactly their size: whatever the handlers make
// of them, they read nothing past the end (AddressSanitizer watches).
TEST(SimRequests, MalformedRequestsAreRefusedWithinTheirBounds)
{
    bacnetsim::Database db(kInstance, 3);
    bacnetsim::Services services(db);
    const char* requests[] = {
        "10 08 0A 10 E0 1A 10 E2",
        "10 07 3D 09 00 48 6F 6C 69 64 61 79 73",
        "10 06 A4 82 06 11 01 B4 0A 00 00 00",
        "02 05 01 0C 0C 00 80 00 01 19 4D",
        "02 05 02 0E 0C 00 80 00 01 1E 09 55 09 57 19 10 1F 0C 00 00 00 03 1E 09 08 1F",
        "02 05 03 0F 0C 04 40 00 01 19 7B 29 01 3E 0E B4 07 00 00 00 91 01 0F 3F",
        ("02 05 04 0F 0C 04 40 00 01 19 26 3E 0E 1E A4 7D 01 01 01 A4 7D 0C 1F 02 1F 0F 2E B4 08 00 00 00 91 01 "
         "2F 39 10 1C 01 80 00 01 2E 2F 39 05 3F"),
        "02 05 05 10 0C 00 80 00 01 1E 09 4D 2E 75 04 00 4E 65 77 2F 09 55 2E 44 41 20 00 00 2F 39 08 1F",
        "02 05 06 0A 0E 1C 00 80 07 D0 0F 1E 09 4D 2E 75 04 00 4E 65 77 2F 1F",
        "02 05 07 0B C4 00 80 03 E8",
        "02 05 08 0F 0C 01 80 00 01 19 17 3E 0C 7E 01 01 FF 1E A4 7E 02 01 FF A4 7E 02 05 FF 1F 2B 0B 04 04 3F",
        "02 05 09 0F 0C 04 40 00 01 19 36 3E 0C 00 00 00 01 19 55 29 02 3C 02 00 10 E1 3F",
        "40 01 02 04",
        "70 01 04",
    };
    int handled = 0;
    for (const char* text : requests) {
        const std::vector<unsigned char> request = Hex(text);
        for (size_t n = 0; n <= request.size(); n++) {
            Received prefix(request, n);
            services.Handle(prefix.buf(), 0, prefix.end());
            handled++;
        }
        for (size_t at = 0; at < request.size(); at++)
            for (unsigned char octet : {0x00, 0x05, 0x0F, 0x3E, 0x3F, 0x75, 0xFF}) {
                std::vector<unsigned char> corrupt = request;
                corrupt[at] = octet;
                Received received(corrupt);
                services.Handle(received.buf(), 0, received.end());
                handled++;
            }
    }
    EXPECT_GT(handled, 1000);
    // The database is still whole: the device object answers.
    Received read(Hex("02 05 01 0C 0C 02 00 10 E1 19 4B"));
    const bacnetsim::Outcome outcome = services.Handle(read.buf(), 0, read.end());
    EXPECT_EQ(ToHex(outcome.apdu), "30 01 0C 0C 02 00 10 E1 19 4B 3E C4 02 00 10 E1 3F");
}

// Whole datagrams in, whole datagrams out, in order on one device: the
// link header must name the datagram exactly, a relayed request is answered
// to its originator, a routed requester is named as the destination, and
// nothing malformed draws a reply or stops the device.
TEST_F(SimTest, DatagramsOnTheWire)
{
    struct Case {
        const char* name;
        const char* datagram;
        const char* reply;  // empty: none
        bacnet::Endpoint to = kClientAt;
    } cases[] = {
        {"local unicast", "81 0A 00 08 01 04 10 08", "81 0A 00 15 01 00 10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"local broadcast", "81 0B 00 08 01 04 10 08", "81 0A 00 15 01 00 10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"global broadcast", "81 0B 00 0C 01 20 FF FF 00 FF 10 08",
         "81 0A 00 15 01 00 10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"routed requester", "81 0A 00 0C 01 08 00 05 01 07 10 08",
         "81 0A 00 1A 01 20 00 05 01 07 FF 10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
        {"relayed by a BBMD", "81 04 00 0E 7F 00 00 01 BA C1 01 00 10 08",
         "81 0A 00 15 01 00 10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7", bacnet::Endpoint::Loopback(47809)},
        {"for another network", "81 0A 00 0D 01 24 00 05 01 07 FF 10 08", ""},
        {"network layer message, not a router", "81 0A 00 07 01 80 00", ""},
        {"length one short", "81 0A 00 07 01 04 10 08", ""},
        {"length past the datagram", "81 0A 00 09 01 04 10 08", ""},
        {"length inside the header", "81 0A 00 02 01 04 10 08", ""},
        {"not BACnet/IP", "82 0A 00 08 01 04 10 08", ""},
        {"empty", "", ""},
        {"type alone", "81", ""},
        {"header alone", "81 0A 00 04", ""},
        {"length far past", "81 0A FF FF 01 04", ""},
        {"network header alone", "81 0B 00 06 01 04", ""},
        {"cut confirmed header", "81 0A 00 07 01 04 02", ""},
        {"cut request", "81 0A 00 09 01 04 02 05 01", ""},
        {"zeros", "00 00 00 00 00 00", ""},
        {"a BVLC-Result", "81 00 00 06 00 00", ""},
        {"still serving", "81 0A 00 08 01 04 10 08", "81 0A 00 15 01 00 10 00 C4 02 00 10 E1 22 05 C4 91 01 22 03 E7"},
    };
    bacnet::MemoryLink originatorLink(net, bacnet::Endpoint::Loopback(47809));
    Client originator(originatorLink, kDeviceAt);
    for (const Case& c : cases) {
        client->SendDatagram(Hex(c.datagram));
        std::vector<unsigned char> reply;
        bacnet::Endpoint from;
        const bool answered = (c.to == kClientAt ? *client : originator).ReceiveDatagram(reply, 300, &from);
        EXPECT_EQ(answered ? ToHex(reply) : "", c.reply) << c.name;
        if (answered) {
            EXPECT_EQ(from, kDeviceAt) << c.name;
        }
    }
}

// The loop sends what subscriptions call for on the network's own clock:
// the input that moves a step a second is reported once a virtual second.
TEST_F(SimTest, NotificationsFollowTheNetworksClock)
{
    client->Request(Hex("00 05 01 05 09 07 1C 00 00 00 01 29 00 39 3C"));  // AI:1, unconfirmed, 60 s
    std::vector<unsigned char> apdu;
    ASSERT_TRUE(client->Receive(apdu, 0));
    EXPECT_EQ(ToHex(apdu), "20 01 05");
    const bacnet::Clock::time_point subscribed = net.Now();
    std::vector<bacnet::Clock::time_point> at;
    while (at.size() < 4 && client->Receive(apdu, 1500)) {
        EXPECT_EQ(ToHex(apdu.data(), 2), "10 02");
        at.push_back(net.Now());
    }
    ASSERT_EQ(at.size(), 4u);
    EXPECT_LE(at[0] - subscribed, std::chrono::milliseconds(20));
    for (size_t i = 2; i < at.size(); i++)
        EXPECT_NEAR(std::chrono::duration<double>(at[i] - at[i - 1]).count(), 1.0, 0.05) << i;
}

TEST(SimDeviceLifecycle, StartsStopsRestartsAndServesInTheCaller)
{
    SimOptions options;
    options.port = 0;
    options.extraObjects = 0;
    SimDevice device(options);
    std::string error;
    EXPECT_EQ(device.Step(std::chrono::milliseconds(0)), 0u);  // not bound yet: nothing to do
    ASSERT_TRUE(device.Start(&error)) << error;
    const uint16_t port = device.Port();
    EXPECT_NE(port, 0);
    EXPECT_FALSE(device.Start(&error));
    EXPECT_FALSE(error.empty());

    // A second device cannot take a port in use.
    SimOptions same = options;
    same.port = port;
    SimDevice second(same);
    error.clear();
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find("bind"), std::string::npos) << error;

    device.Stop();
    device.Stop();
    ASSERT_TRUE(device.Start(&error)) << error;
    std::unique_ptr<bacnet::UdpLink> udp = bacnet::UdpLink::Open(bacnet::Endpoint::Loopback(0), &error);
    ASSERT_TRUE(udp) << error;
    Client client(*udp, bacnet::Endpoint::Loopback(device.Port()));
    client.Request(Hex("10 08"));
    std::vector<unsigned char> reply;
    EXPECT_TRUE(client.Receive(reply));
    device.Stop();

    SimDevice served(options);
    int result = -1;
    std::thread serving([&] { result = served.Serve(&error); });
    for (int i = 0; i < 200 && served.Port() == 0; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    Client servedClient(*udp, bacnet::Endpoint::Loopback(served.Port()));
    servedClient.Request(Hex("10 08"));
    EXPECT_TRUE(servedClient.Receive(reply));
    served.Stop();
    serving.join();
    EXPECT_EQ(result, 0);

    // On a link of the caller's, driven by Step.
    bacnet::MemoryNetwork net;
    bacnet::MemoryLink deviceLink(net, kDeviceAt), clientLink(net, kClientAt);
    SimDevice stepped(deviceLink, options);
    EXPECT_EQ(stepped.Port(), kDeviceAt.m_port);
    EXPECT_FALSE(stepped.Step(std::chrono::milliseconds(50)));
    Client steppedClient(clientLink, kDeviceAt);
    steppedClient.Request(Hex("10 08"));
    steppedClient.Request(Hex("10 08"));
    EXPECT_EQ(stepped.Step(std::chrono::milliseconds(0)), 2u);
    EXPECT_TRUE(steppedClient.Receive(reply, 0));
    EXPECT_TRUE(steppedClient.Receive(reply, 0));
}

}  // namespace

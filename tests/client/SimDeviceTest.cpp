// The client against the simulated device on loopback: every operation end
// to end over a real socket, through the device's own replies.
#include <gtest/gtest.h>

#include <bacnetcodec/client/bacnetclient.h>

#include "sim/SimDevice.h"

using namespace bacnet;
using std::chrono::milliseconds;

namespace {

const ObjectId kAI1(ObjectType::AnalogInput, 1);
const ObjectId kAO1(ObjectType::AnalogOutput, 1);
const ObjectId kAV1(ObjectType::AnalogValue, 1);

class SimClient : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SimOptions options;
        options.port = 0;
        s_sim = new SimDevice(options);
        std::string error;
        ASSERT_TRUE(s_sim->Start(&error)) << error;
    }
    static void TearDownTestSuite()
    {
        delete s_sim;
        s_sim = nullptr;
    }
    void SetUp() override
    {
        std::string error;
        m_link = UdpLink::Open(Endpoint::Loopback(0), &error);
        ASSERT_TRUE(m_link) << error;
        ClientOptions options;
        options.m_timeout = milliseconds(500);
        m_client = std::make_unique<Client>(*m_link, options);
        Result<Device> device = m_client->FindDevice(Target(), milliseconds(1000));
        ASSERT_TRUE(device) << device.failure().Text();
        m_device = *device;
    }
    static Endpoint Target() { return Endpoint::Loopback(s_sim->Port()); }

    static SimDevice* s_sim;
    std::unique_ptr<UdpLink> m_link;
    std::unique_ptr<Client> m_client;
    Device m_device;
};

SimDevice* SimClient::s_sim = nullptr;

TEST_F(SimClient, DiscoversTheDevice)
{
    EXPECT_EQ(m_device.m_deviceID, ObjectId(ObjectType::Device, 1234));
    EXPECT_EQ(m_device.m_maxApdu, 1476);
    EXPECT_EQ(m_device.m_segmentation, Segmentation::Transmit);  // it takes no segmented request
    EXPECT_EQ(m_device.m_vendorID, 999);
    EXPECT_EQ(m_device.m_endpoint, Target());

    struct Row {
        std::optional<std::pair<uint32_t, uint32_t>> range;
        size_t found;
    } rows[] = {{std::nullopt, 1}, {std::make_pair(1000u, 2000u), 1}, {std::make_pair(1235u, 4194303u), 0}};
    for (const Row& row : rows)
        EXPECT_EQ(m_client->Discover(milliseconds(300), Target(), row.range).size(), row.found);
    EXPECT_EQ(m_client->FindDevice(Endpoint::Loopback(1), milliseconds(100)).failure().m_kind, FailureKind::Timeout);
}

TEST_F(SimClient, ReadsValuesOfEveryShape)
{
    struct Row {
        ObjectId object;
        PropertyId property;
        uint32_t index;
        std::string text;  // empty: only the kind is checked
    } rows[] = {
        {kAI1, Property::ObjectName, kNoIndex, "\"Zone Temperature\""},
        {kAO1, Property::ObjectName, kNoIndex, "\"Cooling Valve\""},
        {kAI1, Property::ObjectIdentifier, kNoIndex, "0:1"},
        {kAI1, Property::Units, kNoIndex, "enum 62"},
        {kAO1, Property::PriorityArray, 0, "16"},
        {kAI1, Property::StatusFlags, kNoIndex, "B'0000'"},
    };
    for (const Row& row : rows) {
        const Result<Value> value = m_client->ReadProperty(m_device, row.object, row.property, row.index);
        ASSERT_TRUE(value) << row.object.ToString() << "/" << row.property << ": " << value.failure().Text();
        EXPECT_EQ(value->ToString(), row.text) << row.object.ToString() << "/" << row.property;
    }
    double temperature = 0;
    const Result<Value> pv = m_client->ReadProperty(m_device, kAI1, Property::PresentValue);
    ASSERT_TRUE(pv);
    ASSERT_TRUE(pv->Is<float>());
    EXPECT_TRUE(pv->ToNumber(temperature));
}

TEST_F(SimClient, SegmentedObjectListSurvivesALostSegment)
{
    const ObjectId device = m_device.m_deviceID;
    const Result<Value> whole = m_client->ReadProperty(m_device, device, Property::ObjectList);
    ASSERT_TRUE(whole) << whole.failure().Text();
    const Value::List* list = whole->Get<Value::List>();
    ASSERT_NE(list, nullptr);
    EXPECT_GT(list->size(), 600u);
    EXPECT_EQ((*list)[0], Value(device));

    s_sim->DropSegmentOnce(2);
    const Result<Value> again = m_client->ReadProperty(m_device, device, Property::ObjectList);
    ASSERT_TRUE(again) << again.failure().Text();
    EXPECT_EQ(*again, *whole);
    EXPECT_GE(m_client->Stats().m_negativeAcks + m_client->Stats().m_retries, 1u);

    // Too large for the client's cap: refused, not held.
    ClientOptions small;
    small.m_timeout = milliseconds(500);
    small.m_maxReply = 1000;
    Client capped(*m_link, small);
    const Result<Value> refused = capped.ReadProperty(m_device, device, Property::ObjectList);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.failure().m_kind, FailureKind::TooLarge);
}

TEST_F(SimClient, FailuresCarryTheirReason)
{
    struct Row {
        ObjectId object;
        PropertyId property;
        FailureKind kind;
        const char* text;
    } rows[] = {
        {ObjectId(ObjectType::AnalogInput, 99), Property::PresentValue, FailureKind::Error,
         "error : objectunknown object"},
        {kAI1, 9999, FailureKind::Error, "error : propertyunknown property"},
    };
    for (const Row& row : rows) {
        const Result<Value> value = m_client->ReadProperty(m_device, row.object, row.property);
        ASSERT_FALSE(value);
        EXPECT_EQ(value.failure().m_kind, row.kind);
        EXPECT_EQ(value.failure().Text(), row.text);
    }
    const Status status = m_client->WriteProperty(m_device, kAI1, Property::ObjectIdentifier, Value(kAO1));
    ASSERT_FALSE(status);
    EXPECT_EQ(status.failure().m_kind, FailureKind::Error);
    EXPECT_EQ(m_client->WriteProperty(m_device, kAO1, Property::PresentValue, Value(1.0f), 17).failure().m_kind,
              FailureKind::InvalidArgument);
}

TEST_F(SimClient, WritesWithPriorityAndRelinquishes)
{
    ASSERT_TRUE(m_client->WriteProperty(m_device, kAO1, Property::PresentValue, Value(42.5f), 8));
    EXPECT_EQ(m_client->ReadProperty(m_device, kAO1, Property::PresentValue)->ToString(), "42.5");
    EXPECT_EQ(m_client->ReadProperty(m_device, kAO1, Property::PriorityArray, 8)->ToString(), "42.5");
    ASSERT_TRUE(m_client->WriteProperty(m_device, kAO1, Property::PresentValue, Value::Null(), 8));
    EXPECT_EQ(m_client->ReadProperty(m_device, kAO1, Property::PriorityArray, 8)->ToString(), "null");

    const std::vector<WriteAccess> writes = {
        {kAV1, Property::PresentValue, Value(55.0f), 9, kNoIndex},
        {kAO1, Property::PresentValue, Value(12.0f), 10, kNoIndex},
    };
    ASSERT_TRUE(m_client->WritePropertyMultiple(m_device, writes));
    EXPECT_EQ(m_client->ReadProperty(m_device, kAV1, Property::PriorityArray, 9)->ToString(), "55");
    EXPECT_EQ(m_client->ReadProperty(m_device, kAO1, Property::PriorityArray, 10)->ToString(), "12");
    for (const WriteAccess& w : writes)
        ASSERT_TRUE(m_client->WriteProperty(m_device, w.m_objectID, w.m_propertyID, Value::Null(), w.m_priority));
}

TEST_F(SimClient, ReadPropertyMultipleSplitsToTheDevicesMaxApdu)
{
    std::vector<ReadAccess> accesses;
    for (uint32_t i = 0; i < 150; i++)
        accesses.push_back({ObjectId(ObjectType::AnalogValue, 1000 + i), Property::PresentValue, kNoIndex});
    accesses.push_back({ObjectId(ObjectType::AnalogInput, 99), Property::PresentValue, kNoIndex});
    accesses.push_back({kAO1, Property::PriorityArray, 16});

    for (uint16_t maxApdu : {1476, 206, 50}) {
        Device device = m_device;
        device.m_maxApdu = maxApdu;
        device.m_segmentation = Segmentation::None;
        const auto requestsBefore = m_client->Stats().m_received;
        const auto results = m_client->ReadPropertyMultiple(device, accesses);
        ASSERT_TRUE(results) << maxApdu << ": " << results.failure().Text();
        ASSERT_EQ(results->size(), accesses.size());
        for (size_t i = 0; i < 150; i++)
            EXPECT_TRUE((*results)[i]) << maxApdu << " entry " << i;
        ASSERT_FALSE((*results)[150]);
        EXPECT_EQ((*results)[150].failure().Text(), "error : objectunknown object");
        EXPECT_TRUE((*results)[151]);
        const auto replies = m_client->Stats().m_received - requestsBefore;
        // About 9 request octets per entry, and a guessed 25 reply octets.
        const size_t expected = maxApdu == 1476 ? 3 : maxApdu == 206 ? 7 : 31;
        EXPECT_EQ(replies, expected) << maxApdu;
    }
}

TEST_F(SimClient, CreatesFindsAndDeletesObjects)
{
    const ObjectId created(ObjectType::AnalogValue, 3000);
    const Result<ObjectId> id = m_client->CreateObject(m_device, created);
    ASSERT_TRUE(id) << id.failure().Text();
    EXPECT_EQ(*id, created);
    EXPECT_TRUE(m_client->ReadProperty(m_device, created, Property::PresentValue));
    ASSERT_TRUE(m_client->DeleteObject(m_device, created));
    EXPECT_EQ(m_client->ReadProperty(m_device, created, Property::PresentValue).failure().Text(),
              "error : objectunknown object");

    const std::vector<ObjectHolder> byId = m_client->WhoHas(kAI1, milliseconds(300), Target());
    ASSERT_EQ(byId.size(), 1u);
    EXPECT_EQ(byId[0].m_objectName, "Zone Temperature");
    EXPECT_EQ(byId[0].m_deviceID, m_device.m_deviceID);
    const std::vector<ObjectHolder> byName = m_client->WhoHas(std::string("Cooling Valve"), milliseconds(300), Target());
    ASSERT_EQ(byName.size(), 1u);
    EXPECT_EQ(byName[0].m_objectID, kAO1);
    EXPECT_TRUE(m_client->SynchronizeTime(Target()));
}

TEST_F(SimClient, PollerReportsOnlyChanges)
{
    Poller poller(*m_client, m_device);
    const size_t valve = poller.Bind(kAO1, Property::PresentValue);
    const size_t missing = poller.Bind(ObjectId(ObjectType::AnalogInput, 99), Property::PresentValue);
    const size_t name = poller.Bind(kAI1, Property::ObjectName);

    auto first = poller.Poll();
    ASSERT_TRUE(first) << first.failure().Text();
    EXPECT_EQ(first->size(), 3u);  // everything is new
    auto second = poller.Poll();
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->empty());
    EXPECT_EQ(poller.Current(name)->ToString(), "\"Zone Temperature\"");
    EXPECT_EQ(poller.Current(missing), nullptr);

    ASSERT_TRUE(m_client->WriteProperty(m_device, kAO1, Property::PresentValue, Value(33.0f), 7));
    auto third = poller.Poll();
    ASSERT_TRUE(third);
    ASSERT_EQ(third->size(), 1u);
    EXPECT_EQ((*third)[0].m_tag, valve);
    EXPECT_EQ((*third)[0].m_value->ToString(), "33");
    ASSERT_TRUE(m_client->WriteProperty(m_device, kAO1, Property::PresentValue, Value::Null(), 7));
}

TEST_F(SimClient, StepFunctionDrivesTransactionsWithoutBlocking)
{
    std::vector<Ticket> tickets;
    for (uint32_t i = 1; i <= 3; i++)
        tickets.push_back(*m_client->BeginReadProperty(m_device, ObjectId(ObjectType::AnalogInput, i),
                                                       Property::ObjectName));
    const Ticket write = *m_client->BeginWriteProperty(m_device, kAV1, Property::PresentValue, Value(1.5f), 16);
    ASSERT_TRUE(m_client->NextWake());
    for (int turns = 0; turns < 200 && !(m_client->Ready(tickets[2]) && m_client->Ready(write)); turns++)
        m_client->Step(milliseconds(10));
    std::vector<std::string> names;
    for (Ticket t : tickets) {
        std::optional<Result<Value>> v = m_client->TakeValue(t);
        ASSERT_TRUE(v && *v);
        names.push_back((*v)->ToString());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"\"Zone Temperature\"", "\"Outside Air Temperature\"",
                                               "\"Zone Humidity\""}));
    EXPECT_TRUE(m_client->TakeStatus(write).value());
    EXPECT_FALSE(m_client->TakeStatus(write));  // once
    EXPECT_FALSE(m_client->NextWake());
    ASSERT_TRUE(m_client->WriteProperty(m_device, kAV1, Property::PresentValue, Value::Null(), 16));
}

}  // namespace

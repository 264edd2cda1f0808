// The client against the simulated device on the in-memory network: long
// replies with a segment lost, requests split to the device's size, and
// several transactions at once driven by Step.
#include <gtest/gtest.h>

#include "ScriptedDevice.h"
#include "sim/SimDevice.h"

using namespace scripted;

namespace {

struct OnSim : ::testing::Test {
    MemoryNetwork net;
    SimDevice sim{net, kDevice, SimOptions()};
    MemoryLink link{net, kClient};
    Client client{link};
    bacnet::Device device = client.FindDevice(kDevice, milliseconds(100)).value();  // from its I-Am
};

// The object list comes in three segments. One lost is asked for again (a gap),
// waited for until the device sends it again (the last), or the request repeated
// (the first), and the list comes whole; past the client's cap it is refused, not held.
TEST_F(OnSim, SegmentedReplyRecoversALostSegmentAndStopsAtTheCap)
{
    const Result<Value> whole = client.ReadProperty(device, device.m_deviceID, Property::ObjectList);
    ASSERT_TRUE(whole && whole->Get<Value::List>()->size() == 611u);
    EXPECT_EQ(whole->Get<Value::List>()->front(), Value(device.m_deviceID));
    const struct {
        int drop;
        uint64_t negativeAcks, retries;
    } rows[] = {{2, 1, 0}, {3, 0, 0}, {1, 0, 1}};
    for (const auto& row : rows) {
        sim.DropSegmentOnce(row.drop);
        const ClientStats before = client.Stats();
        const Result<Value> again = client.ReadProperty(device, device.m_deviceID, Property::ObjectList);
        ASSERT_TRUE(again) << row.drop << ": " << again.failure().Text();
        EXPECT_TRUE(*again == *whole) << row.drop;
        EXPECT_EQ(client.Stats().m_negativeAcks - before.m_negativeAcks, row.negativeAcks) << row.drop;
        EXPECT_EQ(client.Stats().m_retries - before.m_retries, row.retries) << row.drop;
    }
    ClientOptions small;
    small.m_maxReply = 1000;
    Client capped(link, small);
    EXPECT_EQ(capped.ReadProperty(device, device.m_deviceID, Property::ObjectList).failure().m_kind,
              FailureKind::TooLarge);
}

// 150 values, an unknown object and an array entry, split to the device's
// size: about 9 request octets per entry, and a guessed 25 reply octets.
TEST_F(OnSim, ReadPropertyMultipleSplitsToTheDevicesMaxApdu)
{
    std::vector<ReadAccess> accesses;
    for (uint32_t i = 0; i < 150; i++)
        accesses.push_back({ObjectId(ObjectType::AnalogValue, 1000 + i), Property::PresentValue, kNoIndex});
    accesses.push_back({ObjectId(ObjectType::AnalogInput, 99), Property::PresentValue, kNoIndex});
    accesses.push_back({ObjectId(ObjectType::AnalogOutput, 1), Property::PriorityArray, 16});
    for (const auto& [maxApdu, replies] : {std::pair<uint16_t, uint64_t>{1476, 3}, {206, 7}, {50, 31}}) {
        bacnet::Device small = device;
        small.m_maxApdu = maxApdu;
        small.m_segmentation = Segmentation::None;
        const auto before = client.Stats().m_received;
        const auto results = client.ReadPropertyMultiple(small, accesses);
        ASSERT_TRUE(results && results->size() == accesses.size()) << maxApdu;
        EXPECT_TRUE((*results)[149] && (*results)[151] && results->front());  // each in its place
        EXPECT_EQ((*results)[150].failure().Text(), "error : objectunknown object");
        EXPECT_EQ(client.Stats().m_received - before, replies) << maxApdu;
    }
}

// Three reads and a write at once, driven by Step; each ticket's outcome taken once.
TEST_F(OnSim, StepFunctionDrivesTransactionsWithoutBlocking)
{
    const ObjectId av1(ObjectType::AnalogValue, 1);
    std::vector<Ticket> reads;
    for (uint32_t i = 1; i <= 3; i++)
        reads.push_back(client.BeginReadProperty(device, ObjectId(0, i), Property::ObjectName).value());
    const Ticket write = client.BeginWriteProperty(device, av1, Property::PresentValue, Value(1.5f), 16).value();
    EXPECT_FALSE(client.Ready(reads[0]));
    for (int turn = 0; turn < 20 && client.NextWake(); turn++)
        client.Step(milliseconds(10));
    EXPECT_EQ(client.TakeValue(reads[1]).value().value().ToString(), "\"Outside Air Temperature\"");
    EXPECT_FALSE(client.TakeValue(reads[1]) || client.TakeValue(write) || client.NextWake());
    EXPECT_TRUE(client.TakeStatus(write).value());
    EXPECT_FALSE(client.TakeStatus(write));
    EXPECT_EQ(client.ReadProperty(device, av1, Property::PriorityArray, 16)->ToString(), "1.5");
}

}  // namespace

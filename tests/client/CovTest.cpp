// Change-of-value subscriptions and trend logs against scripted devices: the
// requests' exact octets, notifications taken only from the subscribed device
// with its process and object, renewal on the virtual clock, polling as the
// fallback, and trend-log pages by position.
#include <gtest/gtest.h>

#include "ScriptedDevice.h"

using namespace scripted;

namespace {

const ObjectId kAi1(ObjectType::AnalogInput, 1);

// The process identifier a SubscribeCOV request carries after BVLC, NPCI and
// APDU header, as hex; with `flip`, its last octet changed.
std::string ProcessOf(const Sent& s, int flip = 0)
{
    const size_t n = s.m_datagram[10] & 0x07u;
    return s.m_hex.substr(30, 3 * n - 1) + " " + Octet(s.m_datagram[10 + n] ^ flip);
}

// An unconfirmed notification's parameters from device 7 for analog input
// `instance`: present value `pv` and status flags.
std::string Notification(const std::string& process, int instance, const char* pv = "44 41 B4 00 00")
{
    return process + " 1C 02 00 00 07 2C 00 00 00 " + Octet(instance) + " 39 3C 4E 09 55 2E " + pv +
           " 2F 09 6F 2E 82 04 00 2F 4F";
}

TEST(Cov, SubscribesRenewsAndCancelsWithExactOctets)
{
    const struct {
        const char* name;
        CovOptions options;
        const char* after;  // the request after the process identifier
    } rows[] = {
        {"SubscribeCOV, unconfirmed, 60 s", CovOptions{false, seconds(60), std::nullopt, kNoIndex, std::nullopt},
         "1C 00 00 00 01 29 00 39 3C"},
        {"SubscribeCOVProperty, confirmed, with an increment",
         CovOptions{true, seconds(600), Property::PresentValue, kNoIndex, 0.5f},
         "1C 00 00 00 01 29 01 3A 02 58 4E 09 55 4F 5C 3F 00 00 00"},
        {"no end asked for: no renewal", CovOptions{false, seconds(0), std::nullopt, kNoIndex, std::nullopt},
         "1C 00 00 00 01 29 00 39 00"},
    };
    for (const auto& row : rows) {
        Scripted s(Answering());
        const Result<SubscriptionId> id = s.client.Subscribe(bacnet::Device::At(kDevice), kAi1, row.options);
        ASSERT_TRUE(id && s.client.Subscribed(*id) && s.device.Received().size() == 1u) << row.name;
        const Sent first = s.device.Received()[0];
        const std::string request = ProcessOf(first) + " " + row.after;
        EXPECT_EQ(first.m_hex.substr(27), (row.options.m_property ? "1C " : "05 ") + request) << row.name;

        // Four lifetimes on the virtual clock: a renewal every half lifetime,
        // each the same request again.
        const auto lifetime = row.options.m_lifetime.count() ? row.options.m_lifetime : seconds(60);
        while (s.net.Now() < first.m_at + 4 * lifetime)
            s.client.Step(4 * lifetime);
        s.client.Step(milliseconds(1));  // the last one delivered
        const std::vector<Sent> sent = s.device.Received();
        ASSERT_EQ(sent.size(), row.options.m_lifetime.count() ? 9u : 1u) << row.name;
        for (size_t i = 1; i < sent.size(); i++) {
            EXPECT_EQ(sent[i].m_hex.substr(30), request) << row.name;
            EXPECT_EQ(sent[i].m_at - sent[i - 1].m_at, row.options.m_lifetime / 2) << row.name;
        }

        // Cancelled: the same process and object, nothing after them.
        ASSERT_TRUE(s.client.Unsubscribe(*id) && !s.client.Subscribed(*id));
        const std::string property = row.options.m_property ? " 4E 09 55 4F" : "";
        EXPECT_EQ(s.device.Received().back().m_hex.substr(30), ProcessOf(first) + " 1C 00 00 00 01" + property);
    }
}

TEST(Cov, NotificationsCountOnlyFromTheSubscribedDevice)
{
    Scripted s(Answering([](Peer& d, const Sent& sent) {  // the device notifies at once, ahead of its acknowledgement
        d.Reply(Unicast("01 00 10 02 " + Notification(ProcessOf(sent), 1)), 2);
        return "20 " + Octet(sent.InvokeID()) + " 05";
    }));
    const Result<SubscriptionId> id = s.client.Subscribe(bacnet::Device::At(kDevice), kAi1);
    ASSERT_TRUE(id);
    s.client.Step(milliseconds(5));
    EXPECT_EQ(s.client.TakeNotifications(*id).size(), 1u);
    const Sent subscription = s.device.Received()[0];
    const std::string process = ProcessOf(subscription);
    const std::string unconfirmed = "01 00 10 02 " + Notification(process, 1);
    const struct {
        const char* name;
        Endpoint from;
        Bytes datagram;
        bool taken;
    } rows[] = {
        {"unconfirmed, from the device", kDevice, Unicast(unconfirmed), true},
        {"from another host", kAttacker, Unicast(unconfirmed), false},
        {"another process", kDevice, Unicast("01 00 10 02 " + Notification(ProcessOf(subscription, 1), 1)), false},
        {"another object", kDevice, Unicast("01 00 10 02 " + Notification(process, 2)), false},
        {"from a router naming a network the device is not on", kDevice,
         Unicast("01 08 00 05 01 07 10 02 " + Notification(process, 1)), false},
        {"relayed by a BBMD", kBbmd, Wrap(BvlcFunction::ForwardedNpdu, Hex(unconfirmed), kDevice), false},
        {"confirmed, from the device", kDevice,
         Unicast("01 00 00 05 33 01 " + Notification(process, 1, "44 41 B8 00 00")), true},
    };
    for (const auto& row : rows) {
        const size_t before = s.device.Received().size();
        s.net.Post(row.from, kClient, row.datagram);
        s.client.Step(milliseconds(10));
        const std::vector<CovNotification> taken = s.client.TakeNotifications(*id);
        ASSERT_EQ(taken.size(), row.taken ? 1u : 0u) << row.name;
        // A confirmed one is acknowledged, to the device, with its invoke ID.
        const bool confirmed = row.taken && taken[0].m_confirmed;
        ASSERT_EQ(s.device.Received().size(), before + (confirmed ? 1 : 0)) << row.name;
        EXPECT_TRUE(!confirmed || s.device.Received().back().m_hex == "81 0A 00 09 01 00 20 33 01") << row.name;
        for (const CovNotification& n : taken) {
            EXPECT_TRUE(n.m_objectID == kAi1 && n.m_deviceID == ObjectId(8, 7) && n.m_timeRemaining == 60u);
            ASSERT_EQ(n.m_values.size(), 2u);
            EXPECT_EQ(n.Find(Property::PresentValue)->ToString(), confirmed ? "23" : "22.5");
            EXPECT_TRUE(n.Find(Property::StatusFlags)->Is<BitString>());
        }
    }
    // The relayed one is a forged Forwarded-NPDU before it is a notification.
    EXPECT_EQ(s.client.Stats().m_forgedForwards, 1u);
    EXPECT_EQ(s.client.Stats().m_foreignNotifications, 4u);
}

// AI 2 cannot be subscribed to, so it is polled; AI 1 is watched until its
// renewal is refused, and polled from then on.
TEST(Cov, PollerWatchesWhatItCanAndPollsTheRest)
{
    bool refuseRenewals = false;
    std::vector<std::string> reads;
    Scripted s(Answering([&](Peer&, const Sent& sent) -> std::string {
        const std::string id = Octet(sent.InvokeID());
        if (sent.Service() == 5)
            return refuseRenewals || sent.m_hex.find("1C 00 00 00 02") != std::string::npos
                       ? "50 " + id + " 05 91 05 91 1D"  // services / cov-subscription-failed
                       : "20 " + id + " 05";
        reads.push_back(sent.m_hex.substr(30));
        // Each access is 9 octets: object, opening, property, closing.
        std::string acks;
        const Bytes& d = sent.m_datagram;
        for (size_t k = 10; k + 9 <= d.size(); k += 9) {
            const bool flags = d[k + 7] == 0x6F;
            const std::string value = flags ? "82 04 00" : d[k + 4] == 1 ? "44 42 00 00 00" : "44 42 20 00 00";
            acks += " 0C 00 00 00 " + Octet(d[k + 4]) + " 1E 29 " + Octet(d[k + 7]) + " 4E " + value + " 4F 1F";
        }
        return "30 " + id + " 0E" + acks;
    }));
    Poller poller(s.client, bacnet::Device::At(kDevice));
    const size_t pv1 = poller.Bind(kAi1, Property::PresentValue);
    const size_t sf1 = poller.Bind(kAi1, Property::StatusFlags);
    const size_t pv2 = poller.Bind(ObjectId(ObjectType::AnalogInput, 2), Property::PresentValue);
    EXPECT_EQ(poller.Watch(CovOptions{false, seconds(60), std::nullopt, kNoIndex, std::nullopt}), 2u);
    EXPECT_EQ(s.device.Received().size(), 2u);  // AI 1 once for both its tags
    EXPECT_TRUE(poller.Watched(pv1) && poller.Watched(sf1) && !poller.Watched(pv2));
    const Result<std::vector<Poller::Change>> changes = poller.Poll();
    ASSERT_TRUE(changes && changes->size() == 1u);
    EXPECT_EQ((*changes)[0].m_tag, pv2);
    EXPECT_TRUE(poller.Poll().value().empty());  // read again, unchanged

    // A notification for AI 1 comes through Changes, the same change path as a read.
    const Bytes notification = Unicast("01 00 10 02 " + Notification(ProcessOf(s.device.Received()[0]), 1));
    s.net.Post(kDevice, kClient, notification, milliseconds(100));
    const std::vector<Poller::Change> notified = poller.Changes(seconds(1));
    ASSERT_EQ(notified.size(), 2u);
    EXPECT_TRUE(notified[0].m_tag == pv1 && notified[1].m_tag == sf1);
    EXPECT_EQ(poller.Current(pv1)->ToString(), "22.5");

    refuseRenewals = true;
    for (const Clock::time_point until = s.net.Now() + seconds(40); s.net.Now() < until;)
        s.client.Step(seconds(40));
    EXPECT_FALSE(poller.Watched(pv1));
    ASSERT_TRUE(poller.Poll());
    EXPECT_EQ(reads, (std::vector<std::string>{"0C 00 00 00 02 1E 09 55 1F", "0C 00 00 00 02 1E 09 55 1F",
                                               "0C 00 00 00 01 1E 09 55 1F 0C 00 00 00 01 1E 09 6F 1F "
                                               "0C 00 00 00 02 1E 09 55 1F"}));
    EXPECT_EQ(poller.Current(pv1)->ToString(), "32");
}

// The last 10 records of a trend log of `total`, each record's value its
// position, through a device of 128 octets: pages of four by position, and
// each record's date and time as the device sent them.
TEST(Trend, ReadsTheLastRecordsPageByPage)
{
    const struct {
        int total;
        std::vector<std::string> ranges;  // each request's position and count
        uint32_t first;                   // the first record taken
    } rows[] = {
        {100, {"3E 21 5B 31 04 3F", "3E 21 5F 31 04 3F", "3E 21 63 31 02 3F"}, 91},
        {3, {"3E 21 01 31 04 3F"}, 1},  // more asked than the log holds
    };
    for (const auto& row : rows) {
        std::vector<std::string> ranges;
        Scripted s(Answering([&](Peer&, const Sent& sent) {
            const std::string id = Octet(sent.InvokeID());
            if (sent.Service() == 12)  // the record count, asked first
                return "30 " + id + " 0C 0C 05 00 00 01 19 8D 3E 21 " + Octet(row.total) + " 3F";
            ranges.push_back(sent.m_hex.substr(51));
            const int first = sent.m_datagram[19], n = std::min<int>(sent.m_datagram[21], row.total - first + 1);
            std::string items;
            for (int k = first; k < first + n; k++)
                items += " 0E A4 7A 0C 06 07 B4 0C " + Octet(k % 60) + " 00 00 0F 1E 49 " + Octet(k) + " 1F 2A 04 00";
            const int flags = (first == 1 ? 0x80 : 0) | (first + n > row.total ? 0x40 : 0);
            return "30 " + id + " 1A 0C 05 00 00 01 19 83 3A 05 " + Octet(flags) + " 49 " + Octet(n) + " 5E" + items +
                   " 5F";
        }));
        bacnet::Device small = bacnet::Device::At(kDevice);
        small.m_maxApdu = 128;
        const Result<std::vector<LogRecord>> records = s.client.ReadTrend(small, ObjectId(20, 1), 10);
        EXPECT_EQ(ranges, row.ranges) << row.total;
        ASSERT_EQ(records ? records->size() : 0u, std::min(row.total, 10)) << row.total;
        for (uint32_t i = 0; i < records->size(); i++) {
            const LogRecord& r = (*records)[i];
            EXPECT_EQ(r.m_value.ToString(), std::to_string(row.first + i)) << row.total;
            EXPECT_EQ(r.m_date, (Date{122, 12, 6, 7})) << row.total;
            EXPECT_EQ(r.m_time, (Time{12, uint8_t((row.first + i) % 60), 0, 0})) << row.total;
        }
    }
}

}  // namespace

// Change-of-value subscriptions and trend-log paging against scripted
// devices: the requests' exact octets, notifications taken only from the
// subscribed device with its process and object, renewal on the virtual
// clock, polling as the fallback, and ReadRange pages that follow on.
#include <gtest/gtest.h>

#include "ScriptedDevice.h"

using namespace scripted;
using std::chrono::milliseconds;
using std::chrono::seconds;

namespace {

const ObjectId kAi1(ObjectType::AnalogInput, 1);
const ObjectId kAi2(ObjectType::AnalogInput, 2);
const ObjectId kTrend(20, 1);

// A context-tagged unsigned in the fewest octets, as hex.
std::string ContextUnsigned(int tag, uint32_t v)
{
    int n = v > 0xFFFFFF ? 4 : v > 0xFFFF ? 3 : v > 0xFF ? 2 : 1;
    std::string out = Octet(tag << 4 | 0x08 | n);
    for (int i = n - 1; i >= 0; i--)
        out += " " + Octet(static_cast<int>(v >> (8 * i)));
    return out;
}

// The process identifier a SubscribeCOV request carries after its header.
uint32_t ProcessOf(const Bytes& datagram)
{
    const size_t at = 10;  // BVLC 4, NPCI 2, APDU header 4
    const int n = datagram[at] & 0x07;
    uint32_t v = 0;
    for (int i = 0; i < n; i++)
        v = v << 8 | datagram[at + 1 + static_cast<size_t>(i)];
    return v;
}

// The notification parameters: present value `pv` and status flags.
std::string Notification(uint32_t process, const ObjectId& object, const char* pv = "44 41 B4 00 00")
{
    char objectHex[16];
    snprintf(objectHex, sizeof objectHex, "%02X %02X %02X %02X", object.Word() >> 24, (object.Word() >> 16) & 0xFF,
             (object.Word() >> 8) & 0xFF, object.Word() & 0xFF);
    return ContextUnsigned(0, process) + " 1C 02 00 00 07 2C " + objectHex + " 39 3C 4E 09 55 2E " + pv +
           " 2F 09 6F 2E 82 04 00 2F 4F";
}

struct Subscriber {
    MemoryNetwork net;
    std::vector<Sent> subscribes;
    std::vector<Clock::time_point> when;
    std::function<std::string(const Sent&)> answer;  // after "01 00"; default a Simple-ACK
    Peer device{net, [this](Peer& d, const Sent& s) {
                    if (s.PduType() != 0)
                        return;
                    if (s.Service() == 5 || s.Service() == 28) {
                        subscribes.push_back(s);
                        when.push_back(net.Now());
                    }
                    const std::string reply =
                        answer ? answer(s) : "20 " + Octet(s.InvokeID()) + " " + Octet(s.Service());
                    if (!reply.empty())
                        d.Reply(Unicast("01 00 " + reply), 2);
                }};
    MemoryLink link{net, kClient};
    Client client{link};
};

TEST(Cov, SubscribesRenewsAndCancelsWithExactOctets)
{
    const struct {
        const char* name;
        CovOptions options;
        const char* after;  // the request after the process identifier
    } cases[] = {
        {"SubscribeCOV, unconfirmed, 60 s", CovOptions{false, seconds(60), std::nullopt, kNoIndex, std::nullopt},
         "1C 00 00 00 01 29 00 39 3C"},
        {"SubscribeCOVProperty, confirmed, with an increment",
         CovOptions{true, seconds(600), Property::PresentValue, kNoIndex, 0.5f},
         "1C 00 00 00 01 29 01 3A 02 58 4E 09 55 4F 5C 3F 00 00 00"},
        {"no end asked for: no renewal", CovOptions{false, seconds(0), std::nullopt, kNoIndex, std::nullopt},
         "1C 00 00 00 01 29 00 39 00"},
    };
    for (const auto& c : cases) {
        Subscriber s;
        const Result<SubscriptionId> id = s.client.Subscribe(bacnet::Device::At(kDevice), kAi1, c.options);
        ASSERT_TRUE(id) << c.name;
        EXPECT_TRUE(s.client.Subscribed(*id));
        ASSERT_EQ(s.subscribes.size(), 1u);
        const Sent& first = s.subscribes[0];
        const uint32_t process = ProcessOf(first.m_datagram);
        const std::string hex = ToHex(first.m_datagram);
        EXPECT_EQ(hex.substr(27, 3), c.options.m_property ? "1C " : "05 ") << c.name;
        EXPECT_EQ(hex.substr(30), ContextUnsigned(0, process) + " " + c.after) << c.name;

        // Four lifetimes on the virtual clock: a renewal every half lifetime,
        // each the same request again.
        const Clock::time_point start = s.net.Now();
        const auto lifetime = c.options.m_lifetime.count() ? c.options.m_lifetime : seconds(60);
        while (s.net.Now() < start + 4 * lifetime)
            s.client.Step(4 * lifetime);
        s.client.Step(milliseconds(1));  // the last one delivered
        const size_t expected = c.options.m_lifetime.count() ? 9 : 1;
        ASSERT_EQ(s.subscribes.size(), expected) << c.name;
        for (size_t i = 1; i < s.subscribes.size(); i++) {
            EXPECT_EQ(ToHex(s.subscribes[i].m_datagram).substr(30), hex.substr(30)) << c.name;
            EXPECT_EQ(s.when[i] - s.when[i - 1], c.options.m_lifetime / 2) << c.name;
        }

        // Cancelled: the same process and object, nothing after them.
        ASSERT_TRUE(s.client.Unsubscribe(*id));
        EXPECT_EQ(ToHex(s.subscribes.back().m_datagram).substr(30),
                  ContextUnsigned(0, process) + " 1C 00 00 00 01" + (c.options.m_property ? " 4E 09 55 4F" : ""))
            << c.name;
        EXPECT_FALSE(s.client.Subscribed(*id));
    }
}

TEST(Cov, NotificationsCountOnlyFromTheSubscribedDevice)
{
    Subscriber s;
    // The device notifies at once, right behind its acknowledgement.
    s.answer = [&](const Sent& sent) {
        s.device.Reply(Unicast("01 00 10 02 " + Notification(ProcessOf(sent.m_datagram), kAi1)), 2);
        return "20 " + Octet(sent.InvokeID()) + " 05";
    };
    const Result<SubscriptionId> id = s.client.Subscribe(bacnet::Device::At(kDevice), kAi1);
    ASSERT_TRUE(id);
    s.client.Step(milliseconds(5));
    EXPECT_EQ(s.client.TakeNotifications(*id).size(), 1u);
    const uint32_t process = ProcessOf(s.subscribes[0].m_datagram);
    const struct {
        const char* name;
        Endpoint from;
        Bytes datagram;
        bool taken;
    } cases[] = {
        {"unconfirmed, from the device", kDevice, Unicast("01 00 10 02 " + Notification(process, kAi1)), true},
        {"from another host", kAttacker, Unicast("01 00 10 02 " + Notification(process, kAi1)), false},
        {"another process", kDevice, Unicast("01 00 10 02 " + Notification(process + 1, kAi1)), false},
        {"another object", kDevice, Unicast("01 00 10 02 " + Notification(process, kAi2)), false},
        {"from a router naming a network the device is not on", kDevice,
         Unicast("01 08 00 05 01 07 10 02 " + Notification(process, kAi1)), false},
        {"relayed by a BBMD", kBbmd,
         Wrap(BvlcFunction::ForwardedNpdu, Hex("01 00 10 02 " + Notification(process, kAi1)), kDevice), false},
        {"confirmed, from the device", kDevice,
         Unicast("01 00 00 05 33 01 " + Notification(process, kAi1, "44 41 B8 00 00")), true},
    };
    for (const auto& c : cases) {
        const size_t before = s.device.Received().size();
        s.net.Post(c.from, kClient, c.datagram);
        s.client.Step(milliseconds(10));
        const std::vector<CovNotification> taken = s.client.TakeNotifications(*id);
        ASSERT_EQ(taken.size(), c.taken ? 1u : 0u) << c.name;
        if (!c.taken)
            continue;
        const CovNotification& n = taken[0];
        EXPECT_EQ(n.m_objectID, kAi1);
        EXPECT_EQ(n.m_deviceID, ObjectId(8, 7));
        EXPECT_EQ(n.m_timeRemaining, 60u);
        ASSERT_EQ(n.m_values.size(), 2u);
        EXPECT_EQ(n.Find(Property::PresentValue)->ToString(), n.m_confirmed ? "23" : "22.5");
        EXPECT_TRUE(n.Find(Property::StatusFlags)->Is<BitString>());
        // A confirmed one is acknowledged, to the device, with its invoke ID.
        if (n.m_confirmed) {
            ASSERT_EQ(s.device.Received().size(), before + 1);
            EXPECT_EQ(ToHex(s.device.Received().back().m_datagram), "81 0A 00 09 01 00 20 33 01");
        } else {
            EXPECT_EQ(s.device.Received().size(), before);
        }
    }
    // The relayed one is a forged Forwarded-NPDU before it is a notification.
    EXPECT_EQ(s.client.Stats().m_forgedForwards, 1u);
    EXPECT_EQ(s.client.Stats().m_foreignNotifications, 4u);
}

TEST(Cov, PollerWatchesWhatItCanAndPollsTheRest)
{
    Subscriber s;
    bool refuseRenewals = false;
    std::vector<std::string> reads;
    s.answer = [&](const Sent& sent) -> std::string {
        const std::string id = Octet(sent.InvokeID());
        const std::string hex = ToHex(sent.m_datagram);
        if (sent.Service() == 5) {
            // AI 2 cannot be subscribed to; after a while, nothing can.
            if (refuseRenewals || hex.find("1C 00 00 00 02") != std::string::npos)
                return "50 " + id + " 05 91 05 91 1D";  // services / cov-subscription-failed
            return "20 " + id + " 05";
        }
        if (sent.Service() == 14) {
            reads.push_back(hex.substr(30));
            // Each access is 9 octets: object, opening, property, closing.
            std::string acks;
            const Bytes& d = sent.m_datagram;
            for (size_t k = 10; k + 9 <= d.size(); k += 9) {
                const std::string value = d[k + 7] == 0x6F ? "82 04 00" : d[k + 4] == 1 ? "44 42 00 00 00" : "44 42 20 00 00";
                acks += " 0C 00 00 00 " + Octet(d[k + 4]) + " 1E 29 " + Octet(d[k + 7]) + " 4E " + value + " 4F 1F";
            }
            return "30 " + id + " 0E" + acks;
        }
        return "";
    };
    bacnet::Device device = bacnet::Device::At(kDevice);
    Poller poller(s.client, device);
    const size_t pv1 = poller.Bind(kAi1, Property::PresentValue);
    const size_t sf1 = poller.Bind(kAi1, Property::StatusFlags);
    const size_t pv2 = poller.Bind(kAi2, Property::PresentValue);
    EXPECT_EQ(poller.Watch(CovOptions{false, seconds(60), std::nullopt, kNoIndex, std::nullopt}), 2u);
    EXPECT_EQ(s.subscribes.size(), 2u);  // AI 1 once for both its tags, AI 2 refused
    EXPECT_TRUE(poller.Watched(pv1) && poller.Watched(sf1) && !poller.Watched(pv2));

    // The first poll reads only AI 2.
    const uint32_t process = ProcessOf(s.subscribes[0].m_datagram);
    Result<std::vector<Poller::Change>> changes = poller.Poll();
    ASSERT_TRUE(changes);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0], "0C 00 00 00 02 1E 09 55 1F");
    ASSERT_EQ(changes->size(), 1u);
    EXPECT_EQ((*changes)[0].m_tag, pv2);

    // A notification for AI 1 comes through Changes, and so through the same
    // change path as a read; nothing is read for it.
    s.net.Post(kDevice, kClient, Unicast("01 00 10 02 " + Notification(process, kAi1)), milliseconds(100));
    const std::vector<Poller::Change> notified = poller.Changes(seconds(1));
    ASSERT_EQ(notified.size(), 2u);
    EXPECT_EQ(notified[0].m_tag, pv1);
    EXPECT_EQ(notified[0].m_value->ToString(), "22.5");
    EXPECT_EQ(notified[1].m_tag, sf1);
    EXPECT_EQ(poller.Current(pv1)->ToString(), "22.5");
    EXPECT_EQ(reads.size(), 1u);
    // The same values again: no change.
    s.net.Post(kDevice, kClient, Unicast("01 00 10 02 " + Notification(process, kAi1)), milliseconds(100));
    EXPECT_TRUE(poller.Changes(seconds(1)).empty());

    // The renewal is refused: AI 1's tags are polled from then on.
    refuseRenewals = true;
    const Clock::time_point until = s.net.Now() + seconds(40);
    while (s.net.Now() < until)
        s.client.Step(seconds(40));
    EXPECT_FALSE(poller.Watched(pv1));
    changes = poller.Poll();
    ASSERT_TRUE(changes);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[1], "0C 00 00 00 01 1E 09 55 1F 0C 00 00 00 01 1E 09 6F 1F 0C 00 00 00 02 1E 09 55 1F");
    EXPECT_EQ(poller.Current(pv1)->ToString(), "32");
}

// The trend device: a log of `total` records, sequence numbers from 1,
// each record's value its sequence number; pages of at most `most` records.
struct TrendDevice {
    uint32_t total = 100;
    uint32_t most = 100;
    bool sequences = true;
    bool wrongObject = false;
    std::vector<std::string> requests;  // ReadRange parameters, as hex

    static std::string Record(uint32_t n)
    {
        return "0E A4 7A 0C 06 07 B4 0C " + Octet(static_cast<int>(n % 60)) + " 00 00 0F 1E 49 " +
               Octet(static_cast<int>(n)) + " 1F 2A 04 00";
    }

    std::string Answer(const Sent& s)
    {
        const std::string id = Octet(s.InvokeID());
        const std::string hex = ToHex(s.m_datagram);
        if (s.Service() == 12)  // record-count
            return "30 " + id + " 0C 0C 05 00 00 01 19 8D 3E 21 " + Octet(static_cast<int>(total)) + " 3F";
        requests.push_back(hex.substr(30));
        const Bytes d = s.m_datagram;
        // by position [3] or sequence [6]: reference, count; by time [7]: from sequence 50.
        const size_t at = 17;
        uint32_t first = 50;
        int32_t count = 0;
        if (d[at] == 0x3E || d[at] == 0x6E) {
            first = d[at + 2];
            count = static_cast<int8_t>(d[at + 4]);
        } else {
            count = static_cast<int8_t>(d[at + 12]);
        }
        uint32_t n = 0;
        std::string items;
        for (uint32_t k = first; k <= total && n < static_cast<uint32_t>(count) && n < most; k++, n++)
            items += " " + Record(k);
        const bool last = first + n - 1 >= total;
        const bool more = !last && n < static_cast<uint32_t>(count);
        const int flags = (first == 1 ? 0x80 : 0) | (last ? 0x40 : 0) | (more ? 0x20 : 0);
        std::string ack = "30 " + id + " 1A 0C " + (wrongObject ? "05 00 00 02" : "05 00 00 01") + " 19 83 3A 05 " +
                          Octet(flags) + " 49 " + Octet(static_cast<int>(n)) + " 5E" + items + " 5F";
        if (sequences && d[at] != 0x3E)
            ack += " 69 " + Octet(static_cast<int>(first));
        return ack;
    }
};

TEST(Trend, ReadsPageByPageWithinTheDevicesMaxApdu)
{
    const struct {
        const char* name;
        uint32_t total, most, count;
        bool sequences;
        std::optional<std::pair<Date, Time>> since;
        std::vector<std::string> requests;
        uint32_t firstValue, records;
    } cases[] = {
        {"the last 10 of 100, pages of 4 by position", 100, 100, 10, true, std::nullopt,
         {"0C 05 00 00 01 19 83 3E 21 5B 31 04 3F", "0C 05 00 00 01 19 83 3E 21 5F 31 04 3F",
          "0C 05 00 00 01 19 83 3E 21 63 31 02 3F"},
         91, 10},
        {"the device sends fewer than asked: on from what came", 100, 3, 6, true, std::nullopt,
         {"0C 05 00 00 01 19 83 3E 21 5F 31 04 3F", "0C 05 00 00 01 19 83 3E 21 62 31 03 3F"},
         95, 6},
        {"more asked than the log holds: stops at its last record", 3, 100, 10, true, std::nullopt,
         {"0C 05 00 00 01 19 83 3E 21 01 31 04 3F"}, 1, 3},
        {"since a time, then on by sequence number", 100, 100, 6, true,
         std::make_pair(Date{122, 12, 6, 7}, Time{12, 0, 0, 0}),
         {"0C 05 00 00 01 19 83 7E A4 7A 0C 06 07 B4 0C 00 00 00 31 04 7F",
          "0C 05 00 00 01 19 83 6E 21 36 31 02 6F"},
         50, 6},
        {"since a time, no sequence numbers: one page", 100, 100, 6, false,
         std::make_pair(Date{122, 12, 6, 7}, Time{12, 0, 0, 0}),
         {"0C 05 00 00 01 19 83 7E A4 7A 0C 06 07 B4 0C 00 00 00 31 04 7F"}, 50, 4},
    };
    for (const auto& c : cases) {
        MemoryNetwork net;
        TrendDevice trend;
        trend.total = c.total;
        trend.most = c.most;
        trend.sequences = c.sequences;
        Peer device(net, [&](Peer& d, const Sent& s) {
            if (s.PduType() == 0)
                d.Reply(Unicast("01 00 " + trend.Answer(s)), 2);
        });
        MemoryLink link(net, kClient);
        Client client(link);
        bacnet::Device small = bacnet::Device::At(kDevice);
        small.m_maxApdu = 128;  // four records a page
        const Result<std::vector<LogRecord>> records = client.ReadTrend(small, kTrend, c.count, c.since);
        ASSERT_TRUE(records) << c.name << ": " << records.failure().Text();
        EXPECT_EQ(trend.requests, c.requests) << c.name;
        ASSERT_EQ(records->size(), c.records) << c.name;
        for (uint32_t i = 0; i < c.records; i++) {
            const LogRecord& r = (*records)[i];
            EXPECT_EQ(r.m_value.ToString(), std::to_string(c.firstValue + i)) << c.name;
            EXPECT_EQ(r.m_kind, LogRecord::Kind::Value);
            EXPECT_EQ(r.m_date, (Date{122, 12, 6, 7}));
            EXPECT_EQ(r.m_time.m_minute, (c.firstValue + i) % 60);
            EXPECT_EQ(r.m_statusFlags, std::optional<uint8_t>(0));
            EXPECT_EQ(r.m_sequence, c.since && c.sequences ? c.firstValue + i : 0u) << c.name;
        }
    }

    // An acknowledgement for another object is refused.
    MemoryNetwork net;
    TrendDevice trend;
    trend.wrongObject = true;
    Peer device(net, [&](Peer& d, const Sent& s) { d.Reply(Unicast("01 00 " + trend.Answer(s)), 2); });
    MemoryLink link(net, kClient);
    Client client(link);
    const auto page = client.ReadRange(bacnet::Device::At(kDevice), kTrend, RangeStart(), 4);
    ASSERT_FALSE(page);
    EXPECT_EQ(page.failure().m_kind, FailureKind::Refused);
}

}  // namespace

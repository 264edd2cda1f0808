// A device cannot hold a transaction past its deadline: not with segments
// that never end, not with segment 0 over and over, not on the in-memory
// network's exact clock and not on a real socket.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ScriptedDevice.h"

using namespace scripted;
using std::chrono::milliseconds;

namespace {

struct Hostile {
    const char* name;
    Peer::Script script;
};

TEST(Deadline, NoDeviceExtendsATransaction)
{
    const Hostile devices[] = {
        {"empty segments that never end, each one acknowledged",
         [](Peer& d, const Sent& s) {
             if (s.PduType() == 0)
                 d.Reply(Unicast(Segment(s.InvokeID(), 0, true)), 100);
             else if (s.PduType() == 4 && !s.Negative())
                 d.Reply(Unicast(Segment(s.InvokeID(), (s.Sequence() + 1) & 0xFF, true)), 100);
         }},
        {"empty segments streamed without waiting for acknowledgements",
         [](Peer& d, const Sent& s) {
             if (s.PduType() != 0)
                 return;
             for (int i = 0; i < 2000; i++)
                 d.Reply(Unicast(Segment(s.InvokeID(), i & 0xFF, true, 127)), 5 * (i + 1));
         }},
        {"segment 0 over and over",
         [](Peer& d, const Sent& s) {
             if (s.PduType() != 0)
                 return;
             for (int i = 0; i < 500; i++)
                 d.Reply(Unicast(Segment(s.InvokeID(), 0, true)), 20 * (i + 1));
         }},
        {"segment 0, then the same window again and again",
         [](Peer& d, const Sent& s) {
             if (s.PduType() != 0)
                 return;
             for (int i = 0; i < 500; i++)
                 d.Reply(Unicast(Segment(s.InvokeID(), i % 2, true, 2)), 20 * (i + 1));
         }},
    };
    for (const Hostile& h : devices) {
        MemoryNetwork net;
        Peer device(net, h.script);
        MemoryLink link(net, kClient);
        ClientOptions options;
        options.m_timeout = milliseconds(400);
        options.m_retries = 100;  // retries alone would allow 40 s
        options.m_deadline = milliseconds(2000);
        Client client(link, options);
        const auto start = link.Now();
        const Result<Value> value =
            client.ReadProperty(bacnet::Device::At(kDevice), ObjectId(0, 1), Property::PresentValue);
        const auto took = std::chrono::duration_cast<milliseconds>(link.Now() - start);
        ASSERT_FALSE(value) << h.name;
        EXPECT_EQ(value.failure().m_kind, FailureKind::Timeout) << h.name;
        EXPECT_GE(took.count(), 2000) << h.name;
        EXPECT_LE(took.count(), 2200) << h.name;  // within 10%
        EXPECT_GT(device.Received().size(), 1u) << h.name;
    }
}

TEST(Deadline, AttemptsAndSegmentWaitsEndBeforeTheDeadline)
{
    struct Row {
        const char* name;
        Peer::Script script;
        long long expectMs;
        size_t datagrams;  // what the client sent
    } rows[] = {
        // Silence: the request and two repeats, 400 ms apart.
        {"no answer", [](Peer&, const Sent&) {}, 1200, 3},
        // Segment 0, then nothing: the wait restarts once, then two NAKs.
        {"segment 0 then silence",
         [](Peer& d, const Sent& s) {
             if (s.PduType() == 0)
                 d.Reply(Unicast(Segment(s.InvokeID(), 0, true)), 100);
         },
         100 + 1200, 4},
    };
    for (const Row& row : rows) {
        MemoryNetwork net;
        Peer device(net, row.script);
        MemoryLink link(net, kClient);
        ClientOptions options;
        options.m_timeout = milliseconds(400);
        options.m_retries = 2;
        Client client(link, options);
        EXPECT_EQ(client.Options().m_deadline.count(), 1200);  // timeout × (retries + 1)
        const auto start = link.Now();
        const Result<Value> value =
            client.ReadProperty(bacnet::Device::At(kDevice), ObjectId(0, 1), Property::PresentValue);
        const auto took = std::chrono::duration_cast<milliseconds>(link.Now() - start).count();
        ASSERT_FALSE(value);
        EXPECT_EQ(value.failure().m_kind, FailureKind::Timeout);
        EXPECT_EQ(value.failure().Text(), "Time out");
        EXPECT_EQ(took, std::min<long long>(row.expectMs, 1200)) << row.name;
        EXPECT_EQ(device.Received().size(), row.datagrams) << row.name;
    }
}

// A real socket and a real clock: a hostile device thread on loopback
// sending segment 0 every 10 ms.
TEST(Deadline, MetOnLoopbackWithinTenPercent)
{
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    socklen_t n = sizeof sa;
    getsockname(s, reinterpret_cast<sockaddr*>(&sa), &n);
    const Endpoint hostile = Endpoint::Loopback(ntohs(sa.sin_port));

    std::atomic<bool> stop{false};
    std::thread device([&] {
        uint8_t request[1600];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got = recvfrom(s, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 10)
            return;
        const Bytes segment = Unicast(Segment(request[8], 0, true));
        for (int i = 0; i < 500 && !stop; i++) {
            sendto(s, segment.data(), segment.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
            std::this_thread::sleep_for(milliseconds(10));
        }
    });
    std::string error;
    auto link = UdpLink::Open(Endpoint::Loopback(0), &error);
    ASSERT_TRUE(link) << error;
    ClientOptions options;
    options.m_timeout = milliseconds(300);
    options.m_retries = 50;
    options.m_deadline = milliseconds(800);
    Client client(*link, options);
    const auto start = std::chrono::steady_clock::now();
    const Result<Value> value = client.ReadProperty(bacnet::Device::At(hostile), ObjectId(0, 1), Property::PresentValue);
    const auto took = std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start).count();
    stop = true;
    device.join();
    close(s);
    ASSERT_FALSE(value);
    EXPECT_EQ(value.failure().m_kind, FailureKind::Timeout);
    EXPECT_GE(took, 800);
    EXPECT_LE(took, 880);
}

}  // namespace

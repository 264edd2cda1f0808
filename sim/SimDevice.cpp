#include "SimDevice.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "SimBbmd.h"
#include "SimDatabase.h"
#include "SimFrame.h"
#include "SimRouter.h"
#include "SimSegmenter.h"
#include "SimServices.h"
#include "client/Bvlc.h"
#include "client/UdpLink.h"

using namespace bacnetsim;
using bacnet::Bvlc;
using bacnet::BvlcFunction;
using bacnet::ByteView;
using bacnet::Clock;
using bacnet::Endpoint;

namespace {

// How long the serving loop waits for a datagram before it looks at the
// stop flag and the segment timers again.
constexpr auto kPoll = std::chrono::milliseconds(20);
// Datagrams handled in one Step beyond the first: a flood cannot keep the
// timers from running.
constexpr size_t kBurst = 64;

// One device: the device itself, or one behind its router.
struct Node {
    Node(uint32_t instance, int extraObjects) : db(instance, extraObjects), services(db) {}
    Database db;
    Services services;
};

// Sends through a network the device is a peer of: a link that never receives.
class PeerLink : public bacnet::Link {
public:
    PeerLink(bacnet::MemoryNetwork& network, const Endpoint& at) : m_network(network), m_at(at) {}
    bool Send(const Endpoint& to, ByteView datagram) override
    {
        m_network.Post(m_at, to, datagram);
        return true;
    }
    bool Receive(bacnet::Datagram&, Clock::duration) override { return false; }
    Clock::time_point Now() const override { return m_network.Now(); }
    Endpoint Local() const override { return m_at; }

private:
    bacnet::MemoryNetwork& m_network;
    Endpoint m_at;
};

}  // namespace

struct SimDevice::Impl {
    explicit Impl(const SimOptions& o)
        : options(o), router(o.routerNetwork, o.routedDevices),
          bbmd(o.bbmd, o.bdt, o.maxForeignDevices, o.broadcast,
               [this](const Endpoint& to, ByteView datagram) { link->Send(to, datagram); }),
          segmenter([this](const Peer& peer, const std::vector<unsigned char>& apdu) { Send(peer, apdu); },
                    [this](const std::string& text) { Log(text); })
    {
        nodes.push_back(std::make_unique<Node>(o.deviceInstance, std::max(o.extraObjects, 0)));
        for (int i = 1; i <= router.Devices(); i++)
            nodes.push_back(std::make_unique<Node>(o.deviceInstance + static_cast<uint32_t>(i), 0));
    }

    bool Bind(std::string* error);
    void Loop();
    size_t Step(Clock::duration wait);
    void Timers();
    // The datagram in `received`, whole.
    void OnDatagram();
    void OnNpdu(size_t start, Peer from);
    void Reply(const Peer& peer, const Outcome& outcome);
    void Send(const Peer& peer, const std::vector<unsigned char>& apdu);
    void SendNpdu(const Endpoint& to, ByteView npdu);
    void Log(const std::string& text);

    // Attached to a memory network: a datagram delivered, or the device's own wake-up.
    void OnDelivered(const Endpoint& from, ByteView datagram);
    // Holds the devices' clocks; Timers moves them as the link's moves.
    void FollowLinkClock();
    void ScheduleWake();

    SimOptions options;
    Router router;
    Bbmd bbmd;
    std::vector<std::unique_ptr<Node>> nodes;  // the device, then those behind the router
    Segmenter segmenter;
    bacnet::Link* link = nullptr;
    std::unique_ptr<bacnet::Link> ownLink;     // Start/Serve's UDP link, or the memory network's sender
    bool ownsUdp = false;                      // the first form: bound by Start/Serve, closed when they end
    // The devices' clocks follow the link's (a memory network's is virtual).
    bool followLink = false;
    Clock::time_point clockAt;
    bacnet::MemoryNetwork* network = nullptr;  // attached to it
    Clock::time_point wakeAt = Clock::time_point::max();
    bacnet::Datagram received;

    std::atomic<bool> stop{false};
    std::atomic<bool> serving{false};
    std::atomic<bool> servingInCaller{false};
    std::atomic<int> dropSegment{0};
    std::atomic<uint16_t> port{0};
    std::atomic<size_t> heldReplies{0}, heldOctets{0}, foreignDevices{0};
    std::mutex lifecycle;  // Start, Serve and the thread handle
    std::thread thread;
};

bool SimDevice::Impl::Bind(std::string* error)
{
    if (serving || network) {
        if (error)
            *error = network ? "the simulated device answers from its network" : "the simulated device is already serving";
        return false;
    }
    if (ownsUdp) {
        const std::optional<Endpoint> at = Endpoint::Parse(options.bindAddress, options.port);
        if (!at) {
            if (error)
                *error = "cannot resolve " + options.bindAddress;
            return false;
        }
        ownLink = bacnet::UdpLink::Open(*at, error);
        if (!ownLink)
            return false;
        link = ownLink.get();
    }
    port = link->Local().m_port;
    bbmd.SetSelf(link->Local());
    stop = false;
    serving = true;
    Log("device " + std::to_string(options.deviceInstance) + " serving on " + link->Local().ToString());
    return true;
}

void SimDevice::Impl::Loop()
{
    while (!stop)
        Step(kPoll);
    if (ownsUdp) {
        link = nullptr;
        ownLink.reset();
    }
    serving = false;
}

size_t SimDevice::Impl::Step(Clock::duration wait)
{
    size_t handled = 0;
    if (!link)
        return 0;
    if (link->Receive(received, wait)) {
        do {
            OnDatagram();
        } while (++handled <= kBurst && link->Receive(received, Clock::duration()));
    }
    Timers();
    return handled;
}

void SimDevice::Impl::Timers()
{
    if (followLink) {
        const Clock::time_point now = link->Now();
        const double seconds = std::chrono::duration<double>(now - clockAt).count();
        if (seconds > 0) {
            for (const auto& node : nodes)
                node->db.Advance(seconds);
            clockAt = now;
        }
    }
    // What the devices send on their own: change-of-value notifications.
    for (const auto& node : nodes)
        for (const Outgoing& o : node->services.TakeOutgoing()) {
            Log(o.to.Describe() + " " + o.what);
            Send(o.to, o.apdu);
        }
    segmenter.Tick(link->Now());
    heldReplies = segmenter.Pending();
    heldOctets = segmenter.HeldOctets();
}

void SimDevice::Impl::OnDatagram()
{
    bacnet::BvlcMessage message;
    const bacnet::BvlcRefusal refusal = Bvlc::Decode(received.View(), message);
    if (refusal != bacnet::BvlcRefusal::None) {
        Log(received.m_from.ToString() + " datagram refused: " + Bvlc::Describe(refusal));
        return;
    }
    // A relayed request is answered to its originator directly.
    Peer from;
    const bool forUs = bbmd.OnMessage(message, received.m_from, link->Now(), from.endpoint);
    foreignDevices = bbmd.ForeignDevices(link->Now());
    if (forUs && !message.m_npdu.empty())
        OnNpdu(static_cast<size_t>(message.m_npdu.data() - received.m_octets.data()), from);
}

void SimDevice::Impl::OnNpdu(size_t start, Peer from)
{
    unsigned char* buf = received.m_octets.data();
    const int end = static_cast<int>(received.m_size);
    int len = static_cast<int>(start);
    CBACnetNPCI header;
    if (!ReadNetworkHeader(buf, len, end, header, from))
        return;
    if (header.IsMessageMode()) {
        const bacnet::Bytes answer = router.Answer(buf, static_cast<int>(start), end, from);
        if (!answer.empty()) {
            Log(from.Describe() + " Who-Is-Router-To-Network: I-Am-Router-To-Network " +
                std::to_string(router.Network()));
            SendNpdu(from.endpoint, answer);
        }
        return;
    }
    for (int node : router.Targets(header)) {
        from.node = node;
        const Outcome outcome = nodes[static_cast<size_t>(node)]->services.Handle(buf, len, end, from);
        switch (outcome.kind) {
        case Outcome::SEGMENT_ACK:
            segmenter.OnSegmentAck(from, outcome.invokeID, outcome.sequence, outcome.window, link->Now());
            break;
        case Outcome::CLIENT_ABORT:
            segmenter.OnAbort(from, outcome.invokeID);
            break;
        case Outcome::REPLY:
            Reply(from, outcome);
            break;
        case Outcome::NONE:
            if (!outcome.what.empty())
                Log(from.Describe() + " " + outcome.what + ": no reply");
            break;
        }
    }
}

void SimDevice::Impl::Reply(const Peer& peer, const Outcome& outcome)
{
    const Clock::time_point now = link->Now();
    // A repeated request while its reply is still being segmented: the
    // segments under way answer it.
    if (outcome.confirmed && segmenter.Repeated(peer, outcome.invokeID, now))
        return;
    const Delivery d = Plan(outcome);
    const size_t size = outcome.apdu.size();
    switch (d.kind) {
    case Delivery::WHOLE:
        Log(peer.Describe() + " " + outcome.what + ": reply of " + std::to_string(size) + " octets");
        Send(peer, outcome.apdu);
        return;
    case Delivery::ABORT:
        Log(peer.Describe() + " " + outcome.what + ": reply of " + std::to_string(size) + " octets in " +
            std::to_string(d.segments) + " segments is more than the requester takes");
        Send(peer, AbortApdu(outcome.invokeID, d.reason));
        return;
    case Delivery::SEGMENTED:
        break;
    }
    Log(peer.Describe() + " " + outcome.what + ": reply of " + std::to_string(size) + " octets in " +
        std::to_string(d.segments) + " segments");
    std::vector<unsigned char> params(outcome.apdu.begin() + 3, outcome.apdu.end());
    segmenter.Start(peer, outcome.invokeID, outcome.serviceChoice, std::move(params), d.limit,
                    dropSegment.exchange(0), now);
}

void SimDevice::Impl::Send(const Peer& peer, const std::vector<unsigned char>& apdu)
{
    SendNpdu(peer.endpoint, Npdu(peer, router.Network(), apdu));
}

void SimDevice::Impl::SendNpdu(const Endpoint& to, ByteView npdu)
{
    uint8_t datagram[Bvlc::kMaxDatagram];
    const size_t n = Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, npdu, datagram, sizeof datagram);
    if (n > 0)
        link->Send(to, ByteView(datagram, n));
}

void SimDevice::Impl::Log(const std::string& text)
{
    if (options.verbose)
        fprintf(stderr, "sim: %s\n", text.c_str());
}

void SimDevice::Impl::OnDelivered(const Endpoint& from, ByteView datagram)
{
    const Endpoint self = link->Local();
    if (from == self && datagram.empty()) {
        wakeAt = Clock::time_point::max();
    } else if (datagram.size() <= received.m_octets.size()) {
        received.m_from = from;
        received.m_size = datagram.size();
        std::copy(datagram.begin(), datagram.end(), received.m_octets.begin());
        OnDatagram();
    }
    Timers();
    ScheduleWake();
}

void SimDevice::Impl::ScheduleWake()
{
    // One wake-up at a time, at the earliest deadline: what the network
    // holds for the device stays bounded. Subscriptions are looked at as
    // often as the serving loop would.
    Clock::time_point next = segmenter.NextDeadline();
    for (const auto& node : nodes)
        if (node->services.Subscriptions().Count() > 0 || node->services.Subscriptions().Unanswered() > 0)
            next = std::min(next, network->Now() + kPoll);
    if (next == Clock::time_point::max() || next >= wakeAt)
        return;
    wakeAt = next;
    network->Post(link->Local(), link->Local(), ByteView(), std::max(next - network->Now(), Clock::duration()));
}

void SimDevice::Impl::FollowLinkClock()
{
    for (const auto& node : nodes)
        node->db.HoldClock();
    followLink = true;
    clockAt = link->Now();
}

SimDevice::SimDevice(const SimOptions& options) : m_impl(std::make_unique<Impl>(options))
{
    m_impl->ownsUdp = true;
}

SimDevice::SimDevice(bacnet::Link& link, const SimOptions& options) : m_impl(std::make_unique<Impl>(options))
{
    m_impl->link = &link;
    m_impl->port = link.Local().m_port;
    m_impl->bbmd.SetSelf(link.Local());
    m_impl->FollowLinkClock();
}

SimDevice::SimDevice(bacnet::MemoryNetwork& network, const Endpoint& at, const SimOptions& options)
    : m_impl(std::make_unique<Impl>(options))
{
    m_impl->ownLink = std::make_unique<PeerLink>(network, at);
    m_impl->link = m_impl->ownLink.get();
    m_impl->network = &network;
    m_impl->port = at.m_port;
    m_impl->bbmd.SetSelf(at);
    m_impl->FollowLinkClock();
    network.Attach(at, [impl = m_impl.get()](const Endpoint& from, ByteView datagram) {
        impl->OnDelivered(from, datagram);
    });
}

SimDevice::~SimDevice()
{
    Stop();
}

bool SimDevice::Start(std::string* error)
{
    std::lock_guard<std::mutex> guard(m_impl->lifecycle);
    if (!m_impl->Bind(error))
        return false;
    m_impl->thread = std::thread([impl = m_impl.get()] { impl->Loop(); });
    return true;
}

void SimDevice::Stop()
{
    m_impl->stop = true;
    // Serve's own thread sees the flag: nothing to wait for here, and no
    // lock taken, so a signal handler may call this.
    if (m_impl->servingInCaller)
        return;
    std::thread thread;
    {
        std::lock_guard<std::mutex> guard(m_impl->lifecycle);
        thread = std::move(m_impl->thread);
    }
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
    else if (thread.joinable())
        thread.detach();
}

int SimDevice::Serve(std::string* error)
{
    {
        std::lock_guard<std::mutex> guard(m_impl->lifecycle);
        if (!m_impl->Bind(error))
            return 1;
        m_impl->servingInCaller = true;
    }
    m_impl->Loop();
    m_impl->servingInCaller = false;
    return 0;
}

size_t SimDevice::Step(Clock::duration wait)
{
    return m_impl->network ? 0 : m_impl->Step(wait);
}

uint16_t SimDevice::Port() const
{
    return m_impl->port;
}

void SimDevice::DropSegmentOnce(int n)
{
    m_impl->dropSegment = n > 0 ? n : 0;
}

size_t SimDevice::HeldReplies() const
{
    return m_impl->heldReplies;
}

size_t SimDevice::HeldOctets() const
{
    return m_impl->heldOctets;
}

size_t SimDevice::ForeignDevices() const
{
    return m_impl->foreignDevices;
}

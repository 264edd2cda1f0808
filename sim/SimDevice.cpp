#include "SimDevice.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "SimDatabase.h"
#include "SimFrame.h"
#include "SimSegmenter.h"
#include "SimServices.h"
#include "SimSocket.h"

using namespace bacnetsim;

namespace {

// How long the loop waits for a datagram before it looks at the stop flag
// and the segment timers again.
constexpr int kPollMs = 20;
// Larger than any BACnet/IP datagram: a longer one is cut and then refused
// by its own length field.
constexpr int kDatagramRoom = 2048;

}  // namespace

struct SimDevice::Impl {
    explicit Impl(const SimOptions& o)
        : options(o), db(o.deviceInstance, std::max(o.extraObjects, 0)), services(db),
          segmenter([this](const Peer& peer, const std::vector<unsigned char>& apdu) { Send(peer, apdu); },
                    [this](const std::string& text) { Log(text); })
    {
    }

    bool Bind(std::string* error);
    void Loop();
    void OnDatagram(unsigned char* buf, int size, Peer from);
    void Reply(const Peer& peer, const Outcome& outcome);
    void Send(const Peer& peer, const std::vector<unsigned char>& apdu);
    void Log(const std::string& text);

    SimOptions options;
    Database db;
    Services services;
    Segmenter segmenter;
    UdpSocket socket;

    std::atomic<bool> stop{false};
    std::atomic<bool> serving{false};
    std::atomic<bool> servingInCaller{false};
    std::atomic<int> dropSegment{0};
    std::atomic<uint16_t> port{0};
    std::atomic<size_t> heldReplies{0}, heldOctets{0};
    std::mutex lifecycle;  // Start, Serve and the thread handle
    std::thread thread;
};

bool SimDevice::Impl::Bind(std::string* error)
{
    if (serving) {
        if (error)
            *error = "the simulated device is already serving";
        return false;
    }
    if (!socket.Open(options.bindAddress, options.port, error))
        return false;
    port = socket.Port();
    stop = false;
    serving = true;
    Log("device " + std::to_string(options.deviceInstance) + " serving on " + options.bindAddress + ":" +
        std::to_string(port));
    return true;
}

void SimDevice::Impl::Loop()
{
    std::vector<unsigned char> buf(kDatagramRoom);
    while (!stop) {
        Peer from;
        const int n = socket.Receive(buf.data(), kDatagramRoom, from, kPollMs);
        if (n < 0)
            break;
        if (n > 0)
            OnDatagram(buf.data(), n, from);
        for (const Outgoing& o : services.TakeOutgoing()) {
            Log(o.to.Describe() + " " + o.what);
            Send(o.to, o.apdu);
        }
        segmenter.Tick(Segmenter::Clock::now());
        heldReplies = segmenter.Pending();
        heldOctets = segmenter.HeldOctets();
    }
    socket.Close();
    serving = false;
}

void SimDevice::Impl::OnDatagram(unsigned char* buf, int size, Peer from)
{
    int start, end;
    if (!Unwrap(buf, size, from, start, end))
        return;
    const Outcome outcome = services.Handle(buf, start, end, from);
    switch (outcome.kind) {
    case Outcome::SEGMENT_ACK:
        segmenter.OnSegmentAck(from, outcome.invokeID, outcome.sequence, outcome.window, Segmenter::Clock::now());
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

void SimDevice::Impl::Reply(const Peer& peer, const Outcome& outcome)
{
    // A repeated request while its reply is still being segmented: the
    // segments under way answer it.
    if (outcome.confirmed && segmenter.Repeated(peer, outcome.invokeID, Segmenter::Clock::now()))
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
                    dropSegment.exchange(0), Segmenter::Clock::now());
}

void SimDevice::Impl::Send(const Peer& peer, const std::vector<unsigned char>& apdu)
{
    socket.Send(peer, Wrap(peer, apdu));
}

void SimDevice::Impl::Log(const std::string& text)
{
    if (options.verbose)
        fprintf(stderr, "sim: %s\n", text.c_str());
}

SimDevice::SimDevice(const SimOptions& options) : m_impl(std::make_unique<Impl>(options)) {}

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

// A BACnet/IP client over the codec: discovery, reading, writing and the
// other services a driver needs, with transactions matched by invoke ID,
// service and the device's own address, time-outs, retries, an overall
// deadline per transaction and segmented replies reassembled.
//
// No hidden threads. Each operation has a blocking form that returns when
// its transaction ends (never later than its deadline), and the confirmed
// ones a Begin… form for drivers with their own event loop: Begin, then
// call Step() whenever the link may have something (UdpLink::Descriptor())
// or NextWake() has come, and Take… the outcome once Ready().
//
//     auto link = bacnet::UdpLink::Open();          // an ephemeral port
//     bacnet::Client client(*link);
//     for (const bacnet::Device& d : client.Discover(std::chrono::seconds(1)))
//         if (auto v = client.ReadProperty(d, {bacnet::ObjectType::AnalogInput, 1},
//                                          bacnet::Property::PresentValue))
//             std::cout << v->ToString() << '\n';
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/Device.h"
#include "client/Link.h"
#include "client/Result.h"
#include "client/Value.h"
#include "library/Export.h"

class CBACnetNPCI;

namespace bacnet {

namespace detail {
class Transaction;
}

struct ClientOptions {
    std::chrono::milliseconds m_timeout{3000};   // one attempt; also the wait for the next segment
    int m_retries = 2;                           // attempts after the first
    std::chrono::milliseconds m_deadline{0};     // a whole transaction; 0: timeout × (retries + 1)
    size_t m_maxReply = 1 << 20;                 // octets of a reassembled reply
    uint8_t m_window = 16;                       // segments per window accepted
    // The BBMD whose Forwarded-NPDUs are believed; none: every one is dropped.
    std::optional<Endpoint> m_bbmd;
    Endpoint m_broadcast = Endpoint::Broadcast();  // where discovery goes without a target
};

// What the client dropped, and why. Each counter only grows.
struct ClientStats {
    uint64_t m_received = 0;
    uint64_t m_malformed = 0;        // no valid BVLC, network or APDU header
    uint64_t m_forgedForwards = 0;   // Forwarded-NPDUs not from the configured BBMD
    uint64_t m_foreignReplies = 0;   // a reply for a transaction from another address than its device's
    uint64_t m_unmatched = 0;        // a reply for no transaction, or naming another service
    uint64_t m_retries = 0;          // requests sent again
    uint64_t m_negativeAcks = 0;     // negative Segment-ACKs sent
};

struct ReadAccess {
    ObjectId m_objectID;
    PropertyId m_propertyID = Property::PresentValue;
    uint32_t m_index = kNoIndex;
};

struct WriteAccess {
    ObjectId m_objectID;
    PropertyId m_propertyID = Property::PresentValue;
    Value m_value;
    uint8_t m_priority = 0;  // 1 .. 16, or 0: none
    uint32_t m_index = kNoIndex;
};

using Ticket = uint32_t;

class BACNET_API Client {
public:
    explicit Client(Link& link, ClientOptions options = ClientOptions());
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // --- Discovery (unconfirmed; waits the whole `wait`) ---------------
    // Who-Is to `target` (default: the broadcast address), optionally for
    // device instances low..high; every device whose I-Am came in `wait`.
    std::vector<Device> Discover(std::chrono::milliseconds wait, std::optional<Endpoint> target = std::nullopt,
                                 std::optional<std::pair<uint32_t, uint32_t>> range = std::nullopt);
    // The device at `at`, from its I-Am; Timeout when none came in `wait`.
    Result<Device> FindDevice(const Endpoint& at, std::chrono::milliseconds wait);
    // Who-Has by identifier or by name.
    std::vector<ObjectHolder> WhoHas(const ObjectId& object, std::chrono::milliseconds wait,
                                     std::optional<Endpoint> target = std::nullopt);
    std::vector<ObjectHolder> WhoHas(const std::string& name, std::chrono::milliseconds wait,
                                     std::optional<Endpoint> target = std::nullopt);
    // TimeSynchronization with this host's local date and time.
    Status SynchronizeTime(std::optional<Endpoint> target = std::nullopt);

    // --- Confirmed services, blocking ------------------------------------
    Result<Value> ReadProperty(const Device& device, const ObjectId& object, PropertyId property,
                               uint32_t index = kNoIndex);
    // Every access in as few requests as the device's max APDU allows; one
    // result per access, in order. A failed request fails the whole call.
    Result<std::vector<Result<Value>>> ReadPropertyMultiple(const Device& device,
                                                            const std::vector<ReadAccess>& accesses);
    // A Null value with a priority relinquishes that slot.
    Status WriteProperty(const Device& device, const ObjectId& object, PropertyId property, const Value& value,
                         uint8_t priority = 0, uint32_t index = kNoIndex);
    Status WritePropertyMultiple(const Device& device, const std::vector<WriteAccess>& writes);
    // The identifier the device gave the new object.
    Result<ObjectId> CreateObject(const Device& device, const ObjectId& object);
    Status DeleteObject(const Device& device, const ObjectId& object);

    // --- Confirmed services, for a driver's own event loop --------------
    Result<Ticket> BeginReadProperty(const Device& device, const ObjectId& object, PropertyId property,
                                     uint32_t index = kNoIndex);
    Result<Ticket> BeginWriteProperty(const Device& device, const ObjectId& object, PropertyId property,
                                      const Value& value, uint8_t priority = 0, uint32_t index = kNoIndex);
    // Takes what the link holds, waiting at most `wait` for the first
    // datagram, and runs every transaction's time-outs. Never blocks past `wait`.
    void Step(Clock::duration wait = Clock::duration());
    // When a transaction next needs Step() even if nothing arrives.
    std::optional<Clock::time_point> NextWake() const;
    bool Ready(Ticket ticket) const;
    // A ReadProperty's value, or a Simple-ACK's status; once, after Ready.
    std::optional<Result<Value>> TakeValue(Ticket ticket);
    std::optional<Status> TakeStatus(Ticket ticket);
    // Ends a transaction without waiting for it.
    void Cancel(Ticket ticket);

    const ClientStats& Stats() const { return m_stats; }
    const ClientOptions& Options() const { return m_options; }
    Link& GetLink() { return m_link; }

private:
    struct Pending;
    Result<Ticket> Begin(const Device& device, uint8_t service, const Bytes& params);
    Result<Bytes> Run(Result<Ticket> ticket);
    std::optional<Result<Bytes>> TakeReply(Ticket ticket);
    void Dispatch(const Datagram& datagram);
    void OnUnconfirmed(const Endpoint& from, uint8_t service, ByteView params, const CBACnetNPCI& network);
    void SendNpdu(const Endpoint& to, ByteView npdu, bool broadcast);
    bool SendUnicast(const Endpoint& to, ByteView npdu);
    // Waits (stepping) until `until` or until `stop` says enough.
    template <class Stop>
    void StepUntil(Clock::time_point until, Stop stop);
    Result<uint8_t> AllocateInvokeID();

    Link& m_link;
    ClientOptions m_options;
    ClientStats m_stats;
    uint8_t m_nextInvokeID;
    Ticket m_nextTicket = 1;
    std::map<Ticket, std::unique_ptr<detail::Transaction>> m_transactions;
    std::map<Ticket, ReadAccess> m_reads;  // what each ReadProperty asked, to check its answer
    // Heard while discovery or Who-Has listens.
    bool m_listening = false;
    std::vector<Device> m_heardDevices;
    std::vector<ObjectHolder> m_heardObjects;
};

}  // namespace bacnet

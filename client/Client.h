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
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/Cov.h"
#include "client/Device.h"
#include "client/Link.h"
#include "client/Result.h"
#include "client/Trend.h"
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
    // With m_bbmd: register with it as a foreign device for this long, renew
    // before it ends, and send every broadcast through it
    // (Distribute-Broadcast-To-Network). 0: no registration.
    std::chrono::seconds m_foreignTtl{0};
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
    uint64_t m_foreignNotifications = 0;  // COV notifications from another address, process or object
    uint64_t m_registrationNaks = 0;      // the BBMD refused a foreign-device registration
};

// A confirmed request's outcome, and what it took (for verbose output).
struct RawOutcome {
    // The Complex-ACK's service data, empty for a Simple-ACK; or the failure.
    Result<Bytes> m_reply = Failure::Of(FailureKind::Timeout);
    bool m_simpleAck = false;
    int m_attempts = 0;      // requests sent, the first included
    int m_segments = 0;      // reply segments taken
    int m_negativeAcks = 0;  // negative Segment-ACKs sent
};

// An unconfirmed request as it arrived, handed to the hook during Step.
struct UnconfirmedRequest {
    Endpoint m_from;         // the UDP sender, or the originator a trusted BBMD names
    bool m_forwarded = false;  // relayed by the BBMD
    uint16_t m_network = 0;  // SNET, 0 when the sender is on this network
    Bytes m_mac;             // SADR
    uint8_t m_service = 0;
    ByteView m_request;      // the service request octets; valid during the call only
    // The sender as a device to answer (its endpoint and network address).
    Device Sender() const
    {
        Device d = Device::At(m_from);
        d.m_network = m_network;
        d.m_mac = m_mac;
        return d;
    }
};
using UnconfirmedHandler = std::function<void(const UnconfirmedRequest&)>;

// A router and the networks it says it reaches.
struct RouterInfo {
    Endpoint m_endpoint;
    std::vector<uint16_t> m_networks;
};

// Where a foreign-device registration stands.
enum class Registration : uint8_t {
    None,       // not asked for (no BBMD or no time-to-live)
    Pending,    // sent, no answer yet
    Registered,
    Refused,    // the BBMD answered with a NAK
    NoAnswer,   // no answer within the time-out; tried again at the next renewal
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
    // The same aimed at one device, through its router when it has a network
    // number (a Device with a network and no MAC is that network's broadcast).
    std::vector<Device> Discover(std::chrono::milliseconds wait, const Device& target,
                                 std::optional<std::pair<uint32_t, uint32_t>> range = std::nullopt);
    Result<Device> FindDevice(const Device& target, std::chrono::milliseconds wait);
    std::vector<ObjectHolder> WhoHas(const ObjectId& object, std::chrono::milliseconds wait, const Device& target);
    Status SynchronizeTime(const Device& target);
    // Who-Is-Router-To-Network on this network; every router that answered in `wait`.
    std::vector<RouterInfo> Routers(std::chrono::milliseconds wait);

    // --- Foreign-device registration (ClientOptions::m_foreignTtl) -------
    // Registers now and waits at most the time-out for the BBMD's answer:
    // Refused carries the result code as its reason text.
    Status Register();
    Registration RegistrationState() const { return m_registration; }

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

    // --- Change-of-value subscriptions -------------------------------------
    // Subscribes (SubscribeCOV, or SubscribeCOVProperty when the options name
    // a property) and renews from Step and the blocking calls halfway through
    // the lifetime. Notifications count only from the device's own address,
    // with this subscription's process identifier and object; confirmed ones
    // are acknowledged. The others are dropped and counted.
    Result<SubscriptionId> Subscribe(const Device& device, const ObjectId& object,
                                     const CovOptions& options = CovOptions());
    // Cancels at the device and forgets the subscription (forgotten even when
    // the device does not answer).
    Status Unsubscribe(SubscriptionId id);
    // True while the last subscription or renewal was accepted.
    bool Subscribed(SubscriptionId id) const;
    // The notifications received since the last call, oldest first (the
    // newest kCovQueue are kept).
    std::vector<CovNotification> TakeNotifications(SubscriptionId id);
    static constexpr size_t kCovQueue = 256;

    // --- Trend logs and other lists: ReadRange ---------------------------
    // One ReadRange of `count` items (negative: before the reference) of a
    // list property, the log buffer by default. The records, and whether the
    // device has more beyond them.
    struct RangePage {
        std::vector<LogRecord> m_records;  // of a log buffer
        std::vector<Value> m_items;        // of any other list
        bool m_more = false;   // more items matched than came back
        bool m_last = false;   // the last item is the list's last
        std::optional<uint32_t> m_firstSequence;  // the first item's sequence number, when given
    };
    Result<RangePage> ReadRange(const Device& device, const ObjectId& object, const RangeStart& start,
                                int32_t count, PropertyId property = kLogBuffer);
    // Up to `count` records of a trend log, oldest first, paged so each reply
    // fits the device's max APDU: the last `count` records, or with `since`
    // the first `count` at or after that date and time.
    Result<std::vector<LogRecord>> ReadTrend(const Device& device, const ObjectId& object, uint32_t count,
                                             std::optional<std::pair<Date, Time>> since = std::nullopt);
    static constexpr PropertyId kLogBuffer = 131;

    // --- Raw requests and the unconfirmed hook ----------------------------
    // For programs that build their own service data: the client still owns
    // invoke IDs, matching, retries, deadlines and segmentation.
    //
    // Confirmed service `service` with its request octets to `device`;
    // blocks until the transaction ends.
    RawOutcome Confirmed(const Device& device, uint8_t service, ByteView request);
    Result<Ticket> BeginConfirmed(const Device& device, uint8_t service, ByteView request);
    // Any transaction's outcome, once, after Ready.
    std::optional<RawOutcome> TakeRaw(Ticket ticket);
    // An unconfirmed request to `device` (through its router when it has a
    // network number), or with none a global broadcast (through the BBMD
    // when registered as a foreign device).
    Status SendUnconfirmed(uint8_t service, ByteView request, const Device* device = nullptr);
    // Called from Step with every well-formed unconfirmed request received
    // (replaces the previous handler; an empty one removes it).
    void SetUnconfirmedHandler(UnconfirmedHandler handler) { m_unconfirmedHandler = std::move(handler); }

    const ClientStats& Stats() const { return m_stats; }
    const ClientOptions& Options() const { return m_options; }
    Link& GetLink() { return m_link; }

private:
    struct Pending;
    Result<Ticket> Begin(const Device& device, uint8_t service, ByteView params);
    Result<Bytes> Run(Result<Ticket> ticket);
    std::optional<Result<Bytes>> TakeReply(Ticket ticket);
    void Dispatch(const Datagram& datagram);
    void OnUnconfirmed(const Endpoint& from, uint8_t service, ByteView params, const CBACnetNPCI& network);
    void OnNetworkMessage(const Endpoint& from, ByteView npdu);
    void RegistrationTimers(Clock::time_point now);
    void OnBvlcResult(const Endpoint& from, uint16_t code);
    // An NPDU to `to`, or with none a broadcast (through the BBMD when registered).
    bool SendNpdu(const std::optional<Endpoint>& to, ByteView npdu);
    void SendRegistration();
    std::vector<Device> Listen(std::chrono::milliseconds wait, std::optional<std::pair<uint32_t, uint32_t>> range);
    std::vector<ObjectHolder> ListenHolders(std::chrono::milliseconds wait, const ObjectId* object,
                                            const std::string* name);
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
    std::vector<RouterInfo> m_heardRouters;
    // Subscriptions.
    struct Subscription;
    std::map<SubscriptionId, std::unique_ptr<Subscription>> m_subscriptions;
    SubscriptionId m_nextSubscription = 1;
    uint32_t m_nextProcessID;
    void OnCovNotification(const Endpoint& from, bool forwarded, const CBACnetNPCI& network, ByteView params,
                           bool confirmed, uint8_t invokeID);
    void SubscriptionTimers(Clock::time_point now);
    std::optional<Clock::time_point> NextRenewal() const;
    bool FromDevice(const Device& device, const Endpoint& from, bool forwarded, const CBACnetNPCI& network) const;
    UnconfirmedHandler m_unconfirmedHandler;
    // Foreign-device registration.
    Registration m_registration = Registration::None;
    bool m_awaitingRegistration = false;
    uint16_t m_registrationCode = 0;
    Clock::time_point m_registrationSent;
    Clock::time_point m_renewAt;
};

}  // namespace bacnet

#include "client/Client.h"

#include <algorithm>
#include <cwchar>
#include <random>

#include <bacnetcodec/bacnetcodec.h>

#include "client/detail/Requests.h"
#include "client/detail/Subscription.h"
#include "client/detail/TagReader.h"
#include "client/detail/Transaction.h"

namespace bacnet {

using detail::TagReader;

namespace {

constexpr uint8_t kRejectUnrecognizedService = 9;
// Datagrams taken in one Step beyond the first: a flood cannot starve the timers.
constexpr int kDrainPerStep = 256;
// A property's reply beyond its identifiers, guessed for splitting a
// ReadPropertyMultiple: enclosing tags and a primitive value.
constexpr size_t kReplyValueGuess = 16;
constexpr size_t kApduHeader = 4;          // a confirmed request's APDU header, unsegmented
constexpr size_t kComplexAckHeader = 3;

uint16_t WireNumber(const unsigned char octets[2])
{
    return static_cast<uint16_t>(octets[0] << 8 | octets[1]);
}

void AppendPropertyRef(const ObjectId& object, PropertyId property, uint32_t index, Bytes& out)
{
    detail::EncodeContextObjectId(0, object, out);
    detail::EncodeContextUnsigned(1, property, out);
    if (index != kNoIndex)
        detail::EncodeContextUnsigned(2, index, out);
}

// The property reference and value of a read acknowledgement, checked
// against what was asked.
Result<Value> DecodeReadAck(ByteView params, const ObjectId& object, PropertyId property, uint32_t index)
{
    TagReader in(params);
    ObjectId gotObject;
    uint32_t gotProperty = 0, gotIndex = kNoIndex;
    bool hasIndex = false;
    ByteView inside;
    bool constructed = false;
    Value value;
    if (!in.ReadObjectId(0, gotObject) || !in.ReadUnsigned(1, gotProperty) ||
        !in.ReadOptionalUnsigned(2, gotIndex, hasIndex) || !in.ExpectOpening(3) ||
        !in.ReadUntilClosing(3, inside, constructed) || !detail::DecodePropertyValue(inside, constructed, value))
        return Failure::Of(FailureKind::Refused, "a ReadProperty acknowledgement that does not decode");
    if (gotObject != object || gotProperty != property || (hasIndex ? gotIndex : kNoIndex) != index)
        return Failure::Of(FailureKind::Refused, "an acknowledgement for another property");
    return value;
}

Result<Done> ToStatus(const Result<Bytes>& reply)
{
    if (!reply)
        return reply.failure();
    return Done();
}

}  // namespace

Client::Client(Link& link, ClientOptions options) : m_link(link), m_options(std::move(options))
{
    // A random first invoke ID: a blind sender cannot count on 1.
    std::random_device entropy;
    m_nextInvokeID = static_cast<uint8_t>(entropy());
    // Process identifiers too: a notification cannot be aimed at a guessable one.
    m_nextProcessID = static_cast<uint32_t>(entropy()) & 0x3FFFFFFF;
    if (m_options.m_deadline.count() <= 0)
        m_options.m_deadline = m_options.m_timeout * (std::max(m_options.m_retries, 0) + 1);
    if (m_options.m_bbmd && m_options.m_foreignTtl.count() > 0) {
        m_registration = Registration::Pending;
        SendRegistration();
    }
}

Client::~Client() = default;

bool Client::SendUnicast(const Endpoint& to, ByteView npdu)
{
    uint8_t datagram[Bvlc::kMaxDatagram];
    const size_t n = Bvlc::Encode(BvlcFunction::OriginalUnicastNpdu, npdu, datagram, sizeof datagram);
    return n > 0 && m_link.Send(to, ByteView(datagram, n));
}

bool Client::SendNpdu(const std::optional<Endpoint>& to, ByteView npdu)
{
    if (to)
        return SendUnicast(*to, npdu);
    // A foreign device has no broadcast of its own: the BBMD spreads it.
    const bool foreign = m_registration != Registration::None;
    uint8_t datagram[Bvlc::kMaxDatagram];
    const size_t n = Bvlc::Encode(foreign ? BvlcFunction::DistributeBroadcast : BvlcFunction::OriginalBroadcastNpdu,
                                  npdu, datagram, sizeof datagram);
    return n > 0 && m_link.Send(foreign ? *m_options.m_bbmd : m_options.m_broadcast, ByteView(datagram, n));
}

void Client::SendRegistration()
{
    BvlcMessage request;
    request.m_function = BvlcFunction::RegisterForeignDevice;
    request.m_timeToLive = static_cast<uint16_t>(std::min<int64_t>(m_options.m_foreignTtl.count(), 0xFFFF));
    uint8_t datagram[Bvlc::kHeader + 2];
    const size_t n = Bvlc::Encode(request, datagram, sizeof datagram);
    m_link.Send(*m_options.m_bbmd, ByteView(datagram, n));
    m_awaitingRegistration = true;
    m_registrationSent = m_link.Now();
}

void Client::OnBvlcResult(const Endpoint& from, uint16_t code)
{
    if (!m_awaitingRegistration || !m_options.m_bbmd || from != *m_options.m_bbmd) {
        m_stats.m_unmatched++;
        return;
    }
    m_awaitingRegistration = false;
    m_registrationCode = code;
    // Renewed halfway through its time-to-live; a refusal is asked again as late.
    m_renewAt = m_registrationSent + m_options.m_foreignTtl / 2;
    if (code == 0) {
        m_registration = Registration::Registered;
    } else {
        m_registration = Registration::Refused;
        m_stats.m_registrationNaks++;
    }
}

void Client::RegistrationTimers(Clock::time_point now)
{
    if (m_registration == Registration::None)
        return;
    if (m_awaitingRegistration && now >= m_registrationSent + m_options.m_timeout) {
        m_awaitingRegistration = false;
        if (m_registration != Registration::Registered)
            m_registration = Registration::NoAnswer;
        m_renewAt = now + m_options.m_timeout;  // asked again one time-out later
    }
    if (!m_awaitingRegistration && now >= m_renewAt)
        SendRegistration();
}

Status Client::Register()
{
    if (!m_options.m_bbmd || m_options.m_foreignTtl.count() <= 0)
        return Failure::Of(FailureKind::InvalidArgument, "no BBMD and time-to-live to register with");
    if (!m_awaitingRegistration)
        SendRegistration();
    while (m_awaitingRegistration)
        Step(Clock::duration::max());
    if (m_registration == Registration::Registered)
        return Done();
    if (m_registration == Registration::Refused)
        return Failure::Of(FailureKind::Refused, "registration refused: " + Bvlc::ResultName(m_registrationCode));
    return Failure::Of(FailureKind::Timeout);
}

Result<uint8_t> Client::AllocateInvokeID()
{
    for (int tries = 0; tries < 256; tries++) {
        const uint8_t candidate = m_nextInvokeID++;
        const bool used = std::any_of(m_transactions.begin(), m_transactions.end(),
                                      [&](const auto& t) { return t.second->InvokeID() == candidate; });
        if (!used)
            return candidate;
    }
    return Failure::Of(FailureKind::Busy);
}

Result<Ticket> Client::Begin(const Device& device, uint8_t service, ByteView params)
{
    if (kApduHeader + params.size() > std::min<size_t>(device.m_maxApdu, detail::kOwnMaxApdu))
        return Failure::Of(FailureKind::InvalidArgument, "the request does not fit the device's max APDU");
    const Result<uint8_t> invokeID = AllocateInvokeID();
    if (!invokeID)
        return invokeID.failure();
    const detail::TransactionLimits limits{m_options.m_timeout, std::max(m_options.m_retries, 0),
                                           m_options.m_deadline, m_options.m_maxReply, m_options.m_window};
    auto transaction = std::make_unique<detail::Transaction>(
        device, *invokeID, service, detail::ConfirmedRequest(device, *invokeID, service, params), limits);
    transaction->Begin(m_link.Now(), [this](const Endpoint& to, ByteView npdu) { return SendUnicast(to, npdu); });
    const Ticket ticket = m_nextTicket++;
    m_transactions.emplace(ticket, std::move(transaction));
    return ticket;
}

void Client::Dispatch(const Datagram& datagram)
{
    m_stats.m_received++;
    BvlcMessage message;
    if (Bvlc::Decode(datagram.View(), message) != BvlcRefusal::None) {
        m_stats.m_malformed++;
        return;
    }
    Endpoint from = datagram.m_from;
    bool forwarded = false;
    if (message.m_function == BvlcFunction::Result) {
        OnBvlcResult(datagram.m_from, message.m_resultCode);
        return;
    }
    if (message.m_function != BvlcFunction::OriginalUnicastNpdu &&
        message.m_function != BvlcFunction::OriginalBroadcastNpdu &&
        message.m_function != BvlcFunction::ForwardedNpdu)
        return;  // link management is for BBMDs
    if (message.m_function == BvlcFunction::ForwardedNpdu) {
        // Anyone can write an originator field: only the BBMD we trust may.
        if (!m_options.m_bbmd || *m_options.m_bbmd != datagram.m_from) {
            m_stats.m_forgedForwards++;
            return;
        }
        from = message.m_originator;
        forwarded = true;
    }
    unsigned char* npdu = const_cast<unsigned char*>(message.m_npdu.data());
    const int end = static_cast<int>(message.m_npdu.size());
    int len = 0;
    CBACnetNPCI network;
    CBACnetReceivePDUs headers;
    if (end == 0 || !network.ReadFrame(npdu, len, end)) {
        m_stats.m_malformed++;
        return;
    }
    if (network.IsMessageMode()) {
        if (m_listening && !forwarded)
            OnNetworkMessage(from, message.m_npdu);
        return;
    }
    // Any service choice: ReadRange, SubscribeCOVProperty and their like too.
    CBACnetPDU* pdu = headers.GetReceiveDataAnyService(npdu, len, end);
    if (pdu == nullptr) {
        m_stats.m_malformed++;
        return;
    }
    const ByteView params = message.m_npdu.Sub(static_cast<size_t>(len));
    int invokeID = -1, service = -1;
    if (pdu == &headers.m_unconfirmReq) {
        if (m_unconfirmedHandler) {
            UnconfirmedRequest request;
            request.m_from = from;
            request.m_forwarded = forwarded;
            if (network.ExistSrcNetwork()) {
                request.m_network = WireNumber(network.m_snet);
                request.m_mac.assign(network.m_sadr, network.m_sadr + std::min<int>(network.m_slen, BACNET_MAC_STORAGE));
            }
            request.m_service = headers.m_unconfirmReq.GetServiceChoice();
            request.m_request = params;
            m_unconfirmedHandler(request);
        }
        if (headers.m_unconfirmReq.GetServiceChoice() == detail::kServiceUnconfirmedCovNotification)
            OnCovNotification(from, forwarded, network, params, false, 0);
        else
            OnUnconfirmed(from, headers.m_unconfirmReq.GetServiceChoice(), params, network);
        return;
    } else if (pdu == &headers.m_confirmReq) {
        if (headers.m_confirmReq.GetServiceChoice() == detail::kServiceConfirmedCovNotification &&
            !headers.m_confirmReq.GetSegMsgType())
            OnCovNotification(from, forwarded, network, params, true, headers.m_confirmReq.GetInvokeID());
        return;  // a server's work otherwise
    } else if (pdu == &headers.m_simpleAck) {
        invokeID = headers.m_simpleAck.GetInvokeID();
        service = headers.m_simpleAck.GetServiceAckChoice();
    } else if (pdu == &headers.m_complexAck) {
        invokeID = headers.m_complexAck.GetInvokeID();
        service = headers.m_complexAck.GetServiceAckChoice();
    } else if (pdu == &headers.m_error) {
        invokeID = headers.m_error.GetInvokeID();
        service = headers.m_error.GetErrorService();
    } else if (pdu == &headers.m_reject) {
        invokeID = headers.m_reject.GetInvokeID();
    } else if (pdu == &headers.m_abort) {
        invokeID = headers.m_abort.GetInvokeID();
    } else {
        return;  // requests and Segment-ACKs are for servers
    }
    auto it = std::find_if(m_transactions.begin(), m_transactions.end(), [&](const auto& t) {
        return !t.second->Done() && t.second->InvokeID() == invokeID;
    });
    if (it == m_transactions.end()) {
        m_stats.m_unmatched++;
        return;
    }
    detail::Transaction& transaction = *it->second;
    if (!FromDevice(transaction.Peer(), from, forwarded, network)) {
        m_stats.m_foreignReplies++;
        return;
    }
    if (service >= 0 && service != transaction.Service()) {
        m_stats.m_unmatched++;
        return;
    }
    const int naks = transaction.NegativeAcks();
    transaction.OnReply(m_link.Now(), headers, pdu, params,
                        [this](const Endpoint& to, ByteView frame) { return SendUnicast(to, frame); });
    m_stats.m_negativeAcks += static_cast<uint64_t>(transaction.NegativeAcks() - naks);
}

bool Client::FromDevice(const Device& device, const Endpoint& from, bool forwarded, const CBACnetNPCI& network) const
{
    // Straight from the device, or from its router naming it as the source;
    // never relayed by a BBMD.
    if (forwarded || from != device.m_endpoint)
        return false;
    if (device.m_network == 0)
        return !network.ExistSrcNetwork();
    return network.ExistSrcNetwork() && WireNumber(network.m_snet) == device.m_network &&
           network.m_slen == device.m_mac.size() && std::equal(device.m_mac.begin(), device.m_mac.end(), network.m_sadr);
}

void Client::OnUnconfirmed(const Endpoint& from, uint8_t service, ByteView params, const CBACnetNPCI& network)
{
    if (!m_listening)
        return;
    unsigned char* octets = const_cast<unsigned char*>(params.data());
    const int size = static_cast<int>(params.size());
    if (service == detail::kServiceIAm) {
        CBACnetIAmService iam;
        std::unique_ptr<CBACnetOBJ> record(size > 0 ? iam.ReadFrame(octets, size) : nullptr);
        if (!record) {
            m_stats.m_malformed++;
            return;
        }
        Device device;
        device.m_deviceID = ObjectId(ObjectType::Device, iam.m_deviceID.m_instance);
        device.m_endpoint = from;
        device.m_maxApdu = iam.m_maxAPDU;
        device.m_segmentation = static_cast<Segmentation>(std::min<DWORD>(iam.m_segmentation, 3));
        device.m_vendorID = iam.m_vendorID;
        CBACnetNPCI source = network;
        if (source.ExistSrcNetwork()) {
            device.m_network = WireNumber(source.m_snet);
            device.m_mac.assign(source.m_sadr, source.m_sadr + std::min<int>(source.m_slen, BACNET_MAC_STORAGE));
        }
        const bool known = std::any_of(m_heardDevices.begin(), m_heardDevices.end(), [&](const Device& d) {
            return d.m_deviceID == device.m_deviceID && d.m_endpoint == device.m_endpoint &&
                   d.m_network == device.m_network && d.m_mac == device.m_mac;
        });
        if (!known)
            m_heardDevices.push_back(device);
    } else if (service == detail::kServiceIHave) {
        CBACnetIHaveService ihave;
        CBACnetOBJ record;
        if (size <= 0 || !ihave.ReadFrame(octets, &record, size)) {
            m_stats.m_malformed++;
            return;
        }
        ObjectHolder holder;
        holder.m_deviceID = ObjectId::FromWord(ihave.m_deviceID.GetValue());
        holder.m_objectID = ObjectId::FromWord(ihave.m_objectID.GetValue());
        holder.m_objectName = HostWideToUtf8(ihave.m_objectName.GetString(), wcslen(ihave.m_objectName.GetString()));
        holder.m_from = from;
        m_heardObjects.push_back(holder);
    }
}

void Client::OnNetworkMessage(const Endpoint& from, ByteView npdu)
{
    Bytes copy = npdu.ToBytes();  // the codec reads through a mutable pointer
    CBACnetRouterMessage message;
    int len = 0;
    if (message.ReadFrame(copy.data(), len, static_cast<int>(copy.size())) != CBACnetRouterMessage::I_AM_ROUTER_TO_NETWORK)
        return;
    auto it = std::find_if(m_heardRouters.begin(), m_heardRouters.end(),
                           [&](const RouterInfo& r) { return r.m_endpoint == from; });
    if (it == m_heardRouters.end())
        it = m_heardRouters.insert(m_heardRouters.end(), RouterInfo{from, {}});
    for (unsigned short network : message.m_networks)
        if (std::find(it->m_networks.begin(), it->m_networks.end(), network) == it->m_networks.end())
            it->m_networks.push_back(network);
}

void Client::Step(Clock::duration wait)
{
    Clock::time_point now = m_link.Now();
    if (const auto wake = NextWake())
        wait = std::min(wait, std::max(*wake - now, Clock::duration()));
    Datagram datagram;
    if (m_link.Receive(datagram, std::max(wait, Clock::duration()))) {
        Dispatch(datagram);
        for (int i = 0; i < kDrainPerStep && m_link.Receive(datagram, Clock::duration()); i++)
            Dispatch(datagram);
    }
    now = m_link.Now();
    RegistrationTimers(now);
    for (auto& entry : m_transactions) {
        detail::Transaction& t = *entry.second;
        const int attempts = t.Attempts(), naks = t.NegativeAcks();
        t.OnTimer(now, [this](const Endpoint& to, ByteView frame) { return SendUnicast(to, frame); });
        m_stats.m_retries += static_cast<uint64_t>(t.Attempts() - attempts);
        m_stats.m_negativeAcks += static_cast<uint64_t>(t.NegativeAcks() - naks);
    }
    SubscriptionTimers(now);
}

std::optional<Clock::time_point> Client::NextWake() const
{
    std::optional<Clock::time_point> wake;
    if (m_registration != Registration::None)
        wake = m_awaitingRegistration ? m_registrationSent + m_options.m_timeout : m_renewAt;
    for (const auto& entry : m_transactions)
        if (!entry.second->Done() && (!wake || entry.second->NextWake() < *wake))
            wake = entry.second->NextWake();
    if (const auto renewal = NextRenewal())
        if (!wake || *renewal < *wake)
            wake = renewal;
    return wake;
}

bool Client::Ready(Ticket ticket) const
{
    const auto it = m_transactions.find(ticket);
    return it != m_transactions.end() && it->second->Done();
}

void Client::Cancel(Ticket ticket)
{
    m_transactions.erase(ticket);
    m_reads.erase(ticket);
}

std::optional<Result<Bytes>> Client::TakeReply(Ticket ticket)
{
    const auto it = m_transactions.find(ticket);
    if (it == m_transactions.end() || !it->second->Done())
        return std::nullopt;
    Result<Bytes> reply = it->second->TakeResult();
    m_transactions.erase(it);
    return reply;
}

std::optional<Status> Client::TakeStatus(Ticket ticket)
{
    std::optional<Result<Bytes>> reply = TakeReply(ticket);
    if (!reply)
        return std::nullopt;
    return ToStatus(*reply);
}

Result<Bytes> Client::Run(Result<Ticket> ticket)
{
    if (!ticket)
        return ticket.failure();
    // Every transaction wakes by its deadline at the latest, so this ends.
    while (!Ready(*ticket))
        Step(Clock::duration::max());
    return *TakeReply(*ticket);
}

template <class Stop>
void Client::StepUntil(Clock::time_point until, Stop stop)
{
    m_listening = true;
    for (Clock::time_point now = m_link.Now(); now < until && !stop(); now = m_link.Now())
        Step(until - now);
    m_listening = false;
}

std::vector<Device> Client::Listen(std::chrono::milliseconds wait,
                                   std::optional<std::pair<uint32_t, uint32_t>> range)
{
    StepUntil(m_link.Now() + wait, [] { return false; });
    std::vector<Device> found;
    for (Device& device : m_heardDevices)
        if (!range || (device.m_deviceID.m_instance >= range->first && device.m_deviceID.m_instance <= range->second))
            found.push_back(std::move(device));
    m_heardDevices.clear();
    return found;
}

std::vector<Device> Client::Discover(std::chrono::milliseconds wait, std::optional<Endpoint> target,
                                     std::optional<std::pair<uint32_t, uint32_t>> range)
{
    m_heardDevices.clear();
    const Device local = Device::At(target.value_or(Endpoint()));
    SendNpdu(target, detail::WhoIs(range, target ? &local : nullptr));
    return Listen(wait, range);
}

std::vector<Device> Client::Discover(std::chrono::milliseconds wait, const Device& target,
                                     std::optional<std::pair<uint32_t, uint32_t>> range)
{
    m_heardDevices.clear();
    SendNpdu(target.m_endpoint, detail::WhoIs(range, &target));
    return Listen(wait, range);
}

Result<Device> Client::FindDevice(const Endpoint& at, std::chrono::milliseconds wait)
{
    return FindDevice(Device::At(at), wait);
}

Result<Device> Client::FindDevice(const Device& target, std::chrono::milliseconds wait)
{
    m_heardDevices.clear();
    SendNpdu(target.m_endpoint, detail::WhoIs(std::nullopt, &target));
    // The one at that address: the router's endpoint and, behind it, the
    // network and (unless it is that network's broadcast) the MAC.
    auto heard = [&] {
        return std::find_if(m_heardDevices.begin(), m_heardDevices.end(), [&](const Device& d) {
            return d.m_endpoint == target.m_endpoint && d.m_network == target.m_network &&
                   (target.m_mac.empty() || d.m_mac == target.m_mac);
        });
    };
    StepUntil(m_link.Now() + wait, [&] { return heard() != m_heardDevices.end(); });
    const auto it = heard();
    if (it == m_heardDevices.end())
        return Failure::Of(FailureKind::Timeout);
    Device device = *it;
    m_heardDevices.clear();
    return device;
}

std::vector<ObjectHolder> Client::ListenHolders(std::chrono::milliseconds wait, const ObjectId* object,
                                                const std::string* name)
{
    StepUntil(m_link.Now() + wait, [] { return false; });
    std::vector<ObjectHolder> found;
    for (ObjectHolder& holder : m_heardObjects)
        if (object ? holder.m_objectID == *object : holder.m_objectName == *name)
            found.push_back(std::move(holder));
    m_heardObjects.clear();
    return found;
}

std::vector<ObjectHolder> Client::WhoHas(const ObjectId& object, std::chrono::milliseconds wait,
                                         std::optional<Endpoint> target)
{
    m_heardObjects.clear();
    const Device local = Device::At(target.value_or(Endpoint()));
    SendNpdu(target, detail::WhoHas(object, target ? &local : nullptr));
    return ListenHolders(wait, &object, nullptr);
}

std::vector<ObjectHolder> Client::WhoHas(const ObjectId& object, std::chrono::milliseconds wait,
                                         const Device& target)
{
    m_heardObjects.clear();
    SendNpdu(target.m_endpoint, detail::WhoHas(object, &target));
    return ListenHolders(wait, &object, nullptr);
}

std::vector<ObjectHolder> Client::WhoHas(const std::string& name, std::chrono::milliseconds wait,
                                         std::optional<Endpoint> target)
{
    m_heardObjects.clear();
    const Device local = Device::At(target.value_or(Endpoint()));
    SendNpdu(target, detail::WhoHasName(name, target ? &local : nullptr));
    return ListenHolders(wait, nullptr, &name);
}

Status Client::SynchronizeTime(std::optional<Endpoint> target)
{
    const Device local = Device::At(target.value_or(Endpoint()));
    if (!SendNpdu(target, detail::TimeSync(target ? &local : nullptr)))
        return Failure::Of(FailureKind::SendFailed);
    return Done();
}

Status Client::SynchronizeTime(const Device& target)
{
    if (!SendNpdu(target.m_endpoint, detail::TimeSync(&target)))
        return Failure::Of(FailureKind::SendFailed);
    return Done();
}

std::vector<RouterInfo> Client::Routers(std::chrono::milliseconds wait)
{
    m_heardRouters.clear();
    SendNpdu(std::nullopt, detail::WhoIsRouter());
    StepUntil(m_link.Now() + wait, [] { return false; });
    std::vector<RouterInfo> found;
    found.swap(m_heardRouters);
    return found;
}

Result<Ticket> Client::BeginConfirmed(const Device& device, uint8_t service, ByteView request)
{
    return Begin(device, service, request);
}

std::optional<RawOutcome> Client::TakeRaw(Ticket ticket)
{
    const auto it = m_transactions.find(ticket);
    if (it == m_transactions.end() || !it->second->Done())
        return std::nullopt;
    RawOutcome outcome;
    outcome.m_simpleAck = it->second->SimpleAck();
    outcome.m_attempts = it->second->Attempts();
    outcome.m_segments = it->second->Segments();
    outcome.m_negativeAcks = it->second->NegativeAcks();
    outcome.m_reply = it->second->TakeResult();
    m_transactions.erase(it);
    m_reads.erase(ticket);
    return outcome;
}

RawOutcome Client::Confirmed(const Device& device, uint8_t service, ByteView request)
{
    const Result<Ticket> ticket = BeginConfirmed(device, service, request);
    if (!ticket) {
        RawOutcome outcome;
        outcome.m_reply = ticket.failure();
        return outcome;
    }
    while (!Ready(*ticket))
        Step(Clock::duration::max());
    return *TakeRaw(*ticket);
}

Status Client::SendUnconfirmed(uint8_t service, ByteView request, const Device* device)
{
    const std::optional<Endpoint> to = device ? std::optional<Endpoint>(device->m_endpoint) : std::nullopt;
    if (!SendNpdu(to, detail::Unconfirmed(service, request, device)))
        return Failure::Of(FailureKind::SendFailed);
    return Done();
}

Result<Ticket> Client::BeginReadProperty(const Device& device, const ObjectId& object, PropertyId property,
                                         uint32_t index)
{
    Bytes params;
    AppendPropertyRef(object, property, index, params);
    Result<Ticket> ticket = Begin(device, detail::kServiceReadProperty, params);
    if (ticket)
        m_reads[*ticket] = ReadAccess{object, property, index};
    return ticket;
}

std::optional<Result<Value>> Client::TakeValue(Ticket ticket)
{
    const auto it = m_transactions.find(ticket);
    if (it == m_transactions.end() || !it->second->Done())
        return std::nullopt;
    const auto asked = m_reads.find(ticket);
    if (asked == m_reads.end())
        return std::nullopt;  // not a ReadProperty
    const ReadAccess access = asked->second;
    m_reads.erase(asked);
    const Result<Bytes> reply = *TakeReply(ticket);
    if (!reply)
        return Result<Value>(reply.failure());
    return DecodeReadAck(*reply, access.m_objectID, access.m_propertyID, access.m_index);
}

Result<Value> Client::ReadProperty(const Device& device, const ObjectId& object, PropertyId property, uint32_t index)
{
    const Result<Ticket> ticket = BeginReadProperty(device, object, property, index);
    if (!ticket)
        return ticket.failure();
    while (!Ready(*ticket))
        Step(Clock::duration::max());
    return *TakeValue(*ticket);
}

Result<std::vector<Result<Value>>> Client::ReadPropertyMultiple(const Device& device,
                                                                const std::vector<ReadAccess>& accesses)
{
    std::vector<Result<Value>> results;
    const size_t requestRoom = std::min<size_t>(device.m_maxApdu, detail::kOwnMaxApdu) - kApduHeader;
    // A device that cannot send segments must fit the whole reply in one APDU of ours.
    const bool segmentsReplies =
        device.m_segmentation == Segmentation::Both || device.m_segmentation == Segmentation::Transmit;
    const size_t replyRoom = segmentsReplies ? m_options.m_maxReply : detail::kOwnMaxApdu - kComplexAckHeader;
    size_t first = 0;
    while (first < accesses.size()) {
        Bytes params;
        size_t replyGuess = 0, last = first;
        for (; last < accesses.size(); last++) {
            Bytes spec;
            const ReadAccess& a = accesses[last];
            detail::EncodeContextObjectId(0, a.m_objectID, spec);
            detail::EncodeOpening(1, spec);
            detail::EncodeContextUnsigned(0, a.m_propertyID, spec);
            if (a.m_index != kNoIndex)
                detail::EncodeContextUnsigned(1, a.m_index, spec);
            detail::EncodeClosing(1, spec);
            const size_t guess = spec.size() + kReplyValueGuess;
            if (last > first && (params.size() + spec.size() > requestRoom || replyGuess + guess > replyRoom))
                break;
            params.insert(params.end(), spec.begin(), spec.end());
            replyGuess += guess;
        }
        const Result<Bytes> reply = Run(Begin(device, detail::kServiceReadPropertyMultiple, params));
        if (!reply) {
            const Failure& f = reply.failure();
            if (f.m_kind != FailureKind::Reject || f.m_reason != kRejectUnrecognizedService)
                return f;
            // A device without ReadPropertyMultiple is asked one property at a time.
            for (size_t i = first; i < last; i++)
                results.push_back(
                    ReadProperty(device, accesses[i].m_objectID, accesses[i].m_propertyID, accesses[i].m_index));
            first = last;
            continue;
        }
        TagReader in(*reply);
        for (size_t i = first; i < last; i++) {
            const ReadAccess& a = accesses[i];
            ObjectId object;
            uint32_t property = 0, index = kNoIndex;
            bool hasIndex = false;
            if (!in.ReadObjectId(0, object) || !in.ExpectOpening(1) || !in.ReadUnsigned(2, property) ||
                !in.ReadOptionalUnsigned(3, index, hasIndex) || object != a.m_objectID ||
                property != a.m_propertyID || (hasIndex ? index : kNoIndex) != a.m_index)
                return Failure::Of(FailureKind::Refused, "a ReadPropertyMultiple result for another property");
            ByteView inside;
            bool constructed = false;
            Value value;
            uint32_t errorClass = 0, errorCode = 0;
            if (in.ExpectOpening(4)) {
                if (!in.ReadUntilClosing(4, inside, constructed) ||
                    !detail::DecodePropertyValue(inside, constructed, value))
                    return Failure::Of(FailureKind::Refused, "a ReadPropertyMultiple value that does not decode");
                results.push_back(std::move(value));
            } else if (in.ExpectOpening(5) && in.ReadApplicationEnumerated(errorClass) &&
                       in.ReadApplicationEnumerated(errorCode) && in.ExpectClosing(5)) {
                results.push_back(Failure::Error(errorClass, errorCode));
            } else {
                return Failure::Of(FailureKind::Refused, "a ReadPropertyMultiple result that does not decode");
            }
            if (!in.ExpectClosing(1))
                return Failure::Of(FailureKind::Refused, "a ReadPropertyMultiple result that does not decode");
        }
        first = last;
    }
    return results;
}

Result<Ticket> Client::BeginWriteProperty(const Device& device, const ObjectId& object, PropertyId property,
                                          const Value& value, uint8_t priority, uint32_t index)
{
    if (priority > 16)
        return Failure::Of(FailureKind::InvalidArgument, "priority must be 1 to 16");
    Bytes params;
    AppendPropertyRef(object, property, index, params);
    detail::EncodeOpening(3, params);
    if (!detail::EncodeValue(value, params))
        return Failure::Of(FailureKind::InvalidArgument, "the value cannot be encoded");
    detail::EncodeClosing(3, params);
    if (priority != 0)
        detail::EncodeContextUnsigned(4, priority, params);
    return Begin(device, detail::kServiceWriteProperty, params);
}

Status Client::WriteProperty(const Device& device, const ObjectId& object, PropertyId property, const Value& value,
                             uint8_t priority, uint32_t index)
{
    return ToStatus(Run(BeginWriteProperty(device, object, property, value, priority, index)));
}

Status Client::WritePropertyMultiple(const Device& device, const std::vector<WriteAccess>& writes)
{
    Bytes params;
    for (const WriteAccess& w : writes) {
        if (w.m_priority > 16)
            return Failure::Of(FailureKind::InvalidArgument, "priority must be 1 to 16");
        detail::EncodeContextObjectId(0, w.m_objectID, params);
        detail::EncodeOpening(1, params);
        detail::EncodeContextUnsigned(0, w.m_propertyID, params);
        if (w.m_index != kNoIndex)
            detail::EncodeContextUnsigned(1, w.m_index, params);
        detail::EncodeOpening(2, params);
        if (!detail::EncodeValue(w.m_value, params))
            return Failure::Of(FailureKind::InvalidArgument, "the value cannot be encoded");
        detail::EncodeClosing(2, params);
        if (w.m_priority != 0)
            detail::EncodeContextUnsigned(3, w.m_priority, params);
        detail::EncodeClosing(1, params);
    }
    return ToStatus(Run(Begin(device, detail::kServiceWritePropertyMultiple, params)));
}

Result<ObjectId> Client::CreateObject(const Device& device, const ObjectId& object)
{
    Bytes params;
    detail::EncodeOpening(0, params);
    detail::EncodeContextObjectId(1, object, params);
    detail::EncodeClosing(0, params);
    const Result<Bytes> reply = Run(Begin(device, detail::kServiceCreateObject, params));
    if (!reply)
        return reply.failure();
    Value created;
    if (!detail::DecodeValues(*reply, created) || !created.Is<ObjectId>())
        return Failure::Of(FailureKind::Refused, "a CreateObject acknowledgement without an object identifier");
    return *created.Get<ObjectId>();
}

Status Client::DeleteObject(const Device& device, const ObjectId& object)
{
    Bytes params;
    detail::EncodeValue(Value(object), params);
    return ToStatus(Run(Begin(device, detail::kServiceDeleteObject, params)));
}

}  // namespace bacnet

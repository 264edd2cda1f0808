// The client's change-of-value subscriptions: subscribing, renewing from
// Step, cancelling, and taking notifications only from where they belong.
#include <algorithm>

#include <bacnetcodec/bacnetcodec.h>

#include "client/Client.h"
#include "client/detail/Requests.h"
#include "client/detail/Subscription.h"
#include "client/detail/TagReader.h"

namespace bacnet {

namespace {

// The SubscribeCOV or SubscribeCOVProperty request octets, or its cancellation.
Bytes SubscribeRequest(const ObjectId& object, const CovOptions& options, uint32_t processID, bool cancel)
{
    const auto fill = [&](CBACnetSubscribeCOVService& s) {
        s.m_processID = processID;
        s.m_objectID.SetValue(object.Word());
        s.m_cancel = cancel ? 1 : 0;
        s.m_issueConfirmed = options.m_confirmed ? 1 : 0;
        s.m_lifetime = static_cast<DWORD>(options.m_lifetime.count());
    };
    if (!options.m_property) {
        CBACnetSubscribeCOVService service;
        fill(service);
        return detail::ConfirmedServiceData(service);
    }
    CBACnetSubscribeCOVPropertyService service;
    fill(service);
    service.m_propertyID = *options.m_property;
    service.m_arrayIndex = options.m_index;
    service.m_hasIncrement = options.m_increment && !cancel ? 1 : 0;
    service.m_covIncrement = options.m_increment.value_or(0.0f);
    return detail::ConfirmedServiceData(service);
}

uint8_t SubscribeService(const CovOptions& options)
{
    return options.m_property ? detail::kServiceSubscribeCovProperty : detail::kServiceSubscribeCov;
}

}  // namespace

Result<SubscriptionId> Client::Subscribe(const Device& device, const ObjectId& object, const CovOptions& options)
{
    if (options.m_lifetime.count() < 0 || options.m_lifetime.count() > 0xFFFFFFFFLL)
        return Failure::Of(FailureKind::InvalidArgument, "lifetime out of range");
    auto subscription = std::make_unique<Subscription>();
    subscription->m_device = device;
    subscription->m_object = object;
    subscription->m_options = options;
    subscription->m_processID = m_nextProcessID++ & 0x3FFFFFFF;
    // Kept from before the request goes: a device may notify at once, in the
    // same breath as its acknowledgement.
    Subscription& s = *subscription;
    const SubscriptionId id = m_nextSubscription++;
    m_subscriptions.emplace(id, std::move(subscription));
    const Clock::time_point sent = m_link.Now();
    const RawOutcome outcome =
        Confirmed(device, SubscribeService(options), SubscribeRequest(object, options, s.m_processID, false));
    if (!outcome.m_reply) {
        m_subscriptions.erase(id);
        return outcome.m_reply.failure();
    }
    s.m_pending = false;
    s.m_active = true;
    s.m_renewAt = sent + options.m_lifetime / 2;
    return id;
}

Status Client::Unsubscribe(SubscriptionId id)
{
    const auto it = m_subscriptions.find(id);
    if (it == m_subscriptions.end())
        return Failure::Of(FailureKind::InvalidArgument, "no such subscription");
    const std::unique_ptr<Subscription> s = std::move(it->second);
    m_subscriptions.erase(it);
    if (s->m_renewal)
        Cancel(*s->m_renewal);
    const RawOutcome outcome =
        Confirmed(s->m_device, SubscribeService(s->m_options), SubscribeRequest(s->m_object, s->m_options, s->m_processID, true));
    if (!outcome.m_reply)
        return outcome.m_reply.failure();
    return Done();
}

bool Client::Subscribed(SubscriptionId id) const
{
    const auto it = m_subscriptions.find(id);
    return it != m_subscriptions.end() && it->second->m_active;
}

std::vector<CovNotification> Client::TakeNotifications(SubscriptionId id)
{
    std::vector<CovNotification> out;
    const auto it = m_subscriptions.find(id);
    if (it == m_subscriptions.end())
        return out;
    out.assign(std::make_move_iterator(it->second->m_queue.begin()), std::make_move_iterator(it->second->m_queue.end()));
    it->second->m_queue.clear();
    return out;
}

void Client::SubscriptionTimers(Clock::time_point now)
{
    for (auto& entry : m_subscriptions) {
        Subscription& s = *entry.second;
        if (s.m_pending)
            continue;
        if (s.m_renewal) {
            if (!Ready(*s.m_renewal))
                continue;
            const std::optional<RawOutcome> outcome = TakeRaw(*s.m_renewal);
            s.m_renewal.reset();
            // A refused renewal is tried again as late: the device may be back by then.
            s.m_active = outcome && outcome->m_reply.ok();
            s.m_renewAt = s.m_renewalSent + s.m_options.m_lifetime / 2;
            continue;
        }
        if (s.m_options.m_lifetime.count() == 0 || now < s.m_renewAt)
            continue;
        const Result<Ticket> ticket = BeginConfirmed(
            s.m_device, SubscribeService(s.m_options), SubscribeRequest(s.m_object, s.m_options, s.m_processID, false));
        s.m_renewalSent = now;
        if (ticket) {
            s.m_renewal = *ticket;
        } else {
            s.m_active = false;
            s.m_renewAt = now + s.m_options.m_lifetime / 2;
        }
    }
}

std::optional<Clock::time_point> Client::NextRenewal() const
{
    std::optional<Clock::time_point> wake;
    for (const auto& entry : m_subscriptions) {
        const Subscription& s = *entry.second;
        if (s.m_pending || s.m_renewal || s.m_options.m_lifetime.count() == 0)
            continue;
        if (!wake || s.m_renewAt < *wake)
            wake = s.m_renewAt;
    }
    return wake;
}

void Client::OnCovNotification(const Endpoint& from, bool forwarded, const CBACnetNPCI& network, ByteView params,
                               bool confirmed, uint8_t invokeID)
{
    Bytes copy = params.ToBytes();  // the codec reads through a mutable pointer
    CBACnetCOVNotification notification;
    int len = 0;
    if (copy.empty() || !notification.ReadParamsFrame(copy.data(), len, static_cast<int>(copy.size()))) {
        m_stats.m_malformed++;
        return;
    }
    const ObjectId object = ObjectId::FromWord(notification.m_objectID.GetValue());
    const auto it = std::find_if(m_subscriptions.begin(), m_subscriptions.end(), [&](const auto& entry) {
        const Subscription& s = *entry.second;
        return s.m_processID == notification.m_processID && s.m_object == object &&
               FromDevice(s.m_device, from, forwarded, network);
    });
    if (it == m_subscriptions.end()) {
        m_stats.m_foreignNotifications++;
        return;
    }
    Subscription& s = *it->second;
    CovNotification out;
    out.m_subscription = it->first;
    out.m_deviceID = ObjectId::FromWord(notification.m_deviceID.GetValue());
    out.m_objectID = object;
    out.m_timeRemaining = notification.m_timeRemaining;
    out.m_confirmed = confirmed;
    for (const _BACnetPropertyValue& v : notification.m_values) {
        PropertyValue value;
        value.m_propertyID = v.m_propertyID;
        value.m_index = v.m_arrayIndex;
        value.m_priority = v.m_priority;
        // Several values arrive as an opening tag around them; context-tagged
        // content stays as its octets.
        const std::vector<CBACnetValue> single{v.m_value};
        const std::vector<CBACnetValue>& values = v.m_valueCount == 1 ? single : v.m_value.m_children;
        value.m_value = detail::ValueOrRaw(values);
        out.m_values.push_back(std::move(value));
    }
    if (s.m_queue.size() >= kCovQueue)
        s.m_queue.pop_front();
    s.m_queue.push_back(std::move(out));
    if (confirmed)
        SendUnicast(from, detail::CovAckFrame(s.m_device, invokeID));
}

}  // namespace bacnet

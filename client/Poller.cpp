#include "client/Poller.h"

#include <algorithm>

namespace bacnet {

namespace {

bool SameFailure(const Failure& a, const Failure& b)
{
    return a.m_kind == b.m_kind && a.m_errorClass == b.m_errorClass && a.m_errorCode == b.m_errorCode &&
           a.m_reason == b.m_reason;
}

// The two properties a plain SubscribeCOV reports for an object.
bool ObjectReports(PropertyId property, uint32_t index)
{
    return index == kNoIndex && (property == Property::PresentValue || property == Property::StatusFlags);
}

}  // namespace

Poller::~Poller()
{
    Unwatch();
}

size_t Poller::Bind(const ObjectId& object, PropertyId property, uint32_t index)
{
    Tag tag;
    tag.m_access = ReadAccess{object, property, index};
    m_tags.push_back(tag);
    return m_tags.size() - 1;
}

size_t Poller::Watch(const CovOptions& options)
{
    size_t watched = 0;
    std::map<uint32_t, std::optional<SubscriptionId>> byObject;  // SubscribeCOV, one per object
    for (Tag& tag : m_tags) {
        if (tag.m_subscription) {
            watched++;
            continue;
        }
        const ReadAccess& a = tag.m_access;
        std::optional<SubscriptionId> id;
        if (ObjectReports(a.m_propertyID, a.m_index)) {
            const auto found = byObject.find(a.m_objectID.Word());
            if (found != byObject.end()) {
                id = found->second;
            } else {
                CovOptions plain = options;
                plain.m_property.reset();
                const Result<SubscriptionId> r = m_client.Subscribe(m_device, a.m_objectID, plain);
                if (r)
                    id = *r;
                byObject[a.m_objectID.Word()] = id;
                if (r)
                    m_subscriptions.push_back(*r);
            }
        } else {
            CovOptions one = options;
            one.m_property = a.m_propertyID;
            one.m_index = a.m_index;
            const Result<SubscriptionId> r = m_client.Subscribe(m_device, a.m_objectID, one);
            if (r) {
                id = *r;
                m_subscriptions.push_back(*r);
            }
        }
        tag.m_subscription = id;
        if (id)
            watched++;
    }
    return watched;
}

void Poller::Unwatch()
{
    for (SubscriptionId id : m_subscriptions)
        m_client.Unsubscribe(id);
    m_subscriptions.clear();
    for (Tag& tag : m_tags)
        tag.m_subscription.reset();
}

bool Poller::Watched(size_t tag) const
{
    return tag < m_tags.size() && m_tags[tag].m_subscription && m_client.Subscribed(*m_tags[tag].m_subscription);
}

void Poller::Update(size_t i, const Result<Value>& result, std::vector<Change>& changes)
{
    Tag& tag = m_tags[i];
    bool changed;
    if (result) {
        changed = !tag.m_known || tag.m_failed || tag.m_value != *result;
        tag.m_value = *result;
        tag.m_failed = false;
    } else {
        changed = !tag.m_known || !tag.m_failed || !SameFailure(tag.m_failure, result.failure());
        tag.m_failure = result.failure();
        tag.m_failed = true;
    }
    tag.m_known = true;
    if (changed)
        changes.push_back(Change{i, result});
}

void Poller::TakeNotifications(std::vector<Change>& changes)
{
    for (SubscriptionId id : m_subscriptions)
        for (const CovNotification& n : m_client.TakeNotifications(id))
            for (const PropertyValue& v : n.m_values)
                for (size_t i = 0; i < m_tags.size(); i++) {
                    const Tag& tag = m_tags[i];
                    if (tag.m_subscription == id && tag.m_access.m_propertyID == v.m_propertyID &&
                        tag.m_access.m_index == v.m_index)
                        Update(i, v.m_value, changes);
                }
}

Result<std::vector<Poller::Change>> Poller::Poll()
{
    std::vector<ReadAccess> accesses;
    std::vector<size_t> polled;
    for (size_t i = 0; i < m_tags.size(); i++)
        if (!Watched(i)) {
            accesses.push_back(m_tags[i].m_access);
            polled.push_back(i);
        }
    std::vector<Change> changes;
    if (!accesses.empty()) {
        Result<std::vector<Result<Value>>> read = m_client.ReadPropertyMultiple(m_device, accesses);
        if (!read)
            return read.failure();
        for (size_t k = 0; k < polled.size() && k < read->size(); k++)
            Update(polled[k], read.value()[k], changes);
    }
    TakeNotifications(changes);
    return changes;
}

std::vector<Poller::Change> Poller::Changes(Clock::duration wait)
{
    std::vector<Change> changes;
    const Clock::time_point until = m_client.GetLink().Now() + wait;
    TakeNotifications(changes);
    for (Clock::time_point now = m_client.GetLink().Now(); changes.empty() && now < until;
         now = m_client.GetLink().Now()) {
        m_client.Step(until - now);
        TakeNotifications(changes);
    }
    return changes;
}

const Value* Poller::Current(size_t tag) const
{
    if (tag >= m_tags.size() || !m_tags[tag].m_known || m_tags[tag].m_failed)
        return nullptr;
    return &m_tags[tag].m_value;
}

}  // namespace bacnet

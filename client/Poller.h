// Bound tags of one device, watched for changes: each Poll reads the polled
// tags with ReadPropertyMultiple (split to the device's max APDU); tags with
// a live change-of-value subscription (Watch) are updated by the device's
// notifications instead. Both are reported the same way: the tags whose
// value or failure is new or changed since they were last reported.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "client/Client.h"

namespace bacnet {

class BACNET_API Poller {
public:
    struct Change {
        size_t m_tag;           // as Bind returned it
        Result<Value> m_value;  // the new value, or why the property could not be read
    };

    Poller(Client& client, Device device) : m_client(client), m_device(std::move(device)) {}
    ~Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    // Binds one property; returns its tag number (0, 1, ...).
    size_t Bind(const ObjectId& object, PropertyId property, uint32_t index = kNoIndex);
    // Subscribes for the bound tags: one SubscribeCOV per object for its
    // present value and status flags, SubscribeCOVProperty for any other
    // property. A tag whose subscription is refused, or later lapses, is
    // polled. Returns how many tags are watched.
    size_t Watch(const CovOptions& options = CovOptions());
    // Cancels the subscriptions; every tag is polled again.
    void Unwatch();
    // One poll of the polled tags, and the notifications taken so far for the
    // watched ones. The changes, or why the poll as a whole failed (then the
    // tags keep their last values).
    Result<std::vector<Change>> Poll();
    // Steps the client for at most `wait`, returning as soon as notifications
    // bring changes. Reads nothing.
    std::vector<Change> Changes(Clock::duration wait);
    // The last value for a tag, null when it has none.
    const Value* Current(size_t tag) const;
    size_t Size() const { return m_tags.size(); }
    // Whether a tag is updated by notifications now (else it is polled).
    bool Watched(size_t tag) const;

private:
    struct Tag {
        ReadAccess m_access;
        bool m_known = false;   // read at least once
        bool m_failed = false;
        Value m_value;
        Failure m_failure;
        std::optional<SubscriptionId> m_subscription;
    };
    // A tag's new value or failure; the change when it is one.
    void Update(size_t tag, const Result<Value>& result, std::vector<Change>& changes);
    void TakeNotifications(std::vector<Change>& changes);

    Client& m_client;
    Device m_device;
    std::vector<Tag> m_tags;
    std::vector<SubscriptionId> m_subscriptions;
};

}  // namespace bacnet

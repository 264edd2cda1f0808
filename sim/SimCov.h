// Change-of-value subscriptions of the simulated device: a bounded table of
// subscribers, the notifications their objects' changes call for, and the
// confirmed notifications waiting for their Simple-ACK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SimFrame.h"
#include "SimObjects.h"

namespace bacnetsim {

class Database;

// An APDU the device sends on its own, and to whom.
struct Outgoing {
    Peer to;
    std::vector<unsigned char> apdu;
    std::string what;  // for the log
};

struct Subscription {
    Peer peer;
    uint32_t processID = 0;
    uint32_t objectID = 0;
    // One property (SubscribeCOVProperty) rather than the object's present
    // value and status flags.
    bool byProperty = false;
    uint32_t propertyID = PROP_PRESENT_VALUE;
    uint32_t index = kNoIndex;
    bool confirmed = false;
    uint32_t lifetime = 0;  // seconds; 0: until cancelled
    bool hasIncrement = false;
    float increment = 0;

    // The same subscriber, object and property: a new one replaces it.
    bool SameAs(const Subscription& other) const;
};

class CovTable {
public:
    static constexpr size_t kMaxSubscriptions = 32;
    static constexpr size_t kMaxUnanswered = 16;  // confirmed notifications awaiting their Simple-ACK
    static constexpr unsigned kRetries = 3;       // resends of one before it is dropped

    explicit CovTable(uint32_t deviceID) : m_deviceID(deviceID) {}

    // Adds or replaces a subscription at `now` (seconds of uptime); its first
    // notification goes out at the next Step. Refused when the table is full.
    Status Subscribe(const Subscription& s, double now);
    // Ends a subscription; one that does not exist is no error.
    void Cancel(const Subscription& s);
    // The subscriber's answer (Simple-ACK, Error, Reject or Abort) to the
    // confirmed notification `invokeID`: it is not sent again.
    bool Answered(const Peer& from, unsigned char invokeID);

    // Drops expired subscriptions and those of deleted objects, appends the
    // notifications that changes call for and the resends that are due.
    void Step(const Database& db, double now, std::vector<Outgoing>& out);

    size_t Count() const { return m_entries.size(); }
    size_t Unanswered() const { return m_unanswered.size(); }

private:
    struct Entry {
        Subscription s;
        double expires = 0;  // uptime; lifetime 0: never
        bool notified = false;
        Value lastValue, lastFlags;  // as last reported
    };
    struct Sent {
        Peer peer;
        unsigned char invokeID;
        std::vector<unsigned char> apdu;
        std::string what;
        double due;
        unsigned retriesLeft;
    };

    // Whether the values differ enough from the last reported ones, and the
    // notification that reports them (confirmed when `invokeID` >= 0).
    bool Changed(const Database& db, const Entry& e, const SimObject& object, const Value& value,
                 const Value& flags) const;
    std::vector<unsigned char> Notification(const Database& db, const Entry& e, const SimObject& object,
                                            double now, int invokeID) const;
    int NextInvokeID(const Peer& peer);

    uint32_t m_deviceID;
    std::vector<Entry> m_entries;
    std::vector<Sent> m_unanswered;
    unsigned char m_invokeID = 0;
};

}  // namespace bacnetsim

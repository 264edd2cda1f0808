// Polling bound tags of one device: each Poll reads every bound property
// with ReadPropertyMultiple (split to the device's max APDU) and reports
// the tags whose value or failure is new or changed since the last poll.
#pragma once

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

    // Binds one property; returns its tag number (0, 1, ...).
    size_t Bind(const ObjectId& object, PropertyId property, uint32_t index = kNoIndex);
    // One poll. The changes, or why the poll as a whole failed (then the
    // tags keep their last values).
    Result<std::vector<Change>> Poll();
    // The last value read for a tag, null when it has none.
    const Value* Current(size_t tag) const;
    size_t Size() const { return m_tags.size(); }

private:
    struct Tag {
        ReadAccess m_access;
        bool m_known = false;   // read at least once
        bool m_failed = false;
        Value m_value;
        Failure m_failure;
    };

    Client& m_client;
    Device m_device;
    std::vector<Tag> m_tags;
};

}  // namespace bacnet

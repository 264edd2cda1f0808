// One change-of-value subscription as the client keeps it: where, what,
// when it is renewed, and the notifications not yet taken.
#pragma once

#include <deque>
#include <optional>

#include "client/Client.h"

namespace bacnet {

struct Client::Subscription {
    Device m_device;
    ObjectId m_object;
    CovOptions m_options;
    uint32_t m_processID = 0;
    bool m_pending = true;  // the first request not answered yet
    bool m_active = false;
    Clock::time_point m_renewAt;
    std::optional<Ticket> m_renewal;  // a renewal in flight
    Clock::time_point m_renewalSent;
    std::deque<CovNotification> m_queue;
};

}  // namespace bacnet

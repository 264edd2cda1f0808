// The BBMD mode of the simulated device: a broadcast distribution table
// (peers given at start, never written from the network) and a bounded
// table of registered foreign devices. Broadcasts heard on the device's link
// go to every peer and foreign device as Forwarded-NPDUs; those from a peer
// or a foreign device go on to the rest and to the local link. A device that
// is not a BBMD refuses the table functions with their negative results.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "client/Bvlc.h"

namespace bacnetsim {

class Bbmd {
public:
    using Clock = std::chrono::steady_clock;
    using Send = std::function<void(const bacnet::Endpoint& to, bacnet::ByteView datagram)>;

    // Seconds a registration outlives its time-to-live before it is purged.
    static constexpr unsigned kGraceSeconds = 30;

    // `enabled` false: a plain device, which answers the table functions
    // with their NAKs. `broadcast`: where the local link's broadcasts go
    // (address 0: nowhere).
    Bbmd(bool enabled, std::vector<bacnet::Endpoint> peers, size_t maxForeignDevices, bacnet::Endpoint broadcast,
         Send send);

    // The device's own address, the first entry of its table (known once bound).
    void SetSelf(const bacnet::Endpoint& self) { m_self = self; }

    // Handles a decoded message from `from`: answers, registers, forwards.
    // True when its NPDU is for the device itself too, with `originator` set
    // to the requester to answer.
    bool OnMessage(const bacnet::BvlcMessage& message, const bacnet::Endpoint& from, Clock::time_point now,
                   bacnet::Endpoint& originator);

    // Foreign devices registered and not yet purged.
    size_t ForeignDevices(Clock::time_point now);
    std::vector<bacnet::FdtEntry> ForeignDeviceTable(Clock::time_point now);

private:
    struct Registration {
        bacnet::Endpoint endpoint;
        uint16_t timeToLive;
        Clock::time_point purgeAt;
    };

    void Result(const bacnet::Endpoint& to, uint16_t code);
    void Reply(const bacnet::Endpoint& to, const bacnet::BvlcMessage& message);
    // `npdu` as a Forwarded-NPDU from `originator` to every foreign device
    // but the originator, to the peers when `peers`, to the local link when `local`.
    void Forward(bacnet::ByteView npdu, const bacnet::Endpoint& originator, bool peers, bool local);
    void Register(const bacnet::Endpoint& from, uint16_t timeToLive, Clock::time_point now);
    void Purge(Clock::time_point now);
    bool IsPeer(const bacnet::Endpoint& from) const;
    std::vector<Registration>::iterator FindRegistration(const bacnet::Endpoint& endpoint);

    bool m_enabled;
    std::vector<bacnet::Endpoint> m_peers;
    size_t m_maxForeignDevices;
    bacnet::Endpoint m_broadcast;
    Send m_send;
    bacnet::Endpoint m_self;
    std::vector<Registration> m_foreign;
};

}  // namespace bacnetsim

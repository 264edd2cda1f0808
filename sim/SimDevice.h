// A simulated BACnet/IP device: it answers the requests a driver built with
// this library sends (Who-Is, Who-Has, ReadProperty, ReadPropertyMultiple,
// WriteProperty, WritePropertyMultiple, CreateObject, DeleteObject,
// TimeSynchronization) with real BACnet replies, segmenting long ones. It
// lets the library be tried and tested without hardware. Optionally it is
// also a router with more devices behind it, and a BBMD.
//
// It has no link layer of its own: it runs on the client's (client/Link.h).
// Three ways to run it:
//
//     // 1. Its own UDP socket, served on a thread (or in the caller: Serve).
//     SimOptions options;
//     options.port = 0;                    // any free port
//     SimDevice device(options);
//     std::string error;
//     if (!device.Start(&error)) ...       // binds, serves on a background thread
//     ... talk to 127.0.0.1:device.Port() ...
//     device.Stop();
//
//     // 2. On a link the caller owns, driven by Step (no thread).
//     MemoryNetwork net;
//     MemoryLink deviceLink(net, Endpoint::Loopback(47808));
//     SimDevice device(deviceLink, options);
//     device.Step(std::chrono::milliseconds(0));   // handles what has arrived
//
//     // 3. A peer of an in-memory network: it answers each datagram as it is
//     //    delivered, so a client blocking on its own MemoryLink in the same
//     //    thread gets its replies, and segment timers run on the network's clock.
//     SimDevice device(net, Endpoint::Loopback(47808), options);
//     MemoryLink link(net, Endpoint::Loopback(40000));
//     bacnet::Client client(link);          // ... client.ReadProperty(...)
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client/Link.h"
#include "client/MemoryLink.h"

struct SimOptions {
    // Where Start and Serve bind their own UDP link (the other forms ignore these).
    std::string bindAddress = "127.0.0.1";
    uint16_t port = 47809;               // 0: any free port (see Port())
    uint32_t deviceInstance = 1234;
    int extraObjects = 600;              // analog values added so the object list is long (segmented reads)
    bool verbose = false;                // log each request/reply to stderr

    // Router mode: `routedDevices` more devices (instances deviceInstance + 1
    // on, no extra objects) behind network `routerNetwork`, at MAC addresses
    // 1, 2, ... (one octet). 0: not a router.
    uint16_t routerNetwork = 0;
    int routedDevices = 1;

    // BBMD mode: broadcasts are forwarded to the peers of its broadcast
    // distribution table and to registered foreign devices.
    bool bbmd = false;
    std::vector<bacnet::Endpoint> bdt;   // the other BBMDs (the device itself is implied)
    size_t maxForeignDevices = 64;       // registrations beyond it are refused
    // Where the device's own link broadcasts (a BBMD passing a broadcast on).
    bacnet::Endpoint broadcast = bacnet::Endpoint::Broadcast(bacnet::kBacnetIpPort);
};

class SimDevice {
public:
    // Opens its own UDP link on bindAddress:port when Start or Serve is called.
    explicit SimDevice(const SimOptions& options);
    // Runs on `link`, which must outlive the device: Step drives it, or
    // Start/Serve loop on it (a UdpLink; a MemoryLink is not for threads).
    SimDevice(bacnet::Link& link, const SimOptions& options);
    // Attached to `network` at `at`: answers as datagrams are delivered.
    // Start, Serve and Step are not for this form.
    SimDevice(bacnet::MemoryNetwork& network, const bacnet::Endpoint& at, const SimOptions& options);
    ~SimDevice();                        // stops
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Serves on a background thread (binding its own link first, for the
    // first form). False, with a reason in `error` (when given), if the
    // address cannot be bound or the device is already serving.
    bool Start(std::string* error);
    // Ends serving and, for Start, joins the thread. When Serve runs, Stop
    // only raises a flag, so it may be called from a signal handler.
    void Stop();
    // Serves in the calling thread until Stop() (for `bacnet-tool simulate`).
    // 0 after Stop; 1 when the address cannot be bound or the device is
    // already serving, with a reason in `error`.
    int Serve(std::string* error);

    // One turn of the loop without a thread: waits at most `wait` for a
    // datagram, handles it and every one already waiting, then resends
    // overdue segments. The number of datagrams handled. A zero wait never
    // blocks; on a MemoryLink a wait moves the network's virtual clock.
    size_t Step(bacnet::Clock::duration wait);

    uint16_t Port() const;               // the bound port; 0 before binding

    // Test hooks: drop the Nth segment of the next segmented reply once (1-based), 0 = none.
    void DropSegmentOnce(int n);
    // Segmented replies held for acknowledgement, and their octets.
    size_t HeldReplies() const;
    size_t HeldOctets() const;
    // Foreign devices registered with the BBMD now.
    size_t ForeignDevices() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

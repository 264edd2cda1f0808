// The tool's side of the network: the library builds each request and reads
// each reply's service data; the client library (bacnet::Client) sends it,
// matches the reply, retries, reassembles segments and drops what a device
// did not send. Every command runs over a bacnet::Link: UDP normally, any
// link a test hands in otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>
#include <bacnetcodec/client/Client.h>

#include "Frame.h"
#include "TraceLink.h"

namespace tool {

using Endpoint = bacnet::Endpoint;
constexpr uint16_t kDefaultBacnetPort = bacnet::kBacnetIpPort;

// "HOST", "HOST:PORT"; `defaultPort` when none is given.
bool ParseEndpoint(const std::string& text, uint16_t defaultPort, Endpoint& out, std::string* error);

// Opens the link a command talks over, bound to `bind`. Null, with the
// reason in `error`, when it cannot.
using LinkOpener = std::function<std::unique_ptr<bacnet::Link>(const Endpoint& bind, std::string* error)>;
// UDP: bacnet::UdpLink.
LinkOpener UdpOpener();

struct NetOptions {
    Endpoint bind;                  // 0.0.0.0, port 0 (or 47808 to hear broadcasts) unless given
    bool bindGiven = false;         // without it a busy 47808 falls back to any port
    Endpoint broadcast = Endpoint::Broadcast();
    uint16_t port = kDefaultBacnetPort;  // device port when a target names none
    int timeoutMs = 3000;           // one attempt of a confirmed request
    int retries = 2;                // repeats after the first attempt
    int maxApdu = 0;                // > 0: use instead of what the device announces
    std::ostream* trace = nullptr;  // frames in hex, when verbose
    std::optional<Endpoint> bbmd;   // register as a foreign device there
    int ttlSeconds = 60;
    uint16_t dnet = 0;              // the target is behind a router, on this network,
    bacnet::Bytes dadr;             // at this MAC address there
};

// A request frame, network header first, as a library encoder wrote it.
struct Request {
    std::vector<unsigned char> frame;
    unsigned char invokeID = 0;
    unsigned char service = 0;
    bool unconfirmed = false;  // goes out as a broadcast unless aimed at one device
};

// The outcome of one confirmed request.
struct Reply {
    bool ok = false;              // a Simple-ACK or a whole Complex-ACK arrived
    int pduType = -1;             // of the final reply: 2 Simple-ACK, 3 Complex-ACK, 5.. failures
    CMyBACnetBlkData record;      // status 0 holding the service data, or the failure
    std::string failure;          // when not ok: "property: unknown-property", "reject: ...", "time-out"
    // When not ok: "error", "reject", "abort", "time-out" or "refused" (the
    // reply was refused), and the class and code (Error) or the reason
    // (Reject, Abort; in `failureCode`), -1 when none.
    std::string failureKind;
    long failureClass = -1, failureCode = -1;
    int attempts = 0;
    int segments = 0;             // segments of a segmented reply
    int naks = 0;                 // negative Segment-ACKs sent
    std::vector<unsigned char> sentFrame;  // the request NPDU as it went out
    std::vector<unsigned char> lastFrame;  // the last reply NPDU, for showing

    unsigned char* Data() { return record.m_data; }
    int Length() const { return record.m_length; }
};

// A failure of the client library as the commands show it: the device's
// own words by the standard's names, kept in the record as the library keeps one.
void SetFailure(const bacnet::Failure& failure, Reply& reply);
// The same words alone: "object: unknown-object", "time-out (...)".
std::string FailureText(const bacnet::Failure& failure);

// A device as the tool knows it: the library's record and where it answers.
struct Device {
    CBACnetOBJ record;
    Endpoint endpoint;
    unsigned short vendorID = 0;
    bool announced = false;  // filled from an I-Am

    // The client library's view of the same device, and back.
    bacnet::Device Peer() const;
    void Take(const bacnet::Device& peer);
};

class Client {
public:
    explicit Client(const NetOptions& options) : m_options(options) {}
    ~Client();

    bool Open(const LinkOpener& opener, std::string* error);
    NetOptions& Options() { return m_options; }
    bacnet::Client& Api() { return *m_client; }
    TraceLink& Link() { return *m_link; }
    void SetTrace(std::ostream* trace);

    // Sends a confirmed request to `device` and waits for its reply.
    Reply Transact(Device& device, const Request& request);
    // Lets `ms` pass on the link's clock, taking what arrives meanwhile.
    void Wait(int ms);
    // Asks the device at device.endpoint for its I-Am and fills the record.
    // False when none came.
    bool Resolve(Device& device);

private:
    NetOptions m_options;
    std::unique_ptr<TraceLink> m_link;
    std::unique_ptr<bacnet::Client> m_client;
};

// The host key of a record is its BACnet/IP address, so that two devices
// with the same instance at different places never compare equal.
void SetHostKey(CBACnetOBJ& record, const Endpoint& endpoint);
// The record's network and MAC address: where a router delivers to it.
void SetRoute(CBACnetOBJ& record, uint16_t network, const std::vector<unsigned char>& mac);

}  // namespace tool

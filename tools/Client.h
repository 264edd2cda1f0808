// The driver loop of the tool: sends the frames the library built, matches
// replies to requests by invoke ID, retries, reassembles segmented replies
// and records every outcome in the library's transaction record.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

#include "Frame.h"
#include "Transport.h"

namespace tool {

struct NetOptions {
    Endpoint bind;                  // 0.0.0.0:47808 unless given
    bool bindGiven = false;         // without it a busy 47808 falls back to any port
    Endpoint broadcast;             // 255.255.255.255:47808 unless given
    uint16_t port = kDefaultBacnetPort;  // device port when a target names none
    int timeoutMs = 3000;           // one attempt of a confirmed request
    int retries = 2;                // repeats after the first attempt
    int maxApdu = 0;                // > 0: use instead of what the device announces
    std::ostream* trace = nullptr;  // frames in hex, when verbose
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
    int pduType = -1;             // of the final reply
    CMyBACnetBlkData record;      // status 0 holding the service data, or the failure
    std::string failure;          // when not ok: "property: unknown-property", "reject: ...", "time-out"
    // When not ok: "error", "reject", "abort", "time-out" or "refused" (the
    // library refused the reply), and the class and code (Error) or the
    // reason (Reject, Abort; in `code`), -1 when none.
    std::string failureKind;
    long failureClass = -1, failureCode = -1;
    int attempts = 0;
    int segments = 0;             // segments of a segmented reply
    int naks = 0;                 // negative Segment-ACKs sent
    std::vector<unsigned char> lastFrame;  // the last reply NPDU, for showing

    unsigned char* Data() { return record.m_data; }
    int Length() const { return record.m_length; }
};

// A device as the tool knows it: the library's record and where it answers.
struct Device {
    CBACnetOBJ record;
    Endpoint endpoint;
    unsigned short vendorID = 0;
    bool announced = false;  // filled from an I-Am
};

class Client {
public:
    using UnconfirmedHandler = std::function<bool(const Datagram&, ReceivedFrame&)>;

    explicit Client(const NetOptions& options) : m_options(options) {}

    bool Open(std::string* error);
    BipTransport& Transport() { return m_transport; }
    NetOptions& Options() { return m_options; }

    // Sends a confirmed request to `device` and waits for its reply.
    Reply Transact(Device& device, const Request& request);
    bool Send(const Endpoint& to, const Request& request, bool broadcast);
    // Hands each unconfirmed request that arrives within `ms` to `handler`,
    // until it returns false.
    void Collect(int ms, const UnconfirmedHandler& handler);
    // Asks the device at device.endpoint with a Who-Is of its own and fills
    // the record from its I-Am. False when none came.
    bool Resolve(Device& device);

private:
    void Trace(const char* direction, const Endpoint& peer, const std::vector<unsigned char>& npdu);
    bool SendFrame(const Endpoint& to, const std::vector<unsigned char>& npdu, bool broadcast);
    // Settles `reply` from an Error, Reject or Abort frame.
    void RecordFailure(ReceivedFrame& frame, Device& device, Reply& reply);

    NetOptions m_options;
    BipTransport m_transport;
};

// Fills a record from a decoded I-Am and the frame that carried it.
std::unique_ptr<CBACnetOBJ> ReadIAm(ReceivedFrame& frame, const Endpoint& from, CBACnetIAmService& iam);
// The host key of a record is its BACnet/IP address, so that two devices
// with the same instance at different places never compare equal.
void SetHostKey(CBACnetOBJ& record, const Endpoint& endpoint);

}  // namespace tool

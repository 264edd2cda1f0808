// Round trips with an independent BACnet implementation: a simulated device
// made with the node-bacnet package (node/device.js) answers the library's
// own requests over loopback UDP, and the library's bounded decoders read
// its real replies: I-Am into a device record, ReadProperty acknowledgements
// into property codecs, ReadPropertyMultiple acknowledgements into bound
// host tags with change detection, Simple-ACKs of writes (host values with
// a priority, codecs, WritePropertyMultiple, DeleteObject), and Error replies
// into failure texts; written values and a TimeSynchronization are read back
// as the device understood them. Every real reply is also decoded from each of its
// prefixes, in a heap block of exactly that size, so a sanitizer build
// catches any read past the received octets.
//
// The test starts the device itself, waits until it listens, and stops it
// at the end, on failure too; every receive has a time-out.
//
//     interop_device --node /usr/bin/node --device tests/interop/node/device.js [--log FILE]
#include <bacnetcodec/bacnetcodec.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Hex.h"
#include "Net.h"
#include "Process.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What node/device.js holds.
constexpr unsigned kDeviceInstance = 4321;
constexpr unsigned kVendorID = 999;
constexpr unsigned short kDeviceMaxAPDU = 1482;  // node-bacnet's largest payload
constexpr unsigned kSegmentationNone = 3;

const milliseconds kReplyTimeout(2000);

struct ObjRef {
    unsigned type;
    unsigned instance;
};
constexpr int kAttempts = 2;  // a request is sent at most twice

// ---------------------------------------------------------------------------
// The UDP side of the driver: one socket on 127.0.0.1, talking to the device.

class Link {
public:
    ~Link()
    {
        if (m_fd >= 0)
            close(m_fd);
    }

    bool Open(uint16_t devicePort, std::string* error)
    {
        // The device ignores requests from 127.0.0.1 port 47808 (its own
        // broadcasts come back from there), so an ephemeral port that happens
        // to be 47808 is traded for another.
        for (int attempt = 0; attempt < 3; attempt++) {
            m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            if (m_fd < 0) {
                *error = std::string("socket: ") + strerror(errno);
                return false;
            }
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t n = sizeof local;
            if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
                getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &n) != 0) {
                *error = std::string("bind: ") + strerror(errno);
                return false;
            }
            if (ntohs(local.sin_port) != kBacnetPort)
                break;
            close(m_fd);
            m_fd = -1;
        }
        if (m_fd < 0) {
            *error = "no port other than 47808";
            return false;
        }
        m_device.sin_family = AF_INET;
        m_device.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_device.sin_port = htons(devicePort);
        return true;
    }

    bool Send(const Bytes& datagram)
    {
        return sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&m_device),
                      sizeof m_device) == static_cast<ssize_t>(datagram.size());
    }

    // One datagram from the device, waiting until `deadline`; false on time-out.
    bool Receive(Bytes& out, Clock::time_point deadline)
    {
        for (;;) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd p{m_fd, POLLIN, 0};
            const int ready = poll(&p, 1, static_cast<int>(left));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return false;
            unsigned char buf[2048];
            sockaddr_in from{};
            socklen_t n = sizeof from;
            const ssize_t got = recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &n);
            if (got < 0)
                continue;
            if (from.sin_port != m_device.sin_port || from.sin_addr.s_addr != m_device.sin_addr.s_addr)
                continue;  // only the device speaks to us; anything else is not ours
            out.assign(buf, buf + got);
            return true;
        }
    }

private:
    int m_fd = -1;
    sockaddr_in m_device{};
};

// ---------------------------------------------------------------------------
// A received frame, decoded as the driver does: network header, then the
// application header by the dispatcher, each bounded by the octets received.

struct Reply {
    std::unique_ptr<Received> frame;  // exactly the network-layer octets received
    CBACnetNPCI npci;
    CBACnetReceivePDUs headers;  // the driver's eight receive headers
    CBACnetUnconfirmReqPDU& unconfirm = headers.m_unconfirmReq;
    CBACnetSimpleAckPDU& simple = headers.m_simpleAck;
    CBACnetComplexAckPDU& complex = headers.m_complexAck;
    CBACnetErrorPDU& error = headers.m_error;
    CBACnetRejectPDU& reject = headers.m_reject;
    CBACnetAbortPDU& abort = headers.m_abort;
    CBACnetPDU* pdu = nullptr;
    int pos = 0;  // the first service parameter octet
    int end = 0;

    // Decodes a newly received frame; the header objects are reused, as a
    // driver reuses its table.
    bool Decode(const Bytes& npdu)
    {
        frame.reset(new Received(npdu));
        end = frame->end();
        pos = 0;
        pdu = nullptr;
        if (!npci.ReadFrame(frame->buf(), pos, end) || npci.IsMessageMode())
            return false;
        pdu = headers.GetReceiveData(frame->buf(), pos, end);
        return pdu != nullptr;
    }

    unsigned char* buf() { return frame->buf(); }

    // The invoke ID of an answer to a confirmed request; -1 for anything else.
    int AnswerTo() const
    {
        if (pdu == &simple)
            return simple.m_invokeID;
        if (pdu == &complex)
            return complex.m_invokeID;
        if (pdu == &error)
            return error.m_invokeID;
        if (pdu == &reject)
            return reject.m_invokeID;
        if (pdu == &abort)
            return abort.m_invokeID;
        return -1;
    }

    std::string Describe() const
    {
        static const char* const names[] = {"confirmed request", "unconfirmed request", "Simple-ACK", "Complex-ACK",
                                            "Segment-ACK",       "Error",               "Reject",     "Abort"};
        if (!pdu)
            return "an undecodable frame";
        std::string s = names[const_cast<CBACnetPDU*>(pdu)->GetPduType() & 7];
        if (pdu == &error)
            s += " (service " + std::to_string(error.m_errorChoice) + ")";
        else if (pdu == &reject)
            s += " (reason " + std::to_string(reject.m_rejectReason) + ")";
        else if (pdu == &abort)
            s += " (reason " + std::to_string(abort.m_abortReason) + ")";
        return s;
    }
};

// Decodes every prefix of a real reply's parameters, each in a heap block of
// exactly that many octets: a bounded decoder must refuse or succeed without
// touching what was not received (a sanitizer build turns any overrun into
// a failure). Returns how many prefixes were refused.
int Prefixes(const Reply& r, const std::function<bool(unsigned char*, int)>& decode)
{
    const Bytes params(r.frame->buf() + r.pos, r.frame->buf() + r.end);
    int refused = 0;
    for (size_t n = 0; n < params.size(); n++) {
        Received cut(params, n);
        if (!decode(cut.buf(), cut.end()))
            refused++;
    }
    return refused;
}

std::string Narrow(const CString& s)
{
    return HostWideToAnsi(s.GetString(), static_cast<size_t>(s.GetLength()));
}

// ---------------------------------------------------------------------------
// The round trips.

class Session {
public:
    int passed = 0;
    int failed = 0;

    explicit Session(Link& link) : m_link(link) {}

    void Run()
    {
        Discovery();
        if (!m_device) {
            Result("the remaining round trips", false, "no device record: I-Am failed");
            return;
        }
        ReadNames();
        ReadPresentValue();
        ReadObjectList();
        ReadSupported();
        PollAndWrite();
        WriteWithCodecs();
        WriteHostText();
        TimeSync();
        Errors();
        Delete();
    }

private:
    Link& m_link;
    std::unique_ptr<CBACnetOBJ> m_device;
    unsigned char m_buf[2048];

    void Result(const std::string& name, bool ok, const std::string& detail = "")
    {
        (ok ? passed : failed)++;
        printf("%s %s%s%s\n", ok ? "ok   " : "FAIL ", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
        fflush(stdout);
    }

    // Sends `npdu` and waits for the reply that `match` accepts, sending at
    // most twice. False (with `why`) when none came in time.
    bool Exchange(const Bytes& npdu, bool broadcast, const std::function<bool(Reply&)>& match, Reply& out,
                  std::string& why)
    {
        const Bytes datagram = WrapBvlc(npdu, broadcast);
        for (int attempt = 0; attempt < kAttempts; attempt++) {
            if (!m_link.Send(datagram)) {
                why = std::string("send: ") + strerror(errno);
                return false;
            }
            const Clock::time_point deadline = Clock::now() + kReplyTimeout;
            Bytes datagramIn, frame;
            for (int ignored = 0; ignored < 16 && m_link.Receive(datagramIn, deadline); ignored++) {
                if (!UnwrapBvlc(datagramIn.data(), static_cast<int>(datagramIn.size()), frame)) {
                    why = "a datagram that is not BACnet/IP: " + ToHex(datagramIn);
                    continue;
                }
                if (!out.Decode(frame)) {
                    why = "headers the library refuses: " + ToHex(frame);
                    continue;
                }
                if (match(out))
                    return true;
                why = "unexpected " + out.Describe();
            }
        }
        if (why.empty())
            why = "no reply within " + std::to_string(kReplyTimeout.count() * kAttempts / 1000) + " s";
        return false;
    }

    // A confirmed request and its answer (Simple-ACK, Complex-ACK, Error,
    // Reject or Abort) with the same invoke ID.
    bool Confirmed(int len, int invokeID, Reply& out, std::string& why)
    {
        return Exchange(Bytes(m_buf, m_buf + len), false,
                        [invokeID](Reply& r) { return r.AnswerTo() == invokeID; }, out, why);
    }

    bool ComplexAck(const std::string& name, Reply& r, int service)
    {
        if (r.pdu != &r.complex || r.complex.m_serviceAckChoice != service) {
            Result(name, false, "answered with " + r.Describe());
            return false;
        }
        return true;
    }

    void Discovery()
    {
        const std::string name = "Who-Is answered by an I-Am, decoded into a device record";
        CBACnetWhoIsService whoIs;
        int len = 0;
        whoIs.MakeFrame(m_buf, len);
        Reply r;
        std::string why;
        if (!Exchange(Bytes(m_buf, m_buf + len), true,
                      [](Reply& x) { return x.pdu == &x.unconfirm && x.unconfirm.m_serviceChoice == 0; }, r, why)) {
            Result(name, false, why);
            return;
        }
        CBACnetIAmService iam;
        std::unique_ptr<CBACnetOBJ> device(iam.ReadFrame(r.buf() + r.pos, r.end - r.pos));
        if (!device) {
            Result(name, false, "ReadFrame refused " + ToHex(r.buf() + r.pos, r.end - r.pos));
            return;
        }
        char detail[200];
        snprintf(detail, sizeof detail, "device %u,%u, max APDU %u, segmentation %u, vendor %u",
                 unsigned(device->m_objectID.m_type), unsigned(device->m_objectID.m_instance),
                 unsigned(device->m_maxAPDU), unsigned(device->m_segmentation), unsigned(iam.m_vendorID));
        const bool ok = device->m_objectID.m_type == 8 && device->m_objectID.m_instance == kDeviceInstance &&
                        device->m_maxAPDU == kDeviceMaxAPDU && device->m_segmentation == kSegmentationNone &&
                        iam.m_vendorID == kVendorID;
        Result(name, ok, detail);
        // The record is where later requests go: the device answered from
        // the local network, so its address stays local.
        device->m_address.CopyData_SrcToDst(r.npci);
        Result("the I-Am came from the local network", device->m_address.m_macLength == 0);

        const int refused = Prefixes(r, [](unsigned char* b, int n) {
            CBACnetIAmService cut;
            std::unique_ptr<CBACnetOBJ> rec(cut.ReadFrame(b, n));
            return rec != nullptr;
        });
        Result("every cut I-Am refused", refused == r.end - r.pos,
               std::to_string(refused) + " of " + std::to_string(r.end - r.pos));
        m_device = std::move(device);
    }

    // ReadProperty into `prop`; the acknowledgement's fixed fields and then
    // the codec's value, both bounded by the received octets.
    bool ReadInto(const std::string& name, CBACnetPropertyID& prop, Reply& r)
    {
        CBACnetReadPropertyService rp;
        int len = 0;
        const int id = rp.MakeFrame(m_buf, len, m_device.get(), &prop);
        std::string why;
        if (!Confirmed(len, id, r, why)) {
            Result(name, false, why);
            return false;
        }
        if (!ComplexAck(name, r, 12))
            return false;
        int pos = r.pos;
        if (!rp.ReadFrame(r.buf(), pos, r.end, &prop) || !prop.ReadFrame(r.buf(), pos, r.end)) {
            Result(name, false, "refused " + ToHex(r.buf() + r.pos, r.end - r.pos));
            return false;
        }
        return true;
    }

    // Every prefix of a ReadProperty acknowledgement through a fresh codec.
    template <class Codec>
    void CutReads(const std::string& name, const Reply& r, const Codec& asked)
    {
        const int refused = Prefixes(r, [&asked](unsigned char* b, int n) {
            Codec codec;
            codec.m_objectID = asked.m_objectID;
            codec.m_arrayIndex = asked.m_arrayIndex;
            CBACnetReadPropertyService rp;
            int pos = 0;
            return rp.ReadFrame(b, pos, n, &codec) && codec.ReadFrame(b, pos, n);
        });
        Result("cut " + name + " decoded within its octets", true,
               std::to_string(refused) + " of " + std::to_string(r.end - r.pos) + " prefixes refused");
    }

    void ReadNames()
    {
        CBACnetObjectName name;
        name.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        Reply r;
        if (ReadInto("ReadProperty object-name into the name codec", name, r)) {
            Result("ReadProperty object-name into the name codec", name.m_name == L"Interop device",
                   "\"" + Narrow(name.m_name) + "\"");
            CutReads("object-name acknowledgements", r, name);
        }

        CBACnetObjectDesc desc;
        desc.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        if (ReadInto("ReadProperty description into the description codec", desc, r))
            Result("ReadProperty description into the description codec",
                   desc.m_description == L"node-bacnet peer on loopback", "\"" + Narrow(desc.m_description) + "\"");
    }

    void ReadPresentValue()
    {
        CBACnetPresentvalue pv;
        pv.m_objectID = _BACnetObjectID(2, 1);
        Reply r;
        const std::string name = "ReadProperty present-value of analog-value 1 into the present value codec";
        if (ReadInto(name, pv, r)) {
            Result(name, pv.m_value.GetVal() == 21.5, Narrow(pv.m_value.GetValStr()));
            CutReads("present-value acknowledgements", r, pv);
        }
    }

    void ReadObjectList()
    {
        const DWORD expected[] = {_BACnetObjectID(8, kDeviceInstance).GetValue(), _BACnetObjectID(0, 0).GetValue(),
                                  _BACnetObjectID(2, 1).GetValue(), _BACnetObjectID(5, 2).GetValue()};
        CBACnetObjectList list;
        list.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        Reply r;
        const std::string name = "ReadProperty object-list into the object list codec";
        if (ReadInto(name, list, r)) {
            bool same = list.m_objectIDs.GetSize() == 4;
            std::string got;
            for (INT_PTR i = 0; i < list.m_objectIDs.GetSize(); i++) {
                _BACnetObjectID id;
                id.SetValue(list.m_objectIDs.GetAt(i));
                got += (i ? " " : "") + std::to_string(id.m_type) + "," + std::to_string(id.m_instance);
                same = same && i < 4 && list.m_objectIDs.GetAt(i) == expected[i];
            }
            Result(name, same, got);
            CutReads("object-list acknowledgements", r, list);
        }

        CBACnetObjectList size;
        size.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        size.m_arrayIndex = 0;
        if (ReadInto("ReadProperty object-list[0], the array size", size, r))
            Result("ReadProperty object-list[0], the array size",
                   size.m_objectIDs.GetSize() == 1 && size.m_objectIDs.GetAt(0) == 4 && size.m_arrayIndex == 0);

        CBACnetObjectList third;
        third.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        third.m_arrayIndex = 3;
        if (ReadInto("ReadProperty object-list[3]", third, r))
            Result("ReadProperty object-list[3]", third.m_objectIDs.GetSize() == 1 &&
                                                     third.m_objectIDs.GetAt(0) == expected[2] &&
                                                     third.m_arrayIndex == 3);
    }

    void ReadSupported()
    {
        CBACnetServiceSupported services;
        services.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        Reply r;
        const std::string s = "ReadProperty protocol-services-supported into the services codec";
        if (ReadInto(s, services, r)) {
            std::string flags;
            bool ok = true;
            for (int k = 0; k < CBACnetServiceSupported::SERVICES; k++) {
                const bool want = k == 12 || k == 14 || k == 15 || k == 16 || k == 26 || k == 34;
                if (services.m_serviceFlags[k])
                    flags += " " + std::to_string(k);
                ok = ok && (services.m_serviceFlags[k] != 0) == want;
            }
            Result(s, ok, "services" + flags);
            CutReads("services-supported acknowledgements", r, services);
        }

        CBACnetTypeSupported types;
        types.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        const std::string t = "ReadProperty protocol-object-types-supported into the types codec";
        if (ReadInto(t, types, r)) {
            std::string flags;
            bool ok = true;
            for (int k = 0; k < CBACnetTypeSupported::TYPES; k++) {
                const bool want = k == 0 || k == 2 || k == 5 || k == 8;
                if (types.m_typeFlags[k])
                    flags += " " + std::to_string(k);
                ok = ok && (types.m_typeFlags[k] != 0) == want;
            }
            Result(t, ok, "types" + flags);
        }
    }

    // One ReadPropertyMultiple over every entry of `tags`; the
    // acknowledgement goes to the entries by position.
    bool Poll(const std::string& name, CPtrArray& tags, Reply& r)
    {
        CBACnetReadMultiService rpm(0);
        int len = 0;
        rpm.MakeHeaderFrame(len, m_device.get(), 0);
        for (int i = 0; i < tags.GetSize(); i++)
            if (!rpm.MakeBodyFrame(len, static_cast<CBACnetObjTypes*>(tags.GetAt(i)), i))
                break;
        if (rpm.m_last != tags.GetSize() - 1) {
            Result(name, false, "the request holds entries 0.." + std::to_string(rpm.m_last));
            return false;
        }
        memcpy(m_buf, rpm.m_frame, rpm.m_frameLength);
        std::string why;
        if (!Confirmed(rpm.m_frameLength, rpm.m_invokeID, r, why)) {
            Result(name, false, why);
            return false;
        }
        if (!ComplexAck(name, r, 14))
            return false;
        if (!rpm.ReadBodyFrame(r.buf() + r.pos, r.end - r.pos, tags)) {
            Result(name, false, "ReadBodyFrame refused " + ToHex(r.buf() + r.pos, r.end - r.pos));
            return false;
        }
        return true;
    }

    // The bound host tags of one device, polled twice around a write with a
    // priority: the change state says which values moved, and each value
    // reaches the host converted from what the device sent.
    void PollAndWrite()
    {
        struct Binding {
            ObjRef obj;
            const wchar_t* property;
            unsigned short hostType;
            const char* first;   // the host value after the first poll ("" for an access error)
            const char* second;  // after the write; null when unchanged
        };
        const Binding bindings[] = {
            {{0, 0}, L"PresentValue", 4, "18.25", nullptr},                 // Real
            {{2, 1}, L"PresentValue", 4, "21.5", "42.5"},                   // Real, written below
            {{5, 2}, L"PresentValue", 4, "1", nullptr},                     // BinaryPV active
            {{8, kDeviceInstance}, L"ObjectName", 14, "Interop device", nullptr},  // text
            {{2, 1}, L"priorityarray[8]", 12, "0", "42.5"},                 // Null, then the written Real
            {{2, 1}, L"StatusFlag.1", 4, "1", nullptr},                     // bit 1 (fault) of a bit string
            {{2, 1}, L"OutOfService", 4, "0", nullptr},                     // Boolean
            {{2, 1}, L"Units", 4, "62", nullptr},                           // enumeration
            {{2, 1}, L"EventState", 4, "0", nullptr},                       // enumeration 0
            {{8, kDeviceInstance}, L"vendorid", 4, "999", nullptr},         // Unsigned of two octets
            {{2, 1}, L"COVIncrement", 4, "", nullptr},                      // not in the device: access error
        };
        const int count = static_cast<int>(sizeof bindings / sizeof bindings[0]);
        std::vector<std::unique_ptr<CBACnetObjTypes>> owned;
        std::vector<unsigned short> subTypes(count);
        CPtrArray tags;
        for (int i = 0; i < count; i++) {
            owned.emplace_back(new CBACnetObjTypes(_BACnetObjectID(bindings[i].obj.type, bindings[i].obj.instance)));
            CString text(bindings[i].property);
            if (!owned.back()->CreateProperty(text, subTypes[i], bindings[i].hostType)) {
                Result("bind the polled host tags", false, Narrow(CString(bindings[i].property)));
                return;
            }
            tags.Add(owned.back().get());
        }
        // Takes every waiting value; `want(i)` is the text expected of entry
        // i, null where no value may wait. Returns the mismatches.
        auto take = [&](const std::function<const char*(int)>& want) {
            std::string wrong;
            for (int i = 0; i < count; i++) {
                CTagVal v;
                const bool waiting = owned[i]->GetValue(v, bindings[i].hostType, subTypes[i]) == 1;
                const char* expected = want(i);
                const std::string got = waiting ? Narrow(v.GetValStr()) : "(none)";
                if (waiting != (expected != nullptr) || (expected && got != expected))
                    wrong += " " + Narrow(CString(bindings[i].property)) + "=" + got;
                owned[i]->ResetChangeValue();
            }
            return wrong;
        };

        Reply r;
        const std::string first = "ReadPropertyMultiple into eleven bound host tags, each of its data type";
        if (!Poll(first, tags, r))
            return;
        std::string wrong = take([&](int i) { return *bindings[i].first ? bindings[i].first : nullptr; });
        if (owned[4]->m_isNull != 1)
            wrong += " priorityarray[8] not Null";
        Result(first, wrong.empty(), wrong.empty() ? "every value as sent" : "wrong:" + wrong);

        const int refused = Prefixes(r, [&](unsigned char* b, int n) {
            std::vector<std::unique_ptr<CBACnetObjTypes>> copies;
            CPtrArray array;
            for (auto& t : owned) {
                copies.emplace_back(new CBACnetObjTypes(*t));
                array.Add(copies.back().get());
            }
            CBACnetReadMultiService rpm(0);
            rpm.m_last = count - 1;
            return rpm.ReadBodyFrame(b, n, array) == 1;
        });
        // ReadBodyFrame reports only a run past the array; the entries'
        // decoders refuse silently. What counts is that none read too far.
        Result("cut ReadPropertyMultiple acknowledgements decoded within their octets", true,
               std::to_string(r.end - r.pos) + " prefixes, " + std::to_string(refused) + " refused");

        // The host writes 42.5 at priority 8.
        CTagVal written;
        written.SetVal(42.5);
        CBACnetWritePropertyService wp;
        int len = 0;
        const int id = wp.MakeFrame(m_buf, len, m_device.get(), owned[1].get(), written, 4, subTypes[1], 8);
        Reply ack;
        std::string why;
        const std::string w = "WriteProperty 42.5 at priority 8 answered by a Simple-ACK";
        if (!Confirmed(len, id, ack, why)) {
            Result(w, false, why);
            return;
        }
        int pos = ack.pos;
        Result(w, ack.pdu == &ack.simple && ack.simple.m_serviceAckChoice == 15 && id == 100 &&
                      wp.ReadFrame(ack.buf(), pos, ack.end, owned[1].get()) == 1,
               ack.Describe() + ", invoke ID " + std::to_string(id));

        const std::string second = "ReadPropertyMultiple again: only the written value and its slot changed";
        if (!Poll(second, tags, r))
            return;
        wrong = take([&](int i) { return bindings[i].second; });
        if (owned[4]->m_isNull != 0)
            wrong += " priorityarray[8] still Null";
        Result(second, wrong.empty(), wrong.empty() ? "present value and slot 8 now 42.5" : "wrong:" + wrong);
    }

    // Codec writes read back through the device.
    void WriteWithCodecs()
    {
        CBACnetObjectName name;
        name.m_objectID = _BACnetObjectID(0, 0);
        name.m_name = L"Outside air (north)";
        CBACnetWritePropertyService wp;
        int len = 0;
        int id = wp.MakeFrame(m_buf, len, m_device.get(), &name);
        Reply r;
        std::string why;
        const std::string w = "WriteProperty object-name with the name codec answered by a Simple-ACK";
        if (!Confirmed(len, id, r, why))
            Result(w, false, why);
        else
            Result(w, r.pdu == &r.simple && r.simple.m_serviceAckChoice == 15, r.Describe());

        CBACnetObjectName back;
        back.m_objectID = _BACnetObjectID(0, 0);
        if (ReadInto("the written name read back", back, r))
            Result("the written name read back", back.m_name == L"Outside air (north)", Narrow(back.m_name));

        CBACnetWriteMultiService wpm;
        len = 0;
        id = wpm.MakeHeaderFrame(m_buf, len, m_device.get());
        CBACnetTag tag;
        const DWORD v = _BACnetObjectID(5, 2).GetValue();
        unsigned char host[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                 static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        tag.MakeAnalogFrame(m_buf, len, CBACnetTag::CLASS_CONTEXT, 0, 4, host);
        CBACnetObjectDesc desc;
        desc.m_description = L"Runs with the supply fan";
        wpm.MakeFrame(m_buf, len, &desc);
        const std::string m = "WritePropertyMultiple description answered by a Simple-ACK";
        if (!Confirmed(len, id, r, why))
            Result(m, false, why);
        else
            Result(m, r.pdu == &r.simple && r.simple.m_serviceAckChoice == 16, r.Describe());

        CBACnetObjectDesc descBack;
        descBack.m_objectID = _BACnetObjectID(5, 2);
        if (ReadInto("the description written in a multiple write read back", descBack, r))
            Result("the description written in a multiple write read back",
                   descBack.m_description == L"Runs with the supply fan", Narrow(descBack.m_description));
    }

    // A host text travels with its terminating 0 octet inside the character
    // string; the peer keeps that octet as a character of the text, and the
    // library reads the text back up to it.
    void WriteHostText()
    {
        CBACnetObjTypes tag(_BACnetObjectID(2, 1));
        CString property(L"ObjectName");
        unsigned short sub;
        if (!tag.CreateProperty(property, sub, 14)) {
            Result("bind the object name as a text tag", false);
            return;
        }
        CTagVal text;
        text.SetVal(L"Supply setpoint (east)");
        CBACnetWritePropertyService wp;
        int len = 0;
        const int id = wp.MakeFrame(m_buf, len, m_device.get(), &tag, text, 14, sub, 0);
        Reply r;
        std::string why;
        const std::string w = "WriteProperty of a host text answered by a Simple-ACK";
        if (!Confirmed(len, id, r, why)) {
            Result(w, false, why);
            return;
        }
        Result(w, r.pdu == &r.simple && r.simple.m_serviceAckChoice == 15, r.Describe());

        CBACnetObjectName back;
        back.m_objectID = _BACnetObjectID(2, 1);
        if (!ReadInto("the host text read back", back, r))
            return;
        // The acknowledgement carries the 0 octet the write sent: 23 octets of text.
        const Bytes params(r.buf() + r.pos, r.buf() + r.end);
        const std::string hex = ToHex(params);
        Result("the host text read back", back.m_name == L"Supply setpoint (east)" &&
                                              hex.find("75 18 00") != std::string::npos,
               "\"" + Narrow(back.m_name) + "\", acknowledgement " + hex);
    }

    // A TimeSynchronization (unconfirmed, no reply) on a chosen date; the
    // device keeps what it decoded in its location, read back here.
    void TimeSync()
    {
        CBACnetTimeSyncService sync;
        int len = 0;
        sync.MakeFrame(m_buf, len);
        const std::string name = "TimeSynchronization understood by the device";
        if (!m_link.Send(WrapBvlc(Bytes(m_buf, m_buf + len), true))) {
            Result(name, false, strerror(errno));
            return;
        }
        CBACnetObjectDesc location;  // one character string, like the description
        location.m_objectID = _BACnetObjectID(8, kDeviceInstance);
        location.m_propertyID = 58;
        Reply r;
        if (ReadInto(name, location, r))
            Result(name, location.m_description == L"time-sync 2026-6-15 14:30:05", Narrow(location.m_description));
    }

    void Delete()
    {
        _BACnetObjectID doomed(5, 2);
        CBACnetDeleteObjService del;
        int len = 0;
        const int id = del.MakeFrame(m_buf, len, m_device.get(), doomed);
        Reply r;
        std::string why;
        const std::string d = "DeleteObject answered by a Simple-ACK";
        if (!Confirmed(len, id, r, why)) {
            Result(d, false, why);
            return;
        }
        Result(d, r.pdu == &r.simple && r.simple.m_serviceAckChoice == 11, r.Describe());

        CBACnetObjectName gone;
        gone.m_objectID = doomed;
        CBACnetReadPropertyService rp;
        len = 0;
        const int id2 = rp.MakeFrame(m_buf, len, m_device.get(), &gone);
        const std::string g = "the deleted object is unknown to the device";
        if (!Confirmed(len, id2, r, why))
            Result(g, false, why);
        else
            ExpectError(g, r, 12, rp, L"error : objectunknown object");
    }

    // Error replies into failure texts.
    void ExpectError(const std::string& name, Reply& r, int service, CBACnetConfirmSrvPDU& srv, const wchar_t* text)
    {
        if (r.pdu != &r.error || r.error.m_errorChoice != service) {
            Result(name, false, "answered with " + r.Describe());
            return;
        }
        unsigned char cls = 0xFF, code = 0xFF;
        if (!srv.ErrFrame(r.buf() + r.pos, m_device.get(), r.end - r.pos, cls, code)) {
            Result(name, false, "ErrFrame refused " + ToHex(r.buf() + r.pos, r.end - r.pos));
            return;
        }
        CMyBACnetBlkData record;
        record.SetErrorData(cls, code);
        CString message;
        record.GetErrorMsg(message);
        Result(name, message == text, "\"" + Narrow(message) + "\"");
        const int refused = Prefixes(r, [&srv, this](unsigned char* b, int n) {
            unsigned char c1, c2;
            return srv.ErrFrame(b, m_device.get(), n, c1, c2) == 1;
        });
        Result("every cut Error reply refused", refused == r.end - r.pos,
               std::to_string(refused) + " of " + std::to_string(r.end - r.pos));
    }

    void Errors()
    {
        CBACnetPresentvalue missing;
        missing.m_objectID = _BACnetObjectID(0, 99);
        CBACnetReadPropertyService rp;
        int len = 0;
        int id = rp.MakeFrame(m_buf, len, m_device.get(), &missing);
        Reply r;
        std::string why;
        const std::string a = "ReadProperty of an unknown object: Error reply into its text";
        if (!Confirmed(len, id, r, why))
            Result(a, false, why);
        else
            ExpectError(a, r, 12, rp, L"error : objectunknown object");

        CBACnetSchPriority notThere;  // priority-for-writing: an analog value has none
        notThere.m_objectID = _BACnetObjectID(2, 1);
        len = 0;
        id = rp.MakeFrame(m_buf, len, m_device.get(), &notThere);
        const std::string b = "ReadProperty of an unknown property: Error reply into its text";
        if (!Confirmed(len, id, r, why))
            Result(b, false, why);
        else
            ExpectError(b, r, 12, rp, L"error : propertyunknown property");

        CBACnetObjTypes gone(_BACnetObjectID(1, 77));
        CString property(L"PresentValue");
        unsigned short sub;
        gone.CreateProperty(property, sub, 4);
        CTagVal value;
        value.SetVal(1.0);
        CBACnetWritePropertyService wp;
        len = 0;
        id = wp.MakeFrame(m_buf, len, m_device.get(), &gone, value, 4, sub, 10);
        const std::string c = "WriteProperty to an unknown object: Error reply into its text";
        if (!Confirmed(len, id, r, why))
            Result(c, false, why);
        else
            ExpectError(c, r, 15, wp, L"error : objectunknown object");
    }
};

}  // namespace

int main(int argc, char** argv)
{
    std::string node = "node", script, logPath = "interop-device.log";
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        if (a == "--node" && i + 1 < argc)
            node = argv[++i];
        else if (a == "--device" && i + 1 < argc)
            script = argv[++i];
        else if (a == "--log" && i + 1 < argc)
            logPath = argv[++i];
        else {
            fprintf(stderr, "usage: %s --device device.js [--node PATH] [--log FILE]\n", argv[0]);
            return 2;
        }
    }
    if (script.empty()) {
        fprintf(stderr, "--device is required\n");
        return 2;
    }

    // Dated frames on a date the expectations name.
    setenv("TZ", "UTC", 1);
    tzset();
    HostSetClock([]() -> __time32_t { return 1781533805; });  // Monday 15 June 2026 14:30:05 UTC

    // The device lives no longer than this program, and never past its own limit.
    ChildProcess device;
    std::string error, out;
    if (FILE* log = fopen(logPath.c_str(), "w"))
        fclose(log);
    if (!device.Start({node, script, "--limit", "120"}, logPath, &error) ||
        !device.ReadUntil("listening ", std::chrono::seconds(30), out)) {
        fprintf(stderr, "the device did not start: %s%s(see %s; npm ci in tests/interop/node installs its package)\n",
                error.c_str(), error.empty() ? "" : " ", logPath.c_str());
        printf("device: 0 passed, 1 failed\n");
        return 1;
    }
    const int port = atoi(out.c_str() + out.find("listening ") + 10);
    printf("device listening on 127.0.0.1:%d (pid %d), log %s\n", port, int(device.Pid()), logPath.c_str());

    Link link;
    if (port <= 0 || port > 65535 || !link.Open(static_cast<uint16_t>(port), &error)) {
        fprintf(stderr, "no link to the device: %s\n", error.c_str());
        printf("device: 0 passed, 1 failed\n");
        return 1;
    }
    Session session(link);
    session.Run();
    device.Stop();
    printf("device: %d passed, %d failed\n", session.passed, session.failed);
    return session.failed == 0 && session.passed > 0 ? 0 : 1;
}

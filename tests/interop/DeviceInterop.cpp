// Round trips with a node-bacnet device (node/device.js) on loopback: the
// library's requests, and its bounded decoders on the real replies, each in
// a heap block of exactly the received size, so a sanitizer build catches
// any read past the received octets.
//
//     interop_device --node /usr/bin/node --device tests/interop/node/device.js [--log FILE]
#include <arpa/inet.h>
#include <bacnetcodec/bacnetcodec.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Interop.h"
#include "Tags.h"

namespace {

using std::chrono::steady_clock;

// What node/device.js holds.
constexpr unsigned kDevice = 4321;
const std::chrono::milliseconds kReplyTimeout(2000);
constexpr int kAttempts = 2;  // a request is sent at most twice

Tally g_tally("device");
unsigned char g_buf[2048];
int g_socket = -1;                     // bound to 127.0.0.1, talks to the device alone
sockaddr_in g_peer{};                  // the device
std::unique_ptr<CBACnetOBJ> g_device;  // its record, as discovery leaves it

// Binds an ephemeral loopback port other than 47808: the device ignores
// requests from there (its own broadcasts come back from that port).
bool OpenLink(int devicePort, std::string* error)
{
    g_peer.sin_family = AF_INET;
    g_peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    g_peer.sin_port = htons(static_cast<uint16_t>(devicePort));
    for (int attempt = 0; attempt < 3; attempt++) {
        sockaddr_in local = g_peer;
        local.sin_port = 0;
        socklen_t n = sizeof local;
        if (g_socket >= 0)
            close(g_socket);
        g_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (g_socket < 0 || bind(g_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            getsockname(g_socket, reinterpret_cast<sockaddr*>(&local), &n) != 0) {
            *error = std::string("socket: ") + strerror(errno);
            return false;
        }
        if (ntohs(local.sin_port) != 47808)
            return true;
    }
    *error = "no port other than 47808";
    return false;
}

bool Send(const Bytes& datagram)
{
    return sendto(g_socket, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&g_peer),
                  sizeof g_peer) == static_cast<ssize_t>(datagram.size());
}

// One datagram from the device (others are dropped) before `deadline`; false on time-out.
bool Receive(Bytes& out, steady_clock::time_point deadline)
{
    while (Readable(g_socket, deadline)) {
        unsigned char buf[2048];
        sockaddr_in from{};
        socklen_t n = sizeof from;
        const ssize_t got = recvfrom(g_socket, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &n);
        if (got >= 0 && from.sin_port == g_peer.sin_port && from.sin_addr.s_addr == g_peer.sin_addr.s_addr) {
            out.assign(buf, buf + got);
            return true;
        }
    }
    return false;
}

// The NPDU a received datagram carries (original or forwarded); false for anything else.
bool Npdu(const Bytes& datagram, Bytes& npdu)
{
    CBACnetBVLC bvlc;
    int pos = 0;
    if (!bvlc.ReadFrame(datagram.data(), pos, static_cast<int>(datagram.size())) || !bvlc.m_npdu)
        return false;
    npdu.assign(bvlc.m_npdu, bvlc.m_npdu + bvlc.m_npduLength);
    return true;
}

// A request the library built into g_buf: its length and invoke ID.
struct Request {
    int len;
    int invokeID;
};

template <class Service, class... Args>
Request Build(Service&& service, Args&&... args)
{
    int len = 0;
    const int id = service.MakeFrame(g_buf, len, args...);
    return {len, id};
}

std::string Narrow(const CString& s)
{
    return HostWideToAnsi(s.GetString(), static_cast<size_t>(s.GetLength()));
}

// The answers to a confirmed request, by PDU type.
enum Answer { kSimpleAck = 2, kComplexAck = 3, kError = 5 };

// A received frame, decoded as the driver does: network header, then the
// application header by the dispatcher, each bounded by the octets received.
struct Reply {
    std::unique_ptr<Received> frame;  // exactly the network-layer octets received
    CBACnetNPCI npci;
    CBACnetReceivePDUs headers;  // the driver's receive headers, reused as a driver reuses its table
    CBACnetPDU* pdu = nullptr;
    int pos = 0;  // the first service parameter octet
    int end = 0;

    bool Decode(const Bytes& npdu)
    {
        frame.reset(new Received(npdu));
        end = frame->end();
        pos = 0;
        pdu = npci.ReadFrame(frame->buf(), pos, end) && !npci.IsMessageMode()
                  ? headers.GetReceiveData(frame->buf(), pos, end)
                  : nullptr;
        return pdu != nullptr;
    }
    unsigned char* Params() { return frame->buf() + pos; }
    Bytes ParamBytes() const { return Bytes(frame->buf() + pos, frame->buf() + end); }
    int Type() const { return pdu ? pdu->GetPduType() : -1; }
    // The service an answer names, and the invoke ID it answers (-1: not an answer).
    int Service() const
    {
        const CBACnetReceivePDUs& h = headers;
        return Type() == kSimpleAck    ? h.m_simpleAck.m_serviceAckChoice
               : Type() == kComplexAck ? h.m_complexAck.m_serviceAckChoice
               : Type() == kError      ? h.m_error.m_errorChoice
                                       : -1;
    }
    int AnswerTo() const
    {
        const CBACnetReceivePDUs& h = headers;
        return Type() == kSimpleAck    ? h.m_simpleAck.m_invokeID
               : Type() == kComplexAck ? h.m_complexAck.m_invokeID
               : Type() == kError      ? h.m_error.m_invokeID
                                       : -1;
    }
    std::string Describe() const
    {
        return "PDU type " + std::to_string(Type()) + ", service " + std::to_string(Service());
    }
};

// What a codec decoded, as the checks compare it.
std::string Text(CBACnetObjectDesc& c)
{
    return Narrow(c.m_description);
}
std::string Text(CBACnetPresentvalue& c)
{
    return Narrow(c.m_value.GetValStr());
}
std::string Text(CBACnetObjectList& c)
{
    const bool whole = c.m_arrayIndex == CBACnetPropertyID::NO_ARRAY_INDEX;
    std::string s = whole ? "" : "[" + std::to_string(c.m_arrayIndex) + "]";
    for (INT_PTR i = 0; i < c.m_objectIDs.GetSize(); i++) {
        _BACnetObjectID id;
        id.SetValue(c.m_objectIDs.GetAt(i));
        s += (s.empty() ? "" : " ") + std::to_string(id.m_type) + ":" + std::to_string(id.m_instance);
    }
    return s;
}
std::string Text(CBACnetTypeSupported& c)
{
    std::string s;
    for (int k = 0; k < CBACnetTypeSupported::TYPES; k++)
        s += c.m_typeFlags[k] ? (s.empty() ? "" : " ") + std::to_string(k) : "";
    return s;
}

// Sends `npdu` and waits for the reply that `match` accepts, sending at
// most twice; a failed check `name` when none came in time.
bool Exchange(const std::string& name, const Bytes& npdu, bool broadcast,
              const std::function<bool(Reply&)>& match, Reply& out)
{
    std::string why;
    for (int attempt = 0; attempt < kAttempts; attempt++) {
        if (!Send(Bvlc(npdu, broadcast)))
            return g_tally.Check(name, false, std::string("send: ") + strerror(errno));
        const steady_clock::time_point deadline = steady_clock::now() + kReplyTimeout;
        Bytes datagram, frame;
        for (int ignored = 0; ignored < 16 && Receive(datagram, deadline); ignored++) {
            if (!Npdu(datagram, frame))
                why = "a datagram that is not BACnet/IP: " + ToHex(datagram);
            else if (!out.Decode(frame))
                why = "headers the library refuses: " + ToHex(frame);
            else if (match(out))
                return true;
            else
                why = "unexpected " + out.Describe();
        }
    }
    return g_tally.Check(name, false, why.empty() ? "no reply in time" : why);
}

// A confirmed request answered under its invoke ID by `answer` to
// `service`; a failed check `name` otherwise. The answer is a step, not a
// check: what follows it says whether the device understood.
bool Ask(const std::string& name, Request q, Answer answer, int service, Reply* out = nullptr)
{
    Reply own;
    Reply& r = out ? *out : own;
    if (!Exchange(name, Bytes(g_buf, g_buf + q.len), false,
                  [q](Reply& x) { return x.AnswerTo() == q.invokeID; }, r))
        return false;
    const bool ok = r.Type() == answer && r.Service() == service;
    return ok || g_tally.Check(name, false, "answered with " + r.Describe());
}

bool Discovery()
{
    const std::string name = "Who-Is answered by an I-Am, decoded into a device record";
    int len = 0;
    CBACnetWhoIsService().MakeFrame(g_buf, len);
    Reply r;
    auto iAm = [](Reply& x) { return x.Type() == 1 && x.headers.m_unconfirmReq.m_serviceChoice == 0; };
    if (!Exchange(name, Bytes(g_buf, g_buf + len), true, iAm, r))
        return false;
    CBACnetIAmService iam;
    g_device.reset(iam.ReadFrame(r.Params(), r.end - r.pos));
    if (!g_device)
        return g_tally.Check(name, false, "ReadFrame refused " + ToHex(r.ParamBytes()));
    // The record is where later requests go: the device answered from the
    // local network, so its address stays local.
    g_device->m_address.CopyData_SrcToDst(r.npci);
    const _BACnetObjectID& id = g_device->m_objectID;
    const std::string got = std::to_string(id.m_type) + ":" + std::to_string(id.m_instance) + ", max APDU " +
                            std::to_string(g_device->m_maxAPDU) + ", segmentation " +
                            std::to_string(g_device->m_segmentation) + ", vendor " +
                            std::to_string(iam.m_vendorID) + ", MAC length " +
                            std::to_string(g_device->m_address.m_macLength);
    // node-bacnet's largest payload; no segmentation; the vendor device.js names.
    g_tally.Check(name, got == "8:4321, max APDU 1482, segmentation 3, vendor 999, MAC length 0", got);
    return true;
}

// Reads the codec's property of `obj` into it, which must hold `want`; the
// acknowledgement's fixed fields and the value are both bounded by the
// received octets.
template <class Codec>
void Read(const std::string& name, _BACnetObjectID obj, const std::string& want,
          unsigned char index = CBACnetPropertyID::NO_ARRAY_INDEX)
{
    Codec prop;
    prop.m_objectID = obj;
    prop.m_arrayIndex = index;
    Reply got;
    CBACnetReadPropertyService rp;
    if (!Ask(name, Build(rp, g_device.get(), &prop), kComplexAck, 12, &got))
        return;
    int pos = got.pos;
    const bool read = rp.ReadFrame(got.frame->buf(), pos, got.end, &prop) &&
                      prop.ReadFrame(got.frame->buf(), pos, got.end);
    g_tally.Check(name, read && Text(prop) == want, read ? Text(prop) : "refused " + ToHex(got.ParamBytes()));
}

void Reads()
{
    const _BACnetObjectID device(8, kDevice);
    Read<CBACnetPresentvalue>("ReadProperty present-value of analog-value 1 into the present value codec",
                              _BACnetObjectID(2, 1), "21.5");
    Read<CBACnetObjectList>("ReadProperty object-list into the object list codec", device, "8:4321 0:0 2:1 5:2");
    Read<CBACnetObjectList>("ReadProperty object-list[0], the array size", device, "[0] 0:4", 0);
    Read<CBACnetTypeSupported>("ReadProperty protocol-object-types-supported into the types codec", device,
                               "0 2 5 8");
}

// One ReadPropertyMultiple over every entry of `tags`; the
// acknowledgement goes to the entries by position.
bool Poll(const std::string& name, CPtrArray& tags, Reply& r)
{
    CBACnetReadMultiService rpm(0);
    int len = 0;
    rpm.MakeHeaderFrame(len, g_device.get(), 0);
    for (int i = 0; i < tags.GetSize(); i++)
        if (!rpm.MakeBodyFrame(len, static_cast<CBACnetObjTypes*>(tags.GetAt(i)), i))
            break;
    if (rpm.m_last != tags.GetSize() - 1)
        return g_tally.Check(name, false, "the request holds entries 0.." + std::to_string(rpm.m_last));
    memcpy(g_buf, rpm.m_frame, rpm.m_frameLength);
    if (!Ask(name, {rpm.m_frameLength, rpm.m_invokeID}, kComplexAck, 14, &r))
        return false;
    return rpm.ReadBodyFrame(r.Params(), r.end - r.pos, tags) ||
           g_tally.Check(name, false, "ReadBodyFrame refused " + ToHex(r.ParamBytes()));
}

// The bound host tags of one device, polled twice around a write with a
// priority: the change state says which values moved, and each value
// reaches the host converted from what the device sent.
void PollAndWrite()
{
    const struct {
        _BACnetObjectID obj;
        const wchar_t* property;
        unsigned short hostType;
        const char* first;   // the host value after the first poll ("" for an access error)
        const char* second;  // after the write; null when unchanged
    } bindings[] = {
        {{2, 1}, L"PresentValue", 4, "21.5", "42.5"},                  // Real, written below
        {{5, 2}, L"PresentValue", 4, "1", nullptr},                    // BinaryPV active
        {{8, kDevice}, L"ObjectName", 14, "Interop device", nullptr},  // text
        {{2, 1}, L"priorityarray[8]", 12, "0", "42.5"},                // Null, then the written Real
        {{2, 1}, L"StatusFlag.1", 4, "1", nullptr},                    // bit 1 (fault) of a bit string
        {{2, 1}, L"OutOfService", 4, "0", nullptr},                    // Boolean
        {{2, 1}, L"Units", 4, "62", nullptr},                          // enumeration
        {{8, kDevice}, L"vendorid", 4, "999", nullptr},                // Unsigned of two octets
        {{2, 1}, L"COVIncrement", 4, "", nullptr},                     // not in the device: access error
    };
    const int count = static_cast<int>(sizeof bindings / sizeof bindings[0]);
    std::vector<std::unique_ptr<CBACnetObjTypes>> owned;
    std::vector<unsigned short> subTypes(count);
    CPtrArray tags;
    for (int i = 0; i < count; i++) {
        const auto& b = bindings[i];
        owned.push_back(Bind(b.obj.m_type, b.obj.m_instance, b.property, b.hostType, &subTypes[i]));
        if (!owned.back())
            return (void)g_tally.Check("bind the polled host tags", false, Narrow(CString(b.property)));
        tags.Add(owned.back().get());
    }
    // Takes every waiting value; `second` picks the expectation after the
    // write. Says which entries differ, and whether slot 8 reads as Null.
    auto take = [&](bool second) {
        std::string wrong;
        for (int i = 0; i < count; i++) {
            CTagVal v;
            const bool waiting = owned[i]->GetValue(v, bindings[i].hostType, subTypes[i]) == 1;
            const char* want = second ? bindings[i].second : *bindings[i].first ? bindings[i].first : nullptr;
            const std::string got = waiting ? Narrow(v.GetValStr()) : "(none)";
            if (waiting != (want != nullptr) || (want && got != want))
                wrong += " " + Narrow(CString(bindings[i].property)) + "=" + got;
            owned[i]->ResetChangeValue();
        }
        return owned[3]->m_isNull == (second ? 0 : 1) ? wrong : wrong + " priorityarray[8] Null is wrong";
    };

    Reply r;
    const std::string first = "ReadPropertyMultiple into nine bound host tags, each of its data type";
    if (!Poll(first, tags, r))
        return;
    const std::string wrong = take(false);
    g_tally.Check(first, wrong.empty(), wrong.empty() ? "every value as sent" : "wrong:" + wrong);

    // The host writes 42.5 at priority 8; every host-value write carries invoke ID 100.
    CBACnetWritePropertyService wp;
    const Request q = Build(wp, g_device.get(), owned[0].get(), Val(42.5), 4, subTypes[0], 8);
    Reply ack;
    const std::string w = "WriteProperty 42.5 at priority 8 answered by a Simple-ACK";
    if (!Ask(w, q, kSimpleAck, 15, &ack))
        return;
    int pos = ack.pos;
    g_tally.Check(w, q.invokeID == 100 && wp.ReadFrame(ack.frame->buf(), pos, ack.end, owned[0].get()),
                  "invoke ID " + std::to_string(q.invokeID));

    const std::string second = "ReadPropertyMultiple again: only the written value and its slot changed";
    if (!Poll(second, tags, r))
        return;
    const std::string moved = take(true);
    g_tally.Check(second, moved.empty(), moved.empty() ? "present value and slot 8 now 42.5" : "wrong:" + moved);
}

// A WritePropertyMultiple and a host text, each read back as the device
// understood it.
void Writes()
{
    CBACnetWriteMultiService wpm;
    int len = 0;
    const int id = wpm.MakeHeaderFrame(g_buf, len, g_device.get());
    ObjectID(g_buf, len, _BACnetObjectID(5, 2));
    CBACnetObjectDesc desc;
    desc.m_description = L"Runs with the supply fan";
    wpm.MakeFrame(g_buf, len, &desc);
    Ask("WritePropertyMultiple description answered by a Simple-ACK", {len, id}, kSimpleAck, 16);
    Read<CBACnetObjectDesc>("the description written in a multiple write read back", _BACnetObjectID(5, 2),
                            "Runs with the supply fan");

    // A host text travels with its terminating 0 octet inside the
    // character string; the peer keeps that octet as a character of the
    // text, and the library reads the text back up to it.
    unsigned short sub = 0;
    const auto tag = Bind(8, kDevice, L"Description", 14, &sub);
    CBACnetWritePropertyService wp;
    Ask("WriteProperty of a host text answered by a Simple-ACK",
        Build(wp, g_device.get(), tag.get(), Val(L"Supply setpoint (east)"), 14, sub, 0), kSimpleAck, 15);
    Read<CBACnetObjectDesc>("the host text read back", _BACnetObjectID(8, kDevice), "Supply setpoint (east)");
}

// The deleted object is unknown to the device: its Error, decoded into the failure text.
void Delete()
{
    _BACnetObjectID doomed(5, 2);
    Ask("DeleteObject answered by a Simple-ACK", Build(CBACnetDeleteObjService(), g_device.get(), doomed),
        kSimpleAck, 11);
    CBACnetReadPropertyService rp;
    CBACnetObjectName deleted;
    deleted.m_objectID = doomed;
    const std::string name = "the deleted object is unknown to the device: an Error into its text";
    Reply r;
    if (!Ask(name, Build(rp, g_device.get(), &deleted), kError, 12, &r))
        return;
    unsigned char cls = 0xFF, code = 0xFF;
    if (!rp.ErrFrame(r.Params(), g_device.get(), r.end - r.pos, cls, code))
        return (void)g_tally.Check(name, false, "ErrFrame refused " + ToHex(r.ParamBytes()));
    CMyBACnetBlkData record;
    record.SetErrorData(cls, code);
    CString message;
    record.GetErrorMsg(message);
    g_tally.Check(name, message == L"error : objectunknown object", "\"" + Narrow(message) + "\"");
}

}  // namespace

int main(int argc, char** argv)
{
    // The device lives no longer than this program, and never past its own limit.
    ChildProcess device;
    std::string error;
    const int port = StartListening(device, {Arg(argc, argv, "--node", "node"), Arg(argc, argv, "--device"),
                                             "--limit", "120"},
                                    Arg(argc, argv, "--log", "interop-device.log"), &error);
    if (!port || !OpenLink(port, &error))
        return g_tally.Abort("no device to talk to: " + error);
    if (Discovery()) {
        Reads();
        PollAndWrite();
        Writes();
        Delete();
    }
    device.Stop();
    return g_tally.Close();
}

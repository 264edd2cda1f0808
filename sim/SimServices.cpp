#include "SimServices.h"

#include <algorithm>
#include <cmath>

#include "SimSegmenter.h"
#include "SimTrendLog.h"
#include "service/ReadRangeService.h"
#include "service/SubscribeCOVService.h"

namespace bacnetsim {

namespace {

constexpr int kContext = CBACnetTag::CLASS_CONTEXT;
constexpr int kApplication = CBACnetTag::CLASS_APPLICATION;

// Octets of each max-APDU code of a request; codes above 5 are reserved.
constexpr int kMaxAPDUSizes[] = {50, 128, 206, 480, 1024, 1476};

std::vector<unsigned char> Octets(const Writer& w) { return w.Octets(); }

template <class Header>
void MakeHeader(Writer& w, Header& header)
{
    header.MakeFrame(w.Room(8), w.len);
}

std::vector<unsigned char> ComplexAck(unsigned char invokeID, unsigned char service, const Writer& params)
{
    CBACnetComplexAckPDU header;
    header.SetInvokeID(invokeID);
    header.SetServiceChoice(service);
    Writer w;
    MakeHeader(w, header);
    std::copy(params.Data(), params.Data() + params.len, w.Room(params.len) + w.len);
    w.len += params.len;
    return Octets(w);
}

std::vector<unsigned char> SimpleAck(unsigned char invokeID, unsigned char service)
{
    CBACnetSimpleAckPDU header;
    header.SetInvokeID(invokeID);
    header.SetServiceChoice(service);
    Writer w;
    MakeHeader(w, header);
    return Octets(w);
}

void EncodeError(Writer& w, const Status& s)
{
    EncodeValue(w, Value::Enumerated(s.errorClass));
    EncodeValue(w, Value::Enumerated(s.errorCode));
}

// An Error PDU; `params` writes what follows its header.
template <class Params>
std::vector<unsigned char> ErrorReply(unsigned char invokeID, unsigned char service, Params params)
{
    CBACnetErrorPDU header;
    header.SetInvokeID(invokeID);
    header.SetErrorCode(service);  // the service that failed
    Writer w;
    MakeHeader(w, header);
    params(w);
    return Octets(w);
}

std::vector<unsigned char> ErrorReply(unsigned char invokeID, unsigned char service, const Status& s)
{
    return ErrorReply(invokeID, service, [&](Writer& w) { EncodeError(w, s); });
}

std::vector<unsigned char> RejectReply(unsigned char invokeID, unsigned char reason)
{
    CBACnetRejectPDU header;
    header.SetInvokeID(invokeID);
    header.SetRejectCode(reason);
    Writer w;
    MakeHeader(w, header);
    return Octets(w);
}

std::string ObjectText(uint32_t id)
{
    return "(" + std::to_string(ObjectType(id)) + "," + std::to_string(ObjectInstance(id)) + ")";
}

std::string PropertyText(uint32_t property, uint32_t index)
{
    std::string text = std::to_string(property);
    if (index != kNoIndex)
        text += "[" + std::to_string(index) + "]";
    return text;
}

}  // namespace

// The parameters of one request, read in order through one bounded tag
// decoder. A failed step records the reject reason it calls for.
struct Services::Request {
    unsigned char* buf;
    int len;
    int end;
    CBACnetTag in;
    unsigned char reason = REJECT_INVALID_TAG;

    Request(unsigned char* b, int start, int stop) : buf(b), len(start), end(stop), in(stop) {}

    bool AtEnd() const { return len >= end; }
    bool FailAt(int at)
    {
        reason = at >= end ? REJECT_MISSING_REQUIRED_PARAMETER : REJECT_INVALID_TAG;
        return false;
    }
    // The next header is the primitive context tag `tag`.
    bool Next(int tag)
    {
        return PeekHeader(in, buf, len) && in.m_class == kContext && in.m_tagNumber == tag && !in.IsOpening() &&
               !in.IsClosing();
    }
    bool NextOpening(int tag) { return PeekHeader(in, buf, len) && in.IsOpening(tag); }
    bool NextClosing(int tag) { return NextIsClosing(in, buf, len, tag); }
    bool Opening(int tag)
    {
        const int at = len;
        return ExpectOpening(in, buf, len, tag) || FailAt(at);
    }
    bool Closing(int tag)
    {
        const int at = len;
        return ExpectClosing(in, buf, len, tag) || FailAt(at);
    }
    bool ObjectID(int tag, uint32_t& out)
    {
        const int at = len;
        return bacnetsim::ReadObjectID(in, buf, len, kContext, tag, out) || FailAt(at);
    }
    bool AppObjectID(uint32_t& out)
    {
        const int at = len;
        return bacnetsim::ReadObjectID(in, buf, len, kApplication, CBACnetTag::TYPE_OBJECT_ID, out) || FailAt(at);
    }
    bool Unsigned(int tag, uint32_t& out)
    {
        const int at = len;
        return ReadContextUnsigned(in, buf, len, tag, out) || FailAt(at);
    }
    bool Optional(int tag, uint32_t& out) { return !Next(tag) || Unsigned(tag, out); }
    bool Text(int tag, std::string& out)
    {
        const int at = len;
        return (in.ReadHeaderFrame(buf, len) && in.m_class == kContext && in.m_tagNumber == tag && !in.IsOpening() &&
                !in.IsClosing() && ReadTextContent(in, buf, len, out)) ||
               FailAt(at);
    }
    bool AppValue(unsigned char type, Value& out)
    {
        const int at = len;
        return (DecodeValue(in, buf, len, out) && out.type == type) || FailAt(at);
    }
    // A constructed value in tag `tag`: its content is buf[start, stop).
    bool Constructed(int tag, int& start, int& stop)
    {
        const int at = len;
        if (!ExpectOpening(in, buf, len, tag))
            return FailAt(at);
        start = len;
        if (!SkipConstructed(in, buf, len, tag))
            return FailAt(at);
        stop = len - (tag < 15 ? 1 : 2);
        return true;
    }
    bool Finish()
    {
        if (len == end)
            return true;
        reason = REJECT_TOO_MANY_ARGUMENTS;
        return false;
    }
};

Delivery Plan(const Outcome& outcome)
{
    Delivery d;
    d.limit = std::min<int>(outcome.maxAPDU, DeviceObject::kMaxAPDU);
    const size_t size = outcome.apdu.size();
    if (!outcome.complexAck || size <= static_cast<size_t>(d.limit))
        return d;
    // The Complex-ACK header is three octets; its parameters are what gets cut.
    d.segments = Segmenter::SegmentsFor(size - 3, d.limit);
    if (!outcome.segmentationAccepted) {
        d.kind = Delivery::ABORT;
        d.reason = ABORT_SEGMENTATION_NOT_SUPPORTED;
    } else if (d.segments > kMaxSequence || (outcome.maxSegments && d.segments > outcome.maxSegments)) {
        d.kind = Delivery::ABORT;
        d.reason = ABORT_BUFFER_OVERFLOW;
    } else {
        d.kind = Delivery::SEGMENTED;
    }
    return d;
}

Services::Services(Database& db) : m_db(db), m_headers{}, m_cov(db.DeviceID())
{
    m_headers[0] = &m_confirmedHeader;
    m_headers[1] = &m_unconfirmedHeader;
    m_headers[2] = &m_simpleAckHeader;
    m_headers[4] = &m_segmentAckHeader;
    m_headers[5] = &m_errorHeader;
    m_headers[6] = &m_rejectHeader;
    m_headers[7] = &m_abortHeader;
}

std::vector<Outgoing> Services::TakeOutgoing()
{
    std::vector<Outgoing> out;
    m_db.Tick();
    m_cov.Step(m_db, m_db.Uptime(), out);
    return out;
}

Outcome Services::Handle(unsigned char* buf, int start, int end, const Peer& from)
{
    Outcome out;
    int len = start;
    m_from = from;
    CBACnetPDU* pdu = CBACnetPDU::GetReceiveDataAnyService(m_headers, buf, len, end);
    // A subscriber's answer to a confirmed notification.
    unsigned char answered = 0;
    const char* answer = nullptr;
    if (pdu == &m_simpleAckHeader) {
        answered = m_simpleAckHeader.GetInvokeID();
        answer = "Simple-ACK";
    } else if (pdu == &m_errorHeader) {
        answered = m_errorHeader.GetInvokeID();
        answer = "Error";
    } else if (pdu == &m_rejectHeader) {
        answered = m_rejectHeader.GetInvokeID();
        answer = "Reject";
    } else if (pdu == &m_abortHeader && (pdu->m_firstOctet & CBACnetPDU::BIT_SRV)) {
        answered = m_abortHeader.GetInvokeID();
        answer = "Abort";
    }
    if (answer) {
        if (m_cov.Answered(from, answered))
            out.what = std::string(answer) + " to notification " + std::to_string(answered);
        return out;
    }
    if (pdu == &m_confirmedHeader) {
        Confirmed(buf, len, end, out);
    } else if (pdu == &m_unconfirmedHeader) {
        Unconfirmed(buf, len, end, m_unconfirmedHeader.GetServiceChoice(), out);
    } else if (pdu == &m_segmentAckHeader) {
        if (!(pdu->m_firstOctet & CBACnetPDU::BIT_SRV)) {  // from a client
            out.kind = Outcome::SEGMENT_ACK;
            out.invokeID = m_segmentAckHeader.GetInvokeID();
            out.sequence = m_segmentAckHeader.GetSequenceNo();
            out.window = m_segmentAckHeader.GetWindowSize();
            out.what = "Segment-ACK " + std::to_string(out.sequence);
        }
    } else if (pdu == &m_abortHeader) {
        if (!(pdu->m_firstOctet & CBACnetPDU::BIT_SRV)) {
            out.kind = Outcome::CLIENT_ABORT;
            out.invokeID = m_abortHeader.GetInvokeID();
            out.what = "Abort";
        }
    } else {
        // The header reader refuses service choices it does not know; such
        // a confirmed request still deserves its Reject.
        CBACnetTag in(end);
        unsigned char first, invokeID, choice;
        int at = start;
        // Unconfirmed services past the reader's table: UTC time synchronisation.
        if (in.ReadOctet(buf, at, first) && (first >> 4) == 1 && in.ReadOctet(buf, at, choice)) {
            Unconfirmed(buf, at, end, choice, out);
            return out;
        }
        at = start;
        if (in.ReadOctet(buf, at, first) && (first >> 4) == 0 && in.SkipOctets(at, 1) &&
            in.ReadOctet(buf, at, invokeID) && in.SkipOctets(at, (first & CBACnetPDU::BIT_SEG) ? 2 : 0) &&
            in.ReadOctet(buf, at, choice)) {
            out.kind = Outcome::REPLY;
            out.confirmed = true;
            out.invokeID = invokeID;
            out.serviceChoice = choice;
            out.what = "confirmed service " + std::to_string(choice);
            out.apdu = RejectReply(invokeID, REJECT_UNRECOGNIZED_SERVICE);
        }
    }
    return out;
}

void Services::Confirmed(unsigned char* buf, int len, int end, Outcome& out)
{
    CBACnetConfirmReqPDU& h = m_confirmedHeader;
    static const int kMaxSegments[] = {0, 2, 4, 8, 16, 32, 64, 0};
    out.kind = Outcome::REPLY;
    out.confirmed = true;
    out.invokeID = h.GetInvokeID();
    out.serviceChoice = h.GetServiceChoice();
    out.segmentationAccepted = (h.m_firstOctet & CBACnetPDU::BIT_SA) != 0;
    const int code = h.m_maxAPDU & 0x0F;
    out.maxAPDU = code < 6 ? kMaxAPDUSizes[code] : kMaxAPDUSizes[5];
    out.maxSegments = kMaxSegments[(h.m_maxAPDU >> 4) & 7];
    out.what = "confirmed service " + std::to_string(out.serviceChoice);
    if (h.GetSegMsgType()) {
        out.what += ", segmented";
        out.apdu = AbortApdu(out.invokeID, ABORT_SEGMENTATION_NOT_SUPPORTED);
        return;
    }
    Request r(buf, len, end);
    switch (out.serviceChoice) {
    case SERVICE_READ_PROPERTY:
        ReadProperty(r, out);
        break;
    case SERVICE_READ_PROPERTY_MULTIPLE:
        ReadPropertyMultiple(r, out);
        break;
    case SERVICE_WRITE_PROPERTY:
        WriteProperty(r, out);
        break;
    case SERVICE_WRITE_PROPERTY_MULTIPLE:
        WritePropertyMultiple(r, out);
        break;
    case SERVICE_CREATE_OBJECT:
        CreateObject(r, out);
        break;
    case SERVICE_DELETE_OBJECT:
        DeleteObject(r, out);
        break;
    case SERVICE_SUBSCRIBE_COV:
    case SERVICE_SUBSCRIBE_COV_PROPERTY:
        SubscribeCOV(r, out, out.serviceChoice == SERVICE_SUBSCRIBE_COV_PROPERTY);
        break;
    case SERVICE_READ_RANGE:
        ReadRange(r, out);
        break;
    default:
        out.apdu = RejectReply(out.invokeID, REJECT_UNRECOGNIZED_SERVICE);
        break;
    }
}

void Services::Unconfirmed(unsigned char* buf, int len, int end, unsigned char choice, Outcome& out)
{
    Request r(buf, len, end);
    switch (choice) {
    case SERVICE_WHO_IS:
        WhoIs(r, out);
        break;
    case SERVICE_WHO_HAS:
        WhoHas(r, out);
        break;
    case SERVICE_TIME_SYNCHRONIZATION:
    case SERVICE_UTC_TIME_SYNCHRONIZATION:
        TimeSynchronization(r, out, choice == SERVICE_UTC_TIME_SYNCHRONIZATION);
        break;
    default:
        break;  // I-Am and I-Have of other devices, and the rest: nothing to say
    }
}

void Services::ReadProperty(Request& r, Outcome& out)
{
    uint32_t id, property, index = kNoIndex;
    if (!(r.ObjectID(0, id) && r.Unsigned(1, property) && r.Optional(2, index) && r.Finish())) {
        out.apdu = RejectReply(out.invokeID, r.reason);
        return;
    }
    out.what = "ReadProperty " + ObjectText(id) + " " + PropertyText(property, index);
    id = Resolve(id);  // the reply names the device itself
    const SimObject* object = m_db.Find(id);
    if (!object) {
        out.apdu = ErrorReply(out.invokeID, out.serviceChoice, Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT));
        return;
    }
    Writer w;
    EncodeObjectID(w, kContext, 0, id);
    EncodeUnsigned(w, kContext, 1, property);
    if (index != kNoIndex)
        EncodeUnsigned(w, kContext, 2, index);
    EncodeOpening(w, 3);
    const Status s = object->Read(m_db, property, index, w);
    if (!s.ok) {
        out.apdu = ErrorReply(out.invokeID, out.serviceChoice, s);
        return;
    }
    EncodeClosing(w, 3);
    out.apdu = ComplexAck(out.invokeID, out.serviceChoice, w);
    out.complexAck = true;
}

void Services::AppendResult(Writer& w, const SimObject* object, uint32_t property, uint32_t index)
{
    EncodeUnsigned(w, kContext, 2, property);
    if (index != kNoIndex)
        EncodeUnsigned(w, kContext, 3, index);
    const int mark = w.len;
    Status s = Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT);
    if (object) {
        EncodeOpening(w, 4);
        s = object->Read(m_db, property, index, w);
    }
    if (s.ok) {
        EncodeClosing(w, 4);
    } else {
        w.len = mark;  // whatever the failed read wrote is dropped
        EncodeOpening(w, 5);
        EncodeError(w, s);
        EncodeClosing(w, 5);
    }
}

void Services::ReadPropertyMultiple(Request& r, Outcome& out)
{
    Writer w;
    int specifications = 0;
    do {
        uint32_t id;
        if (!r.ObjectID(0, id) || !r.Opening(1)) {
            out.apdu = RejectReply(out.invokeID, r.reason);
            return;
        }
        specifications++;
        id = Resolve(id);
        const SimObject* object = m_db.Find(id);
        EncodeObjectID(w, kContext, 0, id);
        EncodeOpening(w, 1);
        do {
            uint32_t property, index = kNoIndex;
            if (!r.Unsigned(0, property) || !r.Optional(1, index)) {
                out.apdu = RejectReply(out.invokeID, r.reason);
                return;
            }
            const bool all = property == PROP_ALL, required = property == PROP_REQUIRED,
                       optional = property == PROP_OPTIONAL;
            if (object && (all || required || optional)) {
                // Property-list is never among them: it would only repeat what they give.
                const SimObject::PropertyTable t = object->Properties();
                for (size_t i = 0; i < t.count; i++)
                    if (t.list[i] != PROP_PROPERTY_LIST && (all || (i >= t.required) == optional))
                        AppendResult(w, object, t.list[i], kNoIndex);
            } else {
                AppendResult(w, object, property, index);
            }
        } while (!r.NextClosing(1));
        if (!r.Closing(1)) {
            out.apdu = RejectReply(out.invokeID, r.reason);
            return;
        }
        EncodeClosing(w, 1);
    } while (!r.AtEnd());
    out.what = "ReadPropertyMultiple, " + std::to_string(specifications) + " objects";
    out.apdu = ComplexAck(out.invokeID, out.serviceChoice, w);
    out.complexAck = true;
}

void Services::WriteProperty(Request& r, Outcome& out)
{
    uint32_t id, property, index = kNoIndex, priority = 16;
    int start, stop;
    if (!(r.ObjectID(0, id) && r.Unsigned(1, property) && r.Optional(2, index) && r.Constructed(3, start, stop) &&
          r.Optional(4, priority) && r.Finish())) {
        out.apdu = RejectReply(out.invokeID, r.reason);
        return;
    }
    out.what = "WriteProperty " + ObjectText(id) + " " + PropertyText(property, index) + " priority " +
               std::to_string(priority);
    if (priority < 1 || priority > 16) {
        out.apdu = RejectReply(out.invokeID, REJECT_PARAMETER_OUT_OF_RANGE);
        return;
    }
    SimObject* object = m_db.Find(id);
    const Status s = object ? object->Write(m_db, property, index, WriteData{r.buf, start, stop, priority})
                            : Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT);
    out.apdu = s.ok ? SimpleAck(out.invokeID, out.serviceChoice) : ErrorReply(out.invokeID, out.serviceChoice, s);
}

void Services::WritePropertyMultiple(Request& r, Outcome& out)
{
    struct Write {
        uint32_t id, property, index;
        WriteData data;
    };
    std::vector<Write> writes;
    // The whole request is read before anything is written: a malformed
    // one changes nothing.
    do {
        uint32_t id;
        if (!r.ObjectID(0, id) || !r.Opening(1)) {
            out.apdu = RejectReply(out.invokeID, r.reason);
            return;
        }
        do {
            Write write{id, 0, kNoIndex, {r.buf, 0, 0, 16}};
            uint32_t priority = 16;
            if (!(r.Unsigned(0, write.property) && r.Optional(1, write.index) &&
                  r.Constructed(2, write.data.start, write.data.end) && r.Optional(3, priority))) {
                out.apdu = RejectReply(out.invokeID, r.reason);
                return;
            }
            if (priority < 1 || priority > 16) {
                out.apdu = RejectReply(out.invokeID, REJECT_PARAMETER_OUT_OF_RANGE);
                return;
            }
            write.data.priority = priority;
            writes.push_back(write);
        } while (!r.NextClosing(1));
        if (!r.Closing(1)) {
            out.apdu = RejectReply(out.invokeID, r.reason);
            return;
        }
    } while (!r.AtEnd());
    out.what = "WritePropertyMultiple, " + std::to_string(writes.size()) + " properties";
    // Written in order up to the first failure, which the error names.
    for (const Write& write : writes) {
        SimObject* object = m_db.Find(write.id);
        const Status s = object ? object->Write(m_db, write.property, write.index, write.data)
                                : Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT);
        if (!s.ok) {
            out.apdu = ErrorReply(out.invokeID, out.serviceChoice, [&](Writer& w) {
                EncodeOpening(w, 0);
                EncodeError(w, s);
                EncodeClosing(w, 0);
                EncodeOpening(w, 1);  // the first failed write
                EncodeObjectID(w, kContext, 0, write.id);
                EncodeUnsigned(w, kContext, 1, write.property);
                if (write.index != kNoIndex)
                    EncodeUnsigned(w, kContext, 2, write.index);
                EncodeClosing(w, 1);
            });
            return;
        }
    }
    out.apdu = SimpleAck(out.invokeID, out.serviceChoice);
}

void Services::CreateObject(Request& r, Outcome& out)
{
    struct Initial {
        uint32_t property, index;
        WriteData data;
    };
    uint32_t type = 0, id = 0;
    bool withInstance = false;
    std::vector<Initial> initial;
    bool ok = r.Opening(0);
    if (ok && r.Next(0)) {
        ok = r.Unsigned(0, type);
    } else if (ok) {
        ok = r.ObjectID(1, id);
        type = ObjectType(id);
        withInstance = true;
    }
    ok = ok && r.Closing(0);
    if (ok && r.NextOpening(1)) {
        ok = r.Opening(1);
        while (ok && !r.NextClosing(1)) {
            Initial value{0, kNoIndex, {r.buf, 0, 0, 16}};
            uint32_t priority = 16;
            ok = r.Unsigned(0, value.property) && r.Optional(1, value.index) &&
                 r.Constructed(2, value.data.start, value.data.end) && r.Optional(3, priority);
            value.data.priority = priority;
            initial.push_back(value);
        }
        ok = ok && r.Closing(1);
    }
    if (!(ok && r.Finish())) {
        out.apdu = RejectReply(out.invokeID, r.reason);
        return;
    }
    out.what = "CreateObject type " + std::to_string(type) + (withInstance ? " " + ObjectText(id) : "");
    // The error names the initial value that failed, 0 for the creation itself.
    auto fail = [&](const Status& s, uint32_t element) {
        out.apdu = ErrorReply(out.invokeID, out.serviceChoice, [&](Writer& w) {
            EncodeOpening(w, 0);
            EncodeError(w, s);
            EncodeClosing(w, 0);
            EncodeUnsigned(w, kContext, 1, element);
        });
    };
    uint32_t created;
    Status s = m_db.Create(type, withInstance, ObjectInstance(id), created);
    if (!s.ok) {
        fail(s, 0);
        return;
    }
    for (size_t i = 0; i < initial.size(); i++) {
        s = m_db.Find(created)->Write(m_db, initial[i].property, initial[i].index, initial[i].data);
        if (!s.ok) {
            m_db.Delete(created);
            fail(s, static_cast<uint32_t>(i + 1));
            return;
        }
    }
    Writer w;
    EncodeObjectID(w, kApplication, CBACnetTag::TYPE_OBJECT_ID, created);
    out.apdu = ComplexAck(out.invokeID, out.serviceChoice, w);
    out.complexAck = true;
}

void Services::DeleteObject(Request& r, Outcome& out)
{
    uint32_t id;
    if (!(r.AppObjectID(id) && r.Finish())) {
        out.apdu = RejectReply(out.invokeID, r.reason);
        return;
    }
    out.what = "DeleteObject " + ObjectText(id);
    const Status s = m_db.Delete(id);
    out.apdu = s.ok ? SimpleAck(out.invokeID, out.serviceChoice) : ErrorReply(out.invokeID, out.serviceChoice, s);
}

void Services::WhoIs(Request& r, Outcome& out)
{
    const uint32_t instance = ObjectInstance(m_db.DeviceID());
    uint32_t low = 0, high = 0x3FFFFF;
    if (!r.AtEnd() && !(r.Unsigned(0, low) && r.Unsigned(1, high) && r.Finish()))
        return;  // a malformed broadcast is not answered
    out.what = "Who-Is " + std::to_string(low) + "-" + std::to_string(high);
    if (instance < low || instance > high)
        return;
    CBACnetUnconfirmReqPDU header;
    header.SetServiceChoice(SERVICE_I_AM);
    Writer w;
    MakeHeader(w, header);
    EncodeObjectID(w, kApplication, CBACnetTag::TYPE_OBJECT_ID, m_db.DeviceID());
    EncodeUnsigned(w, kApplication, CBACnetTag::TYPE_UNSIGNED, DeviceObject::kMaxAPDU);
    EncodeValue(w, Value::Enumerated(DeviceObject::kSegmentation));
    EncodeUnsigned(w, kApplication, CBACnetTag::TYPE_UNSIGNED, DeviceObject::kVendorID);
    out.kind = Outcome::REPLY;
    out.apdu = Octets(w);
}

void Services::WhoHas(Request& r, Outcome& out)
{
    const uint32_t instance = ObjectInstance(m_db.DeviceID());
    uint32_t low = 0, high = 0x3FFFFF, id = 0;
    std::string name;
    if (r.Next(0) && !(r.Unsigned(0, low) && r.Unsigned(1, high)))
        return;
    const SimObject* object = nullptr;
    if (r.Next(2)) {
        if (!r.ObjectID(2, id))
            return;
        object = m_db.Find(id);
    } else {
        if (!r.Text(3, name))
            return;
        object = m_db.FindByName(name);
    }
    if (!r.Finish())
        return;
    out.what = "Who-Has " + (name.empty() ? ObjectText(id) : "\"" + name + "\"");
    if (!object || instance < low || instance > high)
        return;
    CBACnetUnconfirmReqPDU header;
    header.SetServiceChoice(SERVICE_I_HAVE);
    Writer w;
    MakeHeader(w, header);
    EncodeObjectID(w, kApplication, CBACnetTag::TYPE_OBJECT_ID, m_db.DeviceID());
    EncodeObjectID(w, kApplication, CBACnetTag::TYPE_OBJECT_ID, object->Id());
    EncodeValue(w, Value::String(object->Name()));
    out.kind = Outcome::REPLY;
    out.apdu = Octets(w);
}

void Services::TimeSynchronization(Request& r, Outcome& out, bool utc)
{
    Value date, time;
    if (!(r.AppValue(CBACnetTag::TYPE_DATE, date) && r.AppValue(CBACnetTag::TYPE_TIME, time) && r.Finish()))
        return;
    out.what = utc ? "UTCTimeSynchronization" : "TimeSynchronization";
    m_db.SetClock(date.u, time.u, utc);
}

void Services::SubscribeCOV(Request& r, Outcome& out, bool byProperty)
{
    CBACnetSubscribeCOVPropertyService request;
    int len = r.len;
    const int ok = byProperty ? request.ReadFrame(r.buf, len, r.end)
                              : request.CBACnetSubscribeCOVService::ReadFrame(r.buf, len, r.end);
    if (!ok) {
        out.apdu = RejectReply(out.invokeID, len >= r.end ? REJECT_MISSING_REQUIRED_PARAMETER : REJECT_INVALID_TAG);
        return;
    }
    Subscription s;
    s.peer = m_from;
    s.processID = request.m_processID;
    s.objectID = request.m_objectID.GetValue();
    s.byProperty = byProperty;
    if (byProperty) {
        s.propertyID = request.m_propertyID;
        s.index = request.m_arrayIndex;
        s.hasIncrement = request.m_hasIncrement != 0;
        s.increment = request.m_covIncrement;
    }
    s.confirmed = request.m_issueConfirmed != 0;
    s.lifetime = request.m_lifetime;
    out.what = std::string(byProperty ? "SubscribeCOVProperty " : "SubscribeCOV ") + ObjectText(s.objectID) +
               (byProperty ? " " + PropertyText(s.propertyID, s.index) : "") +
               (request.m_cancel ? ", cancelled"
                                 : (s.confirmed ? ", confirmed" : ", unconfirmed") +
                                       std::string(", lifetime ") + std::to_string(s.lifetime));
    const SimObject* object = m_db.Find(s.objectID);
    Status status;
    Value value;
    if (!object)
        status = Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT);
    else if (!object->ReportsChanges())
        status = Status::Fail(CLASS_OBJECT, CODE_OPTIONAL_FUNCTIONALITY_NOT_SUPPORTED);
    else if (byProperty && !request.m_cancel)
        status = object->ReadValue(m_db, s.propertyID, s.index, value);
    if (status.ok && byProperty && s.hasIncrement && !(s.increment >= 0 && std::isfinite(s.increment)))
        status = Status::Fail(CLASS_PROPERTY, CODE_VALUE_OUT_OF_RANGE);
    if (status.ok && request.m_cancel)
        m_cov.Cancel(s);
    else if (status.ok)
        status = m_cov.Subscribe(s, m_db.Uptime());
    out.apdu = status.ok ? SimpleAck(out.invokeID, out.serviceChoice) : ErrorReply(out.invokeID, out.serviceChoice, status);
}

void Services::ReadRange(Request& r, Outcome& out)
{
    CBACnetReadRangeService request;
    int len = r.len;
    if (!request.ReadRequestFrame(r.buf, len, r.end)) {
        out.apdu = RejectReply(out.invokeID, len >= r.end ? REJECT_MISSING_REQUIRED_PARAMETER : REJECT_INVALID_TAG);
        return;
    }
    const uint32_t id = Resolve(request.m_objectID.GetValue());
    out.what = "ReadRange " + ObjectText(id) + " " + PropertyText(request.m_propertyID, request.m_arrayIndex);
    m_db.Tick();  // the log as of now
    const SimObject* object = m_db.Find(id);
    const TrendLogObject* log = object && object->Type() == OBJ_TREND_LOG ? static_cast<const TrendLogObject*>(object)
                                                                          : nullptr;
    Status s;
    if (!object)
        s = Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT);
    else if (!object->Has(request.m_propertyID))
        s = Status::Fail(CLASS_PROPERTY, CODE_UNKNOWN_PROPERTY);
    else if (!log || request.m_propertyID != PROP_LOG_BUFFER)
        s = Status::Fail(CLASS_PROPERTY, CODE_PROPERTY_IS_NOT_A_LIST);
    else if (request.m_arrayIndex != CBACnetReadRangeService::NO_ARRAY_INDEX)
        s = Status::Fail(CLASS_PROPERTY, CODE_PROPERTY_IS_NOT_AN_ARRAY);
    if (!s.ok) {
        out.apdu = ErrorReply(out.invokeID, out.serviceChoice, s);
        return;
    }
    // The reply is never segmented: it carries what fits the requester's
    // max APDU and says there is more.
    const int room = std::min<int>(out.maxAPDU, DeviceObject::kMaxAPDU) - 3;
    request.m_objectID.SetValue(id);
    if (!log->Select(request, room)) {
        out.apdu = RejectReply(out.invokeID, REJECT_PARAMETER_OUT_OF_RANGE);
        return;
    }
    Writer w;
    request.MakeAckFrame(w.Room(room), w.len, room);
    out.what += ", " + std::to_string(request.m_itemCount) + " records";
    out.apdu = ComplexAck(out.invokeID, out.serviceChoice, w);
    out.complexAck = true;
}

uint32_t Services::Resolve(uint32_t id) const
{
    return id == MakeObjectID(OBJ_DEVICE, 0x3FFFFF) ? m_db.DeviceID() : id;
}

}  // namespace bacnetsim

// The simulated device's request handling, fed whole APDUs with no socket.
// The input is a run of requests, each a length octet and that many octets
// (the last takes what is left), handled in order by one fresh device, so
// writes, creations and deletions carry into the requests after them.
//
// The device's clock is held and moves 2 s after each request; what the
// device then sends on its own (change-of-value notifications) is taken
// too, so subscriptions, their expiry and confirmed resends are reached.
//
// Beyond memory faults, each reply is checked: a confirmed request gets a
// reply that names its invoke ID (and service, where the PDU carries one), a
// Complex-ACK's parameters are well-formed tags to their last octet, and a
// reply sent in segments, every segment acknowledged, puts back together
// into exactly the reply, each segment within the requester's max APDU. A
// ReadRange acknowledgement fits that max APDU unsegmented and decodes with
// the library's decoder, and so does every notification.
#include <cstdlib>
#include <memory>

#include "FuzzInput.h"
#include "SimDatabase.h"
#include "SimSegmenter.h"
#include "SimServices.h"
#include "service/COVNotifyService.h"
#include "service/ReadRangeService.h"

using namespace bacnetsim;

namespace {

void Check(bool ok)
{
    if (!ok)
        abort();
}

// Tags from `start` to the end, opening and closing tags paired.
void CheckTags(const std::vector<unsigned char>& apdu, size_t start)
{
    fuzz::Input params(apdu.data() + start, apdu.size() - start);
    params.Rest();
    CBACnetTag in(params.end());
    int len = 0;
    Check(SkipTagged(in, params.buf(), len) != 0);
}

// Sends the reply in segments, acknowledging each as a requester would,
// and checks what arrives.
void CheckSegments(const Outcome& outcome, const Delivery& d)
{
    std::vector<std::vector<unsigned char>> sent;
    Segmenter segmenter([&](const Peer&, const std::vector<unsigned char>& apdu) { sent.push_back(apdu); }, nullptr);
    const Peer peer;
    const auto now = Segmenter::Clock::now();
    segmenter.Start(peer, outcome.invokeID, outcome.serviceChoice,
                    std::vector<unsigned char>(outcome.apdu.begin() + 3, outcome.apdu.end()), d.limit, 0, now);
    std::vector<unsigned char> whole = {0x30, outcome.invokeID, outcome.serviceChoice};
    // Each window is acknowledged by its last segment, the reply by its last.
    for (size_t i = 0; i < sent.size(); i++) {
        const std::vector<unsigned char> segment = sent[i];
        Check(segment.size() >= 5 && segment.size() <= static_cast<size_t>(d.limit));
        Check((segment[0] & 0xF8) == 0x38 && segment[1] == outcome.invokeID && segment[2] == i);
        whole.insert(whole.end(), segment.begin() + 5, segment.end());
        Check((segment[0] & CBACnetPDU::BIT_MOR) != 0 || i + 1 == sent.size());
        if (i + 1 == sent.size())
            segmenter.OnSegmentAck(peer, outcome.invokeID, segment[2], 16, now);
    }
    Check(static_cast<int>(sent.size()) == d.segments);
    Check(whole == outcome.apdu);
    Check(segmenter.Pending() == 0);
}

void CheckReply(const Outcome& outcome)
{
    if (outcome.kind != Outcome::REPLY || !outcome.confirmed)
        return;
    const std::vector<unsigned char>& apdu = outcome.apdu;
    Check(apdu.size() >= 3 && apdu[1] == outcome.invokeID);
    const int type = apdu[0] >> 4;
    Check(type == 2 || type == 3 || type == 5 || type == 6 || type == 7);
    if (type == 2 || type == 3 || type == 5)
        Check(apdu[2] == outcome.serviceChoice);
    if (type == 3)
        CheckTags(apdu, 3);
    if (type == 3 && apdu[2] == CBACnetReadRangeService::SERVICE_CHOICE) {
        Check(apdu.size() <= static_cast<size_t>(std::min(outcome.maxAPDU, 1476)));
        fuzz::Input params(apdu.data() + 3, apdu.size() - 3);
        params.Rest();
        CBACnetReadRangeService ack;
        int len = 0;
        Check(ack.ReadFrame(params.buf(), len, params.end()) && len == params.end());
    }
    if (type == 5)
        CheckTags(apdu, 3);
    const Delivery d = Plan(outcome);
    if (d.kind == Delivery::SEGMENTED)
        CheckSegments(outcome, d);
}

// A notification: its header, and parameters the library decodes to the end.
void CheckNotification(const Outgoing& o)
{
    const std::vector<unsigned char>& apdu = o.apdu;
    const bool confirmed = apdu.size() > 4 && apdu[0] == 0x00 && apdu[3] == 1;
    Check(confirmed || (apdu.size() > 2 && apdu[0] == 0x10 && apdu[1] == 2));
    const size_t start = confirmed ? 4 : 2;
    fuzz::Input params(apdu.data() + start, apdu.size() - start);
    params.Rest();
    CBACnetCOVNotification notification;
    int len = 0;
    Check(notification.ReadParamsFrame(params.buf(), len, params.end()) && len == params.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Database db(1234, 0);
    db.HoldClock();
    Services services(db);
    Peer peer;
    peer.endpoint = bacnet::Endpoint::Loopback(47808);
    while (size > 0) {
        const size_t n = std::min<size_t>(data[0], size - 1);
        fuzz::Input request(data + 1, n);
        request.Rest();
        const Outcome outcome = services.Handle(request.buf(), 0, request.end(), peer);
        CheckReply(outcome);
        db.Advance(2);
        for (const Outgoing& o : services.TakeOutgoing())
            CheckNotification(o);
        data += n + 1;
        size -= n + 1;
    }
    return 0;
}

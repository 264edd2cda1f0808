// The simulated device's request handling, fed whole APDUs with no socket.
// The input is a run of requests, each a length octet and that many octets
// (the last takes what is left), handled in order by one fresh device, so
// writes, creations and deletions carry into the requests after them.
//
// Beyond memory faults, each reply is checked: a confirmed request gets a
// reply that names its invoke ID (and service, where the PDU carries one), a
// Complex-ACK's parameters are well-formed tags to their last octet, and a
// reply sent in segments, every segment acknowledged, puts back together
// into exactly the reply, each segment within the requester's max APDU.
#include <cstdlib>
#include <memory>

#include "FuzzInput.h"
#include "SimDatabase.h"
#include "SimSegmenter.h"
#include "SimServices.h"

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
    if (type == 5)
        CheckTags(apdu, 3);
    const Delivery d = Plan(outcome);
    if (d.kind == Delivery::SEGMENTED)
        CheckSegments(outcome, d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Database db(1234, 0);
    Services services(db);
    while (size > 0) {
        const size_t n = std::min<size_t>(data[0], size - 1);
        fuzz::Input request(data + 1, n);
        request.Rest();
        const Outcome outcome = services.Handle(request.buf(), 0, request.end());
        CheckReply(outcome);
        data += n + 1;
        size -= n + 1;
    }
    return 0;
}

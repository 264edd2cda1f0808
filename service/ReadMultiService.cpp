#include "service/ReadMultiService.h"

#include <algorithm>
#include <cstring>

#include "frame/Tag.h"
#include "host/Arrays.h"
#include "object/OBJ.h"
#include "object/ObjTypes.h"

namespace {

// The largest max-APDU code's size: the limit MakeBodyFrame tests against
// can exceed the record's m_maxAPDU (1476 against the default 1400).
constexpr int kLargestStandardAPDU = 1476;
// The longest read access specification: identifier (5), opening tag,
// two-octet property identifier (3), two-octet array index (3), closing tag.
constexpr int kLargestEntry = 13;
// Room past the limit: the header is written before any test, and an entry
// is appended before the size test.
constexpr int kSlack = 64;
// Nesting a read access result may hold when it is stepped over: the
// result's list, the value and what a constructed value nests.
constexpr int kMaxResultDepth = 16;

// Steps over one read access result by its tags: the object identifier,
// then everything up to the closing tag 1 that matches its opening tag 1.
int SkipResult(CBACnetTag& tag, unsigned char* buf, int& len)
{
    if (!tag.ReadHeaderFrame(buf, len))
        return 0;
    if (tag.IsOpening() || tag.IsClosing())
        return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
    if (!tag.SkipContent(len) || !tag.ReadHeaderFrame(buf, len))
        return 0;
    if (!tag.IsOpening(1))
        return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
    unsigned char open[kMaxResultDepth];
    int depth = 0;
    open[depth++] = 1;
    while (depth > 0) {
        if (!tag.ReadHeaderFrame(buf, len))
            return 0;
        if (tag.IsOpening()) {
            if (depth == kMaxResultDepth)
                return tag.Refuse(CBACnetTag::REFUSAL_TOO_DEEP);
            open[depth++] = tag.m_tagNumber;
        } else if (tag.IsClosing()) {
            if (tag.m_tagNumber != open[--depth])
                return tag.Refuse(CBACnetTag::REFUSAL_UNEXPECTED_OCTET);
        } else if (!tag.SkipContent(len)) {
            return 0;
        }
    }
    return 1;
}

}  // namespace

CBACnetReadMultiService::CBACnetReadMultiService()
{
    Start(0);
}

CBACnetReadMultiService::CBACnetReadMultiService(int first)
{
    Start(first);
}

void CBACnetReadMultiService::Start(int first)
{
    m_frame = nullptr;
    m_frameLength = 0;
    m_frameSize = 0;
    m_decoded = 0;
    m_invokeID = NextInvokeID();
    m_first = first;
    m_last = first;
}

CBACnetReadMultiService::~CBACnetReadMultiService()
{
    delete[] m_frame;
    m_frame = nullptr;
}

unsigned char CBACnetReadMultiService::MakeSchedueHeader(unsigned char* buf, int& len, CBACnetOBJ* obj)
{
    memset(buf, 0, obj->m_maxAPDU);
    MakeRequestHeader(buf, len, obj, m_invokeID, SERVICE_CHOICE, true);
    return m_invokeID;
}

void CBACnetReadMultiService::MakeHeaderFrame(int& len, CBACnetOBJ* obj, int index)
{
    // A second header on the same object replaces the first buffer.
    delete[] m_frame;
    m_frame = nullptr;
    m_frameSize = std::max<int>(obj->m_maxAPDU, kLargestStandardAPDU) + kSlack;
    m_frame = new unsigned char[m_frameSize]();
    MakeRequestHeader(m_frame, len, obj, m_invokeID, SERVICE_CHOICE, true);
    m_frameLength = len;
    m_last = index;
}

int CBACnetReadMultiService::MakeBodyFrame(int& len, CBACnetObjTypes* entry, int index)
{
    if (m_frame == nullptr || len < 0 || len > m_frameSize - kLargestEntry)
        return 0;
    entry->MakeFrameToMulti(m_frame, len);
    m_frameLength = len;
    m_last = index;
    const int limit = m_applicationHeader.GetMaxAPDU();
    if (len + 8 >= limit)
        return 0;
    // Room for the acknowledgement: 27 octets plus 16 per entry and one more.
    return (m_last - m_first + 2) * 16 + 27 < limit ? 1 : 0;
}

int CBACnetReadMultiService::ReadBodyFrame(unsigned char* buf, int end, CPtrArray& array)
{
    int len = 0;
    m_decoded = 0;
    int lost = CBACnetTag::REFUSAL_NONE;  // why the next result cannot be found
    for (int i = m_first; i <= m_last; i++) {
        if (i >= array.GetSize())
            return 0;
        auto* entry = static_cast<CBACnetObjTypes*>(array.GetAt(i));
        if (lost != CBACnetTag::REFUSAL_NONE) {
            entry->m_result = CBACnetObjTypes::RESULT_REFUSED;
            entry->m_refusal = lost;
            continue;
        }
        const int start = len;
        if (entry->ReadFrameToMulti(buf, len, end)) {
            m_decoded++;
            continue;
        }
        // One odd result must not blind the rest of the poll.
        len = start;
        CBACnetTag tag(end);
        if (!SkipResult(tag, buf, len))
            lost = tag.m_refusal != CBACnetTag::REFUSAL_NONE ? tag.m_refusal : CBACnetTag::REFUSAL_UNEXPECTED_OCTET;
    }
    return 1;
}

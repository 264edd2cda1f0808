// The fixed-shape decoder against the general one: two sets of host tags
// bound alike take the same sequence of replies, one set with the fixed-shape
// decoder, the other with the general decoder alone. After every reply the
// results, cursors and everything each tag shows the driver must agree.
//
// Input: a shape octet (entries: low three bits plus one; bit 3: ReadProperty
// acks to one entry at a time instead of ReadPropertyMultiple acks), one
// binding octet per entry, then up to 16 replies, each as a control octet
// (bits 0-1: the driver then resets (1) or takes with GetValue and resets
// (2, 3) every change; bit 2: before the reply, the instance of entry
// (bits 3-5) is moved on by one), a length octet and that many octets.
#include <memory>
#include <vector>

#include "Bindings.h"
#include "FuzzInput.h"

namespace {

constexpr int kMaxReplies = 16;

void Same(bool equal)
{
    if (!equal)
        abort();  // the two decoders disagree
}

void SameTags(const CBACnetObjTypes& a, const CBACnetObjTypes& b)
{
    Same(a.m_changeState == b.m_changeState && a.m_isNull == b.m_isNull && a.m_result == b.m_result &&
         a.m_refusal == b.m_refusal && a.m_errorClass == b.m_errorClass && a.m_errorCode == b.m_errorCode);
    Same((a.m_value == nullptr) == (b.m_value == nullptr) && (a.m_received == nullptr) == (b.m_received == nullptr));
    if (a.m_value)
        Same(memcmp(a.m_value, b.m_value, a.m_dataSize + 3) == 0 &&
             memcmp(a.m_received, b.m_received, a.m_dataSize + 3) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t at = 0;
    auto take = [&]() -> unsigned char { return at < size ? data[at++] : 0; };
    const unsigned char shape = take();
    const int count = (shape & 7) + 1;
    const bool single = (shape & 8) != 0;
    std::vector<fuzz::Bound> sets[2];
    CPtrArray arrays[2];
    for (int i = 0; i < count; i++) {
        const unsigned char binding = take();
        for (int way = 0; way < 2; way++) {
            sets[way].push_back(fuzz::Bind(binding));
            arrays[way].Add(sets[way].back().tag.get());
        }
    }

    for (int reply = 0; reply < kMaxReplies && at < size; reply++) {
        const unsigned char control = take();
        size_t n = take();
        if (n > size - at)
            n = size - at;
        // The reply in a block of exactly its size: a read past it is reported.
        std::unique_ptr<unsigned char[]> frame(new unsigned char[n ? n : 1]);
        memcpy(frame.get(), data + at, n);
        at += n;
        const int end = static_cast<int>(n);
        const int target = (control >> 3) % count;
        if (control & 4)
            for (auto& set : sets)
                set[target].tag->m_objectID.m_instance = (set[target].tag->m_objectID.m_instance + 1) & 0x3FFFFF;

        int results[2], cursors[2];
        for (int way = 0; way < 2; way++) {
            CBACnetObjTypes::SetFastDecode(way == 0);
            if (single) {
                cursors[way] = 0;
                results[way] = sets[way][reply % count].tag->ReadFrameToSingle(frame.get(), cursors[way], end);
                fuzz::CheckCursor(cursors[way], end);
            } else {
                CBACnetReadMultiService rpm(0);
                rpm.m_last = count - 1;
                results[way] = rpm.ReadBodyFrame(frame.get(), end, arrays[way]);
                cursors[way] = rpm.m_decoded;
            }
        }
        CBACnetObjTypes::SetFastDecode(true);
        Same(results[0] == results[1] && cursors[0] == cursors[1]);
        for (int i = 0; i < count; i++)
            SameTags(*sets[0][i].tag, *sets[1][i].tag);

        if ((control & 3) == 0)
            continue;
        for (auto& set : sets) {
            for (fuzz::Bound& entry : set) {
                CTagVal value;
                if ((control & 2) && entry.tag->GetValue(value, entry.hostType, entry.subType))
                    value.GetValStr();
                entry.tag->ResetChangeValue();
            }
        }
    }
    return 0;
}

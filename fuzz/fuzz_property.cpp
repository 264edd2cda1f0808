// The property codecs' decoders. Selector octet: the codec (low four bits,
// modulo 12), decode the frame twice into the same object (bit 4: lists
// grow, state carries), the present value's multiple-property result in
// place of its plain value (bit 5), and the reading that takes data stopping
// at `end` as the whole value (bit 6; for the present value, an enumerated
// value to write). A decoded object must encode again.
//
// Oracles on the first decode of the strict reading: a success ended on a
// closing tag, the same octets cut anywhere before that are refused, and a
// refusal says why. For codecs that encode too, decode -> encode -> decode
// settles after one round: the second round's octets equal the first's.
#include <type_traits>
#include <vector>

#include "FuzzInput.h"

namespace {

// The value as a ReadProperty acknowledgement carries it: 3E, value, 3F.
template <class Codec>
std::vector<unsigned char> Encode(Codec& codec, size_t room)
{
    std::vector<unsigned char> out(room);
    int len = 0;
    out[len++] = 0x3E;
    codec.MakeFrame(out.data(), len, -1);
    out[len++] = 0x3F;
    if (len < 0 || len > static_cast<int>(out.size()))
        abort();
    out.resize(len);
    return out;
}

// One round: the octets decode whole into a fresh codec, which encodes again.
template <class Codec>
std::vector<unsigned char> Round(const std::vector<unsigned char>& octets)
{
    Codec codec;
    std::unique_ptr<unsigned char[]> block(new unsigned char[octets.size()]);
    memcpy(block.get(), octets.data(), octets.size());
    int len = 0;
    if (!codec.ReadFrame(block.get(), len, static_cast<int>(octets.size())) ||
        len != static_cast<int>(octets.size()))
        abort();  // the codec's own encoding is refused
    return Encode(codec, 32 * octets.size() + 256);
}

// Codecs whose decode passes over closing tags and runs to `end`.
template <class Codec>
constexpr bool kRunsToEnd = false;
template <>
constexpr bool kRunsToEnd<CBACnetTypeSupported> = true;
template <>
constexpr bool kRunsToEnd<CBACnetServiceSupported> = true;

template <class Codec>
void CheckStrict(Codec& codec, int ok, int len, fuzz::Input& in, bool encodes)
{
    if (!ok) {
        if (codec.m_refusal == CBACnetTag::REFUSAL_NONE && !std::is_same<Codec, CBACnetPropertyID>::value)
            abort();  // a refusal says why
        return;
    }
    if (!fuzz::EndsOnClosing(in.buf(), len))
        abort();
    fuzz::CheckCutsRefused(
        in.buf(), len,
        [](unsigned char* buf, int end) {
            Codec fresh;
            int at = 0;
            return fresh.ReadFrame(buf, at, end);
        },
        [](const unsigned char* buf, int cut) { return kRunsToEnd<Codec> && fuzz::EndsOnClosing(buf, cut); });
    if (encodes) {
        const std::vector<unsigned char> once = Round<Codec>(Encode(codec, 32 * static_cast<size_t>(len) + 256));
        if (Round<Codec>(once) != once)
            abort();  // decode -> encode -> decode does not give the same value
    }
}

template <class Codec>
void Run(unsigned char select, fuzz::Input& in, bool encodes)
{
    Codec codec;
    const bool toEnd = (select & 0x40) != 0;
    const int times = (select & 0x10) ? 2 : 1;
    for (int i = 0; i < times; i++) {
        int len = 0;
        const int ok = toEnd ? codec.ReadFrameToEnd(in.buf(), len, in.end()) : codec.ReadFrame(in.buf(), len, in.end());
        fuzz::CheckCursor(len, in.end());
        if (i == 0 && !toEnd)
            CheckStrict(codec, ok, len, in, encodes);
    }
    // Re-encoding never writes more than a few octets per octet received.
    std::vector<unsigned char> out(32 * static_cast<size_t>(in.end()) + 256);
    int len = 0;
    codec.MakeFrame(out.data(), len, -1);
    if (len < 0 || len > static_cast<int>(out.size()))
        abort();
    codec.IsChangeValue();
    codec.ResetChangeValue();
}

void RunPresentValue(unsigned char select, fuzz::Input& in)
{
    CBACnetPresentvalue pv;
    pv.m_objectID = _BACnetObjectID(0, 5);
    const int times = (select & 0x10) ? 2 : 1;
    for (int i = 0; i < times; i++) {
        int len = 0;
        if (select & 0x20) {
            CTagVal before = pv.m_value;
            const int flag = pv.m_changeFlag;
            const int ok = pv.ReadFrameToMulti(in.buf(), len, in.end());
            if (ok && (len < 1 || in.buf()[len - 1] != 0x1F))
                abort();
            if (!ok && (!(pv.m_value == before) || pv.m_changeFlag != flag))
                abort();  // a refused result handed over its value
            if (ok && i == 0)
                fuzz::CheckCutsRefused(
                    in.buf(), len,
                    [](unsigned char* buf, int end) {
                        CBACnetPresentvalue fresh;
                        fresh.m_objectID = _BACnetObjectID(0, 5);
                        int at = 0;
                        return fresh.ReadFrameToMulti(buf, at, end);
                    },
                    [](const unsigned char*, int) { return false; });
        } else {
            const int ok = pv.ReadFrame(in.buf(), len, in.end());
            if (i == 0)
                CheckStrict(pv, ok, len, in, false);
        }
        fuzz::CheckCursor(len, in.end());
    }
    CTagVal value;
    pv.GetValue(value, 0);
    value.GetValStr();
    unsigned char out[16];
    int len = 0;
    pv.SetValue(out, len, value, 0, select & 0x40 ? 1 : 0);
    if (len > static_cast<int>(sizeof out))
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const unsigned char select = in.Take();
    in.Rest();
    switch ((select & 0x0F) % 12) {
    case 0: Run<CBACnetPropertyID>(select, in, false); break;
    case 1: Run<CBACnetObjectName>(select, in, true); break;
    case 2: Run<CBACnetObjectDesc>(select, in, true); break;
    case 3: Run<CBACnetSchPriority>(select, in, true); break;
    case 4: RunPresentValue(select, in); break;
    case 5: Run<CBACnetWeekSchedule>(select, in, true); break;
    case 6: Run<CBACnetExpSchedule>(select, in, true); break;
    case 7: Run<CBACnetDateRange>(select, in, true); break;
    case 8: Run<CBACnetObjPropertyRef>(select, in, true); break;
    case 9: Run<CBACnetObjectList>(select, in, false); break;
    case 10: Run<CBACnetTypeSupported>(select, in, false); break;
    case 11: Run<CBACnetServiceSupported>(select, in, false); break;
    default: break;
    }
    return 0;
}

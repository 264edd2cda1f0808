// The property codecs' decoders. Selector octet: the codec (low four bits, modulo 12),
// decode the frame twice into the same object (bit 4: lists grow, state
// carries), and the present value's multiple-property result in place of
// its plain value (bit 5). A decoded object must encode again.
#include <vector>

#include "FuzzInput.h"

namespace {

template <class Codec>
void Run(unsigned char select, fuzz::Input& in)
{
    Codec codec;
    const int times = (select & 0x10) ? 2 : 1;
    for (int i = 0; i < times; i++) {
        int len = 0;
        codec.ReadFrame(in.buf(), len, in.end());
        fuzz::CheckCursor(len, in.end());
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
        if (select & 0x20)
            pv.ReadFrameToMulti(in.buf(), len, in.end());
        else
            pv.ReadFrame(in.buf(), len, in.end());
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
    case 0: Run<CBACnetPropertyID>(select, in); break;
    case 1: Run<CBACnetObjectName>(select, in); break;
    case 2: Run<CBACnetObjectDesc>(select, in); break;
    case 3: Run<CBACnetSchPriority>(select, in); break;
    case 4: RunPresentValue(select, in); break;
    case 5: Run<CBACnetWeekSchedule>(select, in); break;
    case 6: Run<CBACnetExpSchedule>(select, in); break;
    case 7: Run<CBACnetDateRange>(select, in); break;
    case 8: Run<CBACnetObjPropertyRef>(select, in); break;
    case 9: Run<CBACnetObjectList>(select, in); break;
    case 10: Run<CBACnetTypeSupported>(select, in); break;
    case 11: Run<CBACnetServiceSupported>(select, in); break;
    default: break;
    }
    return 0;
}

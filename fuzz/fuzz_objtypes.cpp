// A bound host tag taking its value out of a ReadPropertyMultiple result or
// a ReadProperty acknowledgement. Selector octets: the binding (low four
// bits) and the decoder (bit 4). The same octets decoded a second time are
// no change.
//
// Oracles: a multiple-property result ended on its closing tag 1F, the same
// octets cut anywhere before the end of a success are refused, and a
// refusal hands over no value and says why.
#include "Bindings.h"
#include "FuzzInput.h"

namespace {

int Decode(CBACnetObjTypes& tag, bool single, unsigned char* buf, int end)
{
    int len = 0;
    const int ok = single ? tag.ReadFrameToSingle(buf, len, end) : tag.ReadFrameToMulti(buf, len, end);
    fuzz::CheckCursor(len, end);
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const unsigned char select = in.Take();
    in.Rest();
    fuzz::Bound bound = fuzz::Bind(select & 0x0F);
    CBACnetObjTypes& tag = *bound.tag;
    const bool single = (select & 0x10) != 0;

    int len = 0;
    const int ok = single ? tag.ReadFrameToSingle(in.buf(), len, in.end()) : tag.ReadFrameToMulti(in.buf(), len, in.end());
    fuzz::CheckCursor(len, in.end());
    if (!ok && (tag.IsChangeValue() != CBACnetObjTypes::CHANGE_NO_VALUE ||
                tag.m_result != CBACnetObjTypes::RESULT_REFUSED || tag.m_refusal == CBACnetTag::REFUSAL_NONE))
        abort();  // a refused reply delivered a value, or did not say why
    if (ok && !single && in.buf()[len - 1] != 0x1F)
        abort();
    if (ok)
        fuzz::CheckCutsRefused(
            in.buf(), len,
            [&](unsigned char* buf, int end) {
                fuzz::Bound fresh = fuzz::Bind(select & 0x0F);
                int at = 0;
                const int cutOk = single ? fresh.tag->ReadFrameToSingle(buf, at, end)
                                         : fresh.tag->ReadFrameToMulti(buf, at, end);
                if (!cutOk && fresh.tag->IsChangeValue() != CBACnetObjTypes::CHANGE_NO_VALUE)
                    abort();
                return cutOk;
            },
            [](const unsigned char*, int) { return false; });
    const int state = tag.IsChangeValue();
    if (state < CBACnetObjTypes::CHANGE_NO_VALUE || state > CBACnetObjTypes::CHANGE_NEW)
        abort();
    CTagVal value;
    if (tag.GetValue(value, bound.hostType, bound.subType) != (state == CBACnetObjTypes::CHANGE_NEW))
        abort();
    value.GetValStr();
    if (state != CBACnetObjTypes::CHANGE_NEW)
        return 0;

    tag.ResetChangeValue();
    Decode(tag, single, in.buf(), in.end());
    if (tag.IsChangeValue() != CBACnetObjTypes::CHANGE_NONE)
        abort();

    // A copy holds the same value in buffers of its own.
    CBACnetObjTypes copy(tag);
    copy = tag;
    return 0;
}

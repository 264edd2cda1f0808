#include <bacnetcodec/client/bacnetclient.h>

int main()
{
    // A Who-Is NPDU behind an Original-Broadcast-NPDU header, and back.
    const uint8_t whoIs[] = {0x01, 0x20, 0xFF, 0xFF, 0x00, 0xFF, 0x10, 0x08};
    uint8_t out[32];
    const size_t n = bacnet::Bvlc::Encode(bacnet::BvlcFunction::OriginalBroadcastNpdu, whoIs, out, sizeof out);
    bacnet::BvlcMessage message;
    const bool decoded = bacnet::Bvlc::Decode(bacnet::ByteView(out, n), message) == bacnet::BvlcRefusal::None;
    return n == 12 && out[1] == 0x0B && out[3] == 12 && decoded ? 0 : 1;
}

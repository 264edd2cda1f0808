// Finding devices and routers: a Who-Is's parameters, or a whole network
// layer unit read as a router message (selector octet: even, odd). Whatever
// decodes is written again and reads back the same; a router message cut
// short is refused unless the cut leaves a whole shorter message.
#include <cstring>

#include "FuzzInput.h"
#include "Oracles.h"

namespace {

// The global broadcast header of a Who-Is.
const int kWhoIsHeader = 8;

void WhoIs(fuzz::Input& in)
{
    CBACnetWhoIsService whoIs;
    int len = 0;
    const int ok = whoIs.ReadFrame(in.buf(), len, in.end());
    fuzz::CheckCursor(len, in.end());
    if (!ok || !whoIs.m_hasRange)
        return;
    fuzz::CheckCuts(in.buf(), len, [](unsigned char* buf, int& at, int end) {
        CBACnetWhoIsService cut;
        return cut.ReadFrame(buf, at, end);
    });
    unsigned char frame[32];
    int n = 0;
    CBACnetWhoIsService out;
    out.MakeFrame(frame, n, whoIs.m_lowLimit, whoIs.m_highLimit);
    fuzz::Input copy(frame + kWhoIsHeader, n - kWhoIsHeader);
    copy.Rest();
    CBACnetWhoIsService back;
    int at = 0;
    if (!back.ReadFrame(copy.buf(), at, copy.end()) || at != copy.end() || !back.m_hasRange ||
        back.m_lowLimit != whoIs.m_lowLimit || back.m_highLimit != whoIs.m_highLimit)
        abort();
}

void Router(fuzz::Input& in)
{
    CBACnetRouterMessage message;
    int len = 0;
    const int type = message.ReadFrame(in.buf(), len, in.end());
    fuzz::CheckCursor(len, in.end());
    if (type < 0)
        return;
    if (len != in.end())
        abort();
    fuzz::CheckCuts(in.buf(), len, [](unsigned char* buf, int& at, int end) {
        CBACnetRouterMessage cut;
        return cut.ReadFrame(buf, at, end) >= 0 ? 1 : 0;
    });
    std::vector<unsigned char> frame(in.end() + 8);
    int n = 0;
    if (type == CBACnetRouterMessage::WHO_IS_ROUTER_TO_NETWORK)
        message.MakeWhoIsRouterFrame(frame.data(), n, message.m_networks.empty() ? -1 : message.m_networks[0]);
    else
        message.MakeIAmRouterFrame(frame.data(), n);
    fuzz::Input copy(frame.data(), n);
    copy.Rest();
    CBACnetRouterMessage back;
    int at = 0;
    if (back.ReadFrame(copy.buf(), at, copy.end()) != type || back.m_networks != message.m_networks)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const bool router = in.Take() & 1;
    in.Rest();
    if (router)
        Router(in);
    else
        WhoIs(in);
    return 0;
}

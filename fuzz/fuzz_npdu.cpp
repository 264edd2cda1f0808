// The network header and the APDU dispatcher, as a driver reads the front of
// every received frame. A header that decodes must write back to the same
// octets (the hop count aside, which the encoder always sends as FF).
#include "FuzzInput.h"

namespace {

void CheckNetworkRoundTrip(CBACnetNPCI& npci, const unsigned char* wire, int n)
{
    unsigned char out[2 + 2 * (3 + BACNET_MAC_STORAGE) + 2];
    int len = 0;
    npci.MakeFrame(out, len);
    if (len != n)
        abort();
    const int hop = npci.ExistDstNetwork() ? n - 1 - npci.IsMessageMode() : -1;
    for (int i = 0; i < n; i++)
        if (i != hop && out[i] != wire[i])
            abort();
}

void CheckPduRoundTrip(CBACnetPDU& pdu, const unsigned char* wire, int n)
{
    unsigned char out[8];
    int len = 0;
    pdu.MakeFrame(out, len);
    if (len != n || memcmp(out, wire, n) != 0)
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    in.Rest();
    unsigned char* buf = in.buf();
    const int end = in.end();

    CBACnetNPCI npci;
    int len = 0;
    const int ok = npci.ReadFrame(buf, len, end);
    fuzz::CheckCursor(len, end);
    if (!ok)
        return 0;
    CheckNetworkRoundTrip(npci, buf, len);
    CBACnetNPCI_DATA source;
    source.CopyData_SrcToDst(npci);
    if (npci.IsMessageMode())
        return 0;

    CBACnetReceivePDUs received;
    const int start = len;
    CBACnetPDU* pdu = received.GetReceiveData(buf, len, end);
    fuzz::CheckCursor(len, end);
    if (!pdu)
        return 0;
    if (pdu != received.m_table[pdu->GetPduType()])
        abort();
    CheckPduRoundTrip(*pdu, buf + start, len - start);
    received.m_confirmReq.GetMaxAPDU();
    return 0;
}

// Builds the headers of a confirmed request the way a driver does, prints the
// octets, then decodes them back as a receiving device would.
#include <climits>
#include <cstdio>

#include <bacnetcodec/bacnetcodec.h>

static void Print(const char* what, const unsigned char* buf, int from, int to)
{
    printf("%-28s", what);
    for (int i = from; i < to; i++)
        printf(" %02X", buf[i]);
    printf("\n");
}

int main()
{
    unsigned char frame[64];
    int len = 0;

    // A device behind a router: network 5, MAC address 0A.
    CBACnetNPCI_DATA device;
    device.m_network[0] = 0x00;
    device.m_network[1] = 0x05;
    device.m_macLength = 1;
    device.m_mac[0] = 0x0A;

    CBACnetNPCI npci;
    npci.MakeDstNetworkFrame(device);
    npci.SetLocalReplyFrame();
    npci.MakeFrame(frame, len);
    const int npciEnd = len;

    CBACnetConfirmReqPDU apdu;
    apdu.SetMaxAPDU(1476);
    apdu.SetSegmentReply();
    apdu.SetInvokeID(++CBACnetPDU::c_invokeID);
    apdu.SetServiceChoice(12);  // readProperty
    apdu.MakeFrame(frame, len);
    const int apduEnd = len;

    // Analog input 3, present value (85).
    CBACnetTag tag;
    _BACnetObjectID object(0, 3);
    unsigned char property = 85;
    tag.MakeWord32Frame(frame, len, CBACnetTag::CLASS_CONTEXT, 0, object.GetValue());
    tag.MakeArrayFrame(frame, len, CBACnetTag::CLASS_CONTEXT, 1, 1, &property);

    Print("network header:", frame, 0, npciEnd);
    Print("confirmed request header:", frame, npciEnd, apduEnd);
    Print("service parameters:", frame, apduEnd, len);

    // Decode it back, bounded by the octets actually there.
    int pos = 0;
    CBACnetNPCI rxNpci;
    if (!rxNpci.ReadFrame(frame, pos, len)) {
        printf("network header refused\n");
        return 1;
    }
    CBACnetReceivePDUs headers;
    CBACnetPDU* pdu = headers.GetReceiveData(frame, pos, len);
    if (pdu != &headers.m_confirmReq) {
        printf("application header refused\n");
        return 1;
    }
    printf("decoded: DNET %02X%02X DLEN %d, reply expected %d, PDU type %d, invoke ID %d, service %d, max APDU %d\n",
           rxNpci.m_dnet[0], rxNpci.m_dnet[1], rxNpci.m_dlen, rxNpci.IsReplyMode(), pdu->GetPduType(),
           headers.m_confirmReq.GetInvokeID(), headers.m_confirmReq.GetServiceChoice(), headers.m_confirmReq.GetMaxAPDU());

    CBACnetTag rx(len);
    DWORD rxId;
    int isNull;
    if (!rx.ReadHeaderFrame(frame, pos) || !rx.ReadWord32(frame, pos, CBACnetTag::TYPE_OBJECT_ID, rxId))
        return 1;
    _BACnetObjectID rxObject;
    rxObject.SetValue(rxId);
    unsigned char rxProperty;
    if (!rx.ReadHeaderFrame(frame, pos) ||
        !rx.ReadDataFrame(&rxProperty, CBACnetTag::TYPE_ENUMERATED, 1, frame, pos, isNull))
        return 1;
    printf("decoded: object type %u instance %u, property %u\n", rxObject.m_type, rxObject.m_instance, rxProperty);

    // A truncated copy is refused, never read past.
    pos = 0;
    if (rxNpci.ReadFrame(frame, pos, 4) == 0)
        printf("a header cut after 4 octets is refused\n");
    return 0;
}

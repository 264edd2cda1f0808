// BACnet network layer header (NPCI) and the network address of a device.
#pragma once

#include "host/Object.h"
#include "host/Types.h"

class CArchive;
class CBACnetNPCI;

// Largest MAC address the address storage holds.
constexpr int BACNET_MAC_STORAGE = 24;
// Largest MAC length accepted from a caller (one less than the storage).
constexpr int BACNET_MAC_MAX_ACCEPTED = 23;

// A device's network address: network number plus MAC address. Octet fields
// only, so the layout has no padding between them without any packing
// (packing a class with a virtual table would misalign it inside others).
// Interface name: kept as the replaced interface spells it.
class BACNET_API CBACnetNPCI_DATA : public CObject {
public:
    unsigned char m_network[2];  // wire order; FF FF addresses a global broadcast
    unsigned char m_macLength;   // 0: the device is on the local network
    unsigned char m_mac[BACNET_MAC_STORAGE];  // left-aligned; octets past m_macLength carry no meaning

    CBACnetNPCI_DATA();

    void CopyData_DstToDst(CBACnetNPCI_DATA& other);
    // Takes the source address of a received header, when it has one.
    void CopyData_SrcToDst(CBACnetNPCI& data);
    // 27 octets: network number, MAC length, all 24 MAC octets.
    void Serialize(CArchive& ar) override;
};

class BACNET_API CBACnetNPCI : public CObject {
public:
    enum : unsigned char {
        CONTROL_MESSAGE = 0x80,
        CONTROL_DNET = 0x20,
        CONTROL_SNET = 0x08,
        CONTROL_REPLY = 0x04,
    };

    unsigned char m_version;  // always 1
    unsigned char m_control;
    unsigned char m_dnet[2];  // wire order
    unsigned char m_dlen;
    unsigned char m_dadr[BACNET_MAC_STORAGE];
    unsigned char m_snet[2];  // wire order
    unsigned char m_slen;
    unsigned char m_sadr[BACNET_MAC_STORAGE];
    unsigned char m_messageType;

    CBACnetNPCI();

    void MakeBroadcastFrame();
    void SetLocalReplyFrame();
    void MakeDstNetworkFrame(CBACnetNPCI_DATA& data);
    void MakeSrcNetworkFrame(unsigned char* net, unsigned char n, unsigned char* addr);

    int ExistDstNetwork() const { return (m_control & CONTROL_DNET) ? 1 : 0; }
    int ExistSrcNetwork() const { return (m_control & CONTROL_SNET) ? 1 : 0; }
    int IsReplyMode() const { return (m_control & CONTROL_REPLY) ? 1 : 0; }
    int IsMessageMode() const { return (m_control & CONTROL_MESSAGE) ? 1 : 0; }

    virtual void MakeFrame(unsigned char* buf, int& len);
    // Trusts the buffer to hold the whole header.
    virtual int ReadFrame(unsigned char* buf, int& len);
    // Bounded form: `end` is one past the last received octet. Refuses (0)
    // a header that would cross it, or whose DLEN or SLEN exceeds the
    // address storage, without touching octets at or beyond `end`.
    int ReadFrame(unsigned char* buf, int& len, int end);
};

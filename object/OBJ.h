// A remote BACnet object as the host knows it, above all a remote device:
// its identifier, name, network address and request limits, plus two opaque
// blocks that belong to the host. Every confirmed request takes one to learn
// where to send and how large the request may be; the I-Am decoder makes one
// per answering device.
#pragma once

#include "frame/NPCI.h"
#include "frame/ObjectID.h"
#include "host/String.h"
#include "library/Export.h"

class CArchive;

class BACNET_API CBACnetOBJ {
public:
    enum {
        OBJ_TYPES = 21,         // catalogue object type codes 0 to 20
        HOST_KEY_SIZE = 24,
        HOST_EXTRA_SIZE = 35,
        LEGACY_AREA_SIZE = 107  // what a version-0 archive holds in place of the host extra
    };

    _BACnetObjectID m_objectID;   // type: a catalogue code of the tables below
    CString m_name;
    CBACnetNPCI_DATA m_address;   // where the device answers
    unsigned short m_maxAPDU;     // largest APDU the device accepts, in octets
    unsigned char m_segmentation; // segmentation supported, as its I-Am says
    unsigned char m_hostKey[HOST_KEY_SIZE];      // the host's; part of the identity
    unsigned char m_hostExtra[HOST_EXTRA_SIZE];  // the host's; persisted from layout version 1 on

    // Long names and the host's two-letter address codes, indexed by object type code.
    // Interface name: kept as the replaced interface spells it.
    static const char* const str_BACnetObjType[OBJ_TYPES];
    // Interface name: kept as the replaced interface spells it.
    static const char* const str_BACnetObjAddrType[OBJ_TYPES];

    CBACnetOBJ();

    // 1 when both records denote the same object at the same place: type,
    // instance, host key and address. Name, limits and host extra take no part.
    int CompareObject(CBACnetOBJ& other);
    void CopyObject(CBACnetOBJ& source);

    // Stores or loads the record by the archive's mode. Version 1 or more is
    // the current layout; version 0 is the older one, whose 107-octet legacy
    // area is skipped on loading and written as zeros on storing, so that a
    // record stored with version 0 loads back with version 0. Archive faults
    // pass through as the archive's exceptions.
    void StoreParam(CArchive& ar, unsigned short version);

    // Append a text naming the object, e.g. for device 1001:
    // "Device : 1001", "Device1001", "Device 1001". A type code without a
    // name gives "ObjectType<code>" in place of the name.
    void GetDeviceInfoText(CString& text);
    void GetDeviceText(CString& text);
    // Interface name: kept as the replaced interface spells it.
    void GetDeviceText_1(CString& text);

private:
    friend class CBACnetConfirmSrvPDU;

    // The first octets of every request to this device, kept by the
    // confirmed services: the network header (version 1, a reply expected)
    // and the confirmed-request type and max-APDU code. Built from m_address
    // and m_maxAPDU, and built again once they differ from the copies kept
    // here; copies of the record take it along.
    struct RequestHeader {
        unsigned char m_network[2];
        unsigned char m_macLength;
        unsigned char m_mac[BACNET_MAC_STORAGE];
        unsigned short m_maxAPDU;
        unsigned char m_maxAPDUCode;
        unsigned char m_length;  // octets in m_octets; 0: not built
        unsigned char m_octets[32];
    } m_requestHeader;
};

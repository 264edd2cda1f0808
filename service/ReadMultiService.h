// ReadPropertyMultiple: one property of each of a run of bound host tags
// (CBACnetObjTypes entries of the driver's array) of one device, in one
// request built in a buffer of the service's own, and the acknowledgement
// handed back entry by entry.
//
//     CBACnetReadMultiService rpm(first);         // takes its invoke ID now
//     int len = 0;
//     rpm.MakeHeaderFrame(len, device, first);
//     for (int i = first; i < tags.GetSize(); i++)
//         if (!rpm.MakeBodyFrame(len, (CBACnetObjTypes*)tags[i], i))
//             break;                              // full: entries first..m_last
//     send(rpm.m_frame, rpm.m_frameLength);
//     ... Complex-ACK with rpm.m_invokeID, service 14:
//     rpm.ReadBodyFrame(ack + params, received - params, tags);
#pragma once

#include "library/Export.h"
#include "service/ConfirmSrvPDU.h"

class CBACnetOBJ;
class CBACnetObjTypes;
class CPtrArray;

class BACNET_API CBACnetReadMultiService : public CBACnetConfirmSrvPDU {
public:
    enum { SERVICE_CHOICE = 14 };

    unsigned char* m_frame;       // the request, owned; null until MakeHeaderFrame
    int m_frameLength;            // octets of the request so far
    unsigned char m_invokeID;     // taken at construction
    int m_first;                  // index of the run's first entry in the driver's array
    int m_last;                   // index of the last entry written so far
    int m_frameSize;              // octets allocated for m_frame
    int m_decoded;                // entries whose result the last ReadBodyFrame decoded

    CBACnetReadMultiService();
    explicit CBACnetReadMultiService(int first);
    ~CBACnetReadMultiService() override;
    // One request, one buffer: not copyable.
    CBACnetReadMultiService(const CBACnetReadMultiService&) = delete;
    CBACnetReadMultiService& operator=(const CBACnetReadMultiService&) = delete;

    // Header only, with m_invokeID, at buf[len]. Zero-fills obj->m_maxAPDU
    // octets of `buf` from buf[0] first, so `buf` must hold that many.
    // Interface name: kept as the replaced interface spells it.
    unsigned char MakeSchedueHeader(unsigned char* buf, int& len, CBACnetOBJ* obj);
    // Allocates m_frame and writes the request header into it at `len`.
    void MakeHeaderFrame(int& len, CBACnetOBJ* obj, int index);
    // Appends the read access specification of `entry` (array index `index`).
    // 1: another entry fits; 0: the request is full (the entry written by
    // this call is part of it). An entry that would not fit m_frame is not
    // written: then 0, and m_last stays at the previous entry.
    int MakeBodyFrame(int& len, CBACnetObjTypes* entry, int index);
    // The whole request in the caller's buffer `buf` of `size` octets,
    // allocating nothing: the header at buf[0], then the entries of `array`
    // from m_first on, exactly as MakeHeaderFrame and MakeBodyFrame write
    // them until the request is full or the array ends; an entry that might
    // not fit `size` ends it too. Returns the octets written, or 0 when
    // `size` is below REQUEST_ROOM_MIN. m_last is the last entry written
    // (m_first with none); m_frame is not used.
    enum { REQUEST_ROOM_MIN = 80, REQUEST_ROOM = 1476 + 80 };  // REQUEST_ROOM: always enough
    int MakeFrame(unsigned char* buf, int size, CBACnetOBJ* obj, CPtrArray& array);
    // Hands each entry m_first..m_last of `array` its read access result
    // from the acknowledgement's parameters at buf[0], reading nothing at or
    // beyond buf[end]. 0 when the run reaches past the array's end, else 1.
    // Each entry reports its own result (CBACnetObjTypes::m_result), and
    // m_decoded counts the results decoded. A result that cannot be decoded
    // is stepped over by its tags up to its closing tag 1, so the next entry
    // still gets its own; when even that fails, the entries left are marked
    // refused with the reason.
    int ReadBodyFrame(unsigned char* buf, int end, CPtrArray& array);

private:
    void Start(int first);
};

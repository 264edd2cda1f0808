#include "frame/PDU.h"

#include <climits>
#include <initializer_list>

#include "frame/Tag.h"

unsigned char CBACnetPDU::c_invokeID = 0;

namespace {

void WriteFields(unsigned char* buf, int& len, std::initializer_list<unsigned char> fields)
{
    for (unsigned char field : fields)
        buf[len++] = field;
}

int ReadFields(unsigned char* buf, int& len, int end, std::initializer_list<unsigned char*> fields)
{
    CBACnetTag in(end);
    for (unsigned char* field : fields)
        if (!in.ReadOctet(buf, len, *field))
            return 0;
    return 1;
}

}  // namespace

void CBACnetPDU::MakeFrame(unsigned char* buf, int& len)
{
    buf[len++] = m_firstOctet;
}

int CBACnetPDU::ReadFrame(unsigned char* buf, int& len)
{
    return ReadFrame(buf, len, INT_MAX);
}

int CBACnetPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    return ReadFields(buf, len, end, {&m_firstOctet});
}

CBACnetPDU* CBACnetPDU::GetReceiveData(CBACnetPDU** table, unsigned char* buf, int& len)
{
    return GetReceiveData(table, buf, len, INT_MAX);
}

CBACnetPDU* CBACnetPDU::GetReceiveData(CBACnetPDU** table, unsigned char* buf, int& len, int end)
{
    unsigned char first;
    if (!CBACnetTag(end).PeekOctet(buf, len, first))
        return nullptr;
    const int type = first >> 4;
    if (type >= PDU_TYPES || table[type] == nullptr)
        return nullptr;
    return table[type]->ReadFrame(buf, len, end) ? table[type] : nullptr;
}

// Octets of the fixed header that starts with `first`, for the types whose
// decoder tests the service choice; 0 for the others.
static int ChoiceHeaderSize(unsigned char first)
{
    const bool segmented = (first & CBACnetPDU::BIT_SEG) != 0;
    switch (first >> 4) {
    case 0: return segmented ? 6 : 4;
    case 1: return 2;
    case 2:
    case 5: return 3;
    case 3: return segmented ? 5 : 3;
    default: return 0;
    }
}

CBACnetPDU* CBACnetPDU::GetReceiveDataAnyService(CBACnetPDU** table, unsigned char* buf, int& len, int end)
{
    const int start = len;
    unsigned char first;
    if (!CBACnetTag(end).PeekOctet(buf, len, first))
        return nullptr;
    if (CBACnetPDU* pdu = GetReceiveData(table, buf, len, end))
        return pdu;
    // A header read to its end was refused for its choice alone.
    const int size = ChoiceHeaderSize(first);
    return size > 0 && len - start == size ? table[first >> 4] : nullptr;
}

// Confirmed request.

CBACnetConfirmReqPDU::CBACnetConfirmReqPDU()
    : CBACnetPDU(0x00), m_maxAPDU(5), m_invokeID(0), m_sequenceNo(0), m_windowSize(1), m_serviceChoice(0)
{
}

unsigned char CBACnetConfirmReqPDU::MaxAPDUCode(unsigned short size)
{
    unsigned char code = 0;
    while (code < MAX_APDU_CODES - 1 && size > c_maxAPDUSizes[code])
        code++;
    return code;
}

void CBACnetConfirmReqPDU::MakeFrame(unsigned char* buf, int& len)
{
    // Every request writes this header: a local cursor, one store of `len`.
    unsigned char* out = buf + len;
    *out++ = m_firstOctet;
    *out++ = m_maxAPDU;
    *out++ = m_invokeID;
    if (GetSegMsgType()) {
        *out++ = m_sequenceNo;
        *out++ = m_windowSize;
    }
    *out++ = m_serviceChoice;
    len = static_cast<int>(out - buf);
}


int CBACnetConfirmReqPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    if (!CBACnetPDU::ReadFrame(buf, len, end) || !ReadFields(buf, len, end, {&m_maxAPDU, &m_invokeID}))
        return 0;
    if (GetSegMsgType() && !ReadFields(buf, len, end, {&m_sequenceNo, &m_windowSize}))
        return 0;
    if (!ReadFields(buf, len, end, {&m_serviceChoice}))
        return 0;
    return IsValidServiceChoice();
}

// Unconfirmed request.

CBACnetUnconfirmReqPDU::CBACnetUnconfirmReqPDU() : CBACnetPDU(0x10), m_serviceChoice(0) {}

void CBACnetUnconfirmReqPDU::MakeFrame(unsigned char* buf, int& len)
{
    CBACnetPDU::MakeFrame(buf, len);
    WriteFields(buf, len, {m_serviceChoice});
}


int CBACnetUnconfirmReqPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    if (!CBACnetPDU::ReadFrame(buf, len, end) || !ReadFields(buf, len, end, {&m_serviceChoice}))
        return 0;
    return IsValidServiceChoice();
}

// Simple-ACK.

CBACnetSimpleAckPDU::CBACnetSimpleAckPDU() : CBACnetPDU(0x20), m_invokeID(0), m_serviceAckChoice(0) {}

void CBACnetSimpleAckPDU::MakeFrame(unsigned char* buf, int& len)
{
    CBACnetPDU::MakeFrame(buf, len);
    WriteFields(buf, len, {m_invokeID, m_serviceAckChoice});
}


int CBACnetSimpleAckPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    if (!CBACnetPDU::ReadFrame(buf, len, end) || !ReadFields(buf, len, end, {&m_invokeID, &m_serviceAckChoice}))
        return 0;
    return IsValidServiceChoice();
}

// Complex-ACK.

CBACnetComplexAckPDU::CBACnetComplexAckPDU()
    : CBACnetPDU(0x30), m_invokeID(0), m_sequenceNo(0), m_windowSize(1), m_serviceAckChoice(0)
{
}

void CBACnetComplexAckPDU::MakeFrame(unsigned char* buf, int& len)
{
    CBACnetPDU::MakeFrame(buf, len);
    WriteFields(buf, len, {m_invokeID});
    if (GetSegMsgType())
        WriteFields(buf, len, {m_sequenceNo, m_windowSize});
    WriteFields(buf, len, {m_serviceAckChoice});
}


int CBACnetComplexAckPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    if (!CBACnetPDU::ReadFrame(buf, len, end) || !ReadFields(buf, len, end, {&m_invokeID}))
        return 0;
    if (GetSegMsgType() && !ReadFields(buf, len, end, {&m_sequenceNo, &m_windowSize}))
        return 0;
    if (!ReadFields(buf, len, end, {&m_serviceAckChoice}))
        return 0;
    return IsValidServiceChoice();
}

// Segment-ACK: constructed with the NAK bit set.

CBACnetSegmentAckPDU::CBACnetSegmentAckPDU() : CBACnetPDU(0x42), m_invokeID(0), m_sequenceNo(0), m_windowSize(1) {}

void CBACnetSegmentAckPDU::MakeFrame(unsigned char* buf, int& len)
{
    CBACnetPDU::MakeFrame(buf, len);
    WriteFields(buf, len, {m_invokeID, m_sequenceNo, m_windowSize});
}


int CBACnetSegmentAckPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    return CBACnetPDU::ReadFrame(buf, len, end) &&
                   ReadFields(buf, len, end, {&m_invokeID, &m_sequenceNo, &m_windowSize})
               ? 1
               : 0;
}

// Error.

CBACnetErrorPDU::CBACnetErrorPDU() : CBACnetPDU(0x50), m_invokeID(0), m_errorChoice(0) {}

void CBACnetErrorPDU::MakeFrame(unsigned char* buf, int& len)
{
    CBACnetPDU::MakeFrame(buf, len);
    WriteFields(buf, len, {m_invokeID, m_errorChoice});
}


int CBACnetErrorPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    if (!CBACnetPDU::ReadFrame(buf, len, end) || !ReadFields(buf, len, end, {&m_invokeID, &m_errorChoice}))
        return 0;
    return IsValidErrorChoice();
}

// Reject.

CBACnetRejectPDU::CBACnetRejectPDU() : CBACnetPDU(0x60), m_invokeID(0), m_rejectReason(0) {}

void CBACnetRejectPDU::MakeFrame(unsigned char* buf, int& len)
{
    CBACnetPDU::MakeFrame(buf, len);
    WriteFields(buf, len, {m_invokeID, m_rejectReason});
}


int CBACnetRejectPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    return CBACnetPDU::ReadFrame(buf, len, end) && ReadFields(buf, len, end, {&m_invokeID, &m_rejectReason}) ? 1 : 0;
}

// Abort.

CBACnetAbortPDU::CBACnetAbortPDU() : CBACnetPDU(0x70), m_invokeID(0), m_abortReason(0) {}

void CBACnetAbortPDU::MakeFrame(unsigned char* buf, int& len)
{
    CBACnetPDU::MakeFrame(buf, len);
    WriteFields(buf, len, {m_invokeID, m_abortReason});
}


int CBACnetAbortPDU::ReadFrame(unsigned char* buf, int& len, int end)
{
    return CBACnetPDU::ReadFrame(buf, len, end) && ReadFields(buf, len, end, {&m_invokeID, &m_abortReason}) ? 1 : 0;
}

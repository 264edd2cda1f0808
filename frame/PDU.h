// BACnet application PDU headers: one class per PDU type, the invoke-ID
// counter, and the dispatcher for received PDUs.
#pragma once

#include "host/Object.h"

class BACNET_API CBACnetPDU : public CObject {
public:
    enum : unsigned char {
        BIT_SEG = 0x08,  // segmented message
        BIT_MOR = 0x04,  // more follows
        BIT_SA = 0x02,   // segmented response accepted; NAK in a Segment-ACK
        BIT_SRV = 0x01,  // sent by a server (Segment-ACK, Abort)
    };
    enum { PDU_TYPES = 8 };

    // Invoke IDs of counted requests: incremented first, wrapping 255 to 0.
    // Interface name: kept as the replaced interface spells it.
    static unsigned char c_invokeID;

    unsigned char m_firstOctet;  // PDU type in bits 7-4, then SEG, MOR, SA/NAK, SRV

    CBACnetPDU() : m_firstOctet(0) {}

    unsigned char GetPduType() { return m_firstOctet >> 4; }
    unsigned char GetSegMsgType() { return (m_firstOctet & BIT_SEG) ? 1 : 0; }
    // Interface name: kept as the replaced interface spells it.
    unsigned char GetMoreFow() { return (m_firstOctet & BIT_MOR) ? 1 : 0; }
    void SetSegmentReply() { m_firstOctet |= BIT_SA; }
    void SetSegmentRequest() { m_firstOctet |= BIT_SEG; }
    void SetNextFrameRequest() { m_firstOctet |= BIT_MOR; }

    virtual void MakeFrame(unsigned char* buf, int& len);
    // Trusts the buffer to hold the whole header; the bounded form with no bound.
    virtual int ReadFrame(unsigned char* buf, int& len);
    // Bounded form: refuses (0) a header that would reach `end`, one past
    // the last received octet.
    virtual int ReadFrame(unsigned char* buf, int& len, int end);

    static CBACnetPDU* GetReceiveData(CBACnetPDU** table, unsigned char* buf, int& len);
    static CBACnetPDU* GetReceiveData(CBACnetPDU** table, unsigned char* buf, int& len, int end);
    // The same, but a whole header with a service choice past the ones the
    // validity tests know (ReadRange 26, SubscribeCOVProperty 28, ...) is
    // handed over too; the caller reads the choice and decides.
    static CBACnetPDU* GetReceiveDataAnyService(CBACnetPDU** table, unsigned char* buf, int& len, int end);

protected:
    explicit CBACnetPDU(unsigned char firstOctet) : m_firstOctet(firstOctet) {}
};

class BACNET_API CBACnetConfirmReqPDU : public CBACnetPDU {
public:
    // Size in octets of each max-APDU code.
    static constexpr unsigned short c_maxAPDUSizes[] = {50, 128, 206, 480, 1024, 1476};
    enum { MAX_APDU_CODES = sizeof c_maxAPDUSizes / sizeof c_maxAPDUSizes[0] };

    unsigned char m_maxAPDU;  // max-APDU code in the low four bits; segments accepted (high bits) stay 0
    unsigned char m_invokeID;
    unsigned char m_sequenceNo;
    unsigned char m_windowSize;  // proposed window size
    unsigned char m_serviceChoice;

    CBACnetConfirmReqPDU();

    unsigned char GetInvokeID() { return m_invokeID; }
    unsigned char GetSequenceNo() { return m_sequenceNo; }
    unsigned char GetWindowSize() { return m_windowSize; }
    unsigned char GetServiceChoice() { return m_serviceChoice; }
    // The size of the max-APDU code; 0 for a code without one.
    unsigned short GetMaxAPDU() const { return m_maxAPDU < MAX_APDU_CODES ? c_maxAPDUSizes[m_maxAPDU] : 0; }
    void SetInvokeID(unsigned char id) { m_invokeID = id; }
    void SetSequenceNo(unsigned char no) { m_sequenceNo = no; }
    void SetWindowSize(unsigned char size) { m_windowSize = size; }
    void SetServiceChoice(unsigned char choice) { m_serviceChoice = choice; }
    // The smallest code whose size holds `size` (the largest code above it).
    void SetMaxAPDU(unsigned short size) { m_maxAPDU = MaxAPDUCode(size); }
    static unsigned char MaxAPDUCode(unsigned short size);
    int IsValidServiceChoice() { return m_serviceChoice < 26 ? 1 : 0; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

class BACNET_API CBACnetUnconfirmReqPDU : public CBACnetPDU {
public:
    unsigned char m_serviceChoice;

    CBACnetUnconfirmReqPDU();

    unsigned char GetServiceChoice() { return m_serviceChoice; }
    void SetServiceChoice(unsigned char choice) { m_serviceChoice = choice; }
    int IsValidServiceChoice() { return m_serviceChoice < 9 ? 1 : 0; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

class BACNET_API CBACnetSimpleAckPDU : public CBACnetPDU {
public:
    unsigned char m_invokeID;
    unsigned char m_serviceAckChoice;

    CBACnetSimpleAckPDU();

    unsigned char GetInvokeID() { return m_invokeID; }
    unsigned char GetServiceAckChoice() { return m_serviceAckChoice; }
    void SetInvokeID(unsigned char id) { m_invokeID = id; }
    void SetServiceChoice(unsigned char choice) { m_serviceAckChoice = choice; }
    int IsValidServiceChoice() { return m_serviceAckChoice < 26 ? 1 : 0; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

class BACNET_API CBACnetComplexAckPDU : public CBACnetPDU {
public:
    unsigned char m_invokeID;
    unsigned char m_sequenceNo;
    unsigned char m_windowSize;
    unsigned char m_serviceAckChoice;

    CBACnetComplexAckPDU();

    unsigned char GetInvokeID() { return m_invokeID; }
    unsigned char GetSequenceNo() { return m_sequenceNo; }
    unsigned char GetWindowSize() { return m_windowSize; }
    unsigned char GetServiceAckChoice() { return m_serviceAckChoice; }
    void SetInvokeID(unsigned char id) { m_invokeID = id; }
    void SetSequenceNo(unsigned char no) { m_sequenceNo = no; }
    void SetWindowSize(unsigned char size) { m_windowSize = size; }
    void SetServiceChoice(unsigned char choice) { m_serviceAckChoice = choice; }
    int IsValidServiceChoice() { return m_serviceAckChoice < 26 ? 1 : 0; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

class BACNET_API CBACnetSegmentAckPDU : public CBACnetPDU {
public:
    unsigned char m_invokeID;
    unsigned char m_sequenceNo;
    unsigned char m_windowSize;

    CBACnetSegmentAckPDU();

    unsigned char GetInvokeID() { return m_invokeID; }
    unsigned char GetSequenceNo() { return m_sequenceNo; }
    unsigned char GetWindowSize() { return m_windowSize; }
    void SetInvokeID(unsigned char id) { m_invokeID = id; }
    void SetSequenceNo(unsigned char no) { m_sequenceNo = no; }
    void SetWindowSize(unsigned char size) { m_windowSize = size; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

class BACNET_API CBACnetErrorPDU : public CBACnetPDU {
public:
    unsigned char m_invokeID;
    unsigned char m_errorChoice;  // the service that failed

    CBACnetErrorPDU();

    unsigned char GetInvokeID() { return m_invokeID; }
    unsigned char GetErrorService() { return m_errorChoice; }
    void SetInvokeID(unsigned char id) { m_invokeID = id; }
    void SetErrorCode(unsigned char choice) { m_errorChoice = choice; }
    int IsValidErrorChoice() { return m_errorChoice < 26 ? 1 : 0; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

class BACNET_API CBACnetRejectPDU : public CBACnetPDU {
public:
    unsigned char m_invokeID;
    unsigned char m_rejectReason;

    CBACnetRejectPDU();

    unsigned char GetInvokeID() { return m_invokeID; }
    unsigned char GetRejectReason() { return m_rejectReason; }
    void SetInvokeID(unsigned char id) { m_invokeID = id; }
    void SetRejectCode(unsigned char reason) { m_rejectReason = reason; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

class BACNET_API CBACnetAbortPDU : public CBACnetPDU {
public:
    unsigned char m_invokeID;
    unsigned char m_abortReason;

    CBACnetAbortPDU();

    unsigned char GetInvokeID() { return m_invokeID; }
    unsigned char GetAbortReason() { return m_abortReason; }
    void SetInvokeID(unsigned char id) { m_invokeID = id; }
    void SetAbortCode(unsigned char reason) { m_abortReason = reason; }

    void MakeFrame(unsigned char* buf, int& len) override;
    using CBACnetPDU::ReadFrame;
    int ReadFrame(unsigned char* buf, int& len, int end) override;
};

// The eight receive headers a driver keeps, one per PDU type, and the table
// that GetReceiveData picks from. A null table entry refuses its type.
class BACNET_API CBACnetReceivePDUs {
public:
    CBACnetConfirmReqPDU m_confirmReq;
    CBACnetUnconfirmReqPDU m_unconfirmReq;
    CBACnetSimpleAckPDU m_simpleAck;
    CBACnetComplexAckPDU m_complexAck;
    CBACnetSegmentAckPDU m_segmentAck;
    CBACnetErrorPDU m_error;
    CBACnetRejectPDU m_reject;
    CBACnetAbortPDU m_abort;
    CBACnetPDU* m_table[CBACnetPDU::PDU_TYPES];

    CBACnetReceivePDUs()
        : m_table{&m_confirmReq, &m_unconfirmReq, &m_simpleAck, &m_complexAck,
                  &m_segmentAck, &m_error,        &m_reject,    &m_abort}
    {
    }
    // The table points into this object.
    CBACnetReceivePDUs(const CBACnetReceivePDUs&) = delete;
    CBACnetReceivePDUs& operator=(const CBACnetReceivePDUs&) = delete;

    CBACnetPDU* GetReceiveData(unsigned char* buf, int& len, int end)
    {
        return CBACnetPDU::GetReceiveData(m_table, buf, len, end);
    }
    CBACnetPDU* GetReceiveDataAnyService(unsigned char* buf, int& len, int end)
    {
        return CBACnetPDU::GetReceiveDataAnyService(m_table, buf, len, end);
    }
};

#include <gtest/gtest.h>

#include <memory>

#include "Hex.h"
#include "frame/PDU.h"

namespace {

std::string Written(CBACnetPDU& pdu)
{
    unsigned char buf[16];
    int len = 0;
    pdu.MakeFrame(buf, len);
    return ToHex(buf, len);
}

TEST(PDU, FreshHeadersWriteTheirDefaults)
{
    CBACnetConfirmReqPDU confirm;
    CBACnetUnconfirmReqPDU unconfirm;
    CBACnetSimpleAckPDU simple;
    CBACnetComplexAckPDU complex;
    CBACnetSegmentAckPDU segment;
    CBACnetErrorPDU error;
    CBACnetRejectPDU reject;
    CBACnetAbortPDU abort;
    const struct {
        CBACnetPDU* pdu;
        int type;
        const char* octets;
    } cases[] = {
        {&confirm, 0, "00 05 00 00"}, {&unconfirm, 1, "10 00"},       {&simple, 2, "20 00 00"},
        {&complex, 3, "30 00 00"},    {&segment, 4, "42 00 00 01"}, {&error, 5, "50 00 00"},
        {&reject, 6, "60 00 00"},     {&abort, 7, "70 00 00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.pdu->GetPduType(), c.type);
        EXPECT_EQ(Written(*c.pdu), c.octets) << "type " << c.type;
    }
}

TEST(PDU, ConfirmedRequestHeader)
{
    CBACnetConfirmReqPDU pdu;
    pdu.SetMaxAPDU(1476);
    pdu.SetSegmentReply();
    pdu.SetInvokeID(7);
    pdu.SetServiceChoice(12);
    EXPECT_EQ(Written(pdu), "02 05 07 0C");

    CBACnetConfirmReqPDU plain;
    plain.SetMaxAPDU(480);
    plain.SetInvokeID(7);
    plain.SetServiceChoice(12);
    EXPECT_EQ(Written(plain), "00 03 07 0C");

    plain.SetSegmentRequest();
    plain.SetSequenceNo(2);
    plain.SetWindowSize(4);
    EXPECT_EQ(Written(plain), "08 03 07 02 04 0C");

    CBACnetUnconfirmReqPDU whoIs;
    whoIs.SetServiceChoice(8);
    EXPECT_EQ(Written(whoIs), "10 08");
}

TEST(PDU, MaxAPDUCodes)
{
    const struct {
        unsigned short size;
        unsigned char code;
    } cases[] = {{0, 0},    {50, 0},   {51, 1},   {128, 1},   {129, 2},   {206, 2},  {207, 3},
                 {480, 3},  {481, 4},  {1024, 4}, {1025, 5},  {1476, 5},  {2000, 5}};
    for (const auto& c : cases) {
        CBACnetConfirmReqPDU pdu;
        pdu.SetMaxAPDU(c.size);
        EXPECT_EQ(pdu.m_maxAPDU, c.code) << c.size;
    }
    CBACnetConfirmReqPDU pdu;
    pdu.m_maxAPDU = 0x75;
    EXPECT_EQ(pdu.GetMaxAPDU(), 0);
    pdu.m_maxAPDU = 0x04;
    EXPECT_EQ(pdu.GetMaxAPDU(), 1024);
}

// The receive headers indexed by PDU type, as a driver keeps them.
struct Receivers : CBACnetReceivePDUs {
    CBACnetConfirmReqPDU& confirm = m_confirmReq;
    CBACnetComplexAckPDU& complex = m_complexAck;
    CBACnetAbortPDU& abort = m_abort;
    CBACnetPDU** table = m_table;
};

// Both dispatchers on one table: the plain one refuses service choices it
// has no decoder for, the other hands them over; cut headers are refused by
// both.
TEST(PDU, GetReceiveDataDispatches)
{
    const struct {
        const char* name;
        const char* input;
        int type;     // -1: null expected
        int anyType;  // the same through GetReceiveDataAnyService
        int advance;
    } cases[] = {
        {"segmented complex ack", "3C 05 00 04 0E", 3, 3, 5},
        {"segmented complex ack choice 26", "38 07 00 04 1A", -1, 3, 5},
        {"abort from server", "71 03 04", 7, 7, 3},
        {"PDU type 8", "80 01 02", -1, -1, 0},
        {"complex ack choice 26 (ReadRange)", "30 07 1A", -1, 3, 3},
        {"simple ack choice 28 (SubscribeCOVProperty)", "20 07 1C", -1, 2, 3},
        {"unconfirmed choice 9", "10 09", -1, 1, 2},
        {"unconfirmed who-is", "10 08", 1, 1, 2},
        {"error choice 26", "50 01 1A", -1, 5, 3},
        {"reject any reason", "60 01 FF", 6, 6, 3},
        {"confirmed request", "02 05 07 0C", 0, 0, 4},
        {"confirmed request choice 28", "00 05 07 1C", -1, 0, 4},
        {"confirmed segmented", "0E 05 07 00 04 0C", 0, 0, 6},
        {"segment ack", "42 09 01 04", 4, 4, 4},
        {"simple ack", "20 09 0F", 2, 2, 3},
        {"truncated complex ack", "3C 05 00 04", -1, -1, 4},
        {"truncated confirmed request", "00 05 07", -1, -1, 3},
        {"truncated abort", "70 03", -1, -1, 2},
        {"empty", "", -1, -1, 0},
    };
    for (const auto& c : cases) {
        Receivers r;
        Received in(c.input);
        int len = 0;
        EXPECT_EQ(CBACnetPDU::GetReceiveData(r.table, in.buf(), len, in.end()), c.type < 0 ? nullptr : r.table[c.type])
            << c.name;
        EXPECT_EQ(len, c.advance) << c.name;
        CBACnetReceivePDUs any;
        len = 0;
        EXPECT_EQ(any.GetReceiveDataAnyService(in.buf(), len, in.end()), c.anyType < 0 ? nullptr : any.m_table[c.anyType])
            << c.name;
        EXPECT_EQ(len, c.advance) << c.name;
    }
    CBACnetReceivePDUs r;
    Received ack("30 07 1A");
    int len = 0;
    ASSERT_EQ(r.GetReceiveDataAnyService(ack.buf(), len, ack.end()), &r.m_complexAck);
    EXPECT_EQ(r.m_complexAck.GetServiceAckChoice(), 26);
    EXPECT_EQ(r.m_complexAck.GetInvokeID(), 7);
}

TEST(PDU, ReceivedFieldsAreKept)
{
    Receivers r;
    int len = 0;
    Received ack("3C 05 00 04 0E");
    ASSERT_EQ(CBACnetPDU::GetReceiveData(r.table, ack.buf(), len, ack.end()), &r.complex);
    EXPECT_EQ(r.complex.GetSegMsgType(), 1);
    EXPECT_EQ(r.complex.GetMoreFow(), 1);
    EXPECT_EQ(r.complex.GetInvokeID(), 5);
    EXPECT_EQ(r.complex.GetSequenceNo(), 0);
    EXPECT_EQ(r.complex.GetWindowSize(), 4);
    EXPECT_EQ(r.complex.GetServiceAckChoice(), 14);

    len = 0;
    Received abort("71 03 04");
    ASSERT_EQ(CBACnetPDU::GetReceiveData(r.table, abort.buf(), len), &r.abort);
    EXPECT_EQ(r.abort.GetInvokeID(), 3);
    EXPECT_EQ(r.abort.GetAbortReason(), 4);
    EXPECT_EQ(r.abort.m_firstOctet & CBACnetPDU::BIT_SRV, 1);

    // A refused choice is still stored, and the header is consumed.
    len = 0;
    Received bad("30 07 1A");
    EXPECT_EQ(CBACnetPDU::GetReceiveData(r.table, bad.buf(), len), nullptr);
    EXPECT_EQ(r.complex.GetInvokeID(), 7);
    EXPECT_EQ(r.complex.GetServiceAckChoice(), 26);

    // A null entry refuses its type.
    r.table[7] = nullptr;
    len = 0;
    EXPECT_EQ(CBACnetPDU::GetReceiveData(r.table, abort.buf(), len), nullptr);
    EXPECT_EQ(len, 0);
}

}  // namespace

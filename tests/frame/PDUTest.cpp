#include <gtest/gtest.h>

#include <vector>

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

TEST(PDU, HeadersWriteExactOctets)
{
    CBACnetConfirmReqPDU confirm, flagged, segmented;
    CBACnetUnconfirmReqPDU unconfirm, whoIs;
    CBACnetSimpleAckPDU simple;
    CBACnetComplexAckPDU complex;
    CBACnetSegmentAckPDU segment;
    CBACnetErrorPDU error;
    CBACnetRejectPDU reject;
    CBACnetAbortPDU abort;
    flagged.SetMaxAPDU(1476);
    flagged.SetSegmentReply();
    segmented.SetMaxAPDU(480);
    segmented.SetSegmentRequest();
    segmented.SetSequenceNo(2);
    segmented.SetWindowSize(4);
    for (CBACnetConfirmReqPDU* pdu : {&flagged, &segmented}) {
        pdu->SetInvokeID(7);
        pdu->SetServiceChoice(12);
    }
    whoIs.SetServiceChoice(8);
    const struct {
        CBACnetPDU* pdu;
        int type;
        const char* octets;
    } cases[] = {
        {&confirm, 0, "00 05 00 00"}, {&unconfirm, 1, "10 00"},       {&simple, 2, "20 00 00"},
        {&complex, 3, "30 00 00"},    {&segment, 4, "42 00 00 01"}, {&error, 5, "50 00 00"},
        {&reject, 6, "60 00 00"},     {&abort, 7, "70 00 00"},       {&flagged, 0, "02 05 07 0C"},
        {&segmented, 0, "08 03 07 02 04 0C"}, {&whoIs, 1, "10 08"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.pdu->GetPduType(), c.type) << c.octets;
        EXPECT_EQ(Written(*c.pdu), c.octets);
    }
}

TEST(PDU, MaxAPDUCodes)
{
    const struct {
        unsigned short size;
        unsigned char code;
    } cases[] = {{0, 0}, {51, 1}, {129, 2}, {206, 2}, {481, 4}, {1024, 4}, {1025, 5}, {2000, 5}};
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

// Both dispatchers on one table: the plain one refuses service choices it
// has no decoder for, the other hands them over; cut headers are refused by
// both, and what is taken writes back the same.
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
        {"abort from server", "71 03 04", 7, 7, 3},
        {"PDU type 8", "80 01 02", -1, -1, 0},
        {"complex ack choice 26 (ReadRange)", "30 07 1A", -1, 3, 3},
        {"unconfirmed choice 9", "10 09", -1, 1, 2},
        {"error choice 26", "50 01 1A", -1, 5, 3},
        {"reject any reason", "60 01 FF", 6, 6, 3},
        {"confirmed request choice 25", "02 05 07 19", 0, 0, 4},
        {"confirmed request choice 26", "00 05 07 1A", -1, 0, 4},
        {"segment ack", "42 09 01 04", 4, 4, 4},
        {"simple ack", "20 09 0F", 2, 2, 3},
        {"truncated complex ack", "3C 05 00 04", -1, -1, 4},
        {"truncated confirmed request", "00 05 07", -1, -1, 3},
        {"empty", "", -1, -1, 0},
    };
    for (const auto& c : cases) {
        CBACnetReceivePDUs r;
        Received in(c.input);
        int len = 0;
        EXPECT_EQ(CBACnetPDU::GetReceiveData(r.m_table, in.buf(), len, in.end()),
                  c.type < 0 ? nullptr : r.m_table[c.type])
            << c.name;
        EXPECT_EQ(len, c.advance) << c.name;
        CBACnetReceivePDUs any;
        len = 0;
        CBACnetPDU* expected = c.anyType < 0 ? nullptr : any.m_table[c.anyType];
        EXPECT_EQ(any.GetReceiveDataAnyService(in.buf(), len, in.end()), expected) << c.name;
        EXPECT_EQ(len, c.advance) << c.name;
        if (!expected)
            continue;
        // What was read writes the same octets again.
        unsigned char out[8];
        int n = 0;
        expected->MakeFrame(out, n);
        EXPECT_EQ(ToHex(out, n), c.input) << c.name;
    }
    // The fields a driver reads of a segmented acknowledgement; a null entry
    // refuses its type and reads nothing.
    CBACnetReceivePDUs r;
    CBACnetComplexAckPDU& complex = r.m_complexAck;
    Received ack("3C 05 00 04 0E");
    int len = 0;
    ASSERT_EQ(CBACnetPDU::GetReceiveData(r.m_table, ack.buf(), len), &complex);
    const int fields[] = {complex.GetSegMsgType(), complex.GetMoreFow(), complex.GetInvokeID(),
                          complex.GetSequenceNo(), complex.GetWindowSize(), complex.GetServiceAckChoice()};
    EXPECT_EQ(std::vector<int>(fields, fields + 6), (std::vector<int>{1, 1, 5, 0, 4, 14}));
    r.m_table[3] = nullptr;
    len = 0;
    EXPECT_EQ(CBACnetPDU::GetReceiveData(r.m_table, ack.buf(), len, ack.end()), nullptr);
    EXPECT_EQ(len, 0);
    // A bare header reads its first octet.
    CBACnetPDU bare;
    EXPECT_EQ(1, bare.ReadFrame(ack.buf(), len));
    EXPECT_EQ(len, 1);
    EXPECT_EQ(bare.GetPduType(), 3);
}

}  // namespace

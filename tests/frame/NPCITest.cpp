#include <gtest/gtest.h>

#include <cstring>

#include "Archived.h"
#include "frame/NPCI.h"

namespace {

std::string Written(CBACnetNPCI& npci)
{
    unsigned char buf[64];
    int len = 0;
    npci.MakeFrame(buf, len);
    return ToHex(buf, len);
}

CBACnetNPCI_DATA Address(unsigned char net0, unsigned char net1, int macLength, unsigned char fill = 0x0A)
{
    CBACnetNPCI_DATA a;
    a.m_network[0] = net0;
    a.m_network[1] = net1;
    a.m_macLength = static_cast<unsigned char>(macLength);
    for (int i = 0; i < 24; i++)
        a.m_mac[i] = static_cast<unsigned char>(fill + i);
    return a;
}

TEST(NPCI, BuildsHeaders)
{
    CBACnetNPCI bare;
    EXPECT_EQ(Written(bare), "01 00");

    CBACnetNPCI local;
    CBACnetNPCI_DATA here;
    local.SetLocalReplyFrame();
    local.MakeDstNetworkFrame(here);
    EXPECT_EQ(Written(local), "01 04");

    CBACnetNPCI broadcast;
    broadcast.SetLocalReplyFrame();
    broadcast.MakeBroadcastFrame();
    EXPECT_EQ(Written(broadcast), "01 20 FF FF 00 FF");

    CBACnetNPCI routed;
    auto remote = Address(0x00, 0x05, 1);
    routed.MakeDstNetworkFrame(remote);
    routed.SetLocalReplyFrame();
    EXPECT_EQ(Written(routed), "01 24 00 05 01 0A FF");

    CBACnetNPCI withSource;
    unsigned char net[] = {0x00, 0x07}, mac[] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    withSource.MakeBroadcastFrame();
    withSource.MakeSrcNetworkFrame(net, 6, mac);
    EXPECT_EQ(Written(withSource), "01 28 FF FF 00 00 07 06 A1 A2 A3 A4 A5 A6 FF");
}

TEST(NPCI, AddressOperationsOnlyAddBits)
{
    // A later local address keeps bit 5: DNET of the new record with DLEN 0.
    CBACnetNPCI npci;
    auto remote = Address(0x00, 0x05, 1);
    auto local = Address(0x00, 0x09, 0);
    npci.MakeDstNetworkFrame(remote);
    npci.MakeDstNetworkFrame(local);
    EXPECT_EQ(Written(npci), "01 20 00 09 00 FF");

    // 23 octets are accepted, 24 change nothing.
    CBACnetNPCI longest;
    auto mac23 = Address(0x00, 0x01, 23);
    longest.MakeDstNetworkFrame(mac23);
    EXPECT_EQ(longest.m_dlen, 23);
    auto mac24 = Address(0x00, 0x02, 24);
    longest.MakeDstNetworkFrame(mac24);
    EXPECT_EQ(longest.m_dlen, 23);
    EXPECT_EQ(longest.m_dnet[1], 0x01);

    CBACnetNPCI source;
    unsigned char net[] = {0, 1}, mac[24] = {};
    source.MakeSrcNetworkFrame(net, 24, mac);
    EXPECT_EQ(source.ExistSrcNetwork(), 0);
}

struct ReadCase {
    const char* name;
    const char* input;
    int result, advance;
};

TEST(NPCI, ReadFrame)
{
    const ReadCase cases[] = {
        {"local", "01 04 10 08", 1, 2},
        {"broadcast stops before the APDU", "01 20 FF FF 00 FF 10 08", 1, 6},
        {"wrong version", "02 04", 0, 1},
        {"network message", "01 80 00", 1, 3},
        {"source and destination", "01 28 FF FF 00 00 07 06 A1 A2 A3 A4 A5 A6 FF", 1, 15},
        {"DLEN 25 refused", "01 20 00 01 19", 0, 5},
        {"SLEN 25 refused", "01 08 00 01 19", 0, 5},
        {"truncated DADR", "01 20 00 05 03 0A 0B", 0, 5},
        {"missing hop count", "01 20 FF FF 00", 0, 5},
        {"missing message type", "01 80", 0, 2},
        {"missing control", "01", 0, 1},
        {"empty", "", 0, 0},
    };
    for (const auto& c : cases) {
        Received in(c.input);
        CBACnetNPCI npci;
        int len = 0;
        EXPECT_EQ(npci.ReadFrame(in.buf(), len, in.end()), c.result) << c.name;
        EXPECT_EQ(len, c.advance) << c.name;
    }
}

TEST(NPCI, ReadFrameFillsFields)
{
    Received broadcast("01 20 FF FF 00 FF 10 08");
    CBACnetNPCI npci;
    int len = 0;
    ASSERT_EQ(npci.ReadFrame(broadcast.buf(), len), 1);
    EXPECT_EQ(npci.ExistDstNetwork(), 1);
    EXPECT_EQ(npci.IsMessageMode(), 0);

    Received message("01 80 00");
    len = 0;
    ASSERT_EQ(npci.ReadFrame(message.buf(), len, message.end()), 1);
    EXPECT_EQ(npci.IsMessageMode(), 1);
    EXPECT_EQ(npci.m_messageType, 0);

    // The sender's address becomes a device address record.
    Received routed("01 08 00 07 02 C0 A8 10 08");
    len = 0;
    ASSERT_EQ(npci.ReadFrame(routed.buf(), len, routed.end()), 1);
    CBACnetNPCI_DATA sender;
    sender.CopyData_SrcToDst(npci);
    EXPECT_EQ(sender.m_network[1], 0x07);
    EXPECT_EQ(sender.m_macLength, 2);
    EXPECT_EQ(sender.m_mac[0], 0xC0);

    // Without a source block the record is unchanged.
    Received local("01 04");
    len = 0;
    ASSERT_EQ(npci.ReadFrame(local.buf(), len, local.end()), 1);
    CBACnetNPCI_DATA untouched;
    untouched.CopyData_SrcToDst(npci);
    EXPECT_EQ(untouched.m_network[0], 0xFF);
    EXPECT_EQ(untouched.m_macLength, 0);
}

TEST(NPCI, CopyDataDstToDstCopiesAllStorage)
{
    auto from = Address(0x12, 0x34, 2, 0x40);
    CBACnetNPCI_DATA to;
    to.CopyData_DstToDst(from);
    EXPECT_EQ(memcmp(&to.m_network, &from.m_network, 27), 0);
}

}  // namespace

namespace {

TEST(NPCI, AddressRecordArchivesAll27Octets)
{
    auto address = Address(0x12, 0x34, 2, 0x40);
    const auto bytes = Stored([&](CArchive& ar) { address.Serialize(ar); });
    ASSERT_EQ(bytes.size(), 27u);
    EXPECT_EQ(ToHex(bytes), "12 34 02 " + ToHex(address.m_mac, 24));

    CMemFile file(const_cast<BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    CBACnetNPCI_DATA loaded;
    loaded.Serialize(ar);
    EXPECT_EQ(memcmp(&loaded.m_network, &address.m_network, 27), 0);
}

}  // namespace

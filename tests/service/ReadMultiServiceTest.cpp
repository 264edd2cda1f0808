#include <gtest/gtest.h>

#include <vector>

#include "Devices.h"
#include "Hex.h"
#include "InvokeID.h"
#include "host/Arrays.h"
#include "service/ReadMultiService.h"

namespace {

// Bound present values of analog inputs 1..n, owned, in a pointer array as a driver keeps them.
class BoundRun {
public:
    explicit BoundRun(int n)
    {
        for (int i = 1; i <= n; i++) {
            m_tags.push_back(Bind(0, i, L"PresentValue"));
            m_array.Add(m_tags.back().get());
        }
    }
    CPtrArray& array() { return m_array; }
    CBACnetObjTypes* at(int i) { return m_tags[i].get(); }
    int size() const { return static_cast<int>(m_tags.size()); }

private:
    std::vector<std::unique_ptr<CBACnetObjTypes>> m_tags;
    CPtrArray m_array;
};

TEST(ReadMultiple, OneEntryRequest)
{
    InvokeIDScope scope(6);
    CBACnetOBJ device = LocalDevice();
    BoundRun run(5);
    CBACnetReadMultiService service(4);
    EXPECT_EQ(service.m_invokeID, 7);
    int len = 0;
    service.MakeHeaderFrame(len, &device, 4);
    EXPECT_EQ(service.MakeBodyFrame(len, run.at(4), 4), 1);
    EXPECT_EQ(service.m_frameLength, 15);
    EXPECT_EQ(ToHex(service.m_frame, service.m_frameLength), "01 04 02 05 07 0E 0C 00 00 00 05 1E 09 55 1F");
    EXPECT_EQ(service.m_first, 4);
    EXPECT_EQ(service.m_last, 4);
}

// Where a run ends for each max-APDU code: the last entry that still reports room.
TEST(ReadMultiple, RunEndsWhereTheAcknowledgementWouldNotFit)
{
    const struct {
        unsigned short maxAPDU;
        int fullAt;  // 1-based entry whose MakeBodyFrame returns 0
    } cases[] = {{1476, 90}, {1400, 90}, {2000, 90}, {480, 28}, {50, 1}, {0, 1}, {128, 6}};
    for (const auto& c : cases) {
        CBACnetOBJ device = LocalDevice(c.maxAPDU);
        BoundRun run(100);
        CBACnetReadMultiService service(0);
        int len = 0;
        service.MakeHeaderFrame(len, &device, 0);
        int fullAt = 0;
        for (int i = 0; i < run.size() && !fullAt; i++)
            if (!service.MakeBodyFrame(len, run.at(i), i))
                fullAt = i + 1;
        EXPECT_EQ(fullAt, c.fullAt) << "max APDU " << c.maxAPDU;
        EXPECT_EQ(service.m_last, c.fullAt - 1) << "max APDU " << c.maxAPDU;
        EXPECT_EQ(service.m_frameLength, 6 + 9 * c.fullAt) << "max APDU " << c.maxAPDU;
    }
}

TEST(ReadMultiple, NeverWritesPastItsBuffer)
{
    // A driver that keeps appending after the request is full, with a routed
    // address of 23 octets and a device that accepts almost nothing.
    CBACnetOBJ device = LocalDevice(1);
    device.m_address.m_macLength = 23;
    BoundRun run(300);
    CBACnetReadMultiService service(0);
    int len = 0;
    service.MakeHeaderFrame(len, &device, 0);
    int written = 0;
    for (int i = 0; i < run.size(); i++) {
        const int before = len;
        service.MakeBodyFrame(len, run.at(i), i);
        written += len > before;
    }
    EXPECT_LE(service.m_frameLength, service.m_frameSize);
    EXPECT_GT(written, 1);
    EXPECT_LT(written, 300);

    CBACnetReadMultiService unprepared;
    int zero = 0;
    EXPECT_EQ(unprepared.MakeBodyFrame(zero, run.at(0), 0), 0);
    for (int wild : {1 << 30, -1, -1000}) {
        const int before = service.m_frameLength;
        EXPECT_EQ(service.MakeBodyFrame(wild, run.at(0), 0), 0) << wild;
        EXPECT_EQ(service.m_frameLength, before) << wild;
    }
}

TEST(ReadMultiple, ConstructionTakesConsecutiveInvokeIDs)
{
    InvokeIDScope scope(254);
    CBACnetReadMultiService first, second;
    EXPECT_EQ(first.m_invokeID, 255);
    EXPECT_EQ(second.m_invokeID, 0);
    EXPECT_EQ(first.m_first, 0);
    EXPECT_EQ(first.m_frame, nullptr);
}

TEST(ReadMultiple, ScheduleHeaderIntoTheCallersBuffer)
{
    InvokeIDScope scope(19);
    CBACnetOBJ device = LocalDevice();
    CBACnetReadMultiService service;
    std::vector<unsigned char> buf(device.m_maxAPDU, 0xEE);
    int len = 0;
    EXPECT_EQ(service.MakeSchedueHeader(buf.data(), len, &device), 20);
    EXPECT_EQ(ToHex(buf.data(), len), "01 04 02 05 14 0E");
    for (size_t i = len; i < buf.size(); i++)
        ASSERT_EQ(buf[i], 0) << i;
    EXPECT_EQ(service.m_frame, nullptr);
    EXPECT_EQ(service.m_frameLength, 0);
}

TEST(ReadMultiple, AcknowledgementRunPastTheArrayIsRefused)
{
    BoundRun run(2);
    CBACnetOBJ device = LocalDevice();
    CBACnetReadMultiService service(1);
    int len = 0;
    service.MakeHeaderFrame(len, &device, 1);
    service.MakeBodyFrame(len, run.at(1), 1);
    service.m_last = 2;  // the driver's array shrank between request and reply
    Received ack("0C 00 00 00 02 1E 29 55 4E 44 3F 80 00 00 4F 1F");
    EXPECT_EQ(service.ReadBodyFrame(ack.buf(), ack.end(), run.array()), 0);
    // The entry before the end of the array got its part.
    EXPECT_EQ(run.at(1)->IsChangeValue(), 1);
}

}  // namespace

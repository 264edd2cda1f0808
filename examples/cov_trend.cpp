// The codec calls for change of value, trend logs and routers: a
// subscription, a received notification, a ReadRange of a trend log's
// buffer with its acknowledgement, a Who-Is for a range of devices and the
// router messages. Every received frame is written out in the program.
#include <cstdio>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

static void Print(const char* what, const unsigned char* buf, int n)
{
    printf("%-22s", what);
    for (int i = 0; i < n; i++)
        printf(" %02X", buf[i]);
    printf("\n");
}

// A frame as it arrived: network header, APDU header, parameters.
static const std::vector<unsigned char> kNotification = {
    0x01, 0x04, 0x00, 0x05, 0x07, 0x01, 0x09, 0x12, 0x1C, 0x02, 0x00, 0x00, 0x04, 0x2C, 0x00, 0x00,
    0x00, 0x0A, 0x39, 0x78, 0x4E, 0x09, 0x55, 0x2E, 0x44, 0x42, 0x82, 0x00, 0x00, 0x2F, 0x09, 0x6F,
    0x2E, 0x82, 0x04, 0x80, 0x2F, 0x4F};
static const std::vector<unsigned char> kReadRangeAck = {
    0x01, 0x00, 0x30, 0x02, 0x1A, 0x0C, 0x05, 0x00, 0x00, 0x01, 0x19, 0x83, 0x3A, 0x05, 0xC0, 0x49,
    0x02, 0x5E, 0x0E, 0xA4, 0x7E, 0x0C, 0x04, 0x05, 0xB4, 0x0A, 0x00, 0x00, 0x00, 0x0F, 0x1E, 0x2C,
    0x41, 0xB4, 0x00, 0x00, 0x1F, 0x2A, 0x04, 0x00, 0x0E, 0xA4, 0x7E, 0x0C, 0x04, 0x05, 0xB4, 0x0A,
    0x0F, 0x00, 0x00, 0x0F, 0x1E, 0x0A, 0x05, 0x40, 0x1F, 0x5F, 0x69, 0x01};
static const std::vector<unsigned char> kIAmRouter = {0x01, 0x80, 0x01, 0x00, 0x05, 0x07, 0xD1};

int main()
{
    unsigned char out[128];
    CBACnetOBJ device;  // on the local network
    device.m_maxAPDU = 1476;

    // Subscribe to analog input 10 for confirmed notifications, one hour.
    CBACnetSubscribeCOVService subscribe;
    subscribe.m_processID = 18;
    subscribe.m_objectID = _BACnetObjectID(0, 10);
    subscribe.m_issueConfirmed = 1;
    subscribe.m_lifetime = 3600;
    int len = 0;
    subscribe.MakeFrame(out, len, &device);
    Print("SubscribeCOV:", out, len);

    // The confirmed notification arrives: headers, then its parameters.
    std::vector<unsigned char> rx = kNotification;
    CBACnetReceivePDUs headers;
    CBACnetNPCI npci;
    int pos = 0;
    if (npci.ReadFrame(rx.data(), pos, (int)rx.size()) &&
        headers.GetReceiveData(rx.data(), pos, (int)rx.size()) == &headers.m_confirmReq &&
        headers.m_confirmReq.GetServiceChoice() == CBACnetConfirmedCOVNotifyService::SERVICE_CHOICE) {
        CBACnetConfirmedCOVNotifyService notification;
        if (notification.ReadFrame(rx.data(), pos, (int)rx.size())) {
            double value = 0;
            unsigned char flags = 0;
            notification.GetPresentValue(value);
            notification.GetStatusFlags(flags);
            printf("notification: object %u:%u = %g, status flags %X, %u s left\n",
                   (unsigned)notification.m_objectID.m_type, (unsigned)notification.m_objectID.m_instance, value,
                   flags, (unsigned)notification.m_timeRemaining);
            len = 0;
            CBACnetConfirmedCOVNotifyService::MakeAckFrame(out, len, &device, headers.m_confirmReq.GetInvokeID());
            Print("Simple-ACK:", out, len);
        }
    }

    // Ten records of trend log 1 from the oldest on.
    CBACnetReadRangeService range;
    range.m_objectID = _BACnetObjectID(20, 1);
    range.m_range = CBACnetReadRangeService::RANGE_BY_POSITION;
    range.m_reference = 1;
    range.m_count = 10;
    len = 0;
    range.MakeFrame(out, len, &device);
    Print("ReadRange:", out, len);

    // ReadRange answers with service choice 26, which the plain dispatcher refuses.
    rx = kReadRangeAck;
    pos = 0;
    if (npci.ReadFrame(rx.data(), pos, (int)rx.size()) &&
        headers.GetReceiveDataAnyService(rx.data(), pos, (int)rx.size()) == &headers.m_complexAck &&
        headers.m_complexAck.GetServiceAckChoice() == CBACnetReadRangeService::SERVICE_CHOICE &&
        range.ReadFrame(rx.data(), pos, (int)rx.size())) {
        printf("%u records, flags %X, first sequence number %u\n", (unsigned)range.m_itemCount,
               range.m_resultFlags, (unsigned)range.m_firstSequence);
        for (const _BACnetLogRecord& r : range.m_records) {
            printf("  %04u-%02u-%02u %02u:%02u:%02u  ", (unsigned)(r.m_date >> 24) + 1900,
                   (unsigned)(r.m_date >> 16 & 0xFF), (unsigned)(r.m_date >> 8 & 0xFF), (unsigned)(r.m_time >> 24),
                   (unsigned)(r.m_time >> 16 & 0xFF), (unsigned)(r.m_time >> 8 & 0xFF));
            if (r.m_datum == _BACnetLogRecord::DATUM_REAL)
                printf("%g\n", r.m_real);
            else if (r.m_datum == _BACnetLogRecord::DATUM_LOG_STATUS)
                printf("log status %X\n", r.m_logStatus);
        }
    }

    // Devices 1000 to 1999 only, then the routers.
    CBACnetWhoIsService whoIs;
    len = 0;
    whoIs.MakeFrame(out, len, 1000, 1999);
    Print("Who-Is 1000-1999:", out, len);
    CBACnetRouterMessage routers;
    len = 0;
    routers.MakeWhoIsRouterFrame(out, len);
    Print("Who-Is-Router:", out, len);
    rx = kIAmRouter;
    pos = 0;
    if (routers.ReadFrame(rx.data(), pos, (int)rx.size()) == CBACnetRouterMessage::I_AM_ROUTER_TO_NETWORK)
        for (unsigned short network : routers.m_networks)
            printf("a router reaches network %u\n", network);
    return 0;
}

#include "service/TimeSyncService.h"

#include <ctime>
#include <cstring>

#include "frame/Tag.h"
#include "host/Crt.h"

namespace {

// Global broadcast: version 1, destination specifier, network FFFF, length 0, hop count 255.
constexpr unsigned char kBroadcastHeader[] = {0x01, 0x20, 0xFF, 0xFF, 0x00, 0xFF};
constexpr unsigned char kUnspecified = 0xFF;

}  // namespace

CBACnetTimeSyncService::CBACnetTimeSyncService()
{
    m_networkHeader.MakeBroadcastFrame();
}

CBACnetTimeSyncService::~CBACnetTimeSyncService() = default;

void CBACnetTimeSyncService::MakeFrame(unsigned char* buf, int& len)
{
    memcpy(buf + len, kBroadcastHeader, sizeof kBroadcastHeader);
    len += sizeof kBroadcastHeader;
    m_applicationHeader.SetServiceChoice(SERVICE_CHOICE);
    m_applicationHeader.MakeFrame(buf, len);

    __time32_t now = _time32(nullptr);
    const struct tm* local = _localtime32(&now);

    // Content octets are held wire order here, most significant first.
    unsigned char date[4] = {kUnspecified, kUnspecified, kUnspecified, kUnspecified};
    unsigned char time[4] = {kUnspecified, kUnspecified, kUnspecified, kUnspecified};
    if (local) {
        date[0] = static_cast<unsigned char>(local->tm_year);
        date[1] = static_cast<unsigned char>(local->tm_mon + 1);
        date[2] = static_cast<unsigned char>(local->tm_mday);
        date[3] = static_cast<unsigned char>(local->tm_wday == 0 ? 7 : local->tm_wday);  // Monday 1 .. Sunday 7
        time[0] = static_cast<unsigned char>(local->tm_hour);
        time[1] = static_cast<unsigned char>(local->tm_min);
        time[2] = static_cast<unsigned char>(local->tm_sec);
        time[3] = 0;  // hundredths
    }
    CBACnetTag tag;
    tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE, 4, date);
    tag.MakeArrayFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_TIME, 4, time);
}

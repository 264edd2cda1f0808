#include <bacnetcodec/bacnetcodec.h>

#include <cstring>

int main()
{
    // A Who-Is-style global broadcast network header.
    CBACnetNPCI npci;
    npci.MakeBroadcastFrame();
    unsigned char buf[16];
    int len = 0;
    npci.MakeFrame(buf, len);
    const unsigned char expected[] = {0x01, 0x20, 0xFF, 0xFF, 0x00, 0xFF};
    return len == 6 && memcmp(buf, expected, 6) == 0 ? 0 : 1;
}

#include <bacnetcodec/bacnetcodec.h>

#include <cstdio>

int main()
{
    // A Who-Is-style global broadcast network header.
    CBACnetNPCI npci;
    npci.MakeBroadcastFrame();
    unsigned char buf[16];
    int len = 0;
    npci.MakeFrame(buf, len);
    for (int i = 0; i < len; i++)
        printf("%02X ", buf[i]);
    printf("\n");
    const unsigned char expected[] = {0x01, 0x20, 0xFF, 0xFF, 0x00, 0xFF};
    if (len != 6)
        return 1;
    for (int i = 0; i < len; i++)
        if (buf[i] != expected[i])
            return 1;
    return 0;
}

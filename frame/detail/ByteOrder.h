// Octet order steps of the tag codec: wire values go high-order octet
// first, host numbers low-order first. Each multi-octet width is one load,
// one swap and one store; memcpy keeps every access aligned. Internal, but
// installed: the inline steps of frame/Tag.h call it.
#pragma once

#include <cstdint>
#include <cstring>

namespace bacnetcodec::detail {

// dst[n - 1 - i] = src[i] for the n octets; nothing for n <= 0.
inline void Reverse(unsigned char* dst, const unsigned char* src, int n)
{
    switch (n) {
    case 1:
        dst[0] = src[0];
        return;
    case 2: {
        uint16_t v;
        memcpy(&v, src, 2);
        v = __builtin_bswap16(v);
        memcpy(dst, &v, 2);
        return;
    }
    case 4: {
        uint32_t v;
        memcpy(&v, src, 4);
        v = __builtin_bswap32(v);
        memcpy(dst, &v, 4);
        return;
    }
    case 8: {
        uint64_t v;
        memcpy(&v, src, 8);
        v = __builtin_bswap64(v);
        memcpy(dst, &v, 8);
        return;
    }
    default:
        for (int i = 0; i < n; i++)
            dst[n - 1 - i] = src[i];
    }
}

// A 32-bit number as four octets, high-order first.
inline void StoreBig32(unsigned char* dst, uint32_t value)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    value = __builtin_bswap32(value);
    memcpy(dst, &value, 4);
#else
    dst[0] = static_cast<unsigned char>(value >> 24);
    dst[1] = static_cast<unsigned char>(value >> 16);
    dst[2] = static_cast<unsigned char>(value >> 8);
    dst[3] = static_cast<unsigned char>(value);
#endif
}

}  // namespace bacnetcodec::detail

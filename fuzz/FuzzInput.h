// Shared pieces of the fuzz targets: the received octets in a block of
// exactly their size, selector octets taken from the front of the input,
// and the checks every decoder must pass whatever it was fed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <bacnetcodec/bacnetcodec.h>

namespace fuzz {

// The fuzzer's input split into leading selector octets and the frame that
// follows. The frame lives in a heap block of exactly its size (none at all
// for an empty frame), so AddressSanitizer reports a read at or past its end.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    // The next selector octet, 0 once the input is used up.
    unsigned char Take()
    {
        if (m_size == 0)
            return 0;
        m_size--;
        return *m_data++;
    }

    // Everything not yet taken, as the received frame.
    void Rest()
    {
        m_frame.reset(new unsigned char[m_size]);
        if (m_size)
            memcpy(m_frame.get(), m_data, m_size);
    }
    unsigned char* buf() { return m_frame.get(); }
    int end() const { return static_cast<int>(m_size); }

private:
    const uint8_t* m_data;
    size_t m_size;
    std::unique_ptr<unsigned char[]> m_frame;
};

// A decoder's cursor never leaves the received octets.
inline void CheckCursor(int len, int end)
{
    if (len < 0 || len > end)
        abort();
}

// May the octets before `len` end with a closing tag? One octet with the
// class bit and length 7 (x F), or FF and an extended tag number.
inline bool EndsOnClosing(const unsigned char* buf, int len)
{
    return (len >= 1 && (buf[len - 1] & 0x0F) == 0x0F) || (len >= 2 && buf[len - 2] == 0xFF);
}

// A decode that succeeded (`len` octets) decoded again from every shorter
// cut of the same octets, each in a block of exactly its size: `decode`
// (const unsigned char* buf, int end) -> 1 / 0 must refuse each, except
// where `mayEndAt` (buf, cut) allows a whole value. Long values are cut at
// a sample of points: all of the last 64 and 64 spread over the rest.
template <class Decode, class MayEnd>
void CheckCutsRefused(const unsigned char* buf, int len, Decode decode, MayEnd mayEndAt)
{
    const int stride = len > 128 ? (len - 64) / 64 + 1 : 1;
    for (int cut = 0; cut < len; cut += (cut < len - 64 ? stride : 1)) {
        std::unique_ptr<unsigned char[]> block(new unsigned char[cut > 0 ? cut : 1]);
        if (cut > 0)
            memcpy(block.get(), buf, cut);
        if (decode(block.get(), cut) && !mayEndAt(block.get(), cut))
            abort();  // a value cut short was taken as good
    }
}

}  // namespace fuzz

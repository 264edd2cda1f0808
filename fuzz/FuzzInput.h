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

}  // namespace fuzz

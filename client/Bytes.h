// Byte views and owned octets: how received and built frames cross the
// client's API. A view never owns; it names octets someone else keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bacnet {

using Bytes = std::vector<uint8_t>;

class ByteView {
public:
    constexpr ByteView() = default;
    constexpr ByteView(const uint8_t* data, size_t size) : m_data(size ? data : nullptr), m_size(data ? size : 0) {}
    ByteView(const Bytes& bytes) : ByteView(bytes.data(), bytes.size()) {}  // NOLINT: a view of owned octets
    template <size_t N>
    constexpr ByteView(const uint8_t (&array)[N]) : ByteView(array, N) {}  // NOLINT

    constexpr const uint8_t* data() const { return m_data; }
    constexpr size_t size() const { return m_size; }
    constexpr bool empty() const { return m_size == 0; }
    constexpr const uint8_t* begin() const { return m_data; }
    constexpr const uint8_t* end() const { return m_data + m_size; }
    constexpr uint8_t operator[](size_t i) const { return m_data[i]; }
    // Octets [offset, offset + n), clipped to the view.
    constexpr ByteView Sub(size_t offset, size_t n = SIZE_MAX) const
    {
        if (offset >= m_size)
            return ByteView();
        return ByteView(m_data + offset, n < m_size - offset ? n : m_size - offset);
    }
    Bytes ToBytes() const { return Bytes(begin(), end()); }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace bacnet

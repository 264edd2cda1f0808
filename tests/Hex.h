// Hex helpers for tests that read like the wire.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// "01 20 FF" -> {0x01, 0x20, 0xFF}; spaces are ignored.
inline std::vector<unsigned char> Hex(const std::string& text)
{
    std::vector<unsigned char> out;
    std::string digits;
    for (char c : text)
        if (c != ' ')
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return out;
}

// {0x01, 0x20} -> "01 20"
inline std::string ToHex(const unsigned char* data, int n)
{
    std::string out;
    char octet[4];
    for (int i = 0; i < n; i++) {
        snprintf(octet, sizeof octet, i ? " %02X" : "%02X", data[i]);
        out += octet;
    }
    return out;
}

inline std::string ToHex(const std::vector<unsigned char>& data)
{
    return ToHex(data.data(), static_cast<int>(data.size()));
}

// A received frame copied into a heap block of exactly its size, so that
// AddressSanitizer catches any read past its end.
class Received {
public:
    explicit Received(const std::string& hex) : Received(Hex(hex)) {}
    explicit Received(const std::vector<unsigned char>& data, size_t n = SIZE_MAX)
        : m_size(n < data.size() ? n : data.size()), m_bytes(new unsigned char[m_size])
    {
        std::copy(data.begin(), data.begin() + m_size, m_bytes.get());
    }
    unsigned char* buf() { return m_bytes.get(); }
    int end() const { return static_cast<int>(m_size); }

private:
    size_t m_size;
    std::unique_ptr<unsigned char[]> m_bytes;
};

// Decodes every proper prefix of `whole`, each a Received block of exactly
// its size, with decode(buf, len, end). Returns the cuts that were taken or
// that left the cursor past the end, as "3 7": empty when all were refused.
template <class F>
std::string CutsTaken(const std::vector<unsigned char>& whole, F decode)
{
    std::string taken;
    for (size_t n = 0; n < whole.size(); n++) {
        Received cut(whole, n);
        int len = 0;
        if (decode(cut.buf(), len, cut.end()) || len > cut.end())
            taken += (taken.empty() ? "" : " ") + std::to_string(n);
    }
    return taken;
}

inline std::string CutsTaken(const std::string& hex, std::function<int(unsigned char*, int&, int)> decode)
{
    return CutsTaken(Hex(hex), decode);
}

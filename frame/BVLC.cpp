#include "frame/BVLC.h"

#include <cstring>
#include <iterator>

namespace {

// What each function carries after the header.
enum Body : unsigned char {
    BODY_NONE,      // header only
    BODY_RESULT,    // 2-octet code
    BODY_TTL,       // 2-octet time-to-live
    BODY_ADDRESS,   // one BACnet/IP address
    BODY_BDT,       // broadcast distribution entries
    BODY_FDT,       // foreign device entries
    BODY_FORWARDED, // originator address, then an NPDU
    BODY_NPDU,      // an NPDU
};

// By function octet.
constexpr Body kBodies[] = {
    BODY_RESULT, BODY_BDT, BODY_NONE, BODY_BDT, BODY_FORWARDED, BODY_TTL,
    BODY_NONE, BODY_FDT, BODY_ADDRESS, BODY_NPDU, BODY_NPDU, BODY_NPDU,
};
static_assert(std::size(kBodies) == CBACnetBVLC::FUNCTIONS, "one body per function");

constexpr const char* kRefusalTexts[] = {
    "accepted",
    "shorter than its header",
    "not a BACnet/IP datagram",
    "length field does not match the datagram",
    "function not taken",
    "longer than any BACnet/IP datagram",
    "table is not whole entries",
};
static_assert(std::size(kRefusalTexts) == CBACnetBVLC::REFUSED_BAD_TABLE + 1, "one text per refusal");

unsigned short ReadU16(const unsigned char* p)
{
    return static_cast<unsigned short>(p[0] << 8 | p[1]);
}

void WriteU16(unsigned char* p, unsigned value)
{
    p[0] = static_cast<unsigned char>(value >> 8);
    p[1] = static_cast<unsigned char>(value);
}

}  // namespace

CBACnetBVLC::CBACnetBVLC()
    : m_function(ORIGINAL_UNICAST), m_resultCode(0), m_timeToLive(0), m_address(), m_npdu(nullptr),
      m_npduLength(0), m_refusal(ACCEPTED)
{
}

int CBACnetBVLC::NpduOffset(unsigned char function)
{
    if (function == FORWARDED_NPDU)
        return HEADER + ADDRESS;
    if (function < FUNCTIONS && kBodies[function] == BODY_NPDU)
        return HEADER;
    return 0;
}

int CBACnetBVLC::FrameLength() const
{
    if (m_function >= FUNCTIONS)
        return 0;
    switch (kBodies[m_function]) {
    case BODY_NONE:
        return HEADER;
    case BODY_RESULT:
    case BODY_TTL:
        return HEADER + 2;
    case BODY_ADDRESS:
        return HEADER + ADDRESS;
    case BODY_BDT:
        return HEADER + BDT_ENTRY * static_cast<int>(m_bdt.size());
    case BODY_FDT:
        return HEADER + FDT_ENTRY * static_cast<int>(m_fdt.size());
    case BODY_FORWARDED:
    case BODY_NPDU:
        return NpduOffset(m_function) + (m_npduLength > 0 ? m_npduLength : 0);
    }
    return 0;
}

int CBACnetBVLC::MakeFrame(unsigned char* buf, int& len, int room)
{
    if (m_function >= FUNCTIONS || m_bdt.size() > MAX_TABLE_ENTRIES || m_fdt.size() > MAX_TABLE_ENTRIES)
        return 0;
    const int total = FrameLength();
    if (total > MAX_DATAGRAM || len < 0 || room - len < total)
        return 0;
    unsigned char* p = buf + len;
    // The NPDU first: it may sit where the header goes when a driver built
    // it in place at an offset other than NpduOffset.
    const int offset = NpduOffset(m_function);
    if (offset && m_npduLength > 0)
        memmove(p + offset, m_npdu, static_cast<size_t>(m_npduLength));
    p[0] = TYPE;
    p[1] = m_function;
    WriteU16(p + 2, static_cast<unsigned>(total));
    unsigned char* body = p + HEADER;
    switch (kBodies[m_function]) {
    case BODY_RESULT:
        WriteU16(body, m_resultCode);
        break;
    case BODY_TTL:
        WriteU16(body, m_timeToLive);
        break;
    case BODY_ADDRESS:
    case BODY_FORWARDED:
        memcpy(body, m_address, ADDRESS);
        break;
    case BODY_BDT:
        for (const BDTEntry& e : m_bdt) {
            memcpy(body, e.m_address, ADDRESS);
            memcpy(body + ADDRESS, e.m_mask, 4);
            body += BDT_ENTRY;
        }
        break;
    case BODY_FDT:
        for (const FDTEntry& e : m_fdt) {
            memcpy(body, e.m_address, ADDRESS);
            WriteU16(body + ADDRESS, e.m_timeToLive);
            WriteU16(body + ADDRESS + 2, e.m_remaining);
            body += FDT_ENTRY;
        }
        break;
    case BODY_NONE:
    case BODY_NPDU:
        break;
    }
    len += total;
    return 1;
}

int CBACnetBVLC::ReadFrame(const unsigned char* buf, int& len, int end)
{
    const long long n = static_cast<long long>(end) - len;
    m_refusal = ACCEPTED;
    if (len < 0 || n < HEADER)
        m_refusal = REFUSED_TOO_SHORT;
    else if (n > MAX_DATAGRAM)
        m_refusal = REFUSED_TOO_LONG;
    else if (buf[len] != TYPE)
        m_refusal = REFUSED_NOT_BACNET_IP;
    // A length shorter or longer than what arrived means the datagram is not
    // what it claims to be: never trust either part.
    else if (ReadU16(buf + len + 2) != n)
        m_refusal = REFUSED_LENGTH_MISMATCH;
    else if (buf[len + 1] >= FUNCTIONS)
        m_refusal = REFUSED_UNKNOWN_FUNCTION;
    if (m_refusal != ACCEPTED)
        return 0;

    const unsigned char function = buf[len + 1];
    const unsigned char* body = buf + len + HEADER;
    const int size = static_cast<int>(n) - HEADER;
    // Fixed-size bodies: exactly their size.
    int fixed = -1;
    switch (kBodies[function]) {
    case BODY_NONE: fixed = 0; break;
    case BODY_RESULT:
    case BODY_TTL: fixed = 2; break;
    case BODY_ADDRESS: fixed = ADDRESS; break;
    case BODY_FORWARDED:
        if (size < ADDRESS)
            m_refusal = REFUSED_TOO_SHORT;
        break;
    case BODY_BDT:
    case BODY_FDT:
        if (size % BDT_ENTRY != 0)
            m_refusal = REFUSED_BAD_TABLE;
        break;
    case BODY_NPDU: break;
    }
    if (fixed >= 0 && size != fixed)
        m_refusal = size < fixed ? REFUSED_TOO_SHORT : REFUSED_LENGTH_MISMATCH;
    if (m_refusal != ACCEPTED)
        return 0;

    m_function = function;
    m_npdu = nullptr;
    m_npduLength = 0;
    m_bdt.clear();
    m_fdt.clear();
    switch (kBodies[function]) {
    case BODY_RESULT:
        m_resultCode = ReadU16(body);
        break;
    case BODY_TTL:
        m_timeToLive = ReadU16(body);
        break;
    case BODY_ADDRESS:
        memcpy(m_address, body, ADDRESS);
        break;
    case BODY_FORWARDED:
        memcpy(m_address, body, ADDRESS);
        m_npdu = body + ADDRESS;
        m_npduLength = size - ADDRESS;
        break;
    case BODY_NPDU:
        m_npdu = body;
        m_npduLength = size;
        break;
    case BODY_BDT:
        for (const unsigned char* e = body; e < body + size; e += BDT_ENTRY) {
            BDTEntry entry;
            memcpy(entry.m_address, e, ADDRESS);
            memcpy(entry.m_mask, e + ADDRESS, 4);
            m_bdt.push_back(entry);
        }
        break;
    case BODY_FDT:
        for (const unsigned char* e = body; e < body + size; e += FDT_ENTRY) {
            FDTEntry entry;
            memcpy(entry.m_address, e, ADDRESS);
            entry.m_timeToLive = ReadU16(e + ADDRESS);
            entry.m_remaining = ReadU16(e + ADDRESS + 2);
            m_fdt.push_back(entry);
        }
        break;
    case BODY_NONE:
        break;
    }
    len = m_npdu ? static_cast<int>(m_npdu - buf) : end;
    return 1;
}

const char* CBACnetBVLC::RefusalText(unsigned char refusal)
{
    return refusal < std::size(kRefusalTexts) ? kRefusalTexts[refusal] : "unknown refusal";
}

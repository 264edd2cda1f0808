// Steps shared by the decoders and encoders of context-tagged service
// parameters (subscriptions, notifications, ranges): each decoder reads a
// header through the caller's bounded tag decoder, checks it is the context
// tag the grammar names there, and reads its content. Internal to the
// library: nothing here is exported.
#pragma once

#include <cstdint>
#include <cstring>

#include "frame/ObjectID.h"
#include "frame/Tag.h"
#include "host/Types.h"

namespace bacnetcodec::detail {

// Peeks at the next header without consuming it: 1 when one is there and it
// is context tag `tagNumber` of the kind asked (primitive, opening or closing).
enum { PRIMITIVE = 0, OPENING = 1, CLOSING = 2 };
inline int NextIs(CBACnetTag& in, unsigned char* buf, int len, int tagNumber, int kind)
{
    if (!in.ReadHeaderFrame(buf, len) || in.m_class != CBACnetTag::CLASS_CONTEXT || in.m_tagNumber != tagNumber)
        return 0;
    switch (kind) {
    case OPENING: return in.IsOpening();
    case CLOSING: return in.IsClosing();
    default: return !in.IsOpening() && !in.IsClosing();
    }
}

// Reads the opening or closing tag `tagNumber`; refuses anything else.
inline int ExpectTag(CBACnetTag& in, unsigned char* buf, int& len, int tagNumber, int kind)
{
    if (!NextIs(in, buf, len, tagNumber, kind))
        return 0;
    return in.ReadHeaderFrame(buf, len);
}

// Big-endian content of `n` octets (at most 8) after the header just read.
inline int ReadNumberContent(CBACnetTag& in, unsigned char* buf, int& len, int n, uint64_t& out)
{
    unsigned char octets[8];
    if (n < 1 || n > 8 || !in.ReadOctets(buf, len, octets, n))
        return 0;
    out = 0;
    for (int i = 0; i < n; i++)
        out = (out << 8) | octets[i];
    return 1;
}

// An Unsigned of one to four octets after the header just read.
inline int ReadUnsignedContent(CBACnetTag& in, unsigned char* buf, int& len, DWORD& out)
{
    uint64_t v;
    if (in.m_lvt > 4 || !ReadNumberContent(in, buf, len, in.m_lvt, v))
        return 0;
    out = static_cast<DWORD>(v);
    return 1;
}

// A signed INTEGER of one to four octets after the header just read.
inline int ReadSignedContent(CBACnetTag& in, unsigned char* buf, int& len, int32_t& out)
{
    const int n = in.m_lvt;
    uint64_t v;
    if (n > 4 || !ReadNumberContent(in, buf, len, n, v))
        return 0;
    if (v & (uint64_t(1) << (8 * n - 1)))
        v |= ~uint64_t(0) << (8 * n);
    out = static_cast<int32_t>(static_cast<int64_t>(v));
    return 1;
}

// A four-octet Real after the header just read.
inline int ReadRealContent(CBACnetTag& in, unsigned char* buf, int& len, float& out)
{
    uint64_t v;
    if (in.m_lvt != 4 || !ReadNumberContent(in, buf, len, 4, v))
        return 0;
    const uint32_t bits = static_cast<uint32_t>(v);
    memcpy(&out, &bits, 4);
    return 1;
}

// Context tag `tagNumber` holding an Unsigned of one to four octets.
inline int ReadContextUnsigned(CBACnetTag& in, unsigned char* buf, int& len, int tagNumber, DWORD& out)
{
    return ExpectTag(in, buf, len, tagNumber, PRIMITIVE) && ReadUnsignedContent(in, buf, len, out);
}

// Context tag `tagNumber` holding an object identifier.
inline int ReadContextObjectID(CBACnetTag& in, unsigned char* buf, int& len, int tagNumber, _BACnetObjectID& out)
{
    DWORD v;
    if (!ExpectTag(in, buf, len, tagNumber, PRIMITIVE) || in.m_lvt != 4 || !ReadUnsignedContent(in, buf, len, v))
        return 0;
    out.SetValue(v);
    return 1;
}

// Context tag `tagNumber` holding a Boolean: one octet, 0 or 1.
inline int ReadContextBoolean(CBACnetTag& in, unsigned char* buf, int& len, int tagNumber, int& out)
{
    unsigned char v;
    if (!ExpectTag(in, buf, len, tagNumber, PRIMITIVE) || in.m_lvt != 1 || !in.ReadOctet(buf, len, v) || v > 1)
        return 0;
    out = v;
    return 1;
}

// Context tag `tagNumber` holding a Real.
inline int ReadContextReal(CBACnetTag& in, unsigned char* buf, int& len, int tagNumber, float& out)
{
    return ExpectTag(in, buf, len, tagNumber, PRIMITIVE) && ReadRealContent(in, buf, len, out);
}

// An application tag of data type `type` (Unsigned, Enumerated, Date, Time)
// holding one to four octets, as a host number.
inline int ReadApplicationUnsigned(CBACnetTag& in, unsigned char* buf, int& len, int type, DWORD& out)
{
    return in.ReadHeaderFrame(buf, len) && in.m_class == CBACnetTag::CLASS_APPLICATION && in.m_tagNumber == type &&
           ReadUnsignedContent(in, buf, len, out);
}

// An application-tagged INTEGER of one to four octets.
inline int ReadApplicationSigned(CBACnetTag& in, unsigned char* buf, int& len, int32_t& out)
{
    return in.ReadHeaderFrame(buf, len) && in.m_class == CBACnetTag::CLASS_APPLICATION &&
           in.m_tagNumber == CBACnetTag::TYPE_SIGNED && ReadSignedContent(in, buf, len, out);
}

// A date and a time, application-tagged, four octets each.
inline int ReadDateTime(CBACnetTag& in, unsigned char* buf, int& len, DWORD& date, DWORD& time)
{
    return ReadApplicationUnsigned(in, buf, len, CBACnetTag::TYPE_DATE, date) && in.m_lvt == 4 &&
           ReadApplicationUnsigned(in, buf, len, CBACnetTag::TYPE_TIME, time) && in.m_lvt == 4;
}

inline void MakeDateTimeFrame(CBACnetTag& tag, unsigned char* buf, int& len, DWORD date, DWORD time)
{
    tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_DATE, date);
    tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_TIME, time);
}

// A bit string of at most eight bits after the header just read, as flags:
// bit i of the string is (1 << i) of `out`.
inline int ReadFlagsContent(CBACnetTag& in, unsigned char* buf, int& len, unsigned char& out)
{
    unsigned char unused, bits = 0;
    if (in.m_lvt < 1 || in.m_lvt > 2 || !in.ReadOctet(buf, len, unused) || unused > 7 ||
        (in.m_lvt == 1 && unused != 0) || (in.m_lvt == 2 && !in.ReadOctet(buf, len, bits)))
        return 0;
    out = 0;
    for (int i = 0; i < 8; i++)
        if (bits & (0x80 >> i))
            out = static_cast<unsigned char>(out | (1 << i));
    return 1;
}

// Encoders. The room is the caller's.

// A bounded encoder writes its fixed fields into a scratch block first (the
// largest is a network header with a 24-octet address and an APDU header),
// so the room check before copying them out is exact.
struct Scratch {
    unsigned char octets[64];
    int len = 0;
    CBACnetTag tag;

    int CopyTo(unsigned char* buf, int& at, int end) const
    {
        if (at < 0 || static_cast<long long>(end) - at < len)
            return 0;
        memcpy(buf + at, octets, len);
        at += len;
        return 1;
    }
};

// Shortest big-endian form of an unsigned number, in a tag of class `cls`.
inline void MakeUnsignedFrame(CBACnetTag& tag, unsigned char* buf, int& len, int cls, int tagNumber, DWORD v)
{
    int n = 1;
    while (n < 4 && (v >> (8 * n)) != 0)
        n++;
    tag.MakeHeaderFrame(buf, len, cls, tagNumber, n);
    for (int i = n - 1; i >= 0; i--)
        buf[len++] = static_cast<unsigned char>(v >> (8 * i));
}

// Shortest two's-complement form of a signed number.
inline void MakeSignedFrame(CBACnetTag& tag, unsigned char* buf, int& len, int cls, int tagNumber, int32_t v)
{
    int n = 1;
    while (n < 4 && (v < -(int32_t(1) << (8 * n - 1)) || v > (int32_t(1) << (8 * n - 1)) - 1))
        n++;
    tag.MakeHeaderFrame(buf, len, cls, tagNumber, n);
    for (int i = n - 1; i >= 0; i--)
        buf[len++] = static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i));
}

inline void MakeRealFrame(CBACnetTag& tag, unsigned char* buf, int& len, int cls, int tagNumber, float v)
{
    uint32_t bits;
    memcpy(&bits, &v, 4);
    tag.MakeWord32Frame(buf, len, cls, tagNumber, bits);
}

// Flags (bit i of the string is (1 << i)) as a bit string of `count` bits.
inline void MakeFlagsFrame(CBACnetTag& tag, unsigned char* buf, int& len, int cls, int tagNumber, int count,
                           unsigned char flags)
{
    tag.MakeHeaderFrame(buf, len, cls, tagNumber, 2);
    buf[len++] = static_cast<unsigned char>(8 - count);
    unsigned char octet = 0;
    for (int i = 0; i < count; i++)
        if (flags & (1 << i))
            octet = static_cast<unsigned char>(octet | (0x80 >> i));
    buf[len++] = octet;
}

}  // namespace bacnetcodec::detail

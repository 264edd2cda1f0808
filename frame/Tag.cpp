#include "frame/Tag.h"

#include <cstring>

namespace {

// Zero-fills a decoded value's room; a caller with no room may pass no buffer.
void ClearRoom(unsigned char* dst, int outSize)
{
    // The usual rooms are cleared with one store, not a library call.
    if (outSize == 4)
        memset(dst, 0, 4);
    else if (outSize == 8)
        memset(dst, 0, 8);
    else if (outSize > 0)
        memset(dst, 0, outSize);
}

const char* const kRefusalNames[CBACnetTag::REFUSAL_COUNT] = {
    "", "truncated", "bad length", "unexpected octet", "wrong type", "too deep", "not the object or property asked for",
};

}  // namespace

const char* CBACnetTag::RefusalName(int reason)
{
    return reason > REFUSAL_NONE && reason < REFUSAL_COUNT ? kRefusalNames[reason] : "";
}

void CBACnetTag::MakeHeaderFrame(unsigned char* buf, int& len, int cls, int tag, int lvt)
{
    m_class = cls;
    m_tagNumber = static_cast<unsigned char>(tag);
    m_lvt = lvt;
    m_lengthExtended = 0;
    if (cls == CLASS_APPLICATION) {
        if (tag >= 13)
            return;
        if (lvt < 5) {
            buf[len++] = static_cast<unsigned char>(tag * 16 + (lvt & 7));
        } else if (lvt <= 253) {
            buf[len++] = static_cast<unsigned char>(tag * 16 + 5);
            buf[len++] = static_cast<unsigned char>(lvt);
        } else {
            buf[len++] = static_cast<unsigned char>(tag * 16 + 5);
            buf[len++] = 0xFE;
            buf[len++] = static_cast<unsigned char>(lvt >> 8);
            buf[len++] = static_cast<unsigned char>(lvt);
        }
    } else if (cls == CLASS_CONTEXT) {
        if (tag < 15) {
            buf[len++] = static_cast<unsigned char>(tag * 16 + 8 + (lvt & 7));
        } else {
            buf[len++] = static_cast<unsigned char>(0xF8 + (lvt & 7));
            buf[len++] = static_cast<unsigned char>(tag);
        }
    }
}

void CBACnetTag::MakeProgramFrame(unsigned char* buf, int& len, int tag, int open)
{
    MakeHeaderFrame(buf, len, CLASS_CONTEXT, tag, open ? LVT_OPENING : LVT_CLOSING);
}

void CBACnetTag::MakeNullFrame(unsigned char* buf, int& len)
{
    buf[len++] = 0x00;
}

void CBACnetTag::MakeBoolFrame(unsigned char* buf, int& len, int cls, int tag, int value)
{
    if (cls == CLASS_CONTEXT) {
        MakeHeaderFrame(buf, len, cls, tag, 1);
        buf[len++] = static_cast<unsigned char>(value);
    } else {
        MakeHeaderFrame(buf, len, cls, tag, value);
    }
}

void CBACnetTag::MakeAnalogFrameFull(unsigned char* buf, int& len, int cls, int tag, int lvt, unsigned char* data)
{
    MakeHeaderFrame(buf, len, cls, tag, lvt);
    ConvertData(buf + len, data, m_lvt);
    if (m_lvt > 0)
        len += m_lvt;
}

void CBACnetTag::MakeArrayFrame(unsigned char* buf, int& len, int cls, int tag, int lvt, unsigned char* data)
{
    MakeHeaderFrame(buf, len, cls, tag, lvt);
    if (m_lvt > 0) {
        memcpy(buf + len, data, m_lvt);
        len += m_lvt;
    }
}

void CBACnetTag::MakeStringFrame(unsigned char* buf, int& len, int n, const wchar_t* text)
{
    // The caller has already narrowed the text to one octet per character.
    MakeHeaderFrame(buf, len, CLASS_APPLICATION, TYPE_CHARACTER_STRING, n + 1);
    buf[len++] = 0x00;  // character set: ANSI X3.4
    if (n > 0) {
        memcpy(buf + len, text, n);
        len += n;
    }
}

void CBACnetTag::MakeBitStringFrame(unsigned char* buf, int& len, int cls, int tag, int n, unsigned char* data)
{
    // A complete bit string: header, unused-bits octet 0, then the data octets.
    MakeHeaderFrame(buf, len, cls, tag, n + 1);
    buf[len++] = 0x00;
    if (n > 0 && data) {
        memcpy(buf + len, data, n);
        len += n;
    }
}

void CBACnetTag::MakeWord32Frame(unsigned char* buf, int& len, int cls, int tag, DWORD value)
{
    MakeHeaderFrame(buf, len, cls, tag, 4);
    bacnetcodec::detail::StoreBig32(buf + len, value);
    len += 4;
}

int CBACnetTag::ReadWord32(unsigned char* buf, int& len, int type, DWORD& out)
{
    unsigned char host[4];
    int isNull;
    if (!ReadDataFrame(host, type, sizeof host, buf, len, isNull))
        return 0;
    out = DWORD(host[3]) << 24 | DWORD(host[2]) << 16 | DWORD(host[1]) << 8 | host[0];
    return 1;
}

// Reads a big-endian length of `n` octets.
static int ReadLength(CBACnetTag& in, unsigned char* buf, int& len, int n, long long& out)
{
    unsigned char octets[4];
    if (!in.ReadOctets(buf, len, octets, n))
        return 0;
    out = 0;
    for (int i = 0; i < n; i++)
        out = (out << 8) | octets[i];
    return 1;
}

int CBACnetTag::ReadHeaderFrameFull(unsigned char* buf, int& len)
{
    unsigned char octet;
    if (!ReadOctet(buf, len, octet))
        return 0;
    m_tagNumber = octet >> 4;
    m_class = (octet >> 3) & 1;
    m_lvt = octet & 7;
    m_lengthExtended = 0;

    if (m_class == CLASS_CONTEXT && m_tagNumber == 15) {
        if (!ReadOctet(buf, len, m_tagNumber))
            return 0;
        if (m_tagNumber == 255)
            return Refuse(REFUSAL_UNEXPECTED_OCTET);
    }
    // Extended length. Context tags take it too: a device may send a
    // context-tagged value longer than four octets.
    if (m_lvt == 5) {
        long long length;
        if (!ReadLength(*this, buf, len, 1, length))
            return 0;
        const int more = length == 0xFE ? 2 : length == 0xFF ? 4 : 0;
        if (more && !ReadLength(*this, buf, len, more, length))
            return 0;
        // A length past INT_MAX cannot belong to any frame we hold.
        if (length > INT_MAX)
            return Refuse(REFUSAL_BAD_LENGTH);
        m_lvt = static_cast<int>(length);
        m_lengthExtended = 1;
    }
    return 1;
}

int CBACnetTag::ReadDataFrame(void* out, int type, int outSize, unsigned char* buf, int& len, int& isNull)
{
    unsigned char* dst = static_cast<unsigned char*>(out);
    const int L = m_lvt;
    // A length past the room given, or content past the received data.
    auto fits = [&](int content, int room) {
        if (content < 0 || content > room)
            return Refuse(REFUSAL_BAD_LENGTH);
        return HasRoom(len, L) ? 1 : Refuse(REFUSAL_TRUNCATED);
    };
    isNull = 0;
    switch (type) {
    case TYPE_NULL:
        ClearRoom(dst, outSize);
        isNull = 1;
        return 1;
    case TYPE_BOOLEAN:
        // The value travels in the header but still takes an octet of room.
        if (outSize < 1)
            return Refuse(REFUSAL_BAD_LENGTH);
        dst[0] = static_cast<unsigned char>(L);
        return 1;
    case TYPE_UNSIGNED:
    case TYPE_SIGNED:
    case TYPE_REAL:
    case TYPE_DOUBLE:
    case TYPE_DATE:
    case TYPE_TIME:
    case TYPE_OBJECT_ID:
        if (!fits(L, outSize))
            return 0;
        ClearRoom(dst, outSize);
        ConvertData(dst, buf + len, L);
        // Sign-extend from the highest content octet (the first on the wire).
        if (type == TYPE_SIGNED && L >= 1 && L < outSize && (buf[len] & 0x80))
            memset(dst + L, 0xFF, outSize - L);
        len += L;
        return 1;
    case TYPE_OCTET_STRING:
    case TYPE_ENUMERATED:
        if (!fits(L, outSize))
            return 0;
        ClearRoom(dst, outSize);
        return ReadOctets(buf, len, dst, L);
    case TYPE_CHARACTER_STRING: {
        // The character-set octet, then L - 1 characters. What does not fit
        // the room (outSize - 1 characters and the 0) is consumed unread.
        unsigned char charset;
        if (L < 1 || outSize < 1)
            return Refuse(REFUSAL_BAD_LENGTH);
        if (!HasRoom(len, L) || !ReadOctet(buf, len, charset))
            return Refuse(REFUSAL_TRUNCATED);
        if (charset != 0)
            return Refuse(REFUSAL_UNEXPECTED_OCTET);
        const int kept = L - 1 < outSize - 1 ? L - 1 : outSize - 1;
        memcpy(dst, buf + len, kept);
        dst[kept] = 0;
        len += L - 1;
        return 1;
    }
    case TYPE_BIT_STRING:
        if (!fits(L - 1, outSize))
            return 0;
        ClearRoom(dst, outSize);
        len++;  // unused-bits octet
        return ReadOctets(buf, len, dst, L - 1);
    default:
        return Refuse(REFUSAL_WRONG_TYPE);
    }
}

int CBACnetTag::SkipContent(int& len)
{
    if (m_class == CLASS_APPLICATION && m_tagNumber == TYPE_BOOLEAN)
        return 1;
    if (IsOpening() || IsClosing())
        return 1;
    return SkipOctets(len, m_lvt);
}

// BACnet tag codec: tag headers and primitive values.
//
// Encoders trust the caller to provide room. Decoders read through one
// bounded reader: a tag decoder knows where the received data ends
// (`m_end`, one past the last received octet) and refuses, returning 0,
// any header, value or octet that would reach it. A default-constructed
// decoder is unbounded and trusts the caller to hold a complete frame.
#pragma once

#include <climits>
#include <cstring>

#include "frame/detail/ByteOrder.h"
#include "host/Object.h"
#include "host/Types.h"

class BACNET_API CBACnetTag : public CObject {
public:
    enum { CLASS_APPLICATION = 0, CLASS_CONTEXT = 1 };
    enum { LVT_OPENING = 6, LVT_CLOSING = 7 };
    // Application data types (the tag number of an application tag).
    enum {
        TYPE_NULL = 0, TYPE_BOOLEAN, TYPE_UNSIGNED, TYPE_SIGNED, TYPE_REAL, TYPE_DOUBLE,
        TYPE_OCTET_STRING, TYPE_CHARACTER_STRING, TYPE_BIT_STRING, TYPE_ENUMERATED,
        TYPE_DATE, TYPE_TIME, TYPE_OBJECT_ID
    };

    int m_class;                // 0 application, 1 context-specific
    unsigned char m_tagNumber;  // data type (application) or context tag number
    int m_lvt;                  // length, Boolean value, or 6/7 for opening/closing tags
    int m_end;                  // one past the last received octet; INT_MAX: unbounded
    // 1 when the header read last carried an extended length: a context value
    // of 6 or 7 octets is then content, not an opening or closing tag.
    int m_lengthExtended;

    // Why the last refusal happened. Decoders still answer 1 or 0; this says
    // which fault a 0 stands for. Set by every refusal, never cleared.
    enum Refusal {
        REFUSAL_NONE = 0,
        REFUSAL_TRUNCATED,         // the data ends before the value does
        REFUSAL_BAD_LENGTH,        // a length that does not fit the room or the type
        REFUSAL_UNEXPECTED_OCTET,  // an octet other than the one the form requires
        REFUSAL_WRONG_TYPE,        // a tag of another class, number or data type
        REFUSAL_TOO_DEEP,          // nesting beyond what the value allows
        REFUSAL_MISMATCH,          // a reply for another object, property or index
        REFUSAL_COUNT
    };
    int m_refusal;

    CBACnetTag()
        : m_class(0), m_tagNumber(0), m_lvt(0), m_end(INT_MAX), m_lengthExtended(0), m_refusal(REFUSAL_NONE)
    {
    }
    explicit CBACnetTag(int end)
        : m_class(0), m_tagNumber(0), m_lvt(0), m_end(end), m_lengthExtended(0), m_refusal(REFUSAL_NONE)
    {
    }

    // Records `reason` and returns 0, for `return tag.Refuse(...)`.
    int Refuse(int reason)
    {
        m_refusal = reason;
        return 0;
    }
    // "truncated", "bad length", ...; "" for REFUSAL_NONE and unknown codes.
    static const char* RefusalName(int reason);

    // Encoders.
    void MakeHeaderFrame(unsigned char* buf, int& len, int cls, int tag, int lvt);
    void MakeProgramFrame(unsigned char* buf, int& len, int tag, int open);
    void MakeNullFrame(unsigned char* buf, int& len);
    void MakeBoolFrame(unsigned char* buf, int& len, int cls, int tag, int value);
    // A short application number (the common case) is written here; every
    // other form goes through MakeAnalogFrameFull.
    void MakeAnalogFrame(unsigned char* buf, int& len, int cls, int tag, int lvt, unsigned char* data)
    {
        if (cls == CLASS_APPLICATION && tag >= 0 && tag < 13 && lvt >= 0 && lvt < 5) {
            m_class = cls;
            m_tagNumber = static_cast<unsigned char>(tag);
            m_lvt = lvt;
            m_lengthExtended = 0;
            buf[len++] = static_cast<unsigned char>(tag * 16 + lvt);
            ConvertData(buf + len, data, lvt);
            len += lvt;
            return;
        }
        MakeAnalogFrameFull(buf, len, cls, tag, lvt, data);
    }
    void MakeAnalogFrameFull(unsigned char* buf, int& len, int cls, int tag, int lvt, unsigned char* data);
    void MakeArrayFrame(unsigned char* buf, int& len, int cls, int tag, int lvt, unsigned char* data);
    void MakeStringFrame(unsigned char* buf, int& len, int n, const wchar_t* text);
    void MakeBitStringFrame(unsigned char* buf, int& len, int cls, int tag, int n, unsigned char* data);
    // A 32-bit host number (date, time, object identifier) as four content
    // octets, high-order first.
    void MakeWord32Frame(unsigned char* buf, int& len, int cls, int tag, DWORD value);

    // Decoders, bounded by m_end. The one-octet header is decoded here;
    // every other header (and every refusal) goes through
    // ReadHeaderFrameFull, which decodes any input.
    int ReadHeaderFrame(unsigned char* buf, int& len)
    {
        if (HasRoom(len, 1)) {
            const unsigned char octet = buf[len];
            // Neither an extended length (5) nor an extended context tag number.
            if ((octet & 7) < 5 && (octet & 0xF8) != 0xF8) {
                m_tagNumber = static_cast<unsigned char>(octet >> 4);
                m_class = (octet >> 3) & 1;
                m_lvt = octet & 7;
                m_lengthExtended = 0;
                len++;
                return 1;
            }
        }
        return ReadHeaderFrameFull(buf, len);
    }
    // `outSize` bounds every type: a character string longer than the room
    // keeps outSize - 1 characters and its 0, and the rest is consumed.
    int ReadDataFrame(void* out, int type, int outSize, unsigned char* buf, int& len, int& isNull);
    // The same, bounded by `end` (which becomes m_end).
    int ReadHeaderFrame(unsigned char* buf, int& len, int end)
    {
        m_end = end;
        return ReadHeaderFrame(buf, len);
    }
    int ReadDataFrame(void* out, int type, int outSize, unsigned char* buf, int& len, int& isNull, int end)
    {
        m_end = end;
        return ReadDataFrame(out, type, outSize, buf, len, isNull);
    }
    int ReadHeaderFrameFull(unsigned char* buf, int& len);

    // Reverses n octets: a host number (low-order octet first) to wire order and back.
    static void ConvertData(unsigned char* dst, unsigned char* src, int n) { bacnetcodec::detail::Reverse(dst, src, n); }

    // The content (at most four octets) of the value whose header was read
    // last, as data type `type`, into a 32-bit host number.
    int ReadWord32(unsigned char* buf, int& len, int type, DWORD& out);

    // Shared steps of every decoder. Each succeeds (1) or leaves `len` alone (0).
    int HasRoom(int len, long long n) const { return len >= 0 && n >= 0 && (long long)m_end - len >= n; }
    int PeekOctet(unsigned char* buf, int len, unsigned char& out) const
    {
        if (!HasRoom(len, 1))
            return 0;
        out = buf[len];
        return 1;
    }
    int ReadOctet(unsigned char* buf, int& len, unsigned char& out)
    {
        if (!PeekOctet(buf, len, out))
            return Refuse(REFUSAL_TRUNCATED);
        len++;
        return 1;
    }
    int ReadOctets(unsigned char* buf, int& len, void* out, int n)
    {
        if (!HasRoom(len, n))
            return Refuse(n < 0 ? REFUSAL_BAD_LENGTH : REFUSAL_TRUNCATED);
        if (n > 0)
            memcpy(out, buf + len, n);
        len += n;
        return 1;
    }
    // Consumes the octet at `len` only when it equals `expected`.
    int ExpectOctet(unsigned char* buf, int& len, unsigned char expected)
    {
        unsigned char octet;
        if (!PeekOctet(buf, len, octet))
            return Refuse(REFUSAL_TRUNCATED);
        if (octet != expected)
            return Refuse(REFUSAL_UNEXPECTED_OCTET);
        len++;
        return 1;
    }
    int SkipOctets(int& len, long long n)
    {
        if (!HasRoom(len, n))
            return Refuse(n < 0 ? REFUSAL_BAD_LENGTH : REFUSAL_TRUNCATED);
        len += static_cast<int>(n);
        return 1;
    }

    // After ReadHeaderFrame: is the header an opening or closing tag of context number `tag`?
    int IsOpening() const { return m_class == CLASS_CONTEXT && m_lvt == LVT_OPENING && !m_lengthExtended; }
    int IsClosing() const { return m_class == CLASS_CONTEXT && m_lvt == LVT_CLOSING && !m_lengthExtended; }
    int IsOpening(int tag) const { return IsOpening() && m_tagNumber == tag; }
    int IsClosing(int tag) const { return IsClosing() && m_tagNumber == tag; }
    // After ReadHeaderFrame: skips the content of the value just read.
    int SkipContent(int& len);
};

// BACnet tag codec: tag headers and primitive values.
//
// Encoders trust the caller to provide room. Decoders read through one
// bounded reader: a tag decoder knows where the received data ends
// (`m_end`, one past the last received octet) and refuses, returning 0,
// any header, value or octet that would reach it. A default-constructed
// decoder is unbounded and trusts the caller to hold a complete frame.
#pragma once

#include <climits>

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
    void MakeAnalogFrame(unsigned char* buf, int& len, int cls, int tag, int lvt, unsigned char* data);
    void MakeArrayFrame(unsigned char* buf, int& len, int cls, int tag, int lvt, unsigned char* data);
    void MakeStringFrame(unsigned char* buf, int& len, int n, const wchar_t* text);
    void MakeBitStringFrame(unsigned char* buf, int& len, int cls, int tag, int n, unsigned char* data);
    // A 32-bit host number (date, time, object identifier) as four content
    // octets, high-order first.
    void MakeWord32Frame(unsigned char* buf, int& len, int cls, int tag, DWORD value);

    // Decoders, bounded by m_end.
    int ReadHeaderFrame(unsigned char* buf, int& len);
    // `outSize` bounds every type: a character string longer than the room
    // keeps outSize - 1 characters and its 0, and the rest is consumed.
    int ReadDataFrame(void* out, int type, int outSize, unsigned char* buf, int& len, int& isNull);
    // The same, bounded by `end` (which becomes m_end).
    int ReadHeaderFrame(unsigned char* buf, int& len, int end);
    int ReadDataFrame(void* out, int type, int outSize, unsigned char* buf, int& len, int& isNull, int end);

    static void ConvertData(unsigned char* dst, unsigned char* src, int n);

    // The content (at most four octets) of the value whose header was read
    // last, as data type `type`, into a 32-bit host number.
    int ReadWord32(unsigned char* buf, int& len, int type, DWORD& out);

    // Shared steps of every decoder. Each succeeds (1) or leaves `len` alone (0).
    int HasRoom(int len, long long n) const { return len >= 0 && n >= 0 && (long long)m_end - len >= n; }
    int PeekOctet(unsigned char* buf, int len, unsigned char& out) const;
    int ReadOctet(unsigned char* buf, int& len, unsigned char& out);
    int ReadOctets(unsigned char* buf, int& len, void* out, int n);
    // Consumes the octet at `len` only when it equals `expected`.
    int ExpectOctet(unsigned char* buf, int& len, unsigned char expected);
    int SkipOctets(int& len, long long n);

    // After ReadHeaderFrame: is the header an opening or closing tag of context number `tag`?
    int IsOpening() const { return m_class == CLASS_CONTEXT && m_lvt == LVT_OPENING && !m_lengthExtended; }
    int IsClosing() const { return m_class == CLASS_CONTEXT && m_lvt == LVT_CLOSING && !m_lengthExtended; }
    int IsOpening(int tag) const { return IsOpening() && m_tagNumber == tag; }
    int IsClosing(int tag) const { return IsClosing() && m_tagNumber == tag; }
    // After ReadHeaderFrame: skips the content of the value just read.
    int SkipContent(int& len);
};

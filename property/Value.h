// A generic BACnet value: any application-tagged primitive, or a constructed
// value of context tags and nested opening/closing tags, held as a tree.
// For properties that have no specialised codec, and for people: the tool
// reads, prints and writes through it.
//
// The decoder is bounded by `end` and by a nesting depth, and refuses (0)
// rather than guess. Character strings arrive in UTF-8 whatever set the
// device sent (0 UTF-8, 3 UCS-4, 4 UCS-2, 5 ISO 8859-1); other sets are
// refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/Tag.h"  // CBACnetTag::TYPE_*, the kinds of application values
#include "host/Types.h"
#include "library/Export.h"

class BACNET_API CBACnetValue {
public:
    // m_kind: an application data type (CBACnetTag::TYPE_NULL .. TYPE_OBJECT_ID),
    // or one of these two.
    enum { KIND_CONTEXT = 100,      // a primitive context-tagged value: raw content in m_octets
           KIND_CONSTRUCTED = 101   // opening tag m_contextTag, m_children, closing tag
    };
    enum { MAX_DEPTH = 16 };

    int m_kind;
    int m_contextTag;         // context tag number for KIND_CONTEXT / KIND_CONSTRUCTED; -1 otherwise
    bool m_boolean;
    uint64_t m_unsigned;      // Unsigned, Enumerated
    int64_t m_signed;         // Signed
    float m_real;
    double m_double;
    DWORD m_word;             // Date, Time, Object Identifier: the four content octets, high-order first
    std::string m_text;       // Character String in UTF-8
    std::vector<unsigned char> m_octets;  // Octet String; Bit String bits (bit 0 = MSB of octet 0); context content
    int m_bitCount;           // Bit String length in bits
    std::vector<CBACnetValue> m_children;
    // Why the last ReadFrame refused: one of REFUSED_*, REFUSED_NONE after a
    // success. RefusalText gives it in words.
    int m_refusal;

    enum {
        REFUSED_NONE = 0,
        REFUSED_TRUNCATED,  // the value runs past `end`
        REFUSED_LENGTH,     // a length its data type cannot have, or one past 2^31 - 1
        REFUSED_TYPE,       // application tag 13 to 15, or context tag 255
        REFUSED_CHARSET,    // a character set other than 0, 3, 4 and 5
        REFUSED_TEXT,       // text that is not valid in its character set
        REFUSED_BITS,       // an unused-bits count above 7, or unused bits of no octet
        REFUSED_DEPTH,      // opening tags nested deeper than MAX_DEPTH
        REFUSED_CLOSING,    // a closing tag that closes nothing open, or another tag number
        REFUSED_NO_ROOM,    // encoding: the frame does not fit before `end`
        REFUSED_VALUE,      // encoding: no frame for this value (kind, tag number, text not UTF-8)
        REFUSED_OPENING,    // not the opening tag expected (ReadEnclosedFrame)
        REFUSED_COUNT
    };
    static const char* RefusalText(int refusal);

    CBACnetValue();

    // Value constructors for encoding.
    static CBACnetValue Null();
    static CBACnetValue Boolean(bool v);
    static CBACnetValue Unsigned(uint64_t v);
    static CBACnetValue Signed(int64_t v);
    static CBACnetValue Real(float v);
    static CBACnetValue Double(double v);
    static CBACnetValue Enumerated(uint64_t v);
    static CBACnetValue Text(const std::string& utf8);
    static CBACnetValue Octets(const std::vector<unsigned char>& v);
    static CBACnetValue Bits(const std::vector<bool>& bits);
    static CBACnetValue Date(DWORD packed);
    static CBACnetValue Time(DWORD packed);
    static CBACnetValue ObjectID(DWORD packed);
    // A primitive context-tagged value of raw content, and an opening tag
    // `contextTag` around `children`.
    static CBACnetValue Context(int contextTag, const std::vector<unsigned char>& content);
    static CBACnetValue Constructed(int contextTag, const std::vector<CBACnetValue>& children);

    // Bit `i` of a Bit String (false beyond m_bitCount).
    bool Bit(int i) const;

    // Decodes one value at `len`: a primitive (application or context tag), or
    // an opening tag through its matching closing tag. 1 and `len` past the
    // value; 0 on refusal (truncated, bad length, unknown character set, too
    // deep), `len` left where it stopped.
    int ReadFrame(const unsigned char* buf, int& len, int end, int depth = 0);
    // Decodes values until the closing tag `closingTag` at this level (not
    // consumed) or `end` when closingTag is -1. Appends to `out`.
    static int ReadList(const unsigned char* buf, int& len, int end, int closingTag,
                        std::vector<CBACnetValue>& out);

    // Encodes the value. Returns 1, or 0 (nothing written past `end`) when it
    // does not fit in [len, end).
    int MakeFrame(unsigned char* buf, int& len, int end) const;
    // The same, saying why it refused (REFUSED_NO_ROOM, REFUSED_VALUE, or
    // REFUSED_DEPTH for a tree nested deeper than the decoder takes).
    // A refusal leaves `len` where it was.
    int MakeFrame(unsigned char* buf, int& len, int end, int& refusal) const;

    // ReadList, saying why it refused.
    static int ReadList(const unsigned char* buf, int& len, int end, int closingTag,
                        std::vector<CBACnetValue>& out, int& refusal);

    // A property value as WriteProperty sends it and ReadProperty's reply
    // carries it: opening tag `contextTag` (3 in both), the values, closing
    // tag. An array or list property holds several values.
    int MakeEnclosedFrame(unsigned char* buf, int& len, int end, int contextTag) const;
    static int MakeEnclosedFrame(const std::vector<CBACnetValue>& values, unsigned char* buf, int& len,
                                 int end, int contextTag);
    static int MakeEnclosedFrame(const std::vector<CBACnetValue>& values, unsigned char* buf, int& len,
                                 int end, int contextTag, int& refusal);
    // Reads opening tag `contextTag`, the values up to its closing tag into
    // `out` (replacing what it held), and the closing tag.
    static int ReadEnclosedFrame(const unsigned char* buf, int& len, int end, int contextTag,
                                 std::vector<CBACnetValue>& out);
    static int ReadEnclosedFrame(const unsigned char* buf, int& len, int end, int contextTag,
                                 std::vector<CBACnetValue>& out, int& refusal);

    // Same kind, context tag and value. Reals and doubles compare by their
    // bits (a NaN equals the same NaN; 0.0 and -0.0 differ); a Bit String by
    // its length and bits. m_refusal is not compared.
    bool operator==(const CBACnetValue& other) const;
    bool operator!=(const CBACnetValue& other) const { return !(*this == other); }
};

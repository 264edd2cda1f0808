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
};

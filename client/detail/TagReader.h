// Bounded reading of the tagged parameters of a received reply, through the
// codec's tag decoder. Read… takes a tag header and its content, Expect…
// compares and consumes, Peek… looks without consuming. Every call either
// succeeds and moves on, or fails and leaves the position where it was.
#pragma once

#include <cstdint>

#include <bacnetcodec/bacnetcodec.h>

#include "client/Bytes.h"
#include "client/Value.h"

namespace bacnet::detail {

class TagReader {
public:
    explicit TagReader(ByteView data) : m_data(data) {}

    size_t Position() const { return m_pos; }
    bool AtEnd() const { return m_pos >= m_data.size(); }

    // A context-tagged Unsigned or Enumerated of at most four octets.
    bool ReadUnsigned(int tag, uint32_t& out);
    // The same, only when the next tag is context `tag` (false, and nothing
    // read, when it is not there at all).
    bool ReadOptionalUnsigned(int tag, uint32_t& out, bool& present);
    bool ReadObjectId(int tag, ObjectId& out);
    bool ExpectOpening(int tag);
    bool ExpectClosing(int tag);
    bool PeekOpening(int tag) const;
    bool PeekClosing(int tag) const;
    // An application-tagged Enumerated (an Error's class and code).
    bool ReadApplicationEnumerated(uint32_t& out);
    // Everything up to the closing tag `tag` of this level, which is consumed:
    // the octets in between and whether any context tag is among them.
    bool ReadUntilClosing(int tag, ByteView& inside, bool& hasContextTags);

private:
    // A header at the position, read through the codec's bounded decoder.
    bool PeekHeader(CBACnetTag& tag, int& after) const;
    bool ReadContent(const CBACnetTag& tag, int& pos, uint32_t& out) const;

    ByteView m_data;
    size_t m_pos = 0;
};

// The codec's generic value as the client's: false for a context-tagged or
// constructed one, and for an Enumerated past 32 bits.
bool FromCodecValue(const CBACnetValue& in, Value& out);
// Several: one value, or a List of them.
bool FromCodecValues(const std::vector<CBACnetValue>& in, Value& out);
// The same, or when they are context-tagged, their octets as a RawValue.
Value ValueOrRaw(const std::vector<CBACnetValue>& in);
// The client's value as the codec's: false for a List or a RawValue.
bool ToCodecValue(const Value& value, CBACnetValue& out);
// Application-tagged values in `data` (nothing else): one value, or a List of
// several; an empty list when there are none.
bool DecodeValues(ByteView data, Value& out);
// The property value between the enclosing tags: context-tagged content
// becomes a RawValue, the rest DecodeValues.
bool DecodePropertyValue(ByteView inside, bool hasContextTags, Value& out);
// Appends `value` application-tagged (a RawValue as it is). False when it
// cannot be encoded (a list inside a list).
bool EncodeValue(const Value& value, Bytes& out);
// Appends a context tag `tag` carrying an unsigned number in the fewest octets.
void EncodeContextUnsigned(int tag, uint32_t value, Bytes& out);
void EncodeContextObjectId(int tag, const ObjectId& id, Bytes& out);
void EncodeOpening(int tag, Bytes& out);
void EncodeClosing(int tag, Bytes& out);

}  // namespace bacnet::detail

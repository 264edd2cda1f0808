// The tag codec: every header of the frame, and at each one the value read
// as one of the 13 application types (the next in turn, starting from the
// one the second input octet picks) into a buffer of exactly `outSize`
// octets (the first input octet picks the size), character strings too:
// a longer string is cut to the room. A refusal says why.
#include "FuzzInput.h"

#include <vector>

namespace {

void ReadAsType(int type, const CBACnetTag& header, unsigned char* buf, int len, int end, int outSize,
                std::vector<unsigned char>& room)
{
    CBACnetTag tag = header;
    tag.m_refusal = CBACnetTag::REFUSAL_NONE;
    int at = len;
    int isNull = -1;
    const int ok = tag.ReadDataFrame(room.data(), type, outSize, buf, at, isNull, end);
    fuzz::CheckCursor(at, end);
    if (!ok && at != len && type != CBACnetTag::TYPE_CHARACTER_STRING)
        abort();  // a refusal leaves the cursor on the value
    if (!ok && (tag.m_refusal == CBACnetTag::REFUSAL_NONE || !*CBACnetTag::RefusalName(tag.m_refusal)))
        abort();  // every refusal says why
    if (isNull != (ok && type == CBACnetTag::TYPE_NULL))
        abort();
    if (ok && type == CBACnetTag::TYPE_CHARACTER_STRING) {
        // The whole string consumed, and its 0 inside the room.
        if (at - len != header.m_lvt || !memchr(room.data(), 0, outSize))
            abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    static const int kSizes[] = {0, 1, 2, 3, 4, 5, 8, 16, 64, 255};
    const int outSize = kSizes[in.Take() % (sizeof kSizes / sizeof kSizes[0])];
    const int firstType = in.Take();
    in.Rest();
    unsigned char* buf = in.buf();
    const int end = in.end();

    std::vector<unsigned char> room(outSize);  // exactly outSize octets, none for 0
    CBACnetTag tag(end);
    int len = 0;
    for (int n = 0; len < end; n++) {
        const int before = len;
        if (!tag.ReadHeaderFrame(buf, len, end)) {
            fuzz::CheckCursor(len, end);
            break;
        }
        fuzz::CheckCursor(len, end);
        ReadAsType((firstType + n) % (CBACnetTag::TYPE_OBJECT_ID + 1), tag, buf, len, end, outSize, room);
        if (!tag.SkipContent(len))
            break;
        fuzz::CheckCursor(len, end);
        if (len <= before)
            abort();
    }

    // The single-octet steps at every position, the end included.
    for (int at = 0; at <= end; at++) {
        unsigned char octet;
        int cursor = at;
        tag.PeekOctet(buf, cursor, octet);
        if (tag.ExpectOctet(buf, cursor, 0x3E) && cursor != at + 1)
            abort();
        cursor = at;
        unsigned char two[2];
        tag.ReadOctets(buf, cursor, two, 2);
        fuzz::CheckCursor(cursor, end);
    }
    return 0;
}

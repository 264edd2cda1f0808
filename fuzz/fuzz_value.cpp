// The generic value codec. The whole input is read three ways: value by
// value, as one list to the end, and as a property value enclosed in
// opening and closing tag 3. Whatever decodes must encode again into a
// frame that decodes to an equal value, and encoding that once more gives
// the same octets. Each value's octets cut short anywhere are refused, and
// an encoding given less room than it needs is refused without writing
// past the room.
#include "FuzzInput.h"

#include <vector>

#include "property/Value.h"

namespace {

using V = CBACnetValue;

// Encodes into a room that doubles until the frame fits: a text can grow
// on the way to UTF-8, so the received size is no bound.
template <typename Encode>
std::vector<unsigned char> EncodeOrDie(Encode encode)
{
    for (size_t room = 64; room <= (1u << 24); room *= 2) {
        std::vector<unsigned char> out(room);
        int len = 0;
        int refusal = -1;
        if (encode(out.data(), len, static_cast<int>(room), refusal)) {
            if (refusal != V::REFUSED_NONE)
                abort();
            out.resize(len);
            return out;
        }
        if (refusal != V::REFUSED_NO_ROOM || len != 0)
            abort();
    }
    abort();
}

std::vector<unsigned char> EncodeOrDie(const V& v)
{
    return EncodeOrDie([&v](unsigned char* buf, int& len, int end, int& refusal) {
        return v.MakeFrame(buf, len, end, refusal);
    });
}

void CheckRefusal(int refusal)
{
    if (refusal <= V::REFUSED_NONE || refusal >= V::REFUSED_COUNT)
        abort();
}

// Decoding the encoding gives the value back, all of it, and re-encodes to
// the same octets.
void CheckRoundTrip(const V& value)
{
    const std::vector<unsigned char> frame = EncodeOrDie(value);
    fuzz::Input copy(frame.data(), frame.size());
    copy.Rest();
    V again;
    int len = 0;
    if (!again.ReadFrame(copy.buf(), len, copy.end()) || len != copy.end() || !(again == value))
        abort();
    if (EncodeOrDie(again) != frame)
        abort();

    // Too little room: refused, `len` unchanged, nothing written past it.
    const int size = static_cast<int>(frame.size());
    const int step = size > 64 ? size / 16 : 1;
    std::vector<unsigned char> room(size + 1);
    for (int cut = 0; cut < size; cut += step) {
        std::fill(room.begin(), room.end(), 0xA5);
        int at = 0;
        int refusal = -1;
        if (value.MakeFrame(room.data(), at, cut, refusal) || at != 0 || refusal != V::REFUSED_NO_ROOM)
            abort();
        for (int i = cut; i <= size; i++)
            if (room[i] != 0xA5)
                abort();
    }
}

// The value's own octets [start, stop) cut anywhere before `stop` are refused.
void CheckCuts(const unsigned char* frame, int start, int stop)
{
    const int size = stop - start;
    const int step = size > 256 ? size / 16 : 1;
    for (int cut = 0; cut < size; cut += step) {
        fuzz::Input part(frame + start, cut);
        part.Rest();
        V value;
        int len = 0;
        if (value.ReadFrame(part.buf(), len, part.end()))
            abort();
        fuzz::CheckCursor(len, part.end());
        CheckRefusal(value.m_refusal);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    in.Rest();
    const unsigned char* buf = in.buf();
    const int end = in.end();

    // Value by value.
    std::vector<V> sequence;
    int len = 0;
    bool whole = true;
    while (len < end) {
        const int start = len;
        V value;
        if (!value.ReadFrame(buf, len, end)) {
            fuzz::CheckCursor(len, end);
            CheckRefusal(value.m_refusal);
            whole = false;
            break;
        }
        if (len <= start || len > end || value.m_refusal != V::REFUSED_NONE)
            abort();
        CheckRoundTrip(value);
        CheckCuts(buf, start, len);
        sequence.push_back(value);
    }

    // As one list: it holds exactly what the values read one by one gave.
    std::vector<V> list;
    len = 0;
    int refusal = -1;
    const int listed = V::ReadList(buf, len, end, -1, list, refusal);
    fuzz::CheckCursor(len, end);
    if (listed != (whole ? 1 : 0) || list.size() > sequence.size())
        abort();
    for (size_t i = 0; i < list.size(); i++)
        if (!(list[i] == sequence[i]))
            abort();
    if (!listed)
        CheckRefusal(refusal);

    // As a property value.
    std::vector<V> enclosed;
    len = 0;
    if (V::ReadEnclosedFrame(buf, len, end, 3, enclosed, refusal)) {
        fuzz::CheckCursor(len, end);
        const std::vector<unsigned char> frame =
            EncodeOrDie([&enclosed](unsigned char* out, int& at, int room, int& refused) {
                return V::MakeEnclosedFrame(enclosed, out, at, room, 3, refused);
            });
        const int at = static_cast<int>(frame.size());
        fuzz::Input copy(frame.data(), at);
        copy.Rest();
        std::vector<V> again;
        int back = 0;
        if (!V::ReadEnclosedFrame(copy.buf(), back, copy.end(), 3, again) || back != at || again != enclosed)
            abort();
    } else {
        fuzz::CheckCursor(len, end);
        CheckRefusal(refusal);
    }
    return 0;
}

// Oracles shared by the fuzz targets of the services that decode and
// encode both ways: a frame cut short, and an encoder given too little room.
#pragma once

#include <vector>

#include "FuzzInput.h"

namespace fuzz {

// The decoded octets [0, size) cut anywhere before their end are refused,
// unless the cut leaves a whole shorter message (an optional field left
// off), which must then be read to the cut exactly. `decode(buf, len, end)`
// decodes into a fresh object.
template <typename Decode>
void CheckCuts(const unsigned char* frame, int size, Decode decode)
{
    // Every cut of a short message; of a long one, 32 spread over it and the
    // last octet, so that a run stays within its time.
    const auto check = [&](int cut) {
        Input part(frame, cut);
        part.Rest();
        int len = 0;
        const int ok = decode(part.buf(), len, part.end());
        CheckCursor(len, part.end());
        if (ok && len != cut)
            abort();
    };
    const int step = size > 64 ? size / 32 : 1;
    for (int cut = 0; cut < size; cut += step)
        check(cut);
    if (step > 1)
        check(size - 1);
}

// Encodes into a room that doubles until the frame fits; a decoded message
// always has a frame. `encode(buf, len, end)` returns 1 or 0.
template <typename Encode>
std::vector<unsigned char> EncodeOrDie(Encode encode)
{
    for (size_t room = 64; room <= (1u << 24); room *= 2) {
        std::vector<unsigned char> out(room);
        int len = 0;
        if (encode(out.data(), len, static_cast<int>(room))) {
            out.resize(len);
            return out;
        }
        if (len != 0)
            abort();
    }
    abort();
}

// Given less room than `size` octets, the encoder refuses, leaves `len`
// alone and writes nothing past the room.
template <typename Encode>
void CheckRoom(int size, Encode encode)
{
    // A long frame at 16 cuts.
    const int step = size > 64 ? size / 16 : 1;
    std::vector<unsigned char> room(size + 1);
    for (int cut = 0; cut < size; cut += step) {
        std::fill(room.begin(), room.end(), 0xA5);
        int at = 0;
        if (encode(room.data(), at, cut) || at != 0)
            abort();
        for (int i = cut; i <= size; i++)
            if (room[i] != 0xA5)
                abort();
    }
}

}  // namespace fuzz

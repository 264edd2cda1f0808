// The client's receiving side: a datagram of any link function through the
// BACnet/IP header decoder (and encoded back to the same octets), its NPDU's property value through the value decoder, and the
// input read as a run of segments through the reassembly state machine.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzInput.h"
#include "client/Bvlc.h"
#include "frame/BVLC.h"
#include "client/detail/Reassembly.h"
#include "client/detail/TagReader.h"

namespace {

constexpr size_t kCap = 600;

void Datagram(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> copy(data, data + size);  // exactly its size, for ASan
    bacnet::BvlcMessage message;
    if (bacnet::Bvlc::Decode(bacnet::ByteView(copy.data(), copy.size()), message) != bacnet::BvlcRefusal::None)
        return;
    const uint8_t* begin = copy.data();
    if (message.m_npdu.size() > copy.size() ||
        (!message.m_npdu.empty() && (message.m_npdu.data() < begin || message.m_npdu.end() > begin + copy.size())))
        abort();
    // Re-encoding what was decoded, whatever the function, gives the datagram back.
    uint8_t out[bacnet::Bvlc::kMaxDatagram];
    const size_t n = bacnet::Bvlc::Encode(message, out, sizeof out);
    if (n != copy.size() || memcmp(out, begin, n) != 0)
        abort();
    if (message.m_bdt.size() > CBACnetBVLC::MAX_TABLE_ENTRIES || message.m_fdt.size() > CBACnetBVLC::MAX_TABLE_ENTRIES)
        abort();
    bacnet::detail::TagReader reader(message.m_npdu);
    bacnet::ByteView inside;
    bool constructed = false;
    bacnet::Value value;
    if (reader.ReadUntilClosing(3, inside, constructed) &&
        bacnet::detail::DecodePropertyValue(inside, constructed, value))
        value.ToString();
    if (bacnet::detail::DecodeValues(message.m_npdu, value))
        value.ToString();
}

// Each segment: sequence, window, flags (bit 0 more follows, bit 1 a time-out
// instead), length, then that many octets.
void Segments(fuzz::Input& in)
{
    bacnet::detail::Reassembly reassembly(kCap, static_cast<uint8_t>(in.Take() % 20));
    for (int i = 0; i < 4096; i++) {
        const uint8_t sequence = in.Take(), window = in.Take(), flags = in.Take(), length = in.Take();
        std::vector<uint8_t> data(length);
        for (uint8_t& o : data)
            o = in.Take();
        bacnet::detail::SegmentAck ack;
        bacnet::detail::SegmentResult result;
        if (flags & 2) {
            ack = reassembly.Timeout();
            result = bacnet::detail::SegmentResult::Ignored;
        } else {
            result = reassembly.Accept(sequence, window, flags & 1, bacnet::ByteView(data.data(), data.size()), ack);
        }
        if (reassembly.Data().size() > kCap || (ack.m_send && (ack.m_window < 1 || ack.m_window > 127)))
            abort();
        if (result == bacnet::detail::SegmentResult::TooLarge || result == bacnet::detail::SegmentResult::Complete ||
            (sequence == 0 && window == 0 && flags == 0 && length == 0))
            return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    fuzz::Input in(data + 1, size - 1);
    if (data[0] & 1)
        Datagram(data + 1, size - 1);
    else
        Segments(in);
    return 0;
}

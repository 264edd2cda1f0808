// Benchmarks of what a driver does per request and per reply. Each reports
// the heap allocations of one operation ("allocs/op"): the encoders and
// decoders of a poll are meant to make none.
//
// Most workloads come with a reference (BM_Ref_...): a hand-written minimal
// encoder or decoder in this file that produces or reads the same octets.
// bench/run-ci.sh compares each workload with its reference measured in the
// same run, so the guard holds on any machine.
//
//     cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBACNETCODEC_BENCH=ON
//     cmake --build build-bench --target bench_codec && build-bench/bench/bench_codec
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

#include "AllocCount.h"

#define REFERENCE __attribute__((noinline))

namespace {

// Reports the allocations made since `start` per iteration; called right
// after the timed loop, before anything else touches the heap.
void ReportAllocations(benchmark::State& state, size_t start)
{
    const size_t made = bench::Allocations() - start;
    const double n = static_cast<double>(state.iterations());
    state.counters["allocs/op"] = n ? static_cast<double>(made) / n : 0;
}

void PutBig32(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

uint32_t GetBig32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

const DWORD kAnalogInput3 = _BACnetObjectID(0, 3).GetValue();

// A host tag bound to `name` of `id`.
std::unique_ptr<CBACnetObjTypes> Bind(_BACnetObjectID id, const wchar_t* name)
{
    std::unique_ptr<CBACnetObjTypes> tag(new CBACnetObjTypes(id));
    CString text(name);
    unsigned short subType;
    if (!tag->CreateProperty(text, subType, 0))
        abort();
    return tag;
}

// ReadProperty request, APDU only (11 octets): the confirmed-request header
// and a bound tag's request parameters (analog input 3, present value).
void BM_ReadPropertyApdu(benchmark::State& state)
{
    auto tag = Bind(_BACnetObjectID(0, 3), L"PresentValue");
    CBACnetConfirmReqPDU pdu;
    pdu.SetMaxAPDU(1476);
    pdu.SetSegmentReply();
    pdu.SetServiceChoice(12);
    unsigned char buf[64];
    unsigned char id = 0;
    int len = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        len = 0;
        pdu.SetInvokeID(++id);
        pdu.MakeFrame(buf, len);
        tag->MakeFrameToSingle(buf, len);
        benchmark::DoNotOptimize(buf);
        benchmark::DoNotOptimize(len);
    }
    ReportAllocations(state, start);
    const unsigned char want[] = {0x02, 0x05, id, 0x0C, 0x0C, 0x00, 0x00, 0x00, 0x03, 0x19, 0x55};
    if (len != 11 || memcmp(buf, want, 11) != 0)
        state.SkipWithError("octets");
}
BENCHMARK(BM_ReadPropertyApdu);

REFERENCE int RefReadPropertyApdu(unsigned char* buf, unsigned char invokeID, uint32_t objectID, unsigned char property)
{
    buf[0] = 0x02;
    buf[1] = 0x05;
    buf[2] = invokeID;
    buf[3] = 0x0C;
    buf[4] = 0x0C;
    PutBig32(buf + 5, objectID);
    buf[9] = 0x19;
    buf[10] = property;
    return 11;
}

void BM_Ref_ReadPropertyApdu(benchmark::State& state)
{
    unsigned char buf[64];
    unsigned char id = 0;
    for (auto _ : state) {
        int len = RefReadPropertyApdu(buf, ++id, kAnalogInput3, 85);
        benchmark::DoNotOptimize(buf);
        benchmark::DoNotOptimize(len);
    }
}
BENCHMARK(BM_Ref_ReadPropertyApdu);

// ReadProperty request with the network header and a new invoke ID (13
// octets): the service object made per request, as a driver does.
void BM_ReadPropertyRequest(benchmark::State& state)
{
    CBACnetOBJ device;
    device.m_objectID = _BACnetObjectID(8, 1234);
    CBACnetPropertyID property;  // present value, no index
    property.m_objectID = _BACnetObjectID(0, 3);
    unsigned char buf[64];
    int len = 0;
    unsigned char id = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetReadPropertyService service;
        len = 0;
        id = service.MakeFrame(buf, len, &device, &property);
        benchmark::DoNotOptimize(buf);
        benchmark::DoNotOptimize(len);
    }
    ReportAllocations(state, start);
    const unsigned char want[] = {0x01, 0x04, 0x02, 0x05, id, 0x0C, 0x0C, 0x00, 0x00, 0x00, 0x03, 0x19, 0x55};
    if (len != 13 || memcmp(buf, want, 13) != 0)
        state.SkipWithError("octets");
}
BENCHMARK(BM_ReadPropertyRequest);

unsigned char g_refInvokeID;

REFERENCE int RefReadPropertyRequest(unsigned char* buf, uint32_t objectID, unsigned char property)
{
    buf[0] = 0x01;
    buf[1] = 0x04;
    return 2 + RefReadPropertyApdu(buf + 2, ++g_refInvokeID, objectID, property);
}

void BM_Ref_ReadPropertyRequest(benchmark::State& state)
{
    unsigned char buf[64];
    for (auto _ : state) {
        int len = RefReadPropertyRequest(buf, kAnalogInput3, 85);
        benchmark::DoNotOptimize(buf);
        benchmark::DoNotOptimize(len);
    }
}
BENCHMARK(BM_Ref_ReadPropertyRequest);

// A ReadPropertyMultiple acknowledgement's parameters: the Real present
// value of analog inputs 0 to n-1, each value `base` + its instance.
std::vector<unsigned char> ReadMultipleAck(int n, float base)
{
    std::vector<unsigned char> ack;
    for (int i = 0; i < n; i++) {
        const DWORD id = _BACnetObjectID(0, i).GetValue();
        const float value = base + i;
        DWORD bits;
        memcpy(&bits, &value, 4);
        const unsigned char entry[] = {
            0x0C, BYTE(id >> 24), BYTE(id >> 16), BYTE(id >> 8), BYTE(id),  // object identifier
            0x1E, 0x29, 0x55, 0x4E,                                         // present value follows
            0x44, BYTE(bits >> 24), BYTE(bits >> 16), BYTE(bits >> 8), BYTE(bits),
            0x4F, 0x1F};
        ack.insert(ack.end(), entry, entry + sizeof entry);
    }
    return ack;
}

// n host tags bound to the present values of analog inputs 0 to n-1.
struct BoundRun {
    std::vector<std::unique_ptr<CBACnetObjTypes>> tags;
    CPtrArray array;

    explicit BoundRun(int n)
    {
        for (int i = 0; i < n; i++) {
            tags.push_back(Bind(_BACnetObjectID(0, i), L"PresentValue"));
            array.Add(tags.back().get());
        }
    }
};

// Decoding the acknowledgement into n bound tags with change detection.
// Two acknowledgements alternate, so every value changes every time; with
// `getValue` each is handed over as a host value, as the driver takes it.
void DecodeReadMultipleAck(benchmark::State& state, bool getValue, bool fast = true)
{
    CBACnetObjTypes::SetFastDecode(fast);
    const int n = static_cast<int>(state.range(0));
    BoundRun run(n);
    std::vector<unsigned char> acks[2] = {ReadMultipleAck(n, 20.5f), ReadMultipleAck(n, 21.5f)};
    CBACnetReadMultiService rpm(0);
    rpm.m_last = n - 1;
    CTagVal value;
    int turn = 0;
    long changed = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        std::vector<unsigned char>& ack = acks[turn ^= 1];
        rpm.ReadBodyFrame(ack.data(), static_cast<int>(ack.size()), run.array);
        for (auto& tag : run.tags) {
            if (tag->IsChangeValue() == CBACnetObjTypes::CHANGE_NEW) {
                if (getValue)
                    tag->GetValue(value, 0, 0);
                tag->ResetChangeValue();
                changed++;
            }
        }
    }
    ReportAllocations(state, start);
    CBACnetObjTypes::SetFastDecode(true);
    if (changed != n * static_cast<long>(state.iterations()))
        state.SkipWithError("a value was not seen to change");
    if (getValue && value.GetVal() != (turn ? 21.5 : 20.5) + n - 1)
        state.SkipWithError("value");
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_DecodeReadMultipleAck(benchmark::State& state)
{
    DecodeReadMultipleAck(state, true);
}
BENCHMARK(BM_DecodeReadMultipleAck)->Arg(20)->Arg(89);

void BM_DecodeReadMultipleAckNoGetValue(benchmark::State& state)
{
    DecodeReadMultipleAck(state, false);
}
BENCHMARK(BM_DecodeReadMultipleAckNoGetValue)->Arg(20)->Arg(89);

// The same through the general decoder alone, as before the fixed-shape one.
void BM_DecodeReadMultipleAckGeneral(benchmark::State& state)
{
    DecodeReadMultipleAck(state, false, false);
}
BENCHMARK(BM_DecodeReadMultipleAckGeneral)->Arg(20)->Arg(89);

// The reference decoder: every fixed octet checked, identifiers compared,
// the Real taken and compared with the value held.
struct RefEntry {
    uint32_t objectID;
    uint32_t bits;
    int changed;
};

REFERENCE int RefDecodeReadMultipleAck(const unsigned char* buf, int size, RefEntry* entries, int n)
{
    static const unsigned char kMiddle[] = {0x1E, 0x29, 0x55, 0x4E, 0x44};
    if (size < n * 16)
        return 0;
    for (int i = 0; i < n; i++, buf += 16) {
        RefEntry& e = entries[i];
        if (buf[0] != 0x0C || GetBig32(buf + 1) != e.objectID || memcmp(buf + 5, kMiddle, 5) != 0 ||
            buf[14] != 0x4F || buf[15] != 0x1F)
            return 0;
        const uint32_t bits = GetBig32(buf + 10);
        if (bits != e.bits) {
            e.bits = bits;
            e.changed = 1;
        }
    }
    return 1;
}

void BM_Ref_DecodeReadMultipleAck(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<unsigned char> acks[2] = {ReadMultipleAck(n, 20.5f), ReadMultipleAck(n, 21.5f)};
    std::vector<RefEntry> entries(n);
    for (int i = 0; i < n; i++)
        entries[i] = {_BACnetObjectID(0, i).GetValue(), 0, 0};
    int turn = 0;
    long changed = 0;
    for (auto _ : state) {
        std::vector<unsigned char>& ack = acks[turn ^= 1];
        RefDecodeReadMultipleAck(ack.data(), static_cast<int>(ack.size()), entries.data(), n);
        for (RefEntry& e : entries) {
            changed += e.changed;
            e.changed = 0;
        }
    }
    if (changed != n * static_cast<long>(state.iterations()))
        state.SkipWithError("a value was not seen to change");
}
BENCHMARK(BM_Ref_DecodeReadMultipleAck)->Arg(20)->Arg(89);

// Application values through the tag codec: encode, then decode.
void BM_TagUnsigned(benchmark::State& state)
{
    unsigned char buf[16];
    DWORD in = 300000, out = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        // The encoder and the header decoder are inline: neither the value
        // nor the octets may be known to the compiler.
        benchmark::DoNotOptimize(in);
        CBACnetTag tag;
        int len = 0;
        tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_UNSIGNED, 3,
                            reinterpret_cast<unsigned char*>(&in));
        benchmark::DoNotOptimize(buf);
        CBACnetTag reader(len);
        int at = 0, isNull;
        reader.ReadHeaderFrame(buf, at);
        reader.ReadDataFrame(&out, CBACnetTag::TYPE_UNSIGNED, 4, buf, at, isNull);
        benchmark::DoNotOptimize(out);
    }
    ReportAllocations(state, start);
    if (out != in)
        state.SkipWithError("round trip");
}
BENCHMARK(BM_TagUnsigned);

// Reference tag codec: a short application tag (length below 5) with its
// content, written and read back bounded by `size`.
REFERENCE int RefEncodeShort(unsigned char* buf, int type, const unsigned char* wire, int n)
{
    buf[0] = static_cast<unsigned char>(type << 4 | n);
    memcpy(buf + 1, wire, n);
    return n + 1;
}

REFERENCE int RefDecodeShort(const unsigned char* buf, int size, int type, uint32_t& out)
{
    if (size < 1 || buf[0] >> 4 != type || (buf[0] & 8) != 0)
        return 0;
    const int n = buf[0] & 7;
    if (n > 4 || size < n + 1)
        return 0;
    uint32_t v = 0;
    for (int i = 0; i < n; i++)
        v = v << 8 | buf[1 + i];
    out = v;
    return n + 1;
}

void RefShortRoundTrip(benchmark::State& state, int type, uint32_t in, int n)
{
    unsigned char buf[16], wire[4];
    PutBig32(wire, in << (8 * (4 - n)));
    uint32_t out = 0;
    for (auto _ : state) {
        int len = RefEncodeShort(buf, type, wire, n);
        RefDecodeShort(buf, len, type, out);
        benchmark::DoNotOptimize(out);
    }
    if (out != in)
        state.SkipWithError("round trip");
}

void BM_Ref_TagUnsigned(benchmark::State& state)
{
    RefShortRoundTrip(state, 2, 300000, 3);
}
BENCHMARK(BM_Ref_TagUnsigned);

void BM_TagReal(benchmark::State& state)
{
    unsigned char buf[16];
    float in = 21.5f, out = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        // The encoder and the header decoder are inline: neither the value
        // nor the octets may be known to the compiler.
        benchmark::DoNotOptimize(in);
        CBACnetTag tag;
        int len = 0;
        tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_REAL, 4,
                            reinterpret_cast<unsigned char*>(&in));
        benchmark::DoNotOptimize(buf);
        CBACnetTag reader(len);
        int at = 0, isNull;
        reader.ReadHeaderFrame(buf, at);
        reader.ReadDataFrame(&out, CBACnetTag::TYPE_REAL, 4, buf, at, isNull);
        benchmark::DoNotOptimize(out);
    }
    ReportAllocations(state, start);
    if (out != in)
        state.SkipWithError("round trip");
}
BENCHMARK(BM_TagReal);

void BM_Ref_TagReal(benchmark::State& state)
{
    const float in = 21.5f;
    uint32_t bits;
    memcpy(&bits, &in, 4);
    RefShortRoundTrip(state, 4, bits, 4);
}
BENCHMARK(BM_Ref_TagReal);

// A 16-character Character String.
const char kText16[] = "Zone temperature";
const int kText16Length = sizeof kText16 - 1;

void BM_TagCharacterString(benchmark::State& state)
{
    unsigned char buf[64];
    char out[sizeof kText16];
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetTag tag;
        int len = 0;
        // The encoder takes text already narrowed to one octet per character.
        tag.MakeStringFrame(buf, len, kText16Length, reinterpret_cast<const wchar_t*>(kText16));
        CBACnetTag reader(len);
        int at = 0, isNull;
        reader.ReadHeaderFrame(buf, at);
        reader.ReadDataFrame(out, CBACnetTag::TYPE_CHARACTER_STRING, sizeof out, buf, at, isNull);
        benchmark::DoNotOptimize(out);
    }
    ReportAllocations(state, start);
    if (memcmp(out, kText16, sizeof kText16) != 0)
        state.SkipWithError("round trip");
}
BENCHMARK(BM_TagCharacterString);

REFERENCE int RefEncodeString(unsigned char* buf, const char* text, int n)
{
    buf[0] = 0x75;
    buf[1] = static_cast<unsigned char>(n + 1);
    buf[2] = 0x00;
    memcpy(buf + 3, text, n);
    return n + 3;
}

REFERENCE int RefDecodeString(const unsigned char* buf, int size, char* out, int outSize)
{
    if (size < 3 || buf[0] != 0x75 || buf[1] > 253 || buf[2] != 0x00)
        return 0;
    const int n = buf[1] - 1;
    if (n < 0 || n + 3 > size || n + 1 > outSize)
        return 0;
    memcpy(out, buf + 3, n);
    out[n] = 0;
    return n + 3;
}

void BM_Ref_TagCharacterString(benchmark::State& state)
{
    unsigned char buf[64];
    char out[sizeof kText16];
    for (auto _ : state) {
        int len = RefEncodeString(buf, kText16, kText16Length);
        RefDecodeString(buf, len, out, sizeof out);
        benchmark::DoNotOptimize(out);
    }
    if (memcmp(out, kText16, sizeof kText16) != 0)
        state.SkipWithError("round trip");
}
BENCHMARK(BM_Ref_TagCharacterString);

// The same values from and to the host's tag value: SetTagVal, then
// ReceiveDataTypeValue and GetTagVal, as a write and a poll convert them.
void HostValueRoundTrip(benchmark::State& state, unsigned char dataType, unsigned short hostType,
                        const CTagVal& in)
{
    unsigned char scratch[64], received[64], buf[64];
    CTagVal source = in, out;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        int len = 0;
        CBACnetTypes::SetTagVal(scratch, buf, len, dataType, source, sizeof scratch);
        CBACnetTag tag;
        int at = 0, isNull;
        CBACnetTypes::ReceiveDataTypeValue(received, dataType, sizeof received - 3, tag, buf, at, isNull, len);
        CBACnetTypes::GetTagVal(received, dataType, out, hostType, 0, isNull, sizeof received);
        benchmark::DoNotOptimize(out);
    }
    ReportAllocations(state, start);
    // Numbers come back as doubles (host type 7), text as text.
    const bool same = in.GetType() == CTagVal::typeText ? out == in : out.GetVal() == in.GetVal();
    if (!same)
        state.SkipWithError("round trip");
}

void BM_HostUnsigned(benchmark::State& state)
{
    CTagVal v;
    v.SetVal(300000u);
    HostValueRoundTrip(state, CBACnetTypes::DT_UNSIGNED, 0, v);
}
BENCHMARK(BM_HostUnsigned);

void BM_HostReal(benchmark::State& state)
{
    CTagVal v;
    v.SetVal(21.5f);
    HostValueRoundTrip(state, CBACnetTypes::DT_REAL, CBACnetTypes::HOST_FLOAT, v);
}
BENCHMARK(BM_HostReal);

void BM_HostCharacterString(benchmark::State& state)
{
    CTagVal v;
    v.SetVal(L"Zone temperature");
    HostValueRoundTrip(state, CBACnetTypes::DT_CHARACTER_STRING, CBACnetTypes::HOST_TEXT, v);
}
BENCHMARK(BM_HostCharacterString);

// A text value through the bound tag: a ReadPropertyMultiple result with a
// 16-character description decoded, then handed over with GetValue to a text
// host value. Two texts alternate, so every poll delivers a new value.
std::vector<unsigned char> TextResult(const char* text)
{
    const DWORD id = kAnalogInput3;
    const int n = static_cast<int>(strlen(text));
    const unsigned char head[] = {0x0C, BYTE(id >> 24), BYTE(id >> 16), BYTE(id >> 8), BYTE(id),
                                  0x1E, 0x29, 0x1C, 0x4E, 0x75, BYTE(n + 1), 0x00};
    std::vector<unsigned char> entry(sizeof head + n + 2);
    memcpy(entry.data(), head, sizeof head);
    memcpy(entry.data() + sizeof head, text, n);
    entry[sizeof head + n] = 0x4F;
    entry[sizeof head + n + 1] = 0x1F;
    return entry;
}

void BM_TextGetValue(benchmark::State& state)
{
    auto tag = Bind(_BACnetObjectID(0, 3), L"Description");
    std::vector<unsigned char> results[2] = {TextResult(kText16), TextResult("Zone humidity 2b")};
    CTagVal value;
    // The first texts give the value's string its capacity.
    for (std::vector<unsigned char>* r : {&results[1], &results[0]}) {
        int len = 0;
        tag->ReadFrameToMulti(r->data(), len, static_cast<int>(r->size()));
        tag->GetValue(value, CBACnetTypes::HOST_TEXT, 0);
    }
    int turn = 0;
    long delivered = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        std::vector<unsigned char>& r = results[turn ^= 1];
        int len = 0;
        tag->ReadFrameToMulti(r.data(), len, static_cast<int>(r.size()));
        delivered += tag->GetValue(value, CBACnetTypes::HOST_TEXT, 0);
        tag->ResetChangeValue();
        benchmark::DoNotOptimize(value);
    }
    ReportAllocations(state, start);
    if (delivered != static_cast<long>(state.iterations()) || value.GetType() != CTagVal::typeText ||
        value.GetValStr() != CString(turn ? "Zone humidity 2b" : kText16))
        state.SkipWithError("text");
}
BENCHMARK(BM_TextGetValue);

// Reference: the same result's fixed octets checked, the text compared with
// the one held and widened into a wide string that keeps its capacity.
REFERENCE int RefDecodeTextResult(const unsigned char* buf, int size, uint32_t objectID, std::string& held,
                                  std::wstring& out)
{
    static const unsigned char kMiddle[] = {0x1E, 0x29, 0x1C, 0x4E, 0x75};
    if (size < 14 || buf[0] != 0x0C || GetBig32(buf + 1) != objectID || memcmp(buf + 5, kMiddle, 5) != 0 ||
        buf[11] != 0x00)
        return 0;
    const int n = buf[10] - 1;
    if (n < 0 || 12 + n + 2 > size || buf[12 + n] != 0x4F || buf[13 + n] != 0x1F)
        return 0;
    const char* text = reinterpret_cast<const char*>(buf + 12);
    if (held.size() == static_cast<size_t>(n) && memcmp(held.data(), text, n) == 0)
        return 1;
    held.assign(text, n);
    out.resize(n);
    for (int i = 0; i < n; i++)
        out[i] = static_cast<unsigned char>(text[i]);
    return 2;
}

void BM_Ref_TextGetValue(benchmark::State& state)
{
    std::vector<unsigned char> results[2] = {TextResult(kText16), TextResult("Zone humidity 2b")};
    std::string held;
    std::wstring out;
    int turn = 0;
    long delivered = 0;
    for (auto _ : state) {
        std::vector<unsigned char>& r = results[turn ^= 1];
        delivered += RefDecodeTextResult(r.data(), static_cast<int>(r.size()), kAnalogInput3, held, out) == 2;
        benchmark::DoNotOptimize(out);
    }
    if (delivered != static_cast<long>(state.iterations()))
        state.SkipWithError("text");
}
BENCHMARK(BM_Ref_TextGetValue);

// A ReadPropertyMultiple request of 89 present values (what fits a
// 1476-octet APDU with room for the reply), the service made per request.
// The service's own buffer, allocated per request:
void BM_BuildReadMultipleRequest(benchmark::State& state)
{
    const int n = 89;
    BoundRun run(n);
    CBACnetOBJ device;
    device.m_objectID = _BACnetObjectID(8, 1234);
    int written = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetReadMultiService rpm(0);
        int len = 0;
        rpm.MakeHeaderFrame(len, &device, 0);
        for (int i = 0; i < n; i++)
            if (!rpm.MakeBodyFrame(len, run.tags[i].get(), i))
                break;
        written = rpm.m_last + 1;
        benchmark::DoNotOptimize(rpm.m_frame);
    }
    ReportAllocations(state, start);
    if (written != n)
        state.SkipWithError("the request did not take every entry");
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_BuildReadMultipleRequest);

// and the caller's buffer.
void BM_ReadMultipleRequestCallerBuffer(benchmark::State& state)
{
    const int n = 89;
    BoundRun run(n);
    CBACnetOBJ device;
    device.m_objectID = _BACnetObjectID(8, 1234);
    static unsigned char buf[CBACnetReadMultiService::REQUEST_ROOM];
    int written = 0, len = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetReadMultiService rpm(0);
        len = rpm.MakeFrame(buf, sizeof buf, &device, run.array);
        written = rpm.m_last + 1;
        benchmark::DoNotOptimize(buf);
    }
    ReportAllocations(state, start);
    if (written != n || len != 6 + 89 * 9)
        state.SkipWithError("the request did not take every entry");
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ReadMultipleRequestCallerBuffer);

REFERENCE int RefReadMultipleRequest(unsigned char* buf, const uint32_t* objectIDs, const unsigned char* properties,
                                     int n)
{
    const unsigned char header[] = {0x01, 0x04, 0x02, 0x05, ++g_refInvokeID, 0x0E};
    memcpy(buf, header, sizeof header);
    int len = sizeof header;
    for (int i = 0; i < n; i++) {
        buf[len] = 0x0C;
        PutBig32(buf + len + 1, objectIDs[i]);
        buf[len + 5] = 0x1E;
        buf[len + 6] = 0x09;
        buf[len + 7] = properties[i];
        buf[len + 8] = 0x1F;
        len += 9;
    }
    return len;
}

void BM_Ref_ReadMultipleRequest(benchmark::State& state)
{
    const int n = 89;
    std::vector<uint32_t> ids(n);
    std::vector<unsigned char> properties(n, 85);
    for (int i = 0; i < n; i++)
        ids[i] = _BACnetObjectID(0, i).GetValue();
    static unsigned char buf[CBACnetReadMultiService::REQUEST_ROOM];
    for (auto _ : state) {
        int len = RefReadMultipleRequest(buf, ids.data(), properties.data(), n);
        benchmark::DoNotOptimize(buf);
        benchmark::DoNotOptimize(len);
    }
}
BENCHMARK(BM_Ref_ReadMultipleRequest);

// Binding a host tag by property name.
void BM_BindByName(benchmark::State& state)
{
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetObjTypes tag(_BACnetObjectID(1, 7));
        CString name(L"priorityarray[8]");
        unsigned short subType;
        benchmark::DoNotOptimize(tag.CreateProperty(name, subType, 0));
    }
    ReportAllocations(state, start);
}
BENCHMARK(BM_BindByName);

void BM_BindByNamePresentValue(benchmark::State& state)
{
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetObjTypes tag(_BACnetObjectID(0, 3));
        CString name(L"PresentValue");
        unsigned short subType;
        benchmark::DoNotOptimize(tag.CreateProperty(name, subType, 0));
    }
    ReportAllocations(state, start);
}
BENCHMARK(BM_BindByNamePresentValue);

}  // namespace

BENCHMARK_MAIN();

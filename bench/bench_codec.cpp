// Benchmarks of what a driver does per request and per reply. Each reports
// the heap allocations of one operation ("allocs/op"): the encoders and
// decoders of a poll are meant to make none.
//
//     cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBACNETCODEC_BENCH=ON
//     cmake --build build-bench --target bench_codec && build-bench/bench/bench_codec
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include <bacnetcodec/bacnetcodec.h>

#include "AllocCount.h"

namespace {

// Reports the allocations made since `start` per iteration; called right
// after the timed loop, before anything else touches the heap.
void ReportAllocations(benchmark::State& state, size_t start)
{
    const size_t made = bench::Allocations() - start;
    const double n = static_cast<double>(state.iterations());
    state.counters["allocs/op"] = n ? static_cast<double>(made) / n : 0;
}

// (a) ReadProperty request: analog input 3, present value, no array index.
void BM_EncodeReadProperty(benchmark::State& state)
{
    CBACnetOBJ device;
    device.m_objectID = _BACnetObjectID(8, 1234);
    CBACnetPropertyID property;  // present value, no index
    property.m_objectID = _BACnetObjectID(0, 3);
    unsigned char buf[64];
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetReadPropertyService service;
        int len = 0;
        benchmark::DoNotOptimize(service.MakeFrame(buf, len, &device, &property));
        benchmark::DoNotOptimize(buf);
        benchmark::DoNotOptimize(len);
    }
    ReportAllocations(state, start);
}
BENCHMARK(BM_EncodeReadProperty);

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
            tags.emplace_back(new CBACnetObjTypes(_BACnetObjectID(0, i)));
            CString name(L"PresentValue");
            unsigned short subType;
            if (!tags.back()->CreateProperty(name, subType, 0))
                abort();
            array.Add(tags.back().get());
        }
    }
};

// (b) Decoding the acknowledgement into n bound tags with change detection.
// Two acknowledgements alternate, so every value changes every time and is
// handed over as a host value, as the driver takes it.
void BM_DecodeReadMultipleAck(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    BoundRun run(n);
    std::vector<unsigned char> acks[2] = {ReadMultipleAck(n, 20.5f), ReadMultipleAck(n, 21.5f)};
    CBACnetReadMultiService rpm(0);
    rpm.m_last = n - 1;
    CTagVal value;
    int turn = 0;
    int changed = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        std::vector<unsigned char>& ack = acks[turn ^= 1];
        rpm.ReadBodyFrame(ack.data(), static_cast<int>(ack.size()), run.array);
        for (auto& tag : run.tags) {
            if (tag->IsChangeValue() == CBACnetObjTypes::CHANGE_NEW) {
                tag->GetValue(value, 0, 0);
                tag->ResetChangeValue();
                changed++;
            }
        }
    }
    ReportAllocations(state, start);
    if (changed != n * static_cast<int>(state.iterations()))
        state.SkipWithError("a value was not seen to change");
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DecodeReadMultipleAck)->Arg(20)->Arg(89);

// (c) Application values through the tag codec: encode, then decode.
void BM_TagUnsigned(benchmark::State& state)
{
    unsigned char buf[16];
    DWORD in = 300000, out = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetTag tag;
        int len = 0;
        tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_UNSIGNED, 3,
                            reinterpret_cast<unsigned char*>(&in));
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

void BM_TagReal(benchmark::State& state)
{
    unsigned char buf[16];
    float in = 21.5f, out = 0;
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetTag tag;
        int len = 0;
        tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_APPLICATION, CBACnetTag::TYPE_REAL, 4,
                            reinterpret_cast<unsigned char*>(&in));
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

void BM_TagCharacterString(benchmark::State& state)
{
    static const char text[] = "Boiler room supply temperature";
    const int n = static_cast<int>(sizeof text - 1);
    unsigned char buf[64];
    char out[sizeof text];
    const size_t start = bench::Allocations();
    for (auto _ : state) {
        CBACnetTag tag;
        int len = 0;
        // The encoder takes text already narrowed to one octet per character.
        tag.MakeStringFrame(buf, len, n, reinterpret_cast<const wchar_t*>(text));
        CBACnetTag reader(len);
        int at = 0, isNull;
        reader.ReadHeaderFrame(buf, at);
        reader.ReadDataFrame(out, CBACnetTag::TYPE_CHARACTER_STRING, sizeof out, buf, at, isNull);
        benchmark::DoNotOptimize(out);
    }
    ReportAllocations(state, start);
    if (memcmp(out, text, sizeof text) != 0)
        state.SkipWithError("round trip");
}
BENCHMARK(BM_TagCharacterString);

// (c) The same values from and to the host's tag value: SetTagVal, then
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
    v.SetVal(L"Boiler room supply temperature");
    HostValueRoundTrip(state, CBACnetTypes::DT_CHARACTER_STRING, CBACnetTypes::HOST_TEXT, v);
}
BENCHMARK(BM_HostCharacterString);

// (d) A whole ReadPropertyMultiple request of 89 present values (what fits
// a 1476-octet APDU with room for the reply): service, buffer, header, entries.
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

// (e) Binding a host tag by property name.
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

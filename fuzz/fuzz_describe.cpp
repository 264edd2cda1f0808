// bacnet-tool's reply describer: a received frame in words, read acks
// result by result through the generic value codec. Besides staying inside
// the octets, it must hold to three oracles:
// - describing the same frame twice says the same, with the same verdict;
// - a ReadProperty acknowledgement it accepts is refused when cut at any
//   octet before its end;
// - an accepted acknowledgement encoded again from what was decoded
//   decodes to the same object, property, index and values.
#include <sstream>
#include <vector>

#include "Describe.h"
#include "FuzzInput.h"
#include "PropertyAccess.h"
#include "Values.h"

namespace {

std::string Text(const tool::PropertyResult& r)
{
    std::string text = tool::ObjectText(r.object) + " " + std::to_string(r.property) + " " +
                       (r.hasIndex ? std::to_string(r.index) : "-");
    for (const CBACnetValue& v : r.values)
        text += " | " + tool::ValueText(v, tool::ValueContext{r.object.m_type, r.property});
    return text;
}

void CheckReadPropertyAck(const unsigned char* params, int n)
{
    tool::PropertyResult first;
    std::string why;
    if (!tool::ReadPropertyAck(params, n, first, why))
        return;
    // Shorter copies, each in a block of exactly its size, are refused: 8
    // cuts spread over the frame and the one that drops the last octet
    // (every cut would cost the square of the length; the fuzzer moves the
    // cuts by changing the length).
    const int step = n > 8 ? n / 8 : 1;
    std::vector<int> cuts;
    for (int cut = 0; cut < n - 1; cut += step)
        cuts.push_back(cut);
    cuts.push_back(n - 1);
    for (int cut : cuts) {
        std::unique_ptr<unsigned char[]> part(new unsigned char[cut > 0 ? cut : 1]);
        memcpy(part.get(), params, static_cast<size_t>(cut));
        tool::PropertyResult shorter;
        if (tool::ReadPropertyAck(part.get(), cut, shorter, why))
            abort();
    }
    // Encode what was decoded and decode it again. Texts come back as UTF-8,
    // at most twice the octets of the set they arrived in.
    std::vector<unsigned char> again(2 * static_cast<size_t>(n) + 64);
    int len = 0;
    if (!tool::MakeReadPropertyAck(first, again.data(), len, static_cast<int>(again.size())))
        abort();
    tool::PropertyResult second;
    if (!tool::ReadPropertyAck(again.data(), len, second, why) || Text(first) != Text(second))
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HostSetCodePage(HOST_CP_UTF8);
    fuzz::Input in(data, size);
    const unsigned char mode = in.Take();
    in.Rest();
    if (mode & 1) {
        // The parameters of a ReadProperty acknowledgement alone.
        CheckReadPropertyAck(in.buf(), in.end());
        return 0;
    }
    const std::vector<unsigned char> frame(in.buf(), in.buf() + in.end());
    std::ostringstream once, twice;
    const bool a = tool::DescribeFrame(once, frame);
    const bool b = tool::DescribeFrame(twice, frame);
    if (a != b || once.str() != twice.str())
        abort();
    return 0;
}

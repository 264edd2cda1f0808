// Received text and typed names: the octets converted to host text in the
// chosen code page and back, and looked up as a name or number of the chosen
// enumeration. Selector octet: code page (bit 0, UTF-8 when set),
// enumeration (the rest).
#include "FuzzInput.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const unsigned char selector = in.Take();
    in.Rest();
    const char* text = reinterpret_cast<const char*>(in.buf());
    const auto n = static_cast<size_t>(in.end());

    const bool utf8 = selector & 1;
    HostSetCodePage(utf8 ? HOST_CP_UTF8 : HOST_CP_WINDOWS_1252);
    const CString wide = HostAnsiToWide(text, n);
    const std::string back = HostWideToAnsi(wide.GetString(), static_cast<size_t>(wide.GetLength()));
    if (!utf8) {
        // Every Windows-1252 byte has a character and comes back as itself.
        if (back != std::string(text, n))
            abort();
    } else {
        // Well-formed UTF-16: a surrogate only as the first or second half of a pair.
        const wchar_t* w = wide.GetString();
        const int count = wide.GetLength();
        for (int i = 0; i < count; ++i) {
            const bool high = w[i] >= 0xD800 && w[i] <= 0xDBFF;
            const bool low = w[i] >= 0xDC00 && w[i] <= 0xDFFF;
            if (low || (high && (i + 1 == count || w[i + 1] < 0xDC00 || w[i + 1] > 0xDFFF)))
                abort();
            if (high)
                ++i;
        }
        // What the encoder writes is UTF-8 the decoder takes unchanged.
        const CString again = HostAnsiToWide(back.data(), back.size());
        if (again != wide)
            abort();
    }
    HostSetCodePage(HOST_CP_WINDOWS_1252);

    const int enumeration = (selector >> 1) % BACNET_ENUM_COUNT;
    const std::string name(text, n);  // NUL-terminated, embedded NULs end it early
    unsigned value = 0;
    if (BACnetEnumValue(enumeration, name.c_str(), value)) {
        // A number beyond the maximum is accepted only as a named value.
        const char* found = BACnetEnumName(enumeration, value);
        if (value > BACnetEnumMax(enumeration) && !found)
            abort();
    }
    return 0;
}

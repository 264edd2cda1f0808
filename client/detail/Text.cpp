#include "client/detail/Text.h"

#include <bacnetcodec/bacnetcodec.h>

namespace bacnet::detail {

namespace {

enum : uint8_t { kSetUtf8 = 0, kSetUcs4 = 3, kSetUcs2 = 4, kSetLatin1 = 5 };

}  // namespace

bool ToUtf8(uint8_t characterSet, ByteView content, std::string& out)
{
    out.clear();
    switch (characterSet) {
    case kSetUtf8:
        out.assign(content.begin(), content.end());
        return true;
    case kSetLatin1:
        for (uint8_t c : content)
            HostAppendUtf8(out, c);
        return true;
    case kSetUcs2:
        if (content.size() % 2)
            return false;
        for (size_t i = 0; i < content.size(); i += 2) {
            uint32_t unit = uint32_t(content[i]) << 8 | content[i + 1];
            // A surrogate pair, as senders of UTF-16 put it in UCS-2.
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < content.size()) {
                const uint32_t low = uint32_t(content[i + 2]) << 8 | content[i + 3];
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            HostAppendUtf8(out, unit);
        }
        return true;
    case kSetUcs4:
        if (content.size() % 4)
            return false;
        for (size_t i = 0; i < content.size(); i += 4)
            HostAppendUtf8(out, uint32_t(content[i]) << 24 | uint32_t(content[i + 1]) << 16 |
                                    uint32_t(content[i + 2]) << 8 | content[i + 3]);
        return true;
    default:
        return false;
    }
}

std::string Utf8FromWide(const wchar_t* text)
{
    std::string out;
    for (const wchar_t* p = text; p && *p; p++)
        HostAppendUtf8(out, static_cast<uint32_t>(*p));
    return out;
}

}  // namespace bacnet::detail

#include "client/detail/Text.h"

namespace bacnet::detail {

namespace {

enum : uint8_t { kSetUtf8 = 0, kSetUcs4 = 3, kSetUcs2 = 4, kSetLatin1 = 5 };

void AppendCodePoint(uint32_t cp, std::string& out)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

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
            AppendCodePoint(c, out);
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
            AppendCodePoint(unit, out);
        }
        return true;
    case kSetUcs4:
        if (content.size() % 4)
            return false;
        for (size_t i = 0; i < content.size(); i += 4)
            AppendCodePoint(uint32_t(content[i]) << 24 | uint32_t(content[i + 1]) << 16 |
                                uint32_t(content[i + 2]) << 8 | content[i + 3],
                            out);
        return true;
    default:
        return false;
    }
}

std::string Utf8FromWide(const wchar_t* text)
{
    std::string out;
    for (const wchar_t* p = text; p && *p; p++)
        AppendCodePoint(static_cast<uint32_t>(*p), out);
    return out;
}

}  // namespace bacnet::detail

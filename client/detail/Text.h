// Character strings as the client hands them over: UTF-8, whatever
// character set the device sent.
#pragma once

#include <cstdint>
#include <string>

#include "client/Bytes.h"

namespace bacnet::detail {

// A received Character String's content after its set octet. Sets taken:
// 0 (UTF-8), 3 (UCS-4), 4 (UCS-2), 5 (ISO 8859-1); others refused.
bool ToUtf8(uint8_t characterSet, ByteView content, std::string& out);
// The codec's texts (CString, wchar_t) as UTF-8.
std::string Utf8FromWide(const wchar_t* text);

}  // namespace bacnet::detail

// Hex helpers: tests state archive bytes as they appear on the wire.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "host/Archive.h"
#include "host/File.h"

// "FF FE 03" -> bytes; spaces are ignored.
inline std::vector<BYTE> Hex(const std::string& text) {
    std::vector<BYTE> bytes;
    std::string digits;
    for (char c : text)
        if (c != ' ')
            digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<BYTE>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Bytes -> "FF FE 03".
inline std::string ToHex(const std::vector<BYTE>& bytes) {
    std::string text;
    char buf[4];
    for (BYTE b : bytes) {
        std::snprintf(buf, sizeof buf, text.empty() ? "%02X" : " %02X", b);
        text += buf;
    }
    return text;
}

// Runs store(ar) on a storing archive and returns the bytes it wrote.
template <class F>
std::vector<BYTE> Stored(F store) {
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        store(ar);
    }
    return file.GetData();
}

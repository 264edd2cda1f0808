#include "Output.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <bacnetcodec/bacnetcodec.h>

namespace tool {

namespace {


int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Utf8(const wchar_t* units)
{
    std::string out;
    for (const wchar_t* p = units; *p; p++) {
        unsigned long u = static_cast<unsigned long>(*p) & 0xFFFF;
        if (u >= 0xD800 && u < 0xDC00 && (p[1] & 0xFC00) == 0xDC00) {
            u = 0x10000 + ((u - 0xD800) << 10) + ((static_cast<unsigned long>(p[1]) & 0xFFFF) - 0xDC00);
            p++;
        } else if (u >= 0xD800 && u < 0xE000) {
            u = 0xFFFD;  // a lone surrogate
        }
        HostAppendUtf8(out, u);
    }
    return out;
}

std::string Utf8(const CString& text)
{
    return Utf8(text.GetString());
}

CString Wide(const std::string& text)
{
    // Decodes UTF-8 into code points and lets CString split those above U+FFFF.
    std::wstring wide;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= text.size()) {
            wide += L'?';
            i++;
            continue;
        }
        unsigned long cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; k++) {
            const unsigned char cont = static_cast<unsigned char>(text[i + k]);
            ok = ok && (cont & 0xC0) == 0x80;
            cp = (cp << 6) | (cont & 0x3F);
        }
        wide += ok ? static_cast<wchar_t>(cp) : L'?';
        i += ok ? extra + 1 : 1;
    }
    return CString(wide.c_str());
}

std::string HexOctets(const unsigned char* data, int n)
{
    std::string out;
    char octet[4];
    for (int i = 0; i < n; i++) {
        snprintf(octet, sizeof octet, i ? " %02X" : "%02X", data[i]);
        out += octet;
    }
    return out;
}

std::string HexOctets(const std::vector<unsigned char>& data)
{
    return HexOctets(data.data(), static_cast<int>(data.size()));
}

bool ParseHex(const std::string& text, std::vector<unsigned char>& out)
{
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == ',' || c == '\t' || c == '\n')
            continue;
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<unsigned char>(high << 4 | digit));
            high = -1;
        }
    }
    return high < 0;
}

std::string Timestamp()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const long millis = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03ld", local.tm_year + 1900, local.tm_mon + 1,
             local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis);
    return text;
}

std::string CsvCell(const std::string& text)
{
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string NumberText(double value)
{
    char text[40];
    const bool single = std::isfinite(value) && static_cast<double>(static_cast<float>(value)) == value;
    // Never fewer digits than the integer part has, so 100 does not become 1e+02.
    int digits = 1;
    for (double magnitude = std::fabs(value); magnitude >= 10 && digits < 17; magnitude /= 10)
        digits++;
    for (int precision = digits; precision <= 17; precision++) {
        snprintf(text, sizeof text, "%.*g", precision, value);
        const double back = strtod(text, nullptr);
        if (single ? static_cast<float>(back) == static_cast<float>(value) : back == value)
            return text;
    }
    return text;
}

std::string TagValText(CTagVal& value)
{
    switch (value.GetType()) {
    case CTagVal::typeInvalid:
        return "invalid";
    case CTagVal::typeEmpty:
        return "(empty)";
    case CTagVal::typeText:
        return Utf8(value.GetValStr());
    default:
        return NumberText(value.GetVal());
    }
}

void JsonWriter::Separate()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back())
            m_out << ',';
        m_first.back() = false;
    }
}

JsonWriter& JsonWriter::BeginObject()
{
    Separate();
    m_out << '{';
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    m_out << '}';
    m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    Separate();
    m_out << '[';
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    m_out << ']';
    m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(const std::string& key)
{
    String(key);
    m_out << ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::String(const std::string& value)
{
    Separate();
    m_out << '"';
    for (char c : value) {
        switch (c) {
        case '"': m_out << "\\\""; break;
        case '\\': m_out << "\\\\"; break;
        case '\n': m_out << "\\n"; break;
        case '\r': m_out << "\\r"; break;
        case '\t': m_out << "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char esc[8];
                snprintf(esc, sizeof esc, "\\u%04x", c);
                m_out << esc;
            } else {
                m_out << c;
            }
        }
    }
    m_out << '"';
    return *this;
}

JsonWriter& JsonWriter::Number(double value)
{
    if (!std::isfinite(value))
        return Null();  // JSON has no NaN or infinity
    Separate();
    m_out << NumberText(value);
    return *this;
}

JsonWriter& JsonWriter::Integer(long long value)
{
    Separate();
    m_out << value;
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    Separate();
    m_out << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::Null()
{
    Separate();
    m_out << "null";
    return *this;
}

}  // namespace tool

// Text helpers shared by the commands: host strings to UTF-8, octets as hex,
// time stamps, and a small JSON writer for machine-readable output.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class CString;
class CTagVal;

namespace tool {

// The host string holds UTF-16 code units; the terminal wants UTF-8.
std::string Utf8(const CString& text);
std::string Utf8(const wchar_t* units);
// Command-line text (UTF-8) as a host string.
CString Wide(const std::string& text);

// "01 04 02 05"
std::string HexOctets(const unsigned char* data, int n);
std::string HexOctets(const std::vector<unsigned char>& data);
// Reads "0104 02 05" or "01:04:02"; false on an odd digit count or a non-hex character.
bool ParseHex(const std::string& text, std::vector<unsigned char>& out);

// One CSV cell: quoted when it holds a comma, a quote or a line break.
std::string CsvCell(const std::string& text);

// Local wall-clock time with milliseconds: "2024-05-01 12:00:00.123".
std::string Timestamp();

// A number in the shortest form that reads back to it; a value that came
// from a Real is shown in single precision (21.5, not 21.500000953674316).
std::string NumberText(double value);
// The value of a host tag as text; "invalid" for a value marked not valid.
std::string TagValText(CTagVal& value);

// Writes one JSON value at a time, placing the commas itself.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : m_out(out) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& key);
    JsonWriter& String(const std::string& value);
    JsonWriter& Number(double value);
    JsonWriter& Integer(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // A member of the current object, in one call.
    template <class T>
    JsonWriter& Member(const std::string& key, const T& value);

private:
    void Separate();

    std::ostream& m_out;
    std::vector<bool> m_first;  // per open container: nothing written in it yet
    bool m_afterKey = false;
};

inline JsonWriter& MemberValue(JsonWriter& w, const std::string& v) { return w.String(v); }
inline JsonWriter& MemberValue(JsonWriter& w, const char* v) { return w.String(v); }
inline JsonWriter& MemberValue(JsonWriter& w, bool v) { return w.Bool(v); }
inline JsonWriter& MemberValue(JsonWriter& w, int v) { return w.Integer(v); }
inline JsonWriter& MemberValue(JsonWriter& w, unsigned v) { return w.Integer(v); }
inline JsonWriter& MemberValue(JsonWriter& w, long long v) { return w.Integer(v); }
inline JsonWriter& MemberValue(JsonWriter& w, double v) { return w.Number(v); }

template <class T>
JsonWriter& JsonWriter::Member(const std::string& key, const T& value)
{
    Key(key);
    return MemberValue(*this, value);
}

}  // namespace tool

#include "client/Value.h"

#include <cstdio>

namespace bacnet {

namespace {

std::string Format(const char* fmt, double a, double b = 0, double c = 0)
{
    char text[64];
    snprintf(text, sizeof text, fmt, a, b, c);
    return text;
}

std::string Unspecified(uint8_t v, const char* fmt)
{
    char text[8];
    if (v == 255)
        return "*";
    snprintf(text, sizeof text, fmt, v);
    return text;
}

}  // namespace

std::string ObjectId::ToString() const
{
    return std::to_string(m_type) + ":" + std::to_string(m_instance);
}

bool Value::ToNumber(double& out) const
{
    return std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Enumerated>) {
                out = v.m_value;
                return true;
            } else if constexpr (std::is_arithmetic_v<T>) {
                out = static_cast<double>(v);
                return true;
            } else {
                return false;
            }
        },
        m_value);
}

std::string Value::ToString() const
{
    struct Text {
        std::string operator()(const Null&) { return "null"; }
        std::string operator()(bool v) { return v ? "true" : "false"; }
        std::string operator()(uint64_t v) { return std::to_string(v); }
        std::string operator()(int64_t v) { return std::to_string(v); }
        std::string operator()(float v) { return Format("%g", v); }
        std::string operator()(double v) { return Format("%.15g", v); }
        std::string operator()(const OctetString& v)
        {
            std::string out = "X'";
            char hex[4];
            for (uint8_t o : v.m_octets) {
                snprintf(hex, sizeof hex, "%02X", o);
                out += hex;
            }
            return out + "'";
        }
        std::string operator()(const std::string& v) { return "\"" + v + "\""; }
        std::string operator()(const BitString& v)
        {
            std::string out = "B'";
            for (bool b : v.m_bits)
                out += b ? '1' : '0';
            return out + "'";
        }
        std::string operator()(const Enumerated& v) { return "enum " + std::to_string(v.m_value); }
        std::string operator()(const Date& d)
        {
            return (d.m_year == 255 ? std::string("*") : std::to_string(1900 + d.m_year)) + "-" +
                   Unspecified(d.m_month, "%02u") + "-" + Unspecified(d.m_day, "%02u");
        }
        std::string operator()(const Time& t)
        {
            return Unspecified(t.m_hour, "%02u") + ":" + Unspecified(t.m_minute, "%02u") + ":" +
                   Unspecified(t.m_second, "%02u") + "." + Unspecified(t.m_hundredths, "%02u");
        }
        std::string operator()(const ObjectId& id) { return id.ToString(); }
        std::string operator()(const List& list)
        {
            std::string out = "{";
            for (size_t i = 0; i < list.size(); i++)
                out += (i ? ", " : "") + list[i].ToString();
            return out + "}";
        }
        std::string operator()(const RawValue& raw) { return (*this)(OctetString{raw.m_octets}); }
    };
    return std::visit(Text{}, m_value);
}

}  // namespace bacnet

#include "Pdml.h"

#include <cstdlib>
#include <sstream>

namespace {

std::string Unescape(const std::string& in)
{
    std::string out;
    for (size_t i = 0; i < in.size(); i++) {
        if (in[i] != '&') {
            out += in[i];
            continue;
        }
        const size_t semi = in.find(';', i);
        if (semi == std::string::npos) {
            out += in[i];
            continue;
        }
        const std::string entity = in.substr(i + 1, semi - i - 1);
        if (entity == "quot")
            out += '"';
        else if (entity == "amp")
            out += '&';
        else if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "apos")
            out += '\'';
        else if (!entity.empty() && entity[0] == '#') {
            const long code = entity.size() > 1 && entity[1] == 'x' ? strtol(entity.c_str() + 2, nullptr, 16)
                                                                   : strtol(entity.c_str() + 1, nullptr, 10);
            // Non-ASCII code points are not compared by the tests; keep a marker.
            out += code > 0 && code < 0x80 ? static_cast<char>(code) : '?';
        } else {
            out += in.substr(i, semi - i + 1);
        }
        i = semi;
    }
    return out;
}

// The value of attribute `name` in one element line, unescaped; "" if absent.
std::string Attribute(const std::string& line, const char* name)
{
    const std::string key = std::string(" ") + name + "=\"";
    const size_t at = line.find(key);
    if (at == std::string::npos)
        return "";
    const size_t from = at + key.size();
    const size_t to = line.find('"', from);
    if (to == std::string::npos)
        return "";
    return Unescape(line.substr(from, to - from));
}

}  // namespace

std::vector<std::string> PdmlPacket::All(const std::string& name) const
{
    std::vector<std::string> out;
    for (const PdmlField& f : fields)
        if (f.depth > 0 && f.name == name)
            out.push_back(f.show);
    return out;
}

std::string PdmlPacket::First(const std::string& name) const
{
    for (const PdmlField& f : fields)
        if (f.depth > 0 && f.name == name)
            return f.show;
    return "";
}

bool PdmlPacket::Has(const std::string& name) const
{
    for (const PdmlField& f : fields)
        if (f.name == name)
            return true;
    return false;
}

const PdmlField* PdmlPacket::Proto(const std::string& proto) const
{
    for (const PdmlField& f : fields)
        if (f.depth == 0 && f.name == proto)
            return &f;
    return nullptr;
}

bool ParsePdml(const std::string& text, std::vector<PdmlPacket>& packets, std::string* error)
{
    // tshark writes one element per line, which is all this reader relies on.
    std::istringstream in(text);
    std::string line;
    bool sawRoot = false;
    PdmlPacket* packet = nullptr;
    std::string proto;
    int depth = 0;
    while (std::getline(in, line)) {
        const size_t lt = line.find('<');
        if (lt == std::string::npos)
            continue;
        const std::string element = line.substr(lt);
        const bool selfClosing = element.size() >= 2 && element.compare(element.size() - 2, 2, "/>") == 0;
        if (element.compare(0, 5, "<pdml") == 0) {
            sawRoot = true;
        } else if (element.compare(0, 7, "<packet") == 0) {
            packets.emplace_back();
            packet = &packets.back();
        } else if (element.compare(0, 9, "</packet>") == 0) {
            packet = nullptr;
        } else if (packet && (element.compare(0, 7, "<proto ") == 0 || element.compare(0, 7, "<field ") == 0)) {
            const bool isProto = element[1] == 'p';
            PdmlField f;
            f.name = Attribute(element, "name");
            if (isProto) {
                proto = f.name;
                depth = 0;
            }
            f.proto = proto;
            f.depth = depth;
            f.show = Attribute(element, "show");
            f.showname = Attribute(element, "showname");
            f.value = Attribute(element, "value");
            f.pos = atoi(Attribute(element, "pos").c_str());
            f.size = atoi(Attribute(element, "size").c_str());
            packet->fields.push_back(f);
            if (!selfClosing)
                depth++;
        } else if (element.compare(0, 8, "</field>") == 0 || element.compare(0, 8, "</proto>") == 0) {
            depth--;
        }
    }
    if (!sawRoot) {
        *error = "no <pdml> element in tshark's output";
        return false;
    }
    return true;
}

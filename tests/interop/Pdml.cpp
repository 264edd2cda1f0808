#include "Pdml.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "Process.h"

namespace {

void Put(Bytes& out, uint32_t v, int octets, bool littleEndian = false)
{
    for (int i = 0; i < octets; i++)
        out.push_back(static_cast<unsigned char>(v >> 8 * (littleEndian ? i : octets - 1 - i)));
}

// A classic capture file of raw IPv4 packets (link type 101), little-endian,
// one second apart. Both checksums are left out (0): tshark checks neither
// by default, and UDP over IPv4 allows it.
Bytes Capture(const std::vector<Datagram>& datagrams)
{
    Bytes file;
    for (uint32_t v : {0xA1B2C3D4u, 0x00040002u, 0u, 0u, 65535u, 101u})
        Put(file, v, 4, true);
    uint32_t second = 0;
    for (const Datagram& d : datagrams) {
        const uint32_t length = static_cast<uint32_t>(28 + d.octets.size());
        for (uint32_t v : {++second, 0u, length, length})
            Put(file, v, 4, true);
        // IPv4 with a 20-octet header, its length, an identification, TTL 64, UDP.
        for (uint32_t v : {0x4500u, length, second, 0u, 0x4011u, 0u})
            Put(file, v, 2);
        Put(file, 0x7F000001, 4);
        Put(file, d.broadcast ? 0x7FFFFFFF : 0x7F000002, 4);
        for (uint32_t v : {47808u, 47808u, length - 20, 0u})
            Put(file, v, 2);
        file.insert(file.end(), d.octets.begin(), d.octets.end());
    }
    return file;
}

std::string Unescape(const std::string& in)
{
    static const std::pair<const char*, char> entities[] = {{"quot", '"'}, {"amp", '&'}, {"lt", '<'}, {"gt", '>'},
                                                            {"apos", '\''}};
    std::string out;
    for (size_t i = 0; i < in.size(); i++) {
        const size_t semi = in[i] == '&' ? in.find(';', i) : std::string::npos;
        if (semi == std::string::npos) {
            out += in[i];
            continue;
        }
        // Non-ASCII code points are not compared by the tests; keep a marker.
        const std::string entity = in.substr(i + 1, semi - i - 1);
        const long code = entity[0] != '#' ? 0 : entity[1] == 'x' ? strtol(&entity[2], nullptr, 16) : atol(&entity[1]);
        char c = code > 0 && code < 0x80 ? static_cast<char>(code) : '?';
        for (const auto& e : entities)
            c = entity == e.first ? e.second : c;
        out += c;
        i = semi;
    }
    return out;
}

// The value of attribute `name` in one element line, unescaped; "" if absent.
std::string Attribute(const std::string& line, const char* name)
{
    const std::string key = std::string(" ") + name + "=\"";
    const size_t at = line.find(key);
    const size_t to = at == std::string::npos ? at : line.find('"', at + key.size());
    return to == std::string::npos ? "" : Unescape(line.substr(at + key.size(), to - at - key.size()));
}

// tshark writes one element per line, which is all this reader relies on.
bool ParsePdml(const std::string& text, std::vector<PdmlPacket>& packets)
{
    std::istringstream in(text);
    std::string line, proto;
    bool sawRoot = false;
    PdmlPacket* packet = nullptr;
    int depth = 0;
    while (std::getline(in, line)) {
        const size_t lt = line.find('<');
        if (lt == std::string::npos)
            continue;
        const std::string element = line.substr(lt);
        if (element.compare(0, 5, "<pdml") == 0) {
            sawRoot = true;
        } else if (element.compare(0, 7, "<packet") == 0) {
            packets.emplace_back();
            packet = &packets.back();
        } else if (element.compare(0, 9, "</packet>") == 0) {
            packet = nullptr;
        } else if (packet && (element.compare(0, 7, "<proto ") == 0 || element.compare(0, 7, "<field ") == 0)) {
            PdmlField f;
            f.name = Attribute(element, "name");
            if (element[1] == 'p') {
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
            if (element.compare(element.size() - 2, 2, "/>") != 0)
                depth++;
        } else if (element.compare(0, 8, "</field>") == 0 || element.compare(0, 8, "</proto>") == 0) {
            depth--;
        }
    }
    return sawRoot;
}

bool WriteFile(const std::string& path, const void* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    const bool ok = f && fwrite(data, 1, size, f) == size;
    return f && fclose(f) == 0 && ok;
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
    const std::vector<std::string> all = All(name);
    return all.empty() ? "" : all.front();
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

bool Dissect(const std::string& tshark, const std::string& pcap, const std::vector<Datagram>& datagrams,
             std::vector<PdmlPacket>& packets, std::string* error, const std::string& keepPdml)
{
    const Bytes file = Capture(datagrams);
    if (!WriteFile(pcap, file.data(), file.size())) {
        *error = "cannot write " + pcap;
        return false;
    }
    std::string pdml;
    // -n: no name look-ups.
    if (!RunProgram({tshark, "-n", "-r", pcap, "-T", "pdml"}, std::chrono::seconds(120), pdml, error))
        return false;
    if (!keepPdml.empty())
        WriteFile(keepPdml, pdml.data(), pdml.size());
    packets.clear();
    const bool ok = ParsePdml(pdml, packets) && packets.size() == datagrams.size();
    if (!ok)
        *error = "tshark gave " + std::to_string(packets.size()) + " packets for " +
                 std::to_string(datagrams.size()) + " datagrams";
    return ok;
}

std::vector<std::string> Flaws(const PdmlPacket& packet)
{
    std::vector<std::string> flaws;
    if (packet.Has("_ws.malformed"))
        flaws.push_back("tshark marks the frame malformed");
    for (const PdmlField& f : packet.fields)
        if (f.name == "_ws.expert")
            flaws.push_back("expert item");
        else if (f.name == "_ws.expert.message" && !flaws.empty())
            flaws.back() += ": " + f.show;
    return flaws;
}

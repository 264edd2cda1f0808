// Datagrams dissected by tshark: they are written to a capture file as UDP
// over IPv4 on loopback, and the tree `tshark -T pdml` prints for each is
// read into plain records, one per packet, each a flat list of its fields
// in tree order.
#pragma once

#include <string>
#include <vector>

#include "Net.h"

struct PdmlField {
    std::string proto;     // the protocol the field belongs to ("bacapp", "bacnet", "_ws.malformed", ...)
    int depth = 0;         // 0 for the protocol itself, 1 for its top-level fields, ...
    std::string name;      // "" for a text item
    std::string show;      // the value, or the text of a text item
    std::string showname;  // the line as the tree prints it
    std::string value;     // the octets, in hex ("" for some text items)
    int pos = 0;
    int size = 0;
    // What the line says: the showname, else the show text.
    const std::string& Text() const { return showname.empty() ? show : showname; }
};

struct PdmlPacket {
    std::vector<PdmlField> fields;

    // The shows of every field called `name`, in order.
    std::vector<std::string> All(const std::string& name) const;
    // The first one, or "" when the packet has none.
    std::string First(const std::string& name) const;
    bool Has(const std::string& name) const;
    // The protocol record (depth 0) of `proto`, or null.
    const PdmlField* Proto(const std::string& proto) const;
};

struct Datagram {
    Bytes octets;
    bool broadcast = false;  // to 127.255.255.255 rather than 127.0.0.2
};

// Writes `datagrams` to `pcap` (from 127.0.0.1, port 47808 both sides), has
// tshark dissect them and reads one packet per datagram into `packets`;
// keeps tshark's output in `keepPdml` unless that is "".
bool Dissect(const std::string& tshark, const std::string& pcap, const std::vector<Datagram>& datagrams,
             std::vector<PdmlPacket>& packets, std::string* error, const std::string& keepPdml = "");

// What tshark holds against a packet: a malformed mark, any expert item.
std::vector<std::string> Flaws(const PdmlPacket& packet);

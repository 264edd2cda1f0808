// The dissection tree that `tshark -T pdml` prints, read into plain records:
// one per packet, each a flat list of its fields in tree order.
#pragma once

#include <string>
#include <vector>

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

// Parses tshark's PDML output; false if it is not PDML at all.
bool ParsePdml(const std::string& text, std::vector<PdmlPacket>& packets, std::string* error);

// A received frame described in words, every part read by the library's
// bounded decoders: BACnet/IP header, network header, APDU header, service
// parameters (read acknowledgements result by result through the generic
// value codec, I-Am and I-Have through their services, a tag listing
// otherwise) and failures by the standard's names.
#pragma once

#include <ostream>
#include <vector>

namespace tool {

// An NPDU, or a whole BACnet/IP datagram when it starts with 81. False when
// some part was refused (what was read before is still shown).
bool DescribeFrame(std::ostream& out, const std::vector<unsigned char>& octets);

// Lists the tags from buf[len] up to `end`, opening and closing tags indented.
// False when a tag is refused.
bool DumpTags(std::ostream& out, const unsigned char* buf, int len, int end, int indent);

}  // namespace tool

#include "Describe.h"

#include <cstring>
#include <iomanip>
#include <string>

#include <bacnetcodec/bacnetcodec.h>

#include "Frame.h"
#include "Names.h"
#include "Output.h"
#include "PropertyValues.h"
#include "Transport.h"

namespace tool {

namespace {

constexpr const char* kApplicationTypes[] = {"Null", "Boolean", "Unsigned", "Signed", "Real", "Double",
                                             "OctetString", "CharacterString", "BitString", "Enumerated",
                                             "Date", "Time", "ObjectIdentifier"};

void Row(std::ostream& out, const char* part, const unsigned char* octets, int n, const std::string& meaning)
{
    out << std::left << std::setw(12) << part << HexOctets(octets, n) << '\n'
        << std::setw(12) << "" << meaning << '\n';
}

DWORD HostWord(const unsigned char* b)
{
    return DWORD(b[0]) | DWORD(b[1]) << 8 | DWORD(b[2]) << 16 | DWORD(b[3]) << 24;
}

// One application value, read with the tag decoder into its host form.
std::string ApplicationValue(CBACnetTag& tag, unsigned char* buf, int& len, bool& ok)
{
    const int type = tag.m_tagNumber;
    int isNull = 0;
    ok = false;
    if (type == CBACnetTag::TYPE_CHARACTER_STRING || type == CBACnetTag::TYPE_OCTET_STRING ||
        type == CBACnetTag::TYPE_BIT_STRING) {
        if (!tag.HasRoom(len, tag.m_lvt))
            return "";
        std::vector<unsigned char> room(static_cast<size_t>(tag.m_lvt) + 1);
        if (!tag.ReadDataFrame(room.data(), type, static_cast<int>(room.size()), buf, len, isNull))
            return "";
        ok = true;
        if (type == CBACnetTag::TYPE_CHARACTER_STRING)
            return "\"" + Utf8(HostAnsiToWide(reinterpret_cast<char*>(room.data()), strlen((char*)room.data()))) + "\"";
        const int n = type == CBACnetTag::TYPE_BIT_STRING ? tag.m_lvt - 1 : tag.m_lvt;
        return HexOctets(room.data(), n);
    }
    unsigned char value[8] = {};
    if (type > CBACnetTag::TYPE_OBJECT_ID || !tag.ReadDataFrame(value, type, sizeof value, buf, len, isNull))
        return "";
    ok = true;
    const DWORD word = HostWord(value);
    switch (type) {
    case CBACnetTag::TYPE_NULL: return "null";
    case CBACnetTag::TYPE_BOOLEAN: return value[0] ? "true" : "false";
    case CBACnetTag::TYPE_UNSIGNED: return std::to_string(word);
    case CBACnetTag::TYPE_SIGNED: return std::to_string(static_cast<int32_t>(word));
    case CBACnetTag::TYPE_REAL: {
        float f;
        memcpy(&f, &word, sizeof f);
        char text[32];
        snprintf(text, sizeof text, "%g", f);
        return text;
    }
    case CBACnetTag::TYPE_DOUBLE: {
        unsigned long long bits = word | static_cast<unsigned long long>(HostWord(value + 4)) << 32;
        double d;
        memcpy(&d, &bits, sizeof d);
        char text[32];
        snprintf(text, sizeof text, "%g", d);
        return text;
    }
    case CBACnetTag::TYPE_ENUMERATED: return std::to_string(value[0]) + (tag.m_lvt > 1 ? " (" + HexOctets(value, tag.m_lvt) + ")" : "");
    case CBACnetTag::TYPE_DATE: return DateText(DWORD(value[3]) << 24 | DWORD(value[2]) << 16 | DWORD(value[1]) << 8 | value[0]);
    case CBACnetTag::TYPE_TIME: return TimeText(DWORD(value[3]) << 24 | DWORD(value[2]) << 16 | DWORD(value[1]) << 8 | value[0]);
    case CBACnetTag::TYPE_OBJECT_ID: return WireObjectText(word);
    default: return "";
    }
}

std::string ControlText(CBACnetNPCI& n)
{
    std::string text;
    if (n.IsReplyMode())
        text += "expecting reply; ";
    if (n.ExistDstNetwork())
        text += "destination network " + std::to_string(n.m_dnet[0] << 8 | n.m_dnet[1]) +
                (n.m_dlen ? " MAC " + HexOctets(n.m_dadr, n.m_dlen) : std::string(" (broadcast)")) + "; ";
    if (n.ExistSrcNetwork())
        text += "source network " + std::to_string(n.m_snet[0] << 8 | n.m_snet[1]) + " MAC " +
                HexOctets(n.m_sadr, n.m_slen) + "; ";
    if (text.empty())
        text = "local network, no reply expected; ";
    return text.substr(0, text.size() - 2);
}

std::string ApduText(ReceivedFrame& f)
{
    std::string text = PduTypeName(f.PduType());
    const int id = f.InvokeID();
    if (id >= 0)
        text += ", invoke ID " + std::to_string(id);
    switch (f.PduType()) {
    case 0:
        text += std::string(", service ") + ConfirmedServiceName(f.confirmed.GetServiceChoice()) + " (" +
                std::to_string(f.confirmed.GetServiceChoice()) + "), max APDU " +
                std::to_string(f.confirmed.GetMaxAPDU());
        if (f.confirmed.m_firstOctet & CBACnetPDU::BIT_SA)
            text += ", segmented response accepted";
        break;
    case 1:
        text += std::string(", service ") + UnconfirmedServiceName(f.unconfirmed.GetServiceChoice()) + " (" +
                std::to_string(f.unconfirmed.GetServiceChoice()) + ")";
        break;
    case 2:
        text += std::string(", service ") + ConfirmedServiceName(f.simpleAck.GetServiceAckChoice());
        break;
    case 3:
        text += std::string(", service ") + ConfirmedServiceName(f.complexAck.GetServiceAckChoice());
        if (f.complexAck.GetSegMsgType())
            text += ", segment " + std::to_string(f.complexAck.GetSequenceNo()) + " (window " +
                    std::to_string(f.complexAck.GetWindowSize()) + (f.complexAck.GetMoreFow() ? ", more follow)" : ", last)");
        break;
    case 4:
        text += std::string(f.segmentAck.m_firstOctet & CBACnetPDU::BIT_SA ? ", negative" : ", positive") +
                " ACK of segment " + std::to_string(f.segmentAck.GetSequenceNo()) + ", window " +
                std::to_string(f.segmentAck.GetWindowSize()) +
                (f.segmentAck.m_firstOctet & CBACnetPDU::BIT_SRV ? ", from the server" : "");
        break;
    case 5:
        text += std::string(", service ") + ConfirmedServiceName(f.error.GetErrorService());
        break;
    case 6:
        text += ", reason " + std::to_string(f.reject.GetRejectReason());
        break;
    case 7:
        text += ", reason " + std::to_string(f.abort.GetAbortReason());
        break;
    }
    return text;
}

std::string FailureText(int status, int value, int code)
{
    CMyBACnetBlkData record;
    record.SetData(status, value, reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(code)));
    CString text;
    record.GetErrorMsg(text);
    return Utf8(text);
}

// A ReadProperty acknowledgement: the identifiers, then the value through
// the property's codec when the library has one.
bool DescribeReadAck(std::ostream& out, unsigned char* buf, int end)
{
    CBACnetReadPropertyService service;
    CBACnetPropertyID probe;  // no index asked: reads object and property only
    int len = 0;
    if (!service.ReadAnyFrame(buf, len, end, &probe)) {
        out << "  the acknowledgement's identifiers are refused\n";
        return false;
    }
    // An array index follows as context tag 2 when the request named one.
    unsigned char next = 0;
    const bool indexed = CBACnetTag(end).PeekOctet(buf, len, next) && (next & 0xF8) == 0x28;
    std::unique_ptr<PropertyValue> value = MakePropertyValue(probe.m_propertyID);
    CBACnetPropertyID& codec = value ? value->Codec() : probe;
    codec.m_arrayIndex = indexed ? 0 : static_cast<unsigned char>(CBACnetPropertyID::NO_ARRAY_INDEX);
    len = 0;
    if (!service.ReadAnyFrame(buf, len, end, &codec)) {
        out << "  the acknowledgement's identifiers are refused\n";
        return false;
    }
    out << "  object " << WireObjectText(codec.m_objectID.GetValue()) << ", property "
        << PropertyName(codec.m_propertyID) << " (" << unsigned(codec.m_propertyID) << ")";
    if (indexed)
        out << ", index " << unsigned(codec.m_arrayIndex);
    out << '\n';
    if (!value) {
        out << "  value (no codec for this property; tags):\n";
        return DumpTags(out, buf, len, end, 2);
    }
    if (!codec.ReadFrame(buf, len, end)) {
        out << "  value refused by the property codec\n";
        return false;
    }
    out << "  value" << (value->Table() ? ":\n" : " = ");
    value->Print(out);
    return true;
}

bool DescribeParameters(std::ostream& out, ReceivedFrame& f)
{
    unsigned char* params = f.Params();
    const int n = f.ParamsLength();
    switch (f.PduType()) {
    case 1:
        if (f.unconfirmed.GetServiceChoice() == 0) {
            CBACnetIAmService iam;
            std::unique_ptr<CBACnetOBJ> record(iam.ReadFrame(params, n));
            if (!record) {
                out << "  I-Am parameters refused\n";
                return false;
            }
            CString text;
            record->GetDeviceInfoText(text);
            out << "  " << Utf8(text) << ", max APDU " << iam.m_maxAPDU << ", segmentation "
                << SegmentationName(static_cast<int>(iam.m_segmentation)) << ", vendor " << iam.m_vendorID << '\n';
            return true;
        }
        if (f.unconfirmed.GetServiceChoice() == 1) {
            CBACnetIHaveService ihave;
            CBACnetOBJ record;
            if (!ihave.ReadFrame(params, &record, n)) {
                out << "  I-Have parameters refused\n";
                return false;
            }
            out << "  device " << WireObjectText(ihave.m_deviceID.GetValue()) << " has "
                << WireObjectText(ihave.m_objectID.GetValue()) << " \"" << Utf8(ihave.m_objectName) << "\"\n";
            return true;
        }
        break;
    case 3:
        if (f.complexAck.GetSegMsgType()) {
            out << "  one segment's part of the reply (" << n << " octets); the parts decode once reassembled\n";
            return true;
        }
        if (f.complexAck.GetServiceAckChoice() == CBACnetReadPropertyService::SERVICE_CHOICE)
            return DescribeReadAck(out, params, n);
        break;
    case 5: {
        CBACnetConfirmSrvPDU service;
        unsigned char errorClass, errorCode;
        if (!service.ErrFrame(params, nullptr, n, errorClass, errorCode)) {
            out << "  error class and code refused\n";
            return false;
        }
        out << "  error class " << unsigned(errorClass) << ", code " << unsigned(errorCode) << ": \""
            << FailureText(CMyBACnetBlkData::STATUS_ERROR, errorClass, errorCode) << "\"\n";
        return true;
    }
    case 6:
        out << "  \"" << FailureText(CMyBACnetBlkData::STATUS_REJECT, f.reject.GetRejectReason(), 0) << "\"\n";
        return true;
    case 7:
        out << "  \"" << FailureText(CMyBACnetBlkData::STATUS_ABORT, f.abort.GetAbortReason(), 0) << "\"\n";
        return true;
    }
    return n == 0 || DumpTags(out, params, 0, n, 1);
}

}  // namespace

bool DumpTags(std::ostream& out, unsigned char* buf, int len, int end, int indent)
{
    CBACnetTag tag(end);
    while (len < end) {
        const int at = len;
        if (!tag.ReadHeaderFrame(buf, len)) {
            out << std::string(indent * 2, ' ') << "tag refused at octet " << at << '\n';
            return false;
        }
        if (tag.IsClosing())
            indent = indent > 1 ? indent - 1 : 1;
        std::string line = std::string(indent * 2, ' ');
        if (tag.IsOpening()) {
            out << line << "opening tag " << unsigned(tag.m_tagNumber) << '\n';
            indent++;
            continue;
        }
        if (tag.IsClosing()) {
            out << line << "closing tag " << unsigned(tag.m_tagNumber) << '\n';
            continue;
        }
        if (tag.m_class == CBACnetTag::CLASS_CONTEXT) {
            std::vector<unsigned char> content(static_cast<size_t>(tag.HasRoom(len, tag.m_lvt) ? tag.m_lvt : 0));
            if (!tag.ReadOctets(buf, len, content.data(), tag.m_lvt)) {
                out << line << "context tag " << unsigned(tag.m_tagNumber) << " runs past the end\n";
                return false;
            }
            out << line << "context tag " << unsigned(tag.m_tagNumber) << ": " << HexOctets(content) << '\n';
            continue;
        }
        bool ok;
        const std::string value = ApplicationValue(tag, buf, len, ok);
        const char* type = tag.m_tagNumber <= CBACnetTag::TYPE_OBJECT_ID ? kApplicationTypes[tag.m_tagNumber] : "reserved";
        if (!ok) {
            out << line << type << " refused at octet " << at << '\n';
            return false;
        }
        out << line << type << ' ' << value << '\n';
    }
    return true;
}

bool DescribeFrame(std::ostream& out, const std::vector<unsigned char>& octets)
{
    std::vector<unsigned char> npdu = octets;
    if (!octets.empty() && octets[0] == BipTransport::BVLC_TYPE) {
        Datagram datagram;
        if (!BipTransport::Unwrap(octets.data(), static_cast<int>(octets.size()), Endpoint(), datagram)) {
            out << "BACnet/IP header refused (type, function or length do not fit the datagram)\n";
            return false;
        }
        const int header = static_cast<int>(octets.size() - datagram.npdu.size());
        Row(out, "BACnet/IP", octets.data(), header,
            std::string(octets[1] == BipTransport::BVLC_ORIGINAL_UNICAST     ? "Original-Unicast-NPDU"
                        : octets[1] == BipTransport::BVLC_ORIGINAL_BROADCAST ? "Original-Broadcast-NPDU"
                                                                              : "Forwarded-NPDU from " +
                                                                                    datagram.from.ToString()) +
                ", " + std::to_string(octets.size()) + " octets");
        npdu = datagram.npdu;
    }
    ReceivedFrame f;
    const bool read = f.Read(npdu);
    if (!read && f.apduAt == 0) {
        out << "network header: " << f.problem << '\n';
        return false;
    }
    Row(out, "network", f.octets.data(), f.apduAt, "version 1, " + ControlText(f.network));
    if (!read) {
        out << "APDU: " << f.problem << '\n';
        return false;
    }
    Row(out, "APDU", f.octets.data() + f.apduAt, f.paramsAt - f.apduAt, ApduText(f));
    if (f.ParamsLength() > 0)
        out << std::left << std::setw(12) << "parameters" << HexOctets(f.Params(), f.ParamsLength()) << '\n';
    return DescribeParameters(out, f);
}

}  // namespace tool

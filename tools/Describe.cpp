#include "Describe.h"

#include <cstring>
#include <iomanip>
#include <string>

#include <bacnetcodec/bacnetcodec.h>

#include "Frame.h"
#include "Names.h"
#include "Output.h"
#include "PropertyAccess.h"
#include "Values.h"
#include <bacnetcodec/client/Bvlc.h>

namespace tool {

namespace {

void Row(std::ostream& out, const char* part, const unsigned char* octets, int n, const std::string& meaning)
{
    out << std::left << std::setw(12) << part << HexOctets(octets, n) << '\n'
        << std::setw(12) << "" << meaning << '\n';
}

// One value of a tag listing per line, constructed values indented.
void DumpValue(std::ostream& out, const CBACnetValue& v, int indent)
{
    const std::string pad(static_cast<size_t>(indent) * 2, ' ');
    if (v.m_kind == CBACnetValue::KIND_CONSTRUCTED) {
        out << pad << "opening tag " << v.m_contextTag << '\n';
        for (const CBACnetValue& child : v.m_children)
            DumpValue(out, child, indent + 1);
        out << pad << "closing tag " << v.m_contextTag << '\n';
    } else if (v.m_kind == CBACnetValue::KIND_CONTEXT) {
        out << pad << "context tag " << v.m_contextTag << ": " << HexOctets(v.m_octets) << '\n';
    } else {
        out << pad << TagName(v.m_kind) << ' ' << ValueText(v, ValueContext()) << '\n';
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
        text += ", reason " + BACnetEnumText(BACNET_ENUM_REJECT_REASON, f.reject.GetRejectReason());
        break;
    case 7:
        text += ", reason " + BACnetEnumText(BACNET_ENUM_ABORT_REASON, f.abort.GetAbortReason());
        break;
    }
    return text;
}

// "analog-input:1 present-value = 21.5", one line per element of a list.
void DescribeResult(std::ostream& out, const PropertyResult& r)
{
    const std::string heading = "  " + ObjectText(r.object) + " " + PropertyName(r.property) +
                                (r.hasIndex ? "[" + std::to_string(r.index) + "]" : "");
    const ValueContext where{r.object.m_type, r.property};
    if (r.failed)
        out << heading << ": error " << ErrorText(r.errorClass, r.errorCode) << '\n';
    else if (r.values.size() == 1)
        out << heading << " = " << ValueText(r.values[0], where) << '\n';
    else {
        out << heading << ": " << r.values.size() << " values\n";
        for (size_t i = 0; i < r.values.size(); i++)
            out << "    [" << i + 1 << "] " << ValueText(r.values[i], where) << '\n';
    }
}

// ReadProperty and ReadPropertyMultiple acknowledgements, result by result.
bool DescribeReadAck(std::ostream& out, const unsigned char* buf, int end, bool multiple)
{
    std::vector<PropertyResult> results(multiple ? 0 : 1);
    std::string why;
    if (!(multiple ? ReadMultipleAck(buf, end, results, why) : ReadPropertyAck(buf, end, results[0], why))) {
        out << "  the acknowledgement is refused: " << why << '\n';
        return false;
    }
    for (const PropertyResult& r : results)
        DescribeResult(out, r);
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
            out << "  device " << ObjectText(ihave.m_deviceID.GetValue()) << " has "
                << ObjectText(ihave.m_objectID.GetValue()) << " \"" << Utf8(ihave.m_objectName) << "\"\n";
            return true;
        }
        break;
    case 3:
        if (f.complexAck.GetSegMsgType()) {
            out << "  one segment's part of the reply (" << n << " octets); the parts decode once reassembled\n";
            return true;
        }
        if (f.complexAck.GetServiceAckChoice() == CBACnetReadPropertyService::SERVICE_CHOICE ||
            f.complexAck.GetServiceAckChoice() == CBACnetReadMultiService::SERVICE_CHOICE)
            return DescribeReadAck(out, params, n,
                                   f.complexAck.GetServiceAckChoice() == CBACnetReadMultiService::SERVICE_CHOICE);
        break;
    case 5: {
        unsigned errorClass, errorCode;
        if (!ReadErrorParams(params, n, errorClass, errorCode)) {
            out << "  error class and code refused\n";
            return false;
        }
        out << "  error " << ErrorText(errorClass, errorCode) << " (class " << errorClass << ", code " << errorCode
            << ")\n";
        return true;
    }
    case 6:
    case 7:
        return true;  // the reason is in the header line
    }
    return n == 0 || DumpTags(out, params, 0, n, 1);
}

}  // namespace

bool DumpTags(std::ostream& out, const unsigned char* buf, int len, int end, int indent)
{
    std::vector<CBACnetValue> values;
    const bool ok = CBACnetValue::ReadList(buf, len, end, -1, values) && len == end;
    for (const CBACnetValue& v : values)
        DumpValue(out, v, indent);
    if (!ok)
        out << std::string(static_cast<size_t>(indent) * 2, ' ') << "tags refused at octet " << len << '\n';
    return ok;
}

bool DescribeFrame(std::ostream& out, const std::vector<unsigned char>& octets)
{
    std::vector<unsigned char> npdu = octets;
    if (!octets.empty() && octets[0] == bacnet::Bvlc::kType) {
        bacnet::BvlcMessage message;
        if (bacnet::Bvlc::Decode(octets, message) != bacnet::BvlcRefusal::None || message.m_npdu.empty()) {
            out << "BACnet/IP header refused (type, function or length do not fit the datagram)\n";
            return false;
        }
        const int header = static_cast<int>(octets.size() - message.m_npdu.size());
        Row(out, "BACnet/IP", octets.data(), header,
            std::string(message.m_function == bacnet::BvlcFunction::OriginalUnicastNpdu     ? "Original-Unicast-NPDU"
                        : message.m_function == bacnet::BvlcFunction::OriginalBroadcastNpdu ? "Original-Broadcast-NPDU"
                                                                                          : "Forwarded-NPDU from " +
                                                                                                message.m_originator.ToString()) +
                ", " + std::to_string(octets.size()) + " octets");
        npdu = message.m_npdu.ToBytes();
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

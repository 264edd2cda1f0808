// A first driver on the codec's own classes: a UDP socket, the BACnet/IP
// header, one ReadProperty of a present value, and the Error a device
// answers for an object it lacks. Start `bacnet-tool simulate` first, or name
// another device: ./first_driver [HOST:PORT]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <bacnetcodec/bacnetcodec.h>

namespace {

std::string Narrow(const CString& text)
{
    return HostWideToAnsi(text.GetString(), text.GetLength());
}

// "analog-value:1", by the standard's names.
std::string Name(_BACnetObjectID object)
{
    return std::string(BACnetEnumName(BACNET_ENUM_OBJECT_TYPE, object.m_type)) + ":" + std::to_string(object.m_instance);
}

// README: begin exchange
// Sends one NPDU behind an Original-Unicast-NPDU header and waits up to two
// seconds for a datagram from the device. Returns the reply's NPDU length
// (at `npdu`), 0 for none.
int Exchange(int sock, const sockaddr_in& device, const unsigned char* request, int requestLength,
             unsigned char* datagram, int room, const unsigned char*& npdu)
{
    CBACnetBVLC bvlc;
    bvlc.m_function = CBACnetBVLC::ORIGINAL_UNICAST;
    bvlc.m_npdu = request;
    bvlc.m_npduLength = requestLength;
    unsigned char out[CBACnetBVLC::MAX_DATAGRAM];
    int len = 0;
    if (!bvlc.MakeFrame(out, len, sizeof out) ||
        sendto(sock, out, len, 0, reinterpret_cast<const sockaddr*>(&device), sizeof device) != len)
        return 0;
    pollfd ready = {sock, POLLIN, 0};
    while (poll(&ready, 1, 2000) == 1) {
        sockaddr_in from = {};
        socklen_t fromLength = sizeof from;
        const ssize_t got = recvfrom(sock, datagram, room, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got <= 0)
            return 0;
        // Only the device's own unicast answer counts.
        int at = 0;
        if (from.sin_addr.s_addr != device.sin_addr.s_addr || from.sin_port != device.sin_port ||
            !bvlc.ReadFrame(datagram, at, static_cast<int>(got)) || bvlc.m_function != CBACnetBVLC::ORIGINAL_UNICAST)
            continue;
        npdu = bvlc.m_npdu;
        return bvlc.m_npduLength;
    }
    return 0;
}
// README: end exchange

// README: begin read
// Reads the present value of `object`: prints it, or the device's Error as
// its text. 1 for a value, 0 for an Error, -1 for no usable reply.
int ReadPresentValue(int sock, const sockaddr_in& address, CBACnetOBJ& device, _BACnetObjectID object)
{
    CBACnetPresentvalue value;
    value.m_objectID = object;
    CBACnetReadPropertyService read;
    unsigned char request[64];
    int len = 0;
    const unsigned char invokeID = read.MakeFrame(request, len, &device, &value);

    unsigned char datagram[CBACnetBVLC::MAX_DATAGRAM];
    const unsigned char* reply = nullptr;
    const int end = Exchange(sock, address, request, len, datagram, sizeof datagram, reply);
    if (end == 0)
        return -1;
    // The decoders take a writable buffer: the NPDU sits inside `datagram`.
    unsigned char* npdu = datagram + (reply - datagram);
    CBACnetNPCI npci;
    CBACnetReceivePDUs pdus;
    int pos = 0;
    if (!npci.ReadFrame(npdu, pos, end) || npci.IsMessageMode())
        return -1;
    CBACnetPDU* pdu = pdus.GetReceiveData(npdu, pos, end);
    if (pdu == &pdus.m_complexAck && pdus.m_complexAck.GetInvokeID() == invokeID &&
        read.ReadFrame(npdu, pos, end, &value) && value.ReadFrame(npdu, pos, end)) {
        printf("%s present-value = %s\n", Name(object).c_str(), Narrow(value.m_value.GetValStr()).c_str());
        return 1;
    }
    unsigned char errorClass, errorCode;
    if (pdu == &pdus.m_error && pdus.m_error.GetInvokeID() == invokeID &&
        read.ErrFrame(npdu + pos, &device, end - pos, errorClass, errorCode)) {
        CMyBACnetBlkData outcome;
        outcome.SetErrorData(errorClass, errorCode);
        CString text;
        outcome.GetErrorMsg(text);
        printf("%s present-value: Error class %u, code %u: %s\n", Name(object).c_str(), errorClass, errorCode,
               Narrow(text).c_str());
        return 0;
    }
    return -1;
}
// README: end read

}  // namespace

int main(int argc, char** argv)
{
    const std::string target = argc > 1 ? argv[1] : "127.0.0.1:47809";
    const size_t colon = target.rfind(':');
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(colon == std::string::npos ? 47808 : std::atoi(target.c_str() + colon + 1));
    if (inet_pton(AF_INET, target.substr(0, colon).c_str(), &address.sin_addr) != 1)
        return fprintf(stderr, "not an IPv4 address: %s\n", target.c_str()), 2;

    // Any free port: the device answers to where the request came from.
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    if (sock < 0 || bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return perror("socket"), 1;

    CBACnetOBJ device;  // on the local network, so no routing in the network header
    device.m_maxAPDU = 1476;
    const int value = ReadPresentValue(sock, address, device, _BACnetObjectID(2, 1));    // analog-value 1
    const int error = ReadPresentValue(sock, address, device, _BACnetObjectID(0, 999));  // no such input
    if (value < 0 || error < 0)
        fprintf(stderr, "no reply from %s\n", target.c_str());
    close(sock);
    return value == 1 && error == 0 ? 0 : 1;
}

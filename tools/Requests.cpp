#include "Requests.h"

namespace tool {

namespace {

// Room for any request the tool builds: one APDU of the largest size plus
// the longest network header.
constexpr int kFrameRoom = 1476 + 64;

class FrameBuffer {
public:
    unsigned char* buf() { return m_octets; }
    int len = 0;

    Request Finish(unsigned char invokeID, unsigned char service, bool unconfirmed = false) const
    {
        Request request;
        request.unconfirmed = unconfirmed;
        request.frame.assign(m_octets, m_octets + len);
        request.invokeID = invokeID;
        request.service = service;
        return request;
    }

private:
    unsigned char m_octets[kFrameRoom] = {};
};

}  // namespace

Request BuildWhoIs()
{
    FrameBuffer frame;
    CBACnetWhoIsService service;
    service.MakeFrame(frame.buf(), frame.len);
    return frame.Finish(0, CBACnetWhoIsService::SERVICE_CHOICE, true);
}

Request BuildWhoHas(CBACnetOBJ& device, const _BACnetObjectID& object)
{
    CBACnetOBJ asked;
    asked.CopyObject(device);
    asked.m_objectID = object;
    FrameBuffer frame;
    CBACnetWhoHasService service;
    service.MakeFrame(frame.buf(), frame.len, &asked);
    return frame.Finish(0, CBACnetWhoHasService::SERVICE_CHOICE, true);
}

Request BuildTimeSync()
{
    FrameBuffer frame;
    CBACnetTimeSyncService service;
    service.MakeFrame(frame.buf(), frame.len);
    return frame.Finish(0, CBACnetTimeSyncService::SERVICE_CHOICE, true);
}

Request BuildReadProperty(CBACnetOBJ& device, CBACnetPropertyID& codec)
{
    FrameBuffer frame;
    CBACnetReadPropertyService service;
    const unsigned char invokeID = service.MakeFrame(frame.buf(), frame.len, &device, &codec);
    return frame.Finish(invokeID, CBACnetReadPropertyService::SERVICE_CHOICE);
}

Request BuildReadProperty(CBACnetOBJ& device, CBACnetObjTypes& property)
{
    FrameBuffer frame;
    CBACnetReadPropertyService service;
    // The bound property writes its own parameters (two-octet identifiers
    // included), so the invoke ID is taken here the way the services take it.
    const unsigned char invokeID = ++CBACnetPDU::c_invokeID;
    service.MakeHeaderFrame(frame.buf(), frame.len, &device, invokeID);
    property.MakeFrameToSingle(frame.buf(), frame.len);
    return frame.Finish(invokeID, CBACnetReadPropertyService::SERVICE_CHOICE);
}

Request BuildWriteProperty(CBACnetOBJ& device, CBACnetPropertyID& codec)
{
    FrameBuffer frame;
    CBACnetWritePropertyService service;
    const unsigned char invokeID = service.MakeFrame(frame.buf(), frame.len, &device, &codec);
    return frame.Finish(invokeID, CBACnetWritePropertyService::SERVICE_CHOICE);
}

Request BuildWriteProperty(CBACnetOBJ& device, CBACnetObjTypes& property, CTagVal& value, unsigned short priority)
{
    // The service does not check the conversion, so try it first on scratch
    // room: a value of the wrong kind must not go out as an empty write.
    {
        unsigned char scratch[kFrameRoom];
        int len = 0;
        if (!property.SetValue(scratch, len, value, 0, 0))
            return Request();
    }
    FrameBuffer frame;
    CBACnetWritePropertyService service;
    const unsigned char invokeID =
        service.MakeFrame(frame.buf(), frame.len, &device, &property, value, 0, 0, priority);
    return frame.Finish(invokeID, CBACnetWritePropertyService::SERVICE_CHOICE);
}

Request BuildCreateObject(CBACnetOBJ& device, _BACnetObjectID object)
{
    FrameBuffer frame;
    CBACnetCreateObjService service;
    const unsigned char invokeID = service.MakeFrame(frame.buf(), frame.len, &device, object);
    return frame.Finish(invokeID, CBACnetCreateObjService::SERVICE_CHOICE);
}

Request BuildDeleteObject(CBACnetOBJ& device, _BACnetObjectID object)
{
    FrameBuffer frame;
    CBACnetDeleteObjService service;
    const unsigned char invokeID = service.MakeFrame(frame.buf(), frame.len, &device, object);
    return frame.Finish(invokeID, CBACnetDeleteObjService::SERVICE_CHOICE);
}

Request TakeRequest(CBACnetReadMultiService& rpm)
{
    Request request;
    request.frame.assign(rpm.m_frame, rpm.m_frame + rpm.m_frameLength);
    request.invokeID = rpm.m_invokeID;
    request.service = CBACnetReadMultiService::SERVICE_CHOICE;
    return request;
}

}  // namespace tool

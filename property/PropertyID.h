// Base of every property codec: the identifiers a property request names
// (object, property, array index) and the change flag, with codec
// operations that a subclass overrides for the value it holds.
#pragma once

#include "frame/ObjectID.h"
#include "library/Export.h"

class CTagVal;

class BACNET_API CBACnetPropertyID {
public:
    _BACnetObjectID m_objectID;   // the remote object the property belongs to
    unsigned char m_propertyID;   // BACnet property identifier (below 256 only)
    unsigned char m_arrayIndex;   // array index of requests; 255: none
    int m_changeFlag;             // 1: a decoder stored a value different from the one held
    // How ReadFrame takes data that stops at `end` before the value's closing
    // tag: 0 (the default) refuses it as cut short; 1 takes it as the whole
    // value, which also lets a bare value without enclosing tags decode.
    int m_acceptEnd;
    int m_refusal;                // why the last decode refused: CBACnetTag::REFUSAL_...

    enum { NO_ARRAY_INDEX = 255 };

    CBACnetPropertyID()
        : m_propertyID(85), m_arrayIndex(NO_ARRAY_INDEX), m_changeFlag(0), m_acceptEnd(0), m_refusal(0)
    {
    }
    // Not virtual: the driver destroys each codec through its own class.
    ~CBACnetPropertyID() = default;
    CBACnetPropertyID(const CBACnetPropertyID&) = default;
    CBACnetPropertyID& operator=(const CBACnetPropertyID&) = default;

    virtual int IsChangeValue();
    virtual void ResetChangeValue();
    // Read access specification / result of ReadPropertyMultiple (present value only).
    virtual int MakeFrameToMulti(unsigned char* buf, int& len);
    virtual int ReadFrameToMulti(unsigned char* buf, int& len);
    // Hands the held value to the host; returns the change flag (present value only).
    virtual int GetValue(CTagVal& value, int);
    // Encodes a host value as one application-tagged value (present value only).
    virtual int SetValue(unsigned char* buf, int& len, CTagVal& value, int, unsigned short asEnumerated);
    // Decodes the property value at buf[len], reading nothing at or beyond `end`.
    // 1: decoded; 0: refused, `len` stays where the fault was found.
    // Through the bounded form a value is whole only when its closing tag was
    // read (see m_acceptEnd).
    virtual int ReadFrame(unsigned char* buf, int& len, int end);
    // ReadFrame with data that stops at `end` taken as the whole value.
    int ReadFrameToEnd(unsigned char* buf, int& len, int end);
    // Appends the value without the enclosing tags the service writes; 1, or 0 with
    // nothing written for a read-only property. `arrayIndex` -1: the whole property.
    virtual int MakeFrame(unsigned char* buf, int& len, int arrayIndex);

protected:
    explicit CBACnetPropertyID(unsigned char propertyID)
        : m_propertyID(propertyID), m_arrayIndex(NO_ARRAY_INDEX), m_changeFlag(0), m_acceptEnd(0), m_refusal(0)
    {
    }
};

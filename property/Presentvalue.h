// The present value of a remote object (property 85): the one codec that
// hands values to the host as CTagVal and tracks whether they changed.
#pragma once

#include "host/TagVal.h"
#include "property/PropertyID.h"

// Interface name: kept as the replaced interface spells it.
class BACNET_API CBACnetPresentvalue : public CBACnetPropertyID {
public:
    CTagVal m_value;  // the last decoded present value

    CBACnetPresentvalue() : CBACnetPropertyID(85) {}
    CBACnetPresentvalue(const CBACnetPresentvalue&) = default;
    CBACnetPresentvalue& operator=(const CBACnetPresentvalue& other);

    // Writes this object's read access specification: 0C id 1E 09 55 1F.
    int MakeFrameToMulti(unsigned char* buf, int& len) override;
    // Decodes this object's read access result of a ReadPropertyMultiple
    // acknowledgement; stores the value and raises the change flag only when
    // it differs from the one held. The caller holds the whole result: the
    // value is taken before its closing tags are checked.
    int ReadFrameToMulti(unsigned char* buf, int& len) override;
    // The same, reading nothing at or beyond `end`; the value and the change
    // flag are taken only once the closing tags 4 and 1 were read.
    int ReadFrameToMulti(unsigned char* buf, int& len, int end);
    // Copies the value to `value`; returns the change flag, which stays set
    // until ResetChangeValue.
    int GetValue(CTagVal& value, int) override;
    // Writes the value to write: 91 00 / 91 01 when `asEnumerated`, a Real for
    // a value of type 7 (double), nothing otherwise.
    int SetValue(unsigned char* buf, int& len, CTagVal& value, int, unsigned short asEnumerated) override;
    // Each value received replaces the stored one; the change flag is left alone.
    int ReadFrame(unsigned char* buf, int& len, int end) override;

private:
    int ReadResult(unsigned char* buf, int& len, int end, bool takeBeforeClosing);
    // Stores a received value and raises the change flag when it differs.
    void Take(const CTagVal& value);
};

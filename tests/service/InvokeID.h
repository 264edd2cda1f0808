// The invoke-ID counter is process-wide: a test that depends on its value
// sets it and puts the old value back when it ends.
#pragma once

#include "frame/PDU.h"

class InvokeIDScope {
public:
    explicit InvokeIDScope(unsigned char value) : m_saved(CBACnetPDU::c_invokeID) { CBACnetPDU::c_invokeID = value; }
    ~InvokeIDScope() { CBACnetPDU::c_invokeID = m_saved; }
    InvokeIDScope(const InvokeIDScope&) = delete;
    InvokeIDScope& operator=(const InvokeIDScope&) = delete;

private:
    unsigned char m_saved;
};

// Device records, bound tags (with Bind, Tags.h) and the invoke-ID counter for service tests.
#pragma once

#include <cstdlib>
#include <memory>
#include <vector>

#include "Tags.h"
#include "frame/PDU.h"
#include "host/Arrays.h"
#include "object/OBJ.h"

// A record on the local network with the given accepted APDU size.
inline CBACnetOBJ LocalDevice(unsigned short maxAPDU = 1400)
{
    CBACnetOBJ obj;
    obj.m_maxAPDU = maxAPDU;
    return obj;
}

// A record behind a router: network `network`, the given MAC.
inline CBACnetOBJ RoutedDevice(unsigned char network, std::vector<unsigned char> mac, unsigned short maxAPDU = 1476)
{
    CBACnetOBJ obj = LocalDevice(maxAPDU);
    obj.m_address.m_network[0] = 0;
    obj.m_address.m_network[1] = network;
    obj.m_address.m_macLength = static_cast<unsigned char>(mac.size());
    std::copy(mac.begin(), mac.end(), obj.m_address.m_mac);
    return obj;
}

struct Binding {
    unsigned type, instance;
    const wchar_t* name;
};

// Host tags bound by name, owned, in a pointer array as a driver keeps them.
class BoundRun {
public:
    explicit BoundRun(const std::vector<Binding>& bindings)
    {
        for (const Binding& b : bindings) {
            m_tags.push_back(Bind(b.type, b.instance, b.name));
            if (!m_tags.back())
                abort();
            m_array.Add(m_tags.back().get());
        }
    }
    CBACnetObjTypes& operator[](int i) { return *m_tags[i]; }
    int size() const { return static_cast<int>(m_tags.size()); }

    std::vector<std::unique_ptr<CBACnetObjTypes>> m_tags;
    CPtrArray m_array;
};

// The invoke-ID counter is process-wide: a test that depends on its value
// sets it and puts the old value back when it ends.
class InvokeIDScope {
public:
    explicit InvokeIDScope(unsigned char value) : m_saved(CBACnetPDU::c_invokeID) { CBACnetPDU::c_invokeID = value; }
    ~InvokeIDScope() { CBACnetPDU::c_invokeID = m_saved; }
    InvokeIDScope(const InvokeIDScope&) = delete;
    InvokeIDScope& operator=(const InvokeIDScope&) = delete;

private:
    unsigned char m_saved;
};

#include "property/ObjPropertyRef.h"

#include <memory>

#include "property/detail/ValueScan.h"

using namespace bacnetcodec::detail;

namespace {

class CReferenceScan : public CValueScan {
public:
    explicit CReferenceScan(CPtrArray& references) : m_references(references) {}

private:
    // Any primitive context tag begins a reference: the identifier, then
    // 19 (context tag 1, one octet) and the property identifier.
    int OnContext(CBACnetTag& tag, unsigned char* buf, int& len) override
    {
        DWORD id;
        unsigned char propertyID;
        if (!tag.ReadWord32(buf, len, CBACnetTag::TYPE_OBJECT_ID, id) || !tag.ExpectOctet(buf, len, 0x19) ||
            !tag.ReadOctet(buf, len, propertyID))
            return FAIL;
        _BACnetObjectID objectID;
        objectID.SetValue(id);
        Append(m_references, std::make_unique<_BACnetPropertyRef>(objectID, propertyID));
        return NEXT;
    }

    CPtrArray& m_references;
};

}  // namespace

CBACnetObjPropertyRef::~CBACnetObjPropertyRef()
{
    DeleteEntries<_BACnetPropertyRef>(m_references);
}

int CBACnetObjPropertyRef::ReadFrame(unsigned char* buf, int& len, int end)
{
    CReferenceScan scan(m_references);
    return scan.RunFor(*this, buf, len, end);
}

int CBACnetObjPropertyRef::MakeFrame(unsigned char* buf, int& len, int)
{
    CBACnetTag tag;
    for (INT_PTR i = 0; i < m_references.GetSize(); i++) {
        _BACnetPropertyRef* ref = static_cast<_BACnetPropertyRef*>(m_references.GetAt(i));
        if (!ref)
            continue;
        tag.MakeWord32Frame(buf, len, CBACnetTag::CLASS_CONTEXT, 0, ref->m_objectID.GetValue());
        tag.MakeAnalogFrame(buf, len, CBACnetTag::CLASS_CONTEXT, 1, 1, &ref->m_propertyID);
    }
    return 1;
}

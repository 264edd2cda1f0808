#include "object/OBJ.h"

#include <algorithm>
#include <cstring>

#include "host/Archive.h"

const char* const CBACnetOBJ::str_BACnetObjType[OBJ_TYPES] = {
    "AnalogInput",     "AnalogOutput", "AnalogValue",       "BinaryInput", "BinaryOutput",
    "BinaryValue",     "Calendar",     "Command",           "Device",      "EventEnrollment",
    "File",            "Group",        "Loop",              "MultiInput",  "MultiOutput",
    "NotificationClass", "Program",    "Schedule",          "Enthalpy",    "ProportionalControl",
    "Accumulator",
};

const char* const CBACnetOBJ::str_BACnetObjAddrType[OBJ_TYPES] = {
    "AI", "AO", "AV", "BI", "BO", "BV", "CD", "CM", "DV", "ER", "FI",
    "GR", "LP", "MI", "MO", "NC", "PG", "SC", "EN", "PC", "AC",
};

namespace {

// Sizes of the three blocks of a version-0 legacy area.
constexpr unsigned kLegacyBlocks[] = {36, 36, 35};

// The long name of a type code; codes past the table are named by number.
CString TypeName(unsigned type)
{
    if (type < CBACnetOBJ::OBJ_TYPES)
        return CString(CBACnetOBJ::str_BACnetObjType[type]);
    CString name;
    name.Format(L"ObjectType%d", static_cast<int>(type));
    return name;
}

void AppendText(CBACnetOBJ& obj, CString& text, const wchar_t* format)
{
    const CString name = TypeName(obj.m_objectID.m_type);
    text.AppendFormat(format, name.GetString(), static_cast<int>(obj.m_objectID.m_instance));
}

}  // namespace

CBACnetOBJ::CBACnetOBJ()
    : m_objectID(), m_maxAPDU(1400), m_segmentation(0), m_hostKey{}, m_hostExtra{}, m_requestHeader{}
{
}

int CBACnetOBJ::CompareObject(CBACnetOBJ& other)
{
    if (m_objectID.m_type != other.m_objectID.m_type || m_objectID.m_instance != other.m_objectID.m_instance)
        return 0;
    if (memcmp(m_hostKey, other.m_hostKey, sizeof m_hostKey) != 0)
        return 0;
    if (m_address.m_macLength != other.m_address.m_macLength)
        return 0;
    if (memcmp(m_address.m_network, other.m_address.m_network, sizeof m_address.m_network) != 0)
        return 0;
    // A length loaded from an archive can exceed the storage.
    const size_t n = std::min<size_t>(m_address.m_macLength, sizeof m_address.m_mac);
    return memcmp(m_address.m_mac, other.m_address.m_mac, n) == 0 ? 1 : 0;
}

void CBACnetOBJ::CopyObject(CBACnetOBJ& source)
{
    if (&source == this)
        return;
    m_objectID = source.m_objectID;
    m_name = source.m_name;
    m_address.CopyData_DstToDst(source.m_address);
    m_maxAPDU = source.m_maxAPDU;
    m_segmentation = source.m_segmentation;
    memcpy(m_hostKey, source.m_hostKey, sizeof m_hostKey);
    memcpy(m_hostExtra, source.m_hostExtra, sizeof m_hostExtra);
}

void CBACnetOBJ::StoreParam(CArchive& ar, unsigned short version)
{
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_objectID.GetValue());
        ar << m_name;
        ar << static_cast<WORD>(m_maxAPDU);
        ar << static_cast<BYTE>(m_segmentation);
        ar.Write(m_hostKey, sizeof m_hostKey);
        if (version >= 1) {
            ar.Write(m_hostExtra, sizeof m_hostExtra);
        } else {
            // Keeps a version-0 record loadable by a version-0 load.
            const unsigned char legacy[LEGACY_AREA_SIZE] = {};
            ar.Write(legacy, sizeof legacy);
        }
    } else {
        DWORD id;
        WORD maxAPDU;
        BYTE segmentation;
        ar >> id;
        m_objectID.SetValue(id);
        ar >> m_name;  // either string form; 8-bit text is widened
        ar >> maxAPDU;
        m_maxAPDU = maxAPDU;
        ar >> segmentation;
        m_segmentation = segmentation;
        // A record cut short fails loudly instead of loading half old, half new.
        ar.EnsureRead(m_hostKey, sizeof m_hostKey);
        if (version >= 1) {
            ar.EnsureRead(m_hostExtra, sizeof m_hostExtra);
        } else {
            unsigned char legacy[36];
            for (unsigned n : kLegacyBlocks)
                ar.EnsureRead(legacy, n);
        }
    }
    m_address.Serialize(ar);
}

void CBACnetOBJ::GetDeviceInfoText(CString& text)
{
    AppendText(*this, text, L"%s : %d");
}

void CBACnetOBJ::GetDeviceText(CString& text)
{
    AppendText(*this, text, L"%s%d");
}

void CBACnetOBJ::GetDeviceText_1(CString& text)
{
    AppendText(*this, text, L"%s %d");
}

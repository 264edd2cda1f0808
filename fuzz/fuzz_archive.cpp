// A device record loaded from an archive, as the host restores its
// configuration. Selector octet: the layout version (0 or 1). A short or
// inconsistent archive may only raise the framework's archive exception; a
// record that loads stores and reloads to the same record.
#include <vector>

#include "FuzzInput.h"

namespace {

// Loads a record; false when the framework refused the archive.
bool Load(CBACnetOBJ& obj, BYTE* bytes, UINT size, unsigned short version)
{
    CMemFile file(bytes, size);
    try {
        CArchive ar(&file, CArchive::load);
        obj.StoreParam(ar, version);
        return true;
    } catch (CArchiveException&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const unsigned short version = in.Take() & 1;
    in.Rest();

    CBACnetOBJ obj;
    if (!Load(obj, in.buf(), static_cast<UINT>(in.end()), version))
        return 0;

    CMemFile stored;
    {
        CArchive ar(&stored, CArchive::store);
        obj.StoreParam(ar, version);
    }
    std::vector<BYTE> bytes = stored.GetData();
    CBACnetOBJ again;
    if (!Load(again, bytes.data(), static_cast<UINT>(bytes.size()), version))
        abort();
    if (!again.CompareObject(obj) || !(again.m_name == obj.m_name) || again.m_maxAPDU != obj.m_maxAPDU ||
        again.m_segmentation != obj.m_segmentation ||
        (version >= 1 && memcmp(again.m_hostExtra, obj.m_hostExtra, sizeof obj.m_hostExtra) != 0))
        abort();
    CString text;
    again.GetDeviceInfoText(text);
    return 0;
}

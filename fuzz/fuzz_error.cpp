// Error reply parameters, recorded and described as the driver does.
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    in.Rest();
    CBACnetReadPropertyService service;
    unsigned char errorClass = 0xEE, errorCode = 0xEE;
    const int ok = service.ErrFrame(in.buf(), nullptr, in.end(), errorClass, errorCode);
    if (ok != service.ErrFrame(in.buf(), nullptr, in.end()))
        abort();
    if (!ok)
        return 0;
    CMyBACnetBlkData record;
    record.SetErrorData(errorClass, errorCode);
    if (record.m_errorClass != errorClass || record.m_errorCode != errorCode)
        abort();
    CString text;
    record.GetErrorMsg(text);
    return 0;
}

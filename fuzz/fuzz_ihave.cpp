// I-Have parameters: the found object's name given to the record.
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    in.Rest();
    CBACnetIHaveService ihave;
    CBACnetOBJ object;
    object.m_name = L"unchanged";
    const int ok = ihave.ReadFrame(in.buf(), &object, in.end());
    if (!ok && !(object.m_name == L"unchanged"))
        abort();  // a refusal leaves the record alone
    return 0;
}

// I-Am parameters turned into a device record, which the driver then
// describes and stores.
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    in.Rest();
    CBACnetIAmService iam;
    std::unique_ptr<CBACnetOBJ> device(iam.ReadFrame(in.buf(), in.end()));
    if (!device)
        return 0;
    CString text;
    device->GetDeviceInfoText(text);
    device->GetDeviceText(text);
    device->GetDeviceText_1(text);
    return 0;
}

#include "library/Version.h"

const char* bacnetcodec_version()
{
    return BACNETCODEC_VERSION;
}

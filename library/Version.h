// The library's version, as the build that made it was told ("0.2.0").
#pragma once

#include "library/Export.h"

BACNET_API const char* bacnetcodec_version();

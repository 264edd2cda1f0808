// bacnetcodec: BACnet frame encoder and decoder for SCADA communication drivers.
// One include for every exported class.
#pragma once

#include "host/Types.h"
#include "host/Object.h"

// bacnetcodec: BACnet frame encoder and decoder for SCADA communication drivers.
// One include for every exported class.
#pragma once

#include "host/Types.h"
#include "host/Object.h"

#include "frame/NPCI.h"
#include "frame/ObjectID.h"
#include "frame/PDU.h"
#include "frame/Tag.h"

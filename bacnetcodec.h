// bacnetcodec: BACnet frame encoder and decoder for SCADA communication drivers.
// One include for every exported class.
#pragma once

#include "host/Types.h"
#include "host/Object.h"
#include "host/Exceptions.h"
#include "host/File.h"
#include "host/Archive.h"
#include "host/String.h"
#include "host/CodePage.h"
#include "host/Arrays.h"
#include "host/Crt.h"
#include "host/TagVal.h"
#include "host/Modules.h"

#include "frame/NPCI.h"
#include "frame/ObjectID.h"
#include "frame/PDU.h"
#include "frame/Tag.h"

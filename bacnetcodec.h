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

#include "property/PropertyID.h"
#include "property/ObjectName.h"
#include "property/ObjectDesc.h"
#include "property/SchPriority.h"
#include "property/Presentvalue.h"
#include "property/WeekSchedule.h"
#include "property/ExpSchedule.h"
#include "property/DateRange.h"
#include "property/ObjPropertyRef.h"
#include "property/ObjectList.h"
#include "property/TypeSupported.h"
#include "property/ServiceSupported.h"

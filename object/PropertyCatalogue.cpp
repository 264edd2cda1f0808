// The property catalogue: a name for every property identifier the library
// knows, and for each object type code the properties a host tag may be
// bound to. Constant data.
#include <cstring>

#include "object/ObjTypes.h"
#include "object/Types.h"

namespace {

using T = CBACnetTypes;

struct _BACnetPropertyName {
    int m_propertyID;
    const char* m_name;
};

// Vendor and site properties beyond the standard range.
const _BACnetPropertyName kNamesBeyond[] = {
    {176, "Adjust_Value"},
    {182, "Limit_Monitoring_Interval"},
    {186, "Pulse_Rate"},
    {188, "Scale_Factor"},
    {1737, "Input_Type"},
    {1738, "Output_Type"},
    {1831, "Zone_Temp_Reference"},
    {1832, "Zone_Temp_Value"},
    {1833, "Zone_Humi_Reference"},
    {1834, "Zone_Humi_Value"},
    {1835, "Outside_Enthalpy_Ref"},
    {1836, "Outside_Enthalphy"},
    {2500, "User1"},
    {2501, "User2"},
    {2502, "User3"},
    {2503, "User4"},
    {2504, "User5"},
    {2505, "User6"},
    {2506, "User7"},
    {2507, "User8"},
    {2508, "User9"},
    {2509, "User10"},
};

// 0 AnalogInput
const _BACnetPropertyDef kListAnalogInput[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_REAL, 4, 0, 1, 0},  // PresentValue
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {31, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // DeviceType
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {118, T::DT_UNSIGNED, 4, 0, 1, 0},  // UpdateInterval
    {117, T::DT_ENGINEERING_UNITS, 1, 0, 0, 0},  // Units
    {69, T::DT_REAL, 4, 0, 1, 0},  // MinValue
    {65, T::DT_REAL, 4, 0, 1, 0},  // MaxValue
    {106, T::DT_REAL, 4, 0, 1, 0},  // Resolution
    {22, T::DT_REAL, 4, 0, 1, 0},  // COVIncrement
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {45, T::DT_REAL, 4, 0, 1, 0},  // HighLimit
    {59, T::DT_REAL, 4, 0, 1, 0},  // LowLimit
    {25, T::DT_REAL, 4, 0, 1, 0},  // DeadBand
    {52, T::DT_BIT_STRING, 2, 0, 1, 0},  // LimitEnable
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
    {188, T::DT_REAL, 4, 0, 1, 0},  // Scale_Factor
    {176, T::DT_REAL, 4, 0, 1, 0},  // Adjust_Value
    {1737, T::DT_ENUMERATED, 1, 0, 1, 0},  // Input_Type
};

// 1 AnalogOutput
const _BACnetPropertyDef kListAnalogOutput[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_REAL, 4, 0, 1, 0},  // PresentValue
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {31, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // DeviceType
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {117, T::DT_ENGINEERING_UNITS, 1, 0, 0, 0},  // Units
    {69, T::DT_REAL, 4, 0, 1, 0},  // MinValue
    {65, T::DT_REAL, 4, 0, 1, 0},  // MaxValue
    {106, T::DT_REAL, 4, 0, 1, 0},  // Resolution
    {87, T::DT_PRIORITY_VALUE, 4, 1, 0, 0},  // priorityarray
    {104, T::DT_REAL, 4, 0, 0, 0},  // relinquish
    {22, T::DT_REAL, 4, 0, 1, 0},  // COVIncrement
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {45, T::DT_REAL, 4, 0, 1, 0},  // HighLimit
    {59, T::DT_REAL, 4, 0, 1, 0},  // LowLimit
    {25, T::DT_REAL, 4, 0, 1, 0},  // DeadBand
    {52, T::DT_BIT_STRING, 2, 0, 1, 0},  // LimitEnable
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
    {1738, T::DT_ENUMERATED, 1, 0, 1, 0},  // Output_Type
};

// 2 AnalogValue
const _BACnetPropertyDef kListAnalogValue[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_REAL, 4, 0, 1, 0},  // PresentValue
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {117, T::DT_ENGINEERING_UNITS, 1, 0, 0, 0},  // Units
    {87, T::DT_PRIORITY_VALUE, 4, 1, 1, 0},  // priorityarray: differs for this object type
    {104, T::DT_REAL, 4, 0, 1, 0},  // relinquish: differs for this object type
    {22, T::DT_REAL, 4, 0, 1, 0},  // COVIncrement
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {45, T::DT_REAL, 4, 0, 1, 0},  // HighLimit
    {59, T::DT_REAL, 4, 0, 1, 0},  // LowLimit
    {25, T::DT_REAL, 4, 0, 1, 0},  // DeadBand
    {52, T::DT_BIT_STRING, 2, 0, 1, 0},  // LimitEnable
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 3 BinaryInput
const _BACnetPropertyDef kListBinaryInput[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_BINARY_PV, 1, 0, 1, 0},  // PresentValue: differs for this object type
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {31, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // DeviceType
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {84, T::DT_POLARITY, 1, 0, 0, 0},  // polarity
    {46, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Inactivetext
    {4, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // activetext
    {16, T::DT_DATE_TIME, 8, 0, 1, 0},  // COStime
    {15, T::DT_UNSIGNED, 4, 0, 1, 0},  // COScount
    {115, T::DT_DATE_TIME, 8, 0, 1, 0},  // TOSreset
    {33, T::DT_UNSIGNED, 4, 0, 1, 0},  // ElapsedTime
    {114, T::DT_DATE_TIME, 8, 0, 1, 0},  // TOAreset
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {6, T::DT_BINARY_PV, 1, 0, 1, 0},  // alarmValue
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 4 BinaryOutput
const _BACnetPropertyDef kListBinaryOutput[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_BINARY_PV, 1, 0, 1, 0},  // PresentValue: differs for this object type
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {31, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // DeviceType
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {84, T::DT_POLARITY, 1, 0, 0, 0},  // polarity
    {46, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Inactivetext
    {4, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // activetext
    {16, T::DT_DATE_TIME, 8, 0, 1, 0},  // COStime
    {15, T::DT_UNSIGNED, 4, 0, 1, 0},  // COScount
    {115, T::DT_DATE_TIME, 8, 0, 1, 0},  // TOSreset
    {33, T::DT_UNSIGNED, 4, 0, 1, 0},  // ElapsedTime
    {114, T::DT_DATE_TIME, 8, 0, 1, 0},  // TOAreset
    {66, T::DT_UNSIGNED, 4, 0, 1, 0},  // minofftime
    {67, T::DT_UNSIGNED, 4, 0, 1, 0},  // minontime
    {87, T::DT_PRIORITY_VALUE, 4, 1, 0, 0},  // priorityarray
    {104, T::DT_BINARY_PV, 1, 0, 0, 0},  // relinquish: differs for this object type
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {40, T::DT_BINARY_PV, 1, 0, 1, 0},  // feedbackvalue
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 5 BinaryValue
const _BACnetPropertyDef kListBinaryValue[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_BINARY_PV, 1, 0, 1, 0},  // PresentValue: differs for this object type
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {46, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Inactivetext
    {4, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // activetext
    {16, T::DT_DATE_TIME, 8, 0, 1, 0},  // COStime
    {15, T::DT_UNSIGNED, 4, 0, 1, 0},  // COScount
    {115, T::DT_DATE_TIME, 8, 0, 1, 0},  // TOSreset
    {33, T::DT_UNSIGNED, 4, 0, 1, 0},  // ElapsedTime
    {114, T::DT_DATE_TIME, 8, 0, 1, 0},  // TOAreset
    {66, T::DT_UNSIGNED, 4, 0, 1, 0},  // minofftime
    {67, T::DT_UNSIGNED, 4, 0, 1, 0},  // minontime
    {87, T::DT_PRIORITY_VALUE, 4, 1, 1, 0},  // priorityarray: differs for this object type
    {104, T::DT_BINARY_PV, 1, 0, 1, 0},  // relinquish: differs for this object type
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {6, T::DT_BINARY_PV, 1, 0, 1, 0},  // alarmValue
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 6 Calendar
const _BACnetPropertyDef kListCalendar[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {85, T::DT_BOOLEAN, 1, 0, 0, 0},  // PresentValue: differs for this object type
};

// 7 Command
const _BACnetPropertyDef kListCommand[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {85, T::DT_UNSIGNED, 4, 0, 1, 0},  // PresentValue: differs for this object type
};

// 8 Device
const _BACnetPropertyDef kListDevice[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {121, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // vendorname
    {120, T::DT_UNSIGNED, 4, 0, 0, 0},  // vendorid
    {56, T::DT_DATE, 4, 0, 0, 1},  // localdate
    {57, T::DT_TIME, 4, 0, 0, 1},  // localtime
};

// 9 EventEnrollment
const _BACnetPropertyDef kListEventEnrollment[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {37, T::DT_ENUMERATED, 1, 0, 0, 0},  // eventtype
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {35, T::DT_BIT_STRING, 3, 0, 0, 0},  // EventEnable: differs for this object type
    {0, T::DT_BIT_STRING, 3, 0, 0, 0},  // ackedtransition: differs for this object type
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {89, T::DT_UNSIGNED, 4, 0, 1, 0},  // processidentifier
    {86, T::DT_UNSIGNED, 4, 0, 1, 0},  // Priority
    {51, T::DT_BOOLEAN, 1, 0, 1, 0},  // issueconfirmednotifications
};

// 10 File
const _BACnetPropertyDef kListFile[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
};

// 11 Group
const _BACnetPropertyDef kListGroup[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
};

// 12 Loop
const _BACnetPropertyDef kListLoop[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_REAL, 4, 0, 1, 0},  // PresentValue
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {2, T::DT_ENUMERATED, 1, 0, 1, 0},  // action
};

// 13 MultiInput
const _BACnetPropertyDef kListMultiInput[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_UNSIGNED, 4, 0, 1, 0},  // PresentValue: differs for this object type
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {31, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // DeviceType
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {74, T::DT_UNSIGNED, 4, 0, 0, 0},  // numberofstates
    {110, T::DT_CHARACTER_STRING, 81, 1, 1, 1},  // statetext
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {7, T::DT_UNSIGNED, 4, 1, 1, 0},  // alarmValues
    {39, T::DT_UNSIGNED, 4, 1, 1, 0},  // faultvalues
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 14 MultiOutput
const _BACnetPropertyDef kListMultiOutput[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_UNSIGNED, 4, 0, 1, 0},  // PresentValue: differs for this object type
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {31, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // DeviceType
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {74, T::DT_UNSIGNED, 4, 0, 0, 0},  // numberofstates
    {110, T::DT_CHARACTER_STRING, 81, 1, 1, 1},  // statetext
    {87, T::DT_PRIORITY_VALUE, 4, 1, 0, 0},  // priorityarray
    {104, T::DT_REAL, 4, 0, 0, 0},  // relinquish
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {40, T::DT_BINARY_PV, 1, 0, 1, 0},  // feedbackvalue
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 1, 0},  // ackedtransition
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 15 NotificationClass
const _BACnetPropertyDef kListNotificationClass[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {17, T::DT_UNSIGNED, 4, 0, 0, 0},  // NotifyClass: differs for this object type
    {86, T::DT_UNSIGNED, 4, 0, 0, 0},  // Priority: differs for this object type
    {1, T::DT_BIT_STRING, 4, 0, 0, 0},  // ackrequired
};

// 16 Program
const _BACnetPropertyDef kListProgram[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {92, T::DT_ENUMERATED, 1, 0, 0, 0},  // programstate
    {90, T::DT_ENUMERATED, 1, 0, 1, 0},  // programchange
    {100, T::DT_ENUMERATED, 1, 0, 1, 0},  // reasonforhalt
    {29, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // descriptionofhalt
    {91, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // programlocation
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {48, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // instanceof
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {103, T::DT_RELIABILITY, 1, 0, 1, 0},  // Reliability
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {2500, T::DT_REAL, 1, 0, 1, 0},  // User1
    {2501, T::DT_REAL, 1, 0, 1, 0},  // User2
    {2502, T::DT_REAL, 1, 0, 1, 0},  // User3
    {2503, T::DT_REAL, 1, 0, 1, 0},  // User4
    {2504, T::DT_REAL, 1, 0, 1, 0},  // User5
    {2505, T::DT_REAL, 1, 0, 1, 0},  // User6
    {2506, T::DT_REAL, 1, 0, 1, 0},  // User7
    {2507, T::DT_REAL, 1, 0, 1, 0},  // User8
    {2508, T::DT_REAL, 1, 0, 1, 0},  // User9
    {2509, T::DT_REAL, 1, 0, 1, 0},  // User10
};

// 17 Schedule
const _BACnetPropertyDef kListSchedule[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 0, 1},  // ObjectName
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_BOOLEAN, 1, 0, 0, 0},  // PresentValue: differs for this object type
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {88, T::DT_UNSIGNED, 4, 0, 1, 0},  // PriorityForWriting
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
};

// 18 Enthalpy
const _BACnetPropertyDef kListEnthalpy[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // ObjectName: differs for this object type
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_REAL, 4, 0, 1, 0},  // PresentValue
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {1832, T::DT_REAL, 4, 0, 0, 0},  // Zone_Temp_Value
    {1834, T::DT_REAL, 4, 0, 0, 0},  // Zone_Humi_Value
    {1836, T::DT_REAL, 4, 0, 0, 0},  // Outside_Enthalphy
    {117, T::DT_ENGINEERING_UNITS, 1, 0, 0, 0},  // Units
    {118, T::DT_UNSIGNED, 4, 0, 1, 0},  // UpdateInterval
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {22, T::DT_REAL, 4, 0, 1, 0},  // COVIncrement
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {45, T::DT_REAL, 4, 0, 1, 0},  // HighLimit
    {59, T::DT_REAL, 4, 0, 1, 0},  // LowLimit
    {25, T::DT_REAL, 4, 0, 1, 0},  // DeadBand
    {52, T::DT_BIT_STRING, 2, 0, 1, 0},  // LimitEnable
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 0, 0},  // ackedtransition: differs for this object type
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 19 ProportionalControl
const _BACnetPropertyDef kListProportionalControl[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // ObjectName: differs for this object type
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_REAL, 4, 0, 1, 0},  // PresentValue
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {82, T::DT_ENGINEERING_UNITS, 1, 0, 1, 0},  // output-units
    {21, T::DT_REAL, 4, 0, 0, 0},  // controlled-variable-value
    {20, T::DT_ENGINEERING_UNITS, 1, 0, 0, 0},  // controlled-variable-units
    {108, T::DT_REAL, 4, 0, 0, 0},  // setpoint
    {2, T::DT_ENUMERATED, 1, 0, 1, 0},  // action
    {25, T::DT_REAL, 4, 0, 1, 0},  // DeadBand
    {88, T::DT_UNSIGNED, 4, 0, 1, 0},  // PriorityForWriting
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {6, T::DT_BINARY_PV, 1, 0, 1, 0},  // alarmValue
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 0, 0},  // ackedtransition: differs for this object type
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

// 20 Accumulator
const _BACnetPropertyDef kListAccumulator[] = {
    {75, T::DT_OBJECT_ID, 4, 0, 0, 0},  // ObjectID
    {77, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // ObjectName: differs for this object type
    {79, T::DT_OBJECT_TYPE, 1, 0, 0, 0},  // ObjectType
    {85, T::DT_UNSIGNED, 4, 0, 1, 0},  // PresentValue: differs for this object type
    {28, T::DT_CHARACTER_STRING, 81, 0, 1, 1},  // Description
    {111, T::DT_BIT_STRING, 4, 0, 0, 0},  // StatusFlag
    {36, T::DT_EVENT_STATE, 1, 0, 0, 0},  // EventState
    {81, T::DT_BOOLEAN, 1, 0, 1, 0},  // OutOfService
    {117, T::DT_ENGINEERING_UNITS, 1, 0, 1, 0},  // Units: differs for this object type
    {65, T::DT_UNSIGNED, 4, 0, 1, 0},  // MaxValue: differs for this object type
    {186, T::DT_UNSIGNED, 4, 0, 1, 0},  // Pulse_Rate
    {45, T::DT_UNSIGNED, 4, 0, 1, 0},  // HighLimit: differs for this object type
    {59, T::DT_UNSIGNED, 4, 0, 1, 0},  // LowLimit: differs for this object type
    {182, T::DT_UNSIGNED, 4, 0, 1, 0},  // Limit_Monitoring_Interval
    {17, T::DT_UNSIGNED, 4, 0, 1, 0},  // NotifyClass
    {113, T::DT_UNSIGNED, 4, 0, 1, 0},  // TimeDelay
    {52, T::DT_BIT_STRING, 2, 0, 1, 0},  // LimitEnable
    {35, T::DT_BIT_STRING, 3, 0, 1, 0},  // EventEnable
    {0, T::DT_BIT_STRING, 3, 0, 0, 0},  // ackedtransition: differs for this object type
    {72, T::DT_NOTIFY_TYPE, 1, 0, 1, 0},  // NotifyType
};

const _BACnetPropertyDef* const kLists[CBACnetObjTypes::OBJECT_TYPE_COUNT] = {
    kListAnalogInput, kListAnalogOutput, kListAnalogValue, kListBinaryInput,
    kListBinaryOutput, kListBinaryValue, kListCalendar, kListCommand,
    kListDevice, kListEventEnrollment, kListFile, kListGroup,
    kListLoop, kListMultiInput, kListMultiOutput, kListNotificationClass,
    kListProgram, kListSchedule, kListEnthalpy, kListProportionalControl,
    kListAccumulator,
};

const int kListCounts[CBACnetObjTypes::OBJECT_TYPE_COUNT] = {
    int(sizeof kListAnalogInput / sizeof kListAnalogInput[0]),
    int(sizeof kListAnalogOutput / sizeof kListAnalogOutput[0]),
    int(sizeof kListAnalogValue / sizeof kListAnalogValue[0]),
    int(sizeof kListBinaryInput / sizeof kListBinaryInput[0]),
    int(sizeof kListBinaryOutput / sizeof kListBinaryOutput[0]),
    int(sizeof kListBinaryValue / sizeof kListBinaryValue[0]),
    int(sizeof kListCalendar / sizeof kListCalendar[0]),
    int(sizeof kListCommand / sizeof kListCommand[0]),
    int(sizeof kListDevice / sizeof kListDevice[0]),
    int(sizeof kListEventEnrollment / sizeof kListEventEnrollment[0]),
    int(sizeof kListFile / sizeof kListFile[0]),
    int(sizeof kListGroup / sizeof kListGroup[0]),
    int(sizeof kListLoop / sizeof kListLoop[0]),
    int(sizeof kListMultiInput / sizeof kListMultiInput[0]),
    int(sizeof kListMultiOutput / sizeof kListMultiOutput[0]),
    int(sizeof kListNotificationClass / sizeof kListNotificationClass[0]),
    int(sizeof kListProgram / sizeof kListProgram[0]),
    int(sizeof kListSchedule / sizeof kListSchedule[0]),
    int(sizeof kListEnthalpy / sizeof kListEnthalpy[0]),
    int(sizeof kListProportionalControl / sizeof kListProportionalControl[0]),
    int(sizeof kListAccumulator / sizeof kListAccumulator[0]),
};
// Room for the longest name beyond the standard range, and its 0 byte.
char s_nameBuffer[32];

}  // namespace

const char* const CBACnetObjTypes::str_BACnetPropertyID[CBACnetObjTypes::PROPERTY_NAME_COUNT] = {
    "ackedtransition",  // 0
    "ackrequired",  // 1
    "action",  // 2
    "action-text",  // 3
    "activetext",  // 4
    "active-vt-sessions",  // 5
    "alarmValue",  // 6
    "alarmValues",  // 7
    "all",  // 8
    "all-write-ssuccessful",  // 9
    "apdu-segment-timeout",  // 10
    "apdu-timeout",  // 11
    "application-software-version",  // 12
    "archive",  // 13
    "bias",  // 14
    "COScount",  // 15
    "COStime",  // 16
    "NotifyClass",  // 17
    "... deleted property",  // 18
    "controlled-variable-reference",  // 19
    "controlled-variable-units",  // 20
    "controlled-variable-value",  // 21
    "COVIncrement",  // 22
    "datelist",  // 23
    "daylight-savings-status",  // 24
    "DeadBand",  // 25
    "derivative-constant",  // 26
    "derivative-constant-units",  // 27
    "Description",  // 28
    "descriptionofhalt",  // 29
    "device-address-binding",  // 30
    "DeviceType",  // 31
    "effective-period",  // 32
    "ElapsedTime",  // 33
    "error-limit",  // 34
    "EventEnable",  // 35
    "EventState",  // 36
    "eventtype",  // 37
    "exception-schedule",  // 38
    "faultvalues",  // 39
    "feedbackvalue",  // 40
    "file-access-method",  // 41
    "file-size",  // 42
    "file-type",  // 43
    "firmware-revision",  // 44
    "HighLimit",  // 45
    "Inactivetext",  // 46
    "in-process",  // 47
    "instanceof",  // 48
    "integral-constant",  // 49
    "integral-constant-units",  // 50
    "issueconfirmednotifications",  // 51
    "LimitEnable",  // 52
    "list-of-group-members",  // 53
    "list-of-object-property-reference",  // 54
    "list-of-session-keys",  // 55
    "localdate",  // 56
    "localtime",  // 57
    "location",  // 58
    "LowLimit",  // 59
    "manipulated-variable-reference",  // 60
    "maximum-output",  // 61
    "max-apdu-length-accepted",  // 62
    "max-info-frames",  // 63
    "max-master",  // 64
    "MaxValue",  // 65
    "minofftime",  // 66
    "minontime",  // 67
    "minimum-output",  // 68
    "MinValue",  // 69
    "model-name",  // 70
    "modification-date",  // 71
    "NotifyType",  // 72
    "number-of-apdu-retries",  // 73
    "numberofstates",  // 74
    "ObjectID",  // 75
    "object-list",  // 76
    "ObjectName",  // 77
    "object-property-reference",  // 78
    "ObjectType",  // 79
    "optional",  // 80
    "OutOfService",  // 81
    "output-units",  // 82
    "event-parametes",  // 83
    "polarity",  // 84
    "PresentValue",  // 85
    "Priority",  // 86
    "priorityarray",  // 87
    "PriorityForWriting",  // 88
    "processidentifier",  // 89
    "programchange",  // 90
    "programlocation",  // 91
    "programstate",  // 92
    "proportional-constant",  // 93
    "proportional-constant-units",  // 94
    "protocol-conformance-class",  // 95
    "protocol-object-types-supported",  // 96
    "protocol-services-supported",  // 97
    "protocol-version",  // 98
    "read-only",  // 99
    "reasonforhalt",  // 100
    "recipient",  // 101
    "recipient-list",  // 102
    "Reliability",  // 103
    "relinquish",  // 104
    "required",  // 105
    "Resolution",  // 106
    "segmentation-supported",  // 107
    "setpoint",  // 108
    "setpoint-reference",  // 109
    "statetext",  // 110
    "StatusFlag",  // 111
    "system-status",  // 112
    "TimeDelay",  // 113
    "TOAreset",  // 114
    "TOSreset",  // 115
    "time-synchronization-recipients",  // 116
    "Units",  // 117
    "UpdateInterval",  // 118
    "utc-offset",  // 119
    "vendorid",  // 120
    "vendorname",  // 121
    "vt-classes-supported",  // 122
    "weekly-schedule",  // 123
    "...",  // 124
};

const char* CBACnetObjTypes::PropertyName(int id)
{
    if (id >= 0 && id < PROPERTY_NAME_COUNT)
        return str_BACnetPropertyID[id];
    for (const _BACnetPropertyName& entry : kNamesBeyond)
        if (entry.m_propertyID == id)
            return entry.m_name;
    return "";
}

const char* CBACnetObjTypes::GetStr_BACnetPropertyID(int id)
{
    if (id >= 0 && id < PROPERTY_NAME_COUNT)
        return str_BACnetPropertyID[id];
    const char* name = PropertyName(id);
    strncpy(s_nameBuffer, name, sizeof s_nameBuffer - 1);
    s_nameBuffer[sizeof s_nameBuffer - 1] = 0;
    return s_nameBuffer;
}

const _BACnetPropertyDef* CBACnetObjTypes::GetPropertyList(unsigned objectType, int& count)
{
    if (objectType >= OBJECT_TYPE_COUNT) {
        count = 0;
        return nullptr;
    }
    count = kListCounts[objectType];
    return kLists[objectType];
}

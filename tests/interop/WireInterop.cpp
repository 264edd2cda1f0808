// Every request frame the library builds, dissected by Wireshark's BACnet
// dissector (tshark): the frames are wrapped in BACnet/IP and UDP/IPv4 on
// loopback addresses, written to a capture file, and tshark's tree for each
// must show no malformed packet and no expert error, account for every
// octet, balance its opening and closing tags, and name the service, invoke
// ID, object identifiers, property identifiers and values that were built.
//
//     interop_wire --tshark /usr/bin/tshark --pcap out.pcap [--keep-pdml out.pdml] [--verbose]
#include <bacnetcodec/bacnetcodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "Net.h"
#include "Pdml.h"
#include "Process.h"

namespace {

// ---------------------------------------------------------------------------
// What one frame must look like in the dissector's tree. Every expectation is
// stated from the inputs the test gave the library, never read back from the
// frame the library built.

struct ObjRef {
    unsigned type;
    unsigned instance;
};

struct WireCase {
    std::string name;
    Bytes npdu;              // what the library wrote
    bool broadcast = false;  // carried in an Original-Broadcast-NPDU
    // Network layer.
    int control = -1;
    int dnet = -1;
    int dlen = -1;
    std::string dadr;  // hex, e.g. "7f000001bac0"
    int hopCount = -1;
    // Application layer.
    int pduType = 0;     // 0 confirmed request, 1 unconfirmed request
    int sa = -1;         // segmented-response-accepted flag
    int maxApdu = -1;    // max-APDU code
    int invokeID = -1;
    int service = -1;
    std::vector<ObjRef> objects;      // every object identifier, in order
    std::vector<unsigned> properties; // every property identifier, in order
    std::vector<std::string> texts;   // tree lines that must appear, in this order
    std::string tail;                 // hex octets the frame must end with
    std::string why;                  // the deliberate choice the tail pins down
    std::string setupError;           // the library refused to build the request
    bool negative = false;            // a spoiled copy the checks must reject
    // A network layer message instead of an application PDU: its type and
    // the network numbers it lists.
    int messageType = -1;
    std::vector<long> messageNetworks;
    // A link layer message the library built whole (`datagram`); `npdu` is
    // then the NPDU it carries, empty for one that carries none. Its function
    // and its fields as tshark shows them ("bvlc.reg_ttl=600"), in order.
    Bytes datagram;
    int bvlcFunction = -1;
    std::vector<std::string> bvlcFields;
};

// Expert warnings that reflect a deliberate choice of the library; each is
// matched against the message text and explains why it is acceptable.
// tshark 4.0 raises none for these frames, so the list is empty.
struct Allowed {
    const char* message;
    const char* reason;
};
const std::vector<Allowed> kAllowedWarnings = {};

// The fields of tshark's tree the checks read; a tshark that renames one
// must fail loudly here rather than make every check miss.
const char* const kFields[] = {
    "frame.protocols", "bvlc.function", "bvlc.length", "bvlc.result", "bvlc.reg_ttl", "bvlc.bdt_ip",
    "bvlc.bdt_port", "bvlc.bdt_mask", "bvlc.fdt_ip", "bvlc.fdt_port", "bvlc.fdt_ttl", "bvlc.fdt_timeout",
    "bvlc.fwd_ip", "bvlc.fwd_port",
    "bacnet.version", "bacnet.control", "bacnet.dnet", "bacnet.dlen", "bacnet.hopc", "bacnet.mesgtyp",
    "bacnet.dadr_eth", "bacnet.dadr_mstp", "bacnet.dadr_tmp",
    "bacapp.type", "bacapp.SA", "bacapp.segmented_request", "bacapp.max_adpu_size", "bacapp.invoke_id",
    "bacapp.confirmed_service", "bacapp.unconfirmed_service",
    "bacapp.objectType", "bacapp.instance_number", "bacapp.property_identifier",
    "_ws.expert", "_ws.expert.message", "_ws.expert.severity", "_ws.malformed",
};

std::string HexOf(const Bytes& b)
{
    std::string s;
    char x[3];
    for (unsigned char c : b) {
        snprintf(x, sizeof x, "%02x", c);
        s += x;
    }
    return s;
}

Bytes Frame(const unsigned char* buf, int len)
{
    return Bytes(buf, buf + len);
}

// ---------------------------------------------------------------------------
// Device records: one on the local network, two behind routers (a 6-octet
// BACnet/IP MAC on network 5, a 1-octet MS/TP MAC on network 2001).

enum class Where { Local, RoutedIp, RoutedMstp };

const unsigned char kIpMac[6] = {0x7F, 0x00, 0x00, 0x01, 0xBA, 0xC1};  // 127.0.0.1:47809
const unsigned char kMstpMac = 0x1A;

std::unique_ptr<CBACnetOBJ> Device(Where where, unsigned short maxAPDU = 1400)
{
    std::unique_ptr<CBACnetOBJ> d(new CBACnetOBJ);
    d->m_objectID = _BACnetObjectID(8, 1001);
    d->m_maxAPDU = maxAPDU;
    if (where == Where::RoutedIp) {
        d->m_address.m_network[0] = 0x00;
        d->m_address.m_network[1] = 0x05;
        d->m_address.m_macLength = 6;
        memcpy(d->m_address.m_mac, kIpMac, 6);
    } else if (where == Where::RoutedMstp) {
        d->m_address.m_network[0] = 0x07;
        d->m_address.m_network[1] = 0xD1;
        d->m_address.m_macLength = 1;
        d->m_address.m_mac[0] = kMstpMac;
    }
    return d;
}

// The network-layer expectations for a request to `where`.
void Address(WireCase& c, Where where, bool expectsReply)
{
    const int reply = expectsReply ? 0x04 : 0x00;
    if (where == Where::Local) {
        c.control = reply;
    } else {
        c.control = 0x20 | reply;
        c.hopCount = 255;
        if (where == Where::RoutedIp) {
            c.dnet = 5;
            c.dlen = 6;
            c.dadr = "7f000001bac1";
        } else {
            c.dnet = 2001;
            c.dlen = 1;
            c.dadr = "1a";
        }
    }
}

void Confirmed(WireCase& c, Where where, int service, int invokeID, bool expectsReply = true, int maxApdu = 5)
{
    Address(c, where, expectsReply);
    c.pduType = 0;
    c.sa = expectsReply ? 1 : 0;
    c.maxApdu = maxApdu;
    c.service = service;
    c.invokeID = invokeID;
}

void Broadcast(WireCase& c, int service)
{
    c.broadcast = true;
    c.control = 0x20;
    c.dnet = 0xFFFF;
    c.dlen = 0;
    c.hopCount = 255;
    c.pduType = 1;
    c.service = service;
}

// ---------------------------------------------------------------------------
// Property codecs with values, as a driver fills them.

constexpr DWORD Date(int year, int month, int day, int weekday)
{
    return DWORD(year - 1900) << 24 | DWORD(month) << 16 | DWORD(day) << 8 | DWORD(weekday);
}

constexpr DWORD Time(int hour, int minute, int second = 0, int hundredths = 0)
{
    return DWORD(hour) << 24 | DWORD(minute) << 16 | DWORD(second) << 8 | DWORD(hundredths);
}

const ObjRef kSchedule{17, 1};
const ObjRef kCalendar{6, 4};

void FillWeek(CBACnetWeekSchedule& week)
{
    week.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
    // Working days on at 07:30 and off at 18:00; the weekend stays empty.
    for (int day = 0; day < 5; day++) {
        week.m_dayLists[day].Add(new _BACnetTimeValue(Time(7, 30), 1));
        week.m_dayLists[day].Add(new _BACnetTimeValue(Time(18, 0), 0));
    }
}

void FillExceptions(CBACnetExpSchedule& exp, bool withCalendarReference = true)
{
    exp.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
    auto add = [&](int period, int entry, unsigned char priority) {
        _BACnetSpecialEvent* e = new _BACnetSpecialEvent;
        e->m_periodChoice = period;
        e->m_calendarEntryChoice = entry;
        e->m_eventPriority = priority;
        e->m_timeValues.Add(new _BACnetTimeValue(Time(8, 0), 1));
        exp.m_specialEvents.Add(e);
        return e;
    };
    add(_BACnetSpecialEvent::PERIOD_CALENDAR_ENTRY, _BACnetSpecialEvent::ENTRY_DATE, 3)->m_date = Date(2026, 12, 24, 4);
    _BACnetSpecialEvent* range =
        add(_BACnetSpecialEvent::PERIOD_CALENDAR_ENTRY, _BACnetSpecialEvent::ENTRY_DATE_RANGE, 5);
    range->m_startDate = Date(2026, 7, 20, 1);
    range->m_endDate = Date(2026, 8, 14, 5);
    _BACnetSpecialEvent* weekNDay =
        add(_BACnetSpecialEvent::PERIOD_CALENDAR_ENTRY, _BACnetSpecialEvent::ENTRY_WEEK_N_DAY, 10);
    weekNDay->m_weekNDay[0] = 11;  // November
    weekNDay->m_weekNDay[1] = 4;   // fourth week
    weekNDay->m_weekNDay[2] = 4;   // Thursday
    if (withCalendarReference)
        add(_BACnetSpecialEvent::PERIOD_CALENDAR_REFERENCE, 0, 16)->m_calendarID =
            _BACnetObjectID(kCalendar.type, kCalendar.instance);
}

// ---------------------------------------------------------------------------
// The cases.

class Cases {
public:
    std::vector<WireCase> list;

    void Build()
    {
        ReadProperty();
        WritePropertyCodecs();
        WritePropertyHostValues();
        ScheduleArraySize();
        ReadPropertyMultiple();
        WritePropertyMultiple();
        CreateDelete();
        Unconfirmed();
        ChangeOfValue();
        ReadRange();
        Routers();
        Link();
        Controls();
    }

private:
    unsigned char m_buf[2048];
    std::string m_setupError;  // for the next case added

    void Bind(CBACnetObjTypes& tag, const wchar_t* property, unsigned short hostType, unsigned short& sub)
    {
        CString text(property);
        if (!tag.CreateProperty(text, sub, hostType))
            m_setupError = "CreateProperty refused " + HostWideToAnsi(property, wcslen(property));
    }

    WireCase& Add(const std::string& name, int len)
    {
        list.emplace_back();
        list.back().name = name;
        list.back().npdu = Frame(m_buf, len);
        list.back().setupError.swap(m_setupError);
        return list.back();
    }

    // ReadProperty of one codec's property.
    void ReadOne(const std::string& name, CBACnetPropertyID& prop, Where where, ObjRef obj, unsigned property)
    {
        auto dev = Device(where);
        CBACnetReadPropertyService rp;
        int len = 0;
        const int id = rp.MakeFrame(m_buf, len, dev.get(), &prop);
        WireCase& c = Add(name, len);
        Confirmed(c, where, 12, id);
        c.objects = {obj};
        c.properties = {property};
        if (prop.m_arrayIndex != CBACnetPropertyID::NO_ARRAY_INDEX)
            c.texts = {"property Array Index (Unsigned) " + std::to_string(prop.m_arrayIndex)};
    }

    void ReadProperty()
    {
        CBACnetPresentvalue pv;
        pv.m_objectID = _BACnetObjectID(0, 3);
        ReadOne("ReadProperty present-value of analog-input 3, local", pv, Where::Local, {0, 3}, 85);

        CBACnetObjectName name;
        name.m_objectID = _BACnetObjectID(2, 1);
        ReadOne("ReadProperty object-name (name codec)", name, Where::Local, {2, 1}, 77);

        CBACnetObjectDesc desc;
        desc.m_objectID = _BACnetObjectID(2, 1);
        ReadOne("ReadProperty description (description codec)", desc, Where::Local, {2, 1}, 28);

        CBACnetSchPriority prio;
        prio.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        ReadOne("ReadProperty priority-for-writing (priority codec)", prio, Where::Local, kSchedule, 88);

        CBACnetWeekSchedule week;
        week.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        week.m_arrayIndex = 2;
        ReadOne("ReadProperty weekly-schedule[2] (week codec), array index", week, Where::Local, kSchedule, 123);

        CBACnetExpSchedule exp;
        exp.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        ReadOne("ReadProperty exception-schedule (exception codec)", exp, Where::Local, kSchedule, 38);

        CBACnetDateRange range;
        range.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        ReadOne("ReadProperty effective-period (date range codec)", range, Where::Local, kSchedule, 32);

        CBACnetObjPropertyRef refs;
        refs.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        ReadOne("ReadProperty list-of-object-property-references (reference codec)", refs, Where::Local, kSchedule,
                54);

        CBACnetObjectList objects;
        objects.m_objectID = _BACnetObjectID(8, 1001);
        objects.m_arrayIndex = 0;
        ReadOne("ReadProperty object-list[0] (object list codec), routed to a BACnet/IP MAC", objects,
                Where::RoutedIp, {8, 1001}, 76);

        CBACnetObjectList all;
        all.m_objectID = _BACnetObjectID(8, 1001);
        ReadOne("ReadProperty object-list, routed to an MS/TP MAC", all, Where::RoutedMstp, {8, 1001}, 76);

        CBACnetTypeSupported types;
        types.m_objectID = _BACnetObjectID(8, 1001);
        ReadOne("ReadProperty protocol-object-types-supported (types codec)", types, Where::Local, {8, 1001}, 96);

        CBACnetServiceSupported services;
        services.m_objectID = _BACnetObjectID(8, 1001);
        ReadOne("ReadProperty protocol-services-supported (services codec), routed", services, Where::RoutedIp,
                {8, 1001}, 97);

        // A bound host tag's parameters after the ReadProperty header: the
        // form that reaches two-octet property identifiers and the library's
        // own object types 18 to 20.
        struct Bound {
            const char* name;
            ObjRef obj;
            const wchar_t* property;
            ObjRef wire;
            unsigned propertyID;
            int index;
        } bound[] = {
            {"ReadProperty Zone_Temp_Value of Enthalpy (type 18 as 151, two-octet property)", {18, 5},
             L"Zone_Temp_Value", {151, 5}, 1832, -1},
            {"ReadProperty setpoint of ProportionalControl (type 19 as 152)", {19, 0x3F0009}, L"setpoint",
             {152, 9}, 108, -1},
            {"ReadProperty Pulse_Rate of Accumulator (type 20 as 23)", {20, 2}, L"Pulse_Rate", {23, 2}, 186, -1},
            {"ReadProperty priority-array[300] of analog-output 3 (two-octet array index)", {1, 3},
             L"priorityarray[300]", {1, 3}, 87, 300},
        };
        for (const Bound& b : bound) {
            CBACnetObjTypes tag(_BACnetObjectID(b.obj.type, b.obj.instance));
            unsigned short sub;
            Bind(tag, b.property, 4, sub);
            auto dev = Device(Where::Local);
            CBACnetReadPropertyService rp;
            int len = 0;
            const unsigned char id = ++CBACnetPDU::c_invokeID;
            rp.MakeHeaderFrame(m_buf, len, dev.get(), id);
            tag.MakeFrameToSingle(m_buf, len);
            WireCase& c = Add(b.name, len);
            Confirmed(c, Where::Local, 12, id);
            c.objects = {b.wire};
            c.properties = {b.propertyID};
            if (b.index >= 0)
                c.texts = {"property Array Index (Unsigned) " + std::to_string(b.index)};
        }
    }

    // WriteProperty of one codec's value.
    WireCase& WriteOne(const std::string& name, CBACnetPropertyID& prop, Where where, ObjRef obj, unsigned property)
    {
        auto dev = Device(where);
        CBACnetWritePropertyService wp;
        int len = 0;
        const int id = wp.MakeFrame(m_buf, len, dev.get(), &prop);
        WireCase& c = Add(name, len);
        Confirmed(c, where, 15, id);
        c.objects = {obj};
        c.properties = {property};
        return c;
    }

    void WritePropertyCodecs()
    {
        CBACnetObjectName name;
        name.m_objectID = _BACnetObjectID(2, 1);
        name.m_name = L"Boiler 1 supply";
        WriteOne("WriteProperty object-name (name codec)", name, Where::Local, {2, 1}, 77).texts = {
            "Boiler 1 supply"};

        CBACnetObjectDesc desc;
        desc.m_objectID = _BACnetObjectID(2, 1);
        desc.m_description = L"Supply air temperature after the heating coil";
        WriteOne("WriteProperty description (description codec), routed", desc, Where::RoutedIp, {2, 1}, 28).texts = {
            "Supply air temperature after the heating coil"};

        CBACnetObjectDesc empty;
        empty.m_objectID = _BACnetObjectID(2, 1);
        WriteOne("WriteProperty empty description (71 00)", empty, Where::Local, {2, 1}, 28).tail = "3e71003f";

        CBACnetSchPriority prio;
        prio.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        prio.m_priority = 8;
        WriteOne("WriteProperty priority-for-writing (priority codec)", prio, Where::Local, kSchedule, 88).texts = {
            "(Unsigned) 8"};

        CBACnetWeekSchedule week;
        FillWeek(week);
        WriteOne("WriteProperty weekly-schedule, all days (week codec)", week, Where::Local, kSchedule, 123).texts = {
            "07:30:00", "18:00:00"};

        CBACnetWeekSchedule day;
        FillWeek(day);
        day.m_arrayIndex = 3;
        WireCase& d = WriteOne("WriteProperty weekly-schedule[3] (week codec), array index", day, Where::Local,
                               kSchedule, 123);
        d.texts = {"property Array Index (Unsigned) 3", "07:30:00", "18:00:00"};

        CBACnetExpSchedule exp;
        FillExceptions(exp);
        WireCase& e = WriteOne("WriteProperty exception-schedule (exception codec), every period kind", exp,
                               Where::Local, kSchedule, 38);
        e.objects.push_back(kCalendar);
        e.texts = {"December 24, 2026", "July 20, 2026", "August 14, 2026", "08:00:00"};

        CBACnetDateRange range;
        range.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        range.m_startDate = Date(2026, 1, 1, 4);
        range.m_endDate = Date(2026, 12, 31, 4);
        WriteOne("WriteProperty effective-period (date range codec)", range, Where::Local, kSchedule, 32).texts = {
            "January 1, 2026", "December 31, 2026"};

        CBACnetObjPropertyRef refs;
        refs.m_objectID = _BACnetObjectID(kSchedule.type, kSchedule.instance);
        refs.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(2, 1), 85));
        refs.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(5, 7), 85));
        WireCase& r = WriteOne("WriteProperty list-of-object-property-references (reference codec)", refs,
                               Where::Local, kSchedule, 54);
        r.objects = {kSchedule, {2, 1}, {5, 7}};
        r.properties = {54, 85, 85};

        // Read-only codecs have no encoder: the request carries an empty value.
        CBACnetObjectList objectList;
        objectList.m_objectID = _BACnetObjectID(8, 1001);
        WireCase& ro = WriteOne("WriteProperty with a read-only codec (object list)", objectList, Where::Local,
                                {8, 1001}, 76);
        ro.tail = "3e3f";
        ro.why = "a codec without an encoder leaves the value empty; a device will refuse such a write";

        // The present value codec encodes a host value with SetValue; the
        // driver frames it itself after the request header.
        struct PresentValue {
            const char* name;
            ObjRef obj;
            double value;
            unsigned short asEnumerated;
            const char* text;
        } values[] = {
            {"WriteProperty header + present value codec's Real", {2, 4}, 19.5, 0, "Present Value (real): 19.5"},
            {"WriteProperty header + present value codec's enumeration", {5, 4}, 1, 1,
             "Present Value (enum index): 1"},
        };
        for (const PresentValue& v : values) {
            CBACnetPresentvalue pv;
            pv.m_objectID = _BACnetObjectID(v.obj.type, v.obj.instance);
            CTagVal host;
            host.SetVal(v.value);
            auto dev = Device(Where::Local);
            CBACnetWritePropertyService wp;
            int len = 0;
            const unsigned char id = ++CBACnetPDU::c_invokeID;
            wp.MakeHeaderFrame(m_buf, len, dev.get(), id);
            CBACnetTag tag;
            ObjectID(len, v.obj);
            tag.MakeArrayFrame(m_buf, len, CBACnetTag::CLASS_CONTEXT, 1, 1, &pv.m_propertyID);
            tag.MakeProgramFrame(m_buf, len, 3, 1);
            pv.SetValue(m_buf, len, host, 0, v.asEnumerated);
            tag.MakeProgramFrame(m_buf, len, 3, 0);
            WireCase& c = Add(v.name, len);
            Confirmed(c, Where::Local, 15, id);
            c.objects = {v.obj};
            c.properties = {85};
            c.texts = {v.text};
        }
    }

    // WriteProperty of a host value through a bound host tag.
    WireCase& WriteHost(const std::string& name, ObjRef obj, const wchar_t* property, unsigned short hostType,
                        CTagVal& value, unsigned short priority, ObjRef wire, unsigned propertyID,
                        Where where = Where::Local)
    {
        CBACnetObjTypes tag(_BACnetObjectID(obj.type, obj.instance));
        unsigned short sub = 0;
        Bind(tag, property, hostType, sub);
        auto dev = Device(where);
        CBACnetWritePropertyService wp;
        int len = 0;
        wp.MakeFrame(m_buf, len, dev.get(), &tag, value, hostType, sub, priority);
        WireCase& c = Add(name, len);
        // Every host-value write carries the same invoke ID.
        Confirmed(c, where, 15, CBACnetWritePropertyService::HOST_VALUE_INVOKE_ID);
        c.objects = {wire};
        c.properties = {propertyID};
        return c;
    }

    void WritePropertyHostValues()
    {
        CTagVal real;
        real.SetVal(21.5);
        WireCase& a = WriteHost("WriteProperty host value 21.5 to analog-value 1 at priority 8", {2, 1},
                                L"PresentValue", 4, real, 8, {2, 1}, 85);
        a.texts = {"Present Value (real): 21.5", "Priority: (Unsigned) 8"};

        CTagVal on;
        on.SetVal(1);
        WriteHost("WriteProperty host value active to binary-output 2 at priority 16, routed", {4, 2},
                  L"PresentValue", 4, on, 16, {4, 2}, 85, Where::RoutedMstp)
            .texts = {"Present Value (enum index): 1", "Priority: (Unsigned) 16"};

        // No priority below 1 or above 16: the value ends the frame.
        CTagVal off;
        off.SetVal(0);
        WriteHost("WriteProperty host value without priority (0)", {5, 3}, L"PresentValue", 4, off, 0, {5, 3}, 85)
            .tail = "3e91003f";
        WriteHost("WriteProperty host value without priority (17)", {5, 3}, L"PresentValue", 4, off, 17, {5, 3}, 85)
            .tail = "3e91003f";

        CTagVal slot;
        slot.SetVal(55.0f);
        WriteHost("WriteProperty host value to priority-array[8] of analog-output 3 (array index)", {1, 3},
                  L"priorityarray[8]", 12, slot, 0, {1, 3}, 87)
            .texts = {"property Array Index (Unsigned) 8", "55"};

        CTagVal relinquish;
        relinquish.SetVal(-1);
        WriteHost("WriteProperty Null to priority-array[300] (two-octet array index)", {1, 3}, L"priorityarray[300]",
                  4, relinquish, 0, {1, 3}, 87)
            .texts = {"property Array Index (Unsigned) 300", "NULL"};

        CTagVal temp;
        temp.SetVal(19.25);
        WriteHost("WriteProperty Zone_Temp_Value of Enthalpy 5 (type 18 as 151, two-octet property)", {18, 5},
                  L"Zone_Temp_Value", 4, temp, 0, {151, 5}, 1832)
            .texts = {"19.25"};

        CTagVal setpoint;
        setpoint.SetVal(50.0);
        // Instance bits 16 to 21 are cleared by the type remapping.
        WriteHost("WriteProperty setpoint of ProportionalControl 0x3F0009 (type 19 as 152)", {19, 0x3F0009},
                  L"setpoint", 4, setpoint, 12, {152, 9}, 108)
            .texts = {"50", "Priority: (Unsigned) 12"};

        CTagVal count;
        count.SetVal(1000);
        WriteHost("WriteProperty present-value of Accumulator 0x3F0007 (type 20 as 23)", {20, 0x3F0007},
                  L"PresentValue", 4, count, 0, {23, 7}, 85)
            .texts = {"1000"};

        CTagVal user;
        user.SetVal(2.5);
        WriteHost("WriteProperty User1 of program 1 (two-octet property 2500)", {16, 1}, L"User1", 4, user, 0,
                  {16, 1}, 2500)
            .texts = {"2.5"};

        // A host text travels with its terminating 0 octet inside the string.
        CTagVal text;
        text.SetVal(L"Hall");
        WireCase& t = WriteHost("WriteProperty host text to description", {2, 1}, L"Description", 14, text, 0, {2, 1},
                                28);
        t.tail = "3e75060048616c6c003f";
        t.why = "a host text is sent with its terminating 0 octet inside the character string";
    }

    void ScheduleArraySize()
    {
        CBACnetExpSchedule exp;
        FillExceptions(exp, false);  // three events
        auto dev = Device(Where::Local);
        CBACnetWritePropertyService wp;
        int len = 0;
        const int id = wp.MakeScheduleArySize(m_buf, len, dev.get(), &exp);
        WireCase& c = Add("WriteProperty exception-schedule[0] = 3 (schedule array size)", len);
        Confirmed(c, Where::Local, 15, id);
        c.objects = {kSchedule};
        c.properties = {38};
        c.texts = {"property Array Index (Unsigned) 0", "(Unsigned) 3"};
    }

    void ReadPropertyMultiple()
    {
        struct Entry {
            ObjRef obj;
            const wchar_t* property;
            ObjRef wire;
            unsigned propertyID;
        } entries[] = {
            {{0, 0}, L"PresentValue", {0, 0}, 85},
            {{2, 1}, L"ObjectName", {2, 1}, 77},
            {{1, 3}, L"priorityarray[8]", {1, 3}, 87},
            {{1, 3}, L"priorityarray[300]", {1, 3}, 87},
            {{18, 5}, L"Zone_Temp_Value", {151, 5}, 1832},
            {{19, 6}, L"PresentValue", {152, 6}, 85},
            {{20, 0x3F0007}, L"PresentValue", {23, 7}, 85},
            {{16, 1}, L"User1", {16, 1}, 2500},
        };
        std::vector<std::unique_ptr<CBACnetObjTypes>> tags;
        std::string bindError;
        for (const Entry& e : entries) {
            tags.emplace_back(new CBACnetObjTypes(_BACnetObjectID(e.obj.type, e.obj.instance)));
            unsigned short sub;
            Bind(*tags.back(), e.property, 4, sub);
            bindError += m_setupError;
            m_setupError.clear();
        }
        for (Where where : {Where::Local, Where::RoutedIp}) {
            auto dev = Device(where, where == Where::Local ? 1400 : 480);
            CBACnetReadMultiService rpm(0);
            int len = 0;
            rpm.MakeHeaderFrame(len, dev.get(), 0);
            for (int i = 0; i < static_cast<int>(tags.size()); i++)
                if (!rpm.MakeBodyFrame(len, tags[i].get(), i))
                    break;
            memcpy(m_buf, rpm.m_frame, rpm.m_frameLength);
            m_setupError = bindError;
            WireCase& c = Add(where == Where::Local
                                  ? "ReadPropertyMultiple of eight bound tags (indexes, two-octet ids, types 18-20)"
                                  : "ReadPropertyMultiple, routed, max APDU 480",
                              rpm.m_frameLength);
            Confirmed(c, where, 14, rpm.m_invokeID, true, where == Where::Local ? 5 : 3);
            for (const Entry& e : entries) {
                c.objects.push_back(e.wire);
                c.properties.push_back(e.propertyID);
            }
            c.texts = {"property Array Index (Unsigned) 8", "property Array Index (Unsigned) 300"};
        }

        // The header alone, the body written by the caller: weekly and
        // exception schedule of one Schedule object.
        auto dev = Device(Where::Local);
        CBACnetReadMultiService rpm;
        int len = 0;
        const int id = rpm.MakeSchedueHeader(m_buf, len, dev.get());
        CBACnetTag tag;
        ObjectID(len, kSchedule);
        tag.MakeProgramFrame(m_buf, len, 1, 1);
        unsigned char weekly = 123, exceptions = 38;
        tag.MakeArrayFrame(m_buf, len, CBACnetTag::CLASS_CONTEXT, 0, 1, &weekly);
        tag.MakeArrayFrame(m_buf, len, CBACnetTag::CLASS_CONTEXT, 0, 1, &exceptions);
        tag.MakeProgramFrame(m_buf, len, 1, 0);
        WireCase& c = Add("ReadPropertyMultiple header alone + caller's schedule body", len);
        Confirmed(c, Where::Local, 14, id);
        c.objects = {kSchedule};
        c.properties = {123, 38};
    }

    // WritePropertyMultiple: the caller writes each object identifier.
    void ObjectID(int& len, ObjRef obj)
    {
        CBACnetTag tag;
        const DWORD v = _BACnetObjectID(obj.type, obj.instance).GetValue();
        unsigned char host[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                 static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        tag.MakeAnalogFrame(m_buf, len, CBACnetTag::CLASS_CONTEXT, 0, 4, host);
    }

    WireCase& WriteMultiOne(const std::string& name, CBACnetPropertyID& prop, ObjRef obj, unsigned property,
                            Where where = Where::Local)
    {
        auto dev = Device(where);
        CBACnetWriteMultiService wpm;
        int len = 0;
        const int id = wpm.MakeHeaderFrame(m_buf, len, dev.get());
        ObjectID(len, obj);
        wpm.MakeFrame(m_buf, len, &prop);
        WireCase& c = Add(name, len);
        Confirmed(c, where, 16, id);
        c.objects = {obj};
        c.properties = {property};
        return c;
    }

    void WritePropertyMultiple()
    {
        CBACnetObjectName name;
        name.m_name = L"AHU-1 supply fan";
        WriteMultiOne("WritePropertyMultiple object-name (name codec)", name, {3, 2}, 77).texts = {
            "AHU-1 supply fan"};

        CBACnetObjectDesc desc;
        desc.m_description = L"Night set-back";
        WriteMultiOne("WritePropertyMultiple description (description codec), routed", desc, {2, 9}, 28,
                      Where::RoutedMstp)
            .texts = {"Night set-back"};

        CBACnetSchPriority prio;
        prio.m_priority = 15;
        WriteMultiOne("WritePropertyMultiple priority-for-writing (priority codec)", prio, kSchedule, 88).texts = {
            "(Unsigned) 15"};

        CBACnetWeekSchedule week;
        FillWeek(week);
        WriteMultiOne("WritePropertyMultiple weekly-schedule (week codec)", week, kSchedule, 123).texts = {
            "07:30:00", "18:00:00"};

        CBACnetWeekSchedule day;
        FillWeek(day);
        day.m_arrayIndex = 5;
        // The codec is asked for the whole value (-1) whatever the index: the
        // element carries all seven day lists, which tshark labels from the
        // index on (Friday, Saturday, Sunday, then unlabelled).
        WireCase& five = WriteMultiOne("WritePropertyMultiple weekly-schedule[5] (week codec), array index", day,
                                       kSchedule, 123);
        five.texts = {"property Array Index (Unsigned) 5", "Friday", "07:30:00", "Saturday", "Sunday"};
        five.tail = "0e0f0e0f2f1f";
        five.why = "with an array index the week codec still writes all seven day lists into the one element";

        CBACnetExpSchedule exp;
        FillExceptions(exp);
        WireCase& e = WriteMultiOne("WritePropertyMultiple exception-schedule (exception codec)", exp, kSchedule, 38);
        e.objects.push_back(kCalendar);
        e.texts = {"December 24, 2026", "July 20, 2026", "August 14, 2026"};

        CBACnetDateRange range;
        range.m_startDate = Date(2027, 3, 1, 1);
        range.m_endDate = Date(2027, 10, 31, 7);
        WriteMultiOne("WritePropertyMultiple effective-period (date range codec)", range, kSchedule, 32).texts = {
            "March 1, 2027", "October 31, 2027"};

        CBACnetObjPropertyRef refs;
        refs.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(1, 4), 85));
        WireCase& r = WriteMultiOne("WritePropertyMultiple list-of-object-property-references (reference codec)",
                                    refs, kSchedule, 54);
        r.objects = {kSchedule, {1, 4}};
        r.properties = {54, 85};

        // Several objects in one request.
        auto dev = Device(Where::Local);
        CBACnetWriteMultiService wpm;
        int len = 0;
        const int id = wpm.MakeHeaderFrame(m_buf, len, dev.get());
        CBACnetObjectName n1, n2;
        n1.m_name = L"Zone 1";
        n2.m_name = L"Zone 2";
        ObjectID(len, {2, 11});
        wpm.MakeFrame(m_buf, len, &n1);
        ObjectID(len, {2, 12});
        wpm.MakeFrame(m_buf, len, &n2);
        ObjectID(len, kSchedule);
        wpm.MakeFrame(m_buf, len, &prio);
        WireCase& c = Add("WritePropertyMultiple of three objects", len);
        Confirmed(c, Where::Local, 16, id);
        c.objects = {{2, 11}, {2, 12}, kSchedule};
        c.properties = {77, 77, 88};
        c.texts = {"Zone 1", "Zone 2", "(Unsigned) 15"};
    }

    void CreateDelete()
    {
        // These two requests are sent without the expecting-reply bit of the
        // network header and without segmented-response-accepted: the
        // library decodes no acknowledgement parameters for them.
        const char* why = "create and delete are sent without the expecting-reply and segmented-response flags";
        for (Where where : {Where::Local, Where::RoutedIp}) {
            auto dev = Device(where);
            _BACnetObjectID id(2, 10);
            CBACnetCreateObjService create;
            int len = 0;
            const int invoke = create.MakeFrame(m_buf, len, dev.get(), id);
            WireCase& c = Add(where == Where::Local ? "CreateObject analog-value 10" : "CreateObject, routed", len);
            Confirmed(c, where, 10, invoke, false);
            c.objects = {{2, 10}};
            c.tail = "0e1c0080000a0f";
            c.why = why;

            _BACnetObjectID gone(2, 7);
            CBACnetDeleteObjService del;
            len = 0;
            const int invoke2 = del.MakeFrame(m_buf, len, dev.get(), gone);
            WireCase& d = Add(where == Where::Local ? "DeleteObject analog-value 7" : "DeleteObject, routed", len);
            Confirmed(d, where, 11, invoke2, false);
            d.objects = {{2, 7}};
            d.tail = "c400800007";
            d.why = why;
        }
    }

    // SubscribeCOV and SubscribeCOVProperty, and the notifications a device sends.
    void ChangeOfValue()
    {
        struct Subscribe {
            const char* name;
            Where where;
            int cancel, confirmed;
            DWORD lifetime;
            std::vector<std::string> texts;
        } plain[] = {
            {"SubscribeCOV analog-input 10, confirmed, no end", Where::Local, 0, 1, 0,
             {"subscriber Process Id: (Unsigned) 18", "issue Confirmed Notifications: TRUE",
              "life time (hh.mm.ss): 0.00.00 (indefinite)"}},
            {"SubscribeCOV analog-input 10, unconfirmed, 5 minutes, routed", Where::RoutedIp, 0, 0, 300,
             {"subscriber Process Id: (Unsigned) 18", "issue Confirmed Notifications: FALSE",
              "life time (hh.mm.ss): 0.05.00"}},
            {"SubscribeCOV cancellation", Where::Local, 1, 0, 0, {"subscriber Process Id: (Unsigned) 18"}},
        };
        for (const Subscribe& p : plain) {
            auto dev = Device(p.where);
            CBACnetSubscribeCOVService s;
            s.m_processID = 18;
            s.m_objectID = _BACnetObjectID(0, 10);
            s.m_cancel = p.cancel;
            s.m_issueConfirmed = p.confirmed;
            s.m_lifetime = p.lifetime;
            int len = 0;
            const int id = s.MakeFrame(m_buf, len, dev.get());
            WireCase& c = Add(p.name, len);
            Confirmed(c, p.where, 5, id);
            c.objects = {{0, 10}};
            c.texts = p.texts;
            if (p.cancel)
                c.tail = "1c0000000a";  // nothing after the monitored object
        }

        struct Property {
            const char* name;
            ObjRef object;
            int confirmed;
            DWORD lifetime;
            unsigned property;
            DWORD index;
            int hasIncrement;
            std::vector<std::string> texts;
            const char* tail;
        } properties[] = {
            {"SubscribeCOVProperty present-value of analog-value 1, COV increment 0.5", {2, 1}, 1, 60, 85,
             CBACnetSubscribeCOVPropertyService::NO_ARRAY_INDEX, 1,
             {"subscriber Process Id: (Unsigned) 7", "issue Confirmed Notifications: TRUE",
              "life time (hh.mm.ss): 0.01.00", "COV Increment: 0.500000"},
             "4e09554f5c3f000000"},  // no array index, then the increment
            {"SubscribeCOVProperty priority-array[8] of analog-output 3, no increment", {1, 3}, 0, 3600, 87, 8, 0,
             {"issue Confirmed Notifications: FALSE", "life time (hh.mm.ss): 1.00.00",
              "property Array Index (Unsigned) 8"},
             "4e095719084f"},  // the index, and nothing after the reference
        };
        auto dev = Device(Where::Local);
        int len = 0, id = 0;
        for (const Property& p : properties) {
            CBACnetSubscribeCOVPropertyService prop;
            prop.m_processID = 7;
            prop.m_objectID = _BACnetObjectID(p.object.type, p.object.instance);
            prop.m_issueConfirmed = p.confirmed;
            prop.m_lifetime = p.lifetime;
            prop.m_propertyID = p.property;
            prop.m_arrayIndex = p.index;
            prop.m_hasIncrement = p.hasIncrement;
            prop.m_covIncrement = 0.5f;
            len = 0;
            id = prop.MakeFrame(m_buf, len, dev.get());
            WireCase& c = Add(p.name, len);
            Confirmed(c, Where::Local, 28, id);
            c.objects = {p.object};
            c.properties = {p.property};
            c.texts = p.texts;
            c.tail = p.tail;
        }

        // The notifications a simulated device sends: a Real present value,
        // status flags in alarm, and a multi-state value with a priority.
        auto fill = [](CBACnetCOVNotification& n) {
            n.m_processID = 18;
            n.m_deviceID = _BACnetObjectID(8, 4);
            n.m_objectID = _BACnetObjectID(0, 10);
            n.m_timeRemaining = 300;
            n.m_values.emplace_back(85, CBACnetValue::Real(65.0f));
            n.m_values.emplace_back(111, CBACnetValue::Bits({true, false, false, false}));
        };
        CBACnetConfirmedCOVNotifyService confirmed;
        fill(confirmed);
        auto subscriber = Device(Where::RoutedMstp);
        len = 0;
        id = confirmed.MakeFrame(m_buf, len, sizeof m_buf, subscriber.get());
        WireCase& n = Add("ConfirmedCOVNotification analog-input 10: 65.0, in alarm, routed", len);
        Confirmed(n, Where::RoutedMstp, 1, id);
        n.objects = {{8, 4}, {0, 10}};
        n.properties = {85, 111};
        n.texts = {"ProcessIdentifier: 18", "(hh.mm.ss): 0.05.00", "Present Value (real): 65", "in-alarm = TRUE",
                   "fault = FALSE"};

        CBACnetCOVNotifyService unconfirmed;
        fill(unconfirmed);
        unconfirmed.m_objectID = _BACnetObjectID(13, 2);
        unconfirmed.m_values[0] = _BACnetPropertyValue(85, CBACnetValue::Unsigned(3));
        unconfirmed.m_values[0].m_priority = 8;
        len = 0;
        unconfirmed.MakeFrame(m_buf, len, sizeof m_buf);
        WireCase& u = Add("UnconfirmedCOVNotification multi-state-input 2: state 3 at priority 8", len);
        u.control = 0;
        u.pduType = 1;
        u.service = 2;
        u.objects = {{8, 4}, {13, 2}};
        u.properties = {85, 111};
        u.texts = {"ProcessIdentifier: 18", "3", "Priority: (Unsigned) 8", "in-alarm = TRUE"};

        len = 0;
        CBACnetConfirmedCOVNotifyService::MakeAckFrame(m_buf, len, subscriber.get(), 77);
        WireCase& ack = Add("Simple-ACK of a ConfirmedCOVNotification, invoke ID 77, routed", len);
        Address(ack, Where::RoutedMstp, false);
        ack.pduType = 2;
        ack.invokeID = 77;
        ack.service = 1;
    }

    void ReadRange()
    {
        struct Range {
            const char* name;
            Where where;
            int range;
            DWORD reference;
            int32_t count;
            std::vector<std::string> texts;
        } ranges[] = {
            {"ReadRange log-buffer of trend-log 1, whole buffer", Where::Local, CBACnetReadRangeService::RANGE_NONE,
             0, 0, {}},
            {"ReadRange by position: 10 from index 1", Where::Local, CBACnetReadRangeService::RANGE_BY_POSITION, 1,
             10, {"range byPosition", "reference Index: (Unsigned) 1", "reference Count: (Signed) 10"}},
            {"ReadRange by sequence number: 5 before 1000, routed", Where::RoutedIp,
             CBACnetReadRangeService::RANGE_BY_SEQUENCE_NUMBER, 1000, -5,
             {"range bySequenceNumber", "(Unsigned) 1000", "reference Count: (Signed) -5"}},
            {"ReadRange by time: 100 after 4 December 2026 05:00:09", Where::Local,
             CBACnetReadRangeService::RANGE_BY_TIME, 0, 100,
             {"range byTime", "December 4, 2026", "05:00:09", "reference Count: (Signed) 100"}},
            {"ReadRange by time: 300 before", Where::RoutedMstp, CBACnetReadRangeService::RANGE_BY_TIME, 0, -300,
             {"range byTime", "reference Count: (Signed) -300"}},
        };
        for (const Range& r : ranges) {
            auto dev = Device(r.where);
            CBACnetReadRangeService rr;
            rr.m_objectID = _BACnetObjectID(20, 1);
            rr.m_range = r.range;
            rr.m_reference = r.reference;
            rr.m_referenceDate = Date(2026, 12, 4, 5);
            rr.m_referenceTime = Time(5, 0, 9);
            rr.m_count = r.count;
            int len = 0;
            const int id = rr.MakeFrame(m_buf, len, dev.get());
            WireCase& c = Add(r.name, len);
            Confirmed(c, r.where, 26, id);
            c.objects = {{20, 1}};
            c.properties = {131};
            c.texts = r.texts;
            if (r.range == CBACnetReadRangeService::RANGE_NONE)
                c.tail = "1983";  // nothing after the property
        }
        CBACnetReadRangeService list;
        list.m_objectID = _BACnetObjectID(8, 1001);
        list.m_propertyID = 76;
        list.m_arrayIndex = 0;
        list.m_range = CBACnetReadRangeService::RANGE_BY_POSITION;
        list.m_reference = 300;
        list.m_count = 50;
        auto dev = Device(Where::Local);
        int len = 0;
        const int id = list.MakeFrame(m_buf, len, dev.get());
        WireCase& c = Add("ReadRange object-list of device 1001 by position, 50 from 300", len);
        Confirmed(c, Where::Local, 26, id);
        c.objects = {{8, 1001}};
        c.properties = {76};
        c.texts = {"property Array Index (Unsigned) 0", "reference Index: (Unsigned) 300", "reference Count: (Signed) 50"};

        CBACnetWhoIsService whoIs;
        len = 0;
        whoIs.MakeFrame(m_buf, len, 5, 1000);
        WireCase& w = Add("Who-Is for devices 5 to 1000", len);
        Broadcast(w, 8);
        w.texts = {"Device Instance Range Low Limit: 5", "Device Instance Range High Limit: 1000"};
        len = 0;
        whoIs.MakeFrame(m_buf, len, 4194303, 4194303);
        WireCase& one = Add("Who-Is for device 4194303 alone", len);
        Broadcast(one, 8);
        one.texts = {"Device Instance Range Low Limit: 4194303", "Device Instance Range High Limit: 4194303"};
    }

    void Routers()
    {
        struct Message {
            const char* name;
            int type;  // 0 Who-Is-Router-To-Network, 1 I-Am-Router-To-Network
            std::vector<long> networks;
        } messages[] = {
            {"Who-Is-Router-To-Network, any network", 0, {}},
            {"Who-Is-Router-To-Network for network 2001", 0, {2001}},
            {"I-Am-Router-To-Network for 5, 2001 and 65534", 1, {5, 2001, 65534}},
        };
        for (const Message& m : messages) {
            CBACnetRouterMessage message;
            int len = 0;
            if (m.type == 1) {
                message.m_networks.assign(m.networks.begin(), m.networks.end());
                message.MakeIAmRouterFrame(m_buf, len);
            } else {
                message.MakeWhoIsRouterFrame(m_buf, len, m.networks.empty() ? -1 : int(m.networks[0]));
            }
            WireCase& c = Add(m.name, len);
            c.broadcast = true;
            c.control = 0x80;
            c.messageType = m.type;
            c.messageNetworks = m.networks;
        }
    }

    // The link layer messages, each built whole by the library's BVLC codec,
    // and the NPDU of those that carry one checked as any other.
    void Link()
    {
        const unsigned char far[6] = {10, 0, 0, 7, 0xBA, 0xC0};   // 10.0.0.7:47808
        const unsigned char peer[6] = {10, 0, 1, 9, 0xBA, 0xC1};  // 10.0.1.9:47809
        const CBACnetBVLC::BDTEntry bdt[] = {{{10, 0, 0, 7, 0xBA, 0xC0}, {255, 255, 255, 255}},
                                             {{10, 0, 1, 9, 0xBA, 0xC1}, {255, 255, 255, 0}}};
        const std::vector<std::string> bdtFields = {
            "bvlc.bdt_ip=10.0.0.7", "bvlc.bdt_port=47808", "bvlc.bdt_mask=ff:ff:ff:ff",
            "bvlc.bdt_ip=10.0.1.9", "bvlc.bdt_port=47809", "bvlc.bdt_mask=ff:ff:ff:00"};
        CBACnetWhoIsService whoIs;
        int whoIsLength = 0;
        unsigned char whoIsNpdu[32];
        whoIs.MakeFrame(whoIsNpdu, whoIsLength, 5, 1000);
        struct Message {
            const char* name;
            unsigned char function;
            unsigned short result, ttl;
            const unsigned char* address;
            std::vector<CBACnetBVLC::BDTEntry> bdt;
            std::vector<CBACnetBVLC::FDTEntry> fdt;
            bool carriesWhoIs;
            std::vector<std::string> fields;
        } messages[] = {
            {"BVLC-Result: success", CBACnetBVLC::RESULT, CBACnetBVLC::RESULT_SUCCESS, 0, nullptr, {}, {}, false,
             {"bvlc.result=0x0000"}},
            {"BVLC-Result: Register-Foreign-Device NAK", CBACnetBVLC::RESULT,
             CBACnetBVLC::RESULT_REGISTER_FOREIGN_DEVICE_NAK, 0, nullptr, {}, {}, false, {"bvlc.result=0x0030"}},
            {"Register-Foreign-Device, time-to-live 600 s", CBACnetBVLC::REGISTER_FOREIGN_DEVICE, 0, 600, nullptr,
             {}, {}, false, {"bvlc.reg_ttl=600"}},
            {"Read-Broadcast-Distribution-Table", CBACnetBVLC::READ_BDT, 0, 0, nullptr, {}, {}, false, {}},
            {"Read-Broadcast-Distribution-Table-Ack, two entries", CBACnetBVLC::READ_BDT_ACK, 0, 0, nullptr,
             {bdt[0], bdt[1]}, {}, false, bdtFields},
            {"Write-Broadcast-Distribution-Table, two entries", CBACnetBVLC::WRITE_BDT, 0, 0, nullptr,
             {bdt[0], bdt[1]}, {}, false, bdtFields},
            {"Read-Foreign-Device-Table", CBACnetBVLC::READ_FDT, 0, 0, nullptr, {}, {}, false, {}},
            {"Read-Foreign-Device-Table-Ack, one entry", CBACnetBVLC::READ_FDT_ACK, 0, 0, nullptr, {},
             {{{10, 0, 1, 9, 0xBA, 0xC1}, 600, 630}}, false,
             {"bvlc.fdt_ip=10.0.1.9", "bvlc.fdt_port=47809", "bvlc.fdt_ttl=600", "bvlc.fdt_timeout=630"}},
            {"Delete-Foreign-Device-Table-Entry 10.0.1.9:47809", CBACnetBVLC::DELETE_FDT_ENTRY, 0, 0, peer, {}, {},
             false, {"bvlc.fdt_ip=10.0.1.9", "bvlc.fdt_port=47809"}},
            {"Forwarded-NPDU from 10.0.0.7:47808: Who-Is 5 to 1000", CBACnetBVLC::FORWARDED_NPDU, 0, 0, far, {}, {},
             true, {"bvlc.fwd_ip=10.0.0.7", "bvlc.fwd_port=47808"}},
            {"Distribute-Broadcast-To-Network: Who-Is 5 to 1000", CBACnetBVLC::DISTRIBUTE_BROADCAST, 0, 0, nullptr,
             {}, {}, true, {}},
        };
        for (const Message& m : messages) {
            CBACnetBVLC bvlc;
            bvlc.m_function = m.function;
            bvlc.m_resultCode = m.result;
            bvlc.m_timeToLive = m.ttl;
            if (m.address)
                memcpy(bvlc.m_address, m.address, sizeof bvlc.m_address);
            bvlc.m_bdt = m.bdt;
            bvlc.m_fdt = m.fdt;
            bvlc.m_npdu = m.carriesWhoIs ? whoIsNpdu : nullptr;
            bvlc.m_npduLength = m.carriesWhoIs ? whoIsLength : 0;
            int len = 0;
            if (!bvlc.MakeFrame(m_buf, len, sizeof m_buf))
                m_setupError = "the BVLC codec refused to build it";
            WireCase& c = Add(m.name, 0);
            c.datagram = Frame(m_buf, len);
            c.bvlcFunction = m.function;
            c.bvlcFields = m.fields;
            if (m.carriesWhoIs) {
                c.npdu = Frame(whoIsNpdu, whoIsLength);
                Broadcast(c, 8);
                c.texts = {"Device Instance Range Low Limit: 5", "Device Instance Range High Limit: 1000"};
            }
        }
    }

    // Negative controls: spoiled copies of good frames, or good frames held
    // to a wrong expectation. Each must be rejected, or the checks above
    // prove nothing.
    void Controls()
    {
        auto spoil = [&](const std::string& name, const std::string& of) -> WireCase& {
            WireCase copy;
            for (const WireCase& c : list)
                if (c.name.compare(0, of.size(), of) == 0 && !c.negative)
                    copy = c;
            copy.name = "control: " + name;
            copy.negative = true;
            copy.tail.clear();
            list.push_back(copy);
            return list.back();
        };
        spoil("ReadProperty cut by its last octet", "ReadProperty present-value").npdu.pop_back();
        spoil("ReadProperty with a stray octet after it", "ReadProperty present-value").npdu.push_back(0x00);
        spoil("WriteProperty without its closing tag 3", "WriteProperty object-name").npdu.pop_back();
        Bytes& swapped = spoil("WriteProperty with closing tag 2 for opening tag 3", "WriteProperty priority-for").npdu;
        swapped.back() = 0x2F;
        Bytes& wpm =
            spoil("WritePropertyMultiple with closing tag 2 in place of 1", "WritePropertyMultiple object-name").npdu;
        wpm.back() = 0x2F;
        spoil("ReadProperty held to another invoke ID", "ReadProperty present-value").invokeID += 1;
        spoil("Accumulator write held to the unmapped type 20", "WriteProperty present-value of Accumulator")
            .objects = {{20, 0x3F0007}};
        spoil("Who-Is held to the expecting-reply flag", "Who-Is, global").control = 0x24;
        spoil("ReadPropertyMultiple held to a property it does not name", "ReadPropertyMultiple of eight")
            .properties.back() = 2501;
        spoil("object-name write held to another name", "WriteProperty object-name").texts = {"Boiler 2 supply"};
        spoil("SubscribeCOV held to another lifetime", "SubscribeCOV analog-input 10, unconfirmed").texts = {
            "life time (hh.mm.ss): 0.06.00"};
        spoil("I-Am-Router held to another network", "I-Am-Router-To-Network").messageNetworks.back() = 65533;
        spoil("I-Am-Router cut by its last octet", "I-Am-Router-To-Network").npdu.pop_back();
        spoil("ReadRange by time held to another count", "ReadRange by time: 100").texts.back() =
            "reference Count: (Signed) 101";
        spoil("Register-Foreign-Device held to another time-to-live", "Register-Foreign-Device").bvlcFields = {
            "bvlc.reg_ttl=660"};
        spoil("Read-BDT-Ack held to another mask", "Read-Broadcast-Distribution-Table-Ack").bvlcFields.back() =
            "bvlc.bdt_mask=ff:ff:00:00";
        spoil("Forwarded-NPDU cut by its last octet", "Forwarded-NPDU").datagram.pop_back();
        spoil("COV Simple-ACK held to another invoke ID", "Simple-ACK of a ConfirmedCOVNotification").invokeID = 78;
    }

    void Unconfirmed()
    {
        CBACnetWhoIsService whoIs;
        int len = 0;
        whoIs.MakeFrame(m_buf, len);
        Broadcast(Add("Who-Is, global broadcast, no range", len), 8);

        for (Where where : {Where::Local, Where::RoutedIp}) {
            auto dev = Device(where);
            dev->m_objectID = _BACnetObjectID(0, 42);
            CBACnetWhoHasService whoHas;
            len = 0;
            whoHas.MakeFrame(m_buf, len, dev.get());
            WireCase& c = Add(where == Where::Local ? "Who-Has analog-input 42, global broadcast"
                                                    : "Who-Has analog-input 42, directed to a remote network",
                              len);
            Broadcast(c, 7);
            if (where == Where::RoutedIp) {
                c.broadcast = false;
                c.dnet = 5;
                c.dlen = 6;
                c.dadr = "7f000001bac1";
            }
            c.objects = {{0, 42}};
        }

        CBACnetTimeSyncService sync;
        len = 0;
        sync.MakeFrame(m_buf, len);
        WireCase& t = Add("TimeSynchronization, Friday 4 December 2026 05:00:09", len);
        Broadcast(t, 6);
        t.texts = {"December 4, 2026, (Day of Week = Friday)", "05:00:09"};
        t.tail = "a47e0c0405b4050009" "00";
    }
};

// ---------------------------------------------------------------------------
// Checking one packet of tshark's tree against its case.

long Number(const std::string& show)
{
    return strtol(show.c_str(), nullptr, 0);
}

struct Expert {
    std::string message;
    unsigned long severity = 0;
};

std::vector<Expert> Experts(const PdmlPacket& p)
{
    std::vector<Expert> out;
    for (const PdmlField& f : p.fields) {
        if (f.name == "_ws.expert")
            out.emplace_back();
        else if (f.name == "_ws.expert.message" && !out.empty())
            out.back().message = f.show;
        else if (f.name == "_ws.expert.severity" && !out.empty())
            out.back().severity = strtoul(f.show.c_str(), nullptr, 0);
    }
    return out;
}

const char* AllowedReason(const std::string& message)
{
    for (const Allowed& a : kAllowedWarnings)
        if (message.find(a.message) != std::string::npos)
            return a.reason;
    return nullptr;
}

void Expect(std::vector<std::string>& problems, const char* what, long got, long want)
{
    if (want >= 0 && got != want)
        problems.push_back(std::string(what) + ": tshark shows " + std::to_string(got) + ", built " +
                           std::to_string(want));
}

std::vector<std::string> Check(const WireCase& c, const PdmlPacket& p, int udpPayload, std::vector<std::string>& notes)
{
    std::vector<std::string> problems;
    if (!c.setupError.empty())
        problems.push_back(c.setupError);

    const std::string protocols = p.First("frame.protocols");
    if (c.messageType < 0 && !c.npdu.empty() && protocols.find("udp:bvlc:bacnet:bacapp") == std::string::npos)
        problems.push_back("not dissected as BACnet/IP (protocols " + protocols + ")");

    if (p.Proto("_ws.malformed") || p.Has("_ws.malformed"))
        problems.push_back("tshark marks the frame malformed");
    for (const Expert& e : Experts(p)) {
        if (e.severity >= 0x00800000)
            problems.push_back("expert error: " + e.message);
        else if (e.severity >= 0x00600000) {
            if (const char* reason = AllowedReason(e.message))
                notes.push_back("allowed warning \"" + e.message + "\": " + reason);
            else
                problems.push_back("expert warning: " + e.message);
        }
    }

    // BACnet/IP link header.
    Expect(problems, "BVLC function", Number(p.First("bvlc.function")),
           c.bvlcFunction >= 0 ? c.bvlcFunction : c.broadcast ? 0x0B : 0x0A);
    // tshark's length field holds the header size and names the length in its line.
    long bvlcLength = -1;
    for (const PdmlField& f : p.fields)
        if (f.name == "bvlc.length") {
            const size_t of = f.showname.find(" of ");
            if (of != std::string::npos)
                bvlcLength = atol(f.showname.c_str() + of + 4);
        }
    Expect(problems, "BVLC length", bvlcLength, udpPayload);
    // The function's own fields, in order.
    std::vector<std::string> bvlcFields;
    for (const PdmlField& f : p.fields)
        if (f.proto == "bvlc" && f.name != "bvlc.type" && f.name != "bvlc.function" && f.name != "bvlc.length" &&
            f.name.compare(0, 5, "bvlc.") == 0)
            bvlcFields.push_back(f.name + "=" + f.show);
    if (bvlcFields != c.bvlcFields) {
        std::string shown;
        for (const std::string& f : bvlcFields)
            shown += " " + f;
        problems.push_back("BVLC fields: tshark shows [" + shown + " ]");
    }
    if (c.npdu.empty()) {
        const PdmlField* udp = p.Proto("udp");
        const PdmlField* bvlc = p.Proto("bvlc");
        if (p.Proto("bacnet"))
            problems.push_back("an NPDU after a link message that carries none");
        if (!udp || !bvlc || bvlc->pos + bvlc->size != udp->pos + 8 + udpPayload)
            problems.push_back("the link message does not end the frame");
        return problems;
    }

    // Network layer.
    Expect(problems, "NPDU version", Number(p.First("bacnet.version")), 1);
    Expect(problems, "NPDU control", Number(p.First("bacnet.control")), c.control);
    // A network layer message: its type, the networks it lists, and no
    // application layer; the unit ends the frame.
    if (c.messageType >= 0) {
        if (protocols.find("udp:bvlc:bacnet") == std::string::npos || protocols.find("bacapp") != std::string::npos)
            problems.push_back("not dissected as a network layer message (protocols " + protocols + ")");
        Expect(problems, "message type", p.Has("bacnet.mesgtyp") ? Number(p.First("bacnet.mesgtyp")) : -1,
               c.messageType);
        std::vector<long> networks;
        for (const std::string& n : p.All("bacnet.dnet"))
            networks.push_back(Number(n));
        if (networks != c.messageNetworks)
            problems.push_back("network numbers: tshark shows " + std::to_string(networks.size()) + " that differ");
        const PdmlField* udp = p.Proto("udp");
        const PdmlField* net = p.Proto("bacnet");
        if (!udp || !net || net->pos + net->size != udp->pos + 8 + udpPayload)
            problems.push_back("the network layer unit does not end the frame");
        return problems;
    }

    if (c.dnet >= 0) {
        Expect(problems, "DNET", Number(p.First("bacnet.dnet")), c.dnet);
        Expect(problems, "DLEN", Number(p.First("bacnet.dlen")), c.dlen);
        Expect(problems, "hop count", Number(p.First("bacnet.hopc")), c.hopCount);
        std::string dadr;
        for (const PdmlField& f : p.fields)
            if (f.name == "bacnet.dadr_eth" || f.name == "bacnet.dadr_mstp" || f.name == "bacnet.dadr_tmp")
                dadr = f.value;
        if (dadr != c.dadr)
            problems.push_back("DADR: tshark shows '" + dadr + "', built '" + c.dadr + "'");
    } else if (p.Has("bacnet.dnet")) {
        problems.push_back("a destination where the record is local");
    }

    // Application layer header.
    Expect(problems, "APDU type", Number(p.First("bacapp.type")), c.pduType);
    if (c.pduType == 0) {
        Expect(problems, "segmented-response-accepted", Number(p.First("bacapp.SA")), c.sa);
        Expect(problems, "segmented-request", Number(p.First("bacapp.segmented_request")), 0);
        Expect(problems, "max APDU code", Number(p.First("bacapp.max_adpu_size")), c.maxApdu);
        Expect(problems, "invoke ID", p.Has("bacapp.invoke_id") ? Number(p.First("bacapp.invoke_id")) : -1,
               c.invokeID);
        Expect(problems, "service", Number(p.First("bacapp.confirmed_service")), c.service);
    } else if (c.pduType == 2) {
        Expect(problems, "invoke ID", p.Has("bacapp.invoke_id") ? Number(p.First("bacapp.invoke_id")) : -1,
               c.invokeID);
        Expect(problems, "service", Number(p.First("bacapp.confirmed_service")), c.service);
    } else {
        Expect(problems, "service", Number(p.First("bacapp.unconfirmed_service")), c.service);
    }

    // Identifiers, in order.
    const std::vector<std::string> types = p.All("bacapp.objectType");
    const std::vector<std::string> instances = p.All("bacapp.instance_number");
    std::string got, want;
    for (size_t i = 0; i < types.size(); i++)
        got += " " + std::to_string(Number(types[i])) + "," +
               (i < instances.size() ? std::to_string(Number(instances[i])) : "?");
    for (const ObjRef& o : c.objects)
        want += " " + std::to_string(o.type) + "," + std::to_string(o.instance);
    if (got != want)
        problems.push_back("object identifiers: tshark shows [" + got + " ], built [" + want + " ]");
    got.clear();
    want.clear();
    for (const std::string& s : p.All("bacapp.property_identifier"))
        got += " " + std::to_string(Number(s));
    for (unsigned id : c.properties)
        want += " " + std::to_string(id);
    if (got != want)
        problems.push_back("property identifiers: tshark shows [" + got + " ], built [" + want + " ]");

    // Every octet of the APDU is shown by some item of the dissector's tree,
    // and every opening tag is closed by a closing tag of its number. tshark
    // consumes the closing tag that ends a list of property values without
    // an item of its own: an octet no item shows must be exactly the closing
    // tag of the innermost tag still open.
    const PdmlField* app = p.Proto("bacapp");
    const PdmlField* udp = p.Proto("udp");
    const PdmlField* net = p.Proto("bacnet");
    if (!app || !udp || !net) {
        problems.push_back("no application layer in the tree");
    } else {
        const int frameEnd = udp->pos + 8 + udpPayload;
        const int apduStart = net->pos + net->size;
        if (app->pos != apduStart || app->pos + app->size != frameEnd)
            problems.push_back("the APDU is octets " + std::to_string(app->pos) + ".." +
                               std::to_string(app->pos + app->size - 1) + " in the tree, " +
                               std::to_string(apduStart) + ".." + std::to_string(frameEnd - 1) + " in the frame");
        std::vector<char> covered(frameEnd > apduStart ? frameEnd - apduStart : 0, 0);
        std::vector<int> openAt(covered.size(), -1), closeAt(covered.size(), -1);
        std::vector<const PdmlField*> parents;
        for (const PdmlField& f : p.fields) {
            if (f.proto != "bacapp")
                continue;
            parents.resize(std::min<size_t>(parents.size(), f.depth));
            const PdmlField* parent = parents.empty() ? nullptr : parents.back();
            parents.push_back(&f);
            if (f.depth == 0 || f.name.compare(0, 4, "_ws.") == 0)
                continue;
            int pos = f.pos;
            // tshark 4.0 places the header items of a character string at
            // the string's own offset added twice: past their parent.
            if (parent && parent->depth > 0 && pos >= parent->pos + parent->size && pos - parent->pos >= apduStart)
                pos -= parent->pos;
            for (int i = std::max(pos, apduStart); i < std::min(pos + f.size, frameEnd); i++)
                covered[i - apduStart] = 1;
            if (f.name.empty() && f.size == 1 && pos >= apduStart && pos < frameEnd) {
                const int number = atoi(f.show.c_str() + std::min<size_t>(2, f.show.size()));
                if (f.show.compare(0, 2, "{[") == 0)
                    openAt[pos - apduStart] = number;
                else if (f.show.compare(0, 2, "}[") == 0)
                    closeAt[pos - apduStart] = number;
            }
        }
        const int npduStart = frameEnd - static_cast<int>(c.npdu.size());
        std::vector<int> open;
        for (int i = apduStart; i < frameEnd; i++) {
            const int k = i - apduStart;
            const unsigned char octet = c.npdu[i - npduStart];
            if (openAt[k] >= 0) {
                open.push_back(openAt[k]);
            } else if (closeAt[k] >= 0) {
                if (open.empty() || open.back() != closeAt[k])
                    problems.push_back("closing tag " + std::to_string(closeAt[k]) + " at octet " +
                                       std::to_string(i) + " without its opening tag");
                else
                    open.pop_back();
            } else if (!covered[k]) {
                if (!open.empty() && open.back() < 15 && octet == ((open.back() << 4) | 0x0F))
                    open.pop_back();
                else
                    problems.push_back("octet " + std::to_string(i) + " (" + HexOf(Bytes{octet}) +
                                       ") is not shown by the tree");
            }
        }
        for (int o : open)
            problems.push_back("opening tag " + std::to_string(o) + " never closed");
    }

    // Values, in order.
    size_t k = 0;
    for (const PdmlField& f : p.fields) {
        if (k < c.texts.size() && f.proto == "bacapp" && f.Text().find(c.texts[k]) != std::string::npos)
            k++;
    }
    if (k < c.texts.size())
        problems.push_back("value not shown by tshark: \"" + c.texts[k] + "\"");

    // Octets pinned down where the library deliberately differs from usual practice.
    if (!c.tail.empty()) {
        const std::string hex = HexOf(c.npdu);
        if (hex.size() < c.tail.size() || hex.compare(hex.size() - c.tail.size(), c.tail.size(), c.tail) != 0)
            problems.push_back("frame does not end with " + c.tail + " (" + hex + ")");
        else if (!c.why.empty())
            notes.push_back("deliberate: " + c.why);
    }
    return problems;
}

// The NPDU behind the Original-Unicast- or Original-Broadcast-NPDU header the
// library's BVLC codec writes.
Bytes LibraryBvlc(const Bytes& npdu, bool broadcast)
{
    CBACnetBVLC bvlc;
    bvlc.m_function = broadcast ? CBACnetBVLC::ORIGINAL_BROADCAST : CBACnetBVLC::ORIGINAL_UNICAST;
    bvlc.m_npdu = npdu.data();
    bvlc.m_npduLength = static_cast<int>(npdu.size());
    Bytes out(npdu.size() + CBACnetBVLC::HEADER);
    int len = 0;
    if (!bvlc.MakeFrame(out.data(), len, static_cast<int>(out.size())))
        return WrapBvlc(npdu, broadcast);  // too long for the codec: the case's checks say so
    return out;
}

__time32_t FixedClock()
{
    return 1796360409;  // Friday 4 December 2026 05:00:09 UTC
}

}  // namespace

int main(int argc, char** argv)
{
    std::string tshark = "tshark", pcap = "interop-wire.pcap", keepPdml;
    bool verbose = false;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        if (a == "--tshark" && i + 1 < argc)
            tshark = argv[++i];
        else if (a == "--pcap" && i + 1 < argc)
            pcap = argv[++i];
        else if (a == "--keep-pdml" && i + 1 < argc)
            keepPdml = argv[++i];
        else if (a == "--verbose")
            verbose = true;
        else {
            fprintf(stderr, "usage: %s [--tshark PATH] [--pcap FILE] [--keep-pdml FILE] [--verbose]\n", argv[0]);
            return 2;
        }
    }

    // Dated frames on a date the expectations name.
    setenv("TZ", "UTC", 1);
    tzset();
    HostSetClock(FixedClock);

    // The installed tshark knows every field the checks read.
    std::string fields;
    int status = 0;
    std::string error;
    if (!RunProgram({tshark, "-G", "fields"}, std::chrono::seconds(60), fields, &status, &error) || status != 0) {
        fprintf(stderr, "tshark -G fields failed: %s (status %d)\n", error.c_str(), status);
        printf("wire: 0 passed, 1 failed\n");
        return 1;
    }
    for (const char* field : kFields) {
        if (fields.find(std::string("\t") + field + "\t") == std::string::npos &&
            fields.find(std::string("\t") + field + "\n") == std::string::npos) {
            fprintf(stderr, "this tshark has no field %s\n", field);
            printf("wire: 0 passed, 1 failed\n");
            return 1;
        }
    }

    Cases cases;
    cases.Build();

    PcapWriter writer;
    writer.Open(pcap, &error);
    std::vector<int> payloads;
    for (const WireCase& c : cases.list) {
        const Bytes datagram = c.datagram.empty() ? LibraryBvlc(c.npdu, c.broadcast) : c.datagram;
        payloads.push_back(static_cast<int>(datagram.size()));
        writer.AddUdp(Ipv4(127, 0, 0, 1), kBacnetPort, c.broadcast ? Ipv4(127, 255, 255, 255) : Ipv4(127, 0, 0, 2),
                      kBacnetPort, datagram);
    }
    if (!writer.Close(&error)) {
        fprintf(stderr, "%s\n", error.c_str());
        printf("wire: 0 passed, %zu failed\n", cases.list.size());
        return 1;
    }

    std::string pdml;
    // -n: no name look-ups.
    if (!RunProgram({tshark, "-n", "-r", pcap, "-T", "pdml"}, std::chrono::seconds(120), pdml, &status, &error) ||
        status != 0) {
        fprintf(stderr, "tshark failed: %s (status %d)\n", error.c_str(), status);
        printf("wire: 0 passed, %zu failed\n", cases.list.size());
        return 1;
    }
    if (!keepPdml.empty()) {
        if (FILE* f = fopen(keepPdml.c_str(), "w")) {
            fwrite(pdml.data(), 1, pdml.size(), f);
            fclose(f);
        }
    }
    std::vector<PdmlPacket> packets;
    if (!ParsePdml(pdml, packets, &error) || packets.size() != cases.list.size()) {
        fprintf(stderr, "tshark's output: %s (%zu packets for %zu frames)\n", error.c_str(), packets.size(),
                cases.list.size());
        printf("wire: 0 passed, %zu failed\n", cases.list.size());
        return 1;
    }

    int passed = 0, failed = 0;
    for (size_t i = 0; i < cases.list.size(); i++) {
        const WireCase& c = cases.list[i];
        std::vector<std::string> notes;
        const std::vector<std::string> problems = Check(c, packets[i], payloads[i], notes);
        if (c.negative) {
            if (problems.empty()) {
                failed++;
                printf("FAIL  %2zu %s: the checks did not reject it\n", i + 1, c.name.c_str());
            } else {
                passed++;
                printf("ok    %2zu %s (rejected: %s)\n", i + 1, c.name.c_str(), problems.front().c_str());
            }
            continue;
        }
        if (problems.empty()) {
            passed++;
            printf("ok    %2zu %s\n", i + 1, c.name.c_str());
        } else {
            failed++;
            printf("FAIL  %2zu %s\n      frame %s\n", i + 1, c.name.c_str(), HexOf(c.npdu).c_str());
            for (const std::string& p : problems)
                printf("      - %s\n", p.c_str());
        }
        if (verbose || !problems.empty())
            for (const std::string& n : notes)
                printf("      note: %s\n", n.c_str());
    }
    printf("wire: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

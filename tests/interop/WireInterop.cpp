// Every request frame the library builds, dissected by Wireshark's BACnet
// dissector (tshark): the frames go out in BACnet/IP and UDP/IPv4 between
// loopback addresses, into a capture file, and tshark's tree for each must
// show no malformed packet and no expert item, account for every octet of
// the APDU, balance its opening and closing tags, and name the service,
// invoke ID, network header, object identifiers, property identifiers and
// values that were built. Negative controls (spoiled frames, wrong
// expectations) must be rejected, so the checks are known to bite.
//
//     interop_wire --tshark /usr/bin/tshark --pcap out.pcap [--keep-pdml out.pdml]
#include <bacnetcodec/bacnetcodec.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Interop.h"

namespace {

// The device a request goes to: on the local network, or behind a router
// with a 6-octet BACnet/IP MAC on network 5 or a 1-octet MS/TP MAC on 2001;
// or every device, by a global broadcast.
enum Where { kLocal, kIp, kMstp, kGlobal };

constexpr int kReturned = -2;  // the invoke ID the library returned for the frame

// What one frame must look like in tshark's tree. Every expectation is stated
// from the inputs the test gave the library, never read back from the frame.
struct WireCase {
    std::string name;
    Bytes npdu;      // what the library wrote
    Bytes datagram;  // a link message the library built whole (npdu: the one it carries)
    bool broadcast = false;
    // Header fields by their names in tshark's tree; -1: the field is absent.
    std::map<std::string, long> shows;
    std::string dadr;                  // hex, e.g. "7f000001bac1"
    std::string ids;                   // " 2:1 85": the object, then the property identifiers, in order
    std::vector<std::string> texts;    // tree lines that must appear, in this order
    std::string tail;                  // octets the frame must end with
    std::string setupError;            // the library refused to build the request
    bool negative = false;             // a spoiled copy the checks must reject
    std::vector<long> networks;        // those a network layer message lists
    int bvlcFunction = -1;  // a link message and its fields ("bvlc.reg_ttl=600"), in order
    std::vector<std::string> bvlcFields;
};

// The fields whose absence no expectation would notice: a tshark that
// renamed one would pass every frame. A renamed field the cases expect fails
// every case that names it.
const char* const kFields[] = {"_ws.expert", "_ws.expert.message", "_ws.malformed"};

// ---------------------------------------------------------------------------
// The headers tshark must show.

// A request to `where`; `reply` sets expecting-reply and, for a confirmed
// request, segmented-response-accepted.
WireCase Request(int pduType, int service, Where where, bool reply, int invoke = -1, int maxApdu = -1)
{
    WireCase c;
    const bool routed = where != kLocal;
    c.broadcast = where == kGlobal;
    c.shows = {{"bacnet.version", 1},
               {"bacnet.control", (routed ? 0x20 : 0) | (reply ? 0x04 : 0)},
               {"bacnet.dnet", !routed ? -1 : where == kIp ? 5 : where == kMstp ? 2001 : 0xFFFF},
               {"bacnet.dlen", !routed ? -1 : where == kIp ? 6 : where == kMstp ? 1 : 0},
               {"bacnet.hopc", routed ? 255 : -1},
               {"bacapp.type", pduType},
               {pduType == 1 ? "bacapp.unconfirmed_service" : "bacapp.confirmed_service", service},
               {"bacapp.invoke_id", invoke}};
    if (pduType == 0)
        c.shows.insert({{"bacapp.SA", reply ? 1 : 0}, {"bacapp.segmented_request", 0},
                        {"bacapp.max_adpu_size", maxApdu}});
    c.dadr = where == kIp ? "7f000001bac1" : where == kMstp ? "1a" : "";
    return c;
}

WireCase Conf(int service, Where where = kLocal, int invoke = kReturned, int maxApdu = 5)
{
    return Request(0, service, where, true, invoke, maxApdu);
}

WireCase Bcast(int service)
{
    return Request(1, service, kGlobal, false);
}

WireCase NetMessage(int type, std::vector<long> networks)
{
    WireCase c;
    c.broadcast = true;
    c.shows = {{"bacnet.version", 1}, {"bacnet.control", 0x80}, {"bacnet.mesgtyp", type}};
    c.networks = networks;
    return c;
}

// ---------------------------------------------------------------------------
// Frames as a driver builds them.

unsigned char g_buf[2048];
int g_invoke = -1;         // what the library returned for the last frame
std::string g_setupError;  // what it refused while building it
std::vector<WireCase> g_cases;

Bytes Out(int len, int invoke = -1)
{
    g_invoke = invoke;
    return Bytes(g_buf, g_buf + len);
}

// The frame the library just built, held to what tshark must show: `ids`
// lists the object identifiers ("2:1"), then the property identifiers
// ("85"), each in order; `tail` pins the last octets where the library deliberately
// differs from usual practice.
void Add(const char* name, Bytes npdu, WireCase c, const char* ids, std::vector<std::string> texts = {},
         const char* tail = "")
{
    c.name = name;
    c.npdu = npdu;
    c.setupError.swap(g_setupError);
    for (auto& f : c.shows)
        f.second = f.second == kReturned ? g_invoke : f.second;
    c.ids = *ids ? std::string(" ") + ids : "";
    c.texts = texts;
    c.tail = tail;
    g_cases.push_back(c);
}

const _BACnetObjectID kSchedule{17, 1};

// How tshark shows array index `n`.
std::string Index(int n)
{
    return "property Array Index (Unsigned) " + std::to_string(n);
}

// The record of device 1001 at `where`, as discovery leaves it.
std::unique_ptr<CBACnetOBJ> Device(Where where, unsigned short maxAPDU = 1400)
{
    static const unsigned char kIpMac[6] = {0x7F, 0x00, 0x00, 0x01, 0xBA, 0xC1}, kMstpMac = 0x1A;  // 127.0.0.1:47809
    std::unique_ptr<CBACnetOBJ> d(new CBACnetOBJ);
    d->m_objectID = _BACnetObjectID(8, 1001);
    d->m_maxAPDU = maxAPDU;
    auto& a = d->m_address;
    if (where != kLocal) {
        a.m_network[0] = where == kIp ? 0x00 : 0x07;
        a.m_network[1] = where == kIp ? 0x05 : 0xD1;
        a.m_macLength = where == kIp ? 6 : 1;
        memcpy(a.m_mac, where == kIp ? kIpMac : &kMstpMac, a.m_macLength);
    }
    return d;
}

constexpr DWORD Date(int year, int month, int day, int weekday)
{
    return DWORD(year - 1900) << 24 | DWORD(month) << 16 | DWORD(day) << 8 | DWORD(weekday);
}

constexpr DWORD Time(int hour, int minute, int second = 0)
{
    return DWORD(hour) << 24 | DWORD(minute) << 16 | DWORD(second) << 8;
}

// A codec for one object's property, element `index`.
template <class Codec>
Codec&& At(Codec&& c, _BACnetObjectID obj, unsigned char index = CBACnetPropertyID::NO_ARRAY_INDEX)
{
    c.m_objectID = obj;
    c.m_arrayIndex = index;
    return std::forward<Codec>(c);
}

// The frame a service just built into g_buf, with the invoke ID it returned.
template <class Service, class... Args>
Bytes Made(Service&& s, Args&&... args)
{
    int len = 0, id = -1;
    if constexpr (std::is_void_v<decltype(s.MakeFrame(g_buf, len, args...))>)
        s.MakeFrame(g_buf, len, args...);
    else
        id = s.MakeFrame(g_buf, len, args...);
    return Out(len, id);
}

// A ReadProperty or WriteProperty of one codec.
template <class Service = CBACnetWritePropertyService, class Codec>
Bytes Prop(Codec&& prop, Where where = kLocal)
{
    return Made(Service(), Device(where).get(), &prop);
}

// WritePropertyMultiple: the caller writes each object identifier before its codec.
Bytes WriteMulti(std::vector<std::pair<_BACnetObjectID, CBACnetPropertyID*>> writes)
{
    CBACnetWriteMultiService s;
    int len = 0;
    const int id = s.MakeHeaderFrame(g_buf, len, Device(kLocal).get());
    for (auto& w : writes) {
        ObjectID(g_buf, len, w.first);
        s.MakeFrame(g_buf, len, w.second);
    }
    return Out(len, id);
}

// A host tag bound by property name, as a driver binds it.
std::unique_ptr<CBACnetObjTypes> Bound(_BACnetObjectID obj, const wchar_t* property, unsigned short hostType,
                                       unsigned short& sub)
{
    std::unique_ptr<CBACnetObjTypes> tag(new CBACnetObjTypes(obj));
    CString text(property);
    if (!tag->CreateProperty(text, sub, hostType))
        g_setupError += "CreateProperty refused " + HostWideToAnsi(property, wcslen(property)) + "; ";
    return tag;
}

// Every host-value write carries the same invoke ID (the cases expect it).
Bytes WriteHost(_BACnetObjectID obj, const wchar_t* property, unsigned short hostType, CTagVal value,
                unsigned short priority, Where where = kLocal)
{
    unsigned short sub = 0;
    auto tag = Bound(obj, property, hostType, sub);
    return Made(CBACnetWritePropertyService(), Device(where).get(), tag.get(), value, hostType, sub, priority);
}

Bytes WhoHas(Where where)
{
    auto dev = Device(where);
    dev->m_objectID = _BACnetObjectID(0, 42);
    return Made(CBACnetWhoHasService(), dev.get());
}

// A confirmed subscription without end, or its cancellation.
Bytes SubscribeCov(bool cancel)
{
    CBACnetSubscribeCOVService s;
    s.m_processID = 18;
    s.m_objectID = _BACnetObjectID(0, 10);
    s.m_cancel = cancel;
    s.m_issueConfirmed = !cancel;
    s.m_lifetime = 0;
    return Made(s, Device(kLocal).get());
}

Bytes SubscribeCovProperty(_BACnetObjectID obj, int confirmed, DWORD lifetime, unsigned property, DWORD index)
{
    CBACnetSubscribeCOVPropertyService s;
    s.m_processID = 7;
    s.m_objectID = obj;
    s.m_issueConfirmed = confirmed;
    s.m_lifetime = lifetime;
    s.m_propertyID = property;
    s.m_arrayIndex = index;
    s.m_hasIncrement = index == CBACnetSubscribeCOVPropertyService::NO_ARRAY_INDEX;
    s.m_covIncrement = 0.5f;
    return Made(s, Device(kLocal).get());
}

// What a simulated device notifies: a Real present value and status flags
// in alarm; unconfirmed, a multi-state input's state 3 at priority 8.
Bytes Notification(bool confirmed)
{
    CBACnetConfirmedCOVNotifyService c;
    CBACnetCOVNotifyService u;
    CBACnetCOVNotification& n = confirmed ? static_cast<CBACnetCOVNotification&>(c) : u;
    n.m_processID = 18;
    n.m_deviceID = _BACnetObjectID(8, 4);
    n.m_objectID = confirmed ? _BACnetObjectID(0, 10) : _BACnetObjectID(13, 2);
    n.m_timeRemaining = 300;
    n.m_values.emplace_back(85, confirmed ? CBACnetValue::Real(65.0f) : CBACnetValue::Unsigned(3));
    n.m_values[0].m_priority = confirmed ? n.m_values[0].m_priority : 8;
    n.m_values.emplace_back(111, CBACnetValue::Bits({true, false, false, false}));
    return confirmed ? Made(c, int(sizeof g_buf), Device(kMstp).get()) : Made(u, int(sizeof g_buf));
}

Bytes ReadRange(Where where, int range, DWORD reference, int32_t count, _BACnetObjectID obj = {20, 1},
                unsigned property = 131, DWORD index = CBACnetReadRangeService::NO_ARRAY_INDEX)
{
    CBACnetReadRangeService rr;
    rr.m_objectID = obj;
    rr.m_propertyID = property;
    rr.m_arrayIndex = index;
    rr.m_range = range;
    rr.m_reference = reference;
    rr.m_referenceDate = Date(2026, 12, 4, 5);
    rr.m_referenceTime = Time(5, 0, 9);
    rr.m_count = count;
    return Made(rr, Device(where).get());
}

Bytes RouterMessage(int type, std::vector<unsigned short> networks)
{
    CBACnetRouterMessage m;
    int len = 0;
    m.m_networks = networks;
    if (type == 1)
        m.MakeIAmRouterFrame(g_buf, len);
    else
        m.MakeWhoIsRouterFrame(g_buf, len, networks.empty() ? -1 : networks[0]);
    return Out(len);
}

// ---------------------------------------------------------------------------
// The cases.

void Requests()
{
    using RP = CBACnetReadPropertyService;
    Add("ReadProperty present-value of analog-input 3, local", Prop<RP>(At(CBACnetPresentvalue(), {0, 3})),
        Conf(12), "0:3 85");
    Add("ReadProperty object-list[0] (object list codec), routed to a BACnet/IP MAC",
        Prop<RP>(At(CBACnetObjectList(), {8, 1001}, 0), kIp), Conf(12, kIp), "8:1001 76", {Index(0)});

    CBACnetObjectDesc desc;
    desc.m_description = L"Supply air temperature after the heating coil";
    Add("WriteProperty description (description codec), routed", Prop(At(desc, {2, 1}), kIp), Conf(15, kIp),
        "2:1 28", {"Supply air temperature after the heating coil"});
    CBACnetWeekSchedule week;
    week.m_objectID = kSchedule;
    for (int day = 0; day < 5; day++) {  // working days on at 07:30 and off at 18:00
        week.m_dayLists[day].Add(new _BACnetTimeValue(Time(7, 30), 1));
        week.m_dayLists[day].Add(new _BACnetTimeValue(Time(18, 0), 0));
    }
    Add("WriteProperty weekly-schedule, all days (week codec)", Prop(week), Conf(15), "17:1 123",
        {"07:30:00", "18:00:00"});
    week.m_arrayIndex = 3;
    Add("WriteProperty weekly-schedule[3] (week codec), array index", Prop(week), Conf(15), "17:1 123",
        {Index(3), "07:30:00", "18:00:00"});
    // One special event of each period kind, each on at 08:00: a date, a date
    // range, the fourth Thursday of November and calendar 4.
    CBACnetExpSchedule exp;
    exp.m_objectID = kSchedule;
    for (int i = 0; i < 4; i++) {
        _BACnetSpecialEvent* e = new _BACnetSpecialEvent;
        const int entries[] = {_BACnetSpecialEvent::ENTRY_DATE, _BACnetSpecialEvent::ENTRY_DATE_RANGE,
                               _BACnetSpecialEvent::ENTRY_WEEK_N_DAY, 0};
        const unsigned char priorities[] = {3, 5, 10, 16};
        e->m_periodChoice = i < 3 ? _BACnetSpecialEvent::PERIOD_CALENDAR_ENTRY
                                  : _BACnetSpecialEvent::PERIOD_CALENDAR_REFERENCE;
        e->m_calendarEntryChoice = entries[i];
        e->m_eventPriority = priorities[i];
        e->m_date = Date(2026, 12, 24, 4);
        e->m_startDate = Date(2026, 7, 20, 1);
        e->m_endDate = Date(2026, 8, 14, 5);
        e->m_weekNDay[0] = 11;
        e->m_weekNDay[1] = 4;
        e->m_weekNDay[2] = 4;
        e->m_calendarID = _BACnetObjectID(6, 4);
        e->m_timeValues.Add(new _BACnetTimeValue(Time(8, 0), 1));
        exp.m_specialEvents.Add(e);
    }
    Add("WriteProperty exception-schedule (exception codec), every period kind", Prop(exp), Conf(15),
        "17:1 6:4 38", {"December 24, 2026", "July 20, 2026", "August 14, 2026", "08:00:00"});
    CBACnetDateRange period;
    period.m_startDate = Date(2026, 1, 1, 4);
    period.m_endDate = Date(2026, 12, 31, 4);
    Add("WriteProperty effective-period (date range codec)", Prop(At(period, kSchedule)), Conf(15), "17:1 32",
        {"January 1, 2026", "December 31, 2026"});
    CBACnetObjPropertyRef refs;
    refs.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(2, 1), 85));
    refs.m_references.Add(new _BACnetPropertyRef(_BACnetObjectID(5, 7), 85));
    Add("WriteProperty list-of-object-property-references (reference codec)", Prop(At(refs, kSchedule)), Conf(15),
        "17:1 2:1 5:7 54 85 85");
    // A codec without an encoder leaves the value empty; a device will refuse such a write.
    Add("WriteProperty with a read-only codec (object list)", Prop(At(CBACnetObjectList(), {8, 1001})), Conf(15),
        "8:1001 76", {}, "3E 3F");
    int len = 0;
    const int id = CBACnetWritePropertyService().MakeScheduleArySize(g_buf, len, Device(kLocal).get(), &exp);
    Add("WriteProperty exception-schedule[0] = 4 (schedule array size)", Out(len, id), Conf(15), "17:1 38",
        {Index(0), "(Unsigned) 4"});

    const int host = CBACnetWritePropertyService::HOST_VALUE_INVOKE_ID;
    Add("WriteProperty host value active to binary-output 2 at priority 16, routed",
        WriteHost({4, 2}, L"PresentValue", 4, Val(1), 16, kMstp), Conf(15, kMstp, host), "4:2 85",
        {"Present Value (enum index): 1", "Priority: (Unsigned) 16"});
    // No priority below 1 or above 16: the value ends the frame.
    Add("WriteProperty host value without priority (17)", WriteHost({5, 3}, L"PresentValue", 4, Val(0), 17),
        Conf(15, kLocal, host), "5:3 85", {}, "3E 91 00 3F");
    Add("WriteProperty host value to priority-array[8] of analog-output 3 (array index)",
        WriteHost({1, 3}, L"priorityarray[8]", 12, Val(55.0f), 0), Conf(15, kLocal, host), "1:3 87",
        {Index(8), "55"});
    Add("WriteProperty Null to priority-array[300] (two-octet array index)",
        WriteHost({1, 3}, L"priorityarray[300]", 4, Val(-1), 0), Conf(15, kLocal, host), "1:3 87",
        {Index(300), "NULL"});
    // Instance bits 16 to 21 are cleared by the type remapping.
    Add("WriteProperty present-value of Accumulator 0x3F0007 (type 20 as 23)",
        WriteHost({20, 0x3F0007}, L"PresentValue", 4, Val(1000), 0), Conf(15, kLocal, host), "23:7 85", {"1000"});
    // A host text is sent with its terminating 0 octet inside the character string.
    Add("WriteProperty host text to description", WriteHost({2, 1}, L"Description", 14, Val(L"Hall"), 0),
        Conf(15, kLocal, host), "2:1 28", {}, "3E 75 06 00 48 61 6C 6C 00 3F");

    // Eight bound tags in one request to a routed device that takes at most
    // 480 octets: array indexes, two-octet identifiers, types 18 to 20.
    const struct {
        _BACnetObjectID obj;
        const wchar_t* property;
    } entries[] = {{{0, 0}, L"PresentValue"},     {{2, 1}, L"ObjectName"},      {{1, 3}, L"priorityarray[8]"},
                   {{1, 3}, L"priorityarray[300]"}, {{18, 5}, L"Zone_Temp_Value"}, {{19, 6}, L"PresentValue"},
                   {{20, 0x3F0007}, L"PresentValue"}, {{16, 1}, L"User1"}};
    std::vector<std::unique_ptr<CBACnetObjTypes>> tags;
    unsigned short sub = 0;
    for (const auto& e : entries)
        tags.push_back(Bound(e.obj, e.property, 4, sub));
    CBACnetReadMultiService rpm(0);
    len = 0;
    rpm.MakeHeaderFrame(len, Device(kIp, 480).get(), 0);
    for (int i = 0; i < static_cast<int>(tags.size()); i++)
        if (!rpm.MakeBodyFrame(len, tags[i].get(), i))
            break;
    memcpy(g_buf, rpm.m_frame, rpm.m_frameLength);
    const char* const eight = "0:0 2:1 1:3 1:3 151:5 152:6 23:7 16:1 85 77 87 87 1832 85 85 2500";
    Add("ReadPropertyMultiple of eight bound tags (indexes, two-octet ids, types 18-20), routed, max APDU 480",
        Out(rpm.m_frameLength, rpm.m_invokeID), Conf(14, kIp, kReturned, 3), eight, {Index(8), Index(300)});
    // The header alone, the body written by the caller: weekly and exception
    // schedule of one Schedule object.
    len = 0;
    const int scheduleID = CBACnetReadMultiService().MakeSchedueHeader(g_buf, len, Device(kLocal).get());
    CBACnetTag tag;
    ObjectID(g_buf, len, kSchedule);
    tag.MakeProgramFrame(g_buf, len, 1, 1);
    unsigned char weekly = 123, exceptions = 38;
    tag.MakeArrayFrame(g_buf, len, CBACnetTag::CLASS_CONTEXT, 0, 1, &weekly);
    tag.MakeArrayFrame(g_buf, len, CBACnetTag::CLASS_CONTEXT, 0, 1, &exceptions);
    tag.MakeProgramFrame(g_buf, len, 1, 0);
    Add("ReadPropertyMultiple header alone + caller's schedule body", Out(len, scheduleID), Conf(14), "17:1 123 38");

    // The codec is asked for the whole value whatever the index: the element
    // carries all seven day lists, which tshark labels from the index on.
    week.m_arrayIndex = 5;
    Add("WritePropertyMultiple weekly-schedule[5] (week codec), array index", WriteMulti({{kSchedule, &week}}),
        Conf(16), "17:1 123", {Index(5), "Friday", "07:30:00", "Saturday", "Sunday"}, "0E 0F 0E 0F 2F 1F");
    CBACnetObjectName zone1, zone2;
    zone1.m_name = L"Zone 1";
    zone2.m_name = L"Zone 2";
    CBACnetSchPriority prio;
    prio.m_priority = 8;
    Add("WritePropertyMultiple of three objects",
        WriteMulti({{{2, 11}, &zone1}, {{2, 12}, &zone2}, {kSchedule, &At(prio, kSchedule)}}), Conf(16),
        "2:11 2:12 17:1 77 77 88", {"Zone 1", "Zone 2", "(Unsigned) 8"});

    // Create and delete go without the expecting-reply and segmented-response
    // flags: the library decodes no acknowledgement parameters for them.
    _BACnetObjectID created(2, 10), deleted(2, 7);
    Add("CreateObject analog-value 10", Made(CBACnetCreateObjService(), Device(kLocal).get(), created),
        Request(0, 10, kLocal, false, kReturned, 5), "2:10", {}, "0E 1C 00 80 00 0A 0F");
    Add("DeleteObject analog-value 7, routed", Made(CBACnetDeleteObjService(), Device(kIp).get(), deleted),
        Request(0, 11, kIp, false, kReturned, 5), "2:7", {}, "C4 00 80 00 07");

    Add("Who-Is, global broadcast, no range", Made(CBACnetWhoIsService()), Bcast(8), "");
    Add("Who-Has analog-input 42, global broadcast", WhoHas(kLocal), Bcast(7), "0:42");
    Add("Who-Has analog-input 42, directed to a remote network", WhoHas(kIp), Request(1, 7, kIp, false), "0:42");
    Add("TimeSynchronization, Friday 4 December 2026 05:00:09", Made(CBACnetTimeSyncService()), Bcast(6), "",
        {"December 4, 2026, (Day of Week = Friday)", "05:00:09"}, "A4 7E 0C 04 05 B4 05 00 09 00");

    Add("SubscribeCOV analog-input 10, confirmed, no end", SubscribeCov(false), Conf(5), "0:10",
        {"subscriber Process Id: (Unsigned) 18", "issue Confirmed Notifications: TRUE",
         "life time (hh.mm.ss): 0.00.00 (indefinite)"});
    Add("SubscribeCOV cancellation", SubscribeCov(true), Conf(5), "0:10", {"subscriber Process Id: (Unsigned) 18"},
        "1C 00 00 00 0A");  // nothing after the monitored object
    Add("SubscribeCOVProperty present-value of analog-value 1, COV increment 0.5",
        SubscribeCovProperty({2, 1}, 1, 60, 85, CBACnetSubscribeCOVPropertyService::NO_ARRAY_INDEX), Conf(28),
        "2:1 85", {"subscriber Process Id: (Unsigned) 7", "issue Confirmed Notifications: TRUE",
                   "life time (hh.mm.ss): 0.01.00", "COV Increment: 0.500000"},
        "4E 09 55 4F 5C 3F 00 00 00");  // no array index, then the increment
    Add("SubscribeCOVProperty priority-array[8] of analog-output 3, no increment",
        SubscribeCovProperty({1, 3}, 0, 3600, 87, 8), Conf(28), "1:3 87",
        {"issue Confirmed Notifications: FALSE", "life time (hh.mm.ss): 1.00.00", Index(8)},
        "4E 09 57 19 08 4F");  // the index, and nothing after the reference
    Add("ConfirmedCOVNotification analog-input 10: 65.0, in alarm, routed", Notification(true), Conf(1, kMstp),
        "8:4 0:10 85 111", {"ProcessIdentifier: 18", "(hh.mm.ss): 0.05.00", "Present Value (real): 65",
                            "in-alarm = TRUE", "fault = FALSE"});
    Add("UnconfirmedCOVNotification multi-state-input 2: state 3 at priority 8", Notification(false),
        Request(1, 2, kLocal, false), "8:4 13:2 85 111",
        {"ProcessIdentifier: 18", "3", "Priority: (Unsigned) 8", "in-alarm = TRUE"});
    len = 0;
    CBACnetConfirmedCOVNotifyService::MakeAckFrame(g_buf, len, Device(kMstp).get(), 77);
    Add("Simple-ACK of a ConfirmedCOVNotification, invoke ID 77, routed", Out(len), Request(2, 1, kMstp, false, 77),
        "");

    using RR = CBACnetReadRangeService;
    Add("ReadRange log-buffer of trend-log 1, whole buffer", ReadRange(kLocal, RR::RANGE_NONE, 0, 0), Conf(26),
        "20:1 131", {}, "19 83");  // nothing after the property
    Add("ReadRange by sequence number: 5 before 1000, routed", ReadRange(kIp, RR::RANGE_BY_SEQUENCE_NUMBER, 1000, -5),
        Conf(26, kIp), "20:1 131", {"range bySequenceNumber", "(Unsigned) 1000", "reference Count: (Signed) -5"});
    Add("ReadRange by time: 300 before 4 December 2026 05:00:09, routed",
        ReadRange(kMstp, RR::RANGE_BY_TIME, 0, -300), Conf(26, kMstp), "20:1 131",
        {"range byTime", "December 4, 2026", "05:00:09", "reference Count: (Signed) -300"});
    Add("ReadRange object-list of device 1001 by position, 50 from 300",
        ReadRange(kLocal, RR::RANGE_BY_POSITION, 300, 50, {8, 1001}, 76, 0), Conf(26), "8:1001 76",
        {Index(0), "reference Index: (Unsigned) 300", "reference Count: (Signed) 50"});

    Add("Who-Is-Router-To-Network, any network", RouterMessage(0, {}), NetMessage(0, {}), "");
    Add("Who-Is-Router-To-Network for network 2001", RouterMessage(0, {2001}), NetMessage(0, {2001}), "");
    Add("I-Am-Router-To-Network for 5, 2001 and 65534", RouterMessage(1, {5, 2001, 65534}),
        NetMessage(1, {5, 2001, 65534}), "");
}

// The link layer messages, each built whole by the library's BVLC codec from
// the same fields (each function takes its own); the NPDU of those that
// carry one is a Who-Is, checked as any other.
void LinkMessages()
{
    const CBACnetBVLC::BDTEntry bdt[] = {{{10, 0, 0, 7, 0xBA, 0xC0}, {255, 255, 255, 255}},
                                         {{10, 0, 1, 9, 0xBA, 0xC1}, {255, 255, 255, 0}}};
    const std::vector<std::string> bdtFields = {"bvlc.bdt_ip=10.0.0.7", "bvlc.bdt_port=47808",
                                                "bvlc.bdt_mask=ff:ff:ff:ff", "bvlc.bdt_ip=10.0.1.9",
                                                "bvlc.bdt_port=47809", "bvlc.bdt_mask=ff:ff:ff:00"};
    const struct {
        const char* name;
        unsigned char function;
        unsigned short value;  // result code or time-to-live
        int address;           // the entry of `bdt` whose address the message names
        std::vector<std::string> fields;
    } messages[] = {
        {"BVLC-Result: Register-Foreign-Device NAK", CBACnetBVLC::RESULT,
         CBACnetBVLC::RESULT_REGISTER_FOREIGN_DEVICE_NAK, 0, {"bvlc.result=0x0030"}},
        {"Register-Foreign-Device, time-to-live 600 s", CBACnetBVLC::REGISTER_FOREIGN_DEVICE, 600, 0,
         {"bvlc.reg_ttl=600"}},
        {"Read-Broadcast-Distribution-Table", CBACnetBVLC::READ_BDT, 0, 0, {}},
        {"Read-Broadcast-Distribution-Table-Ack, two entries", CBACnetBVLC::READ_BDT_ACK, 0, 0, bdtFields},
        {"Write-Broadcast-Distribution-Table, two entries", CBACnetBVLC::WRITE_BDT, 0, 0, bdtFields},
        {"Read-Foreign-Device-Table", CBACnetBVLC::READ_FDT, 0, 0, {}},
        {"Read-Foreign-Device-Table-Ack, one entry", CBACnetBVLC::READ_FDT_ACK, 0, 0,
         {"bvlc.fdt_ip=10.0.1.9", "bvlc.fdt_port=47809", "bvlc.fdt_ttl=600", "bvlc.fdt_timeout=630"}},
        {"Delete-Foreign-Device-Table-Entry 10.0.1.9:47809", CBACnetBVLC::DELETE_FDT_ENTRY, 0, 1,
         {"bvlc.fdt_ip=10.0.1.9", "bvlc.fdt_port=47809"}},
        {"Forwarded-NPDU from 10.0.0.7:47808: Who-Is 5 to 1000", CBACnetBVLC::FORWARDED_NPDU, 0, 0,
         {"bvlc.fwd_ip=10.0.0.7", "bvlc.fwd_port=47808"}},
        {"Distribute-Broadcast-To-Network: Who-Is 5 to 1000", CBACnetBVLC::DISTRIBUTE_BROADCAST, 0, 0, {}},
    };
    const Bytes whoIs = Made(CBACnetWhoIsService(), DWORD(5), DWORD(1000));
    for (const auto& m : messages) {
        CBACnetBVLC bvlc;
        bvlc.m_function = m.function;
        bvlc.m_resultCode = bvlc.m_timeToLive = m.value;
        memcpy(bvlc.m_address, bdt[m.address].m_address, sizeof bvlc.m_address);
        bvlc.m_bdt.assign(bdt, bdt + 2);
        bvlc.m_fdt = {{{10, 0, 1, 9, 0xBA, 0xC1}, 600, 630}};
        bvlc.m_npdu = whoIs.data();
        bvlc.m_npduLength = static_cast<int>(whoIs.size());
        int len = 0;
        if (!bvlc.MakeFrame(g_buf, len, sizeof g_buf))
            g_setupError = "the BVLC codec refused to build it";
        const Bytes datagram = Out(len);
        if (CBACnetBVLC::NpduOffset(m.function) > 0)
            Add(m.name, whoIs, Bcast(8), "",
                {"Device Instance Range Low Limit: 5", "Device Instance Range High Limit: 1000"});
        else
            Add(m.name, {}, WireCase(), "");
        g_cases.back().datagram = datagram;
        g_cases.back().bvlcFunction = m.function;
        g_cases.back().bvlcFields = m.fields;
    }
}

// Negative controls, one for each kind of check: spoiled copies of good
// frames, or good frames held to a wrong expectation. Each must be rejected,
// or the checks prove nothing.
void Controls()
{
    const struct {
        const char* name;
        const char* of;  // the start of the good case's name
        void (*spoil)(WireCase&);
    } controls[] = {
        {"ReadProperty cut by its last octet", "ReadProperty present-value", [](WireCase& c) { c.npdu.pop_back(); }},
        {"ReadProperty with a stray octet after it", "ReadProperty present-value",
         [](WireCase& c) { c.npdu.push_back(0x00); }},
        {"WriteProperty without its closing tag 3", "WriteProperty description",
         [](WireCase& c) { c.npdu.pop_back(); }},
        {"WriteProperty with closing tag 2 for opening tag 3", "WriteProperty present-value of Accumulator",
         [](WireCase& c) { c.npdu.back() = 0x2F; }},
        {"ReadProperty held to another invoke ID", "ReadProperty present-value",
         [](WireCase& c) { c.shows["bacapp.invoke_id"]++; }},
        {"Accumulator write held to the unmapped type 20", "WriteProperty present-value of Accumulator",
         [](WireCase& c) { c.ids = " 20:4128775 85"; }},
        {"description write held to another text", "WriteProperty description",
         [](WireCase& c) { c.texts = {"Supply air temperature before the heating coil"}; }},
        {"I-Am-Router held to another network", "I-Am-Router-To-Network",
         [](WireCase& c) { c.networks.back() = 65533; }},
        {"Register-Foreign-Device held to another time-to-live", "Register-Foreign-Device",
         [](WireCase& c) { c.bvlcFields = {"bvlc.reg_ttl=660"}; }},
        {"Forwarded-NPDU cut by its last octet", "Forwarded-NPDU", [](WireCase& c) { c.datagram.pop_back(); }},
        {"Read-BDT-Ack held to carrying an NPDU", "Read-Broadcast-Distribution-Table-Ack",
         [](WireCase& c) { c.npdu = {0x01, 0x00}; }},
    };
    const size_t good = g_cases.size();
    for (const auto& control : controls) {
        WireCase copy;
        for (size_t i = 0; i < good; i++)
            if (g_cases[i].name.compare(0, strlen(control.of), control.of) == 0)
                copy = g_cases[i];
        copy.negative = !copy.name.empty();  // a control whose case is gone fails
        copy.name = std::string("control: ") + control.name;
        copy.tail.clear();
        control.spoil(copy);
        g_cases.push_back(copy);
    }
}

// ---------------------------------------------------------------------------
// Checking one packet of tshark's tree against its case.

using Problems = std::vector<std::string>;

long Number(const std::string& show)
{
    return strtol(show.c_str(), nullptr, 0);
}

void Expect(Problems& problems, const std::string& what, long got, long want)
{
    if (got != want)
        problems.push_back(what + ": tshark shows " + std::to_string(got) + ", built " + std::to_string(want));
}

// Every octet of the APDU, frame octets [start, end), is shown by some item of
// the dissector's tree, and every opening tag is closed by a closing tag of its
// number. tshark consumes the closing tag that ends a list of property values
// without an item of its own: an octet no item shows must be exactly the
// closing tag of the innermost tag still open.
void CheckCoverage(const WireCase& c, const PdmlPacket& p, int start, int end, Problems& problems)
{
    const int n = std::min(std::max(end - start, 0), static_cast<int>(c.npdu.size()));
    std::vector<char> covered(n, 0);
    std::vector<int> openAt(n, -1), closeAt(n, -1);
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
        // tshark 4.0 places the header items of a character string at the
        // string's own offset added twice: past their parent.
        if (parent && parent->depth > 0 && pos >= parent->pos + parent->size && pos - parent->pos >= start)
            pos -= parent->pos;
        for (int i = std::max(pos, start); i < std::min(pos + f.size, start + n); i++)
            covered[i - start] = 1;
        const bool tag = f.name.empty() && f.size == 1 && pos >= start && pos < start + n && f.show.size() > 2;
        if (tag && f.show[1] == '[' && (f.show[0] == '{' || f.show[0] == '}'))
            (f.show[0] == '{' ? openAt : closeAt)[pos - start] = atoi(f.show.c_str() + 2);
    }
    std::vector<int> open;
    for (int k = 0; k < n; k++) {
        const unsigned char octet = c.npdu[c.npdu.size() - n + k];
        const bool closes = !open.empty() && open.back() == closeAt[k];
        if (openAt[k] >= 0)
            open.push_back(openAt[k]);
        else if (closeAt[k] >= 0 && !closes)
            problems.push_back("closing tag " + std::to_string(closeAt[k]) + " at octet " +
                               std::to_string(start + k) + " without its opening tag");
        else if (closeAt[k] >= 0 || (!covered[k] && !open.empty() && open.back() < 15 &&
                                     octet == ((open.back() << 4) | 0x0F)))
            open.pop_back();
        else if (!covered[k])
            problems.push_back("octet " + std::to_string(start + k) + " (" + ToHex(Bytes{octet}) +
                               ") is not shown by the tree");
    }
    for (int o : open)
        problems.push_back("opening tag " + std::to_string(o) + " never closed");
}

Problems Check(const WireCase& c, const PdmlPacket& p, int udpPayload)
{
    Problems problems = Flaws(p);
    if (!c.setupError.empty())
        problems.push_back(c.setupError);
    const PdmlField* udp = p.Proto("udp");
    const int end = udp ? udp->pos + 8 + udpPayload : -1;
    auto endsFrame = [&](const char* proto) {
        const PdmlField* unit = p.Proto(proto);
        return unit && unit->pos + unit->size == end;
    };
    // The layers tshark found, and which of them ends the frame: the link
    // message alone, a network layer message, or an APDU.
    const bool message = c.shows.count("bacnet.mesgtyp") > 0;
    const std::string protocols = p.First("frame.protocols");
    const std::string layers = c.npdu.empty() ? "udp:bvlc" : message ? "udp:bvlc:bacnet" : "udp:bvlc:bacnet:bacapp";
    if (protocols.size() < layers.size() || protocols.compare(protocols.size() - layers.size(), layers.size(), layers))
        problems.push_back("not dissected as " + layers + " (protocols " + protocols + ")");
    if (!endsFrame(c.npdu.empty() ? "bvlc" : message ? "bacnet" : "bacapp"))
        problems.push_back("the last layer does not end the frame");

    // BACnet/IP link header; tshark's length field names the length in its line.
    Expect(problems, "BVLC function", Number(p.First("bvlc.function")),
           c.bvlcFunction >= 0 ? c.bvlcFunction : c.broadcast ? 0x0B : 0x0A);
    long bvlcLength = -1;
    std::vector<std::string> bvlcFields;
    for (const PdmlField& f : p.fields) {
        const size_t of = f.showname.find(" of ");
        if (f.name == "bvlc.length")
            bvlcLength = of == std::string::npos ? -1 : atol(f.showname.c_str() + of + 4);
        else if (f.proto == "bvlc" && f.name.compare(0, 5, "bvlc.") == 0 && f.name != "bvlc.type" &&
                 f.name != "bvlc.function")
            bvlcFields.push_back(f.name + "=" + f.show);
    }
    Expect(problems, "BVLC length", bvlcLength, udpPayload);
    if (bvlcFields != c.bvlcFields)
        problems.push_back("BVLC fields: tshark shows " + std::to_string(bvlcFields.size()) + " that differ");
    if (c.npdu.empty())
        return problems;

    for (const auto& f : c.shows)  // -1: the tree has no such field
        Expect(problems, f.first, p.Has(f.first) ? Number(p.First(f.first)) : -1, f.second);
    if (message) {
        std::vector<long> networks;
        for (const std::string& n : p.All("bacnet.dnet"))
            networks.push_back(Number(n));
        if (networks != c.networks)
            problems.push_back("network numbers: tshark shows " + std::to_string(networks.size()) + " that differ");
        return problems;
    }
    std::string dadr;
    for (const PdmlField& f : p.fields)
        if (f.name == "bacnet.dadr_eth" || f.name == "bacnet.dadr_mstp" || f.name == "bacnet.dadr_tmp")
            dadr = f.value;
    if (dadr != c.dadr)
        problems.push_back("DADR: tshark shows '" + dadr + "', built '" + c.dadr + "'");

    // Identifiers, in order.
    const std::vector<std::string> types = p.All("bacapp.objectType"), instances = p.All("bacapp.instance_number");
    std::string ids;
    for (size_t i = 0; i < types.size(); i++)
        ids += " " + std::to_string(Number(types[i])) + ":" + (i < instances.size() ? instances[i] : "?");
    for (const std::string& s : p.All("bacapp.property_identifier"))
        ids += " " + std::to_string(Number(s));
    if (ids != c.ids)
        problems.push_back("identifiers: tshark shows [" + ids + " ], built [" + c.ids + " ]");

    const PdmlField* net = p.Proto("bacnet");
    const PdmlField* app = p.Proto("bacapp");
    if (net && app && app->pos == net->pos + net->size)
        CheckCoverage(c, p, app->pos, end, problems);
    else
        problems.push_back("the APDU does not follow the network header in the tree");

    size_t k = 0;
    for (const PdmlField& f : p.fields)
        if (k < c.texts.size() && f.proto == "bacapp" && f.Text().find(c.texts[k]) != std::string::npos)
            k++;
    if (k < c.texts.size())
        problems.push_back("value not shown by tshark: \"" + c.texts[k] + "\"");
    const std::string hex = ToHex(c.npdu);
    if (hex.size() < c.tail.size() || hex.compare(hex.size() - c.tail.size(), c.tail.size(), c.tail) != 0)
        problems.push_back("frame does not end with " + c.tail + " (" + hex + ")");
    return problems;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string tshark = Arg(argc, argv, "--tshark", "tshark");
    Tally tally("wire");
    // Dated frames on a date the expectations name.
    setenv("TZ", "UTC", 1);
    tzset();
    HostSetClock([]() -> __time32_t { return 1796360409; });  // Friday 4 December 2026 05:00:09 UTC

    // The installed tshark knows the fields that mark a bad frame.
    std::string fields, error;
    if (!RunProgram({tshark, "-G", "fields"}, std::chrono::seconds(60), fields, &error))
        return tally.Abort("tshark -G fields failed: " + error);
    for (const char* field : kFields)
        if (fields.find(std::string("\t") + field + "\t") == std::string::npos &&
            fields.find(std::string("\t") + field + "\n") == std::string::npos)
            return tally.Abort(std::string("this tshark has no field ") + field);

    Requests();
    LinkMessages();
    Controls();
    const std::vector<WireCase>& cases = g_cases;
    std::vector<Datagram> datagrams;
    for (const WireCase& c : cases)
        datagrams.push_back({c.datagram.empty() ? Bvlc(c.npdu, c.broadcast) : c.datagram, c.broadcast});
    std::vector<PdmlPacket> packets;
    if (!Dissect(tshark, Arg(argc, argv, "--pcap", "interop-wire.pcap"), datagrams, packets, &error,
                 Arg(argc, argv, "--keep-pdml")))
        return tally.Abort(error);

    for (size_t i = 0; i < cases.size(); i++) {
        const WireCase& c = cases[i];
        const std::vector<std::string> problems = Check(c, packets[i], static_cast<int>(datagrams[i].octets.size()));
        std::string detail;
        for (const std::string& p : problems)
            detail += "\n      - " + p;
        if (c.negative)
            tally.Check(c.name, !problems.empty(), problems.empty() ? "the checks did not reject it"
                                                                    : "rejected: " + problems.front());
        else
            tally.Check(c.name, problems.empty(), problems.empty() ? "" : "frame " + ToHex(c.npdu) + detail);
    }
    return tally.Close();
}

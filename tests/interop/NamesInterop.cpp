// The standard's names in the library against the value strings of
// Wireshark's BACnet dissector (`tshark -G values`), entry by entry, for every
// table both carry. Spellings are compared without case, spaces and hyphens
// ("number-of-APDU-retries" is number-of-apdu-retries). Every other
// difference is a named row below, with the reason; an unexplained one fails.
//
//     interop_names --tshark /usr/bin/tshark
#include <bacnetcodec/bacnetcodec.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Interop.h"

namespace {

// The dissector's fields and the library's table each one names.
struct Field {
    const char* field;
    int enumeration;
};
const Field kFields[] = {
    {"bacapp.objectType", BACNET_ENUM_OBJECT_TYPE},
    {"bacapp.property_identifier", BACNET_ENUM_PROPERTY_ID},
    {"bacapp.error_class", BACNET_ENUM_ERROR_CLASS},
    {"bacapp.error_code", BACNET_ENUM_ERROR_CODE},
    {"bacapp.reject_reason", BACNET_ENUM_REJECT_REASON},
    {"bacapp.abort_reason", BACNET_ENUM_ABORT_REASON},
    {"bacapp.confirmed_service", BACNET_ENUM_CONFIRMED_SERVICE},
    {"bacapp.unconfirmed_service", BACNET_ENUM_UNCONFIRMED_SERVICE},
    {"bacapp.from_state", BACNET_ENUM_EVENT_STATE},
    {"bacapp.to_state", BACNET_ENUM_EVENT_STATE},
};

// A known difference: Wireshark's text (null: it has no row) against ours
// (null: we have no row) for one value.
struct Exception {
    const char* field;
    unsigned value;
    const char* wireshark;
    const char* ours;
    const char* reason;
};

const char* const kPlural = "the standard's identifier is plural; the dissector drops the s";
const char* const kIPv4 = "the standard names the Network Port's IPv4 properties ip-...; only 407-410 and 412 "
                          "carry the bacnet-ip- prefix";
const char* const kDeleted = "no property has this number in the standard; the dissector fills the gap with a note";
const char* const kDraft = "unassigned in the standard: the global-group and structured-view properties the "
                           "dissector puts here are numbered 345-348 and 207-208";

const Exception kExceptions[] = {
    {"bacapp.property_identifier", 0, "acked-transition", "acked-transitions", kPlural},
    {"bacapp.property_identifier", 5, "active-vt-session", "active-vt-sessions", kPlural},
    {"bacapp.property_identifier", 18, "the property in this place was deleted", nullptr, kDeleted},
    {"bacapp.property_identifier", 24, "daylights-savings-status", "daylight-savings-status",
     "the dissector misspells daylight"},
    {"bacapp.property_identifier", 122, "vt-class-supported", "vt-classes-supported", kPlural},
    {"bacapp.property_identifier", 130, "event-time-stamp", "event-time-stamps", kPlural},
    {"bacapp.property_identifier", 194, "group-member-names", nullptr, kDraft},
    {"bacapp.property_identifier", 198, "member-status-flags", nullptr, kDraft},
    {"bacapp.property_identifier", 199, "notification-period", nullptr, kDraft},
    {"bacapp.property_identifier", 200, "previous-notify-record", nullptr, kDraft},
    {"bacapp.property_identifier", 201, "requested-update-interval", nullptr, kDraft},
    {"bacapp.property_identifier", 216, "node-subtype", nullptr, kDraft},
    {"bacapp.property_identifier", 217, "node-type", nullptr, kDraft},
    {"bacapp.property_identifier", 400, "bacnet-ip-address", "ip-address", kIPv4},
    {"bacapp.property_identifier", 401, "bacnet-ip-default-gateway", "ip-default-gateway", kIPv4},
    {"bacapp.property_identifier", 402, "bacnet-ip-dhcp-enable", "ip-dhcp-enable", kIPv4},
    {"bacapp.property_identifier", 403, "bacnet-ip-dhcp-lease-time", "ip-dhcp-lease-time", kIPv4},
    {"bacapp.property_identifier", 404, "bacnet-ip-dhcp-lease-time-remaining", "ip-dhcp-lease-time-remaining",
     kIPv4},
    {"bacapp.property_identifier", 405, "bacnet-ip-dhcp-server", "ip-dhcp-server", kIPv4},
    {"bacapp.property_identifier", 406, "bacnet-ip-dns-server", "ip-dns-server", kIPv4},
    {"bacapp.property_identifier", 411, "bacnet-ip-subnet-mask", "ip-subnet-mask", kIPv4},
    {"bacapp.property_identifier", 466, "enumeration value 466 is unassigned", nullptr, kDeleted},
    {"bacapp.property_identifier", 489, "subordinate-relationship", "subordinate-relationships", kPlural},
    {"bacapp.property_identifier", 4194311, "ssc-direct-connect-binding", "sc-direct-connect-binding",
     "the dissector doubles the s of the sc- prefix"},
    {"bacapp.property_identifier", 4194315, "sc-failed-connection-request", "sc-failed-connection-requests",
     kPlural},
    {"bacapp.error_code", 33, "removed enumeration", nullptr,
     "the standard withdrew this error code; the dissector fills the gap with a note"},
};

// Lower case letters and digits only: the dissector writes "i-Am",
// "acknowledgeAlarm", "abort - buffer - overflow" and "UTC-time-...".
std::string Folded(const std::string& text) {
    std::string folded;
    for (const char c : text)
        if (std::isalnum(static_cast<unsigned char>(c)))
            folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

using Strings = std::map<unsigned, std::string>;

// "V\t<field>\t<value>\t<text>" lines, by field and value.
std::map<std::string, Strings> ReadValueStrings(const std::string& dump)
{
    std::map<std::string, Strings> tables;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
        const size_t field = line.find('\t') + 1, value = line.find('\t', field) + 1, text = line.find('\t', value) + 1;
        const std::string number = line.substr(value, text - value - 1);
        if (line.compare(0, 2, "V\t") == 0 && value && text && !number.empty() &&
            number.find_first_not_of("0123456789") == std::string::npos)
            tables[line.substr(field, value - field - 1)][std::stoul(number)] = line.substr(text);
    }
    return tables;
}

std::string Shown(const char* text) {
    return text ? std::string("\"") + text + "\"" : std::string("(none)");
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string tshark = Arg(argc, argv, "--tshark", "tshark");
    std::string dump, error;
    if (!RunProgram({tshark, "-G", "values"}, std::chrono::seconds(120), dump, &error))
        return Tally("names").Abort(error);
    const std::map<std::string, Strings> tables = ReadValueStrings(dump);

    int compared = 0, explained = 0, failed = 0;
    std::set<const Exception*> used;
    for (const Field& f : kFields) {
        const auto found = tables.find(f.field);
        // A dissector that renamed a field must fail here, not compare nothing.
        if (found == tables.end() || found->second.size() < 3) {
            fprintf(stderr, "FAIL %s: this tshark carries no value strings for it\n", f.field);
            failed++;
            continue;
        }
        const Strings& theirs = found->second;
        std::set<unsigned> values;  // every value either side names
        for (const auto& row : theirs)
            values.insert(row.first);
        size_t count = 0;
        const BACnetNamedValue* rows = BACnetEnumRows(f.enumeration, count);
        for (size_t i = 0; i < count; ++i)
            values.insert(rows[i].m_value);
        for (const unsigned value : values) {
            const auto it = theirs.find(value);
            const char* wireshark = it == theirs.end() ? nullptr : it->second.c_str();
            const char* ours = BACnetEnumName(f.enumeration, value);
            if (wireshark && ours && Folded(wireshark) == Folded(ours)) {
                compared++;
                continue;
            }
            const Exception* e = nullptr;
            for (const Exception& x : kExceptions)
                e = std::string(x.field) == f.field && x.value == value ? &x : e;
            if (e && Shown(e->wireshark) == Shown(wireshark) && Shown(e->ours) == Shown(ours)) {
                used.insert(e);
                explained++;
                printf("explained %s %u: Wireshark %s, ours %s: %s\n", f.field, value, Shown(wireshark).c_str(),
                       Shown(ours).c_str(), e->reason);
                continue;
            }
            fprintf(stderr, "FAIL %s %u: Wireshark %s, ours %s\n", f.field, value, Shown(wireshark).c_str(),
                    Shown(ours).c_str());
            failed++;
        }
    }
    // A row no longer needed means the dissector caught up; the list is
    // kept honest by saying so, without failing on a newer tshark.
    for (const Exception& e : kExceptions)
        if (!used.count(&e))
            printf("note: %s %u (%s) no longer differs\n", e.field, e.value, Shown(e.wireshark).c_str());

    printf("names: %d entries equal, %d differences explained, %d failed\n", compared, explained, failed);
    return failed == 0 ? 0 : 1;
}

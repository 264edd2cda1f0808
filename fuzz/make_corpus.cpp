// Writes the seed corpus: a handful of valid frames per fuzz target, each in
// corpus/<target>/<name>. Selector octets, where a target takes them, come
// first (see the target's header comment).
//
//     fuzz_make_corpus fuzz/corpus
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct Seed {
    const char* target;
    const char* name;
    const char* hex;
};

// Whole frames: network header, APDU header, parameters.
#define IAM "01 00 10 00 C4 02 00 04 D2 22 05 C4 91 03 21 0F"
#define IAM_ROUTED "01 08 00 05 06 A1 A2 A3 A4 A5 A6 10 00 C4 02 00 04 D2 22 05 C4 91 03 21 0F"
#define IHAVE "01 00 10 01 C4 02 00 04 D2 C4 00 00 00 05 75 06 00 48 61 6C 6C 6F"
#define RP_VALUE "01 00 30 04 0C 0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F"
#define RP_NAME "01 00 30 01 0C 0C 02 00 04 D2 19 4D 3E 75 06 00 48 61 6C 6C 6F 3F"
#define RP_WEEK "01 00 30 05 0C 0C 04 40 00 01 19 7B 3E 0E B4 08 00 00 00 91 01 B4 11 00 00 00 91 00 0F 0E 0F 3F"
#define RP_EXCEPTIONS "01 00 30 06 0C 0C 04 40 00 01 19 26 3E 0E 0C 7C 0C 19 03 0F 2E B4 08 00 00 00 91 01 2F 39 10 3F"
#define RP_BOUND "01 00 30 80 0C 0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F"
#define RP_INDEX "01 00 30 49 0C 0C 02 00 04 D2 19 4C 29 03 3E C4 00 00 00 05 3F"
#define RPM_ACK                                                                          \
    "01 00 30 07 0E 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F"                     \
    " 0C 00 00 00 05 1E 2A 06 C9 4E 91 03 4F 1F"                                         \
    " 0C 00 40 00 01 1E 29 57 39 08 4E 44 42 C8 00 00 4F 1F"
#define RPM_SEGMENT "01 00 3C 07 00 04 0E 0C 00 00 00 05 1E 29 55 5E 91 02 91 20 5F 1F"
#define ERROR_REPLY "01 00 50 03 0C 91 02 91 20"
#define REJECT "01 00 60 03 04"
#define ABORT "01 00 71 03 05"
#define ROUTED_REQUEST "01 24 00 05 01 A1 FF 00 05 01 0C 0C 00 00 00 03 19 55"
#define SEGMENTED_REQUEST "01 04 08 05 01 02 01 0C 0C 00 00 00 03 19 55"
#define SEGMENT_ACK "01 00 40 07 02 04"
#define NETWORK_MESSAGE "01 80 00 00 05"
#define SIMPLE_ACK "01 00 20 09 0F"

const Seed kSeeds[] = {
    {"fuzz_npdu", "iam", IAM},
    {"fuzz_npdu", "iam-routed", IAM_ROUTED},
    {"fuzz_npdu", "routed-request", ROUTED_REQUEST},
    {"fuzz_npdu", "segmented-request", SEGMENTED_REQUEST},
    {"fuzz_npdu", "rpm-segment", RPM_SEGMENT},
    {"fuzz_npdu", "segment-ack", SEGMENT_ACK},
    {"fuzz_npdu", "simple-ack", SIMPLE_ACK},
    {"fuzz_npdu", "error", ERROR_REPLY},
    {"fuzz_npdu", "reject", REJECT},
    {"fuzz_npdu", "abort", ABORT},
    {"fuzz_npdu", "network-message", NETWORK_MESSAGE},

    {"fuzz_driver", "iam", IAM},
    {"fuzz_driver", "iam-routed", IAM_ROUTED},
    {"fuzz_driver", "ihave", IHAVE},
    {"fuzz_driver", "rp-value", RP_VALUE},
    {"fuzz_driver", "rp-name", RP_NAME},
    {"fuzz_driver", "rp-week", RP_WEEK},
    {"fuzz_driver", "rp-exceptions", RP_EXCEPTIONS},
    {"fuzz_driver", "rp-bound", RP_BOUND},
    {"fuzz_driver", "rp-index", RP_INDEX},
    {"fuzz_driver", "rpm", RPM_ACK},
    {"fuzz_driver", "error", ERROR_REPLY},
    {"fuzz_driver", "reject", REJECT},
    {"fuzz_driver", "abort", ABORT},

    // Selectors: the value buffer's size (index into 0 1 2 3 4 5 8 16 64 255),
    // the type the first value is read as.
    {"fuzz_tag", "application", "07 02 21 05 22 01 00 24 01 02 03 04 31 FF 44 42 C8 00 00"
                                " 55 08 3F F0 00 00 00 00 00 00 62 01 02 75 06 00 48 61 6C 6C 6F"
                                " 82 04 40 91 03 A4 6D 03 0F 07 B4 0C 22 38 4E C4 02 00 04 D2 00 10 11"},
    {"fuzz_tag", "context", "04 00 09 00 1A 01 2C 2E 0C 00 00 00 05 2F 5D 06 01 02 03 04 05 06 F9 80 01"},
    {"fuzz_tag", "long", "09 06 65 FE 01 00 00"},
    {"fuzz_tag", "small-room", "01 01 21 05 44 42 C8 00 00 11 00"},

    // Selectors: room, sub-type, data type (index), host tag type (index into 0 3 12 14).
    {"fuzz_types", "real", "07 00 04 00 44 42 C8 00 00"},
    {"fuzz_types", "text", "23 01 07 03 75 06 00 48 61 6C 6C 6F"},
    {"fuzz_types", "text-cut", "04 00 07 03 75 06 00 48 61 6C 6C 6F"},
    {"fuzz_types", "date-time", "0B 03 14 03 A4 6D 03 0F 07 B4 0C 22 38 4E"},
    {"fuzz_types", "bits", "04 02 08 00 82 04 40"},
    {"fuzz_types", "identifier", "07 01 0C 01 C4 02 00 00 01"},
    {"fuzz_types", "priority", "07 00 15 02 00 21 07 44 42 C8 00 00"},
    {"fuzz_types", "mixed", "0B 00 01 00 10 11 91 01 22 01 00 31 80 55 08 3F F0 00 00 00 00 00 00 62 AB CD"},

    // Selector: binding (low four bits), ReadProperty form (bit 4).
    {"fuzz_objtypes", "real", "00 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F"},
    {"fuzz_objtypes", "real-single", "10 0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F"},
    {"fuzz_objtypes", "access-error", "00 0C 00 00 00 05 1E 29 55 5E 91 02 91 20 5F 1F"},
    {"fuzz_objtypes", "two-octet-property", "01 0C 00 00 00 05 1E 2A 06 C9 4E 91 03 4F 1F"},
    {"fuzz_objtypes", "priority", "02 0C 00 40 00 01 1E 29 57 39 08 4E 44 42 C8 00 00 4F 1F"},
    {"fuzz_objtypes", "priority-index", "13 0C 00 40 00 01 19 57 2A 01 2C 3E 21 05 3F"},
    {"fuzz_objtypes", "binary", "04 0C 00 C0 00 02 1E 29 55 4E 91 01 4F 1F"},
    {"fuzz_objtypes", "boolean", "05 0C 04 40 00 02 1E 29 55 4E 11 4F 1F"},
    {"fuzz_objtypes", "unsigned", "16 0C 03 40 00 02 19 55 3E 21 03 3F"},
    {"fuzz_objtypes", "name", "07 0C 02 00 00 01 1E 29 4D 4E 75 06 00 48 61 6C 6C 6F 4F 1F"},
    {"fuzz_objtypes", "date", "18 0C 02 00 00 01 19 38 3E A4 6D 03 0F 07 3F"},
    {"fuzz_objtypes", "time", "09 0C 02 00 00 01 1E 29 39 4E B4 0C 22 38 4E 4F 1F"},
    {"fuzz_objtypes", "status-flags", "0A 0C 00 00 00 05 1E 29 6F 4E 82 04 40 4F 1F"},
    {"fuzz_objtypes", "identifier", "0B 0C 02 00 00 01 1E 29 4B 4E C4 02 00 00 01 4F 1F"},
    {"fuzz_objtypes", "date-time", "0C 0C 00 C0 00 03 1E 29 10 4E A4 6D 03 0F 07 B4 0C 22 38 4E 4F 1F"},
    {"fuzz_objtypes", "enthalpy", "0D 0C 25 C0 11 70 1E 29 55 4E 44 42 C8 00 00 4F 1F"},
    {"fuzz_objtypes", "accumulator", "1E 0C 05 C0 00 09 19 55 3E 21 2A 3F"},
    {"fuzz_objtypes", "state-text", "0F 0C 03 40 00 02 1E 29 6E 39 02 4E 75 04 00 4F 6E 4F 1F"},

    // Selectors: run shape (length - 1 in the low three bits), one binding per entry.
    {"fuzz_readmulti", "three", "02 00 01 02"
                                " 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F"
                                " 0C 00 00 00 05 1E 2A 06 C9 4E 91 03 4F 1F"
                                " 0C 00 40 00 01 1E 29 57 39 08 4E 44 42 C8 00 00 4F 1F"},
    {"fuzz_readmulti", "error-then-value", "01 00 07"
                                           " 0C 00 00 00 05 1E 29 55 5E 91 02 91 20 5F 1F"
                                           " 0C 02 00 00 01 1E 29 4D 4E 75 06 00 48 61 6C 6C 6F 4F 1F"},
    {"fuzz_readmulti", "date-time", "00 0C 0C 00 C0 00 03 1E 29 10 4E A4 6D 03 0F 07 B4 0C 22 38 4E 4F 1F"},
    {"fuzz_readmulti", "overrun", "08 00 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F"},

    // Selector: entries and form, bindings, then replies (control, length, octets).
    {"fuzz_fastpath", "reals", "02 00 00 02 02 32 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F 0C 00"
                               " 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F 0C 00 40 00 01 1E 29 57 39 08"
                               " 4E 44 42 C8 00 00 4F 1F 02 2E 0C 00 00 00 05 1E 29 55 4E 44 41 20 00 00"
                               " 4F 1F 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F 0C 00 40 00 01 1E"
                               " 29 57 39 08 4E 00 4F 1F 01 2E 0C 00 00 00 05 1E 29 55 4E 44 41 20 00 00"
                               " 4F 1F 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F 0C 00 40 00 01 1E"
                               " 29 57 39 08 4E 00 4F 1F"},
    {"fuzz_fastpath", "odd-middle", "02 00 00 00 02 35 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F 0C 00"
                                    " 00 00 05 1E 29 55 4E 55 08 3F F8 00 00 00 00 00 00 4F 1F 0C 00 00 00 05"
                                    " 1E 29 55 4E 44 42 C8 00 00 4F 1F 02 27 0C 00 00 00 05 1E 29 55 4E 44 41"
                                    " 20 00 00 4F 1F 0C 00 00 00 05 1E 29 0C 00 00 00 05 1E 29 55 4E 44 42 C8"
                                    " 00 00 4F 1F"},
    {"fuzz_fastpath", "error", "01 00 04 03 1C 0C 00 00 00 05 1E 29 55 5E 91 02 91 20 5F 1F 0C 00 C0 00"
                               " 02 1E 29 55 4E 91 01 4F 1F 03 1D 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00"
                               " 00 4F 1F 0C 00 C0 00 02 1E 29 55 4E 91 01 4F 1F"},
    {"fuzz_fastpath", "single", "08 00 01 0E 0C 00 00 00 05 19 55 3E 44 42 C8 00 00 3F 02 0A 0C 00 00 00"
                                " 05 19 55 3E 00 3F 02 0A 0C 00 00 00 05 19 55 3E 44 42"},
    {"fuzz_fastpath", "moved", "00 00 00 10 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F 04 10 0C 00"
                               " 00 00 06 1E 29 55 4E 44 42 C8 00 00 4F 1F 01 10 0C 00 00 00 06 1E 29 55"
                               " 4E 44 42 C8 00 00 4F 1F"},
    {"fuzz_fastpath", "forms", "05 00 00 00 00 00 00 02 50 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F"
                               " 1F 0C 00 00 00 05 1E 29 55 4E 31 F0 4F 1F 0C 00 00 00 05 1E 29 55 4E 22"
                               " 01 2C 4F 1F 0C 00 00 00 05 1E 29 55 4E 11 4F 1F 0C 00 00 00 05 1E 29 55"
                               " 4E 91 03 4F 1F 0C 00 00 00 05 1E 29 55 4E 00 4F 1F 02 55 0C 00 00 00 05"
                               " 1E 29 55 4E 32 FF 10 4F 1F 0C 00 00 00 05 1E 29 55 4E 21 80 4F 1F 0C 00"
                               " 00 00 05 1E 29 55 4E 10 4F 1F 0C 00 00 00 05 1E 29 55 4E A4 7C 01 01 01"
                               " 4F 1F 0C 00 00 00 05 1E 29 55 4E C4 00 00 00 01 4F 1F 0C 00 00 00 05 1E"
                               " 29 55 4E 62 01 02 4F 1F"},

    // Selector: codec (low four bits), decode twice (bit 4), present value as a result (bit 5).
    {"fuzz_property", "base", "00 3E 44 42 C8 00 00 3F"},
    {"fuzz_property", "name", "01 3E 75 06 00 48 61 6C 6C 6F 3F"},
    {"fuzz_property", "description", "02 3E 75 09 00 41 42 43 44 45 46 47 48 3F"},
    {"fuzz_property", "priority", "03 3E 21 08 3F"},
    {"fuzz_property", "present-value", "04 3E 44 42 C8 00 00 3F"},
    {"fuzz_property", "present-value-result", "24 0C 00 00 00 05 1E 29 55 4E 44 42 C8 00 00 4F 1F"},
    {"fuzz_property", "week", "05 3E 0E B4 08 00 00 00 91 01 B4 11 00 00 00 91 00 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 0E 0F 3F"},
    {"fuzz_property", "week-twice", "15 3E 0E B4 08 00 00 00 91 01 0F 0E 0F 3F"},
    {"fuzz_property", "exceptions", "06 3E 0E 0C 7C 0C 19 03 0F 2E B4 08 00 00 00 91 01 2F 39 10"
                                    " 0E 1E A4 7C 01 01 01 A4 7C 0C 1F 02 1F 0F 2E B4 08 00 00 00 91 01 2F 39 10"
                                    " 1C 01 80 00 01 2E B4 06 00 00 00 91 00 2F 39 05 3F"},
    {"fuzz_property", "date-range", "07 3E A4 7C 01 01 01 A4 7C 0C 1F 02 3F"},
    {"fuzz_property", "references", "08 3E 0C 00 00 00 01 19 55 0C 00 80 00 02 19 55 3F"},
    {"fuzz_property", "object-list", "09 3E C4 02 00 00 05 C4 00 00 00 01 3F"},
    {"fuzz_property", "types", "0A 3E 82 06 FF FC 3F"},
    {"fuzz_property", "services", "0B 3E 85 06 01 0B 00 0C 02 80 3F"},

    // Values one after another; a property value in tags 3 reads as one.
    {"fuzz_value", "primitives", "00 10 11 21 FF 22 01 00 31 80 32 FF 7F 44 42 C8 00 00"
                                 " 55 08 40 59 00 00 00 00 00 00 63 01 02 03 91 3E"
                                 " A4 7C 0C 19 03 B4 08 00 00 00 C4 02 00 04 D2"},
    {"fuzz_value", "texts", "75 06 00 43 61 66 C3 A9 75 09 03 00 00 00 43 00 01 F6 00"
                            " 75 05 04 D8 3D DE 00 75 05 05 43 61 66 E9 71 00"},
    {"fuzz_value", "bits", "81 00 82 04 90 83 06 81 C0 85 0A 07 FF FF FF FF FF FF FF 80 80"},
    {"fuzz_value", "property-value", "3E 21 10 00 44 42 C8 00 00 3F"},
    {"fuzz_value", "constructed", "0E 1E 09 01 1F 00 0F FE 14 21 01 FF 14 F9 0F 2A 2D 06 00 01 02 03 04 05"},
    {"fuzz_value", "extended-lengths", "65 05 01 02 03 04 05 0D 01 07 25 01 05"},

    // Selector: code page (bit 0, UTF-8 when set), enumeration (the rest).
    {"fuzz_text", "utf8", "01 43 61 66 C3 A9 20 D0 9F 20 E4 B8 AD 20 F0 9F 98 80"},
    {"fuzz_text", "utf8-broken", "01 E0 80 AF ED A0 80 F4 90 80 80 F5 80 C3"},
    {"fuzz_text", "cp1252", "00 43 61 66 E9 80 81 9F FF"},
    {"fuzz_text", "property-name", "03 50 72 65 73 65 6E 74 5F 56 61 6C 75 65"},
    {"fuzz_text", "object-type-number", "00 31 30 32 33"},

    // Selector: 0 SubscribeCOV, 1 SubscribeCOVProperty, 2 notification parameters.
    {"fuzz_cov", "subscribe", "00 09 12 1C 00 00 00 0A 29 01 39 00"},
    {"fuzz_cov", "cancel", "00 09 12 1C 00 00 00 0A"},
    {"fuzz_cov", "subscribe-property", "01 09 12 1C 00 00 00 0A 29 01 39 3C 4E 09 55 4F 5C 3F 80 00 00"},
    {"fuzz_cov", "property-element", "01 09 07 1C 00 00 00 0A 29 00 3A 01 2C 4E 09 57 19 08 4F"},
    {"fuzz_cov", "notification", "02 09 12 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 55 2E 44 42 82 00 00 2F"
                                 " 09 6F 2E 82 04 00 2F 4F"},
    {"fuzz_cov", "notification-list", "02 09 01 1C 02 00 00 04 2C 00 00 00 0A 39 00 4E 09 57 19 08 2E 00 00"
                                      " 44 41 A0 00 00 2F 39 10 09 4D 2E 73 00 41 42 2F 4F"},

    // Selector: 0 request, 1 acknowledgement, 2 one log record.
    {"fuzz_readrange", "by-position", "00 0C 05 00 00 01 19 83 3E 21 01 31 0A 3F"},
    {"fuzz_readrange", "by-sequence", "00 0C 05 00 00 01 19 83 6E 22 03 E8 31 FB 6F"},
    {"fuzz_readrange", "by-time", "00 0C 05 00 00 01 19 83 7E A4 7E 0C 04 05 B4 05 00 09 00 31 64 7F"},
    {"fuzz_readrange", "ack", "01 0C 05 00 00 01 19 83 3A 05 C0 49 02 5E"
                              " 0E A4 7E 0C 04 05 B4 0A 00 00 00 0F 1E 2C 41 B4 00 00 1F 2A 04 00"
                              " 0E A4 7E 0C 04 05 B4 0A 0F 00 00 0F 1E 0A 05 40 1F 5F 69 01"},
    {"fuzz_readrange", "ack-list", "01 0C 02 00 00 05 19 4C 3A 05 80 49 02 5E C4 02 00 00 05 C4 00 00 00 01 5F"},
    {"fuzz_readrange", "failure", "02 0E A4 7E 0C 04 05 B4 0A 00 00 00 0F 1E 8E 91 00 91 53 8F 1F"},
    {"fuzz_readrange", "bits", "02 0E A4 7E 0C 04 05 B4 0A 00 00 00 0F 1E 6B 06 A0 40 1F 2A 04 90"},
    {"fuzz_readrange", "any", "02 0E A4 7E 0C 04 05 B4 0A 00 00 00 0F 1E AE 44 41 A0 00 00 73 00 41 42 AF 1F"},

    // Selector: even Who-Is parameters, odd a network layer unit.
    {"fuzz_router", "whois-range", "00 09 05 1A 03 E8"},
    {"fuzz_router", "who-is-router", "01 01 80 00 00 05"},
    {"fuzz_router", "i-am-router", "01 01 80 01 00 05 07 D1"},
    {"fuzz_router", "i-am-router-routed", "01 01 88 00 07 01 0A 01 00 05"},

    {"fuzz_iam", "iam", "C4 02 00 04 D2 22 05 C4 91 03 21 0F"},
    {"fuzz_iam", "small", "C4 02 00 00 01 21 32 91 00 21 00"},
    {"fuzz_iam", "large-vendor", "C4 02 3F FF FF 22 01 E0 91 01 22 01 04"},

    {"fuzz_ihave", "ihave", "C4 02 00 04 D2 C4 00 00 00 05 75 06 00 48 61 6C 6C 6F"},
    {"fuzz_ihave", "empty-name", "C4 02 00 00 01 C4 00 80 00 02 71 00"},
    {"fuzz_ihave", "long-name", "C4 02 00 00 01 C4 00 80 00 02 75 0A 00 41 42 43 44 45 46 47 48 49"},

    {"fuzz_error", "error", "91 02 91 20"},
    {"fuzz_error", "two-octet-code", "91 02 92 01 20"},
    {"fuzz_error", "object", "91 01 91 1F"},

    // Selector: layout version (low bit). Identifier, name (length octet,
    // 8-bit text), max APDU, segmentation, host key, host extra or legacy
    // area, then the address record.
    {"fuzz_archive", "version-1",
     "01 D2 04 00 02 06 44 65 76 69 63 65 C4 05 03"
     " 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18"
     " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
     " 00 05 06 C0 A8 01 0A BA C0 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
    {"fuzz_archive", "version-0-wide-name",
     "00 01 00 00 00 FF FE FF 02 41 00 42 00 E0 01 00"
     " 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18"
     " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
     " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
     " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
     " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
     " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
     " 00 00 00 00 00 00 00"
     " FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},

    // Requests to the simulated device, each after its length octet, handled in order.
    {"fuzz_sim", "read-segmented", "0B 02 00 01 0C 0C 02 00 04 D2 19 4C"},
    {"fuzz_sim", "read-wildcard", "0B 02 05 01 0C 0C 02 3F FF FF 19 4B 0D 02 05 02 0C 0C 02 00 04 D2 19 4C 29 00"},
    {"fuzz_sim", "rpm-all", "18 02 05 03 0E 0C 02 00 04 D2 1E 09 08 1F 0C 04 C0 00 01 1E 09 69 09 50 1F"},
    {"fuzz_sim", "write-then-read",
     "15 02 05 04 0F 0C 00 80 00 01 19 4D 3E 75 06 00 43 61 66 C3 A9 3F"
     " 14 02 05 05 0F 0C 00 80 00 01 19 55 3E 44 41 B4 00 00 3F 49 08"
     " 13 02 05 06 0E 0C 00 80 00 01 1E 09 4D 09 55 09 57 19 08 1F"},
    {"fuzz_sim", "write-multiple",
     "20 02 05 07 10 0C 00 80 00 01 1E 09 4D 2E 75 04 00 4E 65 77 2F 09 55 2E 44 41 20 00 00 2F 39 08 1F"},
    {"fuzz_sim", "create-delete",
     "17 02 05 08 0A 0E 1C 00 80 07 D0 0F 1E 09 4D 2E 75 04 00 4E 65 77 2F 1F"
     " 08 02 05 09 0A 0E 09 13 0F 09 02 05 0A 0B C4 00 80 07 D0"},
    {"fuzz_sim", "schedule",
     "2F 02 05 0B 0F 0C 04 40 00 01 19 26 3E 0E 1E A4 7D 01 01 01 A4 7D 0C 1F 02 1F 0F 2E B4 08 00 00 00 91 01 2F"
     " 39 10 1C 01 80 00 01 2E 2F 39 05 3F"
     " 18 02 05 0C 0F 0C 04 40 00 01 19 7B 29 01 3E 0E B4 07 00 00 00 91 01 0F 3F"
     " 17 02 05 0D 0F 0C 04 40 00 01 19 20 3E A4 7E 01 01 FF A4 7E 0C 1F FF 3F"
     " 22 02 05 0E 0F 0C 01 80 00 01 19 17 3E 0C 7E 01 01 FF 1E A4 7E 02 01 FF A4 7E 02 05 FF 1F 2B 0B 04 04 3F"},
    {"fuzz_sim", "unconfirmed",
     "08 10 08 0A 04 D0 1A 04 D4 0D 10 07 3D 09 00 48 6F 6C 69 64 61 79 73"
     " 0C 10 06 A4 7E 06 11 03 B4 0A 00 00 00 0C 10 09 A4 7E 06 11 03 B4 0A 00 00 00"},
    {"fuzz_sim", "subscribe-cov",
     "0F 00 05 01 05 09 07 1C 00 80 00 01 29 01 39 3C"
     " 14 00 05 02 0F 0C 00 80 00 01 19 55 3E 44 41 B0 00 00 3F 49 08"
     " 03 20 00 01 0B 00 05 03 05 09 07 1C 00 80 00 01"},
    {"fuzz_sim", "subscribe-cov-property", "18 00 05 01 1C 09 07 1C 00 00 00 01 29 00 39 00 4E 09 55 4F 5C 3F 00 00 00"},
    {"fuzz_sim", "read-range",
     "11 00 05 01 1A 0C 05 00 00 01 19 83 3E 21 01 31 03 3F"
     " 11 00 00 02 1A 0C 05 00 00 01 19 83 6E 21 02 31 FE 6F"
     " 1A 00 05 03 1A 0C 05 00 00 01 19 83 7E A4 7E 0C 04 05 B4 0A 00 05 00 31 02 7F"},
    {"fuzz_sim", "acks-and-aborts", "04 40 01 02 04 03 70 01 04 0D 0A 05 18 00 01 0C 0C 00 00 00 01 19 55 04 02 05 13 1E"},
};

std::vector<unsigned char> Octets(const char* hex)
{
    std::vector<unsigned char> out;
    unsigned value;
    int used;
    while (sscanf(hex, " %2x%n", &value, &used) == 1) {
        out.push_back(static_cast<unsigned char>(value));
        hex += used;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    mkdir(root.c_str(), 0755);
    for (const Seed& seed : kSeeds) {
        const std::string dir = root + "/" + seed.target;
        mkdir(dir.c_str(), 0755);
        const std::vector<unsigned char> bytes = Octets(seed.hex);
        const std::string path = dir + "/" + seed.name;
        FILE* f = fopen(path.c_str(), "wb");
        if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

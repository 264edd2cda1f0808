// trend: a trend log's buffer, read with ReadRange page after page (each
// reply as long as the device fits in one APDU) until the records asked for
// are in or the log has no more.
#include "Command.h"
#include "PropertyValues.h"
#include "Requests.h"
#include "Values.h"

namespace tool {

namespace {

constexpr unsigned kRecordCount = 141;
// More pages than any honest log needs for the records asked: a device that
// keeps answering "more" with nothing new cannot keep the tool forever.
constexpr int kMaxPages = 1000;

// "2026-12-06 02:30", "2026-12-06T02:30:15"; a date alone is its midnight.
bool ParseSince(const std::string& text, DWORD& date, DWORD& time)
{
    const size_t split = text.find_first_of(" T");
    time = 0;
    return ParseDate(text.substr(0, split), date) &&
           (split == std::string::npos || ParseTime(text.substr(split + 1), time));
}

std::string FlagsText(unsigned flags, int names)
{
    std::string text;
    for (unsigned bit = 0; bit < 4; bit++)
        if (flags & (1u << bit))
            text += (text.empty() ? "" : ", ") + BACnetEnumText(names, bit);
    return "{" + text + "}";
}

// The logged datum as `read` prints values.
std::string DatumText(const _BACnetLogRecord& r, const ValueContext& where)
{
    switch (r.m_datum) {
    case _BACnetLogRecord::DATUM_LOG_STATUS: {
        static const char* const kStatus[] = {"log-disabled", "buffer-purged", "log-interrupted"};
        std::string text;
        for (unsigned bit = 0; bit < 3; bit++)
            if (r.m_logStatus & (1u << bit))
                text += (text.empty() ? "" : ", ") + std::string(kStatus[bit]);
        return "log-status {" + text + "}";
    }
    case _BACnetLogRecord::DATUM_BOOLEAN: return r.m_boolean ? "true" : "false";
    case _BACnetLogRecord::DATUM_REAL: return ValueText(CBACnetValue::Real(r.m_real), where);
    case _BACnetLogRecord::DATUM_ENUMERATED:
    case _BACnetLogRecord::DATUM_UNSIGNED: return std::to_string(r.m_unsigned);
    case _BACnetLogRecord::DATUM_SIGNED: return std::to_string(r.m_signed);
    case _BACnetLogRecord::DATUM_NULL: return "null";
    case _BACnetLogRecord::DATUM_FAILURE: return "error " + ErrorText(r.m_errorClass, r.m_errorCode);
    case _BACnetLogRecord::DATUM_TIME_CHANGE:
        return "time-change " + ValueText(CBACnetValue::Real(r.m_real), where) + " s";
    default: return ValueText(r.m_value, where);
    }
}

// One ReadRange: the acknowledgement decoded into `range`, or the failure in `reply`.
bool AskRange(Session& session, Device& device, CBACnetReadRangeService& range, Reply& reply)
{
    reply = session.client().Transact(device, BuildReadRange(device.record, range));
    if (!reply.ok)
        return false;
    int len = 0;
    if (range.ReadFrame(reply.Data(), len, reply.Length()))
        return true;
    reply.ok = false;
    reply.failureKind = "refused";
    reply.failure = "the reply is refused: not a ReadRange acknowledgement of a log buffer";
    return false;
}

int RunTrend(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    std::string error;
    _BACnetObjectID object;
    long count;
    DWORD sinceDate = 0, sinceTime = 0;
    if (!ParseObject(context.args.positional[1], object, &error) ||
        !context.args.GetInt("count", 100, 1, 1000000, count, error))
        return session.Usage(error);
    if (context.args.Has("since") && !ParseSince(context.args.Get("since"), sinceDate, sinceTime))
        return session.Usage("--since wants a date and time: 2026-12-06 02:30[:00]");
    Device device;
    if (int rc = session.OpenDevice(context.args.positional[0], device, false))
        return rc;

    CBACnetReadRangeService range;
    range.m_objectID = object;
    range.m_count = static_cast<int32_t>(count);
    if (context.args.Has("since")) {
        range.m_range = CBACnetReadRangeService::RANGE_BY_TIME;
        range.m_referenceDate = sinceDate;
        range.m_referenceTime = sinceTime;
    } else {
        // The last `count` records: from the position that leaves that many.
        const bacnet::Result<bacnet::Value> records = session.client().Api().ReadProperty(
            device.Peer(), bacnet::ObjectId(static_cast<uint16_t>(object.m_type), object.m_instance), kRecordCount);
        const uint64_t* n = records ? records.value().Get<uint64_t>() : nullptr;
        if (!n) {
            context.err << "trend failed: the record count: "
                        << (records ? std::string("not an Unsigned") : records.failure().Text()) << '\n';
            return EXIT_FAILED;
        }
        range.m_range = CBACnetReadRangeService::RANGE_BY_POSITION;
        range.m_reference = static_cast<DWORD>(*n > static_cast<uint64_t>(count) ? *n - count + 1 : 1);
        range.m_count = static_cast<int32_t>(std::min<uint64_t>(*n, count));
    }

    const bool csv = context.args.Has("csv");
    if (csv)
        context.out << "time,value,status-flags\n";
    const ValueContext where{object.m_type, CBACnetReadRangeService::PROPERTY_LOG_BUFFER};
    long printed = 0;
    for (int page = 0; page < kMaxPages && printed < count && range.m_count > 0; page++) {
        Reply reply;
        if (!AskRange(session, device, range, reply))
            return session.Failed("trend", reply);
        for (const _BACnetLogRecord& r : range.m_records) {
            if (printed == count)
                break;
            const std::string when = DateText(r.m_date) + (csv ? "T" : " ") + TimeText(r.m_time);
            const std::string flags =
                r.m_hasStatusFlags ? FlagsText(r.m_statusFlags, BACNET_ENUM_STATUS_FLAGS) : std::string();
            if (csv)
                context.out << when << ',' << CsvCell(DatumText(r, where)) << ',' << CsvCell(flags) << '\n';
            else
                context.out << when << "  " << DatumText(r, where) << (flags.empty() ? "" : "  " + flags) << '\n';
            printed++;
        }
        const DWORD got = static_cast<DWORD>(range.m_records.size());
        if (!(range.m_resultFlags & CBACnetReadRangeService::MORE_ITEMS) || got == 0)
            break;
        // The next page follows on: by position, or by sequence number after a read by time.
        if (range.m_range == CBACnetReadRangeService::RANGE_BY_TIME) {
            if (!range.m_hasFirstSequence)
                break;
            range.m_range = CBACnetReadRangeService::RANGE_BY_SEQUENCE_NUMBER;
            range.m_reference = range.m_firstSequence + got;
        } else {
            range.m_reference += got;
        }
        range.m_count = static_cast<int32_t>(count - printed);
    }
    if (printed == 0 && !csv)
        context.out << "(no records)\n";
    return EXIT_OK;
}

}  // namespace

std::vector<Command> TrendCommands()
{
    return {
        {"trend", "TARGET OBJECT", "read a trend log's records (ReadRange, paged)",
         "Reads the log buffer of OBJECT (e.g. trend-log:1): the last --count records,\n"
         "or with --since the first --count records from that time on. Each reply\n"
         "holds what fits the device's APDU; the next page follows on until the\n"
         "records asked for are in. One line per record: time, value, status flags.\n",
         With(NetworkOptions(), {{"count", "N", "records (default 100)"},
                                 {"since", "TIME", "from this local time on: 2026-12-06 02:30[:00]"},
                                 kCsvOption}),
         2, 2, RunTrend},
    };
}

}  // namespace tool

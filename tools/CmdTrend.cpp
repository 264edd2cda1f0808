// trend: a trend log's buffer as the client reads it with ReadRange, page
// after page (each reply as long as the device fits in one APDU) until the
// records asked for are in or the log has no more.
#include "Command.h"
#include "PropertyValues.h"
#include "Values.h"

namespace tool {

namespace {

// "2026-12-06 02:30", "2026-12-06T02:30:15"; a date alone is its midnight.
bool ParseSince(const std::string& text, bacnet::Date& date, bacnet::Time& time)
{
    const size_t split = text.find_first_of(" T");
    DWORD d = 0, t = 0;
    if (!ParseDate(text.substr(0, split), d) || (split != std::string::npos && !ParseTime(text.substr(split + 1), t)))
        return false;
    date = bacnet::Date{uint8_t(d >> 24), uint8_t(d >> 16), uint8_t(d >> 8), uint8_t(d)};
    time = bacnet::Time{uint8_t(t >> 24), uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t)};
    return true;
}

std::string FlagsText(unsigned flags, const char* const names[], unsigned count)
{
    std::string text;
    for (unsigned bit = 0; bit < count; bit++)
        if (flags & (1u << bit))
            text += (text.empty() ? "" : ", ") + std::string(names[bit]);
    return "{" + text + "}";
}

// The logged datum as `read` prints values.
std::string DatumText(const bacnet::LogRecord& r, const ValueContext& where)
{
    static const char* const kLogStatus[] = {"log-disabled", "buffer-purged", "log-interrupted"};
    switch (r.m_kind) {
    case bacnet::LogRecord::Kind::LogStatus: return "log-status " + FlagsText(r.m_logStatus, kLogStatus, 3);
    case bacnet::LogRecord::Kind::TimeChange: return "time-change " + ClientValueText(r.m_value, where) + " s";
    case bacnet::LogRecord::Kind::Failure:
        return "error " + ErrorText(r.m_failure.m_errorClass, r.m_failure.m_errorCode);
    default: return ClientValueText(r.m_value, where);
    }
}

int RunTrend(Context& context)
{
    Session session(context);
    if (int rc = session.Open())
        return rc;
    std::string error;
    _BACnetObjectID object;
    long count;
    if (!ParseObject(context.args.positional[1], object, &error) ||
        !context.args.GetInt("count", 100, 1, 1000000, count, error))
        return session.Usage(error);
    std::optional<std::pair<bacnet::Date, bacnet::Time>> since;
    if (context.args.Has("since")) {
        since.emplace();
        if (!ParseSince(context.args.Get("since"), since->first, since->second))
            return session.Usage("--since wants a date and time: 2026-12-06 02:30[:00]");
    }
    Device device;
    if (int rc = session.OpenDevice(context.args.positional[0], device, false))
        return rc;
    const bacnet::Result<std::vector<bacnet::LogRecord>> records = session.client().Api().ReadTrend(
        device.Peer(), bacnet::ObjectId(static_cast<uint16_t>(object.m_type), object.m_instance),
        static_cast<uint32_t>(count), since);
    if (!records) {
        Reply reply;
        SetFailure(records.failure(), reply);
        return session.Failed("trend", reply);
    }

    const bool csv = context.args.Has("csv");
    if (csv)
        context.out << "time,value,status-flags\n";
    const ValueContext where{object.m_type, bacnet::Client::kLogBuffer};
    for (const bacnet::LogRecord& r : *records) {
        const DWORD date = DWORD(r.m_date.m_year) << 24 | DWORD(r.m_date.m_month) << 16 | DWORD(r.m_date.m_day) << 8 |
                           r.m_date.m_weekday;
        const DWORD time = DWORD(r.m_time.m_hour) << 24 | DWORD(r.m_time.m_minute) << 16 |
                           DWORD(r.m_time.m_second) << 8 | r.m_time.m_hundredths;
        const std::string when = DateText(date) + (csv ? "T" : " ") + TimeText(time);
        const std::string flags =
            r.m_statusFlags ? ValueText(CBACnetValue::Bits({bool(*r.m_statusFlags & 1), bool(*r.m_statusFlags & 2),
                                                            bool(*r.m_statusFlags & 4), bool(*r.m_statusFlags & 8)}),
                                        {0, bacnet::Property::StatusFlags})
                            : std::string();
        if (csv)
            context.out << when << ',' << CsvCell(DatumText(r, where)) << ',' << CsvCell(flags) << '\n';
        else
            context.out << when << "  " << DatumText(r, where) << (flags.empty() ? "" : "  " + flags) << '\n';
    }
    if (records->empty() && !csv)
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

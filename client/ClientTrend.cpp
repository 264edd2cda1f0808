// The client's ReadRange: one page, and a trend log read page by page.
#include <algorithm>

#include <bacnetcodec/bacnetcodec.h>

#include "client/Client.h"
#include "client/detail/Requests.h"
#include "client/detail/TagReader.h"

namespace bacnet {

namespace {

constexpr PropertyId kRecordCount = 141;
// Octets of one log record in a reply, guessed for sizing pages: timestamp,
// a primitive datum, status flags, their enclosing tags.
constexpr size_t kRecordGuess = 24;
// The acknowledgement's own fields and the Complex-ACK header.
constexpr size_t kRangeAckOverhead = 32;

Date DateOf(DWORD packed)
{
    return Date{uint8_t(packed >> 24), uint8_t(packed >> 16), uint8_t(packed >> 8), uint8_t(packed)};
}

Time TimeOf(DWORD packed)
{
    return Time{uint8_t(packed >> 24), uint8_t(packed >> 16), uint8_t(packed >> 8), uint8_t(packed)};
}

DWORD Packed(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return DWORD(a) << 24 | DWORD(b) << 16 | DWORD(c) << 8 | d;
}

LogRecord FromCodecRecord(const _BACnetLogRecord& r)
{
    LogRecord out;
    out.m_date = DateOf(r.m_date);
    out.m_time = TimeOf(r.m_time);
    if (r.m_hasStatusFlags)
        out.m_statusFlags = r.m_statusFlags;
    switch (r.m_datum) {
    case _BACnetLogRecord::DATUM_LOG_STATUS:
        out.m_kind = LogRecord::Kind::LogStatus;
        out.m_logStatus = r.m_logStatus;
        break;
    case _BACnetLogRecord::DATUM_BOOLEAN: out.m_value = Value(r.m_boolean); break;
    case _BACnetLogRecord::DATUM_REAL: out.m_value = Value(r.m_real); break;
    case _BACnetLogRecord::DATUM_ENUMERATED: out.m_value = Value::Enum(r.m_unsigned); break;
    case _BACnetLogRecord::DATUM_UNSIGNED: out.m_value = Value::Unsigned(r.m_unsigned); break;
    case _BACnetLogRecord::DATUM_SIGNED: out.m_value = Value::Signed(r.m_signed); break;
    case _BACnetLogRecord::DATUM_BIT_STRING: out.m_value = detail::ValueOrRaw({r.m_value}); break;
    case _BACnetLogRecord::DATUM_NULL: out.m_value = Value::Null(); break;
    case _BACnetLogRecord::DATUM_FAILURE:
        out.m_kind = LogRecord::Kind::Failure;
        out.m_failure = Failure::Error(r.m_errorClass, r.m_errorCode);
        break;
    case _BACnetLogRecord::DATUM_TIME_CHANGE:
        out.m_kind = LogRecord::Kind::TimeChange;
        out.m_value = Value(r.m_real);
        break;
    default:  // any value: the opening tag around what the device sent
        out.m_value = detail::ValueOrRaw(r.m_value.m_children);
        break;
    }
    return out;
}

}  // namespace

Result<Client::RangePage> Client::ReadRange(const Device& device, const ObjectId& object, const RangeStart& start,
                                            int32_t count, PropertyId property)
{
    CBACnetReadRangeService request;
    request.m_objectID.SetValue(object.Word());
    request.m_propertyID = property;
    request.m_count = count;
    switch (start.m_by) {
    case RangeStart::By::Position:
        request.m_range = CBACnetReadRangeService::RANGE_BY_POSITION;
        request.m_reference = start.m_reference;
        break;
    case RangeStart::By::Sequence:
        request.m_range = CBACnetReadRangeService::RANGE_BY_SEQUENCE_NUMBER;
        request.m_reference = start.m_reference;
        break;
    case RangeStart::By::Time:
        request.m_range = CBACnetReadRangeService::RANGE_BY_TIME;
        request.m_referenceDate =
            Packed(start.m_date.m_year, start.m_date.m_month, start.m_date.m_day, start.m_date.m_weekday);
        request.m_referenceTime =
            Packed(start.m_time.m_hour, start.m_time.m_minute, start.m_time.m_second, start.m_time.m_hundredths);
        break;
    }
    const RawOutcome outcome = Confirmed(device, detail::kServiceReadRange, detail::ConfirmedServiceData(request));
    if (!outcome.m_reply)
        return outcome.m_reply.failure();
    Bytes reply = *outcome.m_reply;
    CBACnetReadRangeService ack;
    int len = 0;
    if (reply.empty() || !ack.ReadFrame(reply.data(), len, static_cast<int>(reply.size())))
        return Failure::Of(FailureKind::Refused, "a ReadRange acknowledgement that does not decode");
    if (ack.m_objectID.GetValue() != object.Word() || ack.m_propertyID != property)
        return Failure::Of(FailureKind::Refused, "a ReadRange acknowledgement for another property");
    RangePage page;
    page.m_more = (ack.m_resultFlags & CBACnetReadRangeService::MORE_ITEMS) != 0;
    page.m_last = (ack.m_resultFlags & CBACnetReadRangeService::LAST_ITEM) != 0;
    if (ack.m_hasFirstSequence)
        page.m_firstSequence = ack.m_firstSequence;
    for (const _BACnetLogRecord& r : ack.m_records) {
        page.m_records.push_back(FromCodecRecord(r));
        if (ack.m_hasFirstSequence)
            page.m_records.back().m_sequence = ack.m_firstSequence + static_cast<uint32_t>(page.m_records.size() - 1);
    }
    for (const CBACnetValue& item : ack.m_items)
        page.m_items.push_back(detail::ValueOrRaw({item}));
    return page;
}

Result<std::vector<LogRecord>> Client::ReadTrend(const Device& device, const ObjectId& object, uint32_t count,
                                                 std::optional<std::pair<Date, Time>> since)
{
    std::vector<LogRecord> records;
    if (count == 0)
        return records;
    // As many records a page as one unsegmented reply holds.
    const size_t apdu = std::min<size_t>(device.m_maxApdu, detail::kOwnMaxApdu);
    const uint32_t perPage =
        static_cast<uint32_t>(std::max<size_t>(1, (apdu > kRangeAckOverhead ? apdu - kRangeAckOverhead : 0) / kRecordGuess));
    RangeStart start;
    if (since) {
        start.m_by = RangeStart::By::Time;
        start.m_date = since->first;
        start.m_time = since->second;
    } else {
        // The last `count`: from the record count on.
        const Result<Value> total = ReadProperty(device, object, kRecordCount);
        if (!total)
            return total.failure();
        const uint64_t* n = total->Get<uint64_t>();
        if (n == nullptr)
            return Failure::Of(FailureKind::Refused, "a record count that is not an Unsigned");
        if (*n == 0)
            return records;
        start.m_reference = static_cast<uint32_t>(*n > count ? *n - count + 1 : 1);
    }
    while (records.size() < count) {
        const uint32_t ask = std::min<uint32_t>(perPage, count - static_cast<uint32_t>(records.size()));
        const Result<RangePage> page = ReadRange(device, object, start, static_cast<int32_t>(ask));
        if (!page)
            return page.failure();
        const size_t got = std::min<size_t>(page->m_records.size(), count - records.size());
        records.insert(records.end(), page->m_records.begin(), page->m_records.begin() + static_cast<std::ptrdiff_t>(got));
        if (got == 0 || page->m_last)
            break;
        // On from the item after the last taken: by sequence number when the
        // device gives them (a log that moves on keeps them), else by position.
        if (page->m_firstSequence) {
            start.m_by = RangeStart::By::Sequence;
            start.m_reference = *page->m_firstSequence + static_cast<uint32_t>(got);
        } else if (start.m_by == RangeStart::By::Position) {
            start.m_reference += static_cast<uint32_t>(got);
        } else {
            break;  // by time without sequence numbers: nowhere exact to go on from
        }
    }
    return records;
}

}  // namespace bacnet

#include "SimTrendLog.h"

#include <algorithm>
#include <cmath>

#include "SimDatabase.h"

namespace bacnetsim {

namespace {

constexpr uint32_t kMinIntervalCs = 100;       // one second: the device's clock moves no finer
constexpr uint32_t kMaxIntervalCs = 8640000;   // one day

// A timestamp as one number that sorts as time does (the weekday left out).
uint64_t TimeKey(uint32_t date, uint32_t time)
{
    return static_cast<uint64_t>(date >> 8) << 32 | time;
}

// Status flags bit string (in-alarm first) as the log record's flag set.
unsigned char StatusFlags(const Value& bits)
{
    const unsigned char first = bits.octets.empty() ? 0 : static_cast<unsigned char>(bits.octets[0]);
    return static_cast<unsigned char>((first >> 7 & 1) | (first >> 5 & 2) | (first >> 3 & 4) | (first >> 1 & 8));
}

}  // namespace

TrendLogObject::TrendLogObject(uint32_t instance, const std::string& name, uint32_t logged, uint32_t bufferSize,
                               uint32_t intervalSeconds)
    : SimObject(OBJ_TREND_LOG, instance, name),
      m_bufferSize(std::min(std::max(bufferSize, 1u), kMaxBufferSize)),
      m_intervalCs(std::min(std::max(intervalSeconds * 100, kMinIntervalCs), kMaxIntervalCs))
{
    m_logged.objectID = logged;
    m_logged.propertyID = PROP_PRESENT_VALUE;
    m_description = "Logs " + std::to_string(intervalSeconds) + " s samples";
}

void TrendLogObject::Append(const _BACnetLogRecord& record)
{
    while (m_records.size() >= m_bufferSize)
        m_records.pop_front();
    m_records.push_back(record);
    m_total++;
}

void TrendLogObject::LogStatus(const Database& db, unsigned char flags)
{
    _BACnetLogRecord record = Sample(db, db.Clock());
    record.m_datum = _BACnetLogRecord::DATUM_LOG_STATUS;
    record.m_logStatus = flags;
    record.m_hasStatusFlags = 0;
    Append(record);
}

_BACnetLogRecord TrendLogObject::Sample(const Database& db, std::time_t at) const
{
    _BACnetLogRecord record;
    std::tm local{};
    localtime_r(&at, &local);
    record.m_date = MakeDate(static_cast<unsigned>(local.tm_year), static_cast<unsigned>(local.tm_mon + 1),
                             static_cast<unsigned>(local.tm_mday), static_cast<unsigned>((local.tm_wday + 6) % 7 + 1));
    record.m_time = MakeTime(static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min),
                             static_cast<unsigned>(local.tm_sec));
    const SimObject* object = db.Find(m_logged.objectID);
    Value v;
    const bacnetsim::Status s = object ? object->ReadValue(db, m_logged.propertyID, kNoIndex, v)
                                       : bacnetsim::Status::Fail(CLASS_OBJECT, CODE_UNKNOWN_OBJECT);
    if (!s.ok) {
        record.m_datum = _BACnetLogRecord::DATUM_FAILURE;
        record.m_errorClass = s.errorClass;
        record.m_errorCode = s.errorCode;
        return record;
    }
    switch (v.type) {
    case CBACnetTag::TYPE_REAL:
        record.m_datum = _BACnetLogRecord::DATUM_REAL;
        record.m_real = v.real;
        break;
    case CBACnetTag::TYPE_BOOLEAN:
        record.m_datum = _BACnetLogRecord::DATUM_BOOLEAN;
        record.m_boolean = v.u != 0;
        break;
    case CBACnetTag::TYPE_ENUMERATED:
    case CBACnetTag::TYPE_UNSIGNED:
        record.m_datum = v.type == CBACnetTag::TYPE_ENUMERATED ? _BACnetLogRecord::DATUM_ENUMERATED
                                                                : _BACnetLogRecord::DATUM_UNSIGNED;
        record.m_unsigned = v.u;
        break;
    default:
        record.m_datum = _BACnetLogRecord::DATUM_NULL;
        break;
    }
    Value flags;
    if (object->ReadValue(db, PROP_STATUS_FLAGS, kNoIndex, flags).ok && flags.type == CBACnetTag::TYPE_BIT_STRING) {
        record.m_hasStatusFlags = 1;
        record.m_statusFlags = StatusFlags(flags);
    }
    return record;
}

void TrendLogObject::Step(const Database& db)
{
    if (!m_enable)
        return;
    const double now = db.Uptime();
    const double interval = m_intervalCs / 100.0;
    if (!m_started) {
        m_started = true;
        LogStatus(db, 0);  // logging begins
        m_next = std::floor(now);
    }
    // Behind by more than the buffer holds (a clock moved far ahead): the
    // samples that would be dropped at once are not taken.
    if (now - m_next >= interval * m_bufferSize)
        m_next += interval * std::floor((now - m_next) / interval - m_bufferSize + 1);
    const std::time_t clock = db.Clock();
    while (m_next <= now) {
        Append(Sample(db, clock - static_cast<std::time_t>(now - m_next)));
        m_next += interval;
    }
}

bool TrendLogObject::Select(CBACnetReadRangeService& request, int room) const
{
    using Range = CBACnetReadRangeService;
    const long long n = static_cast<long long>(m_records.size());
    const long long count = request.m_count;
    long long from = 0, to = n - 1;  // the matching records, inclusive; none when from > to
    bool backwards = false;
    if (request.m_range != Range::RANGE_NONE) {
        if (count == 0)
            return false;
        backwards = count < 0;
        long long at = -1;  // the reference record
        if (request.m_range == Range::RANGE_BY_POSITION) {
            at = static_cast<long long>(request.m_reference) - 1;
        } else if (request.m_range == Range::RANGE_BY_SEQUENCE_NUMBER) {
            at = static_cast<long long>(request.m_reference) - FirstSequence();
        } else {
            // By time: the first record after the reference time, or the
            // last one before it; the reference record is then included.
            const uint64_t key = TimeKey(request.m_referenceDate, request.m_referenceTime);
            auto stamp = [](const _BACnetLogRecord& r) { return TimeKey(r.m_date, r.m_time); };
            if (backwards) {
                for (at = n - 1; at >= 0 && stamp(m_records[static_cast<size_t>(at)]) >= key; at--) {
                }
            } else {
                for (at = 0; at < n && stamp(m_records[static_cast<size_t>(at)]) <= key; at++) {
                }
            }
        }
        if (at < 0 || at >= n) {
            from = 0;
            to = -1;
        } else if (backwards) {
            from = std::max(0LL, at + count + 1);
            to = at;
        } else {
            from = at;
            to = std::min(n - 1, at + count - 1);
        }
    }
    const long long matching = std::max(0LL, to - from + 1);
    // What the acknowledgement takes without a record, then as many
    // records as fit after it: from the reference on, the nearest first.
    request.m_records.clear();
    request.m_hasFirstSequence = matching > 0 && (request.m_range == Range::RANGE_BY_SEQUENCE_NUMBER ||
                                                  request.m_range == Range::RANGE_BY_TIME);
    request.m_firstSequence = 0xFFFFFFFF;
    request.m_itemCount = static_cast<DWORD>(matching);
    unsigned char scratch[64];
    int used = 0;
    request.MakeAckFrame(scratch, used, sizeof scratch);
    long long taken = 0;
    for (; taken < matching; taken++) {
        const size_t i = static_cast<size_t>(backwards ? to - taken : from + taken);
        int size = 0;
        m_records[i].MakeFrame(scratch, size, sizeof scratch);
        if (size == 0 || used + size > room)
            break;
        used += size;
    }
    if (backwards)
        from = to - taken + 1;
    else
        to = from + taken - 1;
    for (long long i = from; i <= to; i++)
        request.m_records.push_back(m_records[static_cast<size_t>(i)]);
    request.m_itemCount = static_cast<DWORD>(taken);
    request.m_hasFirstSequence = request.m_hasFirstSequence && taken > 0;
    request.m_firstSequence = FirstSequence() + static_cast<uint32_t>(from);
    request.m_resultFlags = 0;
    if (taken > 0 && from == 0)
        request.m_resultFlags |= Range::FIRST_ITEM;
    if (taken > 0 && to == n - 1)
        request.m_resultFlags |= Range::LAST_ITEM;
    if (taken < matching)
        request.m_resultFlags |= Range::MORE_ITEMS;
    return true;
}

Status TrendLogObject::ReadOwn(const Database&, uint32_t property, uint32_t, Writer& out) const
{
    Value v;
    switch (property) {
    case PROP_ENABLE:
        v = Value::Boolean(m_enable);
        break;
    case PROP_STOP_WHEN_FULL:  // the oldest record goes
        v = Value::Boolean(false);
        break;
    case PROP_BUFFER_SIZE:
        v = Value::Unsigned(m_bufferSize);
        break;
    case PROP_LOG_BUFFER:  // read through ReadRange only
        return Status::Fail(CLASS_PROPERTY, CODE_READ_ACCESS_DENIED);
    case PROP_RECORD_COUNT:
        v = Value::Unsigned(static_cast<uint32_t>(m_records.size()));
        break;
    case PROP_TOTAL_RECORD_COUNT:
        v = Value::Unsigned(m_total);
        break;
    case PROP_EVENT_STATE:  // normal
    case PROP_LOGGING_TYPE:  // polled
        v = Value::Enumerated(0);
        break;
    case PROP_STATUS_FLAGS:
        v = Value::Bits(4, {});
        break;
    case PROP_LOG_DEVICE_OBJECT_PROPERTY:
        EncodeReference(out, m_logged);
        return Status::Ok();
    case PROP_LOG_INTERVAL:
        v = Value::Unsigned(m_intervalCs);
        break;
    default:
        return Status::Fail(CLASS_PROPERTY, CODE_UNKNOWN_PROPERTY);
    }
    EncodeValue(out, v);
    return Status::Ok();
}

Status TrendLogObject::WriteOwn(Database& db, uint32_t property, uint32_t, const WriteData& data)
{
    const bool isBoolean = property == PROP_ENABLE;
    if (property != PROP_ENABLE && property != PROP_RECORD_COUNT && property != PROP_LOG_INTERVAL &&
        property != PROP_BUFFER_SIZE)
        return Status::Fail(CLASS_PROPERTY, CODE_WRITE_ACCESS_DENIED);
    CBACnetTag in(data.end);
    int len = data.start;
    Value v;
    if (!DecodeValue(in, data.buf, len, v) || len != data.end ||
        v.type != (isBoolean ? CBACnetTag::TYPE_BOOLEAN : CBACnetTag::TYPE_UNSIGNED))
        return Status::Fail(CLASS_PROPERTY, CODE_INVALID_DATA_TYPE);
    const Status outOfRange = Status::Fail(CLASS_PROPERTY, CODE_VALUE_OUT_OF_RANGE);
    switch (property) {
    case PROP_ENABLE:
        if ((v.u != 0) != m_enable) {
            m_enable = v.u != 0;
            LogStatus(db, m_enable ? 0 : _BACnetLogRecord::LOG_DISABLED);
            m_next = std::floor(db.Uptime());
        }
        return Status::Ok();
    case PROP_RECORD_COUNT:  // only 0: the buffer is emptied
        if (v.u != 0)
            return outOfRange;
        m_records.clear();
        LogStatus(db, _BACnetLogRecord::BUFFER_PURGED | (m_enable ? 0 : _BACnetLogRecord::LOG_DISABLED));
        return Status::Ok();
    case PROP_LOG_INTERVAL:
        if (v.u < kMinIntervalCs || v.u > kMaxIntervalCs)
            return outOfRange;
        m_intervalCs = v.u;
        m_next = std::floor(db.Uptime()) + v.u / 100.0;
        return Status::Ok();
    default:  // buffer size
        if (v.u < 1 || v.u > kMaxBufferSize)
            return outOfRange;
        m_bufferSize = v.u;
        while (m_records.size() > m_bufferSize)
            m_records.pop_front();
        return Status::Ok();
    }
}

}  // namespace bacnetsim

// Trend-log records as the client hands them over, read with ReadRange.
#pragma once

#include <cstdint>
#include <optional>

#include "client/Result.h"
#include "client/Value.h"

namespace bacnet {

struct LogRecord {
    enum class Kind : uint8_t {
        Value,       // m_value holds the logged datum
        LogStatus,   // m_logStatus: bit 0 log disabled, 1 buffer purged, 2 log interrupted
        TimeChange,  // m_value: the clock change in seconds (Real)
        Failure,     // m_failure: the Error class and code the log met
    };
    Date m_date;
    Time m_time;
    Kind m_kind = Kind::Value;
    Value m_value;            // Boolean, Real, Enumerated, Unsigned, Signed, BitString, Null, or a RawValue for any other
    uint8_t m_logStatus = 0;
    Failure m_failure;
    std::optional<uint8_t> m_statusFlags;  // bit 0 in-alarm, 1 fault, 2 overridden, 3 out-of-service
    uint32_t m_sequence = 0;  // the record's sequence number, when the device gave them (else 0)
};

// Where a ReadRange starts.
struct RangeStart {
    enum class By : uint8_t { Position, Sequence, Time } m_by = By::Position;
    uint32_t m_reference = 1;  // Position: index from 1; Sequence: sequence number
    Date m_date;               // Time: records at or after this date and time
    Time m_time;
};

}  // namespace bacnet

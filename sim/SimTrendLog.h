// The trend log of the simulated device: an object that samples one
// property of another object at a fixed interval into a bounded buffer, the
// oldest record dropped when it is full, and the window of that buffer a
// ReadRange asks for.
#pragma once

#include <cstdint>
#include <ctime>
#include <deque>
#include <string>

#include "SimObjects.h"
#include "service/ReadRangeService.h"

namespace bacnetsim {

class TrendLogObject : public SimObject {
public:
    // Logs `logged`'s present value every `intervalSeconds`, keeping at most `bufferSize` records.
    TrendLogObject(uint32_t instance, const std::string& name, uint32_t logged, uint32_t bufferSize,
                   uint32_t intervalSeconds);

    // Takes the samples that fell due by the database's clock.
    void Step(const Database& db);

    // The records, oldest first; the first has sequence number FirstSequence().
    const std::deque<_BACnetLogRecord>& Records() const { return m_records; }
    uint32_t FirstSequence() const { return m_total - static_cast<uint32_t>(m_records.size()) + 1; }
    uint32_t TotalRecords() const { return m_total; }

    // The window of the buffer `request` asks for, as at most `room` octets
    // of acknowledgement parameters: its records and result flags go into
    // `request`. False when the range itself is refused (a count of 0).
    bool Select(CBACnetReadRangeService& request, int room) const;

    static constexpr uint32_t kMaxBufferSize = 10000;

protected:
    Status ReadOwn(const Database& db, uint32_t property, uint32_t index, Writer& out) const override;
    Status WriteOwn(Database& db, uint32_t property, uint32_t index, const WriteData& value) override;

private:
    void Append(const _BACnetLogRecord& record);
    // A log-status record (LOG_* flags) stamped now.
    void LogStatus(const Database& db, unsigned char flags);
    _BACnetLogRecord Sample(const Database& db, std::time_t at) const;

    PropertyReference m_logged;
    uint32_t m_bufferSize;
    uint32_t m_intervalCs;  // hundredths of a second, as the property holds it
    bool m_enable = true;
    bool m_started = false;  // the first step has recorded that logging began
    double m_next = 0;       // uptime of the next sample
    std::deque<_BACnetLogRecord> m_records;
    uint32_t m_total = 0;    // records ever added: the last one's sequence number
};

}  // namespace bacnetsim

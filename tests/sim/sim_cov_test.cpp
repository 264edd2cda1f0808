// Subscriptions and the trend log of the simulated device, driven through
// its request handling on a held clock: the replies and notifications on
// the wire, the state the subscription table keeps across calls, and the
// windows ReadRange cuts from the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimTrendLog.h"
#include "sim/SimClient.h"

using namespace bacnetsim;

namespace {

// Handlers that command analog value 1 at priority 8.
struct Device : Handlers {
    void WriteAV1(const std::string& real)
    {
        EXPECT_EQ(Ask("02 05 01 0F 0C 00 80 00 01 19 55 3E 44 " + real + " 3F 49 08"), "20 01 0F");
    }
};

// SubscribeCOV to analog value 1 from process 7: confirmed (29 01) or not, lifetime.
std::string Subscribe(bool confirmed, const std::string& lifetime, const std::string& process = "07")
{
    return std::string("00 05 01 05 09 ") + process + " 1C 00 80 00 01 29 0" + (confirmed ? "1" : "0") + " 39 " +
           lifetime;
}

// The notification of analog value 1 to process 7: present value, status flags.
std::string Notification(const std::string& left, const std::string& real, const std::string& flags = "00")
{
    return "09 07 1C 02 00 10 E1 2C 00 80 00 01 39 " + left + " 4E 09 55 2E 44 " + real + " 2F 09 6F 2E 82 04 " +
           flags + " 2F 4F";
}

// The first notification follows the subscription; later ones only a change
// of at least the object's COV increment, or of the status flags.
TEST(SimCov, ChangesAreReportedFromTheIncrementOn)
{
    Device d;
    ASSERT_EQ(d.Ask(Subscribe(false, "00")), "20 01 05");
    struct Step {
        const char* name;
        const char* write;  // WriteProperty of analog value 1, after "0C 00 80 00 01 19"
        std::vector<std::string> sent;
    } steps[] = {
        {"first report", nullptr, {"10 02 " + Notification("00", "41 A8 00 00")}},
        {"no change", nullptr, {}},
        {"21.05: under the increment of 0.1", "55 3E 44 41 A8 66 66 3F 49 08", {}},
        {"21.25: over it", "55 3E 44 41 AA 00 00 3F 49 08", {"10 02 " + Notification("00", "41 AA 00 00")}},
        {"increment raised to 1", "16 3E 44 3F 80 00 00 3F", {}},
        {"22: under 1 from 21.25", "55 3E 44 41 B0 00 00 3F 49 08", {}},
        {"out of service: the flags changed", "51 3E 11 3F",
         {"10 02 " + Notification("00", "41 B0 00 00", "10")}},
    };
    for (const Step& s : steps) {
        if (s.write) {
            EXPECT_EQ(d.Ask("00 05 01 0F 0C 00 80 00 01 19 " + std::string(s.write)), "20 01 0F") << s.name;
        }
        EXPECT_EQ(d.After(0.1), s.sent) << s.name;
    }
}

TEST(SimCov, LifetimesRenewalsCancellationsAndALimit)
{
    Device d;
    ASSERT_EQ(d.Ask(Subscribe(false, "0A")), "20 01 05");  // 10 s
    ASSERT_EQ(d.After(0), std::vector<std::string>{"10 02 " + Notification("0A", "41 A8 00 00")});
    d.WriteAV1("41 B0 00 00");
    EXPECT_EQ(d.After(4), std::vector<std::string>{"10 02 " + Notification("06", "41 B0 00 00")});
    // Renewed: the same subscriber, process and object, reported afresh with the new lifetime.
    ASSERT_EQ(d.Ask(Subscribe(false, "14")), "20 01 05");
    EXPECT_EQ(d.services.Subscriptions().Count(), 1u);
    EXPECT_EQ(d.After(0), std::vector<std::string>{"10 02 " + Notification("14", "41 B0 00 00")});
    d.WriteAV1("41 C0 00 00");
    EXPECT_TRUE(d.After(20).empty());  // expired
    EXPECT_EQ(d.services.Subscriptions().Count(), 0u);

    // Lifetime 0 never ends; a cancellation does.
    ASSERT_EQ(d.Ask(Subscribe(false, "00")), "20 01 05");
    d.After(0);
    d.WriteAV1("41 B0 00 00");
    EXPECT_EQ(d.After(1e6).size(), 1u);
    EXPECT_EQ(d.Ask("00 05 01 05 09 07 1C 00 80 00 01"), "20 01 05");
    EXPECT_EQ(d.services.Subscriptions().Count(), 0u);

    // The table holds 32; the 33rd is refused, a renewal is not.
    for (int process = 0; process < int(CovTable::kMaxSubscriptions); process++) {
        const unsigned char p = static_cast<unsigned char>(process);
        ASSERT_EQ(d.Ask(Subscribe(false, "00", ToHex(&p, 1))), "20 01 05");
    }
    EXPECT_EQ(d.Ask(Subscribe(false, "00", "FF")), "50 01 05 91 03 91 13");
    EXPECT_EQ(d.Ask(Subscribe(true, "00", "1F")), "20 01 05");
    const Peer other = PeerAt(47901);
    EXPECT_EQ(d.Ask(Subscribe(false, "00", "00"), &other), "50 01 05 91 03 91 13");
}

// A property subscription reports that property with its own increment. An
// unanswered confirmed notification is sent again after each APDU timeout,
// three times, then given up; only its subscriber's Simple-ACK or Error
// answers it.
TEST(SimCov, ConfirmedPropertyNotificationsAreRetriedThenDropped)
{
    Device d;
    // Analog value 1's present value, confirmed, for 60 s, increment 2.
    ASSERT_EQ(d.Ask("00 05 01 1C 09 07 1C 00 80 00 01 29 01 39 3C 4E 09 55 4F 5C 40 00 00 00"), "20 01 1C");
    const std::string first = "00 05 00 01 " + Notification("3C", "41 A8 00 00");
    EXPECT_EQ(d.After(0), std::vector<std::string>{first});
    const Peer other = PeerAt(47901);
    EXPECT_EQ(d.Ask("20 00 01", &other), "");  // someone else's acknowledgement
    EXPECT_EQ(d.Ask("30 00 01 00"), "");       // a Complex-ACK is no answer
    EXPECT_EQ(d.services.Subscriptions().Unanswered(), 1u);
    EXPECT_TRUE(d.After(3.9).empty());
    for (int retry = 0; retry < 3; retry++)
        EXPECT_EQ(d.After(4.5), std::vector<std::string>{first}) << "retry " << retry;
    EXPECT_TRUE(d.After(4.5).empty());
    EXPECT_EQ(d.services.Subscriptions().Unanswered(), 0u);
    // 23: 2 from 21, with the next invoke ID; an Error answers it as well.
    d.WriteAV1("41 B8 00 00");
    const std::vector<std::string> next = d.After(0);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].substr(0, 11), "00 05 01 01");
    d.Ask("50 01 01 91 00 91 00");
    EXPECT_EQ(d.services.Subscriptions().Unanswered(), 0u);
    d.WriteAV1("41 C0 00 00");  // 24: 1 from 23
    EXPECT_TRUE(d.After(10).empty());
}

// The log of AI:1 on a held clock set to 2026-12-04 10:00:00: a log-status
// record, then a sample every 5 s.
struct Log : Device {
    Log()
    {
        db.SetClock(MakeDate(126, 12, 4, 5), MakeTime(10, 0));
        for (int i = 0; i < 9; i++)
            After(i ? 5 : 0);  // sequence 1: status; 2 to 10: 10:00:00 to 10:00:40
    }
    // The acknowledgement's parameters decoded by the library.
    CBACnetReadRangeService Read(const std::string& range, int maxAPDUCode = 5)
    {
        CBACnetReadRangeService ack;
        const unsigned char code = static_cast<unsigned char>(maxAPDUCode);
        std::vector<unsigned char> reply = Hex(Ask("00 " + ToHex(&code, 1) + " 01 1A 0C 05 00 00 01 19 83 " + range));
        EXPECT_EQ(reply.size() > 3 ? reply[0] : 0, 0x30) << range;
        if (reply.size() <= 3)
            return ack;
        Received params(std::vector<unsigned char>(reply.begin() + 3, reply.end()));
        int len = 0;
        EXPECT_TRUE(ack.ReadFrame(params.buf(), len, params.end())) << range;
        return ack;
    }
};

TEST(SimTrendLog, ReadRangeWindows)
{
    using R = CBACnetReadRangeService;
    struct Case {
        const char* name;
        const char* range;
        int maxAPDUCode;
        unsigned char flags;
        DWORD count;
        int firstSequence;  // -1: not sent
        float firstValue;   // of the first record, when a sample
    } cases[] = {
        {"all", "", 5, R::FIRST_ITEM | R::LAST_ITEM, 10, -1, 0},
        {"position 1, 3 on", "3E 21 01 31 03 3F", 5, R::FIRST_ITEM, 3, -1, 0},
        {"position 10, 2 back", "3E 21 0A 31 FE 3F", 5, R::LAST_ITEM, 2, -1, 22.75f},
        {"position 0", "3E 21 00 31 01 3F", 5, 0, 0, -1, 0},
        {"position past the end", "3E 21 0B 31 01 3F", 5, 0, 0, -1, 0},
        {"sequence 4, 2 on", "6E 21 04 31 02 6F", 5, 0, 2, 4, 22.5f},
        {"after 10:00:05, 2", "7E A4 7E 0C 04 05 B4 0A 00 05 00 31 02 7F", 5, 0, 2, 4, 22.5f},
        {"before 10:00:05, 5", "7E A4 7E 0C 04 05 B4 0A 00 05 00 31 FB 7F", 5, R::FIRST_ITEM, 2, 1, 0},
        {"back from the end within 128 octets", "3E 21 0A 31 F6 3F", 1, R::LAST_ITEM | R::MORE_ITEMS, 5, -1, 21.0f},
    };
    Log log;
    for (const Case& c : cases) {
        const R ack = log.Read(c.range, c.maxAPDUCode);
        EXPECT_EQ(ack.m_resultFlags, c.flags) << c.name;
        EXPECT_EQ(ack.m_itemCount, c.count) << c.name;
        ASSERT_EQ(ack.m_records.size(), c.count) << c.name;
        EXPECT_EQ(ack.m_hasFirstSequence ? int(ack.m_firstSequence) : -1, c.firstSequence) << c.name;
        if (c.count == 0)
            continue;
        if (ack.m_records[0].m_datum == _BACnetLogRecord::DATUM_REAL) {
            EXPECT_EQ(ack.m_records[0].m_real, c.firstValue) << c.name;
        } else {
            EXPECT_EQ(ack.m_records[0].m_datum, _BACnetLogRecord::DATUM_LOG_STATUS) << c.name;
        }
    }
    // On the wire: the log-status record that opens the log, and the first sample.
    EXPECT_EQ(log.Ask("00 05 02 1A 0C 05 00 00 01 19 83 6E 21 01 31 02 6F"),
              "30 02 1A 0C 05 00 00 01 19 83 3A 05 80 49 02 5E 0E A4 7E 0C 04 05 B4 0A 00 00 00 0F 1E 0A 05 00 1F 0E "
              "A4 7E 0C 04 05 B4 0A 00 00 00 0F 1E 2C 41 A0 00 00 1F 2A 04 00 5F 69 01");
}

TEST(SimTrendLog, TheBufferKeepsTheNewestAndCountsThemAll)
{
    Log log;
    const auto counts = [&] { return log.ValueOf("05 00 00 01", "8D") + " / " + log.ValueOf("05 00 00 01", "91"); };
    const auto write = [&](const std::string& property) {
        return log.Ask("00 05 01 0F 0C 05 00 00 01 19 " + property);
    };
    EXPECT_EQ(counts(), "21 0A / 21 0A");  // the record count, and the total
    // 1000 samples more, 2 s apart, into a buffer of 1000.
    EXPECT_EQ(log.ValueOf("05 00 00 01", "7E"), "22 03 E8");
    ASSERT_EQ(write("86 3E 21 C8 3F"), "20 01 0F");
    log.After(2000);
    EXPECT_EQ(counts(), "22 03 E8 / 22 03 F2");
    ASSERT_EQ(log.Read("3E 21 01 31 01 3F").m_records.size(), 1u);
    EXPECT_EQ(log.Read("6E 21 0B 31 01 6F").m_itemCount, 1u);  // the oldest kept: sequence 11
    EXPECT_EQ(log.Read("6E 21 0A 31 01 6F").m_itemCount, 0u);
    // Disabled: a status record, then nothing; emptied: one status record.
    ASSERT_EQ(write("85 3E 10 3F"), "20 01 0F");
    log.After(100);
    ASSERT_EQ(write("8D 3E 21 00 3F"), "20 01 0F");
    EXPECT_EQ(counts(), "21 01 / 22 03 F4");
    const CBACnetReadRangeService purged = log.Read("");
    ASSERT_EQ(purged.m_records.size(), 1u);
    EXPECT_EQ(purged.m_records[0].m_logStatus, _BACnetLogRecord::LOG_DISABLED | _BACnetLogRecord::BUFFER_PURGED);
    for (const char* refused : {"8D 3E 21 05 3F", "86 3E 21 63 3F", "7E 3E 21 00 3F", "85 3E 21 01 3F"})
        EXPECT_EQ(write(refused).substr(0, 2), "50") << refused;
}

}  // namespace

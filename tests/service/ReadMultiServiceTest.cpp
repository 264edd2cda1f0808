// ReadPropertyMultiple: the request a run of bound tags makes, in the
// service's buffer or the caller's, and what the acknowledgement hands each
// entry, across polls and from hostile peers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "Devices.h"
#include "Hex.h"
#include "frame/Tag.h"
#include "service/ReadMultiService.h"

namespace {

using T = CBACnetObjTypes;
using Tag = CBACnetTag;

// The run's request, as a driver builds it into the service's buffer.
void Build(CBACnetReadMultiService& service, CBACnetOBJ& device, BoundRun& run, int first)
{
    int len = 0;
    service.MakeHeaderFrame(len, &device, first);
    for (int i = first; i < run.size(); i++)
        if (!service.MakeBodyFrame(len, &run[i], i))
            break;
}

TEST(ReadMultiple, Requests)
{
    InvokeIDScope scope(6);
    CBACnetOBJ device = LocalDevice();
    BoundRun run({{0, 1, L"PresentValue"}, {0, 2, L"presentvalue"}, {3, 3, L"PresentValue"},
                  {1, 4, L"priorityarray[8]"}, {1, 5, L"priorityarray[300]"}});
    CBACnetReadMultiService service(1);
    EXPECT_EQ(service.m_invokeID, 7);
    Build(service, device, run, 1);
    EXPECT_EQ(ToHex(service.m_frame, service.m_frameLength),
              "01 04 02 05 07 0E 0C 00 00 00 02 1E 09 55 1F 0C 00 C0 00 03 1E 09 55 1F"
              " 0C 00 40 00 04 1E 09 57 19 08 1F 0C 00 40 00 05 1E 09 57 1A 01 2C 1F");
    EXPECT_EQ(service.m_first, 1);
    EXPECT_EQ(service.m_last, 4);

    // The next service takes the next invoke ID; its schedule header goes into the caller's buffer.
    CBACnetReadMultiService second;
    std::vector<unsigned char> buf(device.m_maxAPDU, 0xEE);
    int len = 0;
    EXPECT_EQ(second.MakeSchedueHeader(buf.data(), len, &device), 8);
    EXPECT_EQ(ToHex(buf.data(), len), "01 04 02 05 08 0E");
    EXPECT_EQ(std::count(buf.begin() + len, buf.end(), 0), static_cast<long>(buf.size()) - len);
    EXPECT_EQ(second.m_frame, nullptr);
}

// Where a run ends for each max-APDU code: the last entry that still reports room.
TEST(ReadMultiple, RunEndsWhereTheAcknowledgementWouldNotFit)
{
    const struct {
        unsigned short maxAPDU;
        int fullAt;  // 1-based entry whose MakeBodyFrame returns 0
    } cases[] = {{2000, 90}, {480, 28}, {128, 6}, {0, 1}};
    BoundRun run(std::vector<Binding>(100, {0, 1, L"PresentValue"}));
    for (const auto& c : cases) {
        CBACnetOBJ device = LocalDevice(c.maxAPDU);
        CBACnetReadMultiService service(0);
        Build(service, device, run, 0);
        EXPECT_EQ(service.m_last, c.fullAt - 1) << "max APDU " << c.maxAPDU;
        EXPECT_EQ(service.m_frameLength, 6 + 9 * c.fullAt) << "max APDU " << c.maxAPDU;
    }
}

// A driver that keeps appending after the request is full, with a routed
// address of 23 octets and a device that accepts almost nothing; and
// cursors no request can have.
TEST(ReadMultiple, NeverWritesPastItsBuffer)
{
    CBACnetOBJ device = RoutedDevice(1, std::vector<unsigned char>(23, 1), 1);
    BoundRun run(std::vector<Binding>(300, {0, 1, L"PresentValue"}));
    CBACnetReadMultiService service(0), unprepared;
    int len = 0;
    service.MakeHeaderFrame(len, &device, 0);
    for (int i = 0; i < run.size(); i++)
        service.MakeBodyFrame(len, &run[i], i);
    EXPECT_LE(service.m_frameLength, service.m_frameSize);
    int zero = 0;
    EXPECT_EQ(unprepared.MakeBodyFrame(zero, &run[0], 0), 0);
    const int before = service.m_frameLength;
    for (int wild : {1 << 30, -1})
        EXPECT_EQ(service.MakeBodyFrame(wild, &run[0], 0), 0) << wild;
    EXPECT_EQ(service.m_frameLength, before);
}

// The request into a caller's buffer is, octet for octet, the request the
// service's own buffer gets, wherever the run starts and whatever ends it
// (entries of every form, one changed after binding); a smaller buffer ends
// it early without writing outside its size.
TEST(ReadMultiple, CallerBufferGetsTheSameOctets)
{
    const Binding forms[] = {{0, 0, L"PresentValue"}, {1, 0, L"priorityarray[8]"}, {1, 0, L"priorityarray[300]"},
                             {19, 0, L"PresentValue"}, {2, 0, L"PresentValue"}};
    std::vector<Binding> bindings;
    for (int i = 0; i < 120; i++)
        bindings.push_back({forms[i % 5].type, unsigned(i), forms[i % 5].name});
    BoundRun run(bindings);
    run[4].m_propertyID = 512;
    const struct {
        unsigned short maxAPDU;
        bool routed;
        int first;
    } cases[] = {{1476, false, 0}, {480, false, 7}, {50, false, 3}, {206, true, 100}, {1476, false, 120}};
    for (const auto& c : cases) {
        CBACnetOBJ device = c.routed ? RoutedDevice(3, {1, 2, 3, 4, 5, 6}, c.maxAPDU) : LocalDevice(c.maxAPDU);
        InvokeIDScope scope(0x40);
        CBACnetReadMultiService own(c.first);
        Build(own, device, run, c.first);
        CBACnetPDU::c_invokeID = 0x40;
        CBACnetReadMultiService caller(c.first);
        std::vector<unsigned char> buf(CBACnetReadMultiService::REQUEST_ROOM);
        const int n = caller.MakeFrame(buf.data(), static_cast<int>(buf.size()), &device, run.m_array);
        EXPECT_EQ(ToHex(buf.data(), n), ToHex(own.m_frame, own.m_frameLength)) << c.maxAPDU << " from " << c.first;
        EXPECT_EQ(caller.m_last, own.m_last) << c.maxAPDU << " from " << c.first;
        EXPECT_EQ(caller.m_frame, nullptr);
    }

    CBACnetOBJ device = LocalDevice(1476);
    InvokeIDScope scope(1);
    CBACnetReadMultiService whole(0);
    std::vector<unsigned char> full(CBACnetReadMultiService::REQUEST_ROOM);
    const int fullLength = whole.MakeFrame(full.data(), static_cast<int>(full.size()), &device, run.m_array);
    const int least = CBACnetReadMultiService::REQUEST_ROOM_MIN;
    for (int size : {least - 1, least, 333}) {
        CBACnetPDU::c_invokeID = 1;
        CBACnetReadMultiService service(0);
        // The buffer sits inside a larger block whose other octets must stay untouched.
        std::vector<unsigned char> block(size + 64, 0xA5);
        const int n = service.MakeFrame(block.data() + 32, size, &device, run.m_array);
        const auto after = block.begin() + 32 + std::max(n, 0);
        EXPECT_EQ(std::count(block.begin(), block.begin() + 32, 0xA5), 32) << size;
        EXPECT_EQ(std::count(after, block.end(), 0xA5), block.end() - after) << size;
        if (size < least) {
            EXPECT_EQ(n, 0);
            continue;
        }
        EXPECT_LE(n, std::min(size, fullLength));
        EXPECT_GT(n, size - 13 - 1) << size;  // only an entry that might not fit is left out
        EXPECT_EQ(ToHex(block.data() + 32, n), ToHex(full.data(), n)) << size;
        EXPECT_LT(service.m_last, whole.m_last) << size;
    }
}

// Analog inputs 1 to 4: present value, units, present value, present value.
class Poll {
public:
    Poll() : m_run({{0, 1, L"PresentValue"}, {0, 2, L"Units"}, {0, 3, L"PresentValue"}, {0, 4, L"PresentValue"}})
    {
        CBACnetOBJ device;
        Build(m_rpm, device, m_run, 0);
    }
    int Read(Received& ack) { return m_rpm.ReadBodyFrame(ack.buf(), ack.end(), m_run.m_array); }
    T& operator[](int i) { return m_run[i]; }
    BoundRun m_run;
    CBACnetReadMultiService m_rpm{0};
};

const std::string kFirst = "0C 00 00 00 01 1E 29 55 4E 44 41 A8 00 00 4F 1F ";   // 21.0
const std::string kUnits = "0C 00 00 00 02 1E 29 75 4E 91 3E 4F 1F ";            // degrees-Celsius
const std::string kThird = "0C 00 00 00 03 1E 29 55 4E 44 42 C8 00 00 4F 1F ";   // 100.0
const std::string kFourth = "0C 00 00 00 04 1E 29 55 4E 44 42 48 00 00 4F 1F";   // 50.0

// One odd result for entry 2. One that can be stepped over blinds nothing
// else: the entries around it still get their values, the driver sees which
// entry failed and why. One that cannot refuses every entry from it on with
// the reason, those before it keep their values.
TEST(PollRecovery, OddResultBlindsNoMoreThanItMust)
{
    const std::string units = "0C 00 00 00 02 1E 29 75 ";
    const struct {
        const char* name;
        std::string second;  // the result for entry 2 (units of AI:2)
        bool walkable;
        int result;          // entry 2's m_result
        int refusal;         // entry 2's when walkable, else entries 3 and 4's
        int errorClass = -1, errorCode = -1;
    } cases[] = {
        {"units 47808 against a one-octet size", units + "4E 92 BA C0 4F 1F ", true, T::RESULT_REFUSED,
         Tag::REFUSAL_BAD_LENGTH},
        {"a constructed value", units + "4E 0E 21 01 2E 21 02 2F 0F 4F 1F ", true, T::RESULT_REFUSED,
         Tag::REFUSAL_WRONG_TYPE},
        {"a result for another object", "0C 00 00 00 07 1E 29 75 4E 91 3E 4F 1F ", true, T::RESULT_REFUSED,
         Tag::REFUSAL_MISMATCH},
        {"access error with its reason", units + "5E 91 02 91 20 5F 1F ", true, T::RESULT_ACCESS_ERROR, 0, 2, 32},
        {"two-octet error code", units + "5E 91 02 92 01 02 5F 1F ", true, T::RESULT_ACCESS_ERROR, 0, 2, 258},
        {"closing tag of another number", units + "4E 92 BA C0 5F 1F ", false, T::RESULT_REFUSED,
         Tag::REFUSAL_UNEXPECTED_OCTET},
        {"no opening tag 1", "0C 00 00 00 02 29 75 4E 91 3E 4F 1F ", false, T::RESULT_REFUSED,
         Tag::REFUSAL_UNEXPECTED_OCTET},
        {"nested too deep", units + "4E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E 0E ", false,
         T::RESULT_REFUSED, Tag::REFUSAL_TOO_DEEP},
    };
    for (const auto& c : cases) {
        Poll poll;
        Received ack(kFirst + c.second + kThird + kFourth);
        ASSERT_EQ(poll.Read(ack), 1) << c.name;
        const int decoded = !c.walkable ? 1 : c.result == T::RESULT_REFUSED ? 3 : 4;
        EXPECT_EQ(poll.m_rpm.m_decoded, decoded) << c.name;
        const int values[] = {21, -1, 100, 50};
        for (int i : {0, 2, 3}) {
            const bool valued = i == 0 || c.walkable;
            EXPECT_EQ(poll[i].m_result, valued ? T::RESULT_VALUE : T::RESULT_REFUSED) << c.name << " entry " << i;
            EXPECT_EQ(poll[i].IsChangeValue(), valued ? T::CHANGE_NEW : T::CHANGE_NO_VALUE) << c.name << " entry " << i;
            if (!valued) {
                EXPECT_EQ(poll[i].m_refusal, c.refusal) << c.name << " entry " << i;
                continue;
            }
            float real;
            memcpy(&real, poll[i].m_value, sizeof real);
            EXPECT_EQ(real, values[i]) << c.name << " entry " << i;
        }
        EXPECT_EQ(poll[1].m_result, c.result) << c.name;
        if (c.walkable) {  // else entry 2 keeps the reason its own decode refused with
            EXPECT_EQ(poll[1].m_refusal, c.refusal) << c.name;
        }
        EXPECT_EQ(poll[1].m_errorClass, c.errorClass) << c.name;
        EXPECT_EQ(poll[1].m_errorCode, c.errorCode) << c.name;
        const int change = c.result == T::RESULT_ACCESS_ERROR ? T::CHANGE_NONE : T::CHANGE_NO_VALUE;
        EXPECT_EQ(poll[1].IsChangeValue(), change) << c.name;
    }
    // An acknowledgement run past the end of the array (it shrank between
    // request and reply) is refused; the entry before the end got its part.
    Poll poll;
    poll.m_rpm.m_first = 3;
    poll.m_rpm.m_last = 4;
    Received ack(kFourth);
    EXPECT_EQ(poll.Read(ack), 0);
    EXPECT_EQ(poll[3].IsChangeValue(), T::CHANGE_NEW);
}

// Every prefix of a whole reply: no entry whose result was cut gets a value
// or a change, and every entry before the cut does.
TEST(PollRecovery, CutReplyHandsOverOnlyWholeResults)
{
    const std::vector<unsigned char> octets = Hex(kFirst + kUnits + kThird + kFourth);
    const size_t ends[] = {Hex(kFirst).size(), Hex(kFirst + kUnits).size(), Hex(kFirst + kUnits + kThird).size(),
                           octets.size()};
    for (size_t n = 0; n <= octets.size(); n++) {
        Poll poll;
        Received ack(octets, n);
        ASSERT_EQ(poll.Read(ack), 1) << n;
        int whole = 0;
        for (int i = 0; i < 4; i++) {
            const bool complete = n >= ends[i];
            whole += complete;
            EXPECT_EQ(poll[i].m_result, complete ? T::RESULT_VALUE : T::RESULT_REFUSED) << "cut at " << n << ", " << i;
            EXPECT_EQ(poll[i].IsChangeValue(), complete ? T::CHANGE_NEW : T::CHANGE_NO_VALUE) << "cut at " << n;
        }
        EXPECT_EQ(poll.m_rpm.m_decoded, whole) << n;
    }
}

}  // namespace

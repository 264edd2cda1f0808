// The road of one poll, end to end: host tags bound by name, one
// ReadPropertyMultiple request, a Complex-ACK written out by hand, the changed
// values handed over as host values, and the change states across polls.
#include <gtest/gtest.h>

#include <vector>

#include "Devices.h"
#include "Hex.h"
#include "InvokeID.h"
#include "frame/NPCI.h"
#include "frame/PDU.h"
#include "host/Arrays.h"
#include "host/TagVal.h"
#include "service/ReadMultiService.h"

namespace {

struct Binding {
    unsigned type, instance;
    const wchar_t* name;
};

const Binding kBindings[] = {
    {0, 1, L"PresentValue"},      // analog input 1
    {0, 2, L"presentvalue"},      // analog input 2, the name in any case
    {3, 3, L"PresentValue"},      // binary input 3
    {1, 4, L"priorityarray[8]"},  // analog output 4, slot 8
    {0, 9, L"PresentValue"},      // analog input 9: the device does not have it
};

const char* const kRequest =
    "01 04 02 05 2A 0E"
    " 0C 00 00 00 01 1E 09 55 1F"
    " 0C 00 00 00 02 1E 09 55 1F"
    " 0C 00 C0 00 03 1E 09 55 1F"
    " 0C 00 40 00 04 1E 09 57 19 08 1F"
    " 0C 00 00 00 09 1E 09 55 1F";

// A Complex-ACK to invoke ID 42: 21.0, 100.0, active, Null, and an access
// error (object, unknown-object) for the missing input.
std::string Acknowledgement(const char* secondValue)
{
    return std::string("01 00 30 2A 0E") +
           " 0C 00 00 00 01 1E 29 55 4E 44 41 A8 00 00 4F 1F"
           " 0C 00 00 00 02 1E 29 55 4E 44 " + secondValue + " 4F 1F"
           " 0C 00 C0 00 03 1E 29 55 4E 91 01 4F 1F"
           " 0C 00 40 00 04 1E 29 57 39 08 4E 00 4F 1F"
           " 0C 00 00 00 09 1E 29 55 5E 91 01 91 1F 5F 1F";
}

class PollRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const Binding& b : kBindings) {
            m_tags.push_back(Bind(b.type, b.instance, b.name));
            ASSERT_NE(m_tags.back(), nullptr);
            m_array.Add(m_tags.back().get());
        }
    }

    // What a driver does with a received frame: network header, APDU header,
    // then the run's decoder, everything bounded by the octets received.
    void Receive(CBACnetReadMultiService& service, const std::string& hex)
    {
        Received frame(hex);
        int len = 0;
        CBACnetNPCI npci;
        ASSERT_EQ(npci.ReadFrame(frame.buf(), len, frame.end()), 1);
        CBACnetComplexAckPDU complex;
        CBACnetPDU* table[8] = {nullptr, nullptr, nullptr, &complex, nullptr, nullptr, nullptr, nullptr};
        ASSERT_EQ(CBACnetPDU::GetReceiveData(table, frame.buf(), len, frame.end()), &complex);
        ASSERT_EQ(complex.GetInvokeID(), service.m_invokeID);
        ASSERT_EQ(complex.GetServiceAckChoice(), CBACnetReadMultiService::SERVICE_CHOICE);
        ASSERT_EQ(service.ReadBodyFrame(frame.buf() + len, frame.end() - len, m_array), 1);
    }

    // The changed entries' values, taken as the driver takes them.
    std::vector<std::string> TakeChanges()
    {
        std::vector<std::string> taken;
        for (auto& tag : m_tags) {
            if (tag->IsChangeValue() != 1)
                continue;
            CTagVal value;
            EXPECT_EQ(tag->GetValue(value, 12, 0), 1);
            const CString& text = value.GetValStr();
            taken.push_back(std::to_string(value.GetType()) + ":" +
                            std::string(text.GetString(), text.GetString() + text.GetLength()));
            tag->ResetChangeValue();
        }
        return taken;
    }

    std::vector<std::unique_ptr<CBACnetObjTypes>> m_tags;
    CPtrArray m_array;
};

TEST_F(PollRoad, ChangedValuesReachTheHost)
{
    InvokeIDScope scope(41);
    CBACnetOBJ device = LocalDevice();

    CBACnetReadMultiService poll(0);
    int len = 0;
    poll.MakeHeaderFrame(len, &device, 0);
    for (int i = 0; i < m_array.GetSize(); i++)
        ASSERT_EQ(poll.MakeBodyFrame(len, m_tags[i].get(), i), 1);
    EXPECT_EQ(ToHex(poll.m_frame, poll.m_frameLength), kRequest);

    // Every value is new; the access error raises nothing.
    Receive(poll, Acknowledgement("42 C8 00 00"));
    const std::vector<int> states = {1, 1, 1, 1, 0};
    for (size_t i = 0; i < states.size(); i++)
        EXPECT_EQ(m_tags[i]->IsChangeValue(), states[i]) << "entry " << i;
    const std::vector<std::string> first = TakeChanges();
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first[0], "7:21");
    EXPECT_EQ(first[1], "7:100");
    EXPECT_EQ(first[2].substr(2), "1");
    EXPECT_EQ(first[3], "7:0");  // a Null slot read into a floating tag

    // The same reply again: nothing changed.
    Receive(poll, Acknowledgement("42 C8 00 00"));
    EXPECT_TRUE(TakeChanges().empty());

    // Only the second input moved.
    Receive(poll, Acknowledgement("42 CA 00 00"));
    const std::vector<std::string> third = TakeChanges();
    ASSERT_EQ(third.size(), 1u);
    EXPECT_EQ(third[0], "7:101");
}

}  // namespace

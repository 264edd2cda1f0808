// A ReadPropertyMultiple acknowledgement handed to a run of bound host tags,
// as the driver does after a poll. Selector octets: the run's length (one to
// eight entries, bit 3 asks for a run one longer than the array), then one
// binding per entry.
//
// Oracles: m_decoded counts the entries not refused; a refused entry says
// why and got no value (its tag is fresh, so it still has none).
#include <vector>

#include "Bindings.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Input in(data, size);
    const unsigned char shape = in.Take();
    const int count = (shape & 7) + 1;
    std::vector<fuzz::Bound> run;
    CPtrArray array;
    for (int i = 0; i < count; i++) {
        run.push_back(fuzz::Bind(in.Take()));
        array.Add(run.back().tag.get());
    }
    in.Rest();

    CBACnetOBJ device;
    device.m_objectID = _BACnetObjectID(8, 1234);
    CBACnetReadMultiService rpm(0);
    int len = 0;
    rpm.MakeHeaderFrame(len, &device, 0);
    for (int i = 0; i < count; i++)
        if (!rpm.MakeBodyFrame(len, run[i].tag.get(), i))
            break;
    const bool overrun = (shape & 8) != 0;
    if (overrun)
        rpm.m_last = count;

    const int ok = rpm.ReadBodyFrame(in.buf(), in.end(), array);
    if (ok == overrun)
        abort();  // only a run past the array's end is refused
    if (ok) {
        int decoded = 0;
        for (fuzz::Bound& entry : run) {
            if (entry.tag->m_result != CBACnetObjTypes::RESULT_REFUSED) {
                decoded++;
                continue;
            }
            if (entry.tag->m_refusal == CBACnetTag::REFUSAL_NONE ||
                entry.tag->IsChangeValue() != CBACnetObjTypes::CHANGE_NO_VALUE)
                abort();
        }
        // Entries past the request's run were never handed a result.
        if (decoded - (count - 1 - rpm.m_last) != rpm.m_decoded)
            abort();
    }
    for (fuzz::Bound& entry : run) {
        CTagVal value;
        if (entry.tag->GetValue(value, entry.hostType, entry.subType))
            value.GetValStr();
        entry.tag->ResetChangeValue();
    }
    return 0;
}

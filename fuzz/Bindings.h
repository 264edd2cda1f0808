// Host tag bindings the targets decode replies for: one of each kind of
// value the catalogue holds (real, enumeration, priority-array element with
// one- and two-octet index, Boolean, unsigned, text, date, time, bit string,
// identifier, date-time, and the object types sent under another number).
// The seed corpus addresses the same objects.
#pragma once

#include <cstdlib>
#include <memory>

#include <bacnetcodec/bacnetcodec.h>

namespace fuzz {

struct Binding {
    unsigned type;
    unsigned instance;
    const wchar_t* name;
    unsigned short hostType;
};

constexpr int kBindingCount = 16;
constexpr Binding kBindings[kBindingCount] = {
    {0, 5, L"PresentValue", 0},
    {0, 5, L"1737", 0},
    {1, 1, L"priorityarray[8]", CBACnetTypes::HOST_FLOAT},
    {1, 1, L"priorityarray[300]", 2},
    {3, 2, L"PresentValue", 0},
    {17, 2, L"PresentValue", 0},
    {13, 2, L"PresentValue", 0},
    {8, 1, L"ObjectName", CBACnetTypes::HOST_TEXT},
    {8, 1, L"localdate", CBACnetTypes::HOST_TEXT},
    {8, 1, L"localtime.minute", 0},
    {0, 5, L"StatusFlag.2", 0},
    {8, 1, L"ObjectID.instanceno", 0},
    {3, 3, L"COStime.hour", 0},
    {18, 70000, L"PresentValue", 0},
    {20, 9, L"PresentValue", 0},
    {13, 2, L"statetext[2]", CBACnetTypes::HOST_TEXT},
};

// A bound host tag.
struct Bound {
    std::unique_ptr<CBACnetObjTypes> tag;
    unsigned short subType = 0;
    unsigned short hostType = 0;
};

// Bound once per process from the table, then copied: a fresh copy per
// input keeps inputs independent without parsing names every time.
inline Bound Bind(int index)
{
    struct Prototypes {
        std::unique_ptr<CBACnetObjTypes> tags[kBindingCount];
        unsigned short subTypes[kBindingCount];
        Prototypes()
        {
            for (int i = 0; i < kBindingCount; i++) {
                const Binding& b = kBindings[i];
                tags[i].reset(new CBACnetObjTypes(_BACnetObjectID(b.type, b.instance)));
                CString name(b.name);
                if (!tags[i]->CreateProperty(name, subTypes[i], b.hostType))
                    abort();  // a table entry the catalogue refuses is a broken target
            }
        }
    };
    static const Prototypes prototypes;
    const int i = index % kBindingCount;
    Bound bound;
    bound.tag.reset(new CBACnetObjTypes(*prototypes.tags[i]));
    bound.subType = prototypes.subTypes[i];
    bound.hostType = kBindings[i].hostType;
    return bound;
}

}  // namespace fuzz

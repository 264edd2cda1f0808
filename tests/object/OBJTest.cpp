#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Archived.h"
#include "Hex.h"
#include "host/CodePage.h"
#include "object/OBJ.h"

namespace {

// Loads `bytes` into `obj`; returns how many octets the load left unread.
int Load(std::vector<unsigned char> bytes, CBACnetOBJ& obj, unsigned short version)
{
    Loading in(std::move(bytes));
    obj.StoreParam(in.ar(), version);
    unsigned char rest[256];
    return static_cast<int>(in.ar().Read(rest, sizeof rest));
}

// A record with every field away from its default.
CBACnetOBJ Filled()
{
    CBACnetOBJ obj;
    obj.m_objectID = _BACnetObjectID(8, 1001);
    obj.m_name = L"Boiler \u00e9\u20ac";
    obj.m_address.m_network[0] = 0x00;
    obj.m_address.m_network[1] = 0x05;
    obj.m_address.m_macLength = 6;
    for (int i = 0; i < 24; i++)
        obj.m_address.m_mac[i] = static_cast<unsigned char>(0xA0 + i);  // past the length too
    obj.m_maxAPDU = 480;
    obj.m_segmentation = 3;
    for (int i = 0; i < CBACnetOBJ::HOST_KEY_SIZE; i++)
        obj.m_hostKey[i] = static_cast<unsigned char>(i + 1);
    for (int i = 0; i < CBACnetOBJ::HOST_EXTRA_SIZE; i++)
        obj.m_hostExtra[i] = static_cast<unsigned char>(0x80 + i);
    return obj;
}

// Every field of a record as one comparable text.
std::string Fields(const CBACnetOBJ& o, bool withExtra = true)
{
    return std::to_string(o.m_objectID.GetValue()) + " " +
           HostWideToAnsi(o.m_name.GetString(), static_cast<size_t>(o.m_name.GetLength())) + " | " +
           ToHex(o.m_address.m_network, 2) + " | " + std::to_string(o.m_address.m_macLength) + " " +
           ToHex(o.m_address.m_mac, 24) + " | " + std::to_string(o.m_maxAPDU) + " " +
           std::to_string(o.m_segmentation) + " | " + ToHex(o.m_hostKey, 24) +
           (withExtra ? " | " + ToHex(o.m_hostExtra, 35) : "");
}

TEST(OBJ, CompareObjectTestsIdentityOnly)
{
    struct Case {
        const char* name;
        void (*change)(CBACnetOBJ&);
        int expected;
    } cases[] = {
        {"name", [](CBACnetOBJ& o) { o.m_name = L"other"; }, 1},
        {"MAC past its length", [](CBACnetOBJ& o) { o.m_address.m_mac[6] ^= 1; }, 1},
        {"type", [](CBACnetOBJ& o) { o.m_objectID.m_type = 2; }, 0},
        {"instance", [](CBACnetOBJ& o) { o.m_objectID.m_instance = 1002; }, 0},
        {"host key", [](CBACnetOBJ& o) { o.m_hostKey[23] ^= 1; }, 0},
        {"MAC length", [](CBACnetOBJ& o) { o.m_address.m_macLength = 5; }, 0},
        {"network number", [](CBACnetOBJ& o) { o.m_address.m_network[1] = 6; }, 0},
        {"last MAC octet", [](CBACnetOBJ& o) { o.m_address.m_mac[5] ^= 1; }, 0},
    };
    for (const Case& c : cases) {
        CBACnetOBJ a = Filled(), b = Filled();
        c.change(b);
        EXPECT_EQ(a.CompareObject(b), c.expected) << c.name;
        EXPECT_EQ(b.CompareObject(a), c.expected) << c.name;
    }
    // A MAC length past the storage (as an archive may carry) stays inside it.
    CBACnetOBJ a, b;
    a.m_address.m_macLength = b.m_address.m_macLength = 255;
    EXPECT_EQ(a.CompareObject(b), 1);
    b.m_address.m_mac[23] = 9;
    EXPECT_EQ(a.CompareObject(b), 0);
}

TEST(OBJ, DefaultsAndCopies)
{
    CBACnetOBJ source = Filled(), copy;
    const std::string zeros24 = ToHex(std::vector<unsigned char>(24));
    EXPECT_EQ("0  | FF FF | 0 " + zeros24 + " | 1400 0 | " + zeros24 + " | " + ToHex(std::vector<unsigned char>(35)),
              Fields(copy));
    copy.CopyObject(source);
    EXPECT_EQ(Fields(source), Fields(copy));
    copy.CopyObject(copy);
    EXPECT_EQ(Fields(source), Fields(copy));
}

// Version 0 carries no host extra: the loaded record keeps its own. A cut
// inside the host key or the area after it throws.
TEST(OBJ, StoredRecordLoadsBackWithEitherVersion)
{
    for (unsigned short version : {1, 2, 0}) {
        CBACnetOBJ source = Filled(), loaded;
        auto bytes = Stored([&](CArchive& ar) { source.StoreParam(ar, version); });
        EXPECT_EQ(bytes.size(), 4u + 4 + 2 * 9 + 2 + 1 + 24 + (version ? 35 : 107) + 27) << version;
        EXPECT_EQ(Load(bytes, loaded, version), 0) << version;
        EXPECT_EQ(Fields(source, version != 0), Fields(loaded, version != 0)) << version;
        if (version == 0) {
            EXPECT_EQ(ToHex(std::vector<unsigned char>(35)), ToHex(loaded.m_hostExtra, 35));
        }
        for (size_t cut : {29 + 24 + (version ? 34 : 106), 29 + 10}) {  // in the area after the key, in the key
            bytes.resize(cut);
            EXPECT_THROW(Load(bytes, loaded, version), CArchiveException) << version << " cut at " << cut;
        }
    }
}

TEST(OBJ, ArchiveBytesOfASmallRecord)
{
    CBACnetOBJ obj;
    obj.m_objectID = _BACnetObjectID(8, 5);
    obj.m_name = L"AB";
    obj.m_maxAPDU = 1476;
    obj.m_segmentation = 3;
    obj.m_hostKey[0] = 0x11;
    obj.m_hostExtra[34] = 0x22;
    obj.m_address.m_macLength = 1;
    obj.m_address.m_mac[0] = 0x0A;
    const std::string zeros23 = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    const std::string zeros34 = zeros23 + " 00 00 00 00 00 00 00 00 00 00 00";
    const auto bytes = Stored([&](CArchive& ar) { obj.StoreParam(ar, 1); });
    EXPECT_EQ(ToHex(bytes), "05 00 00 02"               // device 5
                            " FF FE FF 02 41 00 42 00"  // wide name AB
                            " C4 05 03"                 // max APDU 1476, segmentation 3
                            " 11" + zeros23 +           // host key
                            zeros34 + " 22"             // host extra
                            " FF FF 01 0A" + zeros23);  // address
}

// An older archive: an 8-bit name, the legacy area skipped to the octet.
TEST(OBJ, VersionZeroArchiveSkipsExactlyTheLegacyArea)
{
    std::vector<unsigned char> bytes = Hex("05 00 00 02  04 41 42 E9 80  C4 05  01");
    bytes.insert(bytes.end(), 24, 0x33);   // host key
    bytes.insert(bytes.end(), 107, 0xEE);  // legacy area
    const auto address = Hex("00 07 02 0A 0B");
    bytes.insert(bytes.end(), address.begin(), address.end());
    bytes.insert(bytes.end(), 22, 0x00);
    bytes.push_back(0x5A);  // the next record's first octet

    CBACnetOBJ obj;
    obj.m_hostExtra[0] = 0x77;
    EXPECT_EQ(Load(bytes, obj, 0), 1);
    EXPECT_EQ(obj.m_objectID.GetValue(), 0x02000005u);
    EXPECT_TRUE(obj.m_name == L"AB\u00e9\u20ac");
    EXPECT_EQ(obj.m_maxAPDU, 1476);
    EXPECT_EQ(obj.m_hostKey[23], 0x33);
    EXPECT_EQ(obj.m_hostExtra[0], 0x77);
    EXPECT_EQ(ToHex(obj.m_address.m_network, 2), "00 07");
    EXPECT_EQ(obj.m_address.m_macLength, 2);
    EXPECT_EQ(ToHex(obj.m_address.m_mac, 2), "0A 0B");
}

// Each text is appended; a type code past the names is named by number.
TEST(OBJ, DeviceTextsAppend)
{
    CBACnetOBJ obj;
    obj.m_objectID = _BACnetObjectID(1023, 7);
    CString text = L"x";
    obj.GetDeviceInfoText(text);
    obj.GetDeviceText(text);
    obj.GetDeviceText_1(text);
    EXPECT_TRUE(text == L"xObjectType1023 : 7ObjectType10237ObjectType1023 7");
    obj.m_objectID = _BACnetObjectID(8, 1001);
    text = L"";
    obj.GetDeviceInfoText(text);
    EXPECT_TRUE(text == L"Device : 1001");
}

}  // namespace

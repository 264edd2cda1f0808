#include <gtest/gtest.h>

#include <type_traits>

#include "Archived.h"
#include "host/Arrays.h"

namespace {

static_assert(!std::is_copy_constructible_v<CPtrArray>, "the framework's arrays are not copyable");
static_assert(!std::is_copy_assignable_v<CDWordArray>, "the framework's arrays are not copyable");

std::vector<DWORD> Contents(const CDWordArray& a) {
    return std::vector<DWORD>(a.GetData(), a.GetData() + a.GetSize());
}

TEST(Arrays, BadIndexThrows) {
    CDWordArray a;
    a.Add(1);
    a.Add(2);
    const CDWordArray& c = a;
    for (INT_PTR i : {INT_PTR(-1), INT_PTR(2)}) {
        EXPECT_THROW(a.GetAt(i), CInvalidArgException) << i;
        EXPECT_THROW(a[i], CInvalidArgException) << i;
        EXPECT_THROW(c[i], CInvalidArgException) << i;
    }
    EXPECT_THROW(a.SetSize(-1), CInvalidArgException);
    EXPECT_THROW(a.InsertAt(-1, 0), CInvalidArgException);
    EXPECT_THROW(a.InsertAt(0, 0, 0), CInvalidArgException);
    EXPECT_THROW(a.RemoveAt(1, 2), CInvalidArgException);
    EXPECT_THROW(a.RemoveAt(3, 0), CInvalidArgException);
    EXPECT_EQ(Contents(a), (std::vector<DWORD>{1, 2}));
}

TEST(Arrays, Editing) {
    CDWordArray a;
    EXPECT_EQ(a.Add(5), 0);
    EXPECT_EQ(a.Add(6), 1);
    a.InsertAt(1, 9, 2);
    a.InsertAt(6, 7);  // past the end pads with zeros
    EXPECT_EQ(Contents(a), (std::vector<DWORD>{5, 9, 9, 6, 0, 0, 7}));
    a.RemoveAt(1, 3);
    a.SetAtGrow(5, 8);
    EXPECT_EQ(Contents(a), (std::vector<DWORD>{5, 0, 0, 7, 0, 8}));
    a.RemoveAt(4, 2);  // up to the end
    a[0] = 4;
    a.SetSize(2);
    a.SetSize(3);
    EXPECT_EQ(Contents(a), (std::vector<DWORD>{4, 0, 0}));
    EXPECT_EQ(a.GetUpperBound(), 2);
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetData(), nullptr);
}

TEST(Arrays, DWordArraySerialize) {
    CDWordArray a;
    a.Add(1);
    a.Add(0xDEADBEEF);
    const auto bytes = Stored([&](CArchive& ar) { a.Serialize(ar); });
    EXPECT_EQ(ToHex(bytes), "02 00 01 00 00 00 EF BE AD DE");
    Loading in(bytes);
    CDWordArray b;
    b.Add(99);  // replaced by the load
    b.Serialize(in.ar());
    EXPECT_EQ(Contents(b), Contents(a));

    for (const char* hex : {"", "02 00 01 00 00 00 EF BE AD", "FF FF FF FF FF 7F"}) {
        Loading cut(Hex(hex));
        EXPECT_EQ(ArchiveCause([&] { b.Serialize(cut.ar()); }), CArchiveException::endOfFile) << hex;
    }
}

}  // namespace

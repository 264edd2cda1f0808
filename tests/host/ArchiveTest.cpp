#include <gtest/gtest.h>

#include <functional>

#include "Archived.h"

namespace {

struct PrimitiveRow {
    const char* name;
    std::function<void(CArchive&)> store;
    const char* hex;
};

TEST(Archive, StoresPrimitivesWithWindowsWidths) {
    const PrimitiveRow rows[] = {
        {"BYTE", [](CArchive& ar) { ar << BYTE(0xAB); }, "AB"},
        {"char", [](CArchive& ar) { ar << char(-2); }, "FE"},
        {"bool true", [](CArchive& ar) { ar << true; }, "01"},
        {"bool false", [](CArchive& ar) { ar << false; }, "00"},
        {"WORD", [](CArchive& ar) { ar << WORD(0x1234); }, "34 12"},
        {"short", [](CArchive& ar) { ar << short(-2); }, "FE FF"},
        {"wchar_t", [](CArchive& ar) { ar << L'\x20AC'; }, "AC 20"},
        {"LONG", [](CArchive& ar) { ar << LONG(-2); }, "FE FF FF FF"},
        {"int", [](CArchive& ar) { ar << 0x01020304; }, "04 03 02 01"},
        {"DWORD", [](CArchive& ar) { ar << DWORD(0xDEADBEEF); }, "EF BE AD DE"},
        {"float", [](CArchive& ar) { ar << 1.5f; }, "00 00 C0 3F"},
        {"double", [](CArchive& ar) { ar << -2.0; }, "00 00 00 00 00 00 00 C0"},
        {"LONGLONG", [](CArchive& ar) { ar << LONGLONG(-1); }, "FF FF FF FF FF FF FF FF"},
        {"ULONGLONG", [](CArchive& ar) { ar << ULONGLONG(0x0102030405060708); }, "08 07 06 05 04 03 02 01"},
    };
    for (const PrimitiveRow& row : rows)
        EXPECT_EQ(ToHex(Stored(row.store)), row.hex) << row.name;
}

TEST(Archive, LoadsWhatItStored) {
    auto bytes = Stored([](CArchive& ar) {
        ar << short(-300) << L'\xE9' << LONG(-70000) << 0.1f << 1e300 << LONGLONG(-5);
    });
    bytes.push_back(0x02);  // any non-zero byte loads as true
    CMemFile file(bytes.data(), static_cast<UINT>(bytes.size()));
    CArchive ar(&file, CArchive::load);
    short s; wchar_t wc; LONG l; float f; double d; LONGLONG ll; bool flag = false;
    ar >> s >> wc >> l >> f >> d >> ll >> flag;
    EXPECT_EQ(s, -300);
    EXPECT_EQ(wc, L'\xE9');
    EXPECT_EQ(l, -70000);
    EXPECT_EQ(f, 0.1f);
    EXPECT_EQ(d, 1e300);
    EXPECT_EQ(ll, -5);
    EXPECT_TRUE(flag);
}

TEST(Archive, WriteCountForms) {
    const struct {
        const char* name;
        DWORD_PTR count;
        const char* hex;
    } rows[] = {
        {"zero", 0, "00 00"},
        {"largest WORD", 0xFFFE, "FE FF"},
        {"FFFF needs a DWORD", 0xFFFF, "FF FF FF FF 00 00"},
        {"largest DWORD", 0xFFFFFFFE, "FF FF FE FF FF FF"},
        {"QWORD", 0x100000000ull, "FF FF FF FF FF FF 00 00 00 00 01 00 00 00"},
    };
    for (const auto& row : rows) {
        const auto bytes = Stored([&](CArchive& ar) { ar.WriteCount(row.count); });
        EXPECT_EQ(ToHex(bytes), row.hex) << row.name;
        std::vector<BYTE> buf(bytes);
        CMemFile file(buf.data(), static_cast<UINT>(buf.size()));
        CArchive ar(&file, CArchive::load);
        EXPECT_EQ(ar.ReadCount(), row.count) << row.name;
    }
}

TEST(Archive, ShortLoadThrowsEndOfFileAndKeepsTheBytes) {
    std::vector<BYTE> buf = Hex("01 02 03");
    CMemFile file(buf.data(), 3);
    CArchive ar(&file, CArchive::load);
    DWORD dw = 0;
    try {
        ar >> dw;
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
    WORD w = 0;
    ar >> w;
    EXPECT_EQ(w, 0x0201);
    BYTE rest[4] = {};
    EXPECT_EQ(ar.Read(rest, 4), 1u);  // Read reports the short count instead
    EXPECT_EQ(rest[0], 3);
    EXPECT_EQ(ar.Read(rest, 4), 0u);
    EXPECT_THROW(ar.EnsureRead(rest, 1), CArchiveException);
}

TEST(Archive, WrongModeThrows) {
    CMemFile file;
    CArchive storing(&file, CArchive::store);
    BYTE b;
    try {
        storing >> b;
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::writeOnly);
    }
    EXPECT_THROW(storing.Read(&b, 1), CArchiveException);

    CArchive loading(&file, CArchive::load);
    try {
        loading << b;
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::readOnly);
    }
    loading.Write(&b, 0);  // nothing to write is no error
}

TEST(Archive, StoredBytesReachTheFileAtFlushOrClose) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar << DWORD(1);
    EXPECT_EQ(file.GetLength(), 0u);
    ar.Flush();
    EXPECT_EQ(file.GetLength(), 4u);
    std::vector<BYTE> big(10000, 0x5A);  // more than one buffer's worth
    ar.Write(big.data(), static_cast<UINT>(big.size()));
    ar.Close();
    EXPECT_EQ(ar.GetFile(), nullptr);
    EXPECT_EQ(file.GetLength(), 10004u);

    CMemFile dropped;
    { CArchive noFlush(&dropped, CArchive::store | CArchive::bNoFlushOnDelete); noFlush << WORD(1); }
    EXPECT_EQ(dropped.GetLength(), 0u);
}

TEST(Archive, LoadFlushReturnsTheFileToTheArchivePosition) {
    std::vector<BYTE> buf = Hex("01 02 03 04 05");
    CMemFile file(buf.data(), 5);
    {
        CArchive ar(&file, CArchive::load);
        WORD w;
        ar >> w;
        EXPECT_EQ(file.GetPosition(), 5u);  // read ahead into the buffer
    }
    EXPECT_EQ(file.GetPosition(), 2u);
}

}  // namespace

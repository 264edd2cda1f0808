#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <new>

#include "Archived.h"
#include "host/String.h"

namespace {

TEST(Archive, StoresPrimitivesWithWindowsWidths) {
    const struct {
        const char* name;
        std::function<void(CArchive&)> store;
        const char* hex;
    } rows[] = {
        {"BYTE", [](CArchive& ar) { ar << BYTE(0xAB); }, "AB"},
        {"bool", [](CArchive& ar) { ar << true << false; }, "01 00"},
        {"WORD", [](CArchive& ar) { ar << WORD(0x1234); }, "34 12"},
        {"DWORD", [](CArchive& ar) { ar << DWORD(0xDEADBEEF); }, "EF BE AD DE"},
        {"double", [](CArchive& ar) { ar << -2.0; }, "00 00 00 00 00 00 00 C0"},
        {"ULONGLONG", [](CArchive& ar) { ar << ULONGLONG(0x0102030405060708); }, "08 07 06 05 04 03 02 01"},
        {"count FFFE", [](CArchive& ar) { ar.WriteCount(0xFFFE); }, "FE FF"},
        {"count FFFF needs a DWORD", [](CArchive& ar) { ar.WriteCount(0xFFFF); }, "FF FF FF FF 00 00"},
        {"QWORD count", [](CArchive& ar) { ar.WriteCount(1ull << 32); }, "FF FF FF FF FF FF 00 00 00 00 01 00 00 00"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ToHex(Stored(row.store)), row.hex) << row.name;
}

TEST(Archive, LoadsWhatItStored) {
    auto bytes = Stored([](CArchive& ar) {
        ar << short(-300) << L'\xE9' << LONG(-70000) << 0.1f << 1e300 << LONGLONG(-5);
        ar.WriteCount(0xFFFF);
        ar.WriteCount(0x100000000ull);
    });
    bytes.push_back(0x02);  // any non-zero byte loads as true
    Loading in(bytes);
    short s; wchar_t wc; LONG l; float f; double d; LONGLONG ll; bool flag = false;
    in.ar() >> s >> wc >> l >> f >> d >> ll;
    EXPECT_EQ(in.ar().ReadCount(), 0xFFFFu);
    EXPECT_EQ(in.ar().ReadCount(), 0x100000000ull);
    in.ar() >> flag;
    EXPECT_EQ(s, -300);
    EXPECT_EQ(wc, L'\xE9');
    EXPECT_EQ(l, -70000);
    EXPECT_EQ(f, 0.1f);
    EXPECT_EQ(d, 1e300);
    EXPECT_EQ(ll, -5);
    EXPECT_TRUE(flag);
}

// A short load throws end of file and keeps the octets; the wrong mode throws.
TEST(Archive, ShortLoadAndWrongModeThrow) {
    Loading in(Hex("01 02 03"));
    DWORD dw = 0;
    EXPECT_EQ(ArchiveCause([&] { in.ar() >> dw; }), CArchiveException::endOfFile);
    WORD w = 0;
    in.ar() >> w;
    EXPECT_EQ(w, 0x0201);
    BYTE rest[4] = {};
    EXPECT_EQ(in.ar().Read(rest, 4), 1u);  // Read reports the short count instead
    EXPECT_EQ(rest[0], 3);
    EXPECT_EQ(in.ar().Read(rest, 4), 0u);
    EXPECT_THROW(in.ar().EnsureRead(rest, 1), CArchiveException);

    CMemFile file;
    CArchive storing(&file, CArchive::store);
    BYTE b;
    EXPECT_EQ(ArchiveCause([&] { storing >> b; }), CArchiveException::writeOnly);
    EXPECT_THROW(storing.Read(&b, 1), CArchiveException);
    CArchive loading(&file, CArchive::load);
    EXPECT_EQ(ArchiveCause([&] { loading << b; }), CArchiveException::readOnly);
    loading.Write(&b, 0);  // nothing to write is no error
}

TEST(Archive, BytesReachTheFileAtFlushOrClose) {
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

    // A loading archive reads ahead; closing it puts the file back where it stopped.
    Loading loading(Hex("01 02 03 04 05"));
    WORD w;
    loading.ar() >> w;
    EXPECT_EQ(loading.file().GetPosition(), 5u);
    loading.ar().Close();
    EXPECT_EQ(loading.file().GetPosition(), 2u);
}

// A missing file is reported with its cause; what an archive stores on disk
// loads back; seeks stay inside the file, writes need write access.
TEST(File, ArchiveOnDiskSeekAndAccess) {
    const auto path = std::filesystem::temp_directory_path() / ("bacnetcodec-file-" + std::to_string(::getpid()));
    std::filesystem::remove(path);
    const CString name(path.wstring().c_str());
    CFileException error;
    EXPECT_FALSE(CFile().Open(name, CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ENOENT);
    {
        CFile file(name, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << CString(L"Pump \x20AC") << DWORD(7);
    }
    CFile file(name, CFile::modeRead);
    std::filesystem::remove(path);  // the open file stays readable
    EXPECT_EQ(file.GetLength(), 3u + 1 + 12 + 4);
    CString s;
    DWORD dw = 0;
    {
        CArchive ar(&file, CArchive::load);
        ar >> s >> dw;
        EXPECT_THROW(ar >> dw, CArchiveException);
    }
    EXPECT_TRUE(s == L"Pump \x20AC");
    EXPECT_EQ(dw, 7u);
    EXPECT_EQ(file.Seek(-3, CFile::end), 17u);
    EXPECT_EQ(file.Seek(0, CFile::begin), 0u);  // the start is a position like any other
    EXPECT_EQ(file.Seek(16, CFile::begin), 16u);
    BYTE back[8] = {};
    EXPECT_EQ(file.Read(back, 8), 4u);
    EXPECT_EQ(back[0], 7);
    EXPECT_THROW(file.Seek(-30, CFile::current), CFileException);
    EXPECT_THROW(file.Write(back, 1), CFileException);
}

TEST(MemFile, AttachedBufferIsUsedInPlaceAndCannotGrowOwnGrowsWithZeros) {
    BYTE buf[4] = {1, 2, 3, 4};
    CMemFile file(buf, 4);
    EXPECT_EQ(file.GetLength(), 4u);
    const BYTE x = 9;
    file.Seek(1, CFile::begin);
    file.Write(&x, 1);
    EXPECT_EQ(buf[1], 9);
    file.SeekToEnd();
    EXPECT_THROW(file.Write(&x, 1), std::bad_alloc);

    CMemFile own;
    own.Seek(2, CFile::begin);
    own.Write(&x, 1);
    EXPECT_EQ(ToHex(own.GetData()), "00 00 09");
    EXPECT_THROW(own.Seek(-4, CFile::current), CFileException);
    EXPECT_EQ(own.GetPosition(), 3u);
}

}  // namespace

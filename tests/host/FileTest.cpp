#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <new>

#include "Archived.h"
#include "host/String.h"

namespace {

// A file name of the test's own, removed afterwards.
class DiskFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("bacnetcodec-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove(m_path);
    }
    void TearDown() override { std::filesystem::remove(m_path); }
    CString Name() const { return CString(m_path.wstring().c_str()); }

    std::filesystem::path m_path;
};

TEST_F(DiskFile, ArchiveRoundTrip) {
    CFileException error;
    EXPECT_FALSE(CFile().Open(Name(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ENOENT);
    EXPECT_THROW(CFile(Name(), CFile::modeRead), CFileException);
    {
        CFile file(Name(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << CString(L"Pump \x20AC") << DWORD(7);
    }
    CFile file(Name(), CFile::modeRead);
    EXPECT_EQ(file.GetLength(), 3u + 1 + 12 + 4);
    CArchive ar(&file, CArchive::load);
    CString s;
    DWORD dw = 0;
    ar >> s >> dw;
    EXPECT_TRUE(s == L"Pump \x20AC");
    EXPECT_EQ(dw, 7u);
    EXPECT_THROW(ar >> dw, CArchiveException);
}

TEST_F(DiskFile, SeekAndAccess) {
    CFile file(Name(), CFile::modeCreate | CFile::modeReadWrite);
    const BYTE data[] = {1, 2, 3, 4};
    file.Write(data, 4);
    EXPECT_EQ(file.Seek(-3, CFile::end), 1u);
    EXPECT_EQ(file.Seek(0, CFile::begin), 0u);  // the start is a position like any other
    EXPECT_EQ(file.Seek(1, CFile::begin), 1u);
    BYTE back[4] = {};
    EXPECT_EQ(file.Read(back, 4), 3u);
    EXPECT_EQ(back[0], 2);
    EXPECT_THROW(file.Seek(-10, CFile::current), CFileException);
    file.Close();
    CFile readOnly(Name(), CFile::modeRead);
    EXPECT_THROW(readOnly.Write(data, 1), CFileException);
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

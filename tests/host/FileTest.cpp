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

// A missing file is reported with its cause; what an archive stores on disk
// loads back; seeks stay inside the file, writes need write access.
TEST_F(DiskFile, ArchiveSeekAndAccess) {
    CFileException error;
    EXPECT_FALSE(CFile().Open(Name(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ENOENT);
    {
        CFile file(Name(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << CString(L"Pump \x20AC") << DWORD(7);
    }
    CFile file(Name(), CFile::modeRead);
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

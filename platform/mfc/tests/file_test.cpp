// CFile, CStdioFile and CMemFile, and an archive over a real file.
#include "mfc/Archive.h"
#include "mfc/File.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace
{
class FileTest : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    void WriteRaw(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string ReadRaw(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    kel::testkit::TempDir m_dir{"kel-file-"};
};

int OpenCause(const std::string& path, UINT nFlags)
{
    CFile file;
    CFileException error;
    if (file.Open(path.c_str(), nFlags, &error))
        return CFileException::none;
    EXPECT_STREQ(error.m_strFileName, path.c_str());
    EXPECT_NE(error.m_lOsError, 0);
    return error.m_cause;
}
} // namespace

TEST_F(FileTest, ReadWriteSeekAndLength)
{
    const std::string path = Path("data.bin");
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
    file.Write("0123456789", 10);
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.GetPosition(), 10u);

    char buf[8] = {};
    EXPECT_EQ(file.Seek(-4, CFile::end), 6u);
    EXPECT_EQ(file.Read(buf, sizeof buf), 4u); // fewer at the end
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(file.Read(buf, sizeof buf), 0u);
    EXPECT_EQ(file.Seek(-8, CFile::current), 2u);
    EXPECT_EQ(file.Read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "234");

    file.SetLength(4);
    EXPECT_EQ(file.GetLength(), 4u);
    file.SeekToBegin();
    EXPECT_EQ(file.SeekToEnd(), 4u);

    for (auto [off, from] :
         {std::pair<LONGLONG, UINT>{-1, CFile::begin}, {-5, CFile::end}, {-100, CFile::current}})
    {
        try
        {
            file.Seek(off, from);
            ADD_FAILURE() << "seek to " << off << " from " << from;
        }
        catch (CFileException* e)
        {
            EXPECT_EQ(e->m_cause, CFileException::badSeek);
            e->Delete();
        }
    }
    file.Close();
    EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    EXPECT_EQ(ReadRaw("data.bin"), "0123");
    file.Close(); // closing twice does nothing
}

TEST_F(FileTest, OpenFailuresGiveTheirCause)
{
    WriteRaw("plain.txt", "x");
    struct Case
    {
        const char* what;
        std::string path;
        UINT nFlags;
        int cause;
    };
    const Case cases[] = {
        {"missing file", Path("missing.txt"), CFile::modeRead, CFileException::fileNotFound},
        {"missing folder", Path("nowhere/x.txt"), CFile::modeCreate | CFile::modeWrite,
         CFileException::badPath},
        {"under a regular file", Path("plain.txt/x.txt"), CFile::modeCreate | CFile::modeWrite,
         CFileException::badPath},
        {"folder opened for writing", m_dir.path().string(), CFile::modeWrite, CFileException::accessDenied},
        {"path too long", Path(std::string(MAX_PATH, 'a')), CFile::modeRead, CFileException::badPath},
        {"empty name", "", CFile::modeRead, CFileException::badPath},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(OpenCause(c.path, c.nFlags), c.cause);
    }

    // The throwing constructor carries the same information.
    try
    {
        CFile file(Path("missing.txt").c_str(), CFile::modeRead);
        ADD_FAILURE() << "opened a missing file";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
        EXPECT_STREQ(e->m_strFileName, Path("missing.txt").c_str());
        e->Delete();
    }
}

TEST_F(FileTest, CreateModesTruncateOrKeep)
{
    WriteRaw("keep.txt", "abcdef");
    {
        CFile file(Path("keep.txt").c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
        file.Write("XY", 2);
    }
    EXPECT_EQ(ReadRaw("keep.txt"), "XYcdef");
    {
        CFile file(Path("keep.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
    }
    EXPECT_EQ(ReadRaw("keep.txt"), "");
}

TEST_F(FileTest, NamesStatusRemoveAndRename)
{
    const std::string path = Path("scan.log.kel");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.Write("12345", 5);
        EXPECT_STREQ(file.GetFilePath(), path.c_str());
        EXPECT_STREQ(file.GetFileName(), "scan.log.kel");
        EXPECT_STREQ(file.GetFileTitle(), "scan.log");
    }

    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path.c_str(), status));
    EXPECT_EQ(status.m_size, 5u);
    EXPECT_STREQ(status.m_szFullName, path.c_str());
    EXPECT_EQ(status.m_attribute & CFile::directory, 0);
    EXPECT_GT(status.m_mtime.GetTime(), 0);
    EXPECT_FALSE(CFile::GetStatus(Path("missing").c_str(), status));

    CFile::Rename(path.c_str(), Path("renamed.kel").c_str());
    EXPECT_FALSE(fs::exists(path));
    CFile::Remove(Path("renamed.kel").c_str());
    EXPECT_FALSE(fs::exists(Path("renamed.kel")));
    try
    {
        CFile::Remove(Path("renamed.kel").c_str());
        ADD_FAILURE() << "removed a missing file";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
        e->Delete();
    }
}

// ---- CStdioFile ----

TEST_F(FileTest, StdioTextModeWritesCrLfAndReadsBothLineEnds)
{
    {
        CStdioFile file(Path("out.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
        file.WriteString("first\nsecond\n");
        file.WriteString("no end");
    }
    EXPECT_EQ(ReadRaw("out.txt"), "first\r\nsecond\r\nno end");

    WriteRaw("in.txt", "one\r\ntwo\nthree\r\rfour");
    CStdioFile file(Path("in.txt").c_str(), CFile::modeRead);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "one");
    EXPECT_EQ(file.GetPosition(), 5u); // what was read ahead does not count
    char buf[32];
    EXPECT_STREQ(file.ReadString(buf, sizeof buf), "two\n");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "three\r\rfour"); // a lone CR is text
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_EQ(file.ReadString(buf, sizeof buf), nullptr);
}

TEST_F(FileTest, StdioReadStringBufferLimitAndBinaryMode)
{
    WriteRaw("in.txt", "abcdefgh\r\nz");
    {
        CStdioFile file(Path("in.txt").c_str(), CFile::modeRead);
        char buf[4];
        EXPECT_STREQ(file.ReadString(buf, sizeof buf), "abc"); // nMax-1 chars, no line end yet
        EXPECT_STREQ(file.ReadString(buf, sizeof buf), "def");
        EXPECT_STREQ(file.ReadString(buf, sizeof buf), "gh\n");
        EXPECT_STREQ(file.ReadString(buf, sizeof buf), "z");
    }
    {
        CStdioFile file(Path("in.txt").c_str(), CFile::modeRead | CFile::typeBinary);
        CString line;
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_STREQ(line, "abcdefgh\r");
    }
    {
        CStdioFile file(Path("bin.txt").c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.WriteString("a\nb");
    }
    EXPECT_EQ(ReadRaw("bin.txt"), "a\nb");
}

TEST_F(FileTest, StdioWriteAfterReadGoesToTheLogicalPosition)
{
    WriteRaw("mix.txt", "line1\r\nline2\r\n");
    {
        CStdioFile file(Path("mix.txt").c_str(), CFile::modeReadWrite);
        CString line;
        ASSERT_TRUE(file.ReadString(line));
        file.WriteString("LINE2\n");
    }
    EXPECT_EQ(ReadRaw("mix.txt"), "line1\r\nLINE2\r\n");
}

// ---- CMemFile ----

TEST(MemFile, GrowsInStepsAndReadsShortAtTheEnd)
{
    CMemFile file(16);
    std::string data;
    for (int i = 0; i < 100; ++i)
        data += static_cast<char>('A' + i % 26);
    file.Write(data.data(), 10);
    file.Write(data.data() + 10, 90);
    EXPECT_EQ(file.GetLength(), 100u);

    file.SeekToBegin();
    std::string back(120, '\0');
    EXPECT_EQ(file.Read(back.data(), 120), 100u);
    EXPECT_EQ(back.substr(0, 100), data);
    EXPECT_EQ(file.Read(back.data(), 1), 0u);

    // A write past the end leaves zeros in between, even where a cut left old bytes behind.
    file.SetLength(50);
    file.Seek(60, CFile::begin);
    file.Write("!", 1);
    EXPECT_EQ(file.GetLength(), 61u);
    file.Seek(50, CFile::begin);
    char gap[11];
    EXPECT_EQ(file.Read(gap, 11), 11u);
    EXPECT_EQ(std::string(gap, 11), std::string(10, '\0') + "!");

    try
    {
        file.Seek(-1, CFile::begin);
        ADD_FAILURE() << "negative seek";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::badSeek);
        e->Delete();
    }

    BYTE* p = file.Detach();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(p), 10), data.substr(0, 10));
    std::free(p);
    EXPECT_EQ(file.GetLength(), 0u);
    file.Write("again", 5); // usable after Detach
    EXPECT_EQ(file.GetLength(), 5u);
}

TEST(MemFile, AttachedFixedBufferCannotGrow)
{
    BYTE buf[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    CMemFile file(buf, sizeof buf);
    EXPECT_EQ(file.GetLength(), 8u);
    char four[4];
    EXPECT_EQ(file.Read(four, 4), 4u);
    file.Write("XY", 2);
    EXPECT_EQ(buf[5], 'Y');
    try
    {
        file.Write("123", 3);
        ADD_FAILURE() << "wrote past a fixed buffer";
    }
    catch (CMemoryException* e)
    {
        e->Delete();
    }
    EXPECT_EQ(file.Detach(), buf); // still the caller's
}

// Memory files of impossible sizes must fail with CMemoryException, as a failed allocation
// does on Windows; under AddressSanitizer that needs malloc to return NULL instead of aborting.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

TEST(MemFile, ImpossibleSizesFailAtOnceAndKeepTheData)
{
    CMemFile file;
    file.Write("keep", 4);
    auto expectMemoryException = [&](auto&& op, const char* what)
    {
        try
        {
            op();
            ADD_FAILURE() << what;
        }
        catch (CMemoryException* e)
        {
            e->Delete();
        }
    };
    expectMemoryException([&] { file.SetLength(1ULL << 62); }, "SetLength(2^62)");
    expectMemoryException(
        [&]
        {
            file.Seek(INT64_MAX - 1, CFile::begin);
            file.Write("!", 1);
        },
        "write after a far seek");
    EXPECT_EQ(file.GetLength(), 4u);
    file.SeekToBegin();
    char back[4];
    ASSERT_EQ(file.Read(back, 4), 4u);
    EXPECT_EQ(std::string(back, 4), "keep");
}

// ---- Archive over a file ----

TEST_F(FileTest, ArchiveErrorsNameTheFile)
{
    const std::string path = Path("doc.kel");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << static_cast<LONG>(42) << CString("text");
        ar.Close();
    }
    EXPECT_EQ(ReadRaw("doc.kel"), std::string("\x2A\0\0\0\x04text", 9));

    CFile file(path.c_str(), CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    LONG l = 0;
    CString s;
    ar >> l >> s;
    EXPECT_EQ(l, 42);
    EXPECT_STREQ(s, "text");
    try
    {
        ar >> l;
        ADD_FAILURE() << "read past the end";
    }
    catch (CArchiveException* e)
    {
        EXPECT_EQ(e->m_cause, CArchiveException::endOfFile);
        EXPECT_STREQ(e->m_strFileName, path.c_str());
        e->Delete();
    }
}

// Files, folders, path rules and device names.
#include <windows.h>
#include "win32/kobject.h"
#include "testkit/ScopedEnv.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

// A fresh folder under the temporary folder, removed with its contents afterwards.
class FilesTest : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    void WriteText(const std::string& name, const std::string& text)
    {
        HANDLE h = CreateFile(Path(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
        ASSERT_EQ(written, text.size());
        CloseHandle(h);
    }

    std::string ReadText(const std::string& name)
    {
        HANDLE h =
            CreateFile(Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return "<missing>";
        char buffer[256];
        DWORD read = 0;
        ReadFile(h, buffer, sizeof buffer, &read, nullptr);
        CloseHandle(h);
        return std::string(buffer, read);
    }

    const kel::testkit::TempDir m_tmp{"kel-files-"};
    const std::string m_dir = m_tmp.path().string();
};

TEST_F(FilesTest, CreateReadWriteSeekAndSize)
{
    const std::string name = Path("data.bin");
    HANDLE h = CreateFile(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);

    EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
    char buffer[8] = {};
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(n, 4u) << "a read stops at the end of the file";
    EXPECT_EQ(std::string(buffer, n), "6789");
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(n, 0u) << "at the end: success with 0 bytes";

    EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(h, 3, nullptr, FILE_BEGIN), 3u);
    ASSERT_TRUE(SetEndOfFile(h));
    LARGE_INTEGER size;
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 3);

    OVERLAPPED ov{};
    ov.Offset = 1;
    ov.hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(ReadFile(h, buffer, 2, nullptr, &ov));
    EXPECT_EQ(WaitForSingleObject(ov.hEvent, 0), WAIT_OBJECT_0);
    ASSERT_TRUE(GetOverlappedResult(h, &ov, &n, FALSE));
    EXPECT_EQ(std::string(buffer, n), "12");
    CloseHandle(ov.hEvent);
    CloseHandle(h);

    EXPECT_EQ(CreateFile(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST_F(FilesTest, CreationDispositionsReportWhetherTheFileExisted)
{
    struct Case
    {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        std::string contentAfter;
    };
    const Case cases[] = {
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, "<missing>"},
    };
    for (const Case& c : cases)
    {
        DeleteFile(Path("f").c_str());
        if (c.exists)
            WriteText("f", "old");
        HANDLE h = CreateFile(Path("f").c_str(), GENERIC_WRITE, 0, nullptr, c.disposition, 0, nullptr);
        const DWORD error = GetLastError();
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.disposition << " " << c.exists;
        EXPECT_EQ(error, c.error) << c.disposition << " " << c.exists;
        CloseHandle(h);
        EXPECT_EQ(ReadText("f"), c.contentAfter) << c.disposition << " " << c.exists;
    }
}

TEST_F(FilesTest, ErrorCodesOfFailedOpens)
{
    WriteText("plain", "x");
    struct Case
    {
        std::string path;
        DWORD error;
    };
    const Case cases[] = {
        {Path("missing.txt"), ERROR_FILE_NOT_FOUND},
        {Path("nofolder/missing.txt"), ERROR_PATH_NOT_FOUND},
        {Path("plain/below.txt"), ERROR_PATH_NOT_FOUND},
        {m_dir, ERROR_ACCESS_DENIED},
        {Path(std::string(300, 'n')), ERROR_FILENAME_EXCED_RANGE},
        {"", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(CreateFile(c.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE)
            << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST_F(FilesTest, PathOfMaxPathCharactersIsRefusedNotCut)
{
    std::string longName = Path("");
    longName += std::string(MAX_PATH - longName.size(), 'a'); // exactly MAX_PATH characters
    EXPECT_EQ(CreateFile(longName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(GetFileAttributes(longName.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    longName.pop_back();
    HANDLE h = CreateFile(longName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
    {
        EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE)); // the system's own limit
    }
    CloseHandle(h);
}

TEST_F(FilesTest, BackslashesAreSeparators)
{
    ASSERT_TRUE(CreateDirectory((m_dir + "\\sub").c_str(), nullptr));
    WriteText("sub/file.txt", "through backslashes");
    std::string windowsStyle = m_dir + "\\sub\\file.txt";
    EXPECT_EQ(GetFileAttributes(windowsStyle.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(ReadText("sub\\file.txt"), "through backslashes");
}

TEST_F(FilesTest, FindMatchesWildcardsCaseInsensitively)
{
    for (const char* name : {"Alpha.TXT", "beta.txt", "gamma.dat", "delta", "a1.txt"})
        WriteText(name, "12345");
    CreateDirectory(Path("Folder.txt").c_str(), nullptr);

    auto find = [&](const std::string& pattern)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATA data;
        HANDLE h = FindFirstFile(Path(pattern).c_str(), &data);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFile(h, &data));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
        EXPECT_TRUE(FindClose(h));
        return names;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(find("*.txt"), (V{"a1.txt", "Alpha.TXT", "beta.txt", "Folder.txt"}));
    EXPECT_EQ(find("?.TXT"), V{});
    EXPECT_EQ(find("??.txt"), V{"a1.txt"});
    EXPECT_EQ(find("A*"), (V{"a1.txt", "Alpha.TXT"}));
    EXPECT_EQ(find("delta.*"), V{"delta"});
    EXPECT_EQ(find("*.*").size(), 8u) << "every name, with . and ..";
    EXPECT_EQ(find("BETA.TXT"), V{"beta.txt"});

    WIN32_FIND_DATA data;
    HANDLE h = FindFirstFile(Path("gamma.dat").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    FindClose(h);
    h = FindFirstFile(Path("Folder.txt").c_str(), &data);
    EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    FindClose(h);

    EXPECT_EQ(FindFirstFile(Path("*.none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFile(Path("nowhere/*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, DirectoriesAndAttributes)
{
    const std::string sub = Path("sub");
    ASSERT_TRUE(CreateDirectory(sub.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectory(sub.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectory(Path("a/b").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributes(sub.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    WriteText("sub/f", "x");
    EXPECT_FALSE(RemoveDirectory(sub.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_FALSE(DeleteFile(sub.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    const std::string f = Path("sub/f");
    ASSERT_TRUE(SetFileAttributes(f.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributes(f.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(DeleteFile(f.c_str())) << "read-only files are not deleted";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(SetFileAttributes(f.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFile(f.c_str()));
    EXPECT_FALSE(DeleteFile(f.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(RemoveDirectory(sub.c_str()));
    EXPECT_EQ(GetFileAttributes(sub.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, MoveAndCopy)
{
    WriteText("a", "first");
    WriteText("b", "second");
    EXPECT_FALSE(MoveFile(Path("a").c_str(), Path("b").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadText("b"), "second");
    ASSERT_TRUE(MoveFileEx(Path("a").c_str(), Path("b").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadText("b"), "first");
    EXPECT_EQ(GetFileAttributes(Path("a").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(MoveFile(Path("a").c_str(), Path("c").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    ASSERT_TRUE(CopyFile(Path("b").c_str(), Path("c").c_str(), TRUE));
    EXPECT_EQ(ReadText("c"), "first");
    EXPECT_FALSE(CopyFile(Path("b").c_str(), Path("c").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_FALSE(CopyFile(Path("c").c_str(), Path("c").c_str(), FALSE)) << "copying onto itself";
    EXPECT_EQ(ReadText("c"), "first");

    HANDLE b = CreateFile(Path("b").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE c = CreateFile(Path("c").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME tb, tc;
    GetFileTime(b, nullptr, nullptr, &tb);
    GetFileTime(c, nullptr, nullptr, &tc);
    EXPECT_EQ(CompareFileTime(&tb, &tc), 0) << "a copy keeps the last-write time";
    CloseHandle(b);
    CloseHandle(c);
}

TEST_F(FilesTest, CurrentDirectoryModuleAndTempNames)
{
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectory(sizeof saved, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectory(m_dir.c_str()));
    char here[MAX_PATH];
    const DWORD length = GetCurrentDirectory(sizeof here, here);
    EXPECT_EQ(length, strlen(here));
    EXPECT_EQ(GetCurrentDirectory(3, here), length + 1) << "too small: the size needed";
    ASSERT_TRUE(SetCurrentDirectory(saved));
    EXPECT_FALSE(SetCurrentDirectory(Path("none").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    char exe[MAX_PATH];
    ASSERT_GT(GetModuleFileName(nullptr, exe, sizeof exe), 0u);
    EXPECT_EQ(exe[0], '/');
    EXPECT_NE(std::string(exe).find("win32core_tests"), std::string::npos);
    char tiny[4];
    EXPECT_EQ(GetModuleFileName(nullptr, tiny, sizeof tiny), 4u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(strlen(tiny), 3u);

    {
        const kel::testkit::ScopedEnv tmpdir("TMPDIR", m_dir);
        char tmp[MAX_PATH];
        EXPECT_EQ(GetTempPath(sizeof tmp, tmp), m_dir.size() + 1);
        EXPECT_EQ(tmp, m_dir + "/") << "the temporary folder ends in a separator";
    }

    char first[MAX_PATH], second[MAX_PATH];
    const UINT u1 = GetTempFileName(m_dir.c_str(), "kelxyz", 0, first);
    const UINT u2 = GetTempFileName(m_dir.c_str(), "kelxyz", 0, second);
    ASSERT_NE(u1, 0u);
    ASSERT_NE(u2, 0u);
    EXPECT_STRNE(first, second);
    EXPECT_NE(std::string(first).find("/kel"), std::string::npos);
    EXPECT_EQ(std::string(first).substr(strlen(first) - 4), ".tmp");
    EXPECT_EQ(GetFileAttributes(first), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL)) << "created empty";
}

// A device handle kind, as the serial module adds one.
class EchoDevice : public kel::KernelObject
{
public:
    BOOL Write(const void* buffer, DWORD n, DWORD* written, _OVERLAPPED*) override
    {
        data.append(static_cast<const char*>(buffer), n);
        *written = n;
        return TRUE;
    }
    BOOL Read(void* buffer, DWORD n, DWORD* read, _OVERLAPPED*) override
    {
        *read = std::min<DWORD>(n, static_cast<DWORD>(data.size()));
        memcpy(buffer, data.data(), *read);
        data.erase(0, *read);
        return TRUE;
    }
    std::string data;
};

TEST(Devices, DeviceNamesGoToTheRegisteredOpener)
{
    std::string opened;
    auto previous = kel::SetDeviceOpener(
        [&](const std::string& name, DWORD, DWORD, DWORD, DWORD)
        {
            opened = name;
            return kel::AddHandle(std::make_shared<EchoDevice>());
        });
    HANDLE h = CreateFile("\\\\.\\COM7", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(opened, "COM7");
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "ping", 4, &n, nullptr));
    char buffer[8];
    ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "ping");
    EXPECT_EQ(GetFileType(h), static_cast<DWORD>(FILE_TYPE_CHAR));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER) << "no file pointer";
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    kel::SetDeviceOpener({});
    EXPECT_EQ(CreateFile("\\\\.\\COM7", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    kel::SetDeviceOpener(previous);
}

TEST(Errno, MapsToWin32Codes)
{
    struct Case
    {
        int err;
        DWORD error;
    };
    const Case cases[] = {
        {ENOENT, ERROR_FILE_NOT_FOUND},      {EACCES, ERROR_ACCESS_DENIED}, {EPERM, ERROR_ACCESS_DENIED},
        {EEXIST, ERROR_FILE_EXISTS},         {ENOSPC, ERROR_DISK_FULL},     {EFBIG, ERROR_DISK_FULL},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES}, {EISDIR, ERROR_ACCESS_DENIED}, {ENOTDIR, ERROR_PATH_NOT_FOUND}};
    for (const Case& c : cases)
        EXPECT_EQ(kel::ErrorFromErrno(c.err), c.error) << c.err;
}

} // namespace

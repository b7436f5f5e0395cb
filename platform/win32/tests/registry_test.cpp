#include "win32/registry.h"

#include "testkit/Faults.h"
#include "testkit/ScopedSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

// Each test gets its own settings folder and a store that has forgotten everything it read.
class RegistryTest : public ::testing::Test
{
protected:
    void TearDown() override { kel::SetRegistryCommitHookForTests(nullptr); }

    std::string StorePath() const { return (m_settings.path() / "kel" / "registry.reg").string(); }

    static std::string ReadText(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    void WriteStore(const std::string& text)
    {
        fs::create_directories(m_settings.path() / "kel");
        std::ofstream(StorePath(), std::ios::binary | std::ios::trunc) << text;
    }

    HKEY Create(const char* path, REGSAM sam = KEY_ALL_ACCESS)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, 0, sam, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    HKEY Open(const char* path, REGSAM sam = KEY_READ)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, sam, &key), ERROR_SUCCESS) << path;
        return key;
    }

    static LONG SetString(HKEY key, const char* name, const char* text)
    {
        return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(std::strlen(text) + 1));
    }

    static LONG SetDword(HKEY key, const char* name, DWORD value)
    {
        return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

    // The value's type and bytes; ERROR_SUCCESS when it was read.
    static LONG Query(HKEY key, const char* name, DWORD& type, std::vector<BYTE>& data)
    {
        DWORD size = 0;
        LONG r = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size);
        if (r != ERROR_SUCCESS)
            return r;
        data.assign(size, 0xCC);
        r = RegQueryValueEx(key, name, nullptr, &type, data.data(), &size);
        data.resize(size);
        return r;
    }

    static std::string QueryString(HKEY key, const char* name)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        if (Query(key, name, type, data) != ERROR_SUCCESS || type != REG_SZ)
            return "<missing>";
        return std::string(data.begin(), data.end()).c_str();
    }

    static DWORD QueryDword(HKEY key, const char* name)
    {
        DWORD type = 0;
        DWORD value = 0xDEADBEEF;
        DWORD size = sizeof value;
        EXPECT_EQ(RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS)
            << name;
        EXPECT_EQ(type, REG_DWORD);
        return value;
    }

    kel::testkit::ScopedSettings m_settings;
};

TEST_F(RegistryTest, CreateReportsNewOrExistingAndKeepsTheFirstSpelling)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Maker\\App", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\maker\\APP", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    // The intermediate key was created too, and lists its child as first spelt.
    HKEY maker = Open("software\\MAKER", KEY_READ);
    char name[32];
    DWORD cch = sizeof name;
    ASSERT_EQ(RegEnumKeyEx(maker, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "App");
    EXPECT_EQ(cch, 3u);
    RegCloseKey(maker);
    EXPECT_NE(ReadText(StorePath()).find("[HKEY_CURRENT_USER\\Software\\Maker\\App]\n"), std::string::npos);
}

TEST_F(RegistryTest, ValuesSurviveTheFileWithTheirTypesAndBytes)
{
    struct Case
    {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
        const char* line; // how the file shows it
    };
    const auto bytes = [](const char* s) { return std::vector<BYTE>(s, s + std::strlen(s) + 1); };
    const std::vector<Case> cases = {
        {"Path", REG_SZ, bytes("C:\\data\\\"q\""), "\"Path\"=\"C:\\\\data\\\\\\\"q\\\"\"\n"},
        {"Caf\xE9", REG_SZ, bytes("\x80 5 \xB5m"), "\"Caf\xC3\xA9\"=\"\xE2\x82\xAC 5 \xC2\xB5m\"\n"},
        {"Count", REG_DWORD, {0x0A, 0, 0, 0}, "\"Count\"=dword:0000000a\n"},
        {"Big", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, "\"Big\"=dword:ffffffff\n"},
        {"Blob", REG_BINARY, {0x01, 0xFF, 0x00}, "\"Blob\"=hex:01,ff,00\n"},
        {"NoBytes", REG_BINARY, {}, "\"NoBytes\"=hex:\n"},
        {"Nothing", REG_NONE, {0x05}, "\"Nothing\"=hex(0):05\n"},
        {"", REG_SZ, bytes("default"), "@=\"default\"\n"},
        {"Lines", REG_SZ, bytes("a\r\nb"), "\"Lines\"=hex(1):61,0d,0a,62,00\n"},
    };
    HKEY key = Create("Software\\Maker\\Types");
    for (const Case& c : cases)
        ASSERT_EQ(RegSetValueEx(key, c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS)
            << c.name;

    const std::string text = ReadText(StorePath());
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u) << text;
    for (const Case& c : cases)
        EXPECT_NE(text.find(c.line), std::string::npos) << c.line << "\nin\n" << text;

    kel::ResetRegistryStoreForTests(); // read back from the file, as the next run would
    key = Open("Software\\Maker\\Types");
    for (const Case& c : cases)
    {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_EQ(Query(key, c.name, type, data), ERROR_SUCCESS) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(data, c.data) << c.name;
    }
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                              nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, cases.size());
}

TEST_F(RegistryTest, QuerySizeRules)
{
    HKEY key = Create("Software\\Sizes");
    ASSERT_EQ(SetString(key, "Text", "abc"), ERROR_SUCCESS);
    // Written without its NUL: stored with one, so every reader sees the same size.
    ASSERT_EQ(RegSetValueEx(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("xyz"), 3), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "Word", 7), ERROR_SUCCESS);

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 4u) << "string sizes count the NUL";

    char buf[8];
    std::memset(buf, '#', sizeof buf);
    size = 3;
    EXPECT_EQ(RegQueryValueEx(key, "Text", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u) << "a short buffer learns the size it needs";
    EXPECT_EQ(type, REG_SZ);

    size = 4;
    EXPECT_EQ(RegQueryValueEx(key, "Text", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buf, "abc");

    std::memset(buf, '#', sizeof buf);
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(key, "Bare", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_STREQ(buf, "xyz");

    DWORD word = 0;
    size = 2;
    EXPECT_EQ(RegQueryValueEx(key, "Word", nullptr, &type, reinterpret_cast<BYTE*>(&word), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(word, 0u) << "nothing is copied into a short buffer";
    EXPECT_EQ(RegQueryValueEx(key, "Word", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS)
        << "existence check";
}

TEST_F(RegistryTest, HandEditedTextIsRead)
{
    // A file as an editor on another system might leave it: byte-order mark, CRLF, comments, spacing,
    // wrapped hex lines, a key spelt in two ways and an unescaped Windows path.
    WriteStore("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
               "\r\n"
               "; settings of the test maker\r\n"
               "[HKEY_CURRENT_USER\\Software\\Hand]\r\n"
               "\"Dir\" = \"C:\\temp\\logs\"\r\n"
               "\"Wide\"=hex:01,02,\\\r\n"
               "  03,04\r\n"
               "\"Upper\"=dword:0000ABCD\r\n"
               "\r\n"
               "[hkey_current_user\\software\\HAND]\r\n"
               "@=\"d\"\r\n"
               "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n");
    HKEY key = Open("Software\\Hand");
    EXPECT_EQ(QueryString(key, "Dir"), "C:\\temp\\logs");
    EXPECT_EQ(QueryString(key, nullptr), "d");
    EXPECT_EQ(QueryDword(key, "upper"), 0xABCDu);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(Query(key, "Wide", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, (std::vector<BYTE>{1, 2, 3, 4}));
    ASSERT_EQ(Query(key, "Quad", type, data), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_QWORD);
    EXPECT_EQ(data.size(), 8u);
    EXPECT_FALSE(fs::exists(StorePath() + ".bad")) << "a readable file is never set aside";
}

TEST_F(RegistryTest, Utf16FileFromAWindowsEditorIsRead)
{
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_CURRENT_USER\\Software\\Wide]\r\n"
                                u"\"Unit\"=\"\u00B5A \u20AC\"\r\n";
    std::string raw = "\xFF\xFE";
    for (const char16_t c : text)
    {
        raw += static_cast<char>(c & 0xFF);
        raw += static_cast<char>(c >> 8);
    }
    WriteStore(raw);
    HKEY key = Open("Software\\Wide");
    EXPECT_EQ(QueryString(key, "Unit"), "\xB5"
                                        "A \x80");
}

TEST_F(RegistryTest, TextSavedByACp1252EditorKeepsItsCharacters)
{
    // Mostly UTF-8, but one line was retyped in an editor that saves cp1252.
    WriteStore("Windows Registry Editor Version 5.00\n\n"
               "[HKEY_CURRENT_USER\\Software\\Mixed]\n"
               "\"Unit\"=\"\xC2\xB5"
               "A\"\n"
               "\"Operator\"=\"M\xFCller \x80\"\n");
    HKEY key = Open("Software\\Mixed", KEY_ALL_ACCESS);
    EXPECT_EQ(QueryString(key, "Unit"), "\xB5"
                                        "A");
    EXPECT_EQ(QueryString(key, "Operator"), "M\xFCller \x80");
    ASSERT_EQ(SetDword(key, "Count", 1), ERROR_SUCCESS);
    EXPECT_NE(ReadText(StorePath()).find("\"Operator\"=\"M\xC3\xBCller \xE2\x82\xAC\""), std::string::npos)
        << "written back as UTF-8 with nothing lost";
    kel::ResetRegistryStoreForTests();
    EXPECT_EQ(QueryString(Open("Software\\Mixed"), "Operator"), "M\xFCller \x80");
}

TEST_F(RegistryTest, ErrorCodes)
{
    HKEY writable = Create("Software\\Errors\\Child");
    ASSERT_EQ(SetDword(writable, "Present", 1), ERROR_SUCCESS);
    HKEY readOnly = Open("Software\\Errors\\Child", KEY_READ);
    HKEY parent = Open("Software\\Errors", KEY_READ);
    HKEY closed = Open("Software\\Errors", KEY_READ);
    ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    const DWORD one = 1;
    const BYTE* p = reinterpret_cast<const BYTE*>(&one);
    HKEY out = nullptr;
    DWORD size = 0;

    struct Case
    {
        const char* what;
        std::function<LONG()> call;
        LONG expected;
    };
    const Case cases[] = {
        {"open a missing key",
         [&] { return RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nope", 0, KEY_READ, &out); },
         ERROR_FILE_NOT_FOUND},
        {"query a missing value",
         [&] { return RegQueryValueEx(writable, "Nope", nullptr, nullptr, nullptr, &size); },
         ERROR_FILE_NOT_FOUND},
        {"dword of 3 bytes", [&] { return RegSetValueEx(writable, "D", 0, REG_DWORD, p, 3); },
         ERROR_INVALID_PARAMETER},
        {"dword of 8 bytes", [&] { return RegSetValueEx(writable, "D", 0, REG_DWORD, p, 8); },
         ERROR_INVALID_PARAMETER},
        {"line break in a name", [&] { return RegSetValueEx(writable, "a\nb", 0, REG_DWORD, p, 4); },
         ERROR_INVALID_PARAMETER},
        {"write through a read handle", [&] { return RegSetValueEx(readOnly, "D", 0, REG_DWORD, p, 4); },
         ERROR_ACCESS_DENIED},
        {"delete through a read handle", [&] { return RegDeleteValue(readOnly, "Present"); },
         ERROR_ACCESS_DENIED},
        {"create below a read handle",
         [&] { return RegCreateKeyEx(parent, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr); },
         ERROR_ACCESS_DENIED},
        {"query through a write-only handle",
         [&]
         {
             HKEY w = Open("Software\\Errors\\Child", KEY_SET_VALUE);
             const LONG r = RegQueryValueEx(w, "Present", nullptr, nullptr, nullptr, &size);
             RegCloseKey(w);
             return r;
         },
         ERROR_ACCESS_DENIED},
        {"closed handle",
         [&] { return RegQueryValueEx(closed, "Present", nullptr, nullptr, nullptr, &size); },
         ERROR_INVALID_HANDLE},
        {"close twice", [&] { return RegCloseKey(closed); }, ERROR_INVALID_HANDLE},
        {"made-up handle", [&] { return RegFlushKey(reinterpret_cast<HKEY>(0x1234)); }, ERROR_INVALID_HANDLE},
        {"leading backslash",
         [&] { return RegOpenKeyEx(HKEY_CURRENT_USER, "\\Software", 0, KEY_READ, &out); },
         ERROR_BAD_PATHNAME},
        {"empty path component", [&] { return RegCreateKey(HKEY_CURRENT_USER, "Software\\\\X", &out); },
         ERROR_BAD_PATHNAME},
        {"delete a key with subkeys", [&] { return RegDeleteKey(HKEY_CURRENT_USER, "Software\\Errors"); },
         ERROR_ACCESS_DENIED},
        {"delete a missing key", [&] { return RegDeleteKey(parent, "Nope"); }, ERROR_FILE_NOT_FOUND},
        {"delete a missing value", [&] { return RegDeleteValue(writable, "Nope"); }, ERROR_FILE_NOT_FOUND},
        {"flush", [&] { return RegFlushKey(writable); }, ERROR_SUCCESS},
        {"close a root key", [&] { return RegCloseKey(HKEY_CURRENT_USER); }, ERROR_SUCCESS},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.call(), c.expected) << c.what;
    EXPECT_EQ(QueryDword(writable, "Present"), 1u) << "failed calls changed nothing";
}

TEST_F(RegistryTest, DeletingKeysAndValues)
{
    HKEY child = Create("Software\\Del\\Child");
    ASSERT_EQ(SetDword(child, "A", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(child, "B", 2), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValue(child, "a"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(child, "A", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(QueryDword(child, "B"), 2u);

    HKEY parent = Open("Software\\Del", KEY_READ);
    ASSERT_EQ(RegDeleteKey(parent, "CHILD"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(child, "B", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SetDword(child, "B", 3), ERROR_KEY_DELETED);
    HKEY out = nullptr;
    EXPECT_EQ(RegOpenKeyEx(parent, "Child", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadText(StorePath()).find("Child"), std::string::npos);
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Del"), ERROR_SUCCESS) << "now it has no subkeys";
}

TEST_F(RegistryTest, EnumerationAndKeyInfo)
{
    HKEY key = Create("Software\\Enum");
    for (const char* sub : {"Gamma", "alpha", "Beta"})
    {
        HKEY s = nullptr;
        ASSERT_EQ(RegCreateKey(key, sub, &s), ERROR_SUCCESS);
        RegCloseKey(s);
    }
    HKEY grandChild = Create("Software\\Enum\\Beta\\Deep");
    RegCloseKey(grandChild);
    ASSERT_EQ(SetString(key, "Second", "12345"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, "First", 9), ERROR_SUCCESS);

    std::vector<std::string> names;
    char name[16];
    for (DWORD i = 0;; ++i)
    {
        DWORD cch = sizeof name;
        const LONG r = RegEnumKeyEx(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(r, ERROR_SUCCESS);
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "Gamma"})) << "children only, sorted";
    DWORD cch = 5; // "Gamma" needs 6 with its NUL
    EXPECT_EQ(RegEnumKeyEx(key, 2, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    // Values in the order they were created.
    cch = sizeof name;
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegEnumValue(key, 0, name, &cch, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Second");
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    cch = sizeof name;
    DWORD word = 0;
    size = sizeof word;
    ASSERT_EQ(RegEnumValue(key, 1, name, &cch, nullptr, &type, reinterpret_cast<BYTE*>(&word), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "First");
    EXPECT_EQ(word, 9u);
    cch = sizeof name;
    EXPECT_EQ(RegEnumValue(key, 2, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                              &maxName, &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 3u);
    EXPECT_EQ(maxSubKey, 5u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 6u);
    EXPECT_EQ(maxData, 6u);
}

TEST_F(RegistryTest, SeesChangesMadeByAnotherProcess)
{
    HKEY key = Create("Software\\Shared");
    ASSERT_EQ(SetString(key, "Who", "me"), ERROR_SUCCESS);
    EXPECT_EQ(QueryString(key, "Who"), "me");
    WriteStore("Windows Registry Editor Version 5.00\n\n"
               "[HKEY_CURRENT_USER\\Software\\Shared]\n"
               "\"Who\"=\"somebody else\"\n");
    EXPECT_EQ(QueryString(key, "Who"), "somebody else");
}

TEST_F(RegistryTest, ThreadsWritingTheirOwnValuesLoseNone)
{
    constexpr int kThreads = 4;
    constexpr int kWrites = 25;
    HKEY key = Create("Software\\Threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
    {
        threads.emplace_back(
            [key, t]
            {
                for (int i = 0; i < kWrites; ++i)
                {
                    const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
                    SetDword(key, name.c_str(), static_cast<DWORD>(t * 1000 + i));
                }
            });
    }
    for (std::thread& t : threads)
        t.join();
    kel::ResetRegistryStoreForTests();
    key = Open("Software\\Threads");
    for (int t = 0; t < kThreads; ++t)
    {
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(QueryDword(key, ("t" + std::to_string(t) + "_" + std::to_string(i)).c_str()),
                      static_cast<DWORD>(t * 1000 + i));
    }
}

TEST_F(RegistryTest, ProcessesWritingTheirOwnValuesLoseNone)
{
    constexpr int kProcesses = 3;
    constexpr int kWrites = 20;
    RegCloseKey(Create("Software\\Procs"));
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p)
    {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
        {
            HKEY key = nullptr;
            int failures = RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Procs", 0, KEY_ALL_ACCESS, &key) != 0;
            for (int i = 0; i < kWrites; ++i)
            {
                const std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
                failures += SetDword(key, name.c_str(), static_cast<DWORD>(p * 1000 + i)) != ERROR_SUCCESS;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children)
    {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = Open("Software\\Procs");
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                              nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, static_cast<DWORD>(kProcesses * kWrites));
    for (int p = 0; p < kProcesses; ++p)
    {
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(QueryDword(key, ("p" + std::to_string(p) + "_" + std::to_string(i)).c_str()),
                      static_cast<DWORD>(p * 1000 + i));
    }
}

TEST_F(RegistryTest, CrashWhileWritingLeavesTheOldFile)
{
    HKEY key = Create("Software\\Crash");
    ASSERT_EQ(SetString(key, "Old", "kept"), ERROR_SUCCESS);
    const std::string before = ReadText(StorePath());

    // The child dies after writing the new file but before it replaces the old one.
    EXPECT_EXIT(
        {
            kel::SetRegistryCommitHookForTests([] { ::_exit(7); });
            SetString(key, "New", "lost");
        },
        ::testing::ExitedWithCode(7), "");

    EXPECT_EQ(ReadText(StorePath()), before);
    EXPECT_EQ(QueryString(key, "New"), "<missing>");
    ASSERT_EQ(SetString(key, "Later", "written"), ERROR_SUCCESS) << "the dead writer's lock is gone";
    kel::ResetRegistryStoreForTests();
    key = Open("Software\\Crash");
    EXPECT_EQ(QueryString(key, "Old"), "kept");
    EXPECT_EQ(QueryString(key, "Later"), "written");
}

TEST_F(RegistryTest, AWriterKilledAtAnyPointLeavesTheOldFileOrTheNewOneWhole)
{
    // Values long enough that a write takes several blocks; the child swaps them again and again.
    const std::string oldValue = "old" + std::string(6000, 'o');
    const std::string newValue = "new" + std::string(6000, 'n');
    HKEY key = Create("Software\\Killed");
    ASSERT_EQ(SetString(key, "Value", oldValue.c_str()), ERROR_SUCCESS);
    RegCloseKey(key);
    std::mt19937 random(11);
    for (int round = 0; round < 20; ++round)
    {
        SCOPED_TRACE(round);
        EXPECT_TRUE(kel::testkit::KillWhileRunning(
            [&]
            {
                HKEY k = nullptr;
                RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Killed", 0, KEY_ALL_ACCESS, &k);
                SetString(k, "Value", newValue.c_str());
                SetString(k, "Value", oldValue.c_str());
                RegCloseKey(k);
            },
            static_cast<int>(500 + random() % 20000)));
        kel::ResetRegistryStoreForTests();
        key = Open("Software\\Killed");
        const std::string value = QueryString(key, "Value");
        RegCloseKey(key);
        EXPECT_TRUE(value == oldValue || value == newValue) << value.substr(0, 20);
        EXPECT_FALSE(fs::exists(StorePath() + ".bad")) << "the file was never seen half-written";
    }
    ASSERT_EQ(SetString(key = Create("Software\\Killed"), "After", "written"), ERROR_SUCCESS)
        << "no lock or leftover of a killed writer is in the way";
    RegCloseKey(key);
}

TEST_F(RegistryTest, UnreadableFileIsKeptAsideAndItsReadablePartUsed)
{
    const std::string corrupt = "Windows Registry Editor Version 5.00\n"
                                "\n"
                                "[HKEY_CURRENT_USER\\Software\\Mixed]\n"
                                "\"Before\"=\"kept\"\n"
                                "\"Broken\"=dword:xyz\n"
                                "\"After\"=dword:00000002\n"
                                "[HKEY_NOWHERE\\X]\n";
    WriteStore(corrupt);
    ::testing::internal::CaptureStderr();
    HKEY key = Open("Software\\Mixed", KEY_ALL_ACCESS);
    const std::string message = ::testing::internal::GetCapturedStderr();

    EXPECT_NE(message.find(StorePath()), std::string::npos) << message;
    EXPECT_NE(message.find("line 5"), std::string::npos) << message;
    EXPECT_EQ(ReadText(StorePath() + ".bad"), corrupt) << "the original is kept byte for byte";
    EXPECT_EQ(QueryString(key, "Before"), "kept");
    EXPECT_EQ(QueryDword(key, "After"), 2u);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Broken", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // The store now holds the readable part; a second bad file does not overwrite the first.
    EXPECT_NE(ReadText(StorePath()).find("\"Before\"=\"kept\""), std::string::npos);
    WriteStore("garbage\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(SetString(key, "Fresh", "x"), ERROR_KEY_DELETED) << "the garbage file held no keys";
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadText(StorePath() + ".bad"), corrupt);
    EXPECT_EQ(ReadText(StorePath() + ".bad.1"), "garbage\n");
}

TEST_F(RegistryTest, NamesHoldingANulAreRefusedWithTheirLine)
{
    // Cut at the NUL, a value named "\0Hidden" would turn into the key's default value and a key
    // "Sub\0Key" into "Sub": neither could be found by its name again.
    const char kText[] = "Windows Registry Editor Version 5.00\n"
                         "[HKEY_CURRENT_USER\\Software\\Nul]\n"
                         "\"Kept\"=\"kept\"\n"
                         "\"\0Hidden\"=\"x\"\n"
                         "[HKEY_CURRENT_USER\\Software\\Nul\\Sub\0Key]\n"
                         "\"Lost\"=dword:00000001\n";
    const std::string text(kText, sizeof kText - 1);
    WriteStore(text);
    ::testing::internal::CaptureStderr();
    HKEY key = Open("Software\\Nul", KEY_ALL_ACCESS);
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("line 4"), std::string::npos) << message;
    EXPECT_NE(message.find("a value name must not hold a NUL character"), std::string::npos) << message;
    EXPECT_NE(message.find("(and 2 more lines)"), std::string::npos) << message;
    EXPECT_EQ(QueryString(key, "Kept"), "kept");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    DWORD subKeys = 99;
    EXPECT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    RegCloseKey(key);
}

TEST_F(RegistryTest, ProfileEntries)
{
    const char* app = "Software\\Maker\\Prog";
    EXPECT_EQ(kel::ProfileGetInt(app, "Last Port Used", "Com Port", 3), 3u) << "missing: default";
    ASSERT_TRUE(kel::ProfileWriteInt(app, "Last Port Used", "Com Port", -2));
    EXPECT_EQ(static_cast<int>(kel::ProfileGetInt(app, "Last Port Used", "Com Port", 3)), -2);

    EXPECT_EQ(kel::ProfileGetString(app, "Version", "OldAscii", "dflt"), "dflt");
    ASSERT_TRUE(kel::ProfileWriteString(app, "Version", "OldAscii", "yes \xE9"));
    EXPECT_EQ(kel::ProfileGetString(app, "Version", "OldAscii", "dflt"), "yes \xE9");
    EXPECT_EQ(kel::ProfileGetInt(app, "Version", "OldAscii", 5), 5u) << "a string is no integer";
    EXPECT_EQ(kel::ProfileGetString(app, "Last Port Used", "Com Port", "s"), "s")
        << "an integer is no string";

    const BYTE blob[] = {9, 8, 7};
    ASSERT_TRUE(kel::ProfileWriteBinary(app, "CB I/O Setup", "Board", blob, sizeof blob));
    std::vector<BYTE> data;
    ASSERT_TRUE(kel::ProfileGetBinary(app, "CB I/O Setup", "Board", data));
    EXPECT_EQ(data, (std::vector<BYTE>{9, 8, 7}));
    EXPECT_FALSE(kel::ProfileGetBinary(app, "CB I/O Setup", "Missing", data));
    EXPECT_TRUE(data.empty());

    // The values sit in "<app>\<section>" with the registry types the framework used.
    HKEY section = Open("Software\\Maker\\Prog\\Last Port Used");
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueEx(section, "Com Port", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    RegCloseKey(section);

    ASSERT_TRUE(kel::ProfileWriteString(app, "Version", "OldAscii", nullptr))
        << "NULL value removes the entry";
    EXPECT_EQ(kel::ProfileGetString(app, "Version", "OldAscii", "gone"), "gone");
    ASSERT_TRUE(kel::ProfileWriteString(app, "Last Port Used", nullptr, nullptr))
        << "NULL entry removes the section";
    HKEY out = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Maker\\Prog\\Last Port Used", 0, KEY_READ, &out),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(kel::ProfileGetInt(app, "Last Port Used", "Com Port", 4), 4u);
}

TEST_F(RegistryTest, StoreFollowsXdgConfigHome)
{
    EXPECT_EQ(kel::RegistryStorePath(), StorePath());
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
    {
        EXPECT_EQ(kel::RegistryStorePath(), std::string(home) + "/.config/kel/registry.reg");
    }
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(kel::RegistryStorePath().find("relative"), std::string::npos);
    ::setenv("XDG_CONFIG_HOME", m_settings.path().c_str(), 1);
}

} // namespace

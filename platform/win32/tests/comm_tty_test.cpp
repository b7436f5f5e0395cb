// Serial ports over real ttys (pseudo-terminals) and the COM name map.
#include <windows.h>

#include "../src/comm_internal.h"
#include "testkit/ScopedEnv.h"
#include "testkit/ScopedSettings.h"
#include "testkit/TempDir.h"
#include "testkit/VirtualSerial.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

namespace fs = std::filesystem;
using kel::testkit::ScopedEnv;
using kel::testkit::ScopedSettings;
using kel::testkit::TempDir;

namespace
{

HANDLE OpenCom(int n)
{
    std::string name = "\\\\.\\COM" + std::to_string(n);
    return CreateFile(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OVERLAPPED, nullptr);
}

// A pseudo-terminal whose slave side is mapped to COM57 through KEL_COM_MAP.
class PtyPortTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        slave = ptsname(master);
        env.emplace("KEL_COM_MAP", "COM57=" + slave);
        port = OpenCom(57);
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << kel::LastCommErrorDetail();
    }

    void TearDown() override
    {
        if (port != INVALID_HANDLE_VALUE)
            CloseHandle(port);
        close(master);
    }

    std::string ReadMaster(size_t n)
    {
        std::string out;
        while (out.size() < n)
        {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0)
                break;
            char buffer[256];
            ssize_t got = read(master, buffer, std::min(sizeof buffer, n - out.size()));
            if (got <= 0)
                break;
            out.append(buffer, static_cast<size_t>(got));
        }
        return out;
    }

    int master = -1;
    std::string slave;
    std::optional<ScopedEnv> env;
    HANDLE port = INVALID_HANDLE_VALUE;
};

TEST_F(PtyPortTest, SettingsReachTheTerminal)
{
    DCB dcb{};
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 28800;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_TRUE(SetCommState(port, &dcb));

    // The master side reads the slave's settings.
    termios2 t{};
    ASSERT_EQ(ioctl(master, TCGETS2, &t), 0);
    EXPECT_EQ(t.c_ospeed, 28800u);
    EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(BOTHER));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & PARENB, 0u);
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u); // raw

    dcb.BaudRate = 1200;
    dcb.ByteSize = 7;
    dcb.Parity = MARKPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fOutxCtsFlow = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    ASSERT_TRUE(SetCommState(port, &dcb));
    ASSERT_EQ(ioctl(master, TCGETS2, &t), 0);
    // (A pseudo-terminal keeps no parity or word size of its own; those are not checked here.)
    EXPECT_EQ(t.c_ospeed, 1200u);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
}

TEST_F(PtyPortTest, BytesCrossBothWays)
{
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(port, "PING\r\n", 6, &n, nullptr));
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(ReadMaster(6), "PING\r\n");

    ASSERT_TRUE(SetCommMask(port, EV_RXCHAR));
    ASSERT_EQ(write(master, "PONG\r", 5), 5);
    DWORD bits = 0;
    ASSERT_TRUE(WaitCommEvent(port, &bits, nullptr));
    EXPECT_EQ(bits, DWORD(EV_RXCHAR));
    COMMTIMEOUTS t{0, 0, 2000, 0, 0};
    ASSERT_TRUE(SetCommTimeouts(port, &t));
    char buffer[5] = {};
    ASSERT_TRUE(ReadFile(port, buffer, 5, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "PONG\r");
}

TEST_F(PtyPortTest, ModemLinesReadAsOn)
{
    DWORD status = 0;
    ASSERT_TRUE(GetCommModemStatus(port, &status));
    EXPECT_EQ(status, DWORD(MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON));
    EXPECT_TRUE(EscapeCommFunction(port, CLRDTR)); // no lines to move, but no failure either
    COMSTAT stat{};
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(port, &errors, &stat));
    EXPECT_EQ(stat.fCtsHold, 0u);
}

TEST_F(PtyPortTest, ASecondOpenIsBusyAndNamesTheDevice)
{
    HANDLE second = OpenCom(57);
    EXPECT_EQ(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    std::string detail = kel::LastCommErrorDetail();
    EXPECT_NE(detail.find("COM57"), std::string::npos) << detail;
    EXPECT_NE(detail.find(slave), std::string::npos) << detail;
    EXPECT_NE(detail.find("in use by another program"), std::string::npos) << detail;

    // Closed, it opens again.
    CloseHandle(port);
    port = OpenCom(57);
    EXPECT_NE(port, INVALID_HANDLE_VALUE) << kel::LastCommErrorDetail();
}

TEST(CommOpenErrors, NameTheDeviceAndTheCause)
{
    TempDir dir;
    fs::path plain = dir.path() / "plain";
    std::ofstream(plain) << "x";
    fs::path locked = dir.path() / "locked";
    std::ofstream(locked) << "x";
    chmod(locked.c_str(), 0);
    ScopedEnv env("KEL_COM_MAP", "COM58=" + (dir.path() / "missing").string() + ";COM59=" + plain.string() +
                                     ";COM60=" + locked.string());
    struct Case
    {
        int n;
        DWORD error;
        std::string device, cause;
        bool needsNonRoot;
    } cases[] = {
        {58, ERROR_FILE_NOT_FOUND, (dir.path() / "missing").string(), "no such device", false},
        {59, ERROR_FILE_NOT_FOUND, plain.string(), "not a serial line", false},
        {60, ERROR_ACCESS_DENIED, locked.string(), "add the user to the dialout group", true},
        {97, ERROR_FILE_NOT_FOUND, "COM97", "no serial device", false},
    };
    for (const Case& c : cases)
    {
        if (c.needsNonRoot && geteuid() == 0)
            continue; // root opens anything
        EXPECT_EQ(OpenCom(c.n), INVALID_HANDLE_VALUE) << c.n;
        EXPECT_EQ(GetLastError(), c.error) << c.n;
        std::string detail = kel::LastCommErrorDetail();
        EXPECT_NE(detail.find("COM" + std::to_string(c.n)), std::string::npos) << detail;
        EXPECT_NE(detail.find(c.device), std::string::npos) << detail;
        EXPECT_NE(detail.find(c.cause), std::string::npos) << detail;
    }
}

TEST(CommNames, MapTextParses)
{
    std::vector<std::string> bad;
    auto map = kel::ParseComMap(
        " COM1=/dev/ttyUSB0; com3 = /tmp/vtty ,COM10=/dev/x;COM0=/a;COM2;LPT1=/b;COM4=", &bad);
    EXPECT_EQ(map, (std::map<int, std::string>{{1, "/dev/ttyUSB0"}, {3, "/tmp/vtty"}, {10, "/dev/x"}}));
    EXPECT_EQ(bad, (std::vector<std::string>{"COM0=/a", "COM2", "LPT1=/b", "COM4="}));

    struct Case
    {
        const char* name;
        int n;
    } cases[] = {{"COM1", 1}, {"com12", 12}, {"COM", 0}, {"COM01", 0},
                 {"COMx", 0}, {"COM3a", 0},  {"LPT1", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(kel::ParseComName(c.name), c.n) << c.name;
}

// A fake /sys/class/tty: real UARTs, a placeholder UART, adapters, and entries without a device.
class SysfsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        struct Entry
        {
            const char* name;
            bool device;
            const char* type;
        } entries[] = {{"ttyS10", true, "4"}, {"ttyS2", true, "4"},  {"ttyS1", true, "0"},
                       {"ttyS0", true, "4"},  {"ttyUSB1", true, ""}, {"ttyUSB0", true, ""},
                       {"ttyACM0", true, ""}, {"tty0", false, ""},   {"console", false, ""},
                       {"ttyS5", false, "4"}, {"ttySX", true, "4"}};
        for (const Entry& e : entries)
        {
            fs::path entry = dir.path() / e.name;
            fs::create_directories(entry);
            if (e.device)
                fs::create_directory_symlink(dir.path(), entry / "device");
            if (*e.type)
                std::ofstream(entry / "type") << e.type << "\n";
        }
        kel::SetSerialClassDir(dir.path().string());
    }
    void TearDown() override { kel::SetSerialClassDir(""); }

    TempDir dir;
    ScopedSettings settings;
};

TEST_F(SysfsTest, FindsRealPortsInAStableOrder)
{
    EXPECT_EQ(kel::ScanSerialDevices(dir.path().string()),
              (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB0",
                                        "/dev/ttyUSB1", "/dev/ttyACM0"}));
}

TEST_F(SysfsTest, FoundPortsSkipAssignedNumbersAndVirtualPortsComeFirst)
{
    ScopedEnv env("KEL_COM_MAP", "COM2=/tmp/vtty;COM4=/dev/ttyUSB0");
    kel::testkit::VirtualNullModem modem;
    modem.RegisterAs(3);
    std::map<int, std::string> expected = {{1, "/dev/ttyS0"},   {2, "/tmp/vtty"},   {3, "virtual null modem"},
                                           {4, "/dev/ttyUSB0"}, {5, "/dev/ttyS2"},  {6, "/dev/ttyS10"},
                                           {7, "/dev/ttyUSB1"}, {8, "/dev/ttyACM0"}};
    EXPECT_EQ(kel::ComPortMap(), expected);
    // Numbers taken by a virtual port are not handed out twice.
    EXPECT_EQ(kel::ComDevicePath(3), "virtual null modem");
    EXPECT_EQ(kel::ComDevicePath(9), "");

    char list[256];
    DWORD n = QueryDosDevice(nullptr, list, sizeof list);
    const char want[] = "COM1\0COM2\0COM3\0COM4\0COM5\0COM6\0COM7\0COM8\0";
    ASSERT_EQ(n, sizeof want);
    EXPECT_EQ(std::string(list, n), std::string(want, sizeof want));

    n = QueryDosDevice("com5", list, sizeof list);
    EXPECT_EQ(std::string(list, n), std::string("/dev/ttyS2\0", 12));
    EXPECT_EQ(QueryDosDevice("COM9", list, sizeof list), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(QueryDosDevice(nullptr, list, 10), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(SysfsTest, SettingsValuesAssignPortsAfterTheEnvironment)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\kel\\Serial", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
              ERROR_SUCCESS);
    auto set = [&](const char* name, const std::string& value)
    {
        ASSERT_EQ(RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
    };
    set("COM1", "/dev/from-settings");
    set("COM12", "/dev/ttyACM0");
    set("Junk", "/dev/null");
    ScopedEnv env("KEL_COM_MAP", "COM1=/dev/from-env");
    auto map = kel::ComPortMap();
    EXPECT_EQ(map[1], "/dev/from-env");
    EXPECT_EQ(map[12], "/dev/ttyACM0");
    EXPECT_EQ(map[2], "/dev/ttyS0");
    EXPECT_EQ(map.size(), 7u); // 1, 12 and the five other found ports
    RegCloseKey(key);
}

} // namespace

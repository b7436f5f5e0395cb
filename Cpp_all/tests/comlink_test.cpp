// The serial port library on its own: error texts, refusals that must not touch a device, and
// a stream over a port that never opened.
#include "comlink/Comlink.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

TEST(CommErrorTextTest, EdgesAndGaps)
{
    struct Case
    {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "Successful operation"},
        {1, "Unknown error code"},
        {801, "Unknown error code"},
        {-800, "Unknown error code"},
        {-801, "General system error"},
        {-805, "Buffer is full"},
        {-806, "Unknown error code"}, // gap inside the range
        {-838, "Comm link is already open"},
        {-858, "Win 32s thunking layer failed to initialize "},
        {-900, "Unknown error code"},
        {-936, "Unknown error code"},
        {-957, "File engine time/date error"},
        {-958, "Unknown error code"},
        {-2147483647 - 1, "Unknown error code"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(CommErrorText(c.code), c.text) << "code " << c.code;
}

TEST(CommErrorTextTest, TableHoldsEightyTexts)
{
    // 79 rows in the range; with "Successful operation" and "Unknown error code", and -802 and
    // -909 sharing "Timeout error", that makes 80 texts.
    std::set<std::string> texts{CommErrorText(0), CommErrorText(1)};
    int rows = 0;
    for (int code = -801; code >= -957; --code)
    {
        if (std::string(CommErrorText(code)) != "Unknown error code")
            ++rows;
        texts.insert(CommErrorText(code));
    }
    EXPECT_EQ(rows, 79);
    EXPECT_EQ(texts.size(), 80u);
}

TEST(Win32PortTest, RefusesPortNumbersBeyondTheCounterTable)
{
    CWin32Port port(kCommMaxPort + 1, 1000, 100);
    EXPECT_EQ(port.LastError(), COMM_BAD_ARGUMENT);
    EXPECT_FALSE(port.IsOpen());
    CWin32Port wrapped(0xFFFFFFFFu, 1000, 100);
    EXPECT_EQ(wrapped.LastError(), COMM_BAD_ARGUMENT);
}

TEST(Win32PortTest, MissingDeviceReportsSystemErrorAndKeepsNoCount)
{
    const UINT port = kCommMaxPort - 1; // nothing is mapped this high
    {
        CWin32Port missing(port, 1000, 100);
        EXPECT_EQ(missing.LastError(), COMM_GENERAL_ERROR);
        EXPECT_FALSE(missing.IsOpen());
        EXPECT_EQ(CSerialPortBase::OpenCount(port), 0);
    }
    EXPECT_EQ(CSerialPortBase::OpenCount(port), 0);
}

TEST(SerialStreamTest, StreamOnFailedPortReportsAndDiesQuietly)
{
    CWin32Port port(kCommMaxPort - 1, 1000, 100);
    auto stream = std::make_unique<CSerialStream>(&port);
    EXPECT_EQ(stream->GetSettings(), nullptr);
    EXPECT_EQ(stream->GetLineStatus(), nullptr);

    BYTE flags[2] = {0xFF, 0xFF};
    EXPECT_EQ(stream->GetStatus(flags), COMM_GENERAL_ERROR); // the port's own error, once
    EXPECT_EQ(flags[0], 0);
    EXPECT_EQ(flags[1], 0);
    EXPECT_EQ(stream->GetStatus(flags), COMM_OPEN_FAILED); // then: never opened
    EXPECT_EQ(stream->SetBaud(9600), COMM_OPEN_FAILED);
    EXPECT_EQ(stream->SetHandshake(0, 0), COMM_OPEN_FAILED);

    char line[8] = "xxxxxxx";
    EXPECT_EQ(stream->ReadLine(line, 7, 13, 0), 0);
    EXPECT_STREQ(line, "");
    stream.reset(); // must not touch the missing records
}

// A port class that supplies none of the operations.
class BarePort : public CSerialPortBase
{
public:
    BarePort() : CSerialPortBase(0) {}
};

TEST(SerialPortBaseDeathTest, UnsuppliedOperationEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    BarePort port;
    EXPECT_EQ(port.Unsupported1(), COMM_NOT_SUPPORTED);
    EXPECT_EQ(port.Unsupported2(), COMM_NOT_SUPPORTED);
    CSerialPortBase& base = port;
    EXPECT_DEATH(base.ReadChar(),
                 "Pure Virtual function called @Comlink\\.cpp,[0-9]+\nUnable to continue execution");
}

} // namespace

// The error reporter: classes, boxes and answers, the abort flag, messages switched off, composed
// texts and their limit.
#include "PlotkitFixture.h"

namespace plotkit::test
{
namespace
{

using ErrorsTest = PlotkitTest;

struct BoxCase
{
    int code;
    int mode;
    const char* extra;
    int answer;
    const char* text;
    const char* caption;
    UINT buttons;
    int result;
};

TEST_F(ErrorsTest, EachClassShowsItsBoxAndTakesTheAnswer)
{
    const BoxCase cases[] = {
        {7, 2, "a.wmf", IDOK, "Cannot open file a.wmf", "INFORMATION", MB_OK, 0},
        {17, 0, nullptr, IDYES, "Cannot create brush\nWould you like to continue ?", "SERIOUS ERROR",
         MB_YESNO, 0},
        {56, 0, nullptr, IDYES, "Bad object handle\nWould you like to continue ?", "SERIOUS ERROR", MB_YESNO,
         0},
        {30, 1, "WGX: ", IDYES, "WGX: Illegal parameter for \nWould you like to continue ?", "SERIOUS ERROR",
         MB_YESNO, 0},
        // A bad graph descriptor is the caller's error: asked about, never the end of the host.
        {65, 0, nullptr, IDYES, "Bad graph descriptor\nWould you like to continue ?", "SERIOUS ERROR",
         MB_YESNO, 0},
    };
    for (const BoxCase& c : cases)
    {
        SCOPED_TRACE(c.code);
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(c.caption).Reply(c.answer);
        EXPECT_EQ(ErrHdlr(c.code, c.mode, c.extra), c.result);
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        const kel::PromptRequest box = prompts.Prompts()[0];
        EXPECT_EQ(box.text, c.text);
        EXPECT_EQ(box.flags & MB_TYPEMASK, c.buttons);
        EXPECT_TRUE(box.flags & MB_TASKMODAL);
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(WGGetLastError(), c.code);
    }
    EXPECT_EQ(top.abortFlag, 0);
    EXPECT_TRUE(exits.empty());
}

TEST_F(ErrorsTest, NoSetsTheAbortFlagForGood)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Bad object handle").Reply(IDNO);
    EXPECT_EQ(ErrHdlr(56, 0, nullptr), 1);
    EXPECT_EQ(top.abortFlag, 1);
    // From now on every report stops at once, shows nothing and is still recorded.
    EXPECT_EQ(ErrHdlr(7, 0, nullptr), 1);
    EXPECT_EQ(WGGetLastError(), 7);
    EXPECT_EQ(ErrHdlr(150, 0, nullptr), 1);
    EXPECT_EQ(WGGetLastError(), 150);
    EXPECT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_TRUE(exits.empty());
}

TEST_F(ErrorsTest, MessagesOffRecordSilentlyButStillAnnounceTheEnd)
{
    kel::testkit::ScriptedPrompts prompts;
    EXPECT_EQ(WGEnableErrorMessages(FALSE), &top);
    EXPECT_EQ(ErrHdlr(17, 0, nullptr), 0);
    EXPECT_EQ(ErrHdlr(56, 0, nullptr), 0); // a caller's error never ends the host
    EXPECT_EQ(ErrHdlr(65, 0, nullptr), 0);
    EXPECT_EQ(WGGetLastError(), 65);
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_TRUE(exits.empty());

    prompts.Expect("Cannot register class PgWin\nYour program will terminate !").Reply(IDOK);
    EXPECT_EQ(ErrHdlr(64, 2, "PgWin"), 1);
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0], 64);
}

TEST_F(ErrorsTest, CodesFrom100AreRecordedOnly)
{
    kel::testkit::ScriptedPrompts prompts;
    EXPECT_EQ(ErrHdlr(150, 0, nullptr), 0);
    EXPECT_EQ(WGGetLastError(), 150);
    EXPECT_TRUE(prompts.Prompts().empty());
}

TEST_F(ErrorsTest, AnOverlongExtraTextIsCutSoMessageAndQuestionShow)
{
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("SERIOUS ERROR").Reply(IDYES);
    const std::string name(300, 'x');
    ErrHdlr(30, 2, name.c_str());
    const std::string text = prompts.Prompts().at(0).text;
    EXPECT_EQ(text.size(), 107u);
    EXPECT_EQ(text.rfind("Illegal parameter for x", 0), 0u);
    EXPECT_NE(text.find("\nWould you like to continue ?"), std::string::npos);
}

TEST_F(ErrorsTest, IllegalFunctionNamesTheObjectType)
{
    ObjDesc axis{};
    axis.type = PK_TYPE_AXIS;
    ObjDesc meter{};
    meter.type = 110;
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal editing function for AXIS").Reply(IDYES);
    prompts.Expect("Illegal editing function for METER").Reply(IDYES);
    EXPECT_EQ(ReportIllFunc(&axis), 0);
    EXPECT_EQ(ReportIllFunc(&meter), 0);
}

} // namespace
} // namespace plotkit::test

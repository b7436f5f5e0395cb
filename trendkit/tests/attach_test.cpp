// Attach and the top block: binding twice, clean-up, the error reporter's boxes and answers, and the
// whole-degree sine and cosine.
#include "TrendkitFixture.h"

namespace trendkit::test
{
namespace
{

using AttachTest = TrendkitTest;

TEST_F(AttachTest, BindingAgainKeepsTheBlockAndItsDataSets)
{
    void* block = top.realTimeBlock;
    ASSERT_NE(block, nullptr);
    const int slot = DefineSet(2);
    EXPECT_EQ(InitRTDll(&top), 1);
    EXPECT_EQ(top.realTimeBlock, block);
    EXPECT_NE(GetDynDataSet(slot), nullptr);
    EXPECT_NE(top.axisChangeHook, nullptr);

    // Clean-up frees the sets whatever their use count; a later bind makes a new block.
    GetDynDataSet(slot)->useCount = 3;
    RTCleanup(&top);
    EXPECT_EQ(top.realTimeBlock, nullptr);
    RTCleanup(&top); // without a block: only made current
    EXPECT_EQ(InitRTDll(&top), 1);
    EXPECT_NE(top.realTimeBlock, nullptr);
    EXPECT_EQ(GetDynDataSet(slot), nullptr);
}

TEST_F(AttachTest, CleanupOfAStrangeBlockIsRefused)
{
    TopDesc other{};
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal parameter for WRCleanup").Reply(IDYES);
    RTCleanup(&other);
    EXPECT_NE(top.realTimeBlock, nullptr);
}

struct BoxCase
{
    int code;
    int mode;
    const char* name;
    const char* caption;
    const char* text;
    UINT buttons;
};

TEST_F(AttachTest, TheReporterShowsTrendkitsCodesInTheirClass)
{
    const BoxCase cases[] = {
        // A DDEML error arrives with its high bits: only the low 12 bits count.
        {0x4064, 0, nullptr, "DDE Error", "Advise ack timeout\nWould you like to continue ?", MB_YESNO},
        {134, 1, "Set 3: ", "SERIOUS ERROR",
         "Set 3: No history collection for data set \nWould you like to continue ?", MB_YESNO},
        {136, 2, "G1", "SERIOUS ERROR", "Graph window is too small G1\nWould you like to continue ?",
         MB_YESNO},
        {103, 1, "x", "DDE Error", "x\nWould you like to continue ?", MB_YESNO},
        {149, 0, nullptr, "CRITICAL ERROR", "Old version of the Korvana!\nYour program will terminate !",
         MB_OK},
    };
    for (const BoxCase& c : cases)
    {
        SCOPED_TRACE(c.code);
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect(c.caption).Reply(c.buttons == MB_OK ? IDOK : IDYES);
        EXPECT_EQ(RTErrHdlr(c.code, c.mode, c.name), 0);
        ASSERT_EQ(prompts.Prompts().size(), 1u);
        EXPECT_EQ(prompts.Prompts()[0].text, c.text);
        EXPECT_EQ(prompts.Prompts()[0].flags & MB_TYPEMASK, c.buttons);
        EXPECT_TRUE(prompts.Prompts()[0].flags & MB_TASKMODAL);
        EXPECT_EQ(WGGetLastError(), c.code & 0xFFF);
    }
    EXPECT_EQ(top.abortFlag, 0);

    // No stops: the abort flag is set for good and creators refuse silently.
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Range is too large").Reply(IDNO);
    EXPECT_EQ(RTErrHdlr(135, 0, nullptr), 1);
    EXPECT_EQ(top.abortFlag, 1);
}

TEST_F(AttachTest, WithBoxesOffOnlyCriticalErrorsShowAndNothingEndsTheProcess)
{
    WGEnableErrorMessages(FALSE);
    kel::testkit::ScriptedPrompts prompts;
    for (int code : {100, 119, 133, 147, 53, 54, 55, 56})
        EXPECT_EQ(RTErrHdlr(code, 0, nullptr), 0) << code;
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_TRUE(exits.empty());
    EXPECT_EQ(top.abortFlag, 0);

    prompts.Expect("CRITICAL ERROR").Reply(IDOK);
    EXPECT_EQ(RTErrHdlr(149, 0, nullptr), 0);
    EXPECT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(top.abortFlag, 0);
}

TEST_F(AttachTest, AReporterReEnteredWhileItsBoxIsOpenShowsNothing)
{
    kel::testkit::ScriptedPrompts prompts;
    Lib().boxOpen = true;
    EXPECT_EQ(RTErrHdlr(133, 0, nullptr), 0);
    EXPECT_TRUE(prompts.Prompts().empty());
    EXPECT_TRUE(Lib().boxOpen);
    Lib().boxOpen = false;
}

TEST_F(AttachTest, SineAndCosineOfWholeDegrees)
{
    const struct
    {
        int degrees;
        double sine, cosine;
    } cases[] = {
        {0, 0, 1},    {90, 1, 0},   {450, 1, 0},         {-90, -1, 0},          {360, 0, 1},
        {180, 0, -1}, {270, -1, 0}, {30, 0.5, 0.866025}, {-330, 0.5, 0.866025}, {135, 0.707107, -0.707107}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.degrees);
        EXPECT_NEAR(SinDeg(c.degrees), c.sine, 1e-6);
        EXPECT_NEAR(CosDeg(c.degrees), c.cosine, 1e-6);
    }
}

} // namespace
} // namespace trendkit::test

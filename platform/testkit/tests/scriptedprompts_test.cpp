// The scripted prompt responder, as tests of the system will use it.
#include "testkit/ScriptedPrompts.h"

#include <windows.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

using kel::PromptKind;
using kel::PromptRequest;
using kel::testkit::ScriptedPrompts;

namespace
{

PromptRequest Request(PromptKind kind, const std::string& text, UINT templateId = 0)
{
    PromptRequest r;
    r.kind = kind;
    r.text = text;
    r.templateId = templateId;
    return r;
}

TEST(ScriptedPrompts, AnswersMessageBoxesAndRecordsThem)
{
    ScriptedPrompts prompts;
    prompts.Expect("Overwrite").Reply(IDNO);
    prompts.Expect("Discard").Times(1); // no reply: the default button

    EXPECT_EQ(MessageBox(nullptr, "Overwrite \"a.ana\"?", "kelmon", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBox(nullptr, "Discard changes?", "kelmon", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);

    auto seen = prompts.Prompts();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, "kelmon");
    EXPECT_EQ(seen[0].flags, UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(seen[1].text, "Discard changes?");
}

TEST(ScriptedPrompts, ExpectationsAnswerInOrderAndCount)
{
    ScriptedPrompts prompts;
    auto& first = prompts.Expect("Retry").Reply(IDRETRY).Times(2);
    prompts.Expect("Retry").Reply(IDCANCEL);
    std::vector<int> results;
    for (int i = 0; i < 3; ++i)
        results.push_back(MessageBox(nullptr, "Retry the head?", "Head", MB_RETRYCANCEL));
    EXPECT_EQ(results, (std::vector<int>{IDRETRY, IDRETRY, IDCANCEL}));
    EXPECT_EQ(first.Calls(), 2);
}

TEST(ScriptedPrompts, DialogsByTemplateAndFileDialogsWithPaths)
{
    ScriptedPrompts prompts;
    prompts.Expect(215).Reply(IDOK);
    prompts.Expect("Save", PromptKind::FileSave).ReplyPath("/tmp/scan.ana");
    prompts.Expect("Save", PromptKind::Dialog).AnyTimes().Reply(IDCANCEL); // kind tells them apart

    EXPECT_EQ(kel::Prompt(Request(PromptKind::Dialog, "", 215)).result, IDOK);
    auto save = kel::Prompt(Request(PromptKind::FileSave, "Save scan log"));
    EXPECT_EQ(save.result, IDOK);
    EXPECT_EQ(save.paths, (std::vector<std::string>{"/tmp/scan.ana"}));
}

TEST(ScriptedPrompts, UnexpectedPromptFailsAndCancels)
{
    struct Case
    {
        UINT flags;
        int result;
    } cases[] = {{MB_OK, IDCANCEL}, {MB_YESNO, IDCANCEL}, {MB_ABORTRETRYIGNORE, IDABORT}};
    for (const Case& c : cases)
    {
        ScriptedPrompts prompts;
        int result = 0;
        EXPECT_NONFATAL_FAILURE(result = MessageBox(nullptr, "Boom", "Head error", c.flags),
                                "Unexpected MessageBox prompt: caption \"Head error\", text \"Boom\"");
        EXPECT_EQ(result, c.result);
    }
    ScriptedPrompts prompts;
    prompts.Expect(100);
    kel::Prompt(Request(PromptKind::Dialog, "", 100));
    EXPECT_NONFATAL_FAILURE(kel::Prompt(Request(PromptKind::Dialog, "", 101)), "template 101");
}

TEST(ScriptedPrompts, UnmetExpectationFailsAtTheEnd)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts prompts;
            prompts.Expect("never shown").Times(2);
            MessageBox(nullptr, "never shown", "x", MB_OK);
        },
        "matching \"never shown\") 2 time(s), got 1");
}

TEST(ScriptedPrompts, WorkerThreadsPromptConcurrently)
{
    ScriptedPrompts prompts;
    auto& any = prompts.Expect("worker").AnyTimes().Reply(IDYES);
    std::vector<std::thread> threads;
    std::vector<int> results(8 * 25);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 25; ++i)
                    results[size_t(t * 25 + i)] = MessageBox(nullptr, "worker asks", "w", MB_YESNO);
            });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(any.Calls(), 200);
    EXPECT_EQ(prompts.Prompts().size(), 200u);
    for (int r : results)
        EXPECT_EQ(r, IDYES);
}

TEST(ScriptedPrompts, UnexpectedPromptFromWorkerThreadFails)
{
    ScriptedPrompts prompts;
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(
        std::thread([] { MessageBox(nullptr, "from a worker", "w", MB_OK); }).join(), "from a worker");
}

TEST(ScriptedPrompts, NestedResponderRestoresTheOuterOne)
{
    ScriptedPrompts outer;
    outer.Expect("outer").Reply(IDOK);
    {
        ScriptedPrompts inner;
        inner.Expect("inner").Reply(IDNO);
        EXPECT_EQ(MessageBox(nullptr, "inner", "", MB_YESNO), IDNO);
    }
    EXPECT_EQ(MessageBox(nullptr, "outer", "", MB_OKCANCEL), IDOK);
    EXPECT_EQ(outer.Prompts().size(), 1u);
}

} // namespace

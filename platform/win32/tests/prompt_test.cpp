// Routing of message boxes through the prompt service and the headless default answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{

class RecordingService : public kel::IPromptService
{
public:
    kel::PromptReply Prompt(const kel::PromptRequest& r) override
    {
        last = r;
        ++calls;
        kel::PromptReply reply;
        reply.result = answer;
        return reply;
    }
    kel::PromptRequest last;
    int calls = 0;
    int answer = IDRETRY;
};

TEST(PromptService, MessageBoxGoesThroughTheInstalledService)
{
    RecordingService service;
    kel::IPromptService* previous = kel::SetPromptService(&service);
    EXPECT_EQ(MessageBox(nullptr, "Head not responding", "Head", MB_RETRYCANCEL | MB_ICONSTOP), IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDRETRY);
    EXPECT_EQ(kel::SetPromptService(previous), &service);

    EXPECT_EQ(service.calls, 2);
    EXPECT_EQ(service.last.kind, kel::PromptKind::MessageBox);
    EXPECT_EQ(service.last.text, "");
    EXPECT_EQ(service.last.caption, "Error"); // Windows' caption for a NULL one
    EXPECT_TRUE(MessageBeep(MB_ICONASTERISK));
}

TEST(PromptService, HeadlessDefaultAnswersWithTheDefaultButton)
{
    struct Case
    {
        UINT flags;
        int result;
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_RETRYCANCEL | MB_ICONEXCLAMATION, IDRETRY},
        {MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, IDCONTINUE},
        {MB_YESNO | MB_DEFBUTTON4, IDYES}, // past the set: the first button
    };
    kel::IPromptService* previous = kel::SetPromptService(nullptr);
    for (const Case& c : cases)
        EXPECT_EQ(MessageBox(nullptr, "headless", "test", c.flags), c.result) << std::hex << c.flags;
    kel::PromptRequest dialog;
    dialog.kind = kel::PromptKind::Dialog;
    dialog.templateId = 135;
    EXPECT_EQ(kel::Prompt(dialog).result, IDCANCEL);
    kel::SetPromptService(previous);
}

} // namespace

TEST(PromptService, MessageBeepReachesTheInstalledHandlerUntilRemoved)
{
    std::vector<UINT> heard;
    kel::BeepHandler previous = kel::SetBeepHandler([&](UINT type) { heard.push_back(type); });
    EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
    EXPECT_TRUE(MessageBeep(0xFFFFFFFF));
    EXPECT_TRUE(static_cast<bool>(kel::SetBeepHandler(previous)));
    EXPECT_TRUE(MessageBeep(MB_OK)); // silent again, still succeeds
    EXPECT_EQ(heard, (std::vector<UINT>{MB_ICONEXCLAMATION, 0xFFFFFFFF}));
}

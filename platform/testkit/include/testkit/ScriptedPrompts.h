// Scripted answers to prompts for tests. Install one for the length of a test; it answers message
// boxes, dialogs and common dialogs as told, records every prompt, and fails the test on a prompt
// nobody expected or an expected prompt that never came.
//
//     kel::testkit::ScriptedPrompts prompts;
//     prompts.Expect("Overwrite").Reply(IDYES);
//     prompts.Expect(IDD_SETUP).Reply(IDOK).Times(2);
//     prompts.Expect("Save as", kel::PromptKind::FileSave).ReplyPath("/tmp/x.ana");
//     prompts.Expect(IDD_RANGE).Drive([](kel::testkit::DialogDriver& d) { d.SetText(IDC_LOW, "5");
//     d.Click(IDOK); });
#pragma once

#include "testkit/DialogDriver.h"
#include "win32/prompt.h"

#include <functional>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kel::testkit
{

class ScriptedPrompts : public IPromptService
{
public:
    // One expected prompt (or several, with Times/AnyTimes). Matching prompts are answered by the
    // first expectation, in the order declared, that still has calls left.
    class Expectation
    {
    public:
        // The result code returned (default: the default button of a message box, else IDOK).
        Expectation& Reply(int result);
        // Paths returned by a file or folder dialog (the result becomes IDOK unless Reply says otherwise).
        Expectation& ReplyPath(const std::string& path);
        Expectation& ReplyPaths(const std::vector<std::string>& paths);
        Expectation& ReplyColor(COLORREF color);
        Expectation& ReplyFont(const PromptFont& font);
        // A modal dialog is run for real; nothing drives it (its own code or messages end it).
        Expectation& Run();
        // A modal dialog is run for real and `script` drives it right after WM_INITDIALOG; the
        // dialog's EndDialog value is the result. A script that leaves the dialog open fails the test.
        // (Defined with DialogDriver, so only tests that drive dialogs link the window manager.)
        Expectation& Drive(std::function<void(DialogDriver&)> script);
        // Expected exactly n times (default 1).
        Expectation& Times(int n);
        // Any number of times, including none.
        Expectation& AnyTimes();
        // How many prompts this expectation answered so far.
        int Calls() const;

    private:
        friend class ScriptedPrompts;
        Expectation(ScriptedPrompts& owner) : m_owner(owner) {}
        bool Matches(const PromptRequest& r) const;
        std::string Describe() const;

        ScriptedPrompts& m_owner;
        std::optional<PromptKind> m_kind;
        std::optional<std::string> m_pattern;
        std::optional<UINT> m_templateId;
        std::optional<int> m_result;
        std::vector<std::string> m_paths;
        COLORREF m_color = 0;
        PromptFont m_font;
        bool m_run = false;
        std::function<void(HWND)> m_drive;
        int m_times = 1; // -1: any number
        int m_calls = 0;
    };

    // Installs itself as the prompt service; the destructor puts the previous one back.
    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // A prompt whose text or caption contains `textPattern`, of any kind or of `kind`.
    Expectation& Expect(const std::string& textPattern);
    Expectation& Expect(const std::string& textPattern, PromptKind kind);
    // A dialog (or another kind) built from template `templateId`.
    Expectation& Expect(UINT templateId, PromptKind kind = PromptKind::Dialog);

    // Every prompt received so far, in order, expected or not.
    std::vector<PromptRequest> Prompts() const;

    PromptReply Prompt(const PromptRequest& request) override;

private:
    Expectation& Add();

    mutable std::mutex m_mutex;
    std::deque<std::unique_ptr<Expectation>> m_expectations;
    std::vector<PromptRequest> m_prompts;
    IPromptService* m_previous = nullptr;
};

} // namespace kel::testkit

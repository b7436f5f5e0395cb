// The scripted user of KEL_UI_SCRIPT (see win32/uiscript.h).
#include "win32/uiscript.h"

#include "win32/kernel.h"
#include "win32/prompt.h"
#include "win32/user.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace kel::ui
{
namespace
{

constexpr UINT kTickMs = 50;
constexpr DWORD kExpectMs = 10000;
constexpr int kFailureCode = 3;

struct Step
{
    int line = 0;
    std::string verb;
    std::string a; // first argument
    std::string b; // the rest of the line
};

std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] != '\\' || i + 1 == text.size())
        {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

// Answers prompts from the script's "answer" lines; anything else gets its default.
class ScriptPrompts : public IPromptService
{
public:
    void Add(int result, const std::string& pattern)
    {
        std::lock_guard lock(m_mutex);
        m_answers.emplace_back(pattern, result);
    }

    PromptReply Prompt(const PromptRequest& request) override
    {
        PromptReply reply;
        std::lock_guard lock(m_mutex);
        for (const auto& [pattern, result] : m_answers)
            if (request.text.find(pattern) != std::string::npos ||
                request.caption.find(pattern) != std::string::npos)
            {
                std::fprintf(stderr, "ui script: prompt \"%s\" answered %d\n", request.text.c_str(), result);
                reply.result = result;
                return reply;
            }
        std::fprintf(stderr, "ui script: unexpected prompt \"%s\"\n", request.text.c_str());
        reply.result =
            request.kind == PromptKind::MessageBox ? DefaultMessageBoxResult(request.flags) : IDCANCEL;
        return reply;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<std::string, int>> m_answers;
};

struct Script
{
    std::vector<Step> steps;
    size_t next = 0;
    DWORD expectStart = 0;
    bool expecting = false;
    ScriptPrompts prompts;
};

Script* g_script = nullptr;

struct Search
{
    int id;
    HWND found;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    if (GetDlgCtrlID(hwnd) == search->id && IsWindowVisible(hwnd))
    {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindInTopLevel(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    EnumChildWindows(hwnd, FindChild, param);
    return search->found == nullptr;
}

BOOL CALLBACK FirstVisible(HWND hwnd, LPARAM param)
{
    if (!IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

HWND Control(int id)
{
    Search search{id, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindInTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND MainWindow()
{
    HWND hwnd = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FirstVisible, reinterpret_cast<LPARAM>(&hwnd));
    return hwnd;
}

std::string TextOf(HWND hwnd)
{
    std::string text(static_cast<size_t>(GetWindowTextLength(hwnd)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowText(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Fail(const Step& step, const std::string& why)
{
    std::fprintf(stderr, "ui script: line %d: %s %s %s: %s\n", step.line, step.verb.c_str(), step.a.c_str(),
                 step.b.c_str(), why.c_str());
    g_script->next = g_script->steps.size();
    PostQuitMessage(kFailureCode);
}

// Runs the next step; false while it has to be tried again at the next tick.
bool RunStep(const Step& step)
{
    Script& s = *g_script;
    const int id = std::atoi(step.a.c_str());
    if (step.verb == "wait")
    {
        if (!s.expecting)
        {
            s.expecting = true;
            s.expectStart = GetTickCount();
        }
        if (GetTickCount() - s.expectStart < static_cast<DWORD>(std::atoi(step.a.c_str())))
            return false;
        s.expecting = false;
        return true;
    }
    if (step.verb == "answer")
    {
        s.prompts.Add(id, Unescape(step.b));
        return true;
    }
    if (step.verb == "close" || step.verb == "command")
    {
        HWND main = MainWindow();
        if (!main)
            return false;
        if (step.verb == "close")
            PostMessage(main, WM_CLOSE, 0, 0);
        else
            PostMessage(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        return true;
    }
    HWND control = Control(id);
    if (step.verb == "expect")
    {
        if (!s.expecting)
        {
            s.expecting = true;
            s.expectStart = GetTickCount();
        }
        const std::string want = Unescape(step.b);
        if (control && TextOf(control).find(want) != std::string::npos)
        {
            s.expecting = false;
            return true;
        }
        if (GetTickCount() - s.expectStart < kExpectMs)
            return false;
        s.expecting = false;
        Fail(step, control ? "the text is \"" + TextOf(control) + "\"" : "no such control");
        return true;
    }
    if (!control)
    {
        Fail(step, "no such control");
        return true;
    }
    if (step.verb == "click")
        SendMessage(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                    reinterpret_cast<LPARAM>(control));
    else if (step.verb == "select")
    {
        LVITEM item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessage(control, LVM_SETITEMSTATE, static_cast<WPARAM>(std::atoi(step.b.c_str())),
                    reinterpret_cast<LPARAM>(&item));
    }
    else if (step.verb == "type")
    {
        SetFocus(control);
        for (char c : Unescape(step.b))
            SendMessage(control, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    else
        Fail(step, "unknown step");
    return true;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    Script& s = *g_script;
    while (s.next < s.steps.size())
    {
        const Step& step = s.steps[s.next];
        if (!s.expecting)
            std::fprintf(stderr, "ui script: %s %s %s\n", step.verb.c_str(), step.a.c_str(), step.b.c_str());
        if (!RunStep(step))
            return;
        ++s.next;
        if (step.verb == "wait" || step.verb == "click" || step.verb == "type" || step.verb == "select")
            return; // let the program react before the next step
    }
    KillTimer(nullptr, timer);
}

} // namespace

bool StartScriptFromEnvironment()
{
    const char* path = std::getenv("KEL_UI_SCRIPT");
    if (!path || !*path)
        return true;
    std::ifstream in(path);
    if (!in)
    {
        std::fprintf(stderr, "ui script: cannot read %s\n", path);
        return false;
    }
    auto script = std::make_unique<Script>();
    std::string line;
    int number = 0;
    while (std::getline(in, line))
    {
        ++number;
        if (size_t hash = line.find('#'); hash != std::string::npos && line.find_first_not_of(" \t") == hash)
            continue;
        std::istringstream words(line);
        Step step;
        step.line = number;
        if (!(words >> step.verb))
            continue;
        words >> step.a;
        std::getline(words >> std::ws, step.b);
        script->steps.push_back(step);
    }
    // Answers at the top of the script hold from the start: the program may prompt before its
    // message loop runs (a start-up picture, for one).
    while (script->next < script->steps.size() && script->steps[script->next].verb == "answer")
    {
        const Step& step = script->steps[script->next++];
        std::fprintf(stderr, "ui script: %s %s %s\n", step.verb.c_str(), step.a.c_str(), step.b.c_str());
        script->prompts.Add(std::atoi(step.a.c_str()), Unescape(step.b));
    }
    g_script = script.release(); // lives as long as the program
    SetPromptService(&g_script->prompts);
    SetTimer(nullptr, 0, kTickMs, Tick);
    return true;
}

} // namespace kel::ui

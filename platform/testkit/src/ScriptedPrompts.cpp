// Scripted prompt responder for tests.
#include "testkit/ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace kel::testkit
{

namespace
{
std::string DescribeRequest(const PromptRequest& r)
{
    std::string s = std::string(PromptKindName(r.kind)) + " prompt";
    if (r.kind == PromptKind::Dialog)
        s += r.templateName.empty() ? " (template " + std::to_string(r.templateId) + ")"
                                    : " (template \"" + r.templateName + "\")";
    return s + ": caption \"" + r.caption + "\", text \"" + r.text + "\"";
}
} // namespace

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::Reply(int result)
{
    std::lock_guard lock(m_owner.m_mutex);
    m_result = result;
    return *this;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::ReplyPath(const std::string& path)
{
    return ReplyPaths({path});
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::ReplyPaths(const std::vector<std::string>& paths)
{
    std::lock_guard lock(m_owner.m_mutex);
    m_paths = paths;
    return *this;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::ReplyColor(COLORREF color)
{
    std::lock_guard lock(m_owner.m_mutex);
    m_color = color;
    return *this;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::Times(int n)
{
    std::lock_guard lock(m_owner.m_mutex);
    m_times = n < 0 ? 0 : n;
    return *this;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::AnyTimes()
{
    std::lock_guard lock(m_owner.m_mutex);
    m_times = -1;
    return *this;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::ReplyFont(const PromptFont& font)
{
    std::lock_guard lock(m_owner.m_mutex);
    m_font = font;
    return *this;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expectation::Run()
{
    std::lock_guard lock(m_owner.m_mutex);
    m_run = true;
    return *this;
}

int ScriptedPrompts::Expectation::Calls() const
{
    std::lock_guard lock(m_owner.m_mutex);
    return m_calls;
}

bool ScriptedPrompts::Expectation::Matches(const PromptRequest& r) const
{
    if (m_kind && *m_kind != r.kind)
        return false;
    if (m_templateId && !(r.templateName.empty() && r.templateId == *m_templateId))
        return false;
    if (m_pattern && r.text.find(*m_pattern) == std::string::npos &&
        r.caption.find(*m_pattern) == std::string::npos)
        return false;
    return true;
}

std::string ScriptedPrompts::Expectation::Describe() const
{
    std::string s = m_kind ? std::string(PromptKindName(*m_kind)) : std::string("any");
    if (m_templateId)
        s += " with template " + std::to_string(*m_templateId);
    if (m_pattern)
        s += " matching \"" + *m_pattern + "\"";
    return s;
}

ScriptedPrompts::ScriptedPrompts()
{
    m_previous = SetPromptService(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    SetPromptService(m_previous);
    std::lock_guard lock(m_mutex);
    for (const auto& e : m_expectations)
        if (e->m_times >= 0 && e->m_calls != e->m_times)
            ADD_FAILURE() << "Expected prompt (" << e->Describe() << ") " << e->m_times << " time(s), got "
                          << e->m_calls;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Add()
{
    std::lock_guard lock(m_mutex);
    m_expectations.push_back(std::unique_ptr<Expectation>(new Expectation(*this)));
    return *m_expectations.back();
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expect(const std::string& textPattern)
{
    Expectation& e = Add();
    e.m_pattern = textPattern;
    return e;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expect(const std::string& textPattern, PromptKind kind)
{
    Expectation& e = Expect(textPattern);
    e.m_kind = kind;
    return e;
}

ScriptedPrompts::Expectation& ScriptedPrompts::Expect(UINT templateId, PromptKind kind)
{
    Expectation& e = Add();
    e.m_templateId = templateId;
    e.m_kind = kind;
    return e;
}

std::vector<PromptRequest> ScriptedPrompts::Prompts() const
{
    std::lock_guard lock(m_mutex);
    return m_prompts;
}

PromptReply ScriptedPrompts::Prompt(const PromptRequest& request)
{
    std::unique_lock lock(m_mutex);
    m_prompts.push_back(request);
    PromptReply reply;
    for (auto& e : m_expectations)
    {
        if ((e->m_times >= 0 && e->m_calls >= e->m_times) || !e->Matches(request))
            continue;
        ++e->m_calls;
        if (e->m_result)
            reply.result = *e->m_result;
        else if (request.kind == PromptKind::MessageBox)
            reply.result = DefaultMessageBoxResult(request.flags);
        else
            reply.result = IDOK;
        reply.paths = e->m_paths;
        reply.color = e->m_color;
        reply.font = e->m_font;
        if (request.kind == PromptKind::Dialog && e->m_run)
        {
            reply.run = true;
            reply.drive = e->m_drive;
        }
        return reply;
    }
    lock.unlock();
    ADD_FAILURE() << "Unexpected " << DescribeRequest(request);
    bool abortSet =
        request.kind == PromptKind::MessageBox && (request.flags & MB_TYPEMASK) == MB_ABORTRETRYIGNORE;
    reply.result = abortSet ? IDABORT : IDCANCEL;
    return reply;
}

} // namespace kel::testkit

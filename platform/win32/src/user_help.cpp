// Help files open with the desktop's handler (there is no help viewer of our own); an unpacked help
// file (a folder) opens at the topic inside it.
#include <htmlhelp.h>

#include "win32/prompt.h"
#include "win32/shell.h"
#include "win32/user.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

namespace
{

struct HelpTarget
{
    std::string file;
    std::string topic; // "" for the file's start
};

// "file::/topic>window" into its file and topic; '\' is a folder separator as where the names come
// from.
HelpTarget ParseHelpPath(const std::string& spec)
{
    std::string s = spec;
    std::replace(s.begin(), s.end(), '\\', '/');
    HelpTarget t;
    if (const auto window = s.find('>'); window != std::string::npos)
        s.erase(window);
    if (const auto sep = s.find("::"); sep != std::string::npos)
    {
        t.topic = s.substr(sep + 2);
        s.erase(sep);
    }
    t.file = s;
    return t;
}

// Opens the help file (or the topic inside a help folder); tells the user when it is missing.
BOOL OpenHelp(HWND owner, LPCSTR spec, LPCSTR topic)
{
    if (!spec || !*spec)
        return FALSE;
    HelpTarget t = ParseHelpPath(spec);
    if (topic && *topic)
        t.topic = ParseHelpPath(topic).file;
    std::error_code ec;
    const std::filesystem::path file(t.file);
    if (!std::filesystem::exists(file, ec))
    {
        const std::string text = "Cannot find the help file \"" + t.file + "\".";
        ::MessageBox(owner, text.c_str(), "Help", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    std::string open = t.file;
    if (std::filesystem::is_directory(file, ec))
    {
        std::string topicPath = t.topic;
        topicPath.erase(0, topicPath.find_first_not_of('/'));
        const auto page = file / (topicPath.empty() ? std::string("index.htm") : topicPath);
        if (std::filesystem::exists(page, ec))
            open = page.string();
        else if (std::filesystem::exists(file / "index.html", ec))
            open = (file / "index.html").string();
    }
    return kel::OpenUrl(open.c_str());
}

} // namespace

HWND HtmlHelp(HWND hwndCaller, LPCSTR pszFile, UINT uCommand, DWORD_PTR dwData)
{
    if (uCommand == HH_CLOSE_ALL)
        return nullptr;
    const char* topic = uCommand == HH_DISPLAY_TOPIC ? reinterpret_cast<LPCSTR>(dwData) : nullptr;
    if (!OpenHelp(hwndCaller, pszFile, topic))
        return nullptr;
    return hwndCaller ? hwndCaller : ::GetDesktopWindow();
}

BOOL WinHelp(HWND hWndMain, LPCSTR lpszHelp, UINT uCommand, ULONG_PTR)
{
    if (uCommand == HELP_QUIT)
        return TRUE;
    return OpenHelp(hWndMain, lpszHelp, nullptr);
}

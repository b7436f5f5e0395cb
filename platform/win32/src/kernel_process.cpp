// Starting other programs.
#include "win32/kernel.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace
{

// Splits a command line into words: blanks separate, double quotes keep blanks in a word.
std::vector<std::string> Words(const char* line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (const char* c = line; *c; ++c)
    {
        if (*c == '"')
        {
            quoted = !quoted;
            inWord = true;
        }
        else if ((*c == ' ' || *c == '\t') && !quoted)
        {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        }
        else
        {
            word += *c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

} // namespace

UINT WinExec(LPCSTR lpCmdLine, UINT)
{
    if (lpCmdLine == nullptr)
        return ERROR_FILE_NOT_FOUND;
    std::vector<std::string> words = Words(lpCmdLine);
    if (words.empty() || words[0].empty())
        return ERROR_FILE_NOT_FOUND;
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    switch (error)
    {
    case 0:
        break;
    case ENOENT:
        return words[0].find('/') == std::string::npos ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOEXEC:
        return ERROR_BAD_FORMAT;
    default:
        return 0;
    }
    // The program runs on its own; its end is collected so it leaves no zombie behind.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return 33;
}

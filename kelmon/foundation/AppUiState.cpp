#include "foundation/AppUiState.h"

#include <cstdlib>

CAppUiState* CAppUiState::s_instance = nullptr;

namespace
{
// Folder dialogs start in the user's home folder (there are no drive roots here).
std::string StartFolder()
{
    const char* home = std::getenv("HOME");
    return (home && *home) ? home : "/";
}
} // namespace

CAppUiState::CAppUiState() : m_lastFolder(StartFolder()), m_secondFolder(StartFolder()) {}

CAppUiState* CAppUiState::GetInstance()
{
    if (!s_instance)
        s_instance = new CAppUiState;
    return s_instance;
}

void CAppUiState::DestroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}
